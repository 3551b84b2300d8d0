#include "ProcessFigures.h"

#include <fstream>
#include <sstream>
#include <sys/resource.h>

namespace {
double Seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }
}  // namespace

double CpuSeconds(int who)
{
    rusage usage{};
    ::getrusage(who, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

long StatusKB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string name(field);
    while (std::getline(status, line))
        if (line.rfind(name, 0) == 0) return std::stol(line.substr(name.size()));
    return -1;
}

void ResetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

std::string LoadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}
