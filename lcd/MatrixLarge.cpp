#include "Matrix.h"

namespace lcd {
// The shapes are being drawn; until then every glyph is unlit.
const std::array<uint8_t, kGlyphCountLarge * 7 * 9> Glyphs7x9{};
const std::array<uint8_t, kGlyphCountLarge * 9 * 12> Glyphs9x12{};
}  // namespace lcd
