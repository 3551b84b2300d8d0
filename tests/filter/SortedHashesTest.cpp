// Sorting token hashes: the same result as std::sort and std::unique at every size and spread,
// including all hashes in one bucket and repeats.
#include "filter/SortedHashes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

TEST(SortedHashes, MatchesSortAndUnique)
{
    const struct {
        size_t count;
        uint64_t mask;  // which bits vary: a narrow mask piles the hashes into one bucket
        int repeatEvery;
    } cases[] = {
        {0, ~0ull, 0},   {1, ~0ull, 0},    {31, ~0ull, 3}, {32, ~0ull, 0},      {150, ~0ull, 5},
        {150, 0xff, 2},  {2048, ~0ull, 7}, {2048, 0xffff, 0}, {2049, ~0ull, 4}, {5000, ~0ull, 9},
    };
    std::mt19937_64 random(7);
    for (const auto& c : cases) {
        std::vector<uint64_t> hashes;
        for (size_t i = 0; i < c.count; ++i) {
            bool repeat = c.repeatEvery && i % c.repeatEvery == 0 && !hashes.empty();
            hashes.push_back(repeat ? hashes[random() % hashes.size()] : (random() & c.mask) | 1);
        }
        std::vector<uint64_t> expected = hashes;
        std::sort(expected.begin(), expected.end());
        expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
        SortUnique(hashes);
        EXPECT_EQ(hashes, expected) << c.count << " hashes, mask " << c.mask;
    }
}

}  // namespace
