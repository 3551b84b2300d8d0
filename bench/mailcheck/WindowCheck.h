#pragma once
#include <string>
// One mail check through the real main window, as a person starts it from the "Check Mail"
// drop-down, measured: its wall and CPU time, the process's memory, and how long the window
// could not answer (the longest gap between two runs of a 5 ms GUI timer).
//
// Call from inside the running event loop: the check pumps events while it waits.
class QAction;
class TMainFrm;

struct WindowCheckFigures {
    double seconds = 0;
    double cpuSeconds = 0;  // the whole process's, over the check
    int rows = 0;           // in the message list afterwards
    long rssBeforeKB = 0;   // resident memory when the check began
    long peakKB = 0;        // the process's peak resident memory after it
    long long timerRuns = 0;
    long long longestGapMs = 0;
    std::string longestGapEndedAt;  // the display's text when that gap ended: where the time went
};

WindowCheckFigures CheckThroughMainWindow(TMainFrm& frm, QAction& entry);
