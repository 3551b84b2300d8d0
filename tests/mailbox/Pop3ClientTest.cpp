#include "mailbox/Kiropop3.h"
#include "NetTestHelpers.h"
#include "ScriptedPop3Server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using std::chrono::milliseconds;

// A mailbox client set up the way the main window sets it up, logging its events in order.
struct Mailbox {
    TKiroPOP3 pop;
    std::vector<std::string> events;

    explicit Mailbox(int port, int timeOut = 2000)
    {
        pop.Host = "127.0.0.1";
        pop.Port = port;
        pop.TimeOut = timeOut;
        pop.UserID = "bob";
        pop.Password = "secret";
        pop.OnConnect = [this](TPowersock*) { events.push_back("connect"); };
        pop.OnDisconnect = [this](TPowersock*) { events.push_back("disconnect"); };
        pop.OnList = [this](int msg, int size) {
            events.push_back("list " + std::to_string(msg) + " " + std::to_string(size));
        };
        pop.OnSuccess = [this](TPowersock*) { events.push_back("success"); };
        pop.OnFailure = [this](TPowersock*) { events.push_back("failure"); };
    }
};

using Events = std::vector<std::string>;

const std::string kLogin = "CAPA\r\nUSER bob\r\nPASS secret\r\nSTAT\r\n";

}  // namespace

TEST(Pop3Check, AFullCheckSpeaksExactlyTheseBytes)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 2 1864\r\n")
        .Exchange("LIST", "+OK 2 messages\r\n1 320\r\n2 1544\r\n.\r\n")
        // The sizes come from the full LIST: no "LIST n" per message.
        .Exchange("TOP 1 0", "+OK\r\nFrom: Ann <ann@example.com>\r\nSubject: Lunch\r\n\r\n.\r\n")
        .Exchange("TOP 2 0", "+OK\r\nSubject: Report\r\nFrom: carl@example.com\r\n\r\n.\r\n")
        .Exchange("QUIT", "+OK bye\r\n");
    server.Start();

    Mailbox m(server.Port());
    m.pop.Connect();
    EXPECT_TRUE(m.pop.Connected());
    EXPECT_EQ(m.pop.MessageCount(), 2);
    m.pop.List();
    m.pop.GetSummary(1);
    EXPECT_EQ(m.pop.Summary().From, " Ann <ann@example.com>");
    EXPECT_EQ(m.pop.Summary().Subject, " Lunch");
    EXPECT_EQ(m.pop.Summary().Bytes, 320);
    m.pop.GetSummary(2);
    EXPECT_EQ(m.pop.Summary().From, " carl@example.com");
    EXPECT_EQ(m.pop.Summary().Subject, " Report");
    EXPECT_EQ(m.pop.Summary().Bytes, 1544);
    m.pop.Disconnect();

    EXPECT_FALSE(m.pop.Connected());
    EXPECT_FALSE(m.pop.Busy());
    EXPECT_EQ(m.events, (Events{"connect", "list 1 320", "list 2 1544", "disconnect"}));
    EXPECT_EQ(server.Finish(), kLogin + "LIST\r\nTOP 1 0\r\nTOP 2 0\r\nQUIT\r\n");
}

TEST(Pop3Summary, HeaderFieldsAreTakenFromTheLinesOfTheirOwnCase)
{
    const std::string header =
        "Return-Path: <x@y>\r\n"
        "subject: lower case is not the subject\r\n"
        "Subject: first\r\n"
        "Subject:\r\n"  // a later line overwrites, even with nothing after the colon
        "From: Ann\r\n"
        " folded continuation\r\n"
        "Message-ID: <abc@example.com>\r\n"
        "Date: Mon, 1 Jan 2024 10:00:00 +0000\r\n"
        "..stuffed\r\n"
        "X-A: 1\r\n"
        "X-B: 2\r\n"
        "X-C: 3\r\n";  // 12 header lines
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 1 1520\r\n")
        .Exchange("TOP 1 0", "+OK headers follow\r\n" + header + "\r\n.\r\n")
        .Exchange("LIST 1", "+OK 3 1520\r\n")
        .Exchange("TOP 2 0", "+OK\nSubject: Hello\nFrom:  Bo\nMessage-ID: <" + std::string(300, 'm') + ">\n\n.\n")
        .Exchange("LIST 2", "+OK 2 77\n");
    server.Start();

    Mailbox m(server.Port());
    m.pop.Connect();
    m.pop.GetSummary(1);
    const TSummary& s = m.pop.Summary();
    EXPECT_EQ(s.Subject, "");
    EXPECT_EQ(s.From, " Ann folded continuation");
    EXPECT_EQ(s.MessageId, "<abc@example.com>");
    EXPECT_EQ(s.Bytes, 1520);
    ASSERT_EQ(s.Header.size(), 14u);  // 12 lines, the blank line, "."
    EXPECT_EQ(s.Header[1], "subject: lower case is not the subject");
    EXPECT_EQ(s.Header[5], " folded continuation");
    EXPECT_EQ(s.Header[8], "..stuffed");
    EXPECT_EQ(s.Header[12], "");
    EXPECT_EQ(s.Header[13], ".");

    // A server that ends lines with a bare LF loses no character of the values.
    m.pop.GetSummary(2);
    EXPECT_EQ(s.Subject, " Hello");
    EXPECT_EQ(s.From, "  Bo");
    EXPECT_EQ(s.MessageId, "<" + std::string(255, 'm'));  // at most 256 characters
    EXPECT_EQ(s.Bytes, 77);
    EXPECT_EQ(s.Header, (StringList{"Subject: Hello", "From:  Bo", "Message-ID: <" + std::string(300, 'm') + ">", "", "."}));
    server.Finish(milliseconds(100));
}

