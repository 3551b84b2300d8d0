// Lists every message's header on a POP3 server with pipelined "TOP n 0" commands: the speed
// bound for the mail check.
//
//   raw_pipelined PORT USER PASSWORD [WINDOW]      (127.0.0.1; WINDOW unanswered commands at
//                                                   most, 0 or none: no limit)
//
// Prints one line of figures (key=value) for people and for check_speed_bench alike.
#include "PipelinedCheck.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: %s PORT USER PASSWORD [WINDOW]\n", argv[0]);
        return 2;
    }
    const std::size_t window = argc == 5 ? std::strtoul(argv[4], nullptr, 10) : 0;
    try {
        PipelinedFigures f = PipelinedCheck(std::atoi(argv[1]), argv[2], argv[3], window);
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        std::printf("figures: wall=%.6f cpu=%.6f messages=%ld summaries=%ld header_lines=%ld header_bytes=%lld "
                    "peak_kb=%ld pipelining=%s window=%zu list_s=%.6f first_top_s=%.6f\n",
                    f.seconds, f.cpuSeconds, f.messages, f.headers, f.headerLines, f.headerBytes, usage.ru_maxrss,
                    f.pipeliningOffered ? "yes" : "no", window, f.listSeconds, f.firstTopSeconds);
        return f.headers == f.messages ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
}
