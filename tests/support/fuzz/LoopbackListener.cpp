#include "fuzz/LoopbackListener.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fuzzing {
namespace {

bool SameAddress(const sockaddr_storage& a, socklen_t aLength, const sockaddr_storage& b, socklen_t bLength)
{
    return aLength == bLength && std::memcmp(&a, &b, aLength) == 0;
}

[[noreturn]] void Die(const char* what)
{
    std::perror(what);
    std::abort();
}

}  // namespace

LoopbackListener& LoopbackListener::Instance()
{
    static LoopbackListener listener;
    return listener;
}

LoopbackListener::LoopbackListener()
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) Die("fuzz listener: socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) Die("fuzz listener: bind");
    if (::listen(fd_, 64) != 0) Die("fuzz listener: listen");
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

void LoopbackListener::CloseAbruptly(int serverFd)
{
    linger reset{1, 0};
    ::setsockopt(serverFd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(serverFd);
}

int LoopbackListener::AcceptPeerOf(int clientFd)
{
    sockaddr_storage client{};
    socklen_t clientLength = sizeof client;
    if (::getsockname(clientFd, reinterpret_cast<sockaddr*>(&client), &clientLength) != 0) return -1;
    // The connect has completed, so the server end is queued already; a second is plenty.
    for (int waited = 0; waited < 1000;) {
        sockaddr_storage peer{};
        socklen_t peerLength = sizeof peer;
        int fd = ::accept4(fd_, reinterpret_cast<sockaddr*>(&peer), &peerLength, SOCK_CLOEXEC);
        if (fd < 0) {
            pollfd p{fd_, POLLIN, 0};
            ::poll(&p, 1, 10);
            waited += 10;
            continue;
        }
        if (!SameAddress(peer, peerLength, client, clientLength)) {
            CloseAbruptly(fd);
            continue;
        }
        const char stir = '*';
        (void)::send(fd, &stir, 1, MSG_NOSIGNAL);
        return fd;
    }
    return -1;
}

void LoopbackListener::DropPending()
{
    for (int fd; (fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) CloseAbruptly(fd);
}

}  // namespace fuzzing
