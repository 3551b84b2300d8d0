#include "filter/BackgroundScoring.h"

TBackgroundScoring::TBackgroundScoring(const TSpamFilter& filter) : filter_(filter), worker_([this] { Run(); }) {}

TBackgroundScoring::~TBackgroundScoring()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void TBackgroundScoring::Post(std::string header)
{
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(header));
        ++posted_;
    }
    changed_.notify_all();
}

std::vector<TSpamScore> TBackgroundScoring::Finish()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return scores_.size() == posted_; });
    return std::move(scores_);
}

void TBackgroundScoring::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_) return;
        std::string header = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        const TSpamScore score = filter_.Classify(header);  // never throws
        lock.lock();
        scores_.push_back(score);
        if (scores_.size() == posted_) changed_.notify_all();
    }
}
