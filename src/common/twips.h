// Twips (1/1440 inch) are the unit of every designed position and size; pixels depend on
// the DPI of the monitor a window is on.
#pragma once
#include <cstdint>

namespace zr {

// Same rounding as Win32 MulDiv: to nearest, halves away from zero.
constexpr int MulDivRound(int value, int numerator, int denominator) {
    const int64_t product = static_cast<int64_t>(value) * numerator;
    const int64_t half = denominator / 2;
    const int64_t q =
        product >= 0 ? (product + half) / denominator : (product - half) / denominator;
    return static_cast<int>(q);
}

constexpr int TwipsToPixels(int twips, int dpi) {
    return MulDivRound(twips, dpi, 1440);
}
constexpr int PixelsToTwips(int pixels, int dpi) {
    return MulDivRound(pixels, 1440, dpi);
}

}  // namespace zr
