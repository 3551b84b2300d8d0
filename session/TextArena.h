#pragma once
// Room for many small texts that live and die together (the rows of one list), taken from big
// chunks: a heap block apiece would cost each a header and leave them scattered among the
// short-lived blocks made while they came in, pages the process could never give back.
#include <cstddef>
#include <memory>
#include <vector>

class TTextArena {
public:
    static constexpr size_t kChunkBytes = 1024 * 1024;

    char* Allocate(size_t bytes)
    {
        if (bytes > kChunkBytes / 4) {  // a big one gets a block of its own
            big_.push_back(std::make_unique_for_overwrite<char[]>(bytes));
            return big_.back().get();
        }
        if (chunks_.empty() || left_ < bytes) {
            chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkBytes));
            left_ = kChunkBytes;
        }
        char* at = chunks_.back().get() + (kChunkBytes - left_);
        left_ -= bytes;
        return at;
    }

    void Clear()
    {
        chunks_.clear();
        big_.clear();
        left_ = 0;
    }

private:
    std::vector<std::unique_ptr<char[]>> chunks_;  // the last is the one being filled
    std::vector<std::unique_ptr<char[]>> big_;
    size_t left_ = 0;  // room left in the last chunk
};
