#include <gtest/gtest.h>

#include "common/twips.h"
#include "mainwindow/layout.h"

namespace zr {
namespace {

TEST(MainLayout, DisplayTakesTheRoomLeftByButtonsAndInsertRow) {
    const MainLayout l = ComputeMainLayout(6855, 2895);
    EXPECT_EQ(l.display, (TwipsRect{140, 500, 5355, 2245}));
    EXPECT_EQ(l.buttonsLeft, 5755);
    EXPECT_EQ(l.insertBoxWidth, 4435);
}

TEST(MainLayout, ClampsWidthsAndHeightsAtZeroButNotLefts) {
    EXPECT_EQ(ComputeMainLayout(1499, 3000).display.width, 0);
    EXPECT_EQ(ComputeMainLayout(2419, 3000).insertBoxWidth, 0);
    EXPECT_EQ(ComputeMainLayout(2421, 3000).insertBoxWidth, 1);
    EXPECT_EQ(ComputeMainLayout(3000, 649).display.height, 0);
    const MainLayout empty = ComputeMainLayout(0, 0);
    EXPECT_EQ(empty.display, (TwipsRect{140, 500, 0, 0}));
    EXPECT_EQ(empty.buttonsLeft, -1100);
}

TEST(MainLayout, SecondWindowStepsDownAndRightButStaysOnItsMonitor) {
    const PixelRect work{0, 0, 1280, 1000};
    struct Row {
        PixelRect window, expected;
    } rows[] = {
        {{100, 100, 600, 400}, {123, 123, 623, 423}},
        {{900, 700, 1280, 1000}, {877, 677, 1257, 977}},  // at the corner: up and left
        {{-50, 990, 450, 1290}, {0, 700, 500, 1000}},     // partly off the monitor
        {{0, 0, 1400, 1100}, {0, 0, 1400, 1100}},         // larger than the monitor
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CascadeFrom(row.window, 23, work), row.expected)
            << row.window.left << "," << row.window.top;
    }
}

TEST(Twips, ConvertAtTheWindowsDpi) {
    EXPECT_EQ(TwipsToPixels(1440, 96), 96);
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(6855, 144), 686);  // 685.5 rounds away from zero
    EXPECT_EQ(TwipsToPixels(-1100, 96), -73);  // -73.33
    EXPECT_EQ(PixelsToTwips(457, 96), 6855);
    EXPECT_EQ(PixelsToTwips(1, 120), 12);
}

}  // namespace
}  // namespace zr
