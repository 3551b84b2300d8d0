#pragma once
// A POP3 server on 127.0.0.1 that plays a script, on its own thread, for tests of the mail
// clients. The script is a list of steps: expect exact bytes from the client, send bytes
// (whole or in delayed chunks), stay silent, close. Every byte the client sends is recorded,
// so a test can compare the whole transcript; a client that sends something the script does
// not expect fails the test with both texts in the message, and the connection is closed at
// once so the client cannot hang on it.
//
//     ScriptedPop3Server server;
//     server.Greeting().Exchange("USER bob", "+OK\r\n").Exchange("PASS pw", "+OK\r\n");
//     server.Start();
//     ... run the client against server.Port() ...
//     EXPECT_EQ(server.Finish(), "USER bob\r\nPASS pw\r\n");
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedPop3Server {
public:
    using Millis = std::chrono::milliseconds;

    ScriptedPop3Server();   // listens at once, so Port() is known before Start()
    ~ScriptedPop3Server();  // stops the script and reports what went wrong
    ScriptedPop3Server(const ScriptedPop3Server&) = delete;
    ScriptedPop3Server& operator=(const ScriptedPop3Server&) = delete;

    int Port() const { return port_; }

    // ---- script steps; the first connection is accepted before the first step ----
    // The client must send exactly these bytes next.
    ScriptedPop3Server& Expect(std::string bytes);
    ScriptedPop3Server& Send(std::string bytes);
    // Each chunk goes out on its own, `delay` apart.
    ScriptedPop3Server& SendChunks(std::vector<std::string> chunks, Millis delay);
    // Like Send, for a flood the client is expected to cut off: its close is no failure.
    ScriptedPop3Server& SendUntilCut(std::string bytes);
    // Neither reads nor writes for a while (the client's sends pile up unread).
    ScriptedPop3Server& Silent(Millis duration);
    // Says nothing until the client closes; anything the client sends meanwhile fails the test.
    ScriptedPop3Server& SilentUntilClosed();
    // Records whatever the client sends until it closes, without judging it.
    ScriptedPop3Server& IgnoreUntilClosed();
    // Closes the connection gracefully, or with a reset.
    ScriptedPop3Server& Close();
    ScriptedPop3Server& Reset();
    // Ends the current connection (if open) and waits for the client's next one.
    ScriptedPop3Server& AcceptNext();

    // ---- shorthands ----
    ScriptedPop3Server& Greeting(std::string line = "+OK POP3 server ready\r\n") { return Send(std::move(line)); }
    // The greeting, then CAPA refused, as the mailbox client asks it after every greeting: a
    // server without capabilities, which gets the plain lock-step exchange.
    ScriptedPop3Server& MailboxGreeting(std::string line = "+OK POP3 server ready\r\n")
    {
        return Greeting(std::move(line)).Exchange("CAPA", "-ERR unknown command\r\n");
    }
    // Expects the command line (CR LF is added) and answers with `reply` as given.
    ScriptedPop3Server& Exchange(const std::string& command, std::string reply);
    // MailboxGreeting, USER, PASS and STAT, all accepted.
    ScriptedPop3Server& LoginOk(const std::string& user, const std::string& password, const std::string& statReply);

    void Start();
    // Waits for the script to end and the client to close (up to `limit`), stops the server,
    // reports every failure to the running test and returns the whole transcript.
    std::string Finish(Millis limit = Millis(5000));
    // What the client has sent so far, over all connections.
    std::string Transcript() const;

    // How long an Expect step waits for its bytes before it fails.
    Millis expectLimit{10000};

private:
    enum class Kind { Expect, Send, SendUntilCut, Silent, SilentUntilClosed, IgnoreUntilClosed, Close, Reset, AcceptNext };
    struct Step {
        Kind kind;
        std::vector<std::string> data;
        Millis delay{0};
    };

    void Run();
    bool AcceptConnection();
    bool RunStep(const Step& step);
    bool DoExpect(const std::string& want);
    bool DoSend(const Step& step);
    // 1 sent, 0 the client is gone, -1 stopped.
    int SendAll(const std::string& bytes);
    // Sleeps, unless stopped (then false).
    bool Pause(Millis duration);
    bool DrainUntilClosed(bool judge, const char* what);
    void CloseConnection(bool reset);
    // Waits up to `limit` for the connection to become readable (or the stop signal).
    // Returns 1 readable, 0 timed out, -1 stopped.
    int WaitReadable(Millis limit);
    // Reads what is there into the transcript and `pending_`; false when the client closed.
    bool ReadSome();
    void Fail(std::string message);
    void Stop();

    int listenFd_ = -1;
    int connFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    std::vector<Step> steps_;
    std::thread thread_;
    bool started_ = false;
    bool reported_ = false;

    mutable std::mutex mutex_;
    std::condition_variable doneSignal_;
    bool done_ = false;
    std::string transcript_;
    std::vector<std::string> failures_;
    std::string pending_;  // received, not yet matched by an Expect step (server thread only)
};
