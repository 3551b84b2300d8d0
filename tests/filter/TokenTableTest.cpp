// The in-memory counts: growth keeps every token findable, and a token trained away scores as
// never seen.
#include "filter/TokenTable.h"

#include <gtest/gtest.h>

#include <random>

TEST(TokenTable, GrowsAndForgets)
{
    TTokenTable table;
    std::mt19937_64 random(7);
    std::vector<uint64_t> hashes(5000);
    for (uint64_t& h : hashes) h = random() | 1;
    for (size_t i = 0; i < hashes.size() / 2; ++i) table.Set(hashes[i], static_cast<uint32_t>(i), 1, 0);
    table.Reserve(hashes.size());  // room made with tokens in it keeps them
    for (size_t i = hashes.size() / 2; i < hashes.size(); ++i) table.Set(hashes[i], static_cast<uint32_t>(i), 1, 0);
    EXPECT_EQ(table.Live(), hashes.size());
    for (size_t i = 0; i < hashes.size(); ++i) {
        const TTokenSlot* s = table.Find(hashes[i]);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->spam, i);
    }
    EXPECT_EQ(table.Find(2), nullptr);  // even: never added
    table.Set(hashes[0], 0, 0, 0);
    table.Set(hashes[0], 0, 0, 0);
    EXPECT_EQ(table.Live(), hashes.size() - 1);
    table.Set(hashes[0], 1, 0, 0);
    EXPECT_EQ(table.Live(), hashes.size());
    table.Clear();
    EXPECT_EQ(table.Live(), 0u);
    EXPECT_EQ(table.Find(hashes[1]), nullptr);
}
