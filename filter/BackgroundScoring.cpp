#include "filter/BackgroundScoring.h"

TBackgroundScoring::TBackgroundScoring(const TSpamFilter& filter, size_t expected) : filter_(filter)
{
    scores_.reserve(expected);
    worker_ = std::thread([this] { Run(); });
}

TBackgroundScoring::~TBackgroundScoring()
{
    waiting_.Close(true);
    worker_.join();
}

void TBackgroundScoring::Post(std::string header)
{
    waiting_.Push(std::move(header));
    ++posted_;
}

std::vector<TSpamScore> TBackgroundScoring::Finish()
{
    std::unique_lock lock(mutex_);
    platform::WaitPumping(lock, scored_, [this] { return scores_.size() == posted_; });
    return std::move(scores_);
}

void TBackgroundScoring::Run()
{
    while (std::optional<std::string> header = waiting_.Pop()) {
        const TSpamScore score = filter_.Classify(*header);  // never throws
        std::lock_guard lock(mutex_);
        scores_.push_back(score);
        scored_.notify_all();
    }
}
