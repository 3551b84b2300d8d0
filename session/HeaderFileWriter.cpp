#include "session/HeaderFileWriter.h"

#include "platform/MessagePump.h"
#include "platform/TextFile.h"

THeaderFileWriter::THeaderFileWriter() : thread_([this] { Run(); }) {}

THeaderFileWriter::~THeaderFileWriter()
{
    try {
        Finish();
    } catch (...) {
    }
}

void THeaderFileWriter::Post(std::string path, StringList lines) { queue_.Push({std::move(path), std::move(lines)}); }

void THeaderFileWriter::Run()
{
    bool failed = false;  // after a failure the rest would fail alike: they are only taken
    while (auto file = queue_.Pop()) {
        if (failed) continue;
        try {
            platform::RewriteLines(file->first, file->second);
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            failure_ = std::current_exception();
            failed = true;
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    written_ = true;
    done_.notify_all();
}

void THeaderFileWriter::Finish()
{
    if (thread_.joinable()) {
        queue_.Close();
        {
            std::unique_lock<std::mutex> lock(mutex_);
            platform::WaitPumping(lock, done_, [this] { return written_; });
        }
        thread_.join();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::exception_ptr failure = std::exchange(failure_, nullptr)) std::rethrow_exception(failure);
}
