#pragma once
// The four ways of listing a mailbox's headers that the benchmark puts side by side, each a
// program of its own run in a child process, so its memory and CPU are its own.
#include "ClientFigures.h"

#include <string>
#include <sys/types.h>

enum class Client {
    MainWindow,  // the real main window's check (mailcheck_bench --server), offscreen
    // The same, one TOP at a time: the exchange of a server that does not offer PIPELINING.
    MainWindowLockStep,
    Poplib,      // Python's poplib, lock-step: TOP n 0 and LIST n per message
    Pipelined,   // the raw pipelined client: the bound
    Engine,      // the mailbox engine alone, without a window
};

const char* ClientName(Client client);

// Where a client finds its mailbox, and the folder the main window keeps its profile in.
struct Mailbox {
    int port = 0;
    std::string user;
    std::string password;
    std::string profileFolder;
    int messages = 0;
    // The main window starts each run in an empty profile, so it creates its header files;
    // kept, each run rewrites the files of the run before, as a repeated check does.
    bool keepProfile = false;
};

// Runs the client once against the mailbox; serverMaster is the server's master process, whose
// tree's CPU is measured over the run. Throws std::runtime_error when the client fails or
// lists fewer messages than the mailbox holds.
RunFigures MeasureClient(Client client, const Mailbox& box, pid_t serverMaster, const std::string& python);
