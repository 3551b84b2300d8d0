#include "platform/Transport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// Pipelined commands must leave at once, not wait behind an unacknowledged one; and a socket
// must never block the window or leak into a program the user opens an attachment with.
TEST(StreamSocket, SendsAtOnceNeverBlocksAndClosesOnExec)
{
    for (int family : {AF_INET, AF_INET6}) {
        int fd = platform::NewStreamSocket(family);
        if (fd < 0 && family == AF_INET6) continue;  // a machine without IPv6
        ASSERT_GE(fd, 0);
        int on = 0;
        socklen_t length = sizeof on;
        ASSERT_EQ(::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, &length), 0);
        EXPECT_NE(on, 0);
        EXPECT_TRUE(::fcntl(fd, F_GETFL) & O_NONBLOCK);
        EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
        ::close(fd);
    }
}

// A reply written in pieces must not wait for the delayed acknowledgement of each piece: every
// read turns quick acknowledgement on again, as the kernel keeps turning it off.
TEST(StreamSocket, EveryReadAcknowledgesAtOnce)
{
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    int fd = platform::NewStreamSocket(AF_INET);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 || errno == EINPROGRESS, true);
    int server = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);
    auto quickAck = [&] {
        int on = -1;
        socklen_t size = sizeof on;
        EXPECT_EQ(::getsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, &size), 0);
        return on;
    };
    platform::PlainTransport transport(fd);
    char buffer[16];
    for (bool dataWaiting : {false, true}) {
        int off = 0;
        ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &off, sizeof off);  // what the kernel does between replies
        ASSERT_EQ(quickAck(), 0);
        if (dataWaiting) {
            ASSERT_EQ(::send(server, "+OK\r\n", 5, 0), 5);
            pollfd readable{fd, POLLIN, 0};
            ASSERT_EQ(::poll(&readable, 1, 5000), 1);
        }
        EXPECT_EQ(transport.Receive(buffer, sizeof buffer).bytes, dataWaiting ? 5u : 0u);
        EXPECT_EQ(quickAck(), 1) << (dataWaiting ? "after a read" : "after a read that found nothing");
    }
    ::close(server);
    ::close(fd);
    ::close(listener);
}
