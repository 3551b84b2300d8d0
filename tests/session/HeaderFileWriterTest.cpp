#include "session/HeaderFileWriter.h"

#include "TempHome.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

TEST(HeaderFileWriter, EveryFileIsThereAfterFinishAndTheFirstFailureIsRaised)
{
    TempHome home;
    const std::string folder = home.Root() + "acc/";
    platform::ForceDirectories(folder);
    THeaderFileWriter writer;
    for (int i = 0; i < 200; ++i) writer.Post(folder + "msg" + std::to_string(i) + ".hdr", {"Subject: " + std::to_string(i), "", "."});
    writer.Finish();
    EXPECT_EQ(platform::ListFolder(folder).size(), 200u);
    EXPECT_EQ(platform::ReadBytes(folder + "msg199.hdr"), "Subject: 199\r\n\r\n.\r\n");

    THeaderFileWriter failing;
    failing.Post(folder + "ok.hdr", {"a"});
    failing.Post(home.Root() + "missing/folder/x.hdr", {"b"});
    failing.Post(folder + "after.hdr", {"c"});
    EXPECT_THROW(failing.Finish(), EInOutError);
    EXPECT_TRUE(platform::FileExists(folder + "ok.hdr"));
    EXPECT_NO_THROW(failing.Finish());  // told once
}