TEST(Pop3Summary, FoldedFieldsAreUnfoldedAndTheHeaderKeptAsReceived)
{
    // RFC 5322: a line break before a blank or a tab is folding; unfolding removes the break alone.
    struct Case {
        const char* name;
        std::string header;
        std::string subject, from, messageId;
    };
    const std::vector<Case> cases = {
        {"folded once", "Subject: Your invoice for\r\n December\r\nFrom: Ann\r\n", " Your invoice for December", " Ann", ""},
        {"the value only on the next lines", "Subject:\r\n =?UTF-8?B?R3LDvMOfZQ==?=\r\nFrom:\r\n\t\"Ann\"\r\n <a@x.org>\r\n",
         " =?UTF-8?B?R3LDvMOfZQ==?=", "\t\"Ann\" <a@x.org>", ""},
        {"a message id on the next line", "Message-ID:\r\n <1@x.org>\r\nSubject: s\r\n", " s", "", "<1@x.org>"},
        {"other fields' continuations stay theirs", "Received: by x\r\n Subject: no\r\nSubject: yes\r\n", " yes", "", ""},
        {"a later field overwrites whole", "Subject: one\r\n two\r\nSubject: three\r\n", " three", "", ""},
        {"the blank line ends the header", "Subject: s\r\n\r\n body\r\nFrom: body\r\n", " s", "", ""},
    };
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 6 60\r\n").Exchange("LIST", "+OK\r\n1 10\r\n2 10\r\n3 10\r\n4 10\r\n5 10\r\n6 10\r\n.\r\n");
    for (size_t i = 0; i < cases.size(); ++i)
        server.Exchange("TOP " + std::to_string(i + 1) + " 0", "+OK\r\n" + cases[i].header + "\r\n.\r\n");
    server.Start();
    Mailbox m(server.Port());
    m.pop.Connect();
    m.pop.List();
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        m.pop.GetSummary(int(i) + 1);
        const TSummary& s = m.pop.Summary();
        EXPECT_EQ(s.Subject, cases[i].subject);
        EXPECT_EQ(s.From, cases[i].from);
        EXPECT_EQ(s.MessageId, cases[i].messageId);
        std::string received;
        for (const std::string& line : s.Header) received += line + "\r\n";
        EXPECT_EQ(received, cases[i].header + "\r\n.\r\n");  // the header file's lines
    }
    server.Finish(milliseconds(100));
}

TEST(Pop3Summary, RefusalsAndBadSizesLeaveTheOperationWithTheirText)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 2 10\r\n")
        .Exchange("TOP 9 0", "-ERR no such message\r\n")
        .Exchange("TOP 1 0", "+OK\r\nSubject: s\r\n\r\n.\r\n")
        .Exchange("LIST 1", "-ERR no such message\r\n");
    server.Start();
    Mailbox m(server.Port());
    int ends = 0;
    m.pop.OnRetrieveEnd = [&](TPowersock*) { ++ends; };
    m.pop.Connect();
    EXPECT_EQ(MessageOf<Exception>([&] { m.pop.GetSummary(9); }), "-ERR no such message\r\n");
    EXPECT_EQ(MessageOf<EServerRefused>([&] { m.pop.GetSummary(1); }), "-ERR no such message\r\n");
    EXPECT_EQ(ends, 0);
    EXPECT_FALSE(m.pop.Busy());
    server.Finish(milliseconds(100));
}

TEST(Pop3List, EmptyMailboxListsNothing)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 0 0\r\n").Exchange("LIST", "+OK 0 messages\r\n.\r\n");
    server.Start();
    Mailbox m(server.Port());
    m.pop.Connect();
    EXPECT_EQ(m.pop.MessageCount(), 0);
    m.pop.List();
    EXPECT_EQ(m.events, (Events{"connect"}));
    server.Finish(milliseconds(100));
}

