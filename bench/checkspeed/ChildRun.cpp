#include "ChildRun.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

double Seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

void ParseFigures(ChildRun& run)
{
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("figures:", 0) != 0) continue;
        std::istringstream words(line.substr(8));
        for (std::string word; words >> word;) {
            const std::size_t equals = word.find('=');
            if (equals != std::string::npos) run.figures[word.substr(0, equals)] = word.substr(equals + 1);
        }
    }
}

}  // namespace

double ChildRun::Number(const std::string& key) const
{
    auto it = figures.find(key);
    return it == figures.end() ? 0 : std::atof(it->second.c_str());
}

ChildRun RunChild(const std::vector<std::string>& argv)
{
    ChildRun run;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        run.failure = "no pipe";
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (std::string& a : args) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        run.failure = "cannot run " + argv[0];
        return run;
    }
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        run.output.append(buffer, std::size_t(n));
    }
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    run.peakKB = usage.ru_maxrss;
    ParseFigures(run);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        run.failure = argv[0] + " ended with status " + std::to_string(status);
    else if (run.figures.empty())
        run.failure = argv[0] + " printed no figures";
    run.ok = run.failure.empty();
    return run;
}
