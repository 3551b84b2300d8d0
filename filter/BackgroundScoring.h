#pragma once
// Scores the headers of a check on a thread of its own, as they come in, so the filter's work
// never holds up the replies: the check posts each header and takes every score at its end.
// The filter must not be trained meanwhile (the window's commands are off during a check).
#include "filter/SpamFilter.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TBackgroundScoring {
public:
    explicit TBackgroundScoring(const TSpamFilter& filter);
    ~TBackgroundScoring();  // an unfinished run is dropped
    TBackgroundScoring(const TBackgroundScoring&) = delete;
    TBackgroundScoring& operator=(const TBackgroundScoring&) = delete;

    void Post(std::string header);
    // Waits for the headers posted so far; their scores, in the order they were posted.
    std::vector<TSpamScore> Finish();

private:
    void Run();

    const TSpamFilter& filter_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> waiting_;
    std::vector<TSpamScore> scores_;
    size_t posted_ = 0;
    bool stopping_ = false;
    std::thread worker_;
};
