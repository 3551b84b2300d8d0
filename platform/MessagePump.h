#pragma once
// The message pump that engines call while they wait on the network, so the GUI stays live.
// The GUI installs one that processes pending events; tests install their own (one that presses
// Stop in the middle of a wait, for example). Without an installed pump the call does nothing.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace platform {

using MessagePump = std::function<void()>;

void ProcessMessages();
// Installs a pump and returns the one it replaces.
MessagePump SetMessagePump(MessagePump pump);

// Counts time the window's thread spent waiting for another thread and pumps once 10 ms of it
// have gathered. The time is summed over many waits, not one: a worker a little slower than
// the replies makes many short waits in a row, which would otherwise hold the window as long
// as one long wait.
void PumpAfterWaiting(std::chrono::steady_clock::duration waited);

// Waits on the window's thread for another thread (the disk, a worker) until `done` holds, and
// pumps meanwhile, so the window stays live however long that takes.
template <class Done>
void WaitPumping(std::unique_lock<std::mutex>& lock, std::condition_variable& changed, Done done)
{
    for (;;) {
        const auto start = std::chrono::steady_clock::now();
        const bool ended = changed.wait_for(lock, std::chrono::milliseconds(10), done);
        lock.unlock();
        PumpAfterWaiting(std::chrono::steady_clock::now() - start);
        lock.lock();
        if (ended || done()) return;
    }
}

}  // namespace platform
