// The glyph tables: the telling shapes, no printable character left blank, and the codes that
// have no shape.
#include "lcd/Glyphs.h"
#include "lcd/Matrix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace lcd;

namespace {

std::vector<std::string> Rows(TDotMatrix matrix, uint8_t code)
{
    const uint8_t* dots = GlyphDots(matrix, code);
    if (!dots) return {};
    TGlyphGrid grid = GlyphGrid(matrix);
    std::vector<std::string> rows;
    for (int r = 0; r < grid.rows; ++r) {
        std::string row;
        for (int c = 0; c < grid.cols; ++c) row += dots[r * grid.cols + c] ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

int LitDots(TDotMatrix matrix, uint8_t code)
{
    int lit = 0;
    for (const auto& row : Rows(matrix, code))
        for (char c : row) lit += c == '#';
    return lit;
}

}  // namespace

TEST(Glyphs, TellingShapesOfTheSmallGrid)
{
    EXPECT_EQ(Rows(mat5x7, '!'), (std::vector<std::string>{"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."}));
    // the zero carries a slash, so it is not mistaken for an O
    EXPECT_EQ(Rows(mat5x7, '0'), (std::vector<std::string>{".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}));
    EXPECT_EQ(Rows(mat5x7, 'A'), (std::vector<std::string>{".###.", "#...#", "#...#", "#...#", "#####", "#...#", "#...#"}));
    // lower-case letters without ascenders keep to the lower five rows
    EXPECT_EQ(Rows(mat5x7, 'x'), (std::vector<std::string>{".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"}));
}

TEST(Glyphs, TellingShapesOfTheLargeGrids)
{
    EXPECT_EQ(Rows(mat7x9, 'A'), (std::vector<std::string>{"...#...", "..#.#..", ".#...#.", "#.....#", "#.....#",
                                                           "#######", "#.....#", "#.....#", "#.....#"}));
    std::vector<std::string> large = Rows(mat9x12, 'A');
    ASSERT_EQ(large.size(), 12u);
    EXPECT_EQ(large[11], ".........");
    EXPECT_GT(LitDots(mat9x12, 'A'), 0);
}

TEST(Glyphs, EveryPrintableCharacterHasLitDots)
{
    for (int code = 33; code <= 126; ++code) {
        EXPECT_GT(LitDots(mat5x7, uint8_t(code)), 0) << "5x7 code " << code;
        EXPECT_GT(LitDots(mat7x9, uint8_t(code)), 0) << "7x9 code " << code;
        EXPECT_GT(LitDots(mat9x12, uint8_t(code)), 0) << "9x12 code " << code;
    }
    for (int code = 127; code <= 254; ++code) EXPECT_GT(LitDots(mat5x7, uint8_t(code)), 0) << "5x7 code " << code;
}

TEST(Glyphs, CodesWithoutAShapeHaveNoGlyph)
{
    for (TDotMatrix m : {mat5x7, mat7x9, mat9x12}) {
        for (int code = 0; code <= 32; ++code) EXPECT_EQ(GlyphDots(m, uint8_t(code)), nullptr) << code;
        EXPECT_EQ(GlyphDots(m, 255), nullptr);
    }
    for (int code = 127; code <= 254; ++code) {
        EXPECT_EQ(GlyphDots(mat7x9, uint8_t(code)), nullptr) << code;
        EXPECT_EQ(GlyphDots(mat9x12, uint8_t(code)), nullptr) << code;
    }
    // the last glyph of each table ends exactly at the table's end
    EXPECT_EQ(GlyphDots(mat5x7, 254) + 35, Glyphs5x7.data() + Glyphs5x7.size());
    EXPECT_EQ(GlyphDots(mat7x9, 126) + 63, Glyphs7x9.data() + Glyphs7x9.size());
    EXPECT_EQ(GlyphDots(mat9x12, 126) + 108, Glyphs9x12.data() + Glyphs9x12.size());
}
