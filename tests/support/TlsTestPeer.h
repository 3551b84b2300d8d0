#pragma once
// A one-connection TLS server on 127.0.0.1, on its own thread, for tests of the TLS client:
// a well-behaved server with a chosen certificate, and the ways a server can go wrong.
//
//     TlsTestPeer peer({TlsTestPeer::Act::ServeThenCut, files.certificate, files.key});
//     ... connect to peer.Port(), handshake, receive the greeting, then the cut ...
//     EXPECT_EQ(peer.Finish().serverName, "localhost");
//
// The peer never outlives its test: every wait ends when the client closes, after 10 s at
// the latest, or when the destructor stops it.
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

class TlsTestPeer {
public:
    enum class Act {
        Serve,                 // handshake, send `greeting`, then take what the client sends until it ends
        ServeThenCut,          // handshake, send `greeting`, drop the TCP connection without close_notify
        ServeThenCloseNotify,  // handshake, send `greeting`, end properly with close_notify
        SendRaw,               // read the ClientHello, answer with `greeting` as raw bytes, close
        StallInHandshake,      // read the ClientHello, then say nothing until the client goes
        CloseInHandshake,      // read the ClientHello, close
        SpeakPlainPop3,        // send `greeting` in plain text and wait for the client to go
    };

    struct Options {
        Act act = Act::Serve;
        std::string certificate;  // PEM files, for the acts that handshake
        std::string key;
        std::string greeting = "+OK TLS test peer ready\r\n";
        int maxVersion = 0;             // e.g. TLS1_1_VERSION for an outdated server; 0: any
        std::size_t receiveBuffer = 0;  // SO_RCVBUF of the accepted socket; 0: the system's
        // Serve: how long to wait before reading, so that the client's sends pile up.
        std::chrono::milliseconds readDelay{0};
    };

    struct Outcome {
        bool handshook = false;
        std::string serverName;  // the SNI the client sent; empty for none
        std::string received;    // application data from the client
        std::string error;       // what went wrong on the peer's side, if anything
    };

    explicit TlsTestPeer(Options options);  // listens and starts its thread at once
    ~TlsTestPeer();
    TlsTestPeer(const TlsTestPeer&) = delete;
    TlsTestPeer& operator=(const TlsTestPeer&) = delete;

    int Port() const { return port_; }
    // Waits for the act to end (the client has to close first where the act waits for it).
    Outcome Finish(std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

private:
    void Run();
    void Play(int connection);
    void Stop();

    Options options_;
    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    std::thread thread_;

    std::mutex mutex_;
    int connectionFd_ = -1;  // shut down by Stop to wake a blocked read
    bool done_ = false;
    Outcome outcome_;
};
