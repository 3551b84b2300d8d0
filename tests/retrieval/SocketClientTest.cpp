#include "retrieval/ScktComp.h"
#include "NetTestHelpers.h"
#include "ScriptedPop3Server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <netinet/in.h>

namespace {

using std::chrono::milliseconds;
using Events = std::vector<std::string>;

struct Client {
    TClientSocket socket;
    Events events;
    explicit Client(int port, int timeOut = 2000)
    {
        socket.SetClientType(ctBlocking);
        socket.SetAddress("127.0.0.1");
        socket.SetPort(port);
        socket.TimeOut = timeOut;
        socket.OnLookup = [this](TClientSocket*) { events.push_back("lookup"); };
        socket.OnConnecting = [this](TClientSocket*) { events.push_back("connecting"); };
        socket.OnConnect = [this](TClientSocket*) { events.push_back("connect"); };
        socket.OnDisconnect = [this](TClientSocket*) { events.push_back("disconnect"); };
        socket.OnError = [this](TClientSocket*, TErrorEvent kind, int& code) {
            events.push_back("error " + std::to_string(int(kind)) + " " + std::to_string(code));
        };
    }
    std::string Receive(int count = 1024)
    {
        std::string buffer(size_t(count), '\0');
        int n = socket.ReceiveBuf(buffer.data(), count);
        buffer.resize(size_t(n > 0 ? n : 0));
        return buffer;
    }
};

}  // namespace

TEST(SocketClient, OpensAndClosesWithItsEventsInOrderAndGuardsItsSettings)
{
    ScriptedPop3Server server;
    server.Greeting("+OK hi\r\n").Expect("bye\r\n").Close();
    server.Start();
    Client c(server.Port());
    c.socket.SetAddress("");
    c.socket.SetHost("localhost");  // resolves to ::1 and 127.0.0.1; only the latter listens
    c.socket.Open();
    EXPECT_TRUE(c.socket.Active());
    EXPECT_EQ(c.socket.PeerAddress(), "127.0.0.1");
    for (int i = 0; i < 400 && c.socket.ReceiveBuf(nullptr, -1) < 8; ++i) std::this_thread::sleep_for(milliseconds(5));
    EXPECT_EQ(c.socket.ReceiveBuf(nullptr, -1), 8);  // waiting, not read
    EXPECT_EQ(c.Receive(), "+OK hi\r\n");

    EXPECT_EQ(MessageOf<ESocketError>([&] { c.socket.SetPort(1); }), "Can't change value while socket is active");
    EXPECT_EQ(MessageOf<ESocketError>([&] { c.socket.SetHost("other"); }), "Can't change value while socket is active");
    EXPECT_EQ(MessageOf<ESocketError>([&] { c.socket.SetClientType(ctNonBlocking); }),
              "Can't change value while socket is active");
    EXPECT_EQ(MessageOf<ESocketError>([&] { c.socket.Open(); }), "<nothing thrown>");  // already so: nothing
    c.socket.SetHost("LOCALHOST");  // the same name in other letters is no change
    c.socket.SetPort(server.Port());

    EXPECT_EQ(c.socket.SendBuf("bye\r\n", 5), 5);
    EXPECT_EQ(c.Receive(), "");  // the peer closed: 0 at once, nothing raised
    c.socket.Close();
    EXPECT_FALSE(c.socket.Active());
    EXPECT_EQ(c.events, (Events{"lookup", "connecting", "connect", "disconnect"}));
    // Closed: nothing is sent or received, no system call is made.
    EXPECT_EQ(c.socket.SendBuf("x", 1), 0);
    EXPECT_EQ(c.socket.ReceiveBuf(nullptr, 10), 0);
    EXPECT_EQ(c.socket.ReceiveBuf(nullptr, -1), 0);
    server.Finish();
}

