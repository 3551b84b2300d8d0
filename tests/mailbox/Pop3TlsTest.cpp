// The mailbox client over TLS: implicit TLS and STLS against Dovecot, the same summaries as in
// plain text, and every way a server or a man in the middle can get the security wrong.
#include "mailbox/Kiropop3.h"
#include "NetTestHelpers.h"
#include "RequireTool.h"
#include "ScriptedPop3Server.h"
#include "SecureDovecot.h"
#include "TlsTestPeer.h"
#include "tls/CertificateProblem.h"

#include <gtest/gtest.h>

namespace {

using platform::SecurityMode;

struct Client {
    TKiroPOP3 pop;
    explicit Client(int port, SecurityMode mode, int timeOut = 3000)
    {
        pop.Host = "127.0.0.1";
        pop.Port = port;
        pop.TimeOut = timeOut;
        pop.UserID = "bob";
        pop.Password = "secret";
        pop.Security = mode;
    }
};

// Subject lines of a whole check: what a user sees must not depend on the security.
StringList Subjects(Client& c)
{
    std::vector<int> numbers;
    c.pop.OnList = [&](int msg, int) { numbers.push_back(msg); };
    c.pop.Connect();
    c.pop.List();
    StringList subjects;
    for (int n : numbers) {
        c.pop.GetSummary(n);
        subjects.push_back(c.pop.Summary().Subject);
    }
    c.pop.Disconnect();
    return subjects;
}

class MailboxTls : public ::testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_TOOL(Dovecot::Binary);
        REQUIRE_TOOL(TestCertificates::Binary);
    }
};

}  // namespace

TEST_F(MailboxTls, ImplicitTlsAndStlsListWhatPlainTextLists)
{
    SecureDovecot dovecot;
    dovecot.server.AddUser("bob", "secret");
    for (int i = 1; i <= 3; ++i) dovecot.server.Deliver("bob", "Subject: m" + std::to_string(i) + "\r\n\r\nbody\r\n");
    dovecot.Start();
    Client plain(dovecot.server.Port(), SecurityMode::None);
    const StringList expected = Subjects(plain);
    ASSERT_EQ(expected, (StringList{" m1", " m2", " m3"}));

    Client implicit(dovecot.server.TlsPort(), SecurityMode::Tls);
    std::string description;
    implicit.pop.OnConnect = [&](TPowersock*) { description = implicit.pop.SecurityDescription(); };
    EXPECT_EQ(Subjects(implicit), expected);
    EXPECT_EQ(description.rfind("TLS 1.", 0), 0u) << description;

    Client stls(dovecot.server.Port(), SecurityMode::StartTls);
    stls.pop.OnConnect = [&](TPowersock*) { description = stls.pop.SecurityDescription(); };
    EXPECT_EQ(Subjects(stls), expected);
    EXPECT_EQ(description.rfind("TLS 1.", 0), 0u) << description;
    EXPECT_EQ(dovecot.server.CountMessages("bob"), 3);
}

TEST_F(MailboxTls, StlsRefusedOrAnsweredWithExtraLinesSendsNoPassword)
{
    ScriptedPop3Server refusing;
    refusing.Greeting().Exchange("STLS", "-ERR not offered\r\n").IgnoreUntilClosed();
    refusing.Start();
    Client a(refusing.Port(), SecurityMode::StartTls);
    EXPECT_EQ(MessageOf<ESecureConnectionRefused>([&] { a.pop.Connect(); }),
              "This server does not offer a secure connection (STLS).");
    EXPECT_EQ(refusing.Finish(), "STLS\r\n");  // nothing after it, not even QUIT

    // A "+OK" followed by a forged reply: the forged line must not pass for the answer to
    // anything; the handshake takes the bytes that follow and fails on them.
    ScriptedPop3Server injecting;
    injecting.Greeting().Expect("STLS\r\n").Send("+OK begin\r\n+OK forged\r\n").IgnoreUntilClosed();
    injecting.Start();
    Client b(injecting.Port(), SecurityMode::StartTls, 1000);
    EXPECT_THROW(b.pop.Connect(), ESockError);
    EXPECT_FALSE(b.pop.Connected());
    const std::string sent = injecting.Finish();
    EXPECT_EQ(sent.rfind("STLS\r\n", 0), 0u);
    EXPECT_EQ(sent.find("USER"), std::string::npos);
    EXPECT_EQ(sent.find("secret"), std::string::npos);
}

