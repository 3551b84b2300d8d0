#include "keyring/PumpedCall.h"

#include "platform/MessagePump.h"
#include "platform/SecretStore.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace keyring {
namespace {
constexpr std::chrono::milliseconds kSlice{10};

struct Progress {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
};
}  // namespace

CallEnd RunPumped(std::function<void()> work, const std::function<void()>& cancel, std::chrono::milliseconds limit)
{
    auto progress = std::make_shared<Progress>();
    const unsigned stops = platform::SecretWaitStops();
    try {
        std::thread([progress, work = std::move(work)] {
            work();
            {
                std::lock_guard<std::mutex> lock(progress->mutex);
                progress->done = true;
            }
            progress->finished.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return CallEnd::NoThread;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(progress->mutex);
            if (progress->finished.wait_for(lock, kSlice, [&] { return progress->done; })) return CallEnd::Done;
        }
        platform::ProcessMessages();
        const bool stopped = platform::SecretWaitStops() != stops;
        if (stopped || std::chrono::steady_clock::now() >= deadline) {
            cancel();
            return stopped ? CallEnd::Stopped : CallEnd::TimedOut;
        }
    }
}

}  // namespace keyring
