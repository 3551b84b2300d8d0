#include "LineConnection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

LineConnection::LineConnection(int port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd_ >= 0) ::close(fd_);
        throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));
    }
    // The lock-step login must not wait for acknowledgements of its short lines.
    int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

LineConnection::~LineConnection() { ::close(fd_); }

void LineConnection::Pump()
{
    pollfd p{fd_, short(POLLIN | (HasQueued() ? POLLOUT : 0)), 0};
    if (::poll(&p, 1, 30000) <= 0) throw std::runtime_error("the server went silent");
    if ((p.revents & POLLOUT) && HasQueued()) {
        ssize_t n = ::send(fd_, out_.data() + outPos_, out_.size() - outPos_, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR) throw std::runtime_error("send failed");
        if (n > 0) outPos_ += std::size_t(n);
        if (outPos_ == out_.size()) {
            out_.clear();
            outPos_ = 0;
        }
    }
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
        // Keep the unread rest at the front, so the buffer does not creep.
        if (inPos_ > 0) {
            in_.erase(0, inPos_);
            inPos_ = 0;
        }
        const std::size_t had = in_.size();
        in_.resize(had + 65536);
        ssize_t n = ::recv(fd_, in_.data() + had, 65536, MSG_DONTWAIT);
        in_.resize(had + std::size_t(n > 0 ? n : 0));
        if (n == 0) throw std::runtime_error("the server closed the connection");
        if (n < 0 && errno != EAGAIN && errno != EINTR) throw std::runtime_error("receive failed");
    }
}

bool LineConnection::TakeLine(std::string_view& line)
{
    const std::size_t lf = in_.find('\n', inPos_);
    if (lf == std::string::npos) return false;
    std::size_t end = lf;
    if (end > inPos_ && in_[end - 1] == '\r') --end;
    line = std::string_view(in_).substr(inPos_, end - inPos_);
    inPos_ = lf + 1;
    return true;
}

std::string LineConnection::ReadLine()
{
    std::string_view line;
    while (!TakeLine(line)) Pump();
    return std::string(line);
}
