#include "platform/Exception.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"
#include "platform/Shell.h"
#include "ScriptedBoxes.h"

#include <gtest/gtest.h>

using platform::MsgIcon;

TEST(StandardErrorReport, GuardedHandlersReportEveryExceptionAndGoOn)
{
    ScriptedBoxes boxes;
    bool after = false;
    platform::RunGuarded([] { throw EConvertError("'x' is not a valid integer value"); });
    platform::RunGuarded([] { throw 42; });
    platform::RunGuarded([&] { after = true; });
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].text, "'x' is not a valid integer value");
    EXPECT_EQ(boxes.Shown()[0].caption, "Quillbox");
    EXPECT_EQ(boxes.Shown()[0].icon, MsgIcon::Error);
    EXPECT_EQ(boxes.Shown()[1].text, "Unknown error");
    EXPECT_TRUE(after);
}

TEST(MessagePump, InstalledPumpRunsAndCanBeReplacedFromInside)
{
    int calls = 0;
    auto old = platform::SetMessagePump([&] {
        ++calls;
        platform::SetMessagePump(nullptr);  // a pump that removes itself while running
    });
    platform::ProcessMessages();
    platform::ProcessMessages();
    EXPECT_EQ(calls, 1);
    platform::SetMessagePump(std::move(old));
}

TEST(Shell, UrlsGoToTheInstalledOpener)
{
    std::vector<std::string> opened;
    auto old = platform::SetUrlOpener([&](const std::string& url) { opened.push_back(url); });
    platform::OpenUrl("https://quillbox.example/");
    platform::SetUrlOpener(std::move(old));
    EXPECT_EQ(opened, std::vector<std::string>{"https://quillbox.example/"});
}
