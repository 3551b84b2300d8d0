#include "platform/Exception.h"
#include "platform/Registry.h"
#include "platform/TextFile.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::RegistryStore;
using platform::TRegistry;

class RegistryTest : public ::testing::Test {
protected:
    TempHome home;
};

TEST_F(RegistryTest, KeysAndValueNamesIgnoreLetterCaseAndKeepTheCreationCase)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("software\\quillbox\\Work", true));
    reg.WriteString("usrname", "joe");
    reg.WriteInteger("opt", 1);

    TRegistry other;
    EXPECT_TRUE(other.KeyExists("Software\\QUILLBOX\\work"));
    ASSERT_TRUE(other.OpenKey("SOFTWARE\\Quillbox\\WORK", false));
    EXPECT_EQ(other.ReadString("USRNAME"), "joe");
    EXPECT_EQ(other.ReadInteger("Opt"), 1);
    other.WriteString("UsrName", "ann");  // same value, its name keeps the first spelling

    std::string text = platform::ReadBytes(home.Registry());
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\software\\quillbox\\Work]"), std::string::npos) << text;
    EXPECT_NE(text.find("\"usrname\"=\"ann\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"opt\"=dword:00000001"), std::string::npos) << text;
}

TEST_F(RegistryTest, MissingAndMistypedValues)
{
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("software\\quillbox\\none", false));
    EXPECT_FALSE(reg.KeyExists("software\\quillbox\\none"));
    ASSERT_TRUE(reg.OpenKey("software\\quillbox\\a", true));
    EXPECT_EQ(reg.ReadString("missing"), "");
    EXPECT_THROW(reg.ReadInteger("missing"), ERegistryException);
    reg.WriteString("s", "text");
    reg.WriteInteger("n", -5);
    EXPECT_THROW(reg.ReadInteger("s"), ERegistryException);
    EXPECT_THROW(reg.ReadString("n"), ERegistryException);
    EXPECT_EQ(reg.ReadInteger("n"), -5);
    EXPECT_TRUE(reg.DeleteValue("S"));
    EXPECT_FALSE(reg.ValueExists("s"));
    EXPECT_FALSE(reg.DeleteValue("s"));
}

TEST_F(RegistryTest, DeleteKeyRemovesEverythingBelowItAndNothingBeside)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\quillbox\\delList\\from", true));
    reg.WriteInteger("total", 0);
    ASSERT_TRUE(reg.OpenKey("software\\quillbox\\delListing", true));
    reg.WriteInteger("x", 1);
    EXPECT_TRUE(reg.DeleteKey("software\\quillbox\\DELLIST"));
    EXPECT_FALSE(reg.KeyExists("Software\\quillbox\\delList\\from"));
    EXPECT_FALSE(reg.KeyExists("Software\\quillbox\\delList"));
    EXPECT_TRUE(reg.KeyExists("software\\quillbox\\delListing"));
    EXPECT_TRUE(reg.KeyExists("software\\quillbox"));
    EXPECT_FALSE(reg.DeleteKey("software\\quillbox\\delList"));
}

TEST_F(RegistryTest, StringsSurviveQuotesBackslashesAndControlCharacters)
{
    std::string awkward = "a\"b\\c\r\nd\x01\xff";
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("k", true));
        reg.WriteString("v", awkward);
        reg.WriteString("e", "");
    }
    RegistryStore fresh(home.Registry());
    TRegistry reg(fresh);
    ASSERT_TRUE(reg.OpenKey("K", false));
    EXPECT_EQ(reg.ReadString("v"), awkward);
    EXPECT_TRUE(reg.ValueExists("e"));
}

TEST_F(RegistryTest, InvalidKeyPathsAreRefused)
{
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("a\\\\b", true));
    EXPECT_FALSE(reg.OpenKey("a\nb", true));
    EXPECT_TRUE(reg.OpenKey("software\\quillbox\\", true));  // trailing separator: the key itself
    EXPECT_EQ(reg.CurrentPath(), "SOFTWARE\\QUILLBOX");
}

