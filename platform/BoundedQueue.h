#pragma once
// Work handed from one thread to another, with a bound on what may wait: a producer faster than
// its worker (a big mailbox's replies against the disk or the spam filter) would otherwise pile
// up the whole mailbox in memory, and then wait for all of it at the end.
#include "platform/MessagePump.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace platform {

template <class T>
class TBoundedQueue {
public:
    explicit TBoundedQueue(size_t most) : most_(most < 2 ? 2 : most) {}

    // Waits, when `most` items wait, until half of them are taken: fewer wake-ups of both
    // threads than waiting for one place. The window stays live meanwhile.
    void Push(T item)
    {
        bool wasEmpty = false;
        {
            std::unique_lock lock(mutex_);
            WaitPumping(lock, room_, [this] { return waiting_.size() < most_ || closed_; });
            if (closed_) return;
            wasEmpty = waiting_.empty();
            waiting_.push_back(std::move(item));
        }
        if (wasEmpty) came_.notify_one();  // else the worker is busy and takes the next by itself
    }

    // The next item; nothing once the queue is closed and empty.
    std::optional<T> Pop()
    {
        std::unique_lock lock(mutex_);
        came_.wait(lock, [this] { return !waiting_.empty() || closed_; });
        if (waiting_.empty()) return std::nullopt;
        std::optional<T> item(std::move(waiting_.front()));
        waiting_.pop_front();
        if (waiting_.size() == most_ / 2) room_.notify_all();
        return item;
    }

    // No more items: the worker takes what waits (or nothing, when it is dropped), then Pop
    // gives nothing; a Push after it is ignored.
    void Close(bool dropWaiting = false)
    {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
            if (dropWaiting) waiting_.clear();
        }
        came_.notify_all();
        room_.notify_all();
    }

private:
    const size_t most_;
    std::mutex mutex_;
    std::condition_variable came_, room_;
    std::deque<T> waiting_;
    bool closed_ = false;
};

}  // namespace platform
