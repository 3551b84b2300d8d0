#include "lcd/Glyphs.h"

#include "lcd/Matrix.h"

namespace lcd {

TGlyphGrid GlyphGrid(TDotMatrix matrix)
{
    switch (matrix) {
    case mat7x9: return {7, 9};
    case mat9x12: return {9, 12};
    case mat5x7:
    default: return {5, 7};
    }
}

const uint8_t* GlyphDots(TDotMatrix matrix, uint8_t code)
{
    if (code < kFirstGlyphCode) return nullptr;
    const size_t index = size_t(code - kFirstGlyphCode);
    switch (matrix) {
    case mat7x9:
        return index < kGlyphCountLarge ? Glyphs7x9.data() + index * 7 * 9 : nullptr;
    case mat9x12:
        return index < kGlyphCountLarge ? Glyphs9x12.data() + index * 9 * 12 : nullptr;
    case mat5x7:
    default:
        return index < kGlyphCount5x7 ? Glyphs5x7.data() + index * 5 * 7 : nullptr;
    }
}

}  // namespace lcd
