#pragma once
// The token counts in memory, for scoring without a query: an open-addressing table of the
// 64-bit token hashes. A message looks up some 150 tokens in a table of tens of thousands, so
// each lookup is a cache miss; Prefetch lets a message's misses overlap.
#include <cstddef>
#include <cstdint>
#include <vector>

// 40 bytes: a trained filter holds tens of thousands.
struct TTokenSlot {
    uint64_t hash = 0;  // 0: empty (TokenHash never gives 0)
    uint32_t spam = 0, ham = 0;
    // log f(w) and log (1 - f(w)), valid while `generation` is the table's: they depend on the
    // message totals and the parameters, which change with every training step.
    double logF = 0, logNotF = 0;
    int32_t day = 0;  // days since 1970
    uint32_t generation = 0;
};

class TTokenTable {
public:
    TTokenTable() { Clear(); }
    void Clear();
    // Room for this many tokens without growing.
    void Reserve(size_t tokens);
    // The slot of `hash`, or nullptr.
    const TTokenSlot* Find(uint64_t hash) const;
    TTokenSlot* Find(uint64_t hash) { return const_cast<TTokenSlot*>(static_cast<const TTokenTable*>(this)->Find(hash)); }
    // Sets the counts, adding the token when new. A token whose counts fall to 0 keeps its slot
    // (it then scores as never seen) until the table is loaded again.
    void Set(uint64_t hash, uint32_t spam, uint32_t ham, int64_t day);
    // Marks every slot's logarithms as not made yet.
    void ForgetLogs()
    {
        for (TTokenSlot& s : slots_) s.generation = 0;
    }
    void Prefetch(uint64_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }
    size_t Live() const { return live_; }  // tokens with a count

private:
    void Grow();
    void Rehash(size_t size);
    std::vector<TTokenSlot> slots_;
    uint64_t mask_ = 0;
    size_t used_ = 0, live_ = 0;
};
