#include "platform/Transport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
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
