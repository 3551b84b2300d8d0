#pragma once
// A name lookup that runs on a helper thread while the caller keeps its GUI pumping.
// The thread shares only this object with its starter, through a shared_ptr: a lookup that
// finishes after its waiter gave up (time-out, Stop, component gone) touches nothing else.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace platform {

// One address of a host, ready for connect(); the port is left 0 for the caller to set.
struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
    int Family() const { return storage.ss_family; }
    void SetPort(int port);
    std::string ToString() const;  // "127.0.0.1", "::1"
};

// A numeric IPv4 or IPv6 address text as an address; false for anything else (a name).
bool ParseNumericAddress(const std::string& text, SocketAddress& address);

class HostLookup {
public:
    // Starts resolving `name`; `family` is AF_UNSPEC (IPv6 and IPv4) or AF_INET.
    static std::shared_ptr<HostLookup> Start(const std::string& name, int family = AF_UNSPEC);

    // Waits at most `limit` for the result; true once the lookup has finished.
    bool WaitFor(std::chrono::milliseconds limit);
    bool Done();
    // Valid once Done(): the addresses in the resolver's order (empty on failure), and the
    // getaddrinfo() result (0 on success; EAI_SYSTEM comes with SystemError()).
    std::vector<SocketAddress> Addresses();
    int Result();
    int SystemError();
    // The resolver's text for the failure ("Name or service not known").
    std::string ErrorText();

    // The constructor is public for make_shared only; use Start.
    HostLookup() = default;

private:
    void Finish(std::vector<SocketAddress> addresses, int result, int systemError);
    static void Run(std::shared_ptr<HostLookup> self, std::string name, int family);

    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
    std::vector<SocketAddress> addresses_;
    int result_ = 0;
    int systemError_ = 0;
};

}  // namespace platform
