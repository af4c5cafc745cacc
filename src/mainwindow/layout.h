// Where the main window's controls go for a client area of W x H twips. Only the display,
// the button column, the status box and the insert box move; everything else keeps its
// designed place.
#pragma once

namespace zr {

// Where the display stands once the window is laid out, whatever its size.
inline constexpr int kDisplayLeft = 140;
inline constexpr int kDisplayTop = 500;

struct TwipsRect {
    int left, top, width, height;
    bool operator==(const TwipsRect&) const = default;
};

struct MainLayout {
    TwipsRect display;
    int buttonsLeft;  // the five buttons and the status box
    int insertBoxWidth;
};

// `barHeight`: the filter bar shown above the display takes that much of its height.
MainLayout ComputeMainLayout(int clientWidthTwips, int clientHeightTwips, int barHeight = 0);

// A window's outer rectangle, or a monitor's work area, in screen pixels.
struct PixelRect {
    int left, top, right, bottom;
    bool operator==(const PixelRect&) const = default;
};

// Where a second instance's window goes: `step` pixels lower and to the right of `window`,
// so that it does not cover it exactly; higher or to the left where that would leave `work`;
// always wholly in `work` (its top-left corner there when it is larger).
PixelRect CascadeFrom(const PixelRect& window, int step, const PixelRect& work);

}  // namespace zr
