#include "mailbox/HostLookup.h"

#include "mailbox/SocketErrors.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>

namespace mailbox {

std::shared_ptr<HostLookup> HostLookup::Start(const std::string& name)
{
    auto lookup = std::make_shared<HostLookup>();
    try {
        std::thread(&HostLookup::Run, lookup, name).detach();
    } catch (const std::system_error&) {
        lookup->Finish(0, 10055);  // no thread to be had: report it as a lack of resources
    }
    return lookup;
}

void HostLookup::Run(std::shared_ptr<HostLookup> self, std::string name)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    uint32_t address = 0;
    int error = SocketErrorFromLookup(rc);
    if (rc == 0) {
        for (addrinfo* ai = found; ai; ai = ai->ai_next) {
            if (ai->ai_family == AF_INET && ai->ai_addr) {
                address = reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr;
                break;
            }
        }
        if (address == 0) error = 11004;
    }
    if (found) ::freeaddrinfo(found);
    self->Finish(address, error);
}

void HostLookup::Finish(uint32_t address, int errorCode)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        address_ = address;
        errorCode_ = errorCode;
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

uint32_t HostLookup::Address()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return address_;
}

int HostLookup::ErrorCode()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return errorCode_;
}

}  // namespace mailbox
