#pragma once
// Writes the header files of a check on a thread of its own, so the disk's time (a new file per
// message) stays off the path of the replies coming in. Finish waits until every file is
// written and raises the first failure, so no file is missing when the check ends unnoticed.
#include "platform/Strings.h"

#include <condition_variable>
#include <deque>
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

    void Post(std::string path, StringList lines);
    // Every posted file is written; raises the first failure (the files after it are skipped).
    void Finish();

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::pair<std::string, StringList>> queue_;
    bool closing_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};
