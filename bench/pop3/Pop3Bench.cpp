// Prints how the mailbox client performs on a big mailbox and how little it costs to wait.
//
//   pop3_bench [messages]     (default 10000; needs /usr/sbin/dovecot)
//
// 1. A full check as the main window runs it (connect, LIST, one summary per message, QUIT)
//    against a private Dovecot: wall time, the client's CPU time, the server's CPU time,
//    and the client's peak memory. Run twice: the first check also makes the server index
//    the new mail, the second finds the index made.
// 2. A client waiting 5 s for the greeting of a server that never speaks: its CPU use.
#include "mailbox/Kiropop3.h"
#include "platform/MessagePump.h"
#include "Dovecot.h"
#include "ProcessFigures.h"
#include "ProcessTree.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long PeakKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string Message(int n)
{
    char text[512];
    std::snprintf(text, sizeof text,
                  "Return-Path: <sender%d@example.com>\r\n"
                  "Received: from mx.example.com by pop.example.com; Mon, 1 Jan 2024 10:00:00 +0000\r\n"
                  "From: Sender %d <sender%d@example.com>\r\n"
                  "To: bench@example.com\r\n"
                  "Subject: Message number %d\r\n"
                  "Date: Mon, 1 Jan 2024 10:%02d:00 +0000\r\n"
                  "Message-ID: <%d@example.com>\r\n"
                  "MIME-Version: 1.0\r\n"
                  "Content-Type: text/plain; charset=us-ascii\r\n"
                  "\r\n"
                  "Body line one of message %d.\r\nBody line two.\r\n",
                  n, n, n, n, n % 60, n, n);
    return text;
}

void FullCheck(Dovecot& server, const char* label)
{
    TKiroPOP3 pop;
    pop.Host = "127.0.0.1";
    pop.Port = server.Port();
    pop.TimeOut = 20000;
    pop.ReportLevel = 2;
    pop.UserID = "bench";
    pop.Password = "bench";
    std::vector<int> numbers;
    pop.OnList = [&](int msg, int) { numbers.push_back(msg); };

    const double serverBefore = TreeCpuSeconds(server.MasterPid());
    const double clientBefore = CpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    pop.Connect();
    pop.List();
    std::size_t headerLines = 0;
    for (int n : numbers) {
        pop.GetSummary(n);
        headerLines += pop.Summary().Header.size();
    }
    pop.Disconnect();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double client = CpuSeconds(RUSAGE_SELF) - clientBefore;
    // The session process has ended and been reaped once its CPU shows in the master.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double serverCpu = TreeCpuSeconds(server.MasterPid()) - serverBefore;

    std::printf("%s: %zu messages (%zu header lines) in %.2f s wall, %.0f messages/s\n", label, numbers.size(),
                headerLines, wall, double(numbers.size()) / wall);
    std::printf("  client CPU %.2f s (%.0f us per message), server CPU %.2f s, client/server %.2f\n", client,
                client / double(numbers.size()) * 1e6, serverCpu, serverCpu > 0 ? client / serverCpu : 0.0);
}

void SilentServerWait()
{
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    long pumps = 0;
    platform::SetMessagePump([&] { ++pumps; });
    TKiroPOP3 pop;
    pop.Host = "127.0.0.1";
    pop.Port = ntohs(address.sin_port);
    pop.TimeOut = 5000;
    pop.UserID = "bench";
    pop.Password = "bench";
    const double cpuBefore = CpuSeconds(RUSAGE_THREAD);
    const auto start = Clock::now();
    std::string outcome = "no time-out";
    try {
        pop.Connect();  // accepted by the kernel, never greeted
    } catch (const Exception& e) {
        outcome = e.Message();
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = CpuSeconds(RUSAGE_THREAD) - cpuBefore;
    platform::SetMessagePump(nullptr);
    ::close(listener);
    std::printf("silent server: \"%s\" after %.2f s wall; client CPU %.4f s = %.3f%% of one core; %.0f pumps/s\n",
                outcome.c_str(), wall, cpu, 100.0 * cpu / wall, double(pumps) / wall);
}

}  // namespace

int main(int argc, char** argv)
{
    const int messages = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (::access(Dovecot::Binary, X_OK) != 0) {
        std::fprintf(stderr, "pop3_bench: %s is missing\n", Dovecot::Binary);
        return 1;
    }
    try {
        Dovecot server;
        server.AddUser("bench", "bench");
        for (int n = 1; n <= messages; ++n) server.Deliver("bench", Message(n));
        server.Start();
        FullCheck(server, "first check (server indexes new mail)");
        FullCheck(server, "second check");
        std::printf("client peak memory (whole process): %ld KB\n", PeakKilobytes());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pop3_bench: %s\n", e.what());
        return 1;
    }
    SilentServerWait();
    return 0;
}
