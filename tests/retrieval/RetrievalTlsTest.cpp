// The retrieval client over TLS: the same message and the same deletions as in plain text,
// STLS refused without another word, and untrusted certificates until the user pins one.
#include "RetrievalFixture.h"
#include "RequireTool.h"
#include "ScriptedPop3Server.h"
#include "SecureDovecot.h"
#include "TlsTestPeer.h"
#include "platform/TextFile.h"

#include <gtest/gtest.h>

namespace {

using platform::SecurityMode;

class RetrievalTls : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_TOOL(Dovecot::Binary);
        REQUIRE_TOOL(TestCertificates::Binary);
    }
};

}  // namespace

TEST_F(RetrievalTls, MessagesAndDeletionsAreTheSameOverTlsAndStls)
{
    SecureDovecot dovecot;
    dovecot.server.AddUser("bob", "secret");
    const std::string message = "From: a@example.org\r\nSubject: Report\r\n\r\n..dotted\r\n" + std::string(5000, 'x') + "\r\n";
    for (int i = 0; i < 3; ++i) dovecot.server.Deliver("bob", message);
    dovecot.Start();

    struct Way {
        SecurityMode mode;
        int port;
    };
    const Way ways[] = {{SecurityMode::None, dovecot.server.Port()},
                        {SecurityMode::Tls, dovecot.server.TlsPort()},
                        {SecurityMode::StartTls, dovecot.server.Port()}};
    int left = 3;
    for (const Way& way : ways) {
        Retriever r(way.port);
        r.pop.Security = way.mode;
        r.ConnectAndLogin();
        ASSERT_TRUE(r.pop.Connected()) << platform::SecurityWord(way.mode) << "\n" << dovecot.server.Log();
        EXPECT_EQ(r.pop.SecurityDescription().empty(), way.mode == SecurityMode::None);
        r.pop.GetStatus();
        EXPECT_EQ(r.pop.MessageCount(), left);
        TVemMsg msg;
        msg.ClearRawMailAfterParse = false;
        ASSERT_TRUE(r.pop.RetrieveMessage(1, msg));
        EXPECT_EQ(msg.RawMail, platform::SplitLines(message));
        r.pop.DeleteMessage(1);
        EXPECT_TRUE(r.pop.Disconnect());
        EXPECT_EQ(dovecot.server.CountMessages("bob"), --left);
        EXPECT_TRUE(r.errorCodes.empty());
    }
}

TEST_F(RetrievalTls, StlsRefusedAndUntrustedCertificatesStopBeforeTheLogin)
{
    ScriptedPop3Server refusing;
    refusing.Greeting().Exchange("STLS", "-ERR not here\r\n").IgnoreUntilClosed();
    refusing.Start();
    Retriever a(refusing.Port());
    a.pop.Security = SecurityMode::StartTls;
    a.pop.Connect();
    EXPECT_TRUE(a.pop.LastCmdFailed());
    EXPECT_TRUE(a.pop.SecureConnectionRefused());
    EXPECT_FALSE(a.pop.Connected());
    EXPECT_TRUE(a.errorCodes.empty());
    EXPECT_EQ(refusing.Finish(), "STLS\r\n");

    TestCertificates certificates;
    TrustedAuthorityScope trust(certificates.AuthorityFile());
    TlsTestPeer other({TlsTestPeer::Act::Serve, certificates.OtherName().certificate, certificates.OtherName().key});
    Retriever b(other.Port());
    b.pop.Security = SecurityMode::Tls;
    b.pop.Connect();
    EXPECT_TRUE(b.pop.LastCmdFailed());
    ASSERT_TRUE(b.pop.RefusedCertificate());
    EXPECT_EQ(b.pop.RefusedCertificate()->reason, tls::CertificateReason::NameMismatch);
    EXPECT_EQ(b.events, (std::vector<std::string>{"lookup", "connecting", "disconnect"}));
    EXPECT_TRUE(other.Finish().received.empty());

    TlsTestPeer pinned({TlsTestPeer::Act::Serve, certificates.OtherName().certificate, certificates.OtherName().key});
    Retriever c(pinned.Port(), 300);
    c.pop.Security = SecurityMode::Tls;
    c.pop.CertificatePin = certificates.Fingerprint(certificates.OtherName());
    c.pop.Connect();
    EXPECT_TRUE(c.pop.Connected());
    EXPECT_FALSE(c.pop.RefusedCertificate());
    c.pop.Abort();
    pinned.Finish();
}
