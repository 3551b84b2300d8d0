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

size_t TBackgroundScoring::Finish()
{
    waiting_.Close();  // the last few wake the thread, which then ends
    std::unique_lock lock(mutex_);
    platform::WaitPumping(lock, scored_, [this] { return scores_.size() == posted_; });
    return scores_.size();
}

TSpamScore TBackgroundScoring::Score(size_t i) const
{
    const TKeptScore& kept = scores_.at(i);
    TSpamScore score;
    score.score = kept.score;
    score.verdict = TSpamClass(kept.verdict);
    if (kept.sender) score.sender = TSenderList(kept.sender);
    return score;
}

void TBackgroundScoring::Run()
{
    while (std::optional<std::string> header = waiting_.Pop()) {
        const TSpamScore score = filter_.Classify(*header);  // never throws
        std::lock_guard lock(mutex_);
        scores_.push_back({float(score.score), uint8_t(score.verdict), uint8_t(score.sender ? int(*score.sender) : 0)});
        scored_.notify_all();
    }
}
