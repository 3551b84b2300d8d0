#include "RetrievalFixture.h"
#include "ScriptedPop3Server.h"
#include "retrieval/vem_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

using std::chrono::milliseconds;
using Events = std::vector<std::string>;
using Progress = std::vector<unsigned>;

const std::string kLogin = "USER bob\r\nPASS secret\r\n";

ScriptedPop3Server& LoggedIn(ScriptedPop3Server& s)
{
    return s.Greeting("+OK ready\r\n").Exchange("USER bob", "+OK\r\n").Exchange("PASS secret", "+OK\r\n");
}

// `n` (at least 2) octets of message lines, the last one ended by CR LF.
std::string Filler(size_t n)
{
    std::string text;
    for (; n >= 64; n -= 62) text += std::string(60, 'a') + "\r\n";
    return text + std::string(n - 2, 'a') + "\r\n";
}

}  // namespace

TEST(RetrievalClient, ASessionSpeaksExactlyTheseBytesAndUnstuffsTheMessage)
{
    const std::string message = "From: Ann <ann@example.com>\r\nSubject: Dots\r\n\r\n..\r\n....x\r\nplain\r\n";
    ScriptedPop3Server server;
    LoggedIn(server)
        .Exchange("STAT", "+OK 2 1800\r\n")
        .Exchange("LAST", "-ERR unknown command\r\n")
        .Exchange("LIST 1", "+OK 1 900\r\n")
        .Expect("RETR 1\r\n")
        .SendChunks({"+OK message follows\r\n", message.substr(0, 30), message.substr(30) + ".", "\r\n"}, milliseconds(20))
        .Exchange("DELE 2", "+OK deleted\r\n")
        .Exchange("UIDL 1", "+OK 1 uid-abc\r\n")
        .Exchange("QUIT", "+OK bye\r\n");
    server.Start();

    Retriever r(server.Port());
    r.ConnectAndLogin();
    EXPECT_TRUE(r.pop.Connected());
    r.pop.GetStatus();
    EXPECT_EQ(r.pop.MessageCount(), 2);
    EXPECT_FALSE(r.pop.LastSupported());
    EXPECT_TRUE(r.pop.LastCmdFailed());  // until the next reply
    EXPECT_TRUE(r.pop.Connected());      // a refused LAST is no failure

    TVemMsg msg;
    msg.ClearRawMailAfterParse = false;
    ASSERT_TRUE(r.pop.RetrieveMessage(1, msg));
    EXPECT_EQ(msg.RawMail, (StringList{"From: Ann <ann@example.com>", "Subject: Dots", "", ".", "...x", "plain"}));
    EXPECT_EQ(msg.Size, 900);
    EXPECT_FALSE(r.pop.LastCmdFailed());

    r.pop.DeleteMessage(2);
    EXPECT_EQ(r.pop.MessageCount(), 1);
    EXPECT_EQ(r.pop.GetUIDL(1), "uid-abc");
    EXPECT_TRUE(r.pop.Disconnect());
    EXPECT_FALSE(r.pop.Connected());
    EXPECT_FALSE(r.pop.Disconnect());  // not connected: nothing

    EXPECT_EQ(r.events, (Events{"lookup", "connecting", "connect", "before 1", "after", "delete 2", "disconnect"}));
    EXPECT_TRUE(r.errorCodes.empty());
    EXPECT_EQ(r.WorkFiles(), 0u);
    EXPECT_EQ(server.Finish(), kLogin + "STAT\r\nLAST\r\nLIST 1\r\nRETR 1\r\nDELE 2\r\nUIDL 1\r\nQUIT\r\n");
}

