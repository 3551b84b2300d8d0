#include "Matrix.h"

namespace lcd {
// The shapes are being drawn; until then every glyph is unlit.
const std::array<uint8_t, kGlyphCount5x7 * 5 * 7> Glyphs5x7{};
}  // namespace lcd
