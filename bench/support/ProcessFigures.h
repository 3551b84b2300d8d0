#pragma once
// What this process has used so far: CPU time, resident memory and its peak, and the
// machine's load, for the benchmark's figures.
#include <string>

double CpuSeconds(int who);  // user + system, RUSAGE_SELF / RUSAGE_CHILDREN / RUSAGE_THREAD
// A "VmHWM:" / "VmRSS:" line of /proc/self/status, in KiB; -1 when missing.
long StatusKB(const char* field);
// Sets the peak (VmHWM) back to the current resident size, so a later reading shows the
// peak of what came after.
void ResetPeak();
// The first three figures of /proc/loadavg ("1.02 0.80 0.41").
std::string LoadAverage();
