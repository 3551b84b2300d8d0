#include "mailbox/Psock.h"
#include "mailbox/SocketErrors.h"
#include "NetTestHelpers.h"
#include "ScriptedPop3Server.h"

#include <gtest/gtest.h>

#include <cerrno>

using mailbox::SocketErrorFromErrno;
using mailbox::SocketErrorText;

namespace {

// A socket layer connected to a scripted server, with its events counted.
struct Client {
    TPowersock sock;
    int disconnects = 0;
    int failures = 0;
    int resolved = 0;

    explicit Client(int port, int timeOut = 2000)
    {
        sock.Host = "127.0.0.1";
        sock.Port = port;
        sock.TimeOut = timeOut;
        sock.OnDisconnect = [this](TPowersock*) { ++disconnects; };
        sock.OnConnectionFailed = [this](TPowersock*) { ++failures; };
        sock.OnHostResolved = [this](TPowersock*) { ++resolved; };
    }
    std::string Line()
    {
        std::string line;
        sock.ReadLn(line);
        return line;
    }
};

}  // namespace

TEST(ReplyFields, NthWordSplitsAtEverySingleDelimiter)
{
    EXPECT_EQ(TPowersock::NthWord("a  b", ' ', 1), "a");
    EXPECT_EQ(TPowersock::NthWord("a  b", ' ', 2), "");
    EXPECT_EQ(TPowersock::NthWord("a  b", ' ', 3), "b");
    EXPECT_EQ(TPowersock::NthWord("a  b", ' ', 4), "");
    // The line end stays with the last field.
    EXPECT_EQ(TPowersock::NthWord("+OK 2 320\r\n", ' ', 1), "+OK");
    EXPECT_EQ(TPowersock::NthWord("+OK 2 320\r\n", ' ', 3), "320\r\n");
    EXPECT_EQ(TPowersock::NthWord("+OK\r\n", ' ', 1), "+OK\r\n");
    EXPECT_EQ(TPowersock::NthWord("", ' ', 1), "");
    EXPECT_EQ(TPowersock::NthWord("x", ' ', 0), "");
    EXPECT_EQ(TPowersock::NthWord("1/320", '/', 2), "320");
}

TEST(SocketErrors, CodesGiveTheTableTexts)
{
    TPowersock sock;
    EXPECT_EQ(sock.LookupErrorMessage(10054), "10054:Connection reset by peer");
    EXPECT_EQ(sock.LookupErrorMessage(10061), "10061:Connection refused");
    EXPECT_EQ(sock.LookupErrorMessage(10065), "10065:No route to Host");
    EXPECT_EQ(sock.LookupErrorMessage(10004), "10004:Interrupted system call");
    EXPECT_EQ(sock.LookupErrorMessage(10093), "10093:Successful WSAStartup not yet performed");
    EXPECT_EQ(sock.LookupErrorMessage(11003), "11003:Non-Recoverable error: FORMERR, REFUSED, NOTIMP");
    EXPECT_EQ(sock.LookupErrorMessage(11004), "11004:Valid name, no data record of requested type");
    EXPECT_EQ(sock.LookupErrorMessage(12345), "Unknown Error No. 12345");
    EXPECT_EQ(sock.LookupErrorMessage(10010), "Unknown Error No. 10010");  // a gap in the table
    EXPECT_EQ(sock.LookupErrorMessage(0), "");
}

