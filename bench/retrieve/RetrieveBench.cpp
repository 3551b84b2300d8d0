// Prints how fast the retrieval engine downloads and parses large messages, side by side with
// curl on the same private Dovecot in the same run.
//
//   retrieve_bench [sizes in MB...]     (default 1 20 100; 1 MB = 2^20 octets; needs
//                                        /usr/sbin/dovecot and curl)
//
// Each message is a short text part and a base64 attachment. For each size, five rounds, and in
// each round every read size of TVemPOP (RetrieveChunkSize 1024, 16 KiB, 64 KiB) followed by a
// curl run, so the clients alternate. Each figure is the lowest of its runs.
//  - quillbox download: RetrieveMessage (LIST n, RETR n streamed to the work file) up to its
//    final progress report, when the whole message is in the work file and parsing begins.
//    Peak memory there must not grow with the message: it streams to a file.
//  - quillbox whole: the same call to its end, parse included.
//    Both in a forked child: connected and logged in before the clock starts; the peak is that
//    child's VmHWM, reset just before.
//  - curl: `curl -s pop3://...:PORT/N -o /dev/null`: the whole process (start, connect, login,
//    download); CPU and peak from its rusage.
#include "CurlRun.h"
#include "Dovecot.h"
#include "LargeMessage.h"
#include "ProcessFigures.h"
#include "QuillboxRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char kUser[] = "bench";
const char kPassword[] = "bench";
constexpr int kRounds = 5;
const std::vector<int> kChunkSizes = {1024, 16 * 1024, 64 * 1024};
const char kSmallMessage[] = "From: a@example.com\r\nTo: bench@example.com\r\nSubject: small\r\n\r\nHello.\r\n";

struct Case {
    int megabytes = 0;
    int number = 0;  // the server's message number
    size_t octets = 0;
    size_t attachmentBytes = 0;
};

// The lowest of each figure over the runs.
struct BestQuillbox {
    double downloadWall = 1e9, downloadCpu = 1e9, wall = 1e9, cpu = 1e9, msAfterReport = 0;
    long downloadPeakKB = 1L << 40, peakKB = 1L << 40, baseKB = 1L << 40, pumps = 1L << 40;
    int64_t octetsAfterReport = 0, octetsReceived = 0;
    void Add(const RetrieveFigures& f)
    {
        downloadWall = std::min(downloadWall, f.downloadWall);
        downloadCpu = std::min(downloadCpu, f.downloadCpu);
        wall = std::min(wall, f.wall);
        cpu = std::min(cpu, f.cpu);
        // These are no costs: the largest seen.
        msAfterReport = std::max(msAfterReport, f.msAfterReport);
        octetsAfterReport = std::max(octetsAfterReport, f.octetsAfterReport);
        octetsReceived = f.octetsReceived;
        downloadPeakKB = std::min(downloadPeakKB, f.downloadPeakKB);
        peakKB = std::min(peakKB, f.peakKB);
        baseKB = std::min(baseKB, f.baseKB);
        pumps = std::min(pumps, f.downloadPumps);
    }
};

struct BestCurl {
    double wall = 1e9, cpu = 1e9;
    long peakKB = 1L << 40;
    int runs = 0;
    void Add(const CurlFigures& f)
    {
        wall = std::min(wall, f.wall);
        cpu = std::min(cpu, f.cpu);
        peakKB = std::min(peakKB, f.peakKB);
        ++runs;
    }
};

RetrieveFigures Quillbox(int port, const Case& c, int chunkSize)
{
    RetrieveRequest request;
    request.port = port;
    request.user = kUser;
    request.password = kPassword;
    request.messageNumber = c.number;
    request.chunkSize = chunkSize;
    request.attachmentBytes = c.attachmentBytes;
    RetrieveFigures f = RunQuillboxRetrieve(request);
    if (!f.ok) throw std::runtime_error("quillbox, " + std::to_string(c.megabytes) + " MB: " + f.error);
    return f;
}

CurlFigures Curl(int port, int number)
{
    CurlFigures f = RunCurl(port, kUser, kPassword, number);
    if (!f.ok) throw std::runtime_error("curl, message " + std::to_string(number) + ": " + f.error);
    return f;
}

// Untimed: shows curl really downloads the whole message (and the server reads it once).
void CheckCurl(int port, int number, size_t octets)
{
    CurlFigures f = RunCurl(port, kUser, kPassword, number, true);
    if (!f.ok || f.bytes != int64_t(octets))
        throw std::runtime_error("curl, message " + std::to_string(number) + ": " + std::to_string(f.bytes) + " of " +
                                 std::to_string(octets) + " octets " + f.error);
}

double Ms(double seconds) { return seconds * 1000; }
double MiBPerSecond(size_t octets, double seconds) { return double(octets) / double(1 << 20) / seconds; }

