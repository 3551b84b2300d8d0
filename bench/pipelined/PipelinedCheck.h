#pragma once
// The fastest way this benchmark knows to list a mailbox's headers over POP3: log in, LIST,
// then send every "TOP n 0" ahead of the replies (up to `window` unanswered, 0: no limit)
// while reading the replies as they come, and QUIT. It parses no more than it must to find
// where each reply ends: the bound a mail check is measured against.
#include <cstddef>
#include <string>

struct PipelinedFigures {
    double seconds = 0;     // connect to the QUIT reply
    double cpuSeconds = 0;  // this thread's, over the same span
    long messages = 0;      // in the LIST reply
    long headers = 0;       // positive TOP replies
    long headerLines = 0;   // their lines, the terminating "." not counted
    long long headerBytes = 0;
    bool pipeliningOffered = false;  // CAPA named PIPELINING
    // Where the server takes its time before it streams: LIST's whole reply, and the wait from
    // the first TOP sent to its first reply line.
    double listSeconds = 0;
    double firstTopSeconds = 0;
};

// Throws std::runtime_error when the server cannot be reached or refuses the login.
PipelinedFigures PipelinedCheck(int port, const std::string& user, const std::string& password, std::size_t window);