TEST(SocketClient, AFailedOpenFiresDisconnectButNeverConnect)
{
    struct Case {
        std::string address;
        int port;
        std::string message;
        Events events;
    };
    const int closed = ClosedPort();
    const std::string invalid = "Windows socket error: Invalid argument (22), on API 'connect'";
    const std::vector<Case> cases = {
        {"127.0.0.1", closed, "Windows socket error: Connection refused (111), on API 'connect'",
         {"lookup", "connecting", "disconnect"}},
        {"", closed, "No address specified", {"lookup", "disconnect"}},
        // A port that does not fit would reach another one.
        {"127.0.0.1", 70000, invalid, {"lookup", "disconnect"}},
        {"127.0.0.1", 0, invalid, {"lookup", "disconnect"}},
    };
    for (const Case& k : cases) {
        Client c(k.port);
        c.socket.SetAddress(k.address);
        EXPECT_EQ(MessageOf<ESocketError>([&] { c.socket.Open(); }), k.message);
        EXPECT_EQ(c.events, k.events) << k.message;
        EXPECT_FALSE(c.socket.Active());
    }

    Client name(110);
    name.socket.SetAddress("");
    name.socket.SetHost("no-such-host.invalid");
    std::string message = MessageOf<ESocketError>([&] { name.socket.Open(); });
    EXPECT_EQ(message.rfind("Windows socket error: ", 0), 0u) << message;
    EXPECT_NE(message.find("on API 'connect'"), std::string::npos) << message;
    EXPECT_EQ(name.events, (Events{"lookup", "disconnect"}));

    TClientSocket nonBlocking;
    nonBlocking.SetAddress("127.0.0.1");
    nonBlocking.SetPort(closed);
    EXPECT_EQ(MessageOf<ESocketError>([&] { nonBlocking.Open(); }), "Only blocking client sockets are supported");
}

TEST(SocketClient, ASilentPeerTimesOutLikeAReceiveFailureWhileTheWindowRuns)
{
    ScriptedPop3Server server;
    server.Greeting("+OK\r\n").SilentUntilClosed();
    server.Start();
    int pumps = 0;
    PumpHook hook([&] { ++pumps; });
    Client c(server.Port(), 300);
    c.socket.Open();
    EXPECT_EQ(c.Receive(), "+OK\r\n");
    Stopwatch watch;
    EXPECT_EQ(MessageOf<ESocketError>([&] { c.Receive(); }),
              "Windows socket error: Connection timed out (110), on API 'recv'");
    EXPECT_GE(watch.Ms(), 290);
    EXPECT_GT(pumps, 10);  // the wait went by in slices with the GUI's turn between them
    EXPECT_EQ(c.events, (Events{"lookup", "connecting", "connect", "error 2 110", "disconnect"}));
    EXPECT_FALSE(c.socket.Active());

    // A handler that sets the code to 0 suppresses the exception; the socket is closed all the same.
    ScriptedPop3Server quiet;
    quiet.Greeting("+OK\r\n").SilentUntilClosed();
    quiet.Start();
    Client q(quiet.Port(), 200);
    q.socket.OnError = [&](TClientSocket*, TErrorEvent, int& code) { code = 0; };
    q.socket.Open();
    q.Receive();
    EXPECT_EQ(q.Receive(), "");
    EXPECT_FALSE(q.socket.Active());
    server.Finish();
    quiet.Finish();
}

TEST(SocketClient, AConnectThatNeverCompletesEndsOnItsTimeOutOrOnAbort)
{
    StalledListener stalled;
    Client c(stalled.Port(), 300);
    int pumps = 0;
    {
        PumpHook hook([&] { ++pumps; });
        EXPECT_EQ(MessageOf<ESocketError>([&] { c.socket.Open(); }),
                  "Windows socket error: Connection timed out (110), on API 'connect'");
    }
    EXPECT_GT(pumps, 10);
    EXPECT_EQ(c.events, (Events{"lookup", "connecting", "disconnect"}));

    Client stop(stalled.Port(), 5000);
    int turns = 0;
    PumpHook hook([&] {
        if (++turns == 3) stop.socket.Abort();
    });
    Stopwatch watch;
    EXPECT_EQ(MessageOf<ESocketAborted>([&] { stop.socket.Open(); }), "Operation cancelled by user");
    EXPECT_LT(watch.Ms(), 1000);
    EXPECT_FALSE(stop.socket.Active());
}

TEST(SocketClient, AbortEndsAReceiveWaitAndTheIpv6LoopbackWorks)
{
    ScriptedPop3Server server;
    server.Greeting("+OK\r\n").SilentUntilClosed();
    server.Start();
    Client c(server.Port(), 5000);
    c.socket.Open();
    c.Receive();
    int turns = 0;
    {
        PumpHook hook([&] {
            if (++turns == 2) c.socket.Abort();
        });
        EXPECT_EQ(MessageOf<ESocketAborted>([&] { c.Receive(); }), "Operation cancelled by user");
    }
    EXPECT_EQ(c.events, (Events{"lookup", "connecting", "connect", "disconnect"}));  // no error event
    server.Finish();

    Ipv6Greeter v6;
    ASSERT_TRUE(v6.Ok()) << "no IPv6 loopback on this machine";
    Client six(v6.Port());
    six.socket.SetAddress("");
    six.socket.SetHost("::1");
    six.socket.Open();
    EXPECT_EQ(six.socket.PeerAddress(), "::1");
    EXPECT_EQ(six.Receive(), "+OK v6\r\n");
    six.socket.Close();
}
