#include "ChildMeasure.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long StatusKB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
    return -1;
}

// Sets VmHWM back to the present resident size.
void ResetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

[[noreturn]] void RunChild(ParsePeer& peer, const std::string& bytes, int out)
{
    peer.Prepare(bytes);
    malloc_trim(0);  // what preparing freed must not be reused unseen by the parse
    long before = StatusKB("VmRSS:");
    ResetPeak();
    auto start = std::chrono::steady_clock::now();
    std::string summary = peer.Parse();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    long peak = StatusKB("VmHWM:") - before;
    std::string report = std::to_string(seconds) + " " + std::to_string(peak) + " " + summary + "\n";
    ssize_t written = ::write(out, report.data(), report.size());
    ::_exit(written == ssize_t(report.size()) ? 0 : 1);
}

}  // namespace

Measurement MeasureInChild(ParsePeer& peer, const std::string& bytes)
{
    Measurement m;
    int pipe[2];
    if (::pipe(pipe) != 0) {
        m.summary = "no pipe";
        return m;
    }
    std::fflush(stdout);
    pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        RunChild(peer, bytes, pipe[1]);
    }
    ::close(pipe[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) report.append(buffer, size_t(n));
    ::close(pipe[0]);
    int status = 0;
    if (child > 0) ::waitpid(child, &status, 0);
    if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        m.summary = "failed (status " + std::to_string(status) + ")";
        return m;
    }
    std::istringstream fields(report);
    long peakKB = 0;
    fields >> m.seconds >> peakKB;
    std::getline(fields >> std::ws, m.summary);
    m.peakMB = double(peakKB) / 1024.0;
    m.ok = true;
    return m;
}

std::string MachineLoad()
{
    std::ifstream file("/proc/loadavg");
    double one = 0, five = 0, fifteen = 0;
    file >> one >> five >> fifteen;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", one, five, fifteen);
    return text;
}
