#include <gtest/gtest.h>

#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "filesearch/file_search_window_win.h"
#include "harness.h"
#include "side_window_helpers.h"

namespace zr::test {
namespace {

class DockingTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }

    // The bookmark window's left edge on the main window's right edge, tops aligned; the
    // file search window's bottom edge on the main window's top edge, lefts aligned. In
    // twips, within the rounding of one pixel.
    static void ExpectDocked(MainWindow& main, const char* when, bool bookmarks = true,
                             bool search = true) {
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
    static void MoveTo(HWND window, int x, int y) {
        SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Pump();
    }
    static void ExpectCaptions(MainWindow& main, const wchar_t* bookmark, const wchar_t* search) {
        EXPECT_EQ(MenuCaption(main.MenuBar(), IDM_BOOKMARK), bookmark);
        EXPECT_EQ(MenuCaption(main.MenuBar(), IDM_FILESEARCH), search);
    }

    ScriptedUi ui;
};

TEST_F(DockingTest, SideWindowsFollowMovesAndSizesShownOrHidden) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    // The first layout has made both, hidden.
    ASSERT_TRUE(main->Bookmarks().exists());
    ASSERT_TRUE(main->FileSearch().exists());
    EXPECT_FALSE(main->Bookmarks().visible());
    EXPECT_FALSE(main->FileSearch().visible());
    ExpectDocked(*main, "after start");

    MoveTo(h, 130, 410);
    ExpectDocked(*main, "hidden, after a move");
    SetWindowPos(h, nullptr, 0, 0, 640, 300, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    ExpectDocked(*main, "hidden, after a resize");

    ChooseMenu(h, IDM_BOOKMARK);
    ChooseMenu(h, IDM_FILESEARCH);
    ASSERT_TRUE(main->Bookmarks().visible());
    ASSERT_TRUE(main->FileSearch().visible());
    MoveTo(h, 250, 380);
    ExpectDocked(*main, "shown, after a move");
    SetWindowPos(h, nullptr, 0, 0, 520, 420, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    ExpectDocked(*main, "shown, after a resize");

    // Nothing is kept on the screen: a main window at the top puts the file search window above it.
    MoveTo(h, 40, 0);
    ExpectDocked(*main, "at the top of the screen");
    RECT fs;
    GetWindowRect(main->FileSearch().hwnd(), &fs);
    EXPECT_LT(fs.top, 0);

    MoveTo(h, 200, 400);
    ShowWindow(h, SW_MINIMIZE);
    Pump(50);
    ASSERT_TRUE(IsIconic(h));
    ExpectDocked(*main, "minimised");
    ShowWindow(h, SW_RESTORE);
    Pump(50);
    ASSERT_FALSE(IsIconic(h));
    ExpectDocked(*main, "restored");
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 400);
}

TEST_F(DockingTest, HandMovedSideWindowReturnsAtTheNextMoveOrShow) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    MoveTo(h, 100, 300);
    ChooseMenu(h, IDM_BOOKMARK);
    MoveTo(main->Bookmarks().hwnd(), 700, 600);
    RECT moved;
    GetWindowRect(main->Bookmarks().hwnd(), &moved);
    EXPECT_EQ(moved.left, 700) << "moving a side window moves nothing else";
    RECT mainRect;
    GetWindowRect(h, &mainRect);
    EXPECT_EQ(mainRect.left, 100);
    MoveTo(h, 110, 310);
    ExpectDocked(*main, "after the main window moved");

    // A hidden window moved away is placed before it is shown.
    MoveTo(main->FileSearch().hwnd(), 600, 700);
    ChooseMenu(h, IDM_FILESEARCH);
    ASSERT_TRUE(main->FileSearch().visible());
    ExpectDocked(*main, "shown from the View menu");
}

