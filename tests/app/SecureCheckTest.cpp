// The whole road of a user over TLS, against a private Dovecot that requires it: a check with a
// rule deletion, a view with attachments and a delete give the same rows, bytes and server
// state over port 995 and over STLS as in plain text; and a certificate nobody vouches for is
// shown once, trusted on Yes, and asked about again when it changes.
#include "MailCheckSupport.h"
#include "ModalScript.h"

#include "RequireTool.h"
#include "SecureDovecot.h"
#include "accounts/AccountStore.h"
#include "app/msg_src.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "retrieval/VemMIME.h"

#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using platform::MsgResult;
using platform::SecurityMode;

std::string Message(int n, const std::string& subject)
{
    return "From: Sender <s@example.org>\r\nSubject: " + subject + "\r\nMessage-ID: <" + std::to_string(n) +
           "@example.org>\r\n\r\nBody " + std::to_string(n) + "\r\n..dotted\r\n";
}

std::string WithFile(const std::string& bytes)
{
    return "From: Ann <ann@example.org>\r\nSubject: File\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nSee.\r\n"
           "--b\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           EncodeBase64Text(bytes) + "\r\n--b--\r\n";
}

class SecureCheck : public ::testing::Test, public MailCheckFixture {
protected:
    void SetUp() override
    {
        REQUIRE_TOOL(Dovecot::Binary);
        REQUIRE_TOOL(TestCertificates::Binary);
    }
    void UseSecurity(const std::string& account, SecurityMode mode, int port)
    {
        TMailSettings s = Load_Mail_Settings(account);
        s.Security = mode;
        s.Port = std::to_string(port);
        Save_Mail_Settings(account, s);
    }
    StringList Subjects() const
    {
        StringList subjects;
        for (int i = 0; i < frm->MailRows->Count(); ++i) subjects.emplace_back(frm->MailRows->Row(i).Subject());
        return subjects;
    }
};

struct Outcome {
    StringList rowsAfterRules, rowsAfterDelete, lcd;
    std::string saved;
    std::vector<std::string> serverKeeps;
};

}  // namespace

TEST_F(SecureCheck, EveryCommandGivesTheSameOverTlsAndStlsAsInPlainText)
{
    const std::string bytes(3000, '\x07');
    std::vector<Outcome> outcomes;
    for (SecurityMode mode : {SecurityMode::None, SecurityMode::Tls, SecurityMode::StartTls}) {
        SCOPED_TRACE(platform::SecurityWord(mode));
        SecureDovecot dovecot;
        dovecot.server.AddUser("bob", "secret");
        const std::vector<std::string> messages = {Message(1, "Hello"), Message(2, "Win the lottery"), WithFile(bytes),
                                                   Message(4, "Lottery again"), Message(5, "Minutes")};
        for (const auto& m : messages) dovecot.server.Deliver("bob", m);
        dovecot.Start();
        AddAccount("Work", "bob", "secret", 0);
        UseSecurity("Work", mode, mode == SecurityMode::Tls ? dovecot.server.TlsPort() : dovecot.server.Port());
        if (outcomes.empty()) AddSubjectRule("lottery");
        Open();
        Outcome o;
        boxes.Answer(MsgResult::Yes);  // the rules' question
        Check("Work");
        o.rowsAfterRules = Subjects();
        o.lcd = {lcdTexts.begin(), lcdTexts.end()};

        ModalScript dialogs;
        const std::string out = home.Root() + "out" + platform::SecurityWord(mode);
        platform::ForceDirectories(out);
        Select({1});  // the message with the file, after the rules took two
        dialogs.Then([&](QDialog&) -> int {
            dialogs.ChooseFolder(out);
            frm->Windows().Frm_srcvu->SpeedButton2->click();
            return QDialog::Accepted;
        });
        frm->cmd_vumsgClick();
        o.saved = platform::ReadBytes(out + "/data.bin");

        Select({0});
        boxes.Answer(MsgResult::Yes);
        frm->cmd_del->trigger();
        o.rowsAfterDelete = Subjects();
        o.serverKeeps = dovecot.server.Messages("bob");
        EXPECT_EQ(boxes.Shown().size(), 2u);  // the two questions, nothing else
        outcomes.push_back(o);
        frm.reset();
        boxes.Clear();
        lcdTexts.clear();
    }
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].rowsAfterRules, (StringList{" Hello", " File", " Minutes"}));
    EXPECT_EQ(outcomes[0].saved, bytes);
    EXPECT_EQ(outcomes[0].rowsAfterDelete, (StringList{" File", " Minutes"}));
    EXPECT_EQ(outcomes[0].serverKeeps.size(), 2u);
    for (int i : {1, 2}) {
        EXPECT_EQ(outcomes[i].rowsAfterRules, outcomes[0].rowsAfterRules);
        EXPECT_EQ(outcomes[i].saved, outcomes[0].saved);
        EXPECT_EQ(outcomes[i].rowsAfterDelete, outcomes[0].rowsAfterDelete);
        EXPECT_EQ(outcomes[i].serverKeeps, outcomes[0].serverKeeps);
        // The display tells the connection is secure; all else it says is the same.
        ASSERT_EQ(outcomes[i].lcd.size(), outcomes[0].lcd.size());
        for (size_t k = 0; k < outcomes[0].lcd.size(); ++k) {
            if (outcomes[0].lcd[k] == "Connected") EXPECT_EQ(outcomes[i].lcd[k].rfind("Connected (TLS 1.", 0), 0u);
            else EXPECT_EQ(outcomes[i].lcd[k], outcomes[0].lcd[k]);
        }
    }
}

