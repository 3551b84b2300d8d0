#pragma once
// The message pump that engines call while they wait on the network, so the GUI stays live.
// The GUI installs one that processes pending events; tests install their own (one that presses
// Stop in the middle of a wait, for example). Without an installed pump the call does nothing.
#include <functional>

namespace platform {

using MessagePump = std::function<void()>;

void ProcessMessages();
// Installs a pump and returns the one it replaces.
MessagePump SetMessagePump(MessagePump pump);

}  // namespace platform
