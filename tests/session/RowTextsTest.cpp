// The compact forms a big list keeps its rows in: texts packed in one block and moved into the
// list's arena, and the unique ids of a check by number.
#include "session/PackedTexts.h"
#include "session/UidlTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Texts = TPackedTexts<3>;

std::string All(const Texts& t) { return std::string(t.Get(0)) + "|" + std::string(t.Get(1)) + "|" + std::string(t.Get(2)); }

TEST(PackedTexts, EachTextIsSetAloneAndMayComeFromItsOwnBlock)
{
    Texts t;
    EXPECT_EQ(All(t), "||");
    t.Set(1, "subject");
    t.Set(0, "from");
    t.Set(2, "date");
    EXPECT_EQ(All(t), "from|subject|date");
    t.Set(1, t.Get(1).substr(3));  // a view of its own block
    t.Set(0, "");
    EXPECT_EQ(All(t), "|ject|date");
    t.Set(2, std::string(70000, 'x'));
    EXPECT_EQ(t.Get(2).size(), 70000u);
    EXPECT_EQ(t.Get(1), "ject");
}

TEST(PackedTexts, InAnArenaTheyOutliveTheirBlockAndCopiesAreTheirOwn)
{
    TTextArena arena;
    Texts copy;
    {
        Texts t;
        t.Set(0, "ann@example.org");
        t.Set(2, "Tue, 8 Dec 2026");
        t.MoveInto(arena);
        copy = t;
        Texts moved = std::move(t);
        EXPECT_EQ(All(moved), "ann@example.org||Tue, 8 Dec 2026");
        EXPECT_EQ(All(t), "||");
        moved.Set(1, "hi");  // its own block again; the arena keeps the old one
        EXPECT_EQ(All(moved), "ann@example.org|hi|Tue, 8 Dec 2026");
    }
    arena.Clear();  // the copy never lived there
    EXPECT_EQ(All(copy), "ann@example.org||Tue, 8 Dec 2026");
    Texts big;
    big.Set(0, std::string(TTextArena::kChunkBytes, 'b'));  // more than a chunk: a block of its own
    big.MoveInto(arena);
    EXPECT_EQ(big.Get(0), std::string(TTextArena::kChunkBytes, 'b'));
}

TEST(UidlTable, FindsEachIdByNumberAndNothingElse)
{
    const std::pair<int, const char*> cases[] = {{1, "u1"}, {2, ""}, {3, ""}, {7, "longer-unique-id-7"},
                                                 {40000, "x"}, {0, ""}, {40001, ""}};
    TUidlTable inOrder;
    for (const auto& [number, id] : {std::pair{1, "u1"}, {3, ""}, {7, "longer-unique-id-7"}, {40000, "x"}})
        inOrder.Add(number, id);
    inOrder.Seal();
    // A server out of order, or giving a number twice: the last id of a number counts.
    TUidlTable shuffled;
    for (const auto& [number, id] : {std::pair{40000, "x"}, {7, "old"}, {1, "u1"}, {7, "longer-unique-id-7"}})
        shuffled.Add(number, id);
    shuffled.Seal();
    for (const TUidlTable* table : {&inOrder, &shuffled})
        for (const auto& [number, id] : cases) EXPECT_EQ(table->Of(number), id) << number;
    EXPECT_EQ(TUidlTable().Of(1), "");
    // A big box spans several blocks; those behind a number asked for can go.
    TUidlTable big;
    big.Reserve(10000);
    for (int n = 1; n <= 10000; ++n) big.Add(n, "id-" + std::to_string(n));
    big.Seal();
    for (int n : {1, 4096, 4097, 8192, 8193, 10000}) EXPECT_EQ(big.Of(n), "id-" + std::to_string(n)) << n;
    big.ForgetBelow(8193);
    EXPECT_EQ(big.Of(8192), "");  // its block went
    for (int n : {8193, 10000}) EXPECT_EQ(big.Of(n), "id-" + std::to_string(n)) << n;
    EXPECT_EQ(big.Of(10001), "");
}

}  // namespace
