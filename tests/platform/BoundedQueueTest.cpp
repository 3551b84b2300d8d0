// Work handed to another thread: a full queue makes the poster wait with the window live (also
// through many short waits), and closing it ends the worker, with or without what waits.
#include "platform/BoundedQueue.h"
#include "platform/MessagePump.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

TEST(BoundedQueue, AFullQueueWaitsPumpingUntilHalfIsTaken)
{
    platform::TBoundedQueue<int> queue(4);
    for (int i = 0; i < 4; ++i) queue.Push(i);
    // No worker yet: the pump, run while the poster waits, starts one that takes two.
    int pumped = 0;
    std::thread worker;
    std::vector<int> taken;
    const platform::MessagePump old = platform::SetMessagePump([&] {
        if (pumped++ == 0) worker = std::thread([&] {
            for (int k = 0; k < 2; ++k) taken.push_back(*queue.Pop());
        });
    });
    queue.Push(4);
    platform::SetMessagePump(old);
    worker.join();
    EXPECT_GE(pumped, 1);
    EXPECT_EQ(taken, (std::vector<int>{0, 1}));
    queue.Close();
    std::vector<int> rest;
    while (auto item = queue.Pop()) rest.push_back(*item);
    EXPECT_EQ(rest, (std::vector<int>{2, 3, 4}));
    queue.Push(5);  // after Close: ignored, not waited for
    EXPECT_FALSE(queue.Pop());
}

TEST(BoundedQueue, ManyShortWaitsPumpAsOftenAsOneLongOne)
{
    // A worker a little slower than the poster: every wait is shorter than the pump's 10 ms,
    // but together they last far longer.
    platform::TBoundedQueue<int> queue(2);
    std::thread worker([&] {
        while (queue.Pop()) std::this_thread::sleep_for(std::chrono::milliseconds(3));
    });
    int pumped = 0;
    const platform::MessagePump old = platform::SetMessagePump([&] { ++pumped; });
    for (int i = 0; i < 60; ++i) queue.Push(i);  // about 180 ms of waiting
    platform::SetMessagePump(old);
    queue.Close();
    worker.join();
    EXPECT_GE(pumped, 5);
}

TEST(BoundedQueue, AnIdleWorkerWakesForABatchOrTheClose)
{
    platform::TBoundedQueue<int> queue(16, 4);
    std::vector<int> taken;
    std::mutex mutex;
    std::thread worker([&] {
        while (auto item = queue.Pop()) {
            std::lock_guard lock(mutex);
            taken.push_back(*item);
        }
    });
    auto takenAfter = [&](int ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        std::lock_guard lock(mutex);
        return taken.size();
    };
    takenAfter(200);  // the worker waits on the empty queue by then
    for (int i = 0; i < 3; ++i) queue.Push(i);
    EXPECT_EQ(takenAfter(50), 0u);  // fewer than a batch: left waiting
    queue.Push(3);
    size_t now = 0;
    for (int tries = 0; tries < 500 && now < 4; ++tries) now = takenAfter(10);
    EXPECT_EQ(now, 4u);  // a batch wakes it
    queue.Push(4);
    queue.Close();  // the last few go on Close
    worker.join();
    EXPECT_EQ(taken, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(BoundedQueue, ClosingMayDropWhatWaits)
{
    platform::TBoundedQueue<int> queue(8);
    queue.Push(1);
    queue.Push(2);
    queue.Close(true);
    EXPECT_FALSE(queue.Pop());
}

}  // namespace
