#pragma once
// A TCP connection to 127.0.0.1 that reads CR LF lines and writes without blocking on either:
// the pipelined client sends and reads at the same time, or a full socket in each direction
// would leave both ends waiting for each other.
#include <cstddef>
#include <string>
#include <string_view>

class LineConnection {
public:
    explicit LineConnection(int port);  // throws std::runtime_error
    ~LineConnection();
    LineConnection(const LineConnection&) = delete;
    LineConnection& operator=(const LineConnection&) = delete;

    // Queues bytes to send; Pump sends them as the socket takes them.
    void Queue(std::string_view bytes) { out_.append(bytes); }
    bool HasQueued() const { return outPos_ < out_.size(); }
    // Waits until the socket can take or give something, then sends what is queued and reads
    // what has come. Throws when the connection is gone.
    void Pump();
    // A complete line from what has been read, without its line end; false when none is there.
    bool TakeLine(std::string_view& line);
    // Waits for one whole line (a reply of the lock-step part).
    std::string ReadLine();

private:
    int fd_ = -1;
    std::string out_;
    std::size_t outPos_ = 0;
    std::string in_;
    std::size_t inPos_ = 0;
};
