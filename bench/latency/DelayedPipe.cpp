#include "DelayedPipe.h"

#include <cerrno>
#include <sys/socket.h>

bool DelayedPipe::Receive(Clock::time_point now)
{
    char buffer[65536];
    ssize_t n = ::recv(from_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    const Clock::time_point due = now + delay_;
    if (n == 0) {
        endReceived_ = true;
        chunks_.push_back({due, std::string(), 0});
        return true;
    }
    chunks_.push_back({due, std::string(buffer, std::size_t(n)), 0});
    held_ += std::size_t(n);
    return true;
}

bool DelayedPipe::SendDue(Clock::time_point now)
{
    while (!chunks_.empty() && chunks_.front().due <= now) {
        Chunk& chunk = chunks_.front();
        if (chunk.bytes.empty()) {
            // The source closed its side: close ours towards the destination, as it did.
            ::shutdown(to_, SHUT_WR);
            chunks_.pop_front();
            finished_ = true;
            return true;
        }
        ssize_t n = ::send(to_, chunk.bytes.data() + chunk.sent, chunk.bytes.size() - chunk.sent,
                           MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        chunk.sent += std::size_t(n);
        if (chunk.sent < chunk.bytes.size()) return true;  // the destination is full: wait for room
        held_ -= chunk.bytes.size();
        chunks_.pop_front();
    }
    return true;
}

bool DelayedPipe::NextDue(Clock::time_point& due) const
{
    if (chunks_.empty()) return false;
    due = chunks_.front().due;
    return true;
}
