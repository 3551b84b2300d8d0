#include "session/CheckSchedule.h"

#include <algorithm>
#include <chrono>

TCheckSchedule::TCheckSchedule(Clock nowMs) : now_(std::move(nowMs)) {}

int64_t TCheckSchedule::SteadyNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TCheckSchedule::TEntry* TCheckSchedule::Find(const std::string& name)
{
    for (TEntry& e : entries_)
        if (e.account.Name == name) return &e;
    return nullptr;
}

int64_t TCheckSchedule::OneIntervalFromNow(int minutes) const { return now_() + int64_t(minutes) * 60 * 1000; }

void TCheckSchedule::SetAccounts(const std::vector<TScheduledAccount>& accounts)
{
    std::vector<TEntry> next;
    next.reserve(accounts.size());
    for (const TScheduledAccount& a : accounts) {
        TEntry entry{a, 0};
        const TEntry* old = Find(a.Name);
        if (old && old->account.Interval == a.Interval) entry.dueMs = old->dueMs;
        else if (a.Interval > 0) entry.dueMs = OneIntervalFromNow(a.Interval);
        next.push_back(std::move(entry));
    }
    entries_ = std::move(next);
    std::erase_if(queue_, [this](const std::string& name) { return !Find(name); });
}

std::vector<std::string> TCheckSchedule::Due() const
{
    std::vector<const TEntry*> due;
    const int64_t now = now_();
    for (const TEntry& e : entries_)
        if (e.account.Interval > 0 && e.account.Remembered && e.dueMs <= now) due.push_back(&e);
    std::stable_sort(due.begin(), due.end(), [](const TEntry* a, const TEntry* b) { return a->dueMs < b->dueMs; });
    std::vector<std::string> names;
    for (const TEntry* e : due) names.push_back(e->account.Name);
    return names;
}

void TCheckSchedule::CheckAll()
{
    for (const TEntry& e : entries_)
        if (std::find(queue_.begin(), queue_.end(), e.account.Name) == queue_.end()) queue_.push_back(e.account.Name);
}

void TCheckSchedule::CancelCheckAll() { queue_.clear(); }

std::optional<std::string> TCheckSchedule::NextCheck(bool busy, bool modalOpen)
{
    if (running_ || busy || modalOpen) return std::nullopt;
    if (!queue_.empty()) {
        running_ = queue_.front();
        runningAsked_ = true;
        queue_.pop_front();
        return running_;
    }
    std::vector<std::string> due = Due();
    if (due.empty()) return std::nullopt;
    running_ = due.front();
    runningAsked_ = false;
    return running_;
}

void TCheckSchedule::CheckDone(const std::string& account)
{
    if (running_ == account) running_.reset();
    if (TEntry* e = Find(account); e && e->account.Interval > 0) e->dueMs = OneIntervalFromNow(e->account.Interval);
}
