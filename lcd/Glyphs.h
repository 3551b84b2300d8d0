#pragma once
// Looks up the dot pattern of a character in the glyph table of a grid.
#include "lcd/LCDTypes.h"

#include <cstdint>

namespace lcd {

struct TGlyphGrid {
    int cols;
    int rows;
};

TGlyphGrid GlyphGrid(TDotMatrix matrix);

// The glyph's dots (cols * rows bytes, row by row, 1 lit), or null for a code the grid has no
// shape for: codes below 33, code 255, and codes above 126 on the 7x9 and 9x12 grids.
const uint8_t* GlyphDots(TDotMatrix matrix, uint8_t code);

}  // namespace lcd