TEST(Pop3List, AnUnusableLineFailsTheListOnlyAfterTheWholeReplyIsRead)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 3 5\r\n")
        .Exchange("LIST", "+OK\r\n1 abc\r\n2 5\r\n.\r\n")
        .Exchange("LIST", "+OK\r\nx 5\r\n.\r\n")
        // Sizes beyond 2^31 - 1 are sizes like any other.
        .Exchange("LIST", "+OK\r\n1500 2147483653\r\n1501 1099511627776\r\n.\r\n")
        // Out of order, a number twice: each summary takes its last listed size; one not listed asks.
        .Exchange("LIST", "+OK\r\n3 30\r\n1 10\r\n3 33\r\n.\r\n")
        .Exchange("TOP 3 0", "+OK\r\n\r\n.\r\n")
        .Exchange("TOP 1 0", "+OK\r\n\r\n.\r\n")
        .Exchange("TOP 2 0", "+OK\r\n\r\n.\r\n")
        .Exchange("LIST 2", "+OK 2 22\r\n")
        .Exchange("QUIT", "+OK bye\r\n");
    server.Start();
    Mailbox m(server.Port());
    m.pop.Connect();
    EXPECT_EQ(MessageOf<EConvertError>([&] { m.pop.List(); }), "'abc' is not a valid integer value");
    m.pop.OnList = nullptr;  // nobody listens: nothing to convert
    m.pop.List();
    std::vector<std::pair<int, int64_t>> listed;
    m.pop.OnList = [&](int msg, int64_t size) { listed.emplace_back(msg, size); };
    m.pop.List();
    EXPECT_EQ(listed, (std::vector<std::pair<int, int64_t>>{{1500, 2147483653LL}, {1501, 1099511627776LL}}));
    m.pop.List();
    std::vector<int64_t> sizes;
    for (int n : {3, 1, 2}) {
        m.pop.GetSummary(n);
        sizes.push_back(m.pop.Summary().Bytes);
    }
    EXPECT_EQ(sizes, (std::vector<int64_t>{33, 10, 22}));
    // Each command read its own reply: QUIT gets "+OK bye", not a stale ".".
    EXPECT_NO_THROW(m.pop.Disconnect());
    EXPECT_EQ(server.Finish(), kLogin + "LIST\r\nLIST\r\nLIST\r\nLIST\r\nTOP 3 0\r\nTOP 1 0\r\nTOP 2 0\r\nLIST 2\r\nQUIT\r\n");
}

TEST(Pop3Refusals, ANegativeStatusIsTheWholeReplyOfAMultiLineCommand)
{
    // Nothing follows "-ERR": the command ends there with the server's words, without waiting
    // for lines, and the next command reads its own reply. (Cyrus refuses "LIST " with its
    // trailing blank, so the blank is gone too.)
    struct Case {
        const char* command;
        const char* reply;
        const char* serverText;
        std::function<void(TKiroPOP3&)> run;
        bool staysConnected;  // a failed batch closes without QUIT
    };
    const Case cases[] = {
        {"LIST", "-ERR Syntax error\r\n", "Syntax error", [](TKiroPOP3& pop) { pop.List(); }, true},
        {"TOP 2 0", "-ERR\r\n", "", [](TKiroPOP3& pop) { pop.GetSummary(2); }, true},
        {"TOP 2 0", "-ERR  no such message \r\n", "no such message",
         [](TKiroPOP3& pop) { pop.GetSummaries({2, 1}, nullptr); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        ScriptedPop3Server server;
        server.LoginOk("bob", "secret", "+OK 2 20\r\n").Exchange(c.command, c.reply);
        if (c.staysConnected) server.Exchange("QUIT", "+OK\r\n");
        server.Start();
        Mailbox m(server.Port(), 10000);  // a client waiting for lines would fail on the time-out
        m.pop.Connect();
        try {
            c.run(m.pop);
            ADD_FAILURE() << "no refusal";
        } catch (const EServerRefused& e) {
            EXPECT_EQ(e.Message(), c.reply);
            EXPECT_EQ(e.ServerText(), c.serverText);
        }
        EXPECT_FALSE(m.pop.Busy());
        EXPECT_EQ(m.pop.Connected(), c.staysConnected);
        EXPECT_NO_THROW(m.pop.Disconnect());
        EXPECT_EQ(server.Finish(), kLogin + c.command + "\r\n" + (c.staysConnected ? "QUIT\r\n" : ""));
    }
}

TEST(Pop3List, SummariesAskedForDuringTheListSendNothing)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 2 20\r\n")
        .Expect("LIST\r\n")
        .SendChunks({"+OK\r\n1 10\r\n", "2 10\r\n.\r\n"}, milliseconds(50))
        .Exchange("QUIT", "+OK\r\n");
    server.Start();
    Mailbox m(server.Port());
    m.pop.Connect();
    int handled = 0;
    m.pop.OnList = [&](int, int) {
        ++handled;
        EXPECT_TRUE(m.pop.Busy());
        m.pop.GetSummary(1);  // a GUI handler running inside the wait
        m.pop.DeleteMessage(1);
        m.pop.List();
    };
    int pumps = 0;
    PumpHook hook([&] {
        if (++pumps == 1) m.pop.GetSummary(2);
    });
    m.pop.List();
    EXPECT_EQ(handled, 2);
    m.pop.Disconnect();
    EXPECT_EQ(server.Finish(), kLogin + "LIST\r\nQUIT\r\n");
}

TEST(Pop3List, ACutOffReplyEndsWithAnExceptionInsteadOfReadingForever)
{
    for (bool listening : {true, false}) {
        SCOPED_TRACE(listening ? "with OnList" : "without OnList");
        ScriptedPop3Server server;
        server.LoginOk("bob", "secret", "+OK 2 20\r\n").Exchange("LIST", "+OK\r\n1 10\r\n").Close();
        server.Start();
        Mailbox m(server.Port(), 0);
        if (!listening) m.pop.OnList = nullptr;
        EXPECT_NO_THROW(m.pop.Connect());
        EXPECT_EQ(MessageOf<Exception>([&] { m.pop.List(); }), "Connection lost");
        EXPECT_FALSE(m.pop.Connected());
        EXPECT_FALSE(m.pop.Busy());
        server.Finish();
    }
}

TEST(Pop3Summary, ACutOffHeaderEndsWithAnExceptionInsteadOfReadingForever)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 1 10\r\n").Exchange("TOP 1 0", "+OK\r\nSubject: half").Close();
    server.Start();
    Mailbox m(server.Port(), 0);
    m.pop.Connect();
    EXPECT_EQ(MessageOf<Exception>([&] { m.pop.GetSummary(1); }), "Connection lost");
    EXPECT_FALSE(m.pop.Connected());
    EXPECT_EQ(m.events, (Events{"connect", "disconnect"}));
    server.Finish();
}

