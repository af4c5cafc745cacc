#include <gtest/gtest.h>

#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "filesearch/file_search_window_win.h"
#include "harness.h"
#include "harness.h"

namespace zr::test {
namespace {

using DockingTest = ConfigTest;

// The bookmark window's left edge on the main window's right edge, tops aligned; the file
// search window's bottom edge on the main window's top edge, lefts aligned. In twips, within
// the rounding of one pixel.
void ExpectDocked(MainWindow& main, const char* when, bool bookmarks = true, bool search = true) {
    SCOPED_TRACE(when);
    const int dpi = WindowDpi(main.hwnd());
    const int pixel = (1440 + dpi - 1) / dpi;
    const TwipsBox m = OuterTwips(main.hwnd(), dpi);
    if (bookmarks) {
        const TwipsBox bm = OuterTwips(main.Bookmarks().hwnd(), dpi);
        EXPECT_NEAR(bm.top, m.top, pixel);
        EXPECT_NEAR(bm.left, m.left + m.width, pixel);
    }
    if (search) {
        const TwipsBox fs = OuterTwips(main.FileSearch().hwnd(), dpi);
        EXPECT_NEAR(fs.top, m.top - fs.height, pixel);
        EXPECT_NEAR(fs.left, m.left, pixel);
    }
}

// Which side windows are shown, and the View items offering the opposite.
void ExpectShown(MainWindow& main, bool bookmarks, bool search) {
    EXPECT_EQ(main.Bookmarks().visible(), bookmarks);
    EXPECT_EQ(main.FileSearch().visible(), search);
    EXPECT_EQ(MenuCaption(main.MenuBar(), IDM_BOOKMARK),
              bookmarks ? L"ブックマークの非表示(&B)" : L"ブックマークの表示(&B)");
    EXPECT_EQ(MenuCaption(main.MenuBar(), IDM_FILESEARCH),
              search ? L"ファイル検索の非表示(&F)" : L"ファイル検索の表示(&F)");
}

TEST_F(DockingTest, SideWindowsFollowMovesAndSizesShownOrHidden) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    const auto resize = [&](int w, int ht) {
        SetWindowPos(h, nullptr, 0, 0, w, ht, SWP_NOMOVE | SWP_NOZORDER);
        Pump();
    };
    // The first layout has made both, hidden.
    ASSERT_TRUE(main->Bookmarks().exists() && main->FileSearch().exists());
    ExpectShown(*main, false, false);
    ExpectDocked(*main, "after start");
    MoveWindowTo(h, 130, 410);
    ExpectDocked(*main, "hidden, after a move");
    resize(640, 300);
    ExpectDocked(*main, "hidden, after a resize");

    ChooseMenu(h, IDM_BOOKMARK);
    ChooseMenu(h, IDM_FILESEARCH);
    ExpectShown(*main, true, true);
    MoveWindowTo(h, 250, 380);
    ExpectDocked(*main, "shown, after a move");
    resize(520, 420);
    ExpectDocked(*main, "shown, after a resize");

    // Nothing is kept on the screen: a main window at the top puts the file search window above it.
    MoveWindowTo(h, 40, 0);
    ExpectDocked(*main, "at the top of the screen");
    EXPECT_LT(WindowRect(main->FileSearch().hwnd()).top, 0);

    MoveWindowTo(h, 200, 400);
    ShowWindow(h, SW_MINIMIZE);
    Pump(50);
    ASSERT_TRUE(IsIconic(h));
    ExpectDocked(*main, "minimised");
    ShowWindow(h, SW_RESTORE);
    Pump(50);
    ASSERT_FALSE(IsIconic(h));
    ExpectDocked(*main, "restored");
    EXPECT_EQ(WindowRect(h).left, 200);
    EXPECT_EQ(WindowRect(h).top, 400);
}

TEST_F(DockingTest, HandMovedSideWindowReturnsAtTheNextMoveOrShow) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    MoveWindowTo(h, 100, 300);
    ChooseMenu(h, IDM_BOOKMARK);
    MoveWindowTo(main->Bookmarks().hwnd(), 700, 600);
    EXPECT_EQ(WindowRect(main->Bookmarks().hwnd()).left, 700) << "moving it moves nothing else";
    EXPECT_EQ(WindowRect(h).left, 100);
    MoveWindowTo(h, 110, 310);
    ExpectDocked(*main, "after the main window moved");

    // A hidden window moved away is placed before it is shown.
    MoveWindowTo(main->FileSearch().hwnd(), 600, 700);
    ChooseMenu(h, IDM_FILESEARCH);
    ASSERT_TRUE(main->FileSearch().visible());
    ExpectDocked(*main, "shown from the View menu");
}

TEST_F(DockingTest, ViewItemsNameWhatTheyWillDoInEveryState) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    const struct {
        int choose;
        bool bookmarks, search;
    } steps[] = {{IDM_FILESEARCH, false, true}, {IDM_BOOKMARK, true, true},
                 {IDM_FILESEARCH, true, false}, {IDM_BOOKMARK, false, false},
                 {IDM_BOOKMARK, true, false},   {IDM_FILESEARCH, true, true}};
    for (const auto& step : steps) {
        ChooseMenu(h, step.choose);
        ExpectShown(*main, step.bookmarks, step.search);
    }
    // The close boxes put the items back as well, and the items still work afterwards.
    SendMessageW(main->Bookmarks().hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageW(main->FileSearch().hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectShown(*main, false, false);
    ChooseMenu(h, IDM_FILESEARCH);
    ExpectShown(*main, false, true);
    ExpectDocked(*main, "shown again after its close box", false, true);
}

TEST_F(DockingTest, StartupSettingsShowSideWindowsTopmost) {
    WriteDword(L"Load Book Mark", 1);
    WriteDword(L"Load File Search", 1);
    WriteDword(L"Load Window Proc", 1);
    for (const bool all : {true, false}) {
        auto main = StartMain();
        ASSERT_TRUE(main);
        ExpectShown(*main, true, all);
        EXPECT_EQ(IsTopMost(main->hwnd()), all);
        EXPECT_EQ(IsTopMost(main->Bookmarks().hwnd()), all);
        EXPECT_EQ(IsTopMost(main->FileSearch().hwnd()), all);
        ExpectDocked(*main, "at start");
        SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
        WriteDword(L"Load Window Proc", 0);
        WriteDword(L"Load File Search", 0);
    }
}

}  // namespace
}  // namespace zr::test
