#pragma once
// The byte stream under a POP3 connection: a connected TCP socket, plain or with TLS on it.
// Every call returns at once. The engines do all the waiting, in short slices on Descriptor()
// with the message pump between them, so a transport can never freeze the window, and every
// wait obeys the engine's time-out and its Stop.
//
// A transport does not own the descriptor: the engine that connected it closes it.
#include <cstddef>
#include <string>

namespace platform {

enum class IoStatus {
    Done,       // `bytes` moved (Send, Receive), or the step finished (Handshake)
    WantRead,   // nothing could be done yet: call again once the descriptor is readable
    WantWrite,  // call again once the descriptor is writable
    Closed,     // Receive: the peer ended the stream; nothing more will come
    Failed,     // the stream is broken; `error` and `message` say why
};

struct IoResult {
    IoStatus status = IoStatus::Done;
    std::size_t bytes = 0;
    int error = 0;        // errno of the failed system call; 0 when the protocol failed
    std::string message;  // for the user, when Failed
};

class Transport {
public:
    virtual ~Transport() = default;

    virtual int Descriptor() const = 0;
    // Completes the transport's own opening on the connected socket (the TLS handshake);
    // a plain transport is done at once.
    virtual IoResult Handshake() = 0;
    virtual IoResult Send(const void* data, std::size_t length) = 0;
    virtual IoResult Receive(void* buffer, std::size_t capacity) = 0;
    // Bytes received and held inside the transport, readable now without the descriptor
    // becoming readable again (a TLS record read whole).
    virtual std::size_t Buffered() const { return 0; }
    // Ends the stream politely where the protocol has a way (TLS close_notify), without waiting.
    virtual void Shutdown() {}
    // What the status display may say about the connection ("TLS 1.3"); empty for plain text.
    virtual std::string Description() const { return {}; }
};

// A plain TCP socket in non-blocking mode.
class PlainTransport : public Transport {
public:
    explicit PlainTransport(int descriptor) : fd_(descriptor) {}
    int Descriptor() const override { return fd_; }
    IoResult Handshake() override { return {}; }
    IoResult Send(const void* data, std::size_t length) override;
    IoResult Receive(void* buffer, std::size_t capacity) override;

private:
    int fd_;
};

// A new TCP socket for a POP3 connection: non-blocking, closed on exec, and sending each write
// at once (no Nagle delay), since a command pipelined behind one still unanswered would otherwise
// wait for the server's acknowledgement. -1 with errno set when none can be had.
int NewStreamSocket(int family, int protocol = 0);

// Has the kernel acknowledge what arrives at once instead of after its delayed-ACK wait (up to
// 40 ms). A server that writes one reply in pieces, without PIPELINING and with Nagle's rule
// on, holds back every piece after the first until the first is acknowledged: without this
// each reply costs that wait. Linux drops the setting by itself, so it is set again before
// every read; setting it also sends an acknowledgement the kernel was holding back. Best effort.
void AcknowledgeAtOnce(int descriptor);

// poll() events for what a result asks to wait for (POLLIN or POLLOUT; 0 for none).
short PollEventsFor(IoStatus want);

}  // namespace platform
