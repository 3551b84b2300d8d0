#pragma once
// A few texts kept back to back in one block: a big message list has a row per message, and a
// string apiece would cost each row a heap block and 32 bytes per text. The block is the
// texts' own until MoveInto puts them in an arena that outlives them (the list's).
#include "session/TextArena.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <utility>

template <int Count>
class TPackedTexts {
public:
    TPackedTexts() = default;
    ~TPackedTexts() { Release(); }
    TPackedTexts(const TPackedTexts& other) { CopyFrom(other); }
    TPackedTexts& operator=(const TPackedTexts& other)
    {
        if (this != &other) {
            Release();
            CopyFrom(other);
        }
        return *this;
    }
    TPackedTexts(TPackedTexts&& other) noexcept { Take(other); }
    TPackedTexts& operator=(TPackedTexts&& other) noexcept
    {
        if (this != &other) {
            Release();
            Take(other);
        }
        return *this;
    }

    std::string_view Get(int field) const
    {
        const uint32_t begin = field == 0 ? 0 : End(field - 1);
        return {block_ + begin, End(field) - begin};
    }

    // The text may be one of this block's own: the new block is made before the old one goes.
    // The texts are their own again after it.
    void Set(int field, std::string_view text)
    {
        const std::string_view old = Get(field);
        if (old.empty() && text.empty()) return;
        const size_t before = size_t(old.data() - block_), after = Total() - End(field);
        const uint64_t total = uint64_t(before) + text.size() + after;
        if (total > kMostBytes) throw std::length_error("texts too long for one row");
        char* block = nullptr;
        if (total) {
            block = new char[before + text.size() + after];
            char* out = Copy(block, block_, before);
            out = Copy(out, text.data(), text.size());
            Copy(out, block_ + End(field), after);
        }
        const int64_t grown = int64_t(text.size()) - int64_t(old.size());
        Release();
        for (int k = field; k < Count; ++k) end_[k] = uint32_t(int64_t(End(k)) + grown);
        block_ = block;
    }

    // The texts go to the arena, which frees them with itself.
    void MoveInto(TTextArena& arena)
    {
        if (!block_ || InArena()) return;
        char* block = arena.Allocate(Total());
        Copy(block, block_, Total());
        Release();
        block_ = block;
        end_[Count - 1] |= kInArena;
    }

private:
    // The last end's top bit tells that the block is an arena's.
    static constexpr uint32_t kInArena = 0x80000000u, kMostBytes = kInArena - 1;
    bool InArena() const { return (end_[Count - 1] & kInArena) != 0; }
    uint32_t End(int field) const { return field == Count - 1 ? end_[field] & kMostBytes : end_[field]; }
    uint32_t Total() const { return End(Count - 1); }
    static char* Copy(char* to, const char* from, size_t n)
    {
        if (n) std::memcpy(to, from, n);
        return to + n;
    }
    void Release()
    {
        if (!InArena()) delete[] block_;
        block_ = nullptr;
        end_[Count - 1] &= kMostBytes;
    }
    void CopyFrom(const TPackedTexts& other)
    {
        block_ = other.Total() ? new char[other.Total()] : nullptr;
        if (block_) std::memcpy(block_, other.block_, other.Total());
        std::copy(other.end_, other.end_ + Count, end_);
        end_[Count - 1] &= kMostBytes;
    }
    void Take(TPackedTexts& other)
    {
        block_ = std::exchange(other.block_, nullptr);
        std::copy(other.end_, other.end_ + Count, end_);
        std::fill(other.end_, other.end_ + Count, 0u);
    }

    char* block_ = nullptr;
    uint32_t end_[Count] = {};  // where each text ends in the block
};
