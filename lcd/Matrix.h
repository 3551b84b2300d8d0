#pragma once
// Dot shapes of the display's characters. One byte per dot (1 lit, 0 unlit), row by row from the
// top, each row from the left; the glyph of code c starts at (c - 33) * columns * rows.
#include <array>
#include <cstddef>
#include <cstdint>

namespace lcd {

constexpr int kFirstGlyphCode = 33;
constexpr int kGlyphCount5x7 = 222;    // codes 33 to 254: printable ASCII, then the IBM PC shapes
constexpr int kGlyphCountLarge = 94;   // codes 33 to 126

extern const std::array<uint8_t, kGlyphCount5x7 * 5 * 7> Glyphs5x7;
extern const std::array<uint8_t, kGlyphCountLarge * 7 * 9> Glyphs7x9;
extern const std::array<uint8_t, kGlyphCountLarge * 9 * 12> Glyphs9x12;

// Turns glyph art (one string per row, '#' lit and '.' unlit) into the byte table at compile
// time; a row of the wrong length or another character stops the build.
template <int Cols, int Rows, int Count>
constexpr std::array<uint8_t, std::size_t(Cols) * Rows * Count> GlyphTable(const char* const (&art)[std::size_t(Rows) * Count])
{
    std::array<uint8_t, std::size_t(Cols) * Rows * Count> table{};
    for (std::size_t row = 0; row < std::size_t(Rows) * Count; ++row) {
        const char* text = art[row];
        for (int col = 0; col < Cols; ++col) {
            char c = text[col];
            if (c != '#' && c != '.') throw "glyph rows hold only '#' and '.'";
            table[row * Cols + std::size_t(col)] = c == '#' ? 1 : 0;
        }
        if (text[Cols] != '\0') throw "glyph row too long";
    }
    return table;
}

}  // namespace lcd
