#pragma once
// What check_speed_bench measures, from its command line.
#include <string>
#include <vector>

struct CheckSpeedOptions {
    std::vector<int> sizes = {10000, 50000};  // mailboxes checked on loopback
    int rounds = 5;
    int slowMessages = 1000;  // the mailbox checked over the slow link; 0: none
    int slowRounds = 2;       // a lock-step check there takes minutes, and barely varies
    int delayMs = 25;         // each way
    bool slowEngine = false;  // the engine alone over the slow link too
    std::string python = "python3";
    bool keepProfile = false;  // the main window rewrites the header files of its last run
    // Where the main window's profile (and so its header files, one per message) lives: memory
    // by default, so the disk's mood does not swamp the check's own costs.
    std::string profileParent = "/dev/shm";
    // Only fills the mailboxes and serves them until interrupted, for trying the clients by hand.
    bool serveOnly = false;
};

// Exits with the usage text on --help or a bad argument.
CheckSpeedOptions ParseCheckSpeedOptions(int argc, char** argv);
