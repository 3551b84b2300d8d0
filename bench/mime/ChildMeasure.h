#pragma once
// One measurement of a parser in a child process of its own, so its heap starts alike every time
// and its peak memory is its own: wall time of Parse and the resident memory it added at most
// (VmHWM after the parse less VmRSS before it, the peak reset first).
#include "ParsePeer.h"

#include <string>

struct Measurement {
    bool ok = false;
    double seconds = 0;
    double peakMB = 0;
    std::string summary;  // what the parser found, or why the child failed
};

Measurement MeasureInChild(ParsePeer& peer, const std::string& bytes);

// The machine's load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them.
std::string MachineLoad();