TEST_F(RegistryTest, FileIsPrivateToTheUser)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("k", true));
    reg.WriteString("data", "secret");
    struct stat st {};
    ASSERT_EQ(::stat(home.Registry().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RegistryTest, DamagedFileLoadsTheRestAndIsCopiedAsideBeforeTheNextWrite)
{
    std::string damaged =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\software\\quillbox\\Work]\r\n\"usrname\"=\"joe\"\r\n"
        "\"opt\"=dword:zz\r\ngarbage line\r\n[HKEY_LOCAL_MACHINE\\x]\r\n\"port\"=\"110\"\r\n";
    ::mkdir((home.Root() + "config").c_str(), 0700);
    platform::WriteBytes(home.Registry(), damaged);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("software\\quillbox\\work", false));
    EXPECT_EQ(reg.ReadString("usrname"), "joe");
    EXPECT_THROW(reg.ReadInteger("opt"), ERegistryException);
    reg.WriteInteger("opt", 0);
    EXPECT_EQ(platform::ReadBytes(home.Registry() + ".bad"), damaged);
    RegistryStore fresh(home.Registry());
    TRegistry again(fresh);
    ASSERT_TRUE(again.OpenKey("software\\quillbox\\work", false));
    EXPECT_EQ(again.ReadInteger("opt"), 0);
    EXPECT_EQ(again.ReadString("usrname"), "joe");
}

TEST_F(RegistryTest, TwoWritersInterleavingKeepBothChanges)
{
    RegistryStore first(home.Registry()), second(home.Registry());
    TRegistry a(first), b(second);
    ASSERT_TRUE(a.OpenKey("software\\quillbox\\A", true));
    ASSERT_TRUE(b.OpenKey("software\\quillbox\\B", true));  // b has not seen a's key yet
    for (int i = 0; i < 20; ++i) {
        a.WriteInteger("n" + std::to_string(i), i);
        b.WriteString("s" + std::to_string(i), std::to_string(i));
    }
    RegistryStore fresh(home.Registry());
    TRegistry r(fresh);
    ASSERT_TRUE(r.OpenKey("software\\quillbox\\a", false));
    for (int i = 0; i < 20; ++i) EXPECT_EQ(r.ReadInteger("n" + std::to_string(i)), i);
    ASSERT_TRUE(r.OpenKey("software\\quillbox\\b", false));
    for (int i = 0; i < 20; ++i) EXPECT_EQ(r.ReadString("s" + std::to_string(i)), std::to_string(i));
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kWrites = 60;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            RegistryStore store(home.Registry());
            TRegistry reg(store);
            reg.OpenKey("software\\quillbox\\P" + std::to_string(c), true);
            for (int i = 0; i < kWrites; ++i) reg.WriteInteger("v" + std::to_string(i), i);
            ::_exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegistryStore fresh(home.Registry());
    TRegistry r(fresh);
    for (int c = 0; c < 2; ++c) {
        ASSERT_TRUE(r.OpenKey("software\\quillbox\\p" + std::to_string(c), false));
        for (int i = 0; i < kWrites; ++i) EXPECT_EQ(r.ReadInteger("v" + std::to_string(i)), i);
    }
}

TEST_F(RegistryTest, KillDuringAWriteLoopLeavesAnOldOrNewFileThatParses)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("software\\quillbox\\crash", true));
        reg.WriteInteger("counter", 0);
        // Ballast so that each write takes a while.
        for (int i = 0; i < 200; ++i) reg.WriteString("pad" + std::to_string(i), std::string(200, 'x'));
    }
    for (int round = 0; round < 5; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RegistryStore store(home.Registry());
            TRegistry reg(store);
            reg.OpenKey("software\\quillbox\\crash", false);
            for (int i = 1;; ++i) reg.WriteInteger("counter", i);
        }
        ::usleep(20000 + round * 7000);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        bool damaged = true;
        platform::RegistryModel model = platform::ParseRegistryText(platform::ReadBytes(home.Registry()), damaged);
        EXPECT_FALSE(damaged);
        auto it = model.keys.find("SOFTWARE\\QUILLBOX\\CRASH");
        ASSERT_NE(it, model.keys.end());
        EXPECT_EQ(it->second.values.size(), 201u);
    }
}
