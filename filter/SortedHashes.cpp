#include "filter/SortedHashes.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kBucketBits = 8;
// Past this the buckets fill and the insertion sort grows quadratic: std::sort is then better.
constexpr size_t kMaxBucketed = 2048;

}  // namespace

void SortUnique(std::vector<uint64_t>& hashes)
{
    size_t n = hashes.size();
    if (n < 32 || n > kMaxBucketed) {
        std::sort(hashes.begin(), hashes.end());
    } else {
        std::array<uint16_t, (1u << kBucketBits) + 1> start{};
        for (uint64_t h : hashes) ++start[(h >> (64 - kBucketBits)) + 1];
        for (size_t b = 1; b < start.size(); ++b) start[b] = static_cast<uint16_t>(start[b] + start[b - 1]);
        uint64_t placed[kMaxBucketed];  // on the stack: no allocation for each message
        for (uint64_t h : hashes) placed[start[h >> (64 - kBucketBits)]++] = h;
        for (size_t i = 1; i < n; ++i) {
            uint64_t h = placed[i];
            size_t j = i;
            for (; j > 0 && placed[j - 1] > h; --j) placed[j] = placed[j - 1];
            placed[j] = h;
        }
        std::copy(placed, placed + n, hashes.begin());
    }
    hashes.erase(std::unique(hashes.begin(), hashes.end()), hashes.end());
}