// curlFixed: curl's wall time on a tiny message, which Quillbox's timed part has no share of
// (process start, connect, login).
void PrintCase(const Case& c, const std::vector<BestQuillbox>& quillbox, const BestCurl& curl, double curlFixed)
{
    // Where the fixed cost is most of curl's time, the difference is noise: no figure then.
    const double curlNet = curl.wall - curlFixed;
    const bool netMeaningful = curlNet > curl.wall / 4;
    std::printf("\n%d MB message: %zu octets, attachment %zu bytes\n", c.megabytes, c.octets, c.attachmentBytes);
    std::printf("  %-16s | %-71s | %s\n", "", "download (to the final progress report)",
                "whole RetrieveMessage (parse included)");
    std::printf("  %-16s | %8s %8s %6s %9s %9s %8s %8s | %8s %8s %9s\n", "client", "wall ms", "CPU ms", "MiB/s",
                "peak KiB", "base KiB", "vs curl", "vs net", "wall ms", "CPU ms", "peak KiB");
    for (size_t i = 0; i < kChunkSizes.size(); ++i) {
        const BestQuillbox& q = quillbox[i];
        char label[32];
        std::snprintf(label, sizeof label, "quillbox %2d KiB", kChunkSizes[i] / 1024);
        char net[16] = "       -";
        if (netMeaningful) std::snprintf(net, sizeof net, "%7.2fx", q.downloadWall / curlNet);
        std::printf("  %-16s | %8.1f %8.1f %6.0f %9ld %9ld %7.2fx %8s | %8.1f %8.1f %9ld\n", label,
                    Ms(q.downloadWall), Ms(q.downloadCpu), MiBPerSecond(c.octets, q.downloadWall), q.downloadPeakKB,
                    q.baseKB, q.downloadWall / curl.wall, net, Ms(q.wall), Ms(q.cpu), q.peakKB);
    }
    std::printf("  %-16s | %8.1f %8.1f %6.0f %9ld %9s %8s %8s | (curl keeps nothing: -o /dev/null)\n", "curl",
                Ms(curl.wall), Ms(curl.cpu), MiBPerSecond(c.octets, curl.wall), curl.peakKB, "-", "1.00x", "");
    std::printf("  vs net: against curl's wall less its fixed cost (%.1f ms; '-' where that is most of it)\n",
                Ms(curlFixed));
    std::printf("  pump turns per download:");
    for (size_t i = 0; i < kChunkSizes.size(); ++i)
        std::printf(" %d KiB: %ld (%.0f octets per turn);", kChunkSizes[i] / 1024, quillbox[i].pumps,
                    double(c.octets) / double(quillbox[i].pumps));
    std::printf("\n  after the final progress report, at most:");
    for (size_t i = 0; i < kChunkSizes.size(); ++i)
        std::printf(" %d KiB: %lld of %lld octets in %.2f ms;", kChunkSizes[i] / 1024,
                    (long long)quillbox[i].octetsAfterReport, (long long)quillbox[i].octetsReceived,
                    quillbox[i].msAfterReport);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        int mb = std::atoi(argv[i]);
        if (mb <= 0) {
            std::fprintf(stderr, "usage: retrieve_bench [sizes in MB...]\n");
            return 2;
        }
        sizes.push_back(mb);
    }
    if (sizes.empty()) sizes = {1, 20, 100};
    if (::access(Dovecot::Binary, X_OK) != 0) {
        std::fprintf(stderr, "retrieve_bench: %s is missing\n", Dovecot::Binary);
        return 1;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        Dovecot server;
        server.AddUser(kUser, kPassword);
        server.Deliver(kUser, kSmallMessage);  // message 1: curl's fixed cost
        std::vector<Case> cases;
        for (int mb : sizes) {
            LargeMessage m = MakeLargeMessage(size_t(mb) << 20);
            server.Deliver(kUser, m.text);
            cases.push_back({mb, int(cases.size()) + 2, m.text.size(), m.attachmentBytes});
        }
        // The children are forked from here: what the messages took must not stay resident.
        ::malloc_trim(0);
        server.Start();

        const long cpus = ::sysconf(_SC_NPROCESSORS_ONLN);
        std::printf("retrieve_bench: %d rounds, interleaved (quillbox 1, 16, 64 KiB reads, each followed by curl)\n",
                    kRounds);
        std::printf("message pump: counts the turn and reads the monotonic clock (what the GUI's pump does "
                    "when its 10 ms have not passed)\n");
        std::printf("machine: %ld CPUs; load before: %s\n", cpus, LoadAverage().c_str());

        BestCurl small;
        CheckCurl(server.Port(), 1, sizeof kSmallMessage - 1);
        for (int r = 0; r < kRounds; ++r) small.Add(Curl(server.Port(), 1));
        std::printf("curl's fixed cost (start, connect, login, a %zu-octet message): %.1f ms wall, %.1f ms CPU, "
                    "%ld KiB peak\n",
                    sizeof kSmallMessage - 1, Ms(small.wall), Ms(small.cpu), small.peakKB);

        for (const Case& c : cases) {
            CheckCurl(server.Port(), c.number, c.octets);
            std::vector<BestQuillbox> quillbox(kChunkSizes.size());
            BestCurl curl;
            for (int r = 0; r < kRounds; ++r) {
                for (size_t i = 0; i < kChunkSizes.size(); ++i) {
                    quillbox[i].Add(Quillbox(server.Port(), c, kChunkSizes[i]));
                    curl.Add(Curl(server.Port(), c.number));
                }
            }
            PrintCase(c, quillbox, curl, small.wall);
        }
        std::printf("\ncurl: best of %d runs per size; quillbox: best of %d per read size. Load after: %s\n",
                    kRounds * int(kChunkSizes.size()), kRounds, LoadAverage().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "retrieve_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
