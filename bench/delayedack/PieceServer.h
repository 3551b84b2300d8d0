#pragma once
// A POP3 server on 127.0.0.1, on its own thread, as a small server without PIPELINING behaves:
// CAPA names no PIPELINING, every multi-line reply (LIST, UIDL, TOP, RETR) goes out in three
// writes (status line, text, terminator) a small gap apart, and Nagle's rule is left on, so
// each piece after the first waits for the client's acknowledgement of the one before.
// Connections are served one after the other until the server is destroyed.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

class PieceServer {
public:
    PieceServer(int messages, std::chrono::microseconds gap);
    ~PieceServer();
    PieceServer(const PieceServer&) = delete;
    PieceServer& operator=(const PieceServer&) = delete;

    int Port() const { return port_; }
    int Messages() const { return messages_; }
    // Message n (from 1): a header of about 750 octets and a short body, CR LF line ends.
    static std::string Message(int n);

private:
    void Run();
    void Serve(int fd);

    int messages_;
    std::chrono::microseconds gap_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
