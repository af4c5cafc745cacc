// The two switches of the View menu: line wrapping of the display and always-on-top.
#include <gtest/gtest.h>
#include <windows.h>

#include <richedit.h>

#include <tuple>

#include "bookmarks/bookmark_window_win.h"
#include "filesearch/file_search_window_win.h"
#include "harness.h"
#include "harness.h"

namespace zr::test {
namespace {

constexpr int kLines = 120;

// A log with many lines, every tenth one far wider than the display.
void FillDisplay(HWND display) {
    std::wstring text;
    for (int i = 0; i < kLines; ++i) {
        text += L"line " + std::to_wstring(i) + (i % 10 ? L"" : L" " + std::wstring(300, L'x'));
        text += L"\r";
    }
    SendMessageW(display, EM_SETSEL, -1, -1);
    SendMessageW(display, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

LONG LineCount(HWND display) {
    return static_cast<LONG>(SendMessageW(display, EM_GETLINECOUNT, 0, 0));
}

::testing::AssertionResult CaretAndViewAtEnd(MainWindow& main) {
    HWND display = main.Control(IDC_RICHTEXT);
    CHARRANGE sel{};
    SendMessageW(display, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    const auto end = static_cast<LONG>(DisplayLength(main));
    if (sel.cpMin != end || sel.cpMax != end) {
        return ::testing::AssertionFailure()
               << "selection " << sel.cpMin << "-" << sel.cpMax << ", text ends at " << end;
    }
    // The last line's position lies inside the visible part of the control.
    const LONG lastLine =
        static_cast<LONG>(SendMessageW(display, EM_LINEINDEX, LineCount(display) - 1, 0));
    POINTL pt{};
    SendMessageW(display, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&pt), lastLine);
    RECT client;
    GetClientRect(display, &client);
    if (pt.y < 0 || pt.y >= client.bottom) {
        return ::testing::AssertionFailure() << "the last line is at y=" << pt.y << ", not in view";
    }
    if (SendMessageW(display, EM_GETFIRSTVISIBLELINE, 0, 0) == 0) {
        return ::testing::AssertionFailure() << "still showing the first line";
    }
    return ::testing::AssertionSuccess();
}

using ViewToggles = ConfigTest;

// From either start state ("Load Right Scroll" off or on), each choice switches wrapping,
// names the next switch, and shows the end of the text even when the user had scrolled up.
TEST_F(ViewToggles, WrapSwitchesBackAndForthAndShowsTheEndEachTime) {
    for (const bool loadWrapped : {false, true}) {
        SCOPED_TRACE(loadWrapped ? "Load Right Scroll on" : "Load Right Scroll off");
        WriteDword(L"Load Right Scroll", loadWrapped);
        auto main = StartMain();
        ASSERT_TRUE(main);
        HWND display = main->Control(IDC_RICHTEXT);
        FillDisplay(display);
        bool wrapped = loadWrapped;
        for (int choice = 0; choice <= 3; ++choice) {
            EXPECT_EQ(main->WrapLines(), wrapped);
            EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_RSCROLL),
                      wrapped ? L"横スクロール表示(&V)" : L"横スクロール非表示(&V)");
            if (wrapped) {
                EXPECT_GT(LineCount(display), kLines + 1 + kLines / 10) << "every long line wraps";
            } else {
                EXPECT_LE(LineCount(display), kLines + 1) << "long lines do not wrap";
            }
            if (choice == 3) break;
            // The user scrolls back to the start and clicks into the first line.
            SendMessageW(display, EM_SETSEL, 0, 0);
            SendMessageW(display, WM_VSCROLL, SB_TOP, 0);
            ASSERT_EQ(SendMessageW(display, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
            ChooseMenu(main->hwnd(), IDM_RSCROLL);
            wrapped = !wrapped;
            EXPECT_TRUE(CaretAndViewAtEnd(*main));
        }
    }
}

// The caption, the switch, and the topmost state of the main window, the bookmark window
// and the file search window.
using TopState = std::tuple<std::wstring, int, bool, bool, bool>;
TopState TopmostState(MainWindow& main) {
    return {MenuCaption(main.MenuBar(), IDM_WINPOS), main.TopMost(), IsTopMost(main.hwnd()),
            IsTopMost(main.Bookmarks().hwnd()), IsTopMost(main.FileSearch().hwnd())};
}
constexpr wchar_t kFirstOn[] = L"手前に表示 ON(&T)";
constexpr wchar_t kOn[] = L"常に手前に表示 ON(&T)";
constexpr wchar_t kOff[] = L"常に手前に表示 OFF(&T)";

TEST_F(ViewToggles, WinposSwitchesTopmostOfTheMainAndVisibleSideWindows) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    ChooseMenu(h, IDM_BOOKMARK);
    EXPECT_EQ(TopmostState(*main), TopState(kFirstOn, 0, false, false, false));
    ChooseMenu(h, IDM_WINPOS);
    EXPECT_EQ(TopmostState(*main), TopState(kOff, 1, true, true, false))
        << "a hidden side window is left as it is";
    EXPECT_FALSE(main->FileSearch().visible());
    ChooseMenu(h, IDM_FILESEARCH);
    EXPECT_EQ(TopmostState(*main), TopState(kOff, 1, true, true, true))
        << "shown while on, it joins the others";
    ChooseMenu(h, IDM_WINPOS);
    EXPECT_EQ(TopmostState(*main), TopState(kOn, 0, false, false, false));
    ChooseMenu(h, IDM_WINPOS);
    EXPECT_EQ(TopmostState(*main), TopState(kOff, 1, true, true, true));

    // Hidden while on: switching off neither releases nor shows it.
    ChooseMenu(h, IDM_BOOKMARK);
    ChooseMenu(h, IDM_WINPOS);
    EXPECT_EQ(TopmostState(*main), TopState(kOn, 0, false, true, false));
    EXPECT_FALSE(main->Bookmarks().visible());
}

TEST_F(ViewToggles, LoadWindowProcStartsTopmost) {
    WriteDword(L"Load Window Proc", 1);
    auto main = StartMain();
    ASSERT_TRUE(main);
    EXPECT_EQ(TopmostState(*main), TopState(kOff, 1, true, false, false));
    ChooseMenu(main->hwnd(), IDM_WINPOS);
    EXPECT_EQ(TopmostState(*main), TopState(kOn, 0, false, false, false));
}

}  // namespace
}  // namespace zr::test
