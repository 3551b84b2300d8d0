#pragma once
// Room for many small texts that live and die together (the rows of one list), taken from big
// chunks: a heap block apiece would cost each a header and leave them scattered among the
// short-lived blocks made while they came in, pages the process could never give back.
//
// The chunks are pages mapped for them alone, not heap blocks: when a list goes, its pages go
// back to the system at once, and the next big list does not find them as holes in the heap to
// be filled with blocks that outlive it.
#include <cstddef>
#include <new>
#include <sys/mman.h>
#include <utility>
#include <vector>

class TTextArena {
public:
    static constexpr size_t kChunkBytes = 1024 * 1024;

    TTextArena() = default;
    ~TTextArena() { Clear(); }
    TTextArena(const TTextArena&) = delete;
    TTextArena& operator=(const TTextArena&) = delete;

    char* Allocate(size_t bytes)
    {
        if (bytes > kChunkBytes / 4) return Map(big_, bytes);  // a big one gets pages of its own
        if (chunks_.empty() || left_ < bytes) {
            Map(chunks_, kChunkBytes);
            left_ = kChunkBytes;
        }
        char* at = static_cast<char*>(chunks_.back().first) + (kChunkBytes - left_);
        left_ -= bytes;
        return at;
    }

    void Clear()
    {
        for (auto* list : {&chunks_, &big_}) {
            for (const auto& [pages, size] : *list) ::munmap(pages, size);
            list->clear();
        }
        left_ = 0;
    }

private:
    using TMappings = std::vector<std::pair<void*, size_t>>;
    static char* Map(TMappings& into, size_t bytes)
    {
        into.reserve(into.size() + 1);  // before the mapping, so a failure here loses none
        void* pages = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED) throw std::bad_alloc();
        into.emplace_back(pages, bytes);
        return static_cast<char*>(pages);
    }

    TMappings chunks_;  // the last is the one being filled
    TMappings big_;
    size_t left_ = 0;   // room left in the last chunk
};
