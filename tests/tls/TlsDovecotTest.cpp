// A whole POP3 session over TLS with a real server (a private Dovecot on loopback): implicit
// TLS on its POP3S port, and STLS on its plain port.
#include "Dovecot.h"
#include "TlsTestDriver.h"

namespace {

class TlsDovecot : public TlsClientTest {
protected:
    static void SetUpTestSuite()
    {
        TlsClientTest::SetUpTestSuite();
        if (::access(Dovecot::Binary, X_OK) != 0 || ::access(TestCertificates::Binary, X_OK) != 0) return;
        try {
            server_ = std::make_unique<Dovecot>();
            server_->EnableTls(Certificates().Server().certificate, Certificates().Server().key);
            server_->AddUser("alice", "wonderland");
            server_->Deliver("alice", "From: a@example.com\r\nSubject: One\r\n\r\nfirst\r\n");
            server_->Deliver("alice", "From: b@example.com\r\nSubject: Two\r\n\r\nsecond\r\n");
            server_->Start();
        } catch (const std::exception& e) {
            startFailure_ = e.what();
        }
    }
    static void TearDownTestSuite()
    {
        server_.reset();
        TlsClientTest::TearDownTestSuite();
    }
    void SetUp() override
    {
        REQUIRE_TOOL(Dovecot::Binary);
        TlsClientTest::SetUp();
        ASSERT_TRUE(server_ && server_->Running()) << startFailure_;
    }

    // Greeting already read: logs in, counts, quits.
    static void LogInCountAndQuit(LineReader& reader)
    {
        EXPECT_EQ(reader.Command("USER alice").rfind("+OK", 0), 0u);
        EXPECT_EQ(reader.Command("PASS wonderland").rfind("+OK", 0), 0u);
        EXPECT_EQ(reader.Command("STAT").rfind("+OK 2 ", 0), 0u);
        EXPECT_EQ(reader.Command("QUIT").rfind("+OK", 0), 0u);
    }

    static std::unique_ptr<Dovecot> server_;
    static std::string startFailure_;
};

std::unique_ptr<Dovecot> TlsDovecot::server_;
std::string TlsDovecot::startFailure_;

}  // namespace

TEST_F(TlsDovecot, ImplicitTlsCarriesAWholeSession)
{
    LoopbackConnection connection(server_->TlsPort());
    tls::TlsTransport tls(connection.Fd(), {"127.0.0.1", ""});
    const IoResult opened = PumpHandshake(tls);
    ASSERT_EQ(opened.status, IoStatus::Done) << opened.message << "\n" << server_->Log();
    EXPECT_EQ(tls.Description().rfind("TLS 1.", 0), 0u) << tls.Description();
    LineReader reader(tls);
    EXPECT_EQ(reader.ReadLine().rfind("+OK", 0), 0u);
    LogInCountAndQuit(reader);
    // Dovecot ends a session it closes with close_notify.
    IoResult end;
    EXPECT_EQ(reader.ReadLine(&end), "");
    EXPECT_EQ(end.status, IoStatus::Closed) << end.message;
    tls.Shutdown();
}

TEST_F(TlsDovecot, StlsTurnsThePlainConnectionSecure)
{
    LoopbackConnection connection(server_->Port());
    platform::PlainTransport plain(connection.Fd());
    LineReader plainReader(plain);
    EXPECT_EQ(plainReader.ReadLine().rfind("+OK", 0), 0u);
    EXPECT_EQ(plainReader.Command("STLS").rfind("+OK", 0), 0u);

    tls::TlsTransport tls(connection.Fd(), {"localhost", ""});
    const IoResult opened = PumpHandshake(tls);
    ASSERT_EQ(opened.status, IoStatus::Done) << opened.message << "\n" << server_->Log();
    LineReader reader(tls);
    LogInCountAndQuit(reader);
}
