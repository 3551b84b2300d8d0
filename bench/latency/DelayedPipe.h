#pragma once
// One direction of a relayed connection: what came in from one socket, each chunk with the
// time it may go out to the other, and the end of the stream, delayed like the bytes.
#include <chrono>
#include <cstddef>
#include <deque>
#include <string>

class DelayedPipe {
public:
    using Clock = std::chrono::steady_clock;

    DelayedPipe(int from, int to, std::chrono::milliseconds delay) : from_(from), to_(to), delay_(delay) {}

    // Reads what the source has; false once the source has failed. An orderly end is
    // queued behind the bytes.
    bool Receive(Clock::time_point now);
    // Sends the chunks that are due, as far as the destination takes them; false once the
    // destination has failed.
    bool SendDue(Clock::time_point now);

    // Stops reading while this much waits: a bound on memory, far above what a benchmark
    // link carries in one delay.
    static constexpr std::size_t MaxHeld = 64u << 20;
    bool WantsInput() const { return !endReceived_ && held_ < MaxHeld; }
    // Something is due and the destination has not taken it yet.
    bool WantsOutput(Clock::time_point now) const { return !chunks_.empty() && chunks_.front().due <= now; }
    // When the next chunk falls due, if one waits.
    bool NextDue(Clock::time_point& due) const;
    // The end reached the destination (or the pipe failed): nothing more will pass.
    bool Finished() const { return finished_; }

    int From() const { return from_; }
    int To() const { return to_; }

private:
    struct Chunk {
        Clock::time_point due;
        std::string bytes;  // empty: the end of the stream
        std::size_t sent = 0;
    };

    int from_;
    int to_;
    std::chrono::milliseconds delay_;
    std::deque<Chunk> chunks_;
    std::size_t held_ = 0;
    bool endReceived_ = false;
    bool finished_ = false;
};
