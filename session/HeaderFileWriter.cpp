#include "session/HeaderFileWriter.h"

#include "platform/TextFile.h"

THeaderFileWriter::THeaderFileWriter() : thread_([this] { Run(); }) {}

THeaderFileWriter::~THeaderFileWriter()
{
    try {
        Finish();
    } catch (...) {
    }
}

void THeaderFileWriter::Post(std::string path, StringList lines)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.emplace_back(std::move(path), std::move(lines));
    }
    wake_.notify_one();
}

void THeaderFileWriter::Run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (queue_.empty()) return;  // closing, and nothing left
        auto [path, lines] = std::move(queue_.front());
        queue_.pop_front();
        if (failure_) continue;  // after a failure the rest would fail alike
        lock.unlock();
        try {
            platform::RewriteLines(path, lines);
        } catch (...) {
            lock.lock();
            failure_ = std::current_exception();
            continue;
        }
        lock.lock();
    }
}

void THeaderFileWriter::Finish()
{
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closing_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    if (std::exception_ptr failure = std::exchange(failure_, nullptr)) std::rethrow_exception(failure);
}