TEST(RetrievalClient, ProgressFollowsTheThresholdRuleWithOneFinalHundred)
{
    struct Case {
        std::string name;
        std::string listReply;
        uint16_t step;
        std::vector<size_t> chunks;  // after the status line "+OK\r\n" (5 octets)
        Progress expected;
    };
    const std::vector<Case> cases = {
        // 1000 octets: the chunks reach 20, 60, 70, 80 and 101 percent, thresholds 25, 50, 75, 100.
        {"past a hundred", "+OK 1 1000\r\n", 25, {195, 400, 100, 100, 210}, {60, 70, 80, 101}},
        {"short of a hundred", "+OK 1 1000\r\n", 25, {195, 400, 100, 100, 190}, {60, 70, 80, 100}},
        // A refused LIST leaves the size at 100: percentages are octets.
        {"list refused", "-ERR no such message\r\n", 10, {50, 60}, {55, 115}},
        // A size of 0 divides nothing: every chunk is done.
        {"size zero", "+OK 1 0\r\n", 10, {50, 60}, {100, 100}},
        // A size beyond 2^31 (a 3 GB message) is no failure.
        {"three gigabytes", "+OK 1 3221225472\r\n", 10, {50, 60}, {100}},
        // Halves round to the even neighbour: 5 + 120 of 1000 is 12.5, so 12; 425 is 42.5, so 42.
        {"half to even", "+OK 1 1000\r\n", 12, {120, 300}, {12, 42, 100}},
    };
    for (const Case& k : cases) {
        std::vector<std::string> chunks = {"+OK\r\n"};
        for (size_t i = 0; i < k.chunks.size(); ++i)
            chunks.push_back(i + 1 < k.chunks.size() ? Filler(k.chunks[i]) : Filler(k.chunks[i] - 3) + ".\r\n");
        ScriptedPop3Server server;
        LoggedIn(server).Exchange("LIST 1", k.listReply).Expect("RETR 1\r\n").SendChunks(chunks, milliseconds(40));
        server.Start();
        Retriever r(server.Port());
        r.pop.RetrieveProgressStep = k.step;
        r.ConnectAndLogin();
        TVemMsg msg;
        EXPECT_TRUE(r.pop.RetrieveMessage(1, msg)) << k.name;
        EXPECT_EQ(r.progress, k.expected) << k.name;
        if (k.name == "three gigabytes") {
            EXPECT_EQ(msg.Size, 3221225472LL);
        }
        server.Finish(milliseconds(200));
    }
}

TEST(RetrievalClient, TheTerminatorIsFoundInTheFirstChunkAndAcrossTwoChunks)
{
    ScriptedPop3Server server;
    LoggedIn(server)
        .Exchange("LIST 1", "+OK 1 40\r\n")
        .Exchange("RETR 1", "+OK\r\nSubject: one\r\n\r\nbody\r\n.\r\n")
        .Exchange("LIST 2", "+OK 2 40\r\n")
        .Expect("RETR 2\r\n")
        .SendChunks({"+OK\r\nSubject: two\r\n\r\nline\r\n.", "\r\n"}, milliseconds(40))
        // Bytes after the terminator belong to no reply: they must not become part of the message.
        .Exchange("LIST 3", "+OK 3 40\r\n")
        .Exchange("RETR 3", "+OK\r\nSubject: three\r\n\r\nx\r\n.\r\n+OK injected\r\n")
        .Exchange("UIDL 3", "+OK 3 real-id\r\n");
    server.Start();
    Retriever r(server.Port());
    r.ConnectAndLogin();
    TVemMsg one, two, three;
    one.ClearRawMailAfterParse = two.ClearRawMailAfterParse = three.ClearRawMailAfterParse = false;
    ASSERT_TRUE(r.pop.RetrieveMessage(1, one));
    EXPECT_EQ(r.progress, Progress{100});  // no report in the loop, one final 100
    EXPECT_EQ(one.RawMail, (StringList{"Subject: one", "", "body"}));
    ASSERT_TRUE(r.pop.RetrieveMessage(2, two));
    EXPECT_EQ(two.RawMail, (StringList{"Subject: two", "", "line"}));
    r.pop.GetUIDLsOnRetrieve = true;
    ASSERT_TRUE(r.pop.RetrieveMessage(3, three));
    EXPECT_EQ(three.RawMail, (StringList{"Subject: three", "", "x"}));
    EXPECT_EQ(three.UIDL, "real-id");
    server.Finish(milliseconds(200));
}

