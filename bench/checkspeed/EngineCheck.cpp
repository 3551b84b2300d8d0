// The mailbox engine alone, as the mail check drives it: connect and log in, LIST, the header
// summary of every message, QUIT. No window and no message pump.
//
//   engine_check PORT USER PASSWORD      (127.0.0.1)
//
// The summaries come from one GetSummaries over the whole list, as in the check. Prints one
// line of figures (key=value).
#include "ProcessFigures.h"
#include "mailbox/Kiropop3.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <sys/resource.h>
#include <type_traits>
#include <vector>

namespace {

struct Tally {
    long summaries = 0;
    long headerLines = 0;  // the terminating "." not counted, as the other clients count
    long long headerBytes = 0;

    void Add(const TSummary& summary)
    {
        ++summaries;
        for (const std::string& line : summary.Header) {
            if (line == ".") continue;
            ++headerLines;
            headerBytes += (long long)(line.size()) + 2;
        }
    }
};

constexpr const char* kMode = "GetSummaries";

// The batch call the main window's check uses: TOP commands pipelined when the server offers it.
void Summaries(TKiroPOP3& pop, const std::vector<int>& numbers, Tally& tally)
{
    pop.GetSummaries(numbers, [&](int, const TSummary& summary) { tally.Add(summary); });
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PORT USER PASSWORD\n", argv[0]);
        return 2;
    }
    TKiroPOP3 pop;
    pop.Host = "127.0.0.1";
    pop.Port = std::atoi(argv[1]);
    pop.UserID = argv[2];
    pop.Password = argv[3];
    pop.TimeOut = 20000;  // as the main window's check
    pop.ReportLevel = 2;
    std::vector<int> numbers;
    pop.OnList = [&](int msg, int64_t) { numbers.push_back(msg); };

    Tally tally;
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    try {
        pop.Connect();
        pop.List();
        Summaries(pop, numbers, tally);
        pop.Disconnect();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds(RUSAGE_SELF) - cpuBefore;
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("figures: wall=%.6f cpu=%.6f messages=%zu summaries=%ld header_lines=%ld header_bytes=%lld "
                "peak_kb=%ld mode=%s\n",
                wall, cpu, numbers.size(), tally.summaries, tally.headerLines, tally.headerBytes, usage.ru_maxrss,
                kMode);
    return tally.summaries == long(numbers.size()) ? 0 : 1;
}