TEST(Pop3Delete, OnlyAPositiveReplyCountsAsDeleted)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 3 30\r\n")
        .Exchange("DELE 1", "-ERR no such message\r\n")
        .Exchange("DELE 2", "-ERR\r\n")
        .Exchange("DELE 3", "+OK message 3 deleted\r\n");
    server.Start();
    Mailbox m(server.Port());
    bool busyInSuccess = true;
    m.pop.OnSuccess = [&](TPowersock*) {
        m.events.push_back("success");
        busyInSuccess = m.pop.Busy();
    };
    m.pop.Connect();
    EXPECT_EQ(MessageOf<Exception>([&] { m.pop.DeleteMessage(1); }), "-ERR no such message\r\n");
    // A refusal without text is still a refusal.
    EXPECT_EQ(MessageOf<Exception>([&] { m.pop.DeleteMessage(2); }), "-ERR\r\n");
    m.pop.DeleteMessage(3);
    EXPECT_FALSE(busyInSuccess);
    EXPECT_EQ(m.events, (Events{"connect", "failure", "failure", "success"}));
    server.Finish(milliseconds(100));
}

TEST(Pop3Delete, ALostConnectionIsNoDeletion)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 1 10\r\n").Expect("DELE 1\r\n").Close();
    server.Start();
    Mailbox m(server.Port());
    m.pop.Connect();
    EXPECT_EQ(MessageOf<Exception>([&] { m.pop.DeleteMessage(1); }), "Connection lost");
    EXPECT_EQ(m.events, (Events{"connect", "disconnect", "failure"}));
    server.Finish();
}

TEST(Pop3Login, ARefusedPasswordIsRetriedOnceWhenTheHandlerAsks)
{
    ScriptedPop3Server server;
    server.MailboxGreeting()
        .Exchange("USER bob", "+OK\r\n")
        .Exchange("PASS secret", "-ERR [AUTH] Authentication failed.\r\n")
        .Exchange("USER bob", "+OK\r\n")
        .Exchange("PASS better", "+OK Logged in.\r\n")
        .Exchange("STAT", "+OK 4 400\r\n");
    server.Start();
    Mailbox m(server.Port());
    int calls = 0;
    m.pop.OnAuthenticationFailed = [&](bool& handled) {
        ++calls;
        EXPECT_FALSE(handled);
        m.pop.Password = "better";
        handled = true;
    };
    m.pop.Connect();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(m.pop.MessageCount(), 4);
    EXPECT_EQ(m.events, (Events{"connect"}));
    EXPECT_EQ(server.Finish(milliseconds(100)), "CAPA\r\nUSER bob\r\nPASS secret\r\nUSER bob\r\nPASS better\r\nSTAT\r\n");
}