TEST_F(SecureCheck, AnUntrustedCertificateIsAskedAboutOnceTrustedOnYesAndAgainWhenItChanges)
{
    TestCertificates certificates;
    TrustedAuthorityScope trust(certificates.AuthorityFile());
    Dovecot server;
    server.AddUser("bob", "secret");
    server.Deliver("bob", Message(1, "Hello"));
    server.EnableTls(certificates.SelfSigned().certificate, certificates.SelfSigned().key);
    server.Start();
    AddAccount("Home", "bob", "secret", 0);
    UseSecurity("Home", SecurityMode::Tls, server.TlsPort());
    Open();

    // No: one box, the question, and nothing else; nothing is stored.
    boxes.Answer(MsgResult::No);
    Check("Home");
    ASSERT_EQ(boxes.Shown().size(), 1u);
    const platform::MessageBoxRequest& question = boxes.Shown()[0];
    EXPECT_EQ(question.caption, "Untrusted certificate");
    EXPECT_EQ(question.buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(question.defaultButton, MsgResult::No);
    EXPECT_NE(question.text.find("is not trusted: "), std::string::npos);
    EXPECT_NE(question.text.find(certificates.Fingerprint(certificates.SelfSigned())), std::string::npos);
    EXPECT_NE(question.text.find("\"Home\""), std::string::npos);
    EXPECT_EQ(frm->MailRows->Count(), 0);
    EXPECT_EQ(Load_Mail_Settings("Home").CertSha256, "");
    EXPECT_TRUE(Idle());

    // Yes: stored, and the check goes on at once.
    boxes.Clear();
    boxes.Answer(MsgResult::Yes);
    Check("Home");
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(frm->MailRows->Count(), 1);
    EXPECT_EQ(Load_Mail_Settings("Home").CertSha256, certificates.Fingerprint(certificates.SelfSigned()));
    boxes.Clear();
    Check("Home");
    EXPECT_TRUE(boxes.Shown().empty());  // trusted from now on
    EXPECT_EQ(frm->MailRows->Count(), 1);

    // Another certificate on the same server: asked again.
    server.Stop();
    server.EnableTls(certificates.UnknownIssuer().certificate, certificates.UnknownIssuer().key);
    server.Start();
    boxes.Answer(MsgResult::No);
    Check("Home");
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_NE(boxes.Shown()[0].text.find(certificates.Fingerprint(certificates.UnknownIssuer())), std::string::npos);
    EXPECT_EQ(frm->MailRows->Count(), 0);
}
