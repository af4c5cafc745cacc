// Where the main window's controls are after each size change and after a change of DPI,
// read from the real windows and converted back to twips.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/controls_win.h"
#include "common/twips.h"
#include "harness.h"
#include "mainwindow/layout.h"

namespace zr::test {
namespace {

TwipsRect BoxOf(HWND control, int dpi) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return {PixelsToTwips(r.left, dpi), PixelsToTwips(r.top, dpi),
            PixelsToTwips(r.right - r.left, dpi), PixelsToTwips(r.bottom - r.top, dpi)};
}

// Within the rounding of one pixel.
::testing::AssertionResult Near(const TwipsRect& actual, const TwipsRect& expected, int dpi) {
    const int tolerance = (1440 + dpi - 1) / dpi;
    const int a[] = {actual.left, actual.top, actual.width, actual.height};
    const int e[] = {expected.left, expected.top, expected.width, expected.height};
    for (int i = 0; i < 4; ++i) {
        if (std::abs(a[i] - e[i]) > tolerance) {
            return ::testing::AssertionFailure()
                   << "got {" << a[0] << ", " << a[1] << ", " << a[2] << ", " << a[3]
                   << "}, expected {" << e[0] << ", " << e[1] << ", " << e[2] << ", " << e[3]
                   << "} twips";
        }
    }
    return ::testing::AssertionSuccess();
}

// Sizes the window so that its client area is w x h twips at `dpi`.
bool SetClientTwips(HWND window, int w, int h, int dpi) {
    const int wantW = TwipsToPixels(w, dpi), wantH = TwipsToPixels(h, dpi);
    for (int i = 0; i < 4; ++i) {
        RECT outer, client;
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        if (client.right == wantW && client.bottom == wantH) return true;
        // A narrower window can wrap the menu bar: adjust again until the client fits.
        SetWindowPos(window, nullptr, 0, 0, (outer.right - outer.left) + wantW - client.right,
                     (outer.bottom - outer.top) + wantH - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client;
    GetClientRect(window, &client);
    return client.right == wantW && client.bottom == wantH;
}

void ChangeDpi(HWND window, int oldDpi, int newDpi) {
    RECT r;
    GetWindowRect(window, &r);
    RECT suggested{r.left, r.top, r.left + MulDiv(r.right - r.left, newDpi, oldDpi),
                   r.top + MulDiv(r.bottom - r.top, newDpi, oldDpi)};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
                 reinterpret_cast<LPARAM>(&suggested));
}

struct Expected {
    TwipsRect display;
    int buttonsLeft;
    int insertWidth;
};

// The controls that move, and those that must stay at their designed place.
void ExpectLayout(MainWindow& main, const Expected& e, int dpi) {
    EXPECT_TRUE(Near(BoxOf(main.Control(IDC_RICHTEXT), dpi), e.display, dpi)) << "display";
    const int tops[] = {480, 960, 1440, 1920, 2400};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(Near(BoxOf(main.Control(IDC_COMMAND1 + i), dpi),
                         {e.buttonsLeft, tops[i], 975, 375}, dpi))
            << "Command" << i + 1;
    }
    EXPECT_TRUE(Near(BoxOf(main.Control(IDC_LABEL1), dpi), {e.buttonsLeft, 60, 945, 315}, dpi))
        << "status box";
    EXPECT_TRUE(Near(BoxOf(main.Control(IDC_TEXT1), dpi), {960, 60, e.insertWidth, 270}, dpi))
        << "insert box";
    EXPECT_TRUE(Near(BoxOf(main.Control(IDC_LABEL2), dpi), {120, 100, 735, 255}, dpi))
        << "insert label";
}

LONG FontHeight(HWND control) {
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    return lf.lfHeight;
}

class WindowLayout : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }
    ScriptedUi ui;
};

TEST_F(WindowLayout, FirstShowingAndOrdinarySizesFollowTheTable) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    const int dpi = WindowDpi(main->hwnd());
    // As created: the designed client area, laid out at once (the display is not at its
    // designed 120, 480 and the first button not at its designed 5756).
    RECT client;
    GetClientRect(main->hwnd(), &client);
    ASSERT_EQ(PixelsToTwips(client.right, dpi), 6855);
    ExpectLayout(*main, {{140, 500, 5355, 2245}, 5755, 4435}, dpi);

    ASSERT_TRUE(SetClientTwips(main->hwnd(), 9000, 6000, dpi));
    ExpectLayout(*main, {{140, 500, 7500, 5350}, 7900, 6580}, dpi);

    // Lower than 650: the display has no height left, its width stays.
    ASSERT_TRUE(SetClientTwips(main->hwnd(), 6855, 600, dpi));
    ExpectLayout(*main, {{140, 500, 5355, 0}, 5755, 4435}, dpi);
}