TEST(RetrievalClient, EveryRefusalRunsTheErrorPathWithItsCodeAndNoQuit)
{
    struct Case {
        std::string name;
        std::function<void(ScriptedPop3Server&)> script;
        std::function<void(Retriever&)> act;
        int code;
        std::string text;
        std::string sent;
    };
    const std::vector<Case> cases = {
        {"USER",
         [](ScriptedPop3Server& s) { s.Greeting().Exchange("USER bob", "-ERR no such user\r\n"); },
         [](Retriever& r) {
             r.pop.Connect();
             EXPECT_FALSE(r.pop.Login());
         },
         2001, "no such user", "USER bob\r\n"},
        {"PASS",
         [](ScriptedPop3Server& s) { s.Greeting().Exchange("USER bob", "+OK\r\n").Exchange("PASS secret", "-ERR [AUTH] wrong\r\n"); },
         [](Retriever& r) {
             r.pop.Connect();
             EXPECT_FALSE(r.pop.Login());
         },
         2001, "[AUTH] wrong", kLogin},
        {"STAT", [](ScriptedPop3Server& s) { LoggedIn(s).Exchange("STAT", "-ERR locked\r\n"); },
         [](Retriever& r) {
             r.ConnectAndLogin();
             r.pop.GetStatus();
         },
         2006, "locked", kLogin + "STAT\r\n"},
        {"DELE", [](ScriptedPop3Server& s) { LoggedIn(s).Exchange("DELE 4", "-ERR message 4 already deleted\r\n"); },
         [](Retriever& r) {
             r.ConnectAndLogin();
             r.pop.DeleteMessage(4);
         },
         2003, "message 4 already deleted", kLogin + "DELE 4\r\n"},
        {"RETR", [](ScriptedPop3Server& s) { LoggedIn(s).Exchange("LIST 9", "-ERR no such message\r\n").Exchange("RETR 9", "-ERR no such message\r\n"); },
         [](Retriever& r) {
             r.ConnectAndLogin();
             TVemMsg msg;
             EXPECT_FALSE(r.pop.RetrieveMessage(9, msg));
         },
         2004, "no such message", kLogin + "LIST 9\r\nRETR 9\r\n"},
        {"TOP", [](ScriptedPop3Server& s) { LoggedIn(s).Exchange("LIST 9", "+OK 9 10\r\n").Exchange("TOP 9 0", "-ERR no\r\n"); },
         [](Retriever& r) {
             r.ConnectAndLogin();
             TVemMsg msg;
             EXPECT_FALSE(r.pop.Retrieve(9, true, msg));
         },
         2004, "no", kLogin + "LIST 9\r\nTOP 9 0\r\n"},
        {"UIDL", [](ScriptedPop3Server& s) { LoggedIn(s).Exchange("UIDL 1", "-ERR not supported\r\n"); },
         [](Retriever& r) {
             r.ConnectAndLogin();
             EXPECT_EQ(r.pop.GetUIDL(1), "");
         },
         2006, "not supported", kLogin + "UIDL 1\r\n"},
        // No reply at all is no "+OK": the deletion did not happen.
        {"DELE unanswered", [](ScriptedPop3Server& s) { LoggedIn(s).Expect("DELE 1\r\n").Close(); },
         [](Retriever& r) {
             r.ConnectAndLogin();
             r.pop.DeleteMessage(1);
         },
         2007, "The server closed the connection.", kLogin + "DELE 1\r\n"},
        {"cut off", [](ScriptedPop3Server& s) { LoggedIn(s).Exchange("LIST 1", "+OK 1 100\r\n").Expect("RETR 1\r\n").Send("+OK\r\nSubject: x\r\n\r\npart").Close(); },
         [](Retriever& r) {
             r.ConnectAndLogin();
             TVemMsg msg;
             EXPECT_FALSE(r.pop.RetrieveMessage(1, msg));
         },
         2007, "The server closed the connection before the end of the message.", kLogin + "LIST 1\r\nRETR 1\r\n"},
    };
    for (const Case& k : cases) {
        ScriptedPop3Server server;
        k.script(server);
        server.Start();
        Retriever r(server.Port());
        k.act(r);
        EXPECT_TRUE(r.pop.LastCmdFailed()) << k.name;
        EXPECT_FALSE(r.pop.Connected()) << k.name;
        EXPECT_EQ(r.errorCodes, std::vector<int>{k.code}) << k.name;
        EXPECT_EQ(r.errorTexts, Events{k.text}) << k.name;
        EXPECT_EQ(r.events.back(), "error from client") << k.name;  // after the close
        EXPECT_EQ(std::count(r.events.begin(), r.events.end(), "delete 4"), 0) << k.name;
        EXPECT_EQ(r.WorkFiles(), 0u) << k.name;
        EXPECT_FALSE(r.pop.Disconnect()) << k.name;  // closed already: no QUIT either
        EXPECT_EQ(server.Finish(), k.sent) << k.name;
    }
}