TEST(Pop3Login, ASecondRefusalFailsWithoutAskingAgain)
{
    ScriptedPop3Server server;
    server.MailboxGreeting()
        .Exchange("USER bob", "+OK\r\n")
        .Exchange("PASS secret", "-ERR no\r\n")
        .Exchange("USER bob", "+OK\r\n")
        .Exchange("PASS better", "-ERR no\r\n")
        .Exchange("QUIT", "+OK\r\n");
    server.Start();
    Mailbox m(server.Port());
    int calls = 0;
    m.pop.OnAuthenticationFailed = [&](bool& handled) {
        ++calls;
        m.pop.Password = "better";
        handled = true;
    };
    EXPECT_EQ(MessageOf<Exception>([&] { m.pop.Connect(); }), "Authentication failed");
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(m.pop.Connected());
    EXPECT_FALSE(m.pop.Busy());
    EXPECT_EQ(m.events, (Events{"disconnect"}));  // logged out, never logged in
    server.Finish();
}

TEST(Pop3Login, RefusalsWithoutARetryLogOutAndSayAuthenticationFailed)
{
    struct Case {
        const char* name;
        bool refuseUser;
        bool handlerDeclines;
    };
    for (const Case& c : {Case{"PASS, no handler", false, false}, Case{"USER, no handler", true, false},
                          Case{"PASS, handler declines", false, true}}) {
        SCOPED_TRACE(c.name);
        ScriptedPop3Server server;
        server.MailboxGreeting();
        if (c.refuseUser) server.Exchange("USER bob", "-ERR unknown\r\n");
        else server.Exchange("USER bob", "+OK\r\n").Exchange("PASS secret", "-ERR wrong\r\n");
        server.Exchange("QUIT", "+OK\r\n");
        server.Start();
        Mailbox m(server.Port());
        int calls = 0;
        if (c.handlerDeclines) m.pop.OnAuthenticationFailed = [&](bool&) { ++calls; };
        EXPECT_EQ(MessageOf<Exception>([&] { m.pop.Connect(); }), "Authentication failed");
        EXPECT_EQ(calls, c.handlerDeclines ? 1 : 0);
        EXPECT_EQ(m.events, (Events{"disconnect"}));
        server.Finish();
    }
}

TEST(Pop3Login, MissingCredentialsAreAskedForOnceBeforeAnyConnection)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "typed", "+OK 0 0\r\n");
    server.Start();
    Mailbox m(server.Port());
    m.pop.Password = "";
    EXPECT_EQ(MessageOf<Exception>([&] { m.pop.Connect(); }), "Authentication failed");  // nobody to ask

    int asked = 0;
    m.pop.OnAuthenticationNeeded = [&](bool&) { ++asked; };  // declines
    EXPECT_EQ(MessageOf<Exception>([&] { m.pop.Connect(); }), "Authentication failed");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(server.Transcript(), "");  // no connection was made for any of this

    m.pop.OnAuthenticationNeeded = [&](bool& handled) {
        ++asked;
        m.pop.Password = "typed";
        handled = true;
    };
    m.pop.Connect();
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(m.pop.Connected());
    m.pop.Abort();
    EXPECT_EQ(server.Finish(), "CAPA\r\nUSER bob\r\nPASS typed\r\nSTAT\r\n");
}

TEST(Pop3Login, ANegativeGreetingOrStatEndsTheSession)
{
    {
        ScriptedPop3Server server;
        server.Greeting("-ERR too busy\r\n").Exchange("QUIT", "+OK\r\n");
        server.Start();
        Mailbox m(server.Port());
        EXPECT_EQ(MessageOf<Exception>([&] { m.pop.Connect(); }), "-ERR too busy\r\n");
        EXPECT_EQ(m.events, (Events{"disconnect"}));
        server.Finish();
    }
    {
        // STAT refused after the login: logged out first, then OnConnect still fires.
        ScriptedPop3Server server;
        server.LoginOk("bob", "secret", "-ERR mailbox locked\r\n").Exchange("QUIT", "+OK\r\n");
        server.Start();
        Mailbox m(server.Port());
        bool busyInConnect = true;
        m.pop.OnConnect = [&](TPowersock*) {
            m.events.push_back("connect");
            busyInConnect = m.pop.Busy();
        };
        EXPECT_EQ(MessageOf<Exception>([&] { m.pop.Connect(); }), "-ERR mailbox locked\r\n");
        EXPECT_EQ(m.events, (Events{"disconnect", "connect"}));
        EXPECT_FALSE(busyInConnect);
        EXPECT_EQ(m.pop.MessageCount(), 0);
        server.Finish();
    }
}

TEST(Pop3Login, AServerThatHangsUpIsReportedAsSuchNotAsARefusal)
{
    ScriptedPop3Server server;
    server.MailboxGreeting().Expect("USER bob\r\n").Close();
    server.Start();
    Mailbox m(server.Port());
    int refusals = 0;
    m.pop.OnAuthenticationFailed = [&](bool&) { ++refusals; };
    EXPECT_EQ(MessageOf<Exception>([&] { m.pop.Connect(); }), "Connection lost");
    EXPECT_EQ(refusals, 0);
    EXPECT_FALSE(m.pop.Connected());
    server.Finish();
}

