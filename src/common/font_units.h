// Point sizes and LOGFONT heights, converted at the screen's real DPI: 0.75 points per
// pixel is true only at 96 DPI.
#pragma once
#include <cmath>
#include <cstdint>

namespace zr {

// Positive cell height handed to the font dialog for a size in points.
inline int32_t PointsToFontHeight(int32_t points, int dpi) {
    return static_cast<int32_t>(std::lround(static_cast<double>(points) * dpi / 72.0));
}

// Points for a LOGFONT height of either sign; halves go to the even neighbour.
inline int32_t FontHeightToPoints(int32_t height, int dpi) {
    const double points = std::fabs(static_cast<double>(height)) * 72.0 / dpi;
    return static_cast<int32_t>(std::nearbyint(points));
}

// Weights from semibold (600) up count as bold.
inline bool IsBoldWeight(int32_t weight) {
    return weight >= 600;
}

}  // namespace zr
