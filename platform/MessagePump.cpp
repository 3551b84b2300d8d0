#include "MessagePump.h"

namespace platform {
namespace {
MessagePump& Installed()
{
    static MessagePump pump;
    return pump;
}
}  // namespace

void ProcessMessages()
{
    // Copy first: a pump may install another one while it runs.
    MessagePump pump = Installed();
    if (pump) pump();
}

void PumpAfterWaiting(std::chrono::steady_clock::duration waited)
{
    static thread_local std::chrono::steady_clock::duration gathered{};
    gathered += waited;
    if (gathered < std::chrono::milliseconds(10)) return;
    gathered = {};
    ProcessMessages();
}

MessagePump SetMessagePump(MessagePump pump)
{
    MessagePump old = std::move(Installed());
    Installed() = std::move(pump);
    return old;
}

}  // namespace platform
