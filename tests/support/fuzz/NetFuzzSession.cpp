#include "fuzz/NetFuzzSession.h"

#include "fuzz/LoopbackListener.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace fuzzing {

void Check(bool condition, const char* what)
{
    if (!condition) throw std::logic_error(what);
}

NetFuzzSession::NetFuzzSession(const uint8_t* data, std::size_t size)
    : script_(std::string_view(reinterpret_cast<const char*>(data), size))
{
    LoopbackListener::Instance().DropPending();
    previousPump_ = platform::SetMessagePump([this] { Pump(); });
}

NetFuzzSession::~NetFuzzSession()
{
    platform::SetMessagePump(std::move(previousPump_));
    for (int fd : serverEnds_) LoopbackListener::CloseAbruptly(fd);
    LoopbackListener::Instance().DropPending();
}

int NetFuzzSession::Port() const { return LoopbackListener::Instance().Port(); }

std::function<std::unique_ptr<platform::Transport>(int fd)> NetFuzzSession::TransportFactory()
{
    return [this](int fd) -> std::unique_ptr<platform::Transport> {
        ++connections_;
        int serverEnd = LoopbackListener::Instance().AcceptPeerOf(fd);
        if (serverEnd >= 0) serverEnds_.push_back(serverEnd);
        return std::make_unique<ScriptedTransport>(fd, script_);
    };
}

void NetFuzzSession::Pump()
{
    if (++pumps_ > kMaxPumpsPerSession) {
        std::fprintf(stderr, "endless loop: the engine pumped %ld times in one session\n", pumps_);
        std::abort();
    }
    if (!script_.stopPressed) return;
    script_.stopPressed = false;
    stopWasPressed_ = true;
    if (OnStop) OnStop();
}

void NetFuzzSession::CheckClientLines() const
{
    for (const std::string& sent : script_.sent) {
        for (std::size_t i = 0; i < sent.size(); ++i) {
            Check(sent[i] != '\0', "no NUL in a command");
            if (sent[i] == '\r') Check(i + 1 == sent.size() || sent[i + 1] == '\n', "CR only before LF");
            if (sent[i] == '\n') Check(i > 0 && sent[i - 1] == '\r', "LF only after CR");
        }
    }
}

}  // namespace fuzzing
