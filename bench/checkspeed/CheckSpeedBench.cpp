// Prints how fast the main window's mail check lists a big mailbox, side by side in the same
// run with the clients it is measured against:
//  - main window check: the real window, offscreen, checking from its "Check Mail" drop-down;
//    also the process's peak memory and the longest gap of a 5 ms GUI timer during the check
//  - poplib lock-step: Python's poplib doing what the check did before pipelining (USER, PASS,
//    STAT, LIST, then TOP n 0 and LIST n per message, QUIT), the peer of the targets
//  - raw pipelined: LIST, then every TOP n 0 sent ahead of the replies, the speed bound
//  - engine alone: the mailbox engine (TKiroPOP3) without the window
//  - check, no pipelining: the main window asking one TOP at a time, as with a server that does
//    not offer PIPELINING (loopback only)
//
//   check_speed_bench [--help] [--sizes 10000,50000] [--rounds 5] [--slow-messages 1000] ...
//                                            (needs /usr/sbin/dovecot and python3)
//
// One private Dovecot holds a mailbox of about 3 KB messages per size. Each round runs every
// client once, in an order that turns with the round; each figure is the best of the rounds.
// A slow link follows: a smaller mailbox reached through a relay that delays every chunk each
// way (25 ms: a 50 ms round trip). The machine's load is printed before and after each part.
// The main window writes one header file per message; its profile is in memory (/dev/shm)
// unless --profile-dir says otherwise, as on a disk those writes vary from run to run by
// several times what the check itself costs.
#include "BenchMailbox.h"
#include "CheckSpeedOptions.h"
#include "Clients.h"
#include "Dovecot.h"
#include "LatencyRelay.h"
#include "ProcessFigures.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char kPassword[] = "bench";

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string PythonVersion(const std::string& python)
{
    std::string command = python + " -c 'import sys; print(sys.version.split()[0])' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return "?";
    char text[64] = "";
    if (!std::fgets(text, sizeof text, pipe)) text[0] = '\0';
    ::pclose(pipe);
    std::string version = text;
    while (!version.empty() && (version.back() == '\n' || version.back() == '\r')) version.pop_back();
    return version.empty() ? "missing" : version;
}