TEST(Pop3Login, ASilentServerTimesOutAndIsDisconnected)
{
    ScriptedPop3Server server;
    server.SilentUntilClosed();
    server.Start();
    Mailbox m(server.Port(), 400);
    Stopwatch watch;
    EXPECT_EQ(MessageOf<EAbortError>([&] { m.pop.Connect(); }), "Socket readln aborted");
    EXPECT_GE(watch.Ms(), 380);
    EXPECT_LT(watch.Ms(), 2000);
    EXPECT_FALSE(m.pop.Connected());
    EXPECT_EQ(m.events, (Events{"disconnect"}));
    EXPECT_EQ(server.Finish(), "");  // no QUIT after a time-out
    // Usable again afterwards.
    EXPECT_EQ(MessageOf<ESockError>([&] { m.pop.Port = ClosedPort(); m.pop.Connect(); }), "Connection Failed");
}

TEST(Pop3Stop, StopDuringEachWaitEndsItAndClosesWithoutQuit)
{
    // The Stop command: Abort, then Disconnect, run from inside the wait.
    // (The pump is copied before each call, so the count lives outside it.)
    auto stopAfter = [](Mailbox& m, int pumps) {
        return [&m, pumps, count = std::make_shared<int>(0)] {
            if (++*count != pumps) return;
            m.pop.Abort();
            m.pop.Disconnect();
        };
    };
    {
        SCOPED_TRACE("reading a summary");
        ScriptedPop3Server server;
        server.LoginOk("bob", "secret", "+OK 1 10\r\n")
            .Expect("TOP 1 0\r\n")
            .Send("+OK\r\nSubject: x\r\n")
            .SilentUntilClosed();
        server.Start();
        Mailbox m(server.Port(), 0);
        m.pop.Connect();
        PumpHook hook(stopAfter(m, 10));
        EXPECT_EQ(MessageOf<EAbortError>([&] { m.pop.GetSummary(1); }), "Socket readln aborted");
        EXPECT_FALSE(m.pop.Connected());
        EXPECT_FALSE(m.pop.Busy());
        EXPECT_EQ(m.events, (Events{"connect", "disconnect"}));
        EXPECT_EQ(server.Finish(), kLogin + "TOP 1 0\r\n");
    }
    {
        SCOPED_TRACE("sending");
        ScriptedPop3Server server;
        server.MailboxGreeting().Expect("USER bob\r\n").Send("+OK\r\n").Silent(milliseconds(1500)).IgnoreUntilClosed();
        server.Start();
        Mailbox m(server.Port(), 0);
        m.pop.Password = std::string(16 * 1024 * 1024, 'p');  // more than the socket takes at once
        PumpHook hook(stopAfter(m, 10));
        EXPECT_EQ(MessageOf<EAbortError>([&] { m.pop.Connect(); }), "Socket send aborted");
        EXPECT_FALSE(m.pop.Connected());
        server.Finish();
    }
    {
        SCOPED_TRACE("connecting");
        StalledListener stalled;
        Mailbox m(stalled.Port(), 0);
        int failed = 0;
        m.pop.OnConnectionFailed = [&](TPowersock*) { ++failed; };
        PumpHook hook(stopAfter(m, 10));
        EXPECT_EQ(MessageOf<ESockError>([&] { m.pop.Connect(); }), "Connection Canceled");
        EXPECT_EQ(failed, 1);
        EXPECT_TRUE(m.events.empty());
    }
    {
        SCOPED_TRACE("looking up the host");
        Mailbox m(110, 0);
        m.pop.Host = "localhost";
        PumpHook hook(stopAfter(m, 1));
        EXPECT_EQ(MessageOf<ESockError>([&] { m.pop.Connect(); }), "Host Lookup Canceled");
        EXPECT_FALSE(m.pop.Busy());
    }
}

TEST(Pop3Session, QuitAlwaysCloses)
{
    {
        ScriptedPop3Server server;
        server.LoginOk("bob", "secret", "+OK 0 0\r\n").Exchange("QUIT", "-ERR some deletions not done\r\n");
        server.Start();
        Mailbox m(server.Port());
        m.pop.Connect();
        EXPECT_EQ(MessageOf<Exception>([&] { m.pop.Disconnect(); }), "-ERR some deletions not done\r\n");
        EXPECT_FALSE(m.pop.Connected());
        EXPECT_EQ(m.events, (Events{"connect", "disconnect"}));
        server.Finish();
    }
    {
        // The send of QUIT itself fails: still closed, and closed only once.
        ScriptedPop3Server server;
        server.LoginOk("bob", "secret", "+OK 0 0\r\n").Reset();
        server.Start();
        Mailbox m(server.Port());
        m.pop.Connect();
        server.Finish();
        EXPECT_THROW(m.pop.Disconnect(), Exception);
        EXPECT_FALSE(m.pop.Connected());
        EXPECT_EQ(m.events, (Events{"connect", "disconnect"}));
        m.pop.Disconnect();  // nothing left to do
        EXPECT_EQ(m.events.size(), 2u);
    }
}

