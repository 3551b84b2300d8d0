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

// Waits on the window's thread for another thread (the disk, a worker) until `done` holds, and
// pumps meanwhile, so the window stays live however long that takes.
template <class Done>
void WaitPumping(std::unique_lock<std::mutex>& lock, std::condition_variable& changed, Done done)
{
    while (!changed.wait_for(lock, std::chrono::milliseconds(10), done)) {
        lock.unlock();
        ProcessMessages();
        lock.lock();
    }
}

}  // namespace platform
