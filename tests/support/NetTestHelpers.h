#pragma once
// Small network helpers shared by the tests of the POP3 clients and the mail check.
#include "platform/MessagePump.h"

#include <arpa/inet.h>
#include <chrono>
#include <functional>
#include <thread>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

// Installs a message pump for one test and puts the previous one back afterwards.
class PumpHook {
public:
    explicit PumpHook(std::function<void()> pump) : previous_(platform::SetMessagePump(std::move(pump))) {}
    ~PumpHook() { platform::SetMessagePump(std::move(previous_)); }
    PumpHook(const PumpHook&) = delete;
    PumpHook& operator=(const PumpHook&) = delete;

private:
    platform::MessagePump previous_;
};

inline sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

// A loopback port where nothing listens: connecting is refused.
inline int ClosedPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// A listener whose accept queue is full and never served: a further connect neither
// completes nor fails, which is what a server behind a dropping firewall looks like.
class StalledListener {
public:
    StalledListener()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = Loopback(0);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 0);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        for (int i = 0; i < 3; ++i) {
            int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            sockaddr_in to = Loopback(port_);
            ::connect(filler, reinterpret_cast<sockaddr*>(&to), sizeof to);
            fillers_.push_back(filler);
        }
    }
    ~StalledListener()
    {
        for (int fd : fillers_) ::close(fd);
        ::close(listener_);
    }
    StalledListener(const StalledListener&) = delete;
    StalledListener& operator=(const StalledListener&) = delete;
    int Port() const { return port_; }

private:
    int listener_ = -1;
    int port_ = 0;
    std::vector<int> fillers_;
};

// A listener on the IPv6 loopback that accepts one connection and says hello.
class Ipv6Greeter {
public:
    Ipv6Greeter()
    {
        fd_ = ::socket(AF_INET6, SOCK_STREAM, 0);
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_addr = in6addr_loopback;
        socklen_t length = sizeof a;
        ok_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd_, 1) == 0 &&
              ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) == 0;
        port_ = ntohs(a.sin6_port);
        if (ok_) thread_ = std::thread([this] {
            int c = ::accept(fd_, nullptr, nullptr);
            if (c >= 0) {
                (void)!::send(c, "+OK v6\r\n", 8, MSG_NOSIGNAL);
                char b[16];
                (void)!::recv(c, b, sizeof b, 0);
                ::close(c);
            }
        });
    }
    ~Ipv6Greeter()
    {
        ::shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    bool Ok() const { return ok_; }
    int Port() const { return port_; }

private:
    int fd_ = -1, port_ = 0;
    bool ok_ = false;
    std::thread thread_;
};


class Stopwatch {
public:
    long long Ms() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The message of the exception of type E that `action` throws; another exception type
// escapes and fails the test.
template <class E, class F>
std::string MessageOf(F&& action)
{
    try {
        action();
    } catch (const E& e) {
        return e.Message();
    }
    return "<nothing thrown>";
}