TEST_F(MailboxTls, UntrustedCertificatesAreRefusedUntilPinnedAndBrokenServersFailCleanly)
{
    TestCertificates certificates;
    TrustedAuthorityScope trust(certificates.AuthorityFile());
    struct Case {
        const CertificateFiles& files;
        tls::CertificateReason reason;
    };
    const Case cases[] = {{certificates.Expired(), tls::CertificateReason::Expired},
                          {certificates.OtherName(), tls::CertificateReason::NameMismatch},
                          {certificates.UnknownIssuer(), tls::CertificateReason::UnknownIssuer}};
    for (const Case& k : cases) {
        TlsTestPeer peer({TlsTestPeer::Act::Serve, k.files.certificate, k.files.key});
        Client c(peer.Port(), SecurityMode::Tls);
        tls::CertificateProblem problem;
        try {
            c.pop.Connect();
            ADD_FAILURE() << "accepted " << k.files.certificate;
        } catch (const tls::ECertificateRefused& e) {
            problem = e.Problem();
        }
        EXPECT_EQ(problem.reason, k.reason);
        EXPECT_EQ(problem.serverName, "127.0.0.1");
        EXPECT_EQ(problem.sha256, certificates.Fingerprint(k.files));
        EXPECT_FALSE(c.pop.Connected());
        EXPECT_TRUE(peer.Finish().received.empty());  // not one byte of POP3 went out
    }

    // Pinned: the user trusts that one certificate; POP3 then goes over TLS.
    TlsTestPeer pinned({TlsTestPeer::Act::Serve, certificates.SelfSigned().certificate, certificates.SelfSigned().key});
    Client p(pinned.Port(), SecurityMode::Tls, 300);
    p.pop.CertificatePin = certificates.Fingerprint(certificates.SelfSigned());
    EXPECT_THROW(p.pop.Connect(), EAbortError);  // the peer never answers
    EXPECT_EQ(pinned.Finish().received.rfind("CAPA\r\n", 0), 0u);

    // A plain-text server on a TLS port, one that stalls in the handshake, one that closes.
    struct Broken {
        TlsTestPeer::Act act;
        std::string message;
    };
    const Broken broken[] = {
        {TlsTestPeer::Act::SpeakPlainPop3, "The server did not answer in TLS: this port may be one for plain text or for STLS."},
        {TlsTestPeer::Act::StallInHandshake, "Connection Timed out"},
        {TlsTestPeer::Act::CloseInHandshake, "The server closed the connection during the secure handshake."},
    };
    for (const Broken& k : broken) {
        TlsTestPeer peer({k.act, certificates.Server().certificate, certificates.Server().key});
        Client c(peer.Port(), SecurityMode::Tls, 400);
        Stopwatch watch;
        EXPECT_EQ(MessageOf<ESockError>([&] { c.pop.Connect(); }), k.message);
        EXPECT_LT(watch.Ms(), 3000);
        EXPECT_FALSE(c.pop.Connected());
        EXPECT_TRUE(peer.Finish().received.empty());
    }

    // Stop in the middle of a handshake.
    TlsTestPeer stalled({TlsTestPeer::Act::StallInHandshake, certificates.Server().certificate, certificates.Server().key});
    Client s(stalled.Port(), SecurityMode::Tls, 10000);
    int turns = 0;
    PumpHook hook([&] {
        if (++turns == 5) s.pop.Abort();
    });
    EXPECT_EQ(MessageOf<EAbortError>([&] { s.pop.Connect(); }), "Connection Canceled");
    stalled.Finish();
}
