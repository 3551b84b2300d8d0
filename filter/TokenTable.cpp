#include "filter/TokenTable.h"

void TTokenTable::Clear()
{
    slots_.assign(1024, TTokenSlot{});
    mask_ = slots_.size() - 1;
    used_ = live_ = 0;
}

const TTokenSlot* TTokenTable::Find(uint64_t hash) const
{
    for (uint64_t i = hash & mask_;; i = (i + 1) & mask_) {
        const TTokenSlot& s = slots_[i];
        if (s.hash == hash) return &s;
        if (s.hash == 0) return nullptr;
    }
}

void TTokenTable::Set(uint64_t hash, uint32_t spam, uint32_t ham, int64_t day)
{
    // Kept at most 70% full: the probes of a lookup stay within a cache line or two, and a
    // trained filter's table takes half the room it would at 50%.
    if ((used_ + 1) * 10 > slots_.size() * 7) Grow();
    uint64_t i = hash & mask_;
    while (slots_[i].hash != 0 && slots_[i].hash != hash) i = (i + 1) & mask_;
    TTokenSlot& s = slots_[i];
    bool wasLive = s.hash != 0 && (s.spam || s.ham);
    if (s.hash == 0) ++used_;
    s.hash = hash;
    s.spam = spam;
    s.ham = ham;
    s.day = int32_t(day);
    s.generation = 0;
    bool isLive = spam || ham;
    live_ += static_cast<size_t>(isLive) - static_cast<size_t>(wasLive);
}

void TTokenTable::Reserve(size_t tokens)
{
    size_t size = slots_.size();
    while ((tokens + 1) * 10 > size * 7) size *= 2;
    if (size > slots_.size()) Rehash(size);
}

void TTokenTable::Grow() { Rehash(slots_.size() * 2); }

void TTokenTable::Rehash(size_t size)
{
    std::vector<TTokenSlot> old;
    old.swap(slots_);
    slots_.assign(size, TTokenSlot{});
    mask_ = slots_.size() - 1;
    for (const TTokenSlot& s : old) {
        if (s.hash == 0) continue;
        uint64_t i = s.hash & mask_;
        while (slots_[i].hash != 0) i = (i + 1) & mask_;
        slots_[i] = s;
    }
}
