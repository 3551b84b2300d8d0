// Relays TCP connections on 127.0.0.1 with a delay each way, to try a client on a slow link.
//
//   latency_proxy LISTEN_PORT TARGET_PORT DELAY_MS
//
// Connect to 127.0.0.1:LISTEN_PORT to reach 127.0.0.1:TARGET_PORT; every chunk, in either
// direction, is delivered DELAY_MS after it arrived, in order. Runs until interrupted.
#include "LatencyRelay.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

// A whole decimal number in [low, high], or -1.
long Number(const char* text, long low, long high)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    return *text && !*end && value >= low && value <= high ? value : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s LISTEN_PORT TARGET_PORT DELAY_MS\n", argv[0]);
        return 2;
    }
    const long listenPort = Number(argv[1], 0, 65535), targetPort = Number(argv[2], 1, 65535),
               delayMs = Number(argv[3], 0, 3600000);
    if (listenPort < 0 || targetPort < 0 || delayMs < 0) {
        std::fprintf(stderr, "%s: ports are 1 to 65535 (0 to listen on a free one), the delay 0 to 3600000 ms\n", argv[0]);
        return 2;
    }
    // The relay's thread must not take the signals: this thread waits for them.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    try {
        LatencyRelay relay{int(targetPort), int(delayMs), int(listenPort)};
        std::printf("relaying 127.0.0.1:%d to 127.0.0.1:%ld, %ld ms each way (Ctrl-C ends)\n", relay.Port(), targetPort,
                    delayMs);
        std::fflush(stdout);
        int signal = 0;
        sigwait(&stop, &signal);
        std::printf("%ld connections relayed\n", relay.Connections());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