TEST(Pop3Session, AnIdleConnectionClosedByTheServerIsNoticedBeforeTheNextCommand)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 1 10\r\n").Close();
    server.Start();
    Mailbox m(server.Port());
    m.pop.Connect();
    server.Finish();
    int required = 0;
    m.pop.OnConnectionRequired = [&](bool&) { ++required; };
    EXPECT_EQ(MessageOf<Exception>([&] { m.pop.GetSummary(1); }), "Not Connected");
    EXPECT_EQ(required, 1);
    EXPECT_EQ(m.events, (Events{"connect", "disconnect"}));
}

TEST(Pop3Session, AHandlerOfOnConnectionRequiredMayConnectFromInsideAnOperation)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 1 10\r\n").Exchange("DELE 1", "+OK\r\n");
    server.Start();
    Mailbox m(server.Port());
    m.pop.OnConnectionRequired = [&](bool& handled) {
        EXPECT_TRUE(m.pop.Busy());
        m.pop.Connect();
        EXPECT_TRUE(m.pop.Busy());  // the outer operation still holds it
        handled = true;
    };
    m.pop.DeleteMessage(1);
    EXPECT_FALSE(m.pop.Busy());
    EXPECT_EQ(m.events, (Events{"connect", "success"}));
    server.Finish(milliseconds(100));
}

TEST(Pop3Session, AbortSendsNoQuit)
{
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 1 10\r\n").Exchange("DELE 1", "+OK\r\n");
    server.Start();
    Mailbox m(server.Port());
    m.pop.Connect();
    m.pop.DeleteMessage(1);
    m.pop.Abort();
    EXPECT_FALSE(m.pop.Connected());
    m.pop.Disconnect();  // as the Stop command does: nothing more happens
    EXPECT_EQ(m.events, (Events{"connect", "success", "disconnect"}));
    EXPECT_EQ(server.Finish(), kLogin + "DELE 1\r\n");
}

TEST(Pop3Status, ReportLevelsFilterWhatReachesOnStatus)
{
    auto run = [](int level) {
        ScriptedPop3Server server;
        server.LoginOk("bob", "secret", "+OK 1 10\r\n")
            .Exchange("TOP 1 0", "+OK\r\n\r\n.\r\n")
            .Exchange("LIST 1", "+OK 1 10\r\n")
            .Exchange("QUIT", "+OK\r\n");
        server.Start();
        Mailbox m(server.Port());
        m.pop.ReportLevel = level;
        std::vector<std::string> seen;
        m.pop.OnStatus = [&](TPowersock*, const std::string& text) { seen.push_back(text); };
        m.pop.Connect();
        m.pop.GetSummary(1);
        m.pop.Disconnect();
        EXPECT_EQ(m.pop.Status(), seen.empty() ? "" : seen.back());
        server.Finish();
        return seen;
    };
    EXPECT_TRUE(run(0).empty());
    EXPECT_EQ(run(1), (std::vector<std::string>{"-ERR unknown command\r\n", "+OK\r\n", "+OK Logged in.\r\n", "+OK 1 10\r\n", "+OK\r\n",
                                                "+OK 1 10\r\n", "Summary Retrieved", "+OK\r\n"}));
    const auto four = run(4);
    EXPECT_EQ(std::count(four.begin(), four.end(), "Sending Buffer"), 7);  // one per command
    EXPECT_EQ(std::count(four.begin(), four.end(), "Request Close Socket"), 1);
    EXPECT_EQ(std::count(four.begin(), four.end(), "ReadLn"), 0);
    const auto eight = run(8);
    for (const char* text : {"Connecting", "Resolve Host", "Transaction", "Writeln", "Write", "ReadLn", "Timer On",
                             "Timer Off", "Checking Connection", "Disconnecting"})
        EXPECT_NE(std::find(eight.begin(), eight.end(), text), eight.end()) << text;
}

TEST(Pop3Settings, DefaultsAndTheAttachmentFolder)
{
    TKiroPOP3 pop;
    EXPECT_EQ(pop.Port, 110);
    EXPECT_EQ(pop.TimeOut, 0);
    EXPECT_EQ(pop.ReportLevel, 0);
    EXPECT_FALSE(pop.Connected());
    EXPECT_EQ(pop.MessageCount(), 0);
    pop.SetAttachFilePath("/home/ann/mail");
    EXPECT_EQ(pop.AttachFilePath(), "/home/ann/mail/");
    pop.SetAttachFilePath("/home/ann/mail/");
    EXPECT_EQ(pop.AttachFilePath(), "/home/ann/mail/");
    pop.SetAttachFilePath("");
    EXPECT_EQ(pop.AttachFilePath(), "");  // not the root folder
}

