#include "platform/HostLookup.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <system_error>
#include <thread>

namespace platform {

void SocketAddress::SetPort(int port)
{
    const uint16_t net = htons(static_cast<uint16_t>(port));
    if (Family() == AF_INET) reinterpret_cast<sockaddr_in*>(&storage)->sin_port = net;
    else if (Family() == AF_INET6) reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port = net;
}

std::string SocketAddress::ToString() const
{
    char text[INET6_ADDRSTRLEN] = {};
    if (Family() == AF_INET)
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&storage)->sin_addr, text, sizeof text);
    else if (Family() == AF_INET6)
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_addr, text, sizeof text);
    return text;
}

bool ParseNumericAddress(const std::string& text, SocketAddress& address)
{
    address = {};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address.storage);
    if (::inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        address.length = sizeof(sockaddr_in);
        return true;
    }
    // "[::1]" is how an IPv6 literal is written where a port could follow.
    std::string bare = text.size() > 2 && text.front() == '[' && text.back() == ']' ? text.substr(1, text.size() - 2) : text;
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address.storage);
    if (::inet_pton(AF_INET6, bare.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        address.length = sizeof(sockaddr_in6);
        return true;
    }
    address = {};
    return false;
}

std::shared_ptr<HostLookup> HostLookup::Start(const std::string& name, int family)
{
    auto lookup = std::make_shared<HostLookup>();
    try {
        std::thread(&HostLookup::Run, lookup, name, family).detach();
    } catch (const std::system_error&) {
        lookup->Finish({}, EAI_SYSTEM, EAGAIN);  // no thread to be had
    }
    return lookup;
}

void HostLookup::Run(std::shared_ptr<HostLookup> self, std::string name, int family)
{
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    int systemError = rc == EAI_SYSTEM ? errno : 0;
    std::vector<SocketAddress> addresses;
    if (rc == 0) {
        for (addrinfo* ai = found; ai; ai = ai->ai_next) {
            if (!ai->ai_addr || (ai->ai_family != AF_INET && ai->ai_family != AF_INET6)) continue;
            if (ai->ai_addrlen > sizeof(sockaddr_storage)) continue;
            SocketAddress a;
            std::memcpy(&a.storage, ai->ai_addr, ai->ai_addrlen);
            a.length = ai->ai_addrlen;
            addresses.push_back(a);
        }
        if (addresses.empty()) rc = EAI_NODATA;
    }
    if (found) ::freeaddrinfo(found);
    self->Finish(std::move(addresses), rc, systemError);
}

void HostLookup::Finish(std::vector<SocketAddress> addresses, int result, int systemError)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        addresses_ = std::move(addresses);
        result_ = result;
        systemError_ = systemError;
        done_ = true;
    }
    finished_.notify_all();
}

bool HostLookup::WaitFor(std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return finished_.wait_for(lock, limit, [this] { return done_; });
}

bool HostLookup::Done()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return done_;
}

std::vector<SocketAddress> HostLookup::Addresses()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return addresses_;
}

int HostLookup::Result()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return result_;
}

int HostLookup::SystemError()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return systemError_;
}

std::string HostLookup::ErrorText()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (result_ == 0) return {};
    if (result_ == EAI_SYSTEM) return std::strerror(systemError_);
    return ::gai_strerror(result_);
}

}  // namespace platform
