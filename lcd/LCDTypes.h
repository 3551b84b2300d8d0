#pragma once
// Value types of the dot-matrix display: its enumerations, the two small sets and the colour.
#include <cstdint>
#include <initializer_list>

namespace lcd {

enum TDotMatrix : uint8_t { mat5x7, mat7x9, mat9x12 };  // dot columns x rows of a glyph
enum TDotMatrixBorder : uint8_t { mbBottom, mbLeft, mbRight, mbTop };
// Ordinal n (1 to 16) means n x n screen pixels per dot; pixCustom takes PixelWidth x PixelHeight.
enum TPixelSize : uint8_t {
    pixCustom, pix1x1, pix2x2, pix3x3, pix4x4, pix5x5, pix6x6, pix7x7, pix8x8,
    pix9x9, pix10x10, pix11x11, pix12x12, pix13x13, pix14x14, pix15x15, pix16x16
};
enum TPixelShape : uint8_t { psSquare, psShaped, psRound };
enum TLCDBorder : uint8_t { bsRaised, bsLowered, bsSingle, bsNone };
enum THorzScrollMode : uint8_t { smIndependant, smDependant };
enum TSpecialEffect : uint8_t { spBlinking, spInverse };

// A set of up to eight enumeration values, kept as bits.
template <typename E>
class SetOf {
public:
    constexpr SetOf() = default;
    constexpr SetOf(std::initializer_list<E> values)
    {
        for (E v : values) bits_ = uint8_t(bits_ | Bit(v));
    }
    constexpr bool Has(E v) const { return (bits_ & Bit(v)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool operator==(const SetOf&) const = default;

private:
    static constexpr uint8_t Bit(E v) { return uint8_t(1u << unsigned(v)); }
    uint8_t bits_ = 0;
};

using TDotMatrixBorders = SetOf<TDotMatrixBorder>;
using TSpecialEffects = SetOf<TSpecialEffect>;

struct TColor {
    uint8_t r = 0, g = 0, b = 0;
    constexpr bool operator==(const TColor&) const = default;
};

constexpr TColor clBlack{0, 0, 0};
constexpr TColor clSilver{192, 192, 192};
constexpr TColor clAqua{0, 255, 255};

}  // namespace lcd
