#pragma once
// Runs one client program to its end and collects what it reports: its line of figures
// ("figures: key=value ...") and, from the kernel, its CPU time and peak memory.
#include <map>
#include <string>
#include <vector>

struct ChildRun {
    bool ok = false;  // exited 0 and printed figures
    std::string failure;
    double cpuSeconds = 0;  // user + system of the whole process
    long peakKB = 0;        // its peak resident memory (ru_maxrss)
    std::map<std::string, std::string> figures;
    std::string output;  // all it printed, errors included, for a failure's report

    double Number(const std::string& key) const;  // 0 when missing
};

// argv[0] is looked up in PATH when it has no '/'. The child's standard error is collected with
// its output: Qt's warnings must not break into the benchmark's table.
ChildRun RunChild(const std::vector<std::string>& argv);
