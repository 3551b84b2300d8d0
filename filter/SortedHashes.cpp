#include "filter/SortedHashes.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kBucketBits = 8;
// Past this the buckets fill and the insertion sort grows quadratic: std::sort is then better.
constexpr size_t kMaxBucketed = 2048;

uint64_t KeyOf(uint64_t h) { return h; }
uint64_t KeyOf(const TSourcedHash& h) { return h.hash; }

// Stable: equal hashes keep their input order, so unique keeps the first.
template <typename T>
void SortUniqueBy(std::vector<T>& items)
{
    size_t n = items.size();
    auto less = [](const T& a, const T& b) { return KeyOf(a) < KeyOf(b); };
    if (n < 32 || n > kMaxBucketed) {
        std::stable_sort(items.begin(), items.end(), less);
    } else {
        std::array<uint16_t, (1u << kBucketBits) + 1> start{};
        for (const T& h : items) ++start[(KeyOf(h) >> (64 - kBucketBits)) + 1];
        for (size_t b = 1; b < start.size(); ++b) start[b] = static_cast<uint16_t>(start[b] + start[b - 1]);
        T placed[kMaxBucketed];  // on the stack: no allocation for each message
        for (const T& h : items) placed[start[KeyOf(h) >> (64 - kBucketBits)]++] = h;
        for (size_t i = 1; i < n; ++i) {
            T h = placed[i];
            size_t j = i;
            for (; j > 0 && KeyOf(placed[j - 1]) > KeyOf(h); --j) placed[j] = placed[j - 1];
            placed[j] = h;
        }
        std::copy(placed, placed + n, items.begin());
    }
    items.erase(std::unique(items.begin(), items.end(), [](const T& a, const T& b) { return KeyOf(a) == KeyOf(b); }), items.end());
}

}  // namespace

void SortUnique(std::vector<uint64_t>& hashes) { SortUniqueBy(hashes); }

void SortUnique(std::vector<TSourcedHash>& hashes) { SortUniqueBy(hashes); }
