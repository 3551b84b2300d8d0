#pragma once
// A TCP relay on 127.0.0.1 that holds every chunk it receives for a fixed delay before passing
// it on, in each direction and in order. It models the round-trip time of a slow link, not its
// bandwidth: chunks overlap in flight, so a client that sends its commands ahead of the replies
// (pipelining) waits one round trip for all of them instead of one for each.
//
//     LatencyRelay relay(server.Port(), 25);    // 25 ms each way: a 50 ms round trip
//     ... connect to 127.0.0.1:relay.Port() ...
//
// One thread serves all connections with poll; the destructor closes them and stops it.
#include <atomic>
#include <thread>

class LatencyRelay {
public:
    // Listens on listenPort (0: a free port); each accepted connection is paired with a new
    // connection to 127.0.0.1:targetPort. Throws std::runtime_error when it cannot listen.
    LatencyRelay(int targetPort, int delayMs, int listenPort = 0);
    ~LatencyRelay();
    LatencyRelay(const LatencyRelay&) = delete;
    LatencyRelay& operator=(const LatencyRelay&) = delete;

    int Port() const { return port_; }
    int DelayMs() const { return delayMs_; }
    // Connections accepted so far.
    long Connections() const { return connections_.load(); }

private:
    void Serve();

    int targetPort_;
    int delayMs_;
    int port_ = 0;
    int listener_ = -1;
    int wakeRead_ = -1;  // the destructor writes to wakeWrite_ to end the poll at once
    int wakeWrite_ = -1;
    std::atomic<long> connections_{0};
    std::thread thread_;
};
