#pragma once
// Writes the header files of a check on a thread of its own, so the disk's time (a new file per
// message) stays off the path of the replies coming in. Finish waits until every file is
// written and raises the first failure, so no file is missing when the check ends unnoticed.
#include "platform/BoundedQueue.h"
#include "platform/Strings.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

class THeaderFileWriter {
public:
    THeaderFileWriter();
    ~THeaderFileWriter();  // waits, swallowing a failure nobody asked for
    THeaderFileWriter(const THeaderFileWriter&) = delete;
    THeaderFileWriter& operator=(const THeaderFileWriter&) = delete;

    // Files that may wait for the disk; a post beyond them waits for it.
    static constexpr size_t kMostWaiting = 256;
    void Post(std::string path, StringList lines);
    // Every posted file is written (the window stays live while it waits); raises the first
    // failure (the files after it are skipped).
    void Finish();

private:
    void Run();

    platform::TBoundedQueue<std::pair<std::string, StringList>> queue_{kMostWaiting};
    std::mutex mutex_;
    std::condition_variable done_;
    bool written_ = false;  // the thread has taken every file
    std::exception_ptr failure_;
    std::thread thread_;
};
