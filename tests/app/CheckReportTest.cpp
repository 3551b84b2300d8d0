// What a check tells the user when it fails, which account the list shows, and which commands
// stay live while a check runs; against a scripted server.
#include "MailCheckSupport.h"

#include "ScriptedPop3Server.h"
#include "session/CheckFailure.h"
#include "session/CheckSchedule.h"
#include "session/SeenMessages.h"
#include "mailbox/Kiropop3.h"
#include "mailbox/Psock.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "rules/RuleApplication.h"
#include "widgets/Modal.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

class CheckReport : public ::testing::Test, public MailCheckFixture {
protected:
    ScriptedPop3Server server;
    const std::string header = "+OK\r\nFrom: a@example.org\r\nSubject: one\r\n\r\n.\r\n";

    void ScriptTwoMessages()
    {
        server.LoginOk("bob", "pw", "+OK 2 300\r\n")
            .Exchange("LIST", "+OK\r\n1 100\r\n2 200\r\n.\r\n")
            .Exchange("UIDL", "+OK\r\n1 a1\r\n2 a2\r\n.\r\n")
            .Exchange("TOP 1 0", header)
            .Exchange("TOP 2 0", header)
            .Exchange("QUIT", "+OK\r\n");
    }
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(CheckReport, AWrongPasswordSaysWhoAndWhyAndKeepsTheSeenIds)
{
    server.MailboxGreeting().Exchange("USER bob", "+OK\r\n").Exchange("PASS pw", "-ERR [AUTH] Authentication failed.\r\n")
        .Exchange("QUIT", "+OK\r\n");
    server.Start();
    AddAccount("Work", "bob", "pw", server.Port());
    platform::CreateDir(AccountFolder("Work"));
    platform::WriteLines(AccountFolder("Work") + TSeenMessages::kFileName, {"a1", "a2"});
    Open();
    Check("Work");
    server.Finish();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    const platform::MessageBoxRequest& box = boxes.Shown()[0];
    EXPECT_EQ(box.icon, platform::MsgIcon::Warning);
    EXPECT_EQ(box.text, "Failed to connect to the mail server.\n\nAccount \"Work\" on 127.0.0.1, port " +
                            std::to_string(server.Port()) +
                            ":\nthe server refused the user name or password: \"[AUTH] Authentication failed.\".");
    EXPECT_EQ(Lcd(), "Check of Work failed: the server refused the user name or password: \"[AUTH] Authentication failed.\"");
    EXPECT_EQ(frm->sbarListed->text(), "Work: not checked");
    EXPECT_EQ(frm->windowTitle(), "Work - Quillbox");
    // A failed check is no check: the next one must not find every message new.
    EXPECT_EQ(platform::ReadLines(AccountFolder("Work") + TSeenMessages::kFileName), (StringList{"a1", "a2"}));
    EXPECT_TRUE(Idle());
}

TEST_F(CheckReport, StopIsNoFailureAndEndsTheRunOfCheckAll)
{
    server.IgnoreUntilClosed();
    server.Start();
    AddAccount("Slow", "bob", "pw", server.Port());
    AddAccount("Other", "bob", "pw", ClosedPort());
    Open();
    onPump = [&] {
        if (frm->cmdStop->isEnabled()) frm->cmdStop->trigger();
    };
    frm->CheckAllAccounts();
    server.Finish();
    onPump = nullptr;
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(frm->Schedule().Queued().empty());  // "Other" is not checked after the Stop
    EXPECT_EQ(Lcd(), "Operation cancelled by user");
    EXPECT_TRUE(Idle());
}

TEST_F(CheckReport, CheckAllTellsEveryFailureInOneBoxAfterTheRun)
{
    AddAccount("First", "bob", "pw", ClosedPort());
    AddAccount("Second", "bob", "pw", ClosedPort());
    Open();
    frm->CheckAllAccounts();
    EXPECT_TRUE(boxes.Shown().empty());  // one account done, one to go: nothing shown yet
    frm->CheckTick();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    const std::string& text = boxes.Shown()[0].text;
    EXPECT_TRUE(Contains(text, "2 accounts could not be checked"));
    EXPECT_TRUE(Contains(text, "Account \"First\"") && Contains(text, "Account \"Second\""));
    EXPECT_TRUE(Contains(text, "refused the connection"));
}

TEST_F(CheckReport, WhileACheckRunsNothingStartsAnotherAndTheStatusFollowsTheList)
{
    ScriptTwoMessages();
    server.Start();
    AddAccount("Work", "bob", "pw", server.Port());
    Open();
    frm->MailRows->AddRow(TMailRow{});
    Select({0});
    ASSERT_EQ(frm->StatusText(), "1 Message(s) selected");
    std::vector<std::string> liveFileItems;
    onLcd = [&](const std::string& text) {
        if (text != "Connected") return;
        for (QAction* item : frm->mnuFile->actions())
            if (item->isEnabled() && !item->isSeparator()) liveFileItems.push_back(item->text().toStdString());
        frm->mnuCheckAll->trigger();  // Shift+F5 typed during the check
        frm->CheckAllAccounts();      // or the tray's entry
    };
    Check("Work");
    server.Finish();
    EXPECT_EQ(liveFileItems, (std::vector<std::string>{"Keep running in the notification area", "Exit"}));
    EXPECT_TRUE(frm->Schedule().Queued().empty());
    EXPECT_EQ(frm->StatusText(), "0 Message(s) selected");
    EXPECT_EQ(frm->sbarListed->text(), "Work: 2 messages listed");
    EXPECT_EQ(frm->windowTitle(), "Work - Quillbox");
    for (QAction* item : frm->mnuFile->actions()) EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();
}

TEST_F(CheckReport, DeletingAsksWithNoAsTheDefaultAndNamesTheMessages)
{
    ScriptTwoMessages();
    server.Start();
    AddAccount("Work", "bob", "pw", server.Port());
    Open();
    Check("Work");
    server.Finish();
    Select({0, 1});
    boxes.Answer(platform::MsgResult::No);
    frm->cmd_delClick();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].defaultButton, platform::MsgResult::No);
    EXPECT_EQ(boxes.Shown()[0].detail, "2 messages:\na@example.org: one\na@example.org: one");
    EXPECT_EQ(frm->MailRows->Count(), 2);
}

TEST_F(CheckReport, CancellingThePasswordSaysSoAndKeepsTheList)
{
    AddAccount("Asked", "bob", "", server.Port(), false);
    Open();
    frm->MailRows->AddRow(TMailRow{});
    auto saved = widgets::SetModalHandler([](QDialog& dialog) {
        dialog.reject();
        return dialog.result();
    });
    Check("Asked");
    widgets::SetModalHandler(std::move(saved));
    EXPECT_EQ(Lcd(), "No password given: Asked was not checked");
    EXPECT_EQ(frm->MailRows->Count(), 1);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(DeletionDetail, NamesTheFirstFewOnOneLineEach)
{
    std::vector<rules::TNamedMessage> seven(7, {"Ann", "Hi"});
    seven[0] = {"", "line\r\nbreak"};
    const std::string detail = rules::DeletionDetail(seven, 9);
    EXPECT_EQ(detail, "9 messages:\n(no sender): line  break\nAnn: Hi\nAnn: Hi\nAnn: Hi\nAnn: Hi\nand 4 more");
    EXPECT_EQ(rules::DeletionDetail({{"Ann", ""}}, 1), "1 message:\nAnn: (no subject)");
}
