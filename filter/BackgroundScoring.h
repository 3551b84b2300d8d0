#pragma once
// Scores the headers of a check on a thread of its own, as they come in, so the filter's work
// never holds up the replies: the check posts each header and takes every score at its end.
// The filter must not be trained meanwhile (the window's commands are off during a check).
#include "filter/SpamFilter.h"
#include "platform/BoundedQueue.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TBackgroundScoring {
public:
    // `expected`: how many headers will come, when known.
    explicit TBackgroundScoring(const TSpamFilter& filter, size_t expected = 0);
    ~TBackgroundScoring();  // an unfinished run is dropped
    TBackgroundScoring(const TBackgroundScoring&) = delete;
    TBackgroundScoring& operator=(const TBackgroundScoring&) = delete;

    // Headers that may wait for the thread; a post beyond them waits for it.
    static constexpr size_t kMostWaiting = 256;
    void Post(std::string header);
    // Waits for the headers posted so far (the window stays live); returns how many there are.
    // A header posted after it is not scored.
    size_t Finish();
    // The score of the i-th header posted, once Finish returned; kept as the list keeps it (a
    // float), as a big mailbox has tens of thousands.
    TSpamScore Score(size_t i) const;

private:
    void Run();

    struct TKeptScore {
        float score;
        uint8_t verdict;  // a TSpamClass
        uint8_t sender;   // a TSenderList, or 0 for none
    };

    const TSpamFilter& filter_;
    // The scores are wanted at the end only: the thread is woken for a few dozen at a time.
    platform::TBoundedQueue<std::string> waiting_{kMostWaiting, 32};
    std::mutex mutex_;
    std::condition_variable scored_;
    std::vector<TKeptScore> scores_;
    size_t posted_ = 0;  // touched by the posting thread only
    std::thread worker_;
};
