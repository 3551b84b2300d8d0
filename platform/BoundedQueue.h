#pragma once
// Work handed from one thread to another, with a bound on what may wait: a producer faster than
// its worker (a big mailbox's replies against the disk or the spam filter) would otherwise pile
// up the whole mailbox in memory, and then wait for all of it at the end.
#include "platform/MessagePump.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

namespace platform {

template <class T>
class TBoundedQueue {
public:
    // A worker that waits for items sleeps until `wakeAt` of them wait (or the queue closes):
    // one whose items need no answer before the end is not woken, and does not wake its
    // producer's core, once per item.
    explicit TBoundedQueue(size_t most, size_t wakeAt = 1)
        : most_(most < 2 ? 2 : most), wakeAt_(std::clamp<size_t>(wakeAt, 1, most_ / 2))
    {
    }

    // Waits, when `most` items wait, until half of them are taken: fewer wake-ups of both
    // threads than waiting for one place. The window stays live meanwhile.
    void Push(T item)
    {
        bool wake = false;
        {
            std::unique_lock lock(mutex_);
            WaitPumping(lock, room_, [this] { return waiting_.size() < most_ || closed_; });
            if (closed_) return;
            waiting_.push_back(std::move(item));
            wake = waiting_.size() == wakeAt_;
        }
        if (wake) came_.notify_one();  // else the worker is busy and takes the next by itself
    }

    // The next item; nothing once the queue is closed and empty.
    std::optional<T> Pop()
    {
        std::unique_lock lock(mutex_);
        if (waiting_.empty()) came_.wait(lock, [this] { return waiting_.size() >= wakeAt_ || closed_; });
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
    const size_t most_, wakeAt_;
    std::mutex mutex_;
    std::condition_variable came_, room_;
    std::deque<T> waiting_;
    bool closed_ = false;
};

}  // namespace platform
