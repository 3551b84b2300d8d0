// How the secure stream behaves at its edges: servers that break off or are not TLS at all,
// the two ways a stream ends, records read in pieces, and sends that must wait.
#include "TlsTestDriver.h"

#include <cerrno>
#include <cstring>
#include <openssl/ssl.h>
#include <thread>

namespace {

using Act = TlsTestPeer::Act;

class SecureStream : public TlsClientTest {};

TlsTestPeer::Options Raw(Act act, std::string bytes = {})
{
    TlsTestPeer::Options options;
    options.act = act;
    options.greeting = std::move(bytes);
    return options;
}

}  // namespace

TEST_F(SecureStream, AServerThatBreaksTheHandshakeEndsItWithAClearFailure)
{
    std::string noise;
    for (int i = 0; i < 3000; ++i) noise += static_cast<char>((i * 7919) % 251);
    TlsTestPeer::Options outdated = Serving(Certificates().Server());
    outdated.maxVersion = TLS1_1_VERSION;
    struct Case {
        const char* what;
        TlsTestPeer::Options peer;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"garbage", Raw(Act::SendRaw, noise), "The server did not answer in TLS"},
        {"plain POP3 on a TLS port", Raw(Act::SpeakPlainPop3, "+OK POP3 ready\r\n"), "The server did not answer in TLS"},
        // A record header that promises a handshake, then nonsense.
        {"garbage in a TLS record", Raw(Act::SendRaw, std::string("\x16\x03\x03\x00\x08", 5) + "nonsense"),
         "The secure connection failed"},
        {"a close mid-handshake", Raw(Act::CloseInHandshake), "The server closed the connection during the secure handshake."},
        {"TLS 1.1 at most", outdated, "older than 1.2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const IoResult result = Open(c.peer, {"127.0.0.1", ""});
        EXPECT_EQ(result.status, IoStatus::Failed);
        EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
        EXPECT_FALSE(tls_->RefusedCertificate());
        char byte;
        EXPECT_EQ(tls_->Receive(&byte, 1).status, IoStatus::Failed);
        tls_->Shutdown();
    }
}

TEST_F(SecureStream, AStalledHandshakeKeepsAskingToWaitUntilTheCallerGivesUp)
{
    int calls = 0;
    peer_.emplace(Raw(Act::StallInHandshake));
    connection_.emplace(peer_->Port());
    tls_.emplace(connection_->Fd(), tls::TlsSettings{"127.0.0.1", ""});
    const IoResult result = Pump(*tls_, [&] {
        ++calls;
        return tls_->Handshake();
    }, Millis(300));
    EXPECT_EQ(result.status, IoStatus::WantRead);
    EXPECT_GT(calls, 1);  // returned each time, and was called again
    EXPECT_EQ(tls_->Description(), "");
    char byte;
    EXPECT_EQ(tls_->Receive(&byte, 1).message, "The secure connection is not open yet.");
    tls_->Shutdown();  // nothing to end politely yet; must not disturb anything
    tls_.reset();      // given up mid-handshake
    connection_.reset();
    EXPECT_EQ(peer_->Finish().error, "");
}

TEST_F(SecureStream, CloseNotifyEndsTheStreamAndACutFails)
{
    ASSERT_EQ(Open(Serving(Certificates().Server(), Act::ServeThenCloseNotify), {"127.0.0.1", ""}).status, IoStatus::Done);
    LineReader proper(*tls_);
    EXPECT_EQ(proper.ReadLine(), "+OK TLS test peer ready\r\n");
    IoResult end;
    EXPECT_EQ(proper.ReadLine(&end), "");
    EXPECT_EQ(end.status, IoStatus::Closed);
    EXPECT_EQ(end.message, "");
    char byte;
    EXPECT_EQ(tls_->Receive(&byte, 1).status, IoStatus::Closed);  // and stays so
    tls_->Shutdown();

    ASSERT_EQ(Open(Serving(Certificates().Server(), Act::ServeThenCut), {"127.0.0.1", ""}).status, IoStatus::Done);
    LineReader cut(*tls_);
    EXPECT_EQ(cut.ReadLine(), "+OK TLS test peer ready\r\n");
    EXPECT_EQ(cut.ReadLine(&end), "");
    EXPECT_EQ(end.status, IoStatus::Failed);
    EXPECT_EQ(end.message, "The server closed the secure connection unexpectedly.");
    EXPECT_EQ(end.error, 0);
    tls_->Shutdown();  // after a failure: must not touch the broken connection
}

