// Which messages a check reports as new, and the file that remembers the ones already seen.
#include "session/SeenMessages.h"
#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using Ids = std::vector<std::string>;
using Marks = std::vector<bool>;

class SeenMessagesTest : public ::testing::Test {
protected:
    // What a later check finds: a fresh load of the account's file.
    TSeenMessages Reloaded() const
    {
        TSeenMessages seen;
        seen.Load(folder);
        return seen;
    }
    StringList FileLines() const { return platform::ReadLines(folder + TSeenMessages::kFileName); }
    void WriteFile(const std::string& bytes) const
    {
        platform::ForceDirectories(folder);
        platform::WriteBytes(folder + TSeenMessages::kFileName, bytes);
    }

    TempHome home;
    const std::string folder = AccountFolder("work");
};

TEST_F(SeenMessagesTest, TheFirstCheckFindsAllNewTheSecondNoneAndThenOnlyWhatWasDelivered)
{
    TSeenMessages first = Reloaded();
    EXPECT_EQ(first.MarkNew({"u1", "u2"}), (Marks{true, true}));
    first.Save({"u1", "u2"});
    EXPECT_EQ(folder, home.Home() + "work/");  // beside the header files of the check
    EXPECT_EQ(first.MarkNew({"u1", "u2"}), (Marks{false, false}));

    TSeenMessages second = Reloaded();
    EXPECT_EQ(second.MarkNew({"u1", "u2"}), (Marks{false, false}));
    second.Save({"u1", "u2"});

    TSeenMessages third = Reloaded();
    EXPECT_EQ(third.MarkNew({"u1", "u3", "u2"}), (Marks{false, true, false}));
    third.Save({"u1", "u3", "u2"});
    EXPECT_FALSE(Reloaded().IsNew("u3"));
}

TEST_F(SeenMessagesTest, TheFileHoldsExactlyTheMessagesOnTheServerNow)
{
    TSeenMessages seen = Reloaded();
    seen.Save({"u1", "u2", "u3", "u2", "", "bad\nid", "Message-ID <a@b>"});
    EXPECT_EQ(FileLines(), (StringList{"Quillbox seen messages 1", "u1", "u2", "u3", "Message-ID <a@b>"}));
    // The saved set answers at once, the ids moved into place behind the ones left out.
    EXPECT_EQ(seen.MarkNew({"Message-ID <a@b>", "u3", "bad\nid", "u4"}), (Marks{false, false, true, true}));
    EXPECT_EQ(seen.Count(), 4u);

    // u2 was removed by another client: it drops out, and were it back it would be new.
    TSeenMessages later = Reloaded();
    later.Save({"u1", "u3"});
    EXPECT_EQ(FileLines(), (StringList{"Quillbox seen messages 1", "u1", "u3"}));
    EXPECT_EQ(Reloaded().MarkNew({"u1", "u2", "u3"}), (Marks{false, true, false}));

    // A check cut short keeps what it did not reach.
    TSeenMessages partial = Reloaded();
    partial.SaveAdding({"u4", "u1"});
    EXPECT_EQ(FileLines(), (StringList{"Quillbox seen messages 1", "u1", "u3", "u4"}));
    EXPECT_EQ(partial.Count(), 3u);

    // The empty mailbox empties the file.
    Reloaded().Save({});
    EXPECT_EQ(FileLines(), (StringList{"Quillbox seen messages 1"}));
}

TEST_F(SeenMessagesTest, ADamagedOrUnreadableFileCountsAsEmpty)
{
    const std::string damaged[] = {
        "",                                               // empty, not even the first line
        "u1\r\nu2\r\n",                                   // not ours
        "Quillbox seen messages 1\nu1\nu\x01x\n",         // a control character: damaged
        "Quillbox seen messages 1\nu1\n\nu2\n",           // an empty line: damaged
        std::string("Quillbox seen messages 1\nu1\0u2\n", 32),  // binary
        "Quillbox seen messages 2\nu1\n",                 // a later format we do not know
    };
    for (const std::string& bytes : damaged) {
        WriteFile(bytes);
        TSeenMessages seen = Reloaded();
        EXPECT_EQ(seen.Count(), 0u) << bytes;
        EXPECT_EQ(seen.MarkNew({"u1", "u2"}), (Marks{true, true})) << bytes;
        seen.Save({"u1"});  // the next check repairs it
        EXPECT_FALSE(Reloaded().IsNew("u1")) << bytes;
    }
    // Something that is no file at all cannot be read, nor replaced: the write fails aloud.
    platform::DeleteFile(folder + TSeenMessages::kFileName);
    platform::CreateDir(folder + TSeenMessages::kFileName);
    TSeenMessages seen = Reloaded();
    EXPECT_TRUE(seen.IsNew("u1"));
    EXPECT_THROW(seen.Save({"u1"}), EInOutError);
}

TEST_F(SeenMessagesTest, AFolderThatCannotBeMadeFailsTheSave)
{
    platform::WriteBytes(home.Home() + "blocked", "a file where the folder should be");
    TSeenMessages seen;
    seen.Load(AccountFolder("blocked"));
    EXPECT_TRUE(seen.IsNew("u1"));
    EXPECT_THROW(seen.Save({"u1"}), EInOutError);
    TSeenMessages unloaded;
    EXPECT_THROW(unloaded.Save({"u1"}), EInOutError);
}

TEST(FallbackId, AMessageWithoutUidlIsKnownByItsMessageIdElseByAStableHashOfItsHeader)
{
    EXPECT_EQ(FallbackId({"From: Ann", "message-id:  <1@example.org> ", "Subject: Hi"}), "Message-ID <1@example.org>");
    EXPECT_EQ(FallbackId({"Message-ID:", " <folded@example.org>", "Subject: Hi"}), "Message-ID <folded@example.org>");
    // After the header a Message-ID line is body text.
    const StringList plain = {"From: Ann", "Subject: Hi"};
    EXPECT_EQ(FallbackId({"From: Ann", "Subject: Hi", "", "Message-ID: <body@x>"}), FallbackId(plain));

    // The value is kept in files across versions: it must never change.
    EXPECT_EQ(FallbackId(plain), "Header-FNV1a64 d9c493f8db51d6c1");
    EXPECT_EQ(FallbackId({"From: Ann", "Subject: Hi", "."}), FallbackId(plain));  // TOP's closing line
    // Fields a mailbox rewrites once a message was read elsewhere do not make it new.
    EXPECT_EQ(FallbackId({"Status: RO", "From: Ann", "X-UID: 12", "Subject: Hi", "Content-Length: 42"}),
              FallbackId(plain));
    EXPECT_EQ(FallbackId({"From: Ann", "X-Keywords: $Seen", "  folded keyword", "Subject: Hi"}), FallbackId(plain));
    EXPECT_NE(FallbackId({"From: Ann", "Subject: Hi!"}), FallbackId(plain));
    EXPECT_NE(FallbackId({"From: Ann", "Subject: Hi", " folded on"}), FallbackId(plain));
    EXPECT_NE(FallbackId({"From: Ann", "Subject: Hi", "Message-ID: "}), "Message-ID ");  // an empty one counts as none

    // A UIDL is 1 to 70 characters from '!' to '~'; every fallback id holds a blank.
    for (const std::string& id : {FallbackId(plain), FallbackId({"Message-ID: <x>"})})
        EXPECT_NE(id.find(' '), std::string::npos) << id;
}

}  // namespace
