// Prints what TLS costs the two POP3 clients, against one private Dovecot in the same run:
// a check of a big mailbox by the mailbox client (connect, LIST, every header, QUIT) and a
// large download by the retrieval client (RETR and parse), each in plain text, over implicit
// TLS (the POP3S port) and over STLS, runs interleaved, best of 5; and the check with pipeline
// windows of 8, 16 and 32 TOP commands, plain and over TLS.
//
//   tls_bench [messages] [megabytes]     (default 10000 and 20; needs dovecot and openssl)
#include "LargeMessage.h"
#include "Dovecot.h"
#include "TestCertificates.h"
#include "mailbox/Kiropop3.h"
#include "retrieval/VemPOP3.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using platform::SecurityMode;

struct Figures {
    double wall = 1e9, cpu = 1e9;
};

double CpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string Load()
{
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

void Measure(Figures& best, const std::function<void()>& run)
{
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    run();
    best.wall = std::min(best.wall, std::chrono::duration<double>(Clock::now() - start).count());
    best.cpu = std::min(best.cpu, CpuSeconds() - cpu);
}

std::string Header(int n)
{
    return "From: Sender " + std::to_string(n) + " <s" + std::to_string(n) + "@example.com>\r\nTo: bench@example.com\r\n"
           "Subject: Message number " + std::to_string(n) + "\r\nDate: Mon, 1 Jan 2024 10:00:00 +0000\r\nMessage-ID: <" +
           std::to_string(n) + "@example.com>\r\n\r\n" + std::string(2800, 'b') + "\r\n";
}

void Check(int port, SecurityMode mode, size_t expected, int window = 16)
{
    TKiroPOP3 pop;
    pop.Host = "127.0.0.1";
    pop.Port = port;
    pop.TimeOut = 30000;
    pop.UserID = "bench";
    pop.Password = "bench";
    pop.Security = mode;
    pop.PipelineWindow = window;
    std::vector<int> numbers;
    pop.OnList = [&](int msg, int64_t) { numbers.push_back(msg); };
    pop.Connect();
    pop.List();
    size_t got = 0;
    pop.GetSummaries(numbers, [&](int, const TSummary&) { ++got; });
    pop.Disconnect();
    if (got != expected) std::fprintf(stderr, "check listed %zu of %zu\n", got, expected);
}

void Download(int port, SecurityMode mode, int number)
{
    TVemPOP pop;
    pop.Host = "127.0.0.1";
    pop.Port = std::to_string(port);
    pop.UserId = "big";
    pop.UserPasswd = "big";
    pop.Security = mode;
    pop.Connect();
    if (pop.LastCmdFailed() || !pop.Login()) {
        std::fprintf(stderr, "download: no login\n");
        return;
    }
    TVemMsg msg;
    if (!pop.RetrieveMessage(number, msg)) std::fprintf(stderr, "download failed\n");
    pop.Disconnect();
}

}  // namespace

int main(int argc, char** argv)
{
    const int messages = argc > 1 ? std::atoi(argv[1]) : 10000;
    const size_t megabytes = argc > 2 ? size_t(std::atoi(argv[2])) : 20;
    TestCertificates certificates;
    TrustedAuthorityScope trust(certificates.AuthorityFile());
    Dovecot server;
    server.EnableTls(certificates.Server().certificate, certificates.Server().key);
    server.AddUser("bench", "bench");
    server.AddUser("big", "big");
    for (int i = 1; i <= messages; ++i) server.Deliver("bench", Header(i));
    server.Deliver("big", MakeLargeMessage(megabytes << 20).text);
    server.Start();
    Check(server.Port(), SecurityMode::None, size_t(messages));  // the server indexes the mail once

    std::printf("load before: %s\n", Load().c_str());
    const SecurityMode modes[] = {SecurityMode::None, SecurityMode::Tls, SecurityMode::StartTls};
    Figures check[3], download[3];
    for (int round = 0; round < 5; ++round) {
        for (int m = 0; m < 3; ++m) {
            const int port = modes[m] == SecurityMode::Tls ? server.TlsPort() : server.Port();
            Measure(check[m], [&] { Check(port, modes[m], size_t(messages)); });
            Measure(download[m], [&] { Download(port, modes[m], 1); });
        }
    }
    const int windows[] = {8, 16, 32};
    Figures byWindow[2][3];
    for (int round = 0; round < 5; ++round)
        for (int w = 0; w < 3; ++w)
            for (int t = 0; t < 2; ++t) {
                const SecurityMode mode = t ? SecurityMode::Tls : SecurityMode::None;
                Measure(byWindow[t][w], [&] { Check(t ? server.TlsPort() : server.Port(), mode, size_t(messages), windows[w]); });
            }
    std::printf("load after: %s\n", Load().c_str());
    const char* names[] = {"plain", "TLS (POP3S)", "STLS"};
    std::printf("check of %d messages (best of 5):\n", messages);
    for (int m = 0; m < 3; ++m)
        std::printf("  %-12s %.3f s wall (%.2fx plain), client CPU %.3f s\n", names[m], check[m].wall,
                    check[m].wall / check[0].wall, check[m].cpu);
    std::printf("download and parse of a %zu MB message (best of 5):\n", megabytes);
    for (int m = 0; m < 3; ++m)
        std::printf("  %-12s %.3f s wall (%.2fx plain), client CPU %.3f s\n", names[m], download[m].wall,
                    download[m].wall / download[0].wall, download[m].cpu);
    std::printf("check by pipeline window (best of 5):\n");
    for (int w = 0; w < 3; ++w)
        std::printf("  window %2d: plain %.3f s, TLS %.3f s\n", windows[w], byWindow[0][w].wall, byWindow[1][w].wall);
    return 0;
}
