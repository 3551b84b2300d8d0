// The check through the window with the password in a real desktop keyring (gnome-keyring on a
// private bus), against a private Dovecot.
#include "MailCheckSupport.h"
#include "ModalScript.h"

#include "Dovecot.h"
#include "PrivateKeyring.h"
#include "RequireTool.h"
#include "accounts/AccountStore.h"
#include "keyring/SecretServiceStore.h"
#include "platform/Registry.h"
#include "platform/SecretStore.h"

#include <QAction>
#include <gtest/gtest.h>

namespace {
class KeyringCheck : public ::testing::Test, public MailCheckFixture {
protected:
    void SetUp() override
    {
        REQUIRE_TOOL(Dovecot::Binary);
        REQUIRE_TOOL(TPrivateKeyring::kBusDaemon);
        REQUIRE_TOOL(TPrivateKeyring::kKeyringDaemon);
        keyring = &TPrivateKeyring::Shared(true);
        ASSERT_EQ(keyring->Problem(), "");
        platform::InstallSecretStore(std::make_unique<keyring::SecretServiceStore>());
        server.AddUser("bob", "secret");
        server.Deliver("bob", "From: Ann <ann@example.org>\r\nSubject: Hello\r\n\r\nbody\r\n");
        server.Start();
        AddAccount("Work", "bob", "secret", server.Port());
    }
    void TearDown() override
    {
        if (keyring) keyring->Resume();
        Delete_Mail_Settings("Work");
        platform::InstallSecretStore(nullptr);
    }
    TPrivateKeyring* keyring = nullptr;
    Dovecot server;
};
}  // namespace

TEST_F(KeyringCheck, TheCheckAndATimedCheckLogInWithThePasswordFromTheKeyring)
{
    platform::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(AccountKeyPath("Work"), false));
    EXPECT_FALSE(reg.ValueExists("data"));  // only the keyring has it
    ASSERT_EQ(keyring->Items().size(), 1u);
    TMailSettings s = Load_Mail_Settings("Work");
    s.Interval = 1;
    Save_Mail_Settings("Work", s);

    int64_t now = 1'000'000;
    Open();
    frm->UseScheduleClock([&] { return now; });
    ModalScript dialogs;  // a password prompt fails the test
    Check("Work");
    ASSERT_EQ(frm->MailRows->Count(), 1);
    frm->MailRows->Clear();
    now += 60'000;
    frm->CheckTick();
    EXPECT_EQ(frm->MailRows->Count(), 1);
    EXPECT_EQ(Lcd(), "No new messages in Work");
}

TEST_F(KeyringCheck, StopEndsTheWaitForAKeyringThatDoesNotAnswerWithoutAskingForThePassword)
{
    Open();
    ModalScript dialogs;  // neither a password prompt nor any other window
    keyring->Pause();
    int pumps = 0;
    onPump = [&] {
        if (++pumps == 5) frm->cmdStop->trigger();
    };
    Check("Work");
    EXPECT_GE(pumps, 5);
    EXPECT_TRUE(SawLcd("Operation cancelled by user"));
    EXPECT_EQ(frm->MailRows->Count(), 0);
    EXPECT_TRUE(Idle());
}
