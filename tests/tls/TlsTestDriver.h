#pragma once
// Drives a transport over a real loopback socket the way the engines will: every call returns
// at once, and the waiting happens here, in 10 ms slices on the descriptor.
#include "RequireTool.h"
#include "TestCertificates.h"
#include "TlsTestPeer.h"
#include "tls/TlsTransport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

using Millis = std::chrono::milliseconds;
using platform::IoResult;
using platform::IoStatus;

// A TCP connection to 127.0.0.1:port in non-blocking mode; the destructor closes it.
class LoopbackConnection {
public:
    explicit LoopbackConnection(int port, int sendBuffer = 0);
    ~LoopbackConnection();
    LoopbackConnection(const LoopbackConnection&) = delete;
    LoopbackConnection& operator=(const LoopbackConnection&) = delete;
    int Fd() const { return fd_; }
    void EndSending();  // TCP FIN after what is queued, without discarding anything

private:
    int fd_ = -1;
};

// Repeats `step` while it asks to wait, waiting for what it asks between calls; gives up
// after `limit` with the last result (then still WantRead or WantWrite).
IoResult Pump(platform::Transport& transport, const std::function<IoResult()>& step, Millis limit = Millis(5000));
IoResult PumpHandshake(platform::Transport& transport, Millis limit = Millis(5000));
// Sends all of `bytes`: Done, or the result that stopped it. Counts the waits for writing.
IoResult SendAll(platform::Transport& transport, const std::string& bytes, int* writeWaits = nullptr);

// Text lines through a transport.
class LineReader {
public:
    explicit LineReader(platform::Transport& transport) : transport_(transport) {}
    // The next line with its CR LF, or empty with the result that ended the stream.
    std::string ReadLine(IoResult* end = nullptr, Millis limit = Millis(5000));
    // Sends `command` and CR LF, and returns the reply line.
    std::string Command(const std::string& command);

private:
    platform::Transport& transport_;
    std::string pending_;
};

// Certificates for the whole test program and the test authority as the only trusted one.
class TlsClientTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { certificates_ = std::make_unique<TestCertificates>(); }
    static void TearDownTestSuite() { certificates_.reset(); }
    void SetUp() override
    {
        REQUIRE_TOOL(TestCertificates::Binary);
        trust_.emplace(certificates_->AuthorityFile());
    }
    static TestCertificates& Certificates() { return *certificates_; }

    // Starts `peer`, connects and handshakes as a client with `settings`.
    IoResult Open(TlsTestPeer::Options peer, tls::TlsSettings settings);
    static TlsTestPeer::Options Serving(const CertificateFiles& files,
                                        TlsTestPeer::Act act = TlsTestPeer::Act::Serve);

    static std::unique_ptr<TestCertificates> certificates_;
    std::optional<TrustedAuthorityScope> trust_;
    // In this order, so the client goes first and the peer sees it go.
    std::optional<TlsTestPeer> peer_;
    std::optional<LoopbackConnection> connection_;
    std::optional<tls::TlsTransport> tls_;
};
