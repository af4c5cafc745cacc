// Where the main window's controls are after each size change and after a change of DPI,
// read from the real windows and converted back to twips.
#include <gtest/gtest.h>
#include <windows.h>

#include <tuple>

#include "common/controls_win.h"
#include "common/twips.h"
#include "harness.h"
#include "mainwindow/layout.h"

namespace zr::test {
namespace {

TwipsRect BoxOf(HWND control, int dpi) {
    RECT r = WindowRect(control);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return {PixelsToTwips(r.left, dpi), PixelsToTwips(r.top, dpi),
            PixelsToTwips(r.right - r.left, dpi), PixelsToTwips(r.bottom - r.top, dpi)};
}

// Within the rounding of one pixel.
::testing::AssertionResult Near(const TwipsRect& a, const TwipsRect& e, int dpi) {
    const int tolerance = (1440 + dpi - 1) / dpi;
    if (std::abs(a.left - e.left) <= tolerance && std::abs(a.top - e.top) <= tolerance &&
        std::abs(a.width - e.width) <= tolerance && std::abs(a.height - e.height) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "got {" << a.left << ", " << a.top << ", " << a.width << ", " << a.height
           << "}, expected {" << e.left << ", " << e.top << ", " << e.width << ", " << e.height
           << "} twips";
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

using WindowLayout = ConfigTest;

TEST_F(WindowLayout, SizesMinimiseAndRestoreFollowTheTable) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    const int dpi = WindowDpi(h);
    const Expected designed{{140, 500, 5355, 2245}, 5755, 4435};
    // As created: the designed client area, laid out at once (the display is not at its
    // designed 120, 480 and the first button not at its designed 5756).
    RECT client;
    GetClientRect(h, &client);
    ASSERT_EQ(PixelsToTwips(client.right, dpi), 6855);
    ExpectLayout(*main, designed, dpi);

    ASSERT_TRUE(SetClientTwips(h, 9000, 6000, dpi));
    ExpectLayout(*main, {{140, 500, 7500, 5350}, 7900, 6580}, dpi);
    // Lower than 650: the display has no height left, its width stays.
    ASSERT_TRUE(SetClientTwips(h, 6855, 600, dpi));
    ExpectLayout(*main, {{140, 500, 5355, 0}, 5755, 4435}, dpi);

    ASSERT_TRUE(SetClientTwips(h, 6855, 2895, dpi));
    ShowWindow(h, SW_MINIMIZE);
    Pump(20);
    ASSERT_TRUE(IsIconic(h));
    ExpectLayout(*main, {{140, 500, 0, 0}, -1100, 0}, dpi);
    ShowWindow(h, SW_RESTORE);
    Pump(20);
    ExpectLayout(*main, designed, dpi);
}

// 144 DPI makes a pixel exactly 10 twips; the system keeps a window at least about 108
// pixels wide inside, so client areas below 1500 twips need a higher DPI.
TEST_F(WindowLayout, AnotherDpiScalesControlsAndFontsAndNarrowAreasClamp) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    const int start = WindowDpi(h);
    const LONG buttonFont = FontHeight(main->Control(IDC_COMMAND3));
    const LONG statusFont = FontHeight(main->Control(IDC_LABEL1));
    EXPECT_EQ(buttonFont, -MulDivRound(9, start, 72));

    const RECT before = WindowRect(h);
    ChangeDpi(h, start, 144);
    const RECT after = WindowRect(h);
    EXPECT_EQ(after.right - after.left, MulDiv(before.right - before.left, 144, start))
        << "the window takes the suggested size";
    // 120, 100, 735, 255 twips are 12, 10, 73.5 and 25.5 pixels.
    RECT label = WindowRect(main->Control(IDC_LABEL2));
    MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&label), 2);
    EXPECT_EQ(std::tuple(label.left, label.top, label.right - label.left, label.bottom - label.top),
              std::tuple(12, 10, 74, 26));
    EXPECT_EQ(FontHeight(main->Control(IDC_COMMAND3)), -18) << "9 points at 144 DPI";
    EXPECT_EQ(FontHeight(main->Control(IDC_LABEL1)), -20) << "9.8 points, bold";
    EXPECT_EQ(FontHeight(main->Control(IDC_TEXT1)), -18);
    EXPECT_NE(FontHeight(main->Control(IDC_LABEL1)), statusFont);

    const struct {
        int width;
        Expected e;
    } cases[] = {
        {6850, {{140, 500, 5350, 2350}, 5750, 4430}},
        {2500, {{140, 500, 1000, 2350}, 1400, 80}},  // insert box 1000 - 920
        {2000, {{140, 500, 500, 2350}, 900, 0}},     // narrower than 2420: no insert box
        {1400, {{140, 500, 0, 2350}, 300, 0}},       // narrower than 1500: no display
        {1080, {{140, 500, 0, 2350}, -20, 0}},       // narrower than 1100: buttons cut off
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        ASSERT_TRUE(SetClientTwips(h, c.width, 3000, 144));
        ExpectLayout(*main, c.e, 144);
    }

    // And back: the designed sizes at the first DPI again.
    ChangeDpi(h, 144, start);
    ASSERT_TRUE(SetClientTwips(h, 6855, 2895, start));
    ExpectLayout(*main, {{140, 500, 5355, 2245}, 5755, 4435}, start);
    EXPECT_EQ(FontHeight(main->Control(IDC_COMMAND3)), buttonFont);
    EXPECT_EQ(FontHeight(main->Control(IDC_LABEL1)), statusFont);
}

}  // namespace
}  // namespace zr::test
