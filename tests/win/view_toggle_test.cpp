// The two switches of the View menu: line wrapping of the display and always-on-top.
#include <gtest/gtest.h>
#include <windows.h>

#include <richedit.h>

#include "bookmarks/bookmark_window_win.h"
#include "filesearch/file_search_window_win.h"
#include "harness.h"

namespace zr::test {
namespace {

constexpr wchar_t kWrapOffCaption[] = L"横スクロール非表示(&V)";  // lines run on; choosing wraps
constexpr wchar_t kWrapOnCaption[] = L"横スクロール表示(&V)";

constexpr int kLines = 120;

// A log with many lines, every tenth one far wider than the display.
void FillDisplay(HWND display) {
    std::wstring text;
    for (int i = 0; i < kLines; ++i) {
        text += L"line " + std::to_wstring(i);
        if (i % 10 == 0) text += L" " + std::wstring(300, L'x');
        text += L"\r";
    }
    SendMessageW(display, EM_SETSEL, -1, -1);
    SendMessageW(display, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

LONG LineCount(HWND display) {
    return static_cast<LONG>(SendMessageW(display, EM_GETLINECOUNT, 0, 0));
}

LONG TextLength(HWND display) {
    GETTEXTLENGTHEX gtl{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(
        SendMessageW(display, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gtl), 0));
}

// The user scrolls back to the start and clicks into the first line.
void ScrollToTop(HWND display) {
    SendMessageW(display, EM_SETSEL, 0, 0);
    SendMessageW(display, WM_VSCROLL, SB_TOP, 0);
}

::testing::AssertionResult CaretAndViewAtEnd(HWND display) {
    CHARRANGE sel{};
    SendMessageW(display, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    const LONG end = TextLength(display);
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

class ViewToggles : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }
    ScriptedUi ui;
};

TEST_F(ViewToggles, WrapSwitchesBackAndForthAndShowsTheEndEachTime) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    HWND display = main->Control(IDC_RICHTEXT);
    FillDisplay(display);
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_RSCROLL), kWrapOffCaption);
    const LONG unwrapped = LineCount(display);
    EXPECT_LE(unwrapped, kLines + 1) << "at start long lines do not wrap";

    ScrollToTop(display);
    ASSERT_EQ(SendMessageW(display, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    ChooseMenu(h, IDM_RSCROLL);
    EXPECT_TRUE(main->WrapLines());
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_RSCROLL), kWrapOnCaption);
    EXPECT_GT(LineCount(display), unwrapped + kLines / 10) << "every long line wraps";
    EXPECT_TRUE(CaretAndViewAtEnd(display));

    ScrollToTop(display);
    ChooseMenu(h, IDM_RSCROLL);
    EXPECT_FALSE(main->WrapLines());
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_RSCROLL), kWrapOffCaption);
    EXPECT_EQ(LineCount(display), unwrapped);
    EXPECT_TRUE(CaretAndViewAtEnd(display));

    ChooseMenu(h, IDM_RSCROLL);
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_RSCROLL), kWrapOnCaption);
    EXPECT_GT(LineCount(display), unwrapped);
}

TEST_F(ViewToggles, LoadRightScrollStartsWrapped) {
    WriteDword(L"Load Right Scroll", 1);
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND display = main->Control(IDC_RICHTEXT);
    FillDisplay(display);
    EXPECT_TRUE(main->WrapLines());
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_RSCROLL), kWrapOnCaption);
    const LONG wrapped = LineCount(display);
    EXPECT_GT(wrapped, kLines + kLines / 10);

    ChooseMenu(main->hwnd(), IDM_RSCROLL);
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_RSCROLL), kWrapOffCaption);
    EXPECT_LT(LineCount(display), wrapped);
}

TEST_F(ViewToggles, WinposSwitchesTopmostOfTheMainAndVisibleSideWindows) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    HWND bookmarks = main->Bookmarks().hwnd();
    HWND search = main->FileSearch().hwnd();
    ShowWindow(bookmarks, SW_SHOWNOACTIVATE);
    ASSERT_FALSE(IsWindowVisible(search));

    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_WINPOS), L"手前に表示 ON(&T)");
    EXPECT_FALSE(IsTopMost(h));
    EXPECT_EQ(main->TopMost(), 0);

    ChooseMenu(h, IDM_WINPOS);
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_WINPOS), L"常に手前に表示 OFF(&T)");
    EXPECT_TRUE(IsTopMost(h));
    EXPECT_EQ(main->TopMost(), 1);
    EXPECT_TRUE(IsTopMost(bookmarks));
    EXPECT_FALSE(IsTopMost(search)) << "a hidden side window is left as it is";
    EXPECT_FALSE(IsWindowVisible(search));

    // Shown later, it keeps the state it had.
    ShowWindow(search, SW_SHOWNOACTIVATE);
    EXPECT_FALSE(IsTopMost(search));

    ChooseMenu(h, IDM_WINPOS);
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_WINPOS), L"常に手前に表示 ON(&T)");
    EXPECT_FALSE(IsTopMost(h));
    EXPECT_EQ(main->TopMost(), 0);
    EXPECT_FALSE(IsTopMost(bookmarks));
    EXPECT_FALSE(IsTopMost(search));

    ChooseMenu(h, IDM_WINPOS);
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_WINPOS), L"常に手前に表示 OFF(&T)");
    EXPECT_TRUE(IsTopMost(h));
    EXPECT_TRUE(IsTopMost(bookmarks));
    EXPECT_TRUE(IsTopMost(search)) << "visible now, so it follows";

    // Hidden while on: switching off neither releases nor shows it.
    ShowWindow(bookmarks, SW_HIDE);
    ChooseMenu(h, IDM_WINPOS);
    EXPECT_FALSE(IsTopMost(search));
    EXPECT_TRUE(IsTopMost(bookmarks));
    EXPECT_FALSE(IsWindowVisible(bookmarks));
}

TEST_F(ViewToggles, LoadWindowProcStartsTopmost) {
    WriteDword(L"Load Window Proc", 1);
    auto main = StartMain();
    ASSERT_TRUE(main);
    EXPECT_TRUE(IsTopMost(main->hwnd()));
    EXPECT_EQ(main->TopMost(), 1);
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_WINPOS), L"常に手前に表示 OFF(&T)");

    ChooseMenu(main->hwnd(), IDM_WINPOS);
    EXPECT_FALSE(IsTopMost(main->hwnd()));
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_WINPOS), L"常に手前に表示 ON(&T)");
}

}  // namespace
}  // namespace zr::test