TEST(SocketErrors, PlatformErrorsMapToTheNumbersUsersKnow)
{
    EXPECT_EQ(SocketErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(SocketErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(SocketErrorFromErrno(EPIPE), 10054);
    EXPECT_EQ(SocketErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(SocketErrorFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(SocketErrorFromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(SocketErrorFromErrno(ENOTCONN), 10057);
    EXPECT_EQ(SocketErrorFromErrno(EAGAIN), 10035);
    EXPECT_EQ(SocketErrorFromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(SocketErrorFromErrno(EINPROGRESS), 10036);
    EXPECT_EQ(SocketErrorFromErrno(EADDRINUSE), 10048);
    EXPECT_EQ(SocketErrorFromErrno(EMFILE), 10024);
    EXPECT_EQ(SocketErrorText(SocketErrorFromErrno(EHOSTDOWN)), "10064:Host is down");
    // No counterpart: the raw number, reported as unknown rather than swallowed.
    EXPECT_EQ(SocketErrorFromErrno(EIO), EIO);
    EXPECT_EQ(SocketErrorText(SocketErrorFromErrno(EIO)), "Unknown Error No. " + std::to_string(EIO));
}

TEST(SocketReadLn, ReturnsExactlyOneLineAndLeavesTheRestQueued)
{
    ScriptedPop3Server server;
    server.SendChunks({"+OK hel", "lo wo", "rld\r\n"}, std::chrono::milliseconds(30))
        .Send("first\r\nsecond\r\n")
        .Send("bare\nend\r\n")
        .Close();
    server.Start();
    Client c(server.Port());
    c.sock.Connect();
    EXPECT_TRUE(c.sock.Connected());
    EXPECT_EQ(c.Line(), "+OK hello world\r\n");  // one line from three packets
    EXPECT_EQ(c.Line(), "first\r\n");
    // The second line of the packet is still in the socket, not in a private buffer.
    EXPECT_TRUE(c.sock.DataAvailable());
    EXPECT_EQ(c.Line(), "second\r\n");
    EXPECT_EQ(c.Line(), "bare\n");
    EXPECT_EQ(c.Line(), "end\r\n");
    // Closed by the peer: an empty line, and the component notices the close.
    EXPECT_EQ(c.Line(), "");
    EXPECT_FALSE(c.sock.Connected());
    EXPECT_EQ(c.disconnects, 1);
    EXPECT_EQ(c.resolved, 0);  // a dotted address needs no lookup
    EXPECT_EQ(server.Finish(), "");
}

TEST(SocketReadLn, PeerClosingBeforeALineGivesAnEmptyLineAtOnce)
{
    ScriptedPop3Server server;
    server.Send("partial line without end").Close();
    server.Start();
    Client c(server.Port(), 0);  // no time-out: only the close can end this read
    c.sock.Connect();
    Stopwatch watch;
    EXPECT_EQ(c.Line(), "");
    EXPECT_LT(watch.Ms(), 2000);
    EXPECT_FALSE(c.sock.Connected());
    EXPECT_EQ(c.disconnects, 1);
    server.Finish();
}

TEST(SocketReadLn, LongLinesAreDeliveredWholeUpToTheLimitAndRefusedBeyond)
{
    const std::string longLine = std::string(100000, 'x') + "\r\n";
    ScriptedPop3Server server;
    server.Send(longLine + "next\r\n").SendUntilCut(std::string(TPowersock::MaxLineLength + 10, 'y') + "\r\n");
    server.Start();
    Client c(server.Port());
    c.sock.Connect();
    EXPECT_EQ(c.Line(), longLine);
    EXPECT_EQ(c.Line(), "next\r\n");
    // A line past the limit cannot be resumed: refused, and the connection is closed.
    EXPECT_EQ(MessageOf<ELineTooLong>([&] { c.Line(); }), "The server sent a line that is too long.");
    EXPECT_FALSE(c.sock.Connected());
    EXPECT_EQ(c.disconnects, 1);
    server.Finish();
}

TEST(SocketReadLn, ResetByPeerIsReportedWithItsText)
{
    ScriptedPop3Server server;
    server.Send("+OK hi\r\n").Silent(std::chrono::milliseconds(50)).Reset();
    server.Start();
    Client c(server.Port());
    c.sock.Connect();
    EXPECT_EQ(c.Line(), "+OK hi\r\n");
    EXPECT_EQ(MessageOf<ESockError>([&] { c.Line(); }), "10054:Connection reset by peer");
    EXPECT_EQ(c.sock.LastErrorNo(), 10054);
    server.Finish();
}

TEST(SocketWaits, ASilentServerEndsTheReadAfterTheTimeOut)
{
    ScriptedPop3Server server;
    server.SilentUntilClosed();
    server.Start();
    Client c(server.Port(), 300);
    int pumps = 0;
    PumpHook hook([&] { ++pumps; });
    c.sock.Connect();
    Stopwatch watch;
    EXPECT_EQ(MessageOf<EAbortError>([&] { c.Line(); }), "Socket readln aborted");
    EXPECT_GE(watch.Ms(), 280);
    EXPECT_LT(watch.Ms(), 1500);
    // The GUI was kept running, in slices of at most 10 ms, but no busier than that.
    EXPECT_GE(pumps, 10);
    EXPECT_LE(pumps, 300 / 10 * 3);
    // The socket layer alone only cancels; closing is the client's business.
    EXPECT_TRUE(c.sock.Connected());
    c.sock.Disconnect();
    EXPECT_EQ(c.disconnects, 1);
    server.Finish();
}

TEST(SocketWaits, WithoutTimeOutAWaitLastsUntilCancelled)
{
    ScriptedPop3Server server;
    server.SilentUntilClosed();
    server.Start();
    Client c(server.Port(), 0);
    c.sock.Connect();
    int pumps = 0;
    PumpHook hook([&] {
        if (++pumps == 60) c.sock.Cancel();
    });
    Stopwatch watch;
    EXPECT_EQ(MessageOf<EAbortError>([&] { c.Line(); }), "Socket readln aborted");
    EXPECT_EQ(pumps, 60);
    EXPECT_GE(watch.Ms(), 300);
    c.sock.Disconnect();
    server.Finish();
}

TEST(SocketWaits, ABlockedSendKeepsPumpingAndEndsOnTimeOutOrStop)
{
    const std::string flood(16 * 1024 * 1024, 'z');
    for (bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "Stop" : "time-out");
        ScriptedPop3Server server;
        server.Silent(std::chrono::milliseconds(1000)).IgnoreUntilClosed();
        server.Start();
        Client c(server.Port(), stop ? 0 : 300);
        c.sock.Connect();
        int pumps = 0;
        PumpHook hook([&] {
            if (++pumps == 20 && stop) c.sock.Abort();
        });
        Stopwatch watch;
        EXPECT_EQ(MessageOf<EAbortError>([&] { c.sock.Write(flood); }), "Socket send aborted");
        EXPECT_LT(watch.Ms(), 2500);
        EXPECT_GE(pumps, 20);
        c.sock.Disconnect();
        server.Finish();
    }
}

TEST(SocketWaits, NestedWaitsKeepTheOuterTimeOut)
{
    // A handler run by the pump does I/O of its own; the outer read must still time out.
    ScriptedPop3Server server;
    server.IgnoreUntilClosed();
    server.Start();
    Client c(server.Port(), 300);
    c.sock.Connect();
    bool nested = false;
    PumpHook hook([&] {
        if (nested) return;
        nested = true;
        c.sock.Write("NOOP\r\n");  // a complete, short wait of its own
    });
    Stopwatch watch;
    EXPECT_EQ(MessageOf<EAbortError>([&] { c.Line(); }), "Socket readln aborted");
    EXPECT_LT(watch.Ms(), 1500);
    c.sock.Disconnect();
    server.Finish();
}

TEST(SocketConnect, RefusedConnectFailsAndTheComponentStaysUsable)
{
    Client c(ClosedPort());
    EXPECT_EQ(MessageOf<ESockError>([&] { c.sock.Connect(); }), "Connection Failed");
    EXPECT_EQ(c.failures, 1);
    EXPECT_EQ(c.sock.LastErrorNo(), 10061);
    EXPECT_FALSE(c.sock.Connected());
    EXPECT_EQ(c.disconnects, 0);  // nothing was ever connected

    ScriptedPop3Server server;
    server.Send("+OK again\r\n");
    server.Start();
    c.sock.Port = server.Port();
    c.sock.Connect();
    EXPECT_EQ(c.Line(), "+OK again\r\n");
    EXPECT_EQ(MessageOf<ESockError>([&] { c.sock.Connect(); }), "Already connected");
    c.sock.Disconnect();
    EXPECT_FALSE(c.sock.Connected());
    EXPECT_EQ(c.disconnects, 1);
    server.Finish();
}

TEST(SocketConnect, APortOutOfRangeIsRefusedInsteadOfWrappingAround)
{
    ScriptedPop3Server server;  // would be reached if 65536 + port wrapped around
    Client c(65536 + server.Port());
    EXPECT_EQ(MessageOf<ESockError>([&] { c.sock.Connect(); }), "10049:Can't assign requested address");
    EXPECT_FALSE(c.sock.Connected());
}

TEST(SocketConnect, AStalledConnectEndsOnTimeOutOrStop)
{
    StalledListener stalled;
    {
        Client c(stalled.Port(), 300);
        Stopwatch watch;
        EXPECT_EQ(MessageOf<ESockError>([&] { c.sock.Connect(); }), "Connection Timed out");
        EXPECT_GE(watch.Ms(), 280);
        EXPECT_LT(watch.Ms(), 2000);
        EXPECT_EQ(c.failures, 1);
        EXPECT_FALSE(c.sock.Connected());
    }
    {
        Client c(stalled.Port(), 0);
        int pumps = 0;
        PumpHook hook([&] {
            if (++pumps == 5) c.sock.Abort();
        });
        EXPECT_EQ(MessageOf<ESockError>([&] { c.sock.Connect(); }), "Connection Canceled");
        EXPECT_EQ(c.failures, 1);
        EXPECT_EQ(pumps, 5);
    }
}

TEST(SocketConnect, HostNamesAreLookedUpAndReported)
{
    ScriptedPop3Server server;
    server.Send("+OK\r\n");
    server.Start();
    Client c(server.Port());
    c.sock.Host = "localhost";  // ::1 and 127.0.0.1: the one that does not listen is passed over
    c.sock.Connect();
    EXPECT_EQ(c.resolved, 1);
    EXPECT_EQ(c.Line(), "+OK\r\n");
    c.sock.Disconnect();
    server.Finish();

    // An IPv6 literal needs no lookup.
    Ipv6Greeter v6;
    ASSERT_TRUE(v6.Ok()) << "no IPv6 loopback on this machine";
    Client six(v6.Port());
    six.sock.Host = "::1";
    six.sock.Connect();
    EXPECT_EQ(six.resolved, 0);
    EXPECT_EQ(six.Line(), "+OK v6\r\n");
    six.sock.Disconnect();
}

TEST(SocketConnect, AnUnknownHostGetsOneRetryThroughOnInvalidHost)
{
    ScriptedPop3Server server;
    server.Send("+OK\r\n");
    server.Start();
    Client c(server.Port());
    c.sock.Host = "no-such-host.invalid";

    // No handler: no address, no retry.
    EXPECT_EQ(MessageOf<ESockError>([&] { c.sock.Connect(); }), "Null Remote Address");

    // A handler that leaves Handled false.
    int calls = 0;
    c.sock.OnInvalidHost = [&](bool& handled) {
        ++calls;
        EXPECT_FALSE(handled);
    };
    EXPECT_EQ(MessageOf<ESockError>([&] { c.sock.Connect(); }), "Null Remote Address");
    EXPECT_EQ(calls, 1);

    // A handler that names another bad host: asked only once.
    calls = 0;
    c.sock.OnInvalidHost = [&](bool& handled) {
        ++calls;
        c.sock.Host = "still-no-such-host.invalid";
        handled = true;
    };
    EXPECT_EQ(MessageOf<ESockError>([&] { c.sock.Connect(); }), "Null Remote Address");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(c.failures, 0);  // no connect was tried

    // A handler that repairs the host: connected on the second attempt.
    calls = 0;
    c.sock.Host = "no-such-host.invalid";
    c.sock.OnInvalidHost = [&](bool& handled) {
        ++calls;
        c.sock.Host = "localhost";
        handled = true;
    };
    c.sock.Connect();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(c.sock.Connected());
    EXPECT_EQ(c.Line(), "+OK\r\n");
    c.sock.Disconnect();
    server.Finish();
}

TEST(SocketConnect, StopDuringTheLookupCancelsIt)
{
    Client c(110);
    c.sock.Host = "localhost";
    PumpHook hook([&] { c.sock.Abort(); });
    EXPECT_EQ(MessageOf<ESockError>([&] { c.sock.Connect(); }), "Host Lookup Canceled");
    EXPECT_EQ(c.resolved, 0);
    EXPECT_EQ(c.failures, 0);
}

TEST(SocketWrite, CommandLinesCannotCarryFurtherCommands)
{
    ScriptedPop3Server server;
    server.Expect("NOOP\r\n").Expect("raw\r\nbytes");
    server.Start();
    Client c(server.Port());
    c.sock.Connect();
    for (const std::string& bad : std::vector<std::string>{"USER a\r\nDELE 1", "USER a\nDELE 1", std::string("USER a\0b", 8)})
        EXPECT_EQ(MessageOf<ESockError>([&] { c.sock.Writeln(bad); }), "Invalid character in command");
    c.sock.Writeln("NOOP");
    c.sock.Write("raw\r\nbytes");  // Write sends text as it is
    EXPECT_EQ(server.Finish(std::chrono::milliseconds(200)), "NOOP\r\nraw\r\nbytes");
    c.sock.Disconnect();
}