TEST_F(WindowLayout, NarrowClientAreasClampWidthsButNotLefts) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    // The system keeps a window at least about 108 pixels wide inside: below 1500 twips only
    // at a higher DPI. 144 DPI makes a pixel exactly 10 twips.
    ChangeDpi(h, WindowDpi(h), 144);
    const int dpi = 144;
    const struct {
        int width;
        Expected e;
    } cases[] = {
        {2500, {{140, 500, 1000, 2350}, 1400, 80}},  // insert box 1000 - 920
        {2000, {{140, 500, 500, 2350}, 900, 0}},     // narrower than 2420: no insert box
        {1400, {{140, 500, 0, 2350}, 300, 0}},       // narrower than 1500: no display
        {1080, {{140, 500, 0, 2350}, -20, 0}},       // narrower than 1100: buttons cut off
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        ASSERT_TRUE(SetClientTwips(h, c.width, 3000, dpi));
        ExpectLayout(*main, c.e, dpi);
    }
}

TEST_F(WindowLayout, MinimisedLeavesNothingAndRestoringLaysOutAgain) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    const int dpi = WindowDpi(h);
    ASSERT_TRUE(SetClientTwips(h, 6855, 2895, dpi));
    ShowWindow(h, SW_MINIMIZE);
    Pump(20);
    ASSERT_TRUE(IsIconic(h));
    ExpectLayout(*main, {{140, 500, 0, 0}, -1100, 0}, dpi);

    ShowWindow(h, SW_RESTORE);
    Pump(20);
    ExpectLayout(*main, {{140, 500, 5355, 2245}, 5755, 4435}, dpi);
}

TEST_F(WindowLayout, AnotherDpiScalesControlsAndFonts) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    const int start = WindowDpi(h);
    const LONG buttonFont = FontHeight(main->Control(IDC_COMMAND3));
    const LONG statusFont = FontHeight(main->Control(IDC_LABEL1));
    EXPECT_EQ(buttonFont, -MulDivRound(9, start, 72));

    RECT before;
    GetWindowRect(h, &before);
    ChangeDpi(h, start, 144);
    RECT after;
    GetWindowRect(h, &after);
    EXPECT_EQ(after.right - after.left, MulDiv(before.right - before.left, 144, start))
        << "the window takes the suggested size";

    // Pixels at 144 DPI: 120, 100, 735, 255 twips are 12, 10, 73.5 and 25.5 pixels.
    RECT label;
    GetWindowRect(main->Control(IDC_LABEL2), &label);
    MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&label), 2);
    EXPECT_EQ(label.left, 12);
    EXPECT_EQ(label.top, 10);
    EXPECT_EQ(label.right - label.left, 74);
    EXPECT_EQ(label.bottom - label.top, 26);
    ASSERT_TRUE(SetClientTwips(h, 6850, 2890, 144));
    ExpectLayout(*main, {{140, 500, 5350, 2240}, 5750, 4430}, 144);

    EXPECT_EQ(FontHeight(main->Control(IDC_COMMAND3)), -18) << "9 points at 144 DPI";
    EXPECT_EQ(FontHeight(main->Control(IDC_LABEL1)), -20) << "9.8 points, bold";
    EXPECT_EQ(FontHeight(main->Control(IDC_TEXT1)), -18);
    EXPECT_NE(FontHeight(main->Control(IDC_LABEL1)), statusFont);

    // And back: the designed sizes at the first DPI again.
    ChangeDpi(h, 144, start);
    ASSERT_TRUE(SetClientTwips(h, 6855, 2895, start));
    ExpectLayout(*main, {{140, 500, 5355, 2245}, 5755, 4435}, start);
    EXPECT_EQ(FontHeight(main->Control(IDC_COMMAND3)), buttonFont);
    EXPECT_EQ(FontHeight(main->Control(IDC_LABEL1)), statusFont);
}

}  // namespace
}  // namespace zr::test