TEST_F(DockingTest, ViewItemsNameWhatTheyWillDoInEveryState) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    ExpectCaptions(*main, L"ブックマークの表示(&B)", L"ファイル検索の表示(&F)");
    ChooseMenu(h, IDM_FILESEARCH);
    ExpectCaptions(*main, L"ブックマークの表示(&B)", L"ファイル検索の非表示(&F)");
    ChooseMenu(h, IDM_BOOKMARK);
    EXPECT_TRUE(main->Bookmarks().visible());
    ExpectCaptions(*main, L"ブックマークの非表示(&B)", L"ファイル検索の非表示(&F)");
    ChooseMenu(h, IDM_FILESEARCH);
    EXPECT_FALSE(main->FileSearch().visible());
    ExpectCaptions(*main, L"ブックマークの非表示(&B)", L"ファイル検索の表示(&F)");
    ChooseMenu(h, IDM_BOOKMARK);
    EXPECT_FALSE(main->Bookmarks().visible());
    ExpectCaptions(*main, L"ブックマークの表示(&B)", L"ファイル検索の表示(&F)");

    // The close boxes put the items back as well, and the items still work afterwards.
    ChooseMenu(h, IDM_BOOKMARK);
    ChooseMenu(h, IDM_FILESEARCH);
    SendMessageW(main->Bookmarks().hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageW(main->FileSearch().hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ExpectCaptions(*main, L"ブックマークの表示(&B)", L"ファイル検索の表示(&F)");
    ChooseMenu(h, IDM_FILESEARCH);
    EXPECT_TRUE(main->FileSearch().visible());
    ExpectCaptions(*main, L"ブックマークの表示(&B)", L"ファイル検索の非表示(&F)");
    ExpectDocked(*main, "shown again after its close box", false, true);
}

TEST_F(DockingTest, StartupSettingsShowBothSideWindowsTopmost) {
    WriteDword(L"Load Book Mark", 1);
    WriteDword(L"Load File Search", 1);
    WriteDword(L"Load Window Proc", 1);
    {
        auto main = StartMain();
        ASSERT_TRUE(main);
        EXPECT_TRUE(main->Bookmarks().visible());
        EXPECT_TRUE(main->FileSearch().visible());
        EXPECT_TRUE(IsTopMost(main->hwnd()));
        EXPECT_TRUE(IsTopMost(main->Bookmarks().hwnd()));
        EXPECT_TRUE(IsTopMost(main->FileSearch().hwnd()));
        ExpectCaptions(*main, L"ブックマークの非表示(&B)", L"ファイル検索の非表示(&F)");
        ExpectDocked(*main, "at start");
        SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
    }
    WriteDword(L"Load Window Proc", 0);
    WriteDword(L"Load File Search", 0);
    auto main = StartMain();
    ASSERT_TRUE(main);
    EXPECT_TRUE(main->Bookmarks().visible());
    EXPECT_FALSE(main->FileSearch().visible());
    EXPECT_FALSE(IsTopMost(main->Bookmarks().hwnd()));
    ExpectCaptions(*main, L"ブックマークの非表示(&B)", L"ファイル検索の表示(&F)");
}

TEST_F(DockingTest, SideWindowShownWhileOnTopJoinsTheTopmostBand) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    ChooseMenu(h, IDM_FILESEARCH);
    EXPECT_FALSE(IsTopMost(main->FileSearch().hwnd()));
    ChooseMenu(h, IDM_WINPOS);
    ASSERT_EQ(main->TopMost(), 1);
    ChooseMenu(h, IDM_BOOKMARK);
    EXPECT_TRUE(IsTopMost(main->Bookmarks().hwnd()));
    EXPECT_TRUE(IsTopMost(main->FileSearch().hwnd()));
    EXPECT_TRUE(IsTopMost(h));
}

TEST_F(DockingTest, MoveHookChainsToTheWindowAndComesOffAtClose) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    const auto proc = [&] { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC)); };
    EXPECT_NE(proc(), &Window::Proc);
    EXPECT_EQ(main->PreviousWndProc(), &Window::Proc);

    // Without the hook a move leaves the side windows behind: the hook is what docks them.
    main->UnhookWindow();
    EXPECT_EQ(proc(), &Window::Proc);
    EXPECT_EQ(main->PreviousWndProc(), nullptr);
    main->UnhookWindow();
    EXPECT_EQ(proc(), &Window::Proc) << "a second removal does nothing";
    RECT before;
    GetWindowRect(main->Bookmarks().hwnd(), &before);
    MoveTo(h, 321, 345);
    RECT after;
    GetWindowRect(main->Bookmarks().hwnd(), &after);
    EXPECT_EQ(after.left, before.left);

    main->HookWindow();
    MoveTo(h, 300, 350);
    ExpectDocked(*main, "hooked again");
    // Every other message still reaches the window through the hook.
    ChooseMenu(h, IDM_RSCROLL);
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_RSCROLL), L"横スクロール表示(&V)");

    SendMessageW(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(main->exists());
    EXPECT_EQ(FindOwnWindow(L"ZororuvBookmarks"), nullptr);
    EXPECT_EQ(FindOwnWindow(L"ZororuvFileSearch"), nullptr);
}

}  // namespace
}  // namespace zr::test
