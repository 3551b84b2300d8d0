#pragma once
// One retrieval by TVemPOP::RetrieveMessage in a child process of its own, so its peak memory
// is its own. Connecting and logging in come before the timed part.
#include <cstddef>
#include <cstdint>
#include <string>

struct RetrieveRequest {
    int port = 0;
    std::string user, password;
    int messageNumber = 0;
    int chunkSize = 1024;           // TVemPOP::RetrieveChunkSize
    std::size_t attachmentBytes;    // what the parsed attachment must hold
};

// Plain data: the child writes it through a pipe.
struct RetrieveFigures {
    bool ok = false;
    char error[240] = {};
    // Up to the final progress report: the whole message is in the work file.
    double downloadWall = 0, downloadCpu = 0;
    long downloadPeakKB = 0;
    // The whole call: LIST, RETR, streaming, parse.
    double wall = 0, cpu = 0;
    long peakKB = 0;
    long baseKB = 0;          // resident when the timed part began (connected, logged in)
    long downloadPumps = 0;   // message pump turns up to the final progress report
    // What arrived after the final progress report (the report of 100 can come a little
    // before the end), and the time from that report to the last receive.
    int64_t octetsAfterReport = 0;
    double msAfterReport = 0;
    int64_t octetsReceived = 0;  // replies and message, as read
};

// The pump installed in the child does what a GUI's pump does while nothing is pending: it
// counts the turn and reads the monotonic clock (the GUI's pump checks whether 10 ms passed).
RetrieveFigures RunQuillboxRetrieve(const RetrieveRequest& request);
