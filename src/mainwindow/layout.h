// Where the main window's controls go for a client area of W x H twips. Only the display,
// the button column, the status box and the insert box move; everything else keeps its
// designed place.
#pragma once

namespace zr {

struct TwipsRect {
    int left, top, width, height;
    bool operator==(const TwipsRect&) const = default;
};

struct MainLayout {
    TwipsRect display;
    int buttonsLeft;  // the five buttons and the status box
    int insertBoxWidth;
};

MainLayout ComputeMainLayout(int clientWidthTwips, int clientHeightTwips);

}  // namespace zr