TEST(Pop3Session, DestroyingAConnectedClientClosesQuietly)
{
    // Its owner is going away too: no event may call back into it, and no QUIT is sent.
    ScriptedPop3Server server;
    server.LoginOk("bob", "secret", "+OK 0 0\r\n");
    server.Start();
    int calls = 0;
    {
        Mailbox m(server.Port());
        m.pop.Connect();
        m.pop.ReportLevel = 8;
        m.pop.OnDisconnect = [&](TPowersock*) { ++calls; };
        m.pop.OnStatus = [&](TPowersock*, const std::string&) { ++calls; };
    }
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(server.Finish(), kLogin);
}

namespace {

std::string TopReply(int n) { return "+OK\r\nSubject: s" + std::to_string(n) + "\r\nFrom: f" + std::to_string(n) + "\r\n\r\n.\r\n"; }

// A server that offers PIPELINING, with five messages listed.
ScriptedPop3Server& PipelinedFive(ScriptedPop3Server& s)
{
    return s.Greeting()
        .Exchange("CAPA", "+OK Capability list follows\r\nTOP\r\nUIDL\r\nPIPELINING\r\n.\r\n")
        .Exchange("USER bob", "+OK\r\n")
        .Exchange("PASS secret", "+OK\r\n")
        .Exchange("STAT", "+OK 5 500\r\n")
        .Exchange("LIST", "+OK\r\n1 101\r\n2 102\r\n3 103\r\n4 104\r\n5 3221225472\r\n.\r\n");
}

struct Batch {
    std::vector<std::string> subjects;
    std::vector<int64_t> sizes;
    TKiroPOP3::TSummaryEvent Collect()
    {
        return [this](int n, const TSummary& s) {
            subjects.push_back(std::to_string(n) + s.Subject);
            sizes.push_back(s.Bytes);
        };
    }
};

}  // namespace

TEST(Pop3Pipelining, TopCommandsGoOutInAWindowRefilledAtHalfAndEachReplyReachesItsMessage)
{
    std::string tail = TopReply(3) + TopReply(4) + TopReply(5);
    std::vector<std::string> bytes;
    for (char c : tail) bytes.emplace_back(1, c);  // the last replies arrive one byte at a time
    ScriptedPop3Server server;
    PipelinedFive(server)
        .Expect("TOP 1 0\r\nTOP 2 0\r\nTOP 3 0\r\n")
        .Send(TopReply(1))
        .Send(TopReply(2))
        .Expect("TOP 4 0\r\nTOP 5 0\r\n")
        .SendChunks(bytes, milliseconds(0))
        .Exchange("QUIT", "+OK\r\n");
    server.Start();
    Mailbox m(server.Port());
    m.pop.PipelineWindow = 3;
    m.pop.Connect();
    EXPECT_TRUE(m.pop.HasCapability("PIPELINING"));
    m.pop.List();
    Batch b;
    m.pop.GetSummaries({1, 2, 3, 4, 5}, b.Collect());
    EXPECT_EQ(b.subjects, (StringList{"1 s1", "2 s2", "3 s3", "4 s4", "5 s5"}));
    EXPECT_EQ(b.sizes, (std::vector<int64_t>{101, 102, 103, 104, 3221225472LL}));
    m.pop.Disconnect();
    server.Finish();
}

TEST(Pop3Pipelining, AServerThatClosesOrAStopInTheMiddleEndsTheBatchWithoutQuit)
{
    ScriptedPop3Server closing;
    PipelinedFive(closing).Expect("TOP 1 0\r\nTOP 2 0\r\nTOP 3 0\r\n").Send(TopReply(1) + TopReply(2)).Close();
    closing.Start();
    Mailbox a(closing.Port());
    a.pop.PipelineWindow = 3;
    a.pop.Connect();
    a.pop.List();
    Batch got;
    // "Connection lost", or a reset when the server closed with commands of ours unread.
    EXPECT_THROW(a.pop.GetSummaries({1, 2, 3, 4, 5}, got.Collect()), Exception);
    EXPECT_EQ(got.subjects, (StringList{"1 s1", "2 s2"}));
    EXPECT_FALSE(a.pop.Connected());
    EXPECT_FALSE(a.pop.Busy());
    closing.Finish();

    ScriptedPop3Server stalling;
    PipelinedFive(stalling).Expect("TOP 1 0\r\nTOP 2 0\r\n").Send(TopReply(1)).IgnoreUntilClosed();
    stalling.Start();
    Mailbox b(stalling.Port(), 5000);
    b.pop.PipelineWindow = 2;
    b.pop.Connect();
    b.pop.List();
    Batch stopped;
    PumpHook hook([&] {
        if (stopped.subjects.size() == 1) b.pop.Abort();
    });
    EXPECT_EQ(MessageOf<EAbortError>([&] { b.pop.GetSummaries({1, 2, 3}, stopped.Collect()); }), "Socket readln aborted");
    EXPECT_EQ(stopped.subjects, StringList{"1 s1"});
    EXPECT_FALSE(b.pop.Connected());
    const std::string sent = stalling.Finish();
    EXPECT_EQ(sent.find("QUIT"), std::string::npos);
}
