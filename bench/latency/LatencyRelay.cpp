#include "LatencyRelay.h"

#include "DelayedPipe.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <list>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = DelayedPipe::Clock;

sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Small chunks must leave at their time, not wait for the previous one's acknowledgement.
void NoDelay(int fd)
{
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int ConnectToTarget(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address = Loopback(port);
    // On loopback the connect completes (or is refused) at once.
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    NoDelay(fd);
    return fd;
}

// A client's connection and ours to the target, with a pipe for each direction.
struct Link {
    Link(int client, int server, std::chrono::milliseconds delay)
        : up(client, server, delay), down(server, client, delay)
    {
    }
    ~Link()
    {
        ::close(up.From());
        ::close(up.To());
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    DelayedPipe up;    // client to server
    DelayedPipe down;  // server to client
};

short EventsFor(int fd, const DelayedPipe& reading, const DelayedPipe& writing, Clock::time_point now)
{
    short events = 0;
    if (reading.From() == fd && reading.WantsInput()) events |= POLLIN;
    if (writing.To() == fd && writing.WantsOutput(now)) events |= POLLOUT;
    return events;
}

}  // namespace

LatencyRelay::LatencyRelay(int targetPort, int delayMs, int listenPort) : targetPort_(targetPort), delayMs_(delayMs)
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int reuse = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in address = Loopback(listenPort);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 64) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener_ >= 0) ::close(listener_);
        throw std::runtime_error("latency relay: cannot listen on 127.0.0.1:" + std::to_string(listenPort));
    }
    port_ = ntohs(address.sin_port);
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        ::close(listener_);
        throw std::runtime_error("latency relay: no pipe");
    }
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    thread_ = std::thread([this] { Serve(); });
}

LatencyRelay::~LatencyRelay()
{
    (void)!::write(wakeWrite_, "x", 1);
    thread_.join();
    ::close(wakeRead_);
    ::close(wakeWrite_);
    ::close(listener_);
}

void LatencyRelay::Serve()
{
    const std::chrono::milliseconds delay(delayMs_);
    std::list<Link> links;
    std::vector<pollfd> polled;
    for (;;) {
        Clock::time_point now = Clock::now();
        polled.clear();
        polled.push_back({wakeRead_, POLLIN, 0});
        polled.push_back({listener_, POLLIN, 0});
        Clock::time_point wakeAt = Clock::time_point::max();
        for (Link& link : links) {
            const int client = link.up.From(), server = link.down.From();
            const short clientEvents = EventsFor(client, link.up, link.down, now);
            const short serverEvents = EventsFor(server, link.down, link.up, now);
            // A socket with nothing to do stays out of the poll, or its hang-up would spin it.
            polled.push_back({clientEvents ? client : -1, clientEvents, 0});
            polled.push_back({serverEvents ? server : -1, serverEvents, 0});
            for (const DelayedPipe* pipe : {&link.up, &link.down}) {
                Clock::time_point due;
                if (pipe->NextDue(due) && due > now) wakeAt = std::min(wakeAt, due);
            }
        }
        timespec timeout{};
        timespec* timeoutOrNone = nullptr;
        if (wakeAt != Clock::time_point::max()) {
            auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(wakeAt - now).count();
            timeout.tv_sec = left / 1000000000;
            timeout.tv_nsec = left % 1000000000;
            timeoutOrNone = &timeout;
        }
        if (::ppoll(polled.data(), polled.size(), timeoutOrNone, nullptr) < 0 && errno != EINTR) break;
        if (polled[0].revents) break;  // the destructor asks us to stop

        now = Clock::now();
        if (polled[1].revents & POLLIN) {
            for (int client; (client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
                NoDelay(client);
                int server = ConnectToTarget(targetPort_);
                if (server < 0) {
                    ::close(client);
                    continue;
                }
                links.emplace_back(client, server, delay);
                ++connections_;
            }
        }
        // The links just accepted have no entries in `polled` yet; they start next turn.
        std::size_t slot = 2;
        for (auto it = links.begin(); it != links.end();) {
            Link& link = *it;
            bool alive = true;
            if (slot + 1 < polled.size()) {
                const short clientSeen = polled[slot].revents, serverSeen = polled[slot + 1].revents;
                slot += 2;
                if (clientSeen & (POLLIN | POLLHUP | POLLERR)) alive = link.up.Receive(now) && alive;
                if (serverSeen & (POLLIN | POLLHUP | POLLERR)) alive = link.down.Receive(now) && alive;
            }
            alive = alive && link.up.SendDue(now) && link.down.SendDue(now);
            if (!alive || (link.up.Finished() && link.down.Finished()))
                it = links.erase(it);
            else
                ++it;
        }
    }
}
