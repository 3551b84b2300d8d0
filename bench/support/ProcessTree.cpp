#include "ProcessTree.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

double TreeCpuSeconds(pid_t root)
{
    std::map<pid_t, pid_t> parentOf;
    std::map<pid_t, double> cpuOf;
    const double tick = double(::sysconf(_SC_CLK_TCK));
    DIR* proc = ::opendir("/proc");
    if (!proc) return 0;
    while (dirent* entry = ::readdir(proc)) {
        pid_t pid = std::atoi(entry->d_name);
        if (pid <= 0) continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::vector<std::string> f;
        for (std::string word; fields >> word;) f.push_back(word);
        if (f.size() < 15) continue;
        // After the name: state(0) ppid(1) ... utime(11) stime(12) cutime(13) cstime(14)
        parentOf[pid] = std::atoi(f[1].c_str());
        cpuOf[pid] = (std::atof(f[11].c_str()) + std::atof(f[12].c_str()) + std::atof(f[13].c_str()) +
                      std::atof(f[14].c_str())) / tick;
    }
    ::closedir(proc);
    double total = 0;
    for (const auto& [pid, cpu] : cpuOf) {
        for (pid_t p = pid; p > 1; p = parentOf.count(p) ? parentOf[p] : 0) {
            if (p == root) {
                total += cpu;
                break;
            }
        }
    }
    return total;
}