TEST_F(SecureStream, WritingToAServerThatIsGoneFailsWithoutKillingTheProgram)
{
    // Without MSG_NOSIGNAL the second send would raise SIGPIPE and end this test program.
    ASSERT_EQ(Open(Serving(Certificates().Server(), Act::ServeThenCut), {"127.0.0.1", ""}).status, IoStatus::Done);
    peer_->Finish();
    IoResult result;
    for (int i = 0; i < 100 && result.status == IoStatus::Done; ++i) {
        result = tls_->Send("NOOP\r\n", 6);
        std::this_thread::sleep_for(Millis(5));
    }
    ASSERT_EQ(result.status, IoStatus::Failed);
    EXPECT_TRUE(result.error == EPIPE || result.error == ECONNRESET) << result.error;
    EXPECT_EQ(result.message, std::strerror(result.error));
}

TEST_F(SecureStream, ARecordIsHandedOutInPiecesWithoutWaitingOnTheSocket)
{
    TlsTestPeer::Options peer = Serving(Certificates().Server());
    peer.greeting = "+OK one\r\n+OK two\r\n";  // one record
    ASSERT_EQ(Open(peer, {"localhost", ""}).status, IoStatus::Done);
    char piece[4];
    IoResult first = Pump(*tls_, [&] { return tls_->Receive(piece, sizeof piece); });
    ASSERT_EQ(first.status, IoStatus::Done);
    std::string got(piece, first.bytes);
    EXPECT_EQ(tls_->Buffered(), peer.greeting.size() - got.size());
    while (tls_->Buffered() > 0) {
        const IoResult next = tls_->Receive(piece, sizeof piece);
        ASSERT_EQ(next.status, IoStatus::Done);
        got.append(piece, next.bytes);
    }
    EXPECT_EQ(got, peer.greeting);
    EXPECT_EQ(tls_->Receive(piece, 0).status, IoStatus::Done);
    EXPECT_EQ(tls_->Receive(piece, sizeof piece).status, IoStatus::WantRead);
}

TEST_F(SecureStream, ASendLargerThanTheSocketTakesWaitsAndArrivesWhole)
{
    TlsTestPeer::Options peer = Serving(Certificates().Server());
    peer.receiveBuffer = 16 * 1024;
    peer.readDelay = Millis(200);
    peer_.emplace(peer);
    connection_.emplace(peer_->Port(), 16 * 1024);
    tls_.emplace(connection_->Fd(), tls::TlsSettings{"127.0.0.1", ""});
    ASSERT_EQ(PumpHandshake(*tls_).status, IoStatus::Done);

    std::string data;
    for (int i = 0; data.size() < 1024 * 1024; ++i) data += "line " + std::to_string(i) + "\r\n";
    int writeWaits = 0;
    const IoResult sent = SendAll(*tls_, data, &writeWaits);
    ASSERT_EQ(sent.status, IoStatus::Done) << sent.message;
    EXPECT_GT(writeWaits, 0);
    EXPECT_EQ(tls_->Send(data.data(), 0).status, IoStatus::Done);
    tls_->Shutdown();
    connection_->EndSending();
    const TlsTestPeer::Outcome outcome = peer_->Finish();
    EXPECT_EQ(outcome.received.size(), data.size()) << outcome.error;
    EXPECT_TRUE(outcome.received == data);
}
