#include "CheckSpeedOptions.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

const char kUsage[] =
    "usage: check_speed_bench [--sizes N,N...] [--rounds R] [--slow-messages N] [--slow-rounds R]\n"
    "                         [--delay-ms MS] [--slow-engine] [--python PATH] [--keep-headers]\n"
    "                         [--profile-dir DIR] [--serve]\n"
    "  --sizes          mailboxes checked on loopback (default 10000,50000)\n"
    "  --rounds         rounds on loopback, the best of them counts (default 5)\n"
    "  --slow-messages  mailbox checked through the latency relay, 0 for none (default 1000)\n"
    "  --slow-rounds    rounds there (default 2: a lock-step check of 1000 takes 100 s)\n"
    "  --delay-ms       the relay's delay each way (default 25)\n"
    "  --slow-engine    also the engine alone through the relay\n"
    "  --python         the interpreter of the poplib client (default python3)\n"
    "  --keep-headers   the main window keeps its profile from run to run, so each check rewrites\n"
    "                   the header files of the last (as a repeated check does); by default each\n"
    "                   run starts in an empty profile and creates them\n"
    "  --profile-dir    where the main window's profile and header files go (default /dev/shm,\n"
    "                   in memory; /tmp puts them on the disk, as for a user)\n"
    "  --serve          fill the mailboxes, print where they are, serve them until Ctrl-C\n";

[[noreturn]] void Usage(int status)
{
    std::fputs(kUsage, status == 0 ? stdout : stderr);
    std::exit(status);
}

int Positive(const char* text, bool zeroAllowed)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < (zeroAllowed ? 0 : 1) || value > 10000000) Usage(2);
    return int(value);
}

}  // namespace

CheckSpeedOptions ParseCheckSpeedOptions(int argc, char** argv)
{
    CheckSpeedOptions o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") Usage(0);
        if (arg == "--slow-engine" || arg == "--serve" || arg == "--keep-headers") {
            (arg == "--serve" ? o.serveOnly : arg == "--keep-headers" ? o.keepProfile : o.slowEngine) = true;
            continue;
        }
        if (i + 1 >= argc) Usage(2);
        const char* value = argv[++i];
        if (arg == "--sizes") {
            o.sizes.clear();
            std::istringstream list(value);
            for (std::string item; std::getline(list, item, ',');) o.sizes.push_back(Positive(item.c_str(), false));
        } else if (arg == "--rounds") {
            o.rounds = Positive(value, false);
        } else if (arg == "--slow-messages") {
            o.slowMessages = Positive(value, true);
        } else if (arg == "--slow-rounds") {
            o.slowRounds = Positive(value, false);
        } else if (arg == "--delay-ms") {
            o.delayMs = Positive(value, true);
        } else if (arg == "--python") {
            o.python = value;
        } else if (arg == "--profile-dir") {
            o.profileParent = value;
        } else {
            Usage(2);
        }
    }
    return o;
}
