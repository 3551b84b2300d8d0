#pragma once
// A name lookup that runs on a helper thread while the caller keeps its GUI pumping.
// The thread shares only this object with its starter, through a shared_ptr: a lookup that
// finishes after its waiter gave up (time-out, Stop, component gone) touches nothing else.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace mailbox {

class HostLookup {
public:
    // Starts resolving `name` to an IPv4 address.
    static std::shared_ptr<HostLookup> Start(const std::string& name);

    // Waits at most `limit` for the result; true once the lookup has finished.
    bool WaitFor(std::chrono::milliseconds limit);
    bool Done();
    // Valid once Done(): the address in network byte order, or the socket error number.
    uint32_t Address();
    int ErrorCode();

private:
    void Finish(uint32_t address, int errorCode);
    static void Run(std::shared_ptr<HostLookup> self, std::string name);

    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    uint32_t address_ = 0;
    int errorCode_ = 0;
};

}  // namespace mailbox
