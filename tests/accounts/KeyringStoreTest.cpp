// The account store with a real desktop keyring: gnome-keyring-daemon on a private bus.
#include "accounts/AccountForm.h"
#include "accounts/AccountStore.h"
#include "accounts/PasswordScramble.h"
#include "keyring/SecretServiceStore.h"
#include "platform/MessagePump.h"
#include "platform/Registry.h"
#include "PrivateKeyring.h"
#include "RequireTool.h"
#include "TempHome.h"

#include <gtest/gtest.h>

namespace {
class KeyringStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_TOOL(TPrivateKeyring::kBusDaemon);
        REQUIRE_TOOL(TPrivateKeyring::kKeyringDaemon);
        keyring_ = &TPrivateKeyring::Shared(true);
        ASSERT_EQ(keyring_->Problem(), "");
        platform::InstallSecretStore(std::make_unique<keyring::SecretServiceStore>());
    }
    void TearDown() override
    {
        if (keyring_) {
            keyring_->Resume();
            for (const char* name : {"Demo", "Other"}) Delete_Mail_Settings(name);
        }
        platform::InstallSecretStore(nullptr);
        platform::SetMessagePump(nullptr);
    }

    static bool HasScrambledValue(const std::string& account)
    {
        platform::TRegistry reg;
        return reg.OpenKey(AccountKeyPath(account), false) && reg.ValueExists("data");
    }
    static TMailSettings Remembered(std::string user, std::string password)
    {
        TMailSettings s;
        s.User = std::move(user);
        s.Password = std::move(password);
        s.Server = "127.0.0.1";
        s.Port = "995";
        s.Remember = true;
        return s;
    }

    TempHome home_;
    TPrivateKeyring* keyring_ = nullptr;
};

TEST_F(KeyringStore, StoresReadsChangesRenamesAndRemovesOneItemPerAccount)
{
    Save_Mail_Settings("Demo", Remembered("demo", "s\xE9same"));
    EXPECT_FALSE(HasScrambledValue("Demo"));
    auto items = keyring_->Items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].Label, "Quillbox: Demo (demo@127.0.0.1)");
    EXPECT_EQ(items[0].Secret, "s\xE9same");  // 8-bit bytes as they are
    const std::map<std::string, std::string> named{{"program", "quillbox"}, {"account", "Demo"}, {"user", "demo"},
                                                   {"server", "127.0.0.1"}};
    for (const auto& [name, value] : named) EXPECT_EQ(items[0].Attributes[name], value) << name;
    TMailSettings read = Load_Mail_Settings("Demo");
    EXPECT_TRUE(read.Remember);
    EXPECT_EQ(read.Password, "s\xE9same");

    // A new user and password replace the item instead of adding one.
    Save_Mail_Settings("Demo", Remembered("someone", "changed"));
    items = keyring_->Items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].Secret, "changed");
    EXPECT_EQ(items[0].Label, "Quillbox: Demo (someone@127.0.0.1)");

    // Renaming, as the accounts window does it: stored under the new name, the old one deleted.
    Save_Mail_Settings("Other", Load_Mail_Settings("Demo"));
    Delete_Mail_Settings("Demo");
    items = keyring_->Items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].Attributes["account"], "Other");
    EXPECT_EQ(Load_Mail_Settings("Other").Password, "changed");

    // Not remembered any more, then removed: nothing is left anywhere.
    TMailSettings forget = Remembered("someone", "");
    forget.Remember = false;
    Save_Mail_Settings("Other", forget);
    EXPECT_TRUE(keyring_->Items().empty());
    EXPECT_FALSE(HasScrambledValue("Other"));
    Save_Mail_Settings("Other", Remembered("someone", "again"));
    EXPECT_TRUE(Delete_Mail_Settings("Other"));
    EXPECT_TRUE(keyring_->Items().empty());
}

TEST_F(KeyringStore, AScrambledPasswordMovesIntoTheKeyringWhenFirstRead)
{
    auto keyring = platform::InstallSecretStore(nullptr);  // as an earlier version stored it
    Save_Mail_Settings("Demo", Remembered("demo", "old secret"));
    platform::InstallSecretStore(std::move(keyring));
    ASSERT_TRUE(HasScrambledValue("Demo"));

    // Neither the schedule's look nor a timed check moves it: that may need an unlock prompt.
    EXPECT_EQ(Load_Mail_Settings("Demo", TPasswordRead::Quiet).Password, "old secret");
    EXPECT_TRUE(HasScrambledValue("Demo"));

    EXPECT_EQ(Load_Mail_Settings("Demo").Password, "old secret");
    EXPECT_FALSE(HasScrambledValue("Demo"));
    auto items = keyring_->Items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].Secret, "old secret");
    EXPECT_EQ(Load_Mail_Settings("Demo").Password, "old secret");
}

TEST_F(KeyringStore, StopEndsAWaitForAKeyringThatDoesNotAnswer)
{
    Save_Mail_Settings("Demo", Remembered("demo", "secret"));
    keyring_->Pause();
    int pumps = 0;
    platform::SetMessagePump([&] {
        if (++pumps == 20) platform::StopSecretWait();
    });
    TMailSettings read = Load_Mail_Settings("Demo");
    EXPECT_EQ(pumps, 20);  // ended by Stop, not by a time-out
    EXPECT_FALSE(read.Remember);
    EXPECT_TRUE(read.Unread);
    keyring_->Resume();
    platform::SetMessagePump(nullptr);
    EXPECT_EQ(Load_Mail_Settings("Demo").Password, "secret");
}

// Last: the keyring stays locked for the rest of the program.
TEST_F(KeyringStore, ALockedKeyringWhoseUnlockIsRefusedAsksAndLosesNothing)
{
    Save_Mail_Settings("Demo", Remembered("demo", "secret"));
    keyring_->Lock();
    TMailSettings read = Load_Mail_Settings("Demo");
    EXPECT_FALSE(read.Remember);  // so the check asks for the password
    EXPECT_EQ(read.Password, "");
    EXPECT_TRUE(read.Unread);

    // OK in the account dialog with the box still ticked and no password typed keeps the item.
    TAccountForm form{"Demo", "demo", "", "127.0.0.1", "995", true, platform::SecurityMode::Tls, 0};
    Save_Mail_Settings("Demo", SettingsToStore(form, read));
    EXPECT_FALSE(HasScrambledValue("Demo"));
    // A password typed meanwhile that the locked keyring cannot take goes to the settings file.
    form.Password = "typed";
    Save_Mail_Settings("Demo", SettingsToStore(form, read));
    ASSERT_TRUE(HasScrambledValue("Demo"));
    TMailSettings fallback = Load_Mail_Settings("Demo");
    EXPECT_TRUE(fallback.Remember);
    EXPECT_EQ(fallback.Password, "typed");
}
}  // namespace
