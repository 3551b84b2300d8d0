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

MessagePump SetMessagePump(MessagePump pump)
{
    MessagePump old = std::move(Installed());
    Installed() = std::move(pump);
    return old;
}

}  // namespace platform
