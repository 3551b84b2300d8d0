#include "platform/Transport.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

namespace platform {
namespace {

IoResult Failure(int e)
{
    IoResult r;
    r.status = IoStatus::Failed;
    r.error = e;
    r.message = std::strerror(e);
    return r;
}

bool WouldBlock(int e) { return e == EAGAIN || e == EWOULDBLOCK; }

}  // namespace

IoResult PlainTransport::Send(const void* data, std::size_t length)
{
    for (;;) {
        ssize_t n = ::send(fd_, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return {IoStatus::Done, static_cast<std::size_t>(n), 0, {}};
        int e = errno;
        if (e == EINTR) continue;
        if (WouldBlock(e)) return {IoStatus::WantWrite, 0, 0, {}};
        return Failure(e);
    }
}

IoResult PlainTransport::Receive(void* buffer, std::size_t capacity)
{
    AcknowledgeAtOnce(fd_);
    for (;;) {
        ssize_t n = ::recv(fd_, buffer, capacity, MSG_DONTWAIT);
        if (n > 0) return {IoStatus::Done, static_cast<std::size_t>(n), 0, {}};
        if (n == 0) return {capacity == 0 ? IoStatus::Done : IoStatus::Closed, 0, 0, {}};
        int e = errno;
        if (e == EINTR) continue;
        if (WouldBlock(e)) return {IoStatus::WantRead, 0, 0, {}};
        return Failure(e);
    }
}

int NewStreamSocket(int family, int protocol)
{
    int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    if (fd >= 0) {
        int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);  // best effort
    }
    return fd;
}

void AcknowledgeAtOnce(int descriptor)
{
    int on = 1;
    ::setsockopt(descriptor, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

short PollEventsFor(IoStatus want)
{
    if (want == IoStatus::WantRead) return POLLIN;
    if (want == IoStatus::WantWrite) return POLLOUT;
    return 0;
}

}  // namespace platform
