#include "CurlRun.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
double Seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }
}  // namespace

CurlFigures RunCurl(int port, const std::string& user, const std::string& password, int messageNumber, bool countBytes)
{
    CurlFigures f;
    const std::string url =
        "pop3://" + user + ":" + password + "@127.0.0.1:" + std::to_string(port) + "/" + std::to_string(messageNumber);
    std::vector<std::string> args = {"curl", "-s", url};
    if (!countBytes) args.insert(args.end(), {"-o", "/dev/null"});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe(out) != 0) {
        f.error = "pipe failed";
        return f;
    }
    std::fflush(nullptr);
    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0) ::dup2(devNull, 0);
        ::execvp("curl", argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    int64_t arrived = 0;
    static char buffer[64 * 1024];
    for (ssize_t n; child > 0 && (n = ::read(out[0], buffer, sizeof buffer)) > 0;) arrived += n;
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child) {
        f.error = "fork or wait failed";
        return f;
    }
    f.wall = std::chrono::duration<double>(Clock::now() - start).count();
    f.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    f.peakKB = usage.ru_maxrss;
    if (countBytes) f.bytes = arrived;
    f.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!f.ok) f.error = "curl exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return f;
}
