#pragma once
// One fuzzed conversation of a POP3 client with a scripted server: the client connects to the
// process's loopback listener for real, and its factory hands it a ScriptedTransport instead
// of the socket. Create the session before the client, so the server ends close after it.
//
// While the session lives it owns the message pump. The pump does no GUI work; it runs OnStop
// when the script presses Stop, and it aborts the process when the engine pumps without end
// (an endless loop that an exception handler could otherwise swallow).
#include "fuzz/ScriptedTransport.h"
#include "platform/MessagePump.h"
#include "platform/Transport.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace fuzzing {

// Enough for any conversation of the longest input; an engine that goes on pumping is stuck.
constexpr long kMaxPumpsPerSession = 1000000;

// Each wait of the clients gives up after this; the script never needs it (see
// LoopbackListener), it only keeps a stray wait short.
constexpr int kClientTimeOutMs = 200;

class NetFuzzSession {
public:
    NetFuzzSession(const uint8_t* data, std::size_t size);
    ~NetFuzzSession();
    NetFuzzSession(const NetFuzzSession&) = delete;
    NetFuzzSession& operator=(const NetFuzzSession&) = delete;

    int Port() const;
    // For the client's TransportFactory.
    std::function<std::unique_ptr<platform::Transport>(int fd)> TransportFactory();

    // What the window's Stop command does; run by the pump when the script presses Stop.
    std::function<void()> OnStop;
    bool StopWasPressed() const { return stopWasPressed_; }
    bool ScriptPlayed() const { return script_.AtEnd(); }
    int Connections() const { return connections_; }

    // Throws std::logic_error unless everything the client sent is whole command lines (CR LF
    // at the end of each, no CR, LF or NUL inside): a server's words must never turn into
    // commands of their own. A connection's last line may be cut off by a
    // failed send.
    void CheckClientLines() const;

private:
    void Pump();

    ServerScript script_;
    std::vector<int> serverEnds_;
    platform::MessagePump previousPump_;
    long pumps_ = 0;
    int connections_ = 0;
    bool stopWasPressed_ = false;
};

// std::logic_error with `what` unless `condition` holds: a broken promise of the engine.
void Check(bool condition, const char* what);

}  // namespace fuzzing