TEST(RetrievalClient, ASilentServerTimesOutAndStopEndsTheDownloadQuietly)
{
    ScriptedPop3Server silent;
    LoggedIn(silent).Exchange("LIST 1", "+OK 1 5000\r\n").Expect("RETR 1\r\n").Send("+OK\r\nSubject: x\r\n").SilentUntilClosed();
    silent.Start();
    Retriever r(silent.Port(), 300);
    r.ConnectAndLogin();
    TVemMsg msg;
    EXPECT_FALSE(r.pop.RetrieveMessage(1, msg));
    EXPECT_EQ(r.errorCodes, std::vector<int>{110});
    EXPECT_EQ(r.errorTexts, Events{"Windows socket error: Connection timed out (110), on API 'recv'"});
    EXPECT_EQ(r.events.back(), "error from socket");
    EXPECT_EQ(r.WorkFiles(), 0u);
    silent.Finish();

    ScriptedPop3Server stalled;
    LoggedIn(stalled).Exchange("LIST 1", "+OK 1 5000\r\n").Expect("RETR 1\r\n").Send("+OK\r\nSubject: x\r\n").SilentUntilClosed();
    stalled.Start();
    Retriever s(stalled.Port(), 10000);
    s.ConnectAndLogin();
    bool streaming = false;
    s.pop.OnReceiveTextFromSocket = [&](TVemPOP*, const std::string& chunk) {
        streaming = chunk.find("Subject") != std::string::npos;
    };
    PumpHook hook([&] {
        if (streaming) s.pop.Abort();
    });
    Stopwatch watch;
    TVemMsg stopped;
    EXPECT_EQ(MessageOf<ESocketAborted>([&] { s.pop.RetrieveMessage(1, stopped); }), "Operation cancelled by user");
    EXPECT_LT(watch.Ms(), 2000);
    EXPECT_FALSE(s.pop.Connected());
    EXPECT_TRUE(s.errorCodes.empty());  // the user's own Stop is no error to report
    EXPECT_EQ(s.events.back(), "disconnect");
    EXPECT_EQ(s.WorkFiles(), 0u);
    EXPECT_EQ(stalled.Finish(), kLogin + "LIST 1\r\nRETR 1\r\n");  // no QUIT: nothing is deleted
}

TEST(RetrievalClient, ConnectFailuresOnlySetLastCmdFailed)
{
    // Refused, closed without a greeting, silent, and a refusing greeting.
    Retriever refused(ClosedPort());
    refused.pop.Connect();
    EXPECT_TRUE(refused.pop.LastCmdFailed());
    EXPECT_EQ(refused.events, (Events{"lookup", "connecting", "disconnect"}));
    EXPECT_EQ(MessageOf<Exception>([&] { refused.pop.Login(); }), "Invalid Op. Not connected.");
    TVemMsg msg;
    EXPECT_EQ(MessageOf<Exception>([&] { refused.pop.RetrieveMessage(1, msg); }), "Not connected.");
    EXPECT_EQ(MessageOf<Exception>([&] { refused.pop.DeleteMessage(1); }), "Not connected.");

    ScriptedPop3Server closes, silent, busy;
    closes.Close();
    silent.SilentUntilClosed();
    busy.Greeting("-ERR server busy\r\n").Exchange("QUIT", "+OK\r\n");
    for (auto* s : {&closes, &silent, &busy}) s->Start();
    for (auto* s : {&closes, &silent}) {
        Retriever r(s->Port(), 200);
        r.pop.Connect();
        EXPECT_TRUE(r.pop.LastCmdFailed());
        EXPECT_FALSE(r.pop.Connected());
        EXPECT_TRUE(r.errorCodes.empty());  // the caller says "Connect failed", once
        EXPECT_EQ(r.events.back(), "disconnect");
        s->Finish();
    }
    Retriever b(busy.Port());
    b.pop.Connect();
    EXPECT_TRUE(b.pop.LastCmdFailed());
    EXPECT_EQ(b.pop.ReplyText(), "server busy");
    EXPECT_TRUE(b.pop.Disconnect());
    busy.Finish();
}