// Every client `rounds` times, interleaved; prints each round as it ends.
std::vector<ClientFigures> MeasureInRounds(const std::vector<Client>& clients, const Mailbox& box, int rounds,
                                           pid_t serverMaster, const std::string& python)
{
    std::vector<ClientFigures> results;
    for (Client c : clients) results.emplace_back(ClientName(c));
    for (int round = 0; round < rounds; ++round) {
        std::printf("  round %d:", round + 1);
        for (std::size_t k = 0; k < clients.size(); ++k) {
            // The order turns, so no client always follows the same one.
            const std::size_t which = (k + std::size_t(round)) % clients.size();
            RunFigures f = MeasureClient(clients[which], box, serverMaster, python);
            results[which].Add(f);
            std::printf("  %s %.2f s", ClientName(clients[which]), f.wall);
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    return results;
}

void PrintTable(const std::vector<ClientFigures>& results, int messages)
{
    std::printf("  %-20s %9s %9s %8s %10s %9s %15s\n", "best of runs", "wall s", "us/msg", "CPU s", "server CPU",
                "peak MB", "GUI gap ms");
    for (const ClientFigures& r : results) {
        char gap[48] = "-";
        if (r.LowestGapMs() >= 0) std::snprintf(gap, sizeof gap, "%lld..%lld", r.LowestGapMs(), r.HighestGapMs());
        std::printf("  %-20s %9.3f %9.1f %8.3f %10.3f %9.1f %15s\n", r.Name().c_str(), r.BestWall(),
                    r.BestWall() / messages * 1e6, r.BestCpu(), r.BestServerCpu(), double(r.BestPeakKB()) / 1024.0,
                    gap);
    }
    for (const ClientFigures& r : results)
        if (r.BestListSeconds() >= 0)
            std::printf("  the server's own waits, seen by %s: LIST %.3f s, first TOP reply %.3f s after it was sent\n",
                        r.Name().c_str(), r.BestListSeconds(), r.BestFirstTopSeconds());
}

const ClientFigures* Find(const std::vector<ClientFigures>& results, Client client)
{
    for (const ClientFigures& r : results)
        if (r.Name() == ClientName(client)) return &r;
    return nullptr;
}

void PrintRatio(const char* label, const std::vector<ClientFigures>& results, Client over, Client under)
{
    const ClientFigures* a = Find(results, over);
    const ClientFigures* b = Find(results, under);
    if (a && b && b->BestWall() > 0) std::printf("  %s: %.2f\n", label, a->BestWall() / b->BestWall());
}

struct Part {
    std::string title;
    int messages = 0;
    std::vector<ClientFigures> results;
};

void PrintSummary(const std::vector<Part>& parts)
{
    std::printf("\n== summary\n");
    for (const Part& part : parts) {
        std::printf("%s:\n", part.title.c_str());
        PrintRatio("check / poplib      ", part.results, Client::MainWindow, Client::Poplib);
        PrintRatio("no pipelining/poplib", part.results, Client::MainWindowLockStep, Client::Poplib);
        PrintRatio("engine / pipelined  ", part.results, Client::Engine, Client::Pipelined);
        PrintRatio("check / pipelined   ", part.results, Client::MainWindow, Client::Pipelined);
        std::printf("  per message (us):  ");
        for (const ClientFigures& r : part.results)
            std::printf(" %s %.1f;", r.Name().c_str(), r.BestWall() / part.messages * 1e6);
        std::printf("\n");
    }
}

void ServeUntilInterrupted(const Dovecot& server, const std::vector<Mailbox>& boxes)
{
    std::printf("\nserving on 127.0.0.1:%d (password \"%s\" for every user) until Ctrl-C:\n", server.Port(), kPassword);
    for (const Mailbox& box : boxes)
        std::printf("  user %s: %d messages; main window profile %s\n", box.user.c_str(), box.messages,
                    box.profileFolder.c_str());
    std::fflush(stdout);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    int signal = 0;
    sigwait(&stop, &signal);
}

int Run(const CheckSpeedOptions& options)
{
    std::printf("check_speed_bench: %ld CPUs; load before: %s\n", ::sysconf(_SC_NPROCESSORS_ONLN),
                LoadAverage().c_str());
    std::printf("poplib peer: Python %s (%s); server: private Dovecot on 127.0.0.1\n",
                PythonVersion(options.python).c_str(), options.python.c_str());
    std::printf("main window: offscreen, its profile in %s, %s\n", options.profileParent.c_str(),
                options.keepProfile ? "rewriting the header files of its last run" : "an empty profile each run");
    const auto started = Clock::now();

    std::string profiles = options.profileParent + "/quillbox-check-speed-XXXXXX";
    if (!::mkdtemp(profiles.data())) throw std::runtime_error("no profile folder in " + options.profileParent);
    struct RemoveAtEnd {
        std::string folder;
        ~RemoveAtEnd()
        {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    } removeProfiles{profiles};

    Dovecot server;
    std::vector<Mailbox> boxes;
    auto addBox = [&](int messages, const std::string& user) {
        const auto t = Clock::now();
        const long long octets = FillMailbox(server, user, kPassword, messages);
        Mailbox box{0, user, kPassword, profiles + "/" + user, messages, options.keepProfile};
        std::filesystem::create_directories(box.profileFolder);
        boxes.push_back(box);
        std::printf("mailbox %s: %d messages, %.1f MB, written in %.1f s\n", user.c_str(), messages,
                    double(octets) / 1048576.0, SecondsSince(t));
    };
    for (int size : options.sizes) addBox(size, "box" + std::to_string(size));
    if (options.slowMessages > 0) addBox(options.slowMessages, "slow" + std::to_string(options.slowMessages));
    server.Start();
    for (Mailbox& box : boxes) {
        box.port = server.Port();
        // The first session of a mailbox makes the server index its new mail: not a cost of
        // any client, so it is paid here.
        const auto t = Clock::now();
        MeasureClient(Client::Pipelined, box, server.MasterPid(), options.python);
        std::printf("server indexed %s in %.1f s\n", box.user.c_str(), SecondsSince(t));
    }

    if (options.serveOnly) {
        ServeUntilInterrupted(server, boxes);
        return 0;
    }

    std::vector<Part> parts;
    const std::vector<Client> all = {Client::MainWindow, Client::Poplib, Client::Pipelined, Client::Engine,
                                     Client::MainWindowLockStep};
    for (std::size_t i = 0; i < options.sizes.size(); ++i) {
        const Mailbox& box = boxes[i];
        Part part{std::to_string(box.messages) + " messages on loopback", box.messages, {}};
        std::printf("\n== %s, best of %d (load before: %s)\n", part.title.c_str(), options.rounds,
                    LoadAverage().c_str());
        part.results = MeasureInRounds(all, box, options.rounds, server.MasterPid(), options.python);
        PrintTable(part.results, box.messages);
        std::printf("  load after: %s\n", LoadAverage().c_str());
        parts.push_back(std::move(part));
    }

    if (options.slowMessages > 0) {
        LatencyRelay relay(server.Port(), options.delayMs);
        Mailbox box = boxes.back();
        box.port = relay.Port();
        std::vector<Client> slow = {Client::MainWindow, Client::Poplib, Client::Pipelined};
        if (options.slowEngine) slow.push_back(Client::Engine);
        Part part{std::to_string(box.messages) + " messages, " + std::to_string(options.delayMs) +
                      " ms each way (relay)",
                  box.messages, {}};
        std::printf("\n== %s, best of %d (load before: %s)\n", part.title.c_str(), options.slowRounds,
                    LoadAverage().c_str());
        std::printf("  a lock-step client waits at least %.0f s: two round trips of %d ms per message\n",
                    2.0 * box.messages * 2 * options.delayMs / 1000.0, 2 * options.delayMs);
        part.results = MeasureInRounds(slow, box, options.slowRounds, server.MasterPid(), options.python);
        PrintTable(part.results, box.messages);
        std::printf("  load after: %s\n", LoadAverage().c_str());
        parts.push_back(std::move(part));
    }

    PrintSummary(parts);
    std::printf("\nload after: %s; whole run %.0f s\n", LoadAverage().c_str(), SecondsSince(started));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const CheckSpeedOptions options = ParseCheckSpeedOptions(argc, argv);
    // Ctrl-C ends --serve through sigwait, so the server and the folders are cleaned up; in the
    // measuring runs it just stops the benchmark as usual.
    if (options.serveOnly) {
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, SIGINT);
        sigaddset(&stop, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    }
    if (::access(Dovecot::Binary, X_OK) != 0) {
        std::fprintf(stderr, "check_speed_bench: %s is missing\n", Dovecot::Binary);
        return 1;
    }
    try {
        return Run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "check_speed_bench: %s\n", e.what());
        return 1;
    }
}
