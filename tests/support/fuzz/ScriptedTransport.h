#pragma once
// A byte stream that plays a server from a script instead of the network, for the fuzz targets
// of the POP3 clients and the replay of their corpora.
//
// The script is the server's bytes, read once from the first connection of a session to the
// last. A few control bytes among them are marks that direct the transport instead of being
// sent: they cut the server's bytes into receives of any size and make the stream stall,
// break or end wherever the input says. Every other byte is the server's own.
//
// The transport never returns WantRead or WantWrite twice for one mark, and once the script
// is used up every receive is Closed, so every wait of the engine ends.
#include "platform/Transport.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzing {

enum ScriptMark : unsigned char {
    kChunkEnd = 0x01,     // the receive in progress ends here
    kWantRead = 0x02,     // one receive finds nothing yet
    kWantWrite = 0x03,    // one receive needs the socket writable first (as TLS may)
    kStreamEnd = 0x04,    // the server ends this connection (Closed); the next one reads on
    kReset = 0x05,        // one receive fails with ECONNRESET; the connection is broken
    kBroken = 0x06,       // one receive fails without an errno (a broken secure layer)
    kStopPressed = 0x07,  // the user presses Stop during the wait for these bytes
    kSendPartly = 0x0e,   // the next send takes half of what it is given (at least one byte)
    kSendBlocked = 0x0f,  // the next send finds no room (WantWrite)
    kSendFails = 0x10,    // the next send fails with EPIPE; the connection is broken
};

bool IsScriptMark(unsigned char c);

// What a session's server says, and what the client said to it.
struct ServerScript {
    explicit ServerScript(std::string_view bytes) : bytes(bytes) {}

    std::string_view bytes;
    std::size_t at = 0;        // the next byte to play
    std::vector<std::string> sent;  // what the client sent, one entry per connection
    bool stopPressed = false;  // a kStopPressed mark was played and waits for the pump

    bool AtEnd() const { return at >= bytes.size(); }
};

class ScriptedTransport : public platform::Transport {
public:
    ScriptedTransport(int descriptor, ServerScript& script);

    int Descriptor() const override { return fd_; }
    platform::IoResult Handshake() override { return {}; }
    platform::IoResult Send(const void* data, std::size_t length) override;
    platform::IoResult Receive(void* buffer, std::size_t capacity) override;

private:
    // Copies server bytes up to the next mark, at most `capacity`.
    std::size_t CopyText(char* out, std::size_t capacity);

    int fd_;
    ServerScript& script_;
    std::size_t connection_;  // this connection's entry in script_.sent
    bool ended_ = false;   // this connection's stream is over: receives are Closed
    bool broken_ = false;  // and sends fail
};

}  // namespace fuzzing
