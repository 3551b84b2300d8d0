#pragma once
// Runs a blocking call on a helper thread while the caller pumps messages, the way the engines
// wait on the network: the wait ends when the call is done, when Stop is pressed
// (platform::StopSecretWait) or when the time limit passes. A call that outlives its wait is
// told to give up (`cancel`, called on the waiting thread) and finishes on its own; it may touch
// only what its closure shares.
#include <chrono>
#include <functional>

namespace keyring {

enum class CallEnd { Done, Stopped, TimedOut, NoThread };

CallEnd RunPumped(std::function<void()> work, const std::function<void()>& cancel, std::chrono::milliseconds limit);

}  // namespace keyring