TEST(RetrievalClient, RepliesInPiecesAreJoinedAndInjectedLinesRefused)
{
    ScriptedPop3Server server;
    LoggedIn(server).Expect("STAT\r\n").SendChunks({"+O", "K 2 ", "320\r\n"}, milliseconds(30)).Exchange("LAST", "+OK 1\r\n");
    server.Start();
    Retriever r(server.Port());
    r.ConnectAndLogin();
    r.pop.GetStatus();
    EXPECT_EQ(r.pop.ReplyStatus(), "+OK");
    EXPECT_EQ(r.pop.MessageCount(), 2);
    EXPECT_EQ(r.pop.NewMessageCount(), 1);
    EXPECT_TRUE(r.pop.LastSupported());
    r.pop.UserId = "bob\r\nDELE 1";
    EXPECT_EQ(MessageOf<Exception>([&] { r.pop.Login(); }), "Invalid character in command");
    r.pop.Abort();
    EXPECT_EQ(server.Finish(), kLogin + "STAT\r\nLAST\r\n");
}

// Found by the session fuzzer: a count beyond an int wrapped negative, and the new-message
// count then overflowed.
TEST(RetrievalClient, CountsBeyondAnIntAreCutNotWrapped)
{
    struct Case {
        const char* stat;
        const char* last;
        int count, fresh;
    } cases[] = {
        {"+OK 3221225472 99999999999999999999\r\n", "+OK 2147483647\r\n", 2147483647, 0},
        {"+OK 3221225472 1\r\n", "+OK -2147483648\r\n", 2147483647, 2147483647},
        {"+OK -2147483648 0\r\n", "+OK 2147483647\r\n", 0, -2147483647},
        {"+OK 5 500\r\n", "+OK 9223372036854775807\r\n", 5, 5 - 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stat);
        ScriptedPop3Server server;
        LoggedIn(server).Exchange("STAT", c.stat).Exchange("LAST", c.last).Exchange("QUIT", "+OK\r\n");
        server.Start();
        Retriever r(server.Port());
        r.ConnectAndLogin();
        r.pop.GetStatus();
        EXPECT_EQ(r.pop.MessageCount(), c.count);
        EXPECT_EQ(r.pop.NewMessageCount(), c.fresh);
        EXPECT_TRUE(r.pop.Disconnect());
        server.Finish();
    }
}

TEST(RetrievalClient, HostAndPortAreTakenAsTheyAreMeant)
{
    Retriever r(ClosedPort(), 500);
    r.pop.Port = "pop";  // not a number: 110
    r.pop.Connect();
    EXPECT_EQ(r.pop.Socket().Port(), 110);
    EXPECT_EQ(r.pop.Socket().Address(), "127.0.0.1");
    EXPECT_EQ(r.pop.Socket().Host(), "");
    r.pop.Disconnect();
    r.pop.Port = "1";
    r.pop.Host = "localhost";
    r.pop.Connect();
    EXPECT_EQ(r.pop.Socket().Host(), "localhost");
    EXPECT_EQ(r.pop.Socket().Address(), "");

    for (const char* dotted : {"10.0.0.1", "255.255.255.255", "0.0.0.0"}) EXPECT_TRUE(IsDottedAddress(dotted)) << dotted;
    for (const char* name : {"1.2.3.256", "1.2.3", "1.2.3.4.5", "1..3.4", "a.b.c.d", "1.2.3.", "::1", "", "1.2.3.0004"})
        EXPECT_FALSE(IsDottedAddress(name)) << name;
}

TEST(RetrievalClient, NumbersInReplyTexts)
{
    EXPECT_EQ(GetNumberInText("2 1864", 1, 0), 2);
    EXPECT_EQ(GetNumberInText("  2   1864 \r\n", 2, 0), 1864);
    EXPECT_EQ(GetNumberInText("1 (3221225472)", 2, 100), 3221225472LL);
    EXPECT_EQ(GetNumberInText("{7}", 1, 0), 7);
    EXPECT_EQ(GetNumberInText("no such message", 2, 100), 100);
    EXPECT_EQ(GetNumberInText("1", 2, 100), 100);
    EXPECT_EQ(GetNumberInText("1 99999999999999999999", 2, -1), -1);  // does not fit
    EXPECT_EQ(GetNumberInText("", 1, 5), 5);
}
