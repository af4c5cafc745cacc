#include <gtest/gtest.h>

#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "common/twips.h"
#include "harness.h"

namespace zr::test {
namespace {

using MainWindowTest = ConfigTest;

TEST_F(MainWindowTest, StartsWithNoFileOnlyClearEnabledAndExactCaptions) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    EXPECT_EQ(Text(main->hwnd()), L"Zororuv");
    const std::pair<int, const wchar_t*> buttons[] = {
        {IDC_COMMAND1, L"読込中止"}, {IDC_COMMAND2, L"読込再開"}, {IDC_COMMAND3, L"クリア"},
        {IDC_COMMAND4, L"時刻挿入"}, {IDC_COMMAND5, L"文章挿入"},
    };
    for (const auto& [id, caption] : buttons) {
        EXPECT_EQ(Text(main->Control(id)), caption);
        EXPECT_EQ(IsWindowEnabled(main->Control(id)) != FALSE, id == IDC_COMMAND3) << id;
    }
    EXPECT_EQ(Text(main->Control(IDC_LABEL2)), L"挿入文章");
    for (int id : {IDC_LABEL1, IDC_RICHTEXT, IDC_TEXT1}) EXPECT_EQ(Text(main->Control(id)), L"");
    EXPECT_FALSE(main->TimerEnabled());
    EXPECT_EQ(main->TimerInterval(), 1000u);
    EXPECT_EQ(main->FilePath(), L"");

    HMENU bar = main->MenuBar();
    const wchar_t* tops[] = {L"ファイル(&F)", L"表示(&V)", L"ツール(&T)", L"ヘルプ(&H)"};
    ASSERT_EQ(GetMenuItemCount(bar), 4);
    for (int i = 0; i < 4; ++i) {
        wchar_t buf[64] = {};
        GetMenuStringW(bar, static_cast<UINT>(i), buf, 64, MF_BYPOSITION);
        EXPECT_STREQ(buf, tops[i]);
    }
    const std::pair<int, const wchar_t*> items[] = {{IDM_OPEN, L"開く(&O)"},
                                                    {IDM_BOOT, L"追加起動(&L)"},
                                                    {IDM_EXIT, L"終了(&X)"},
                                                    {IDM_BOOKMARK, L"ブックマークの表示(&B)"},
                                                    {IDM_FILESEARCH, L"ファイル検索の表示(&F)"},
                                                    {IDM_WINPOS, L"手前に表示 ON(&T)"},
                                                    {IDM_RSCROLL, L"横スクロール非表示(&V)"},
                                                    {IDM_OPTION, L"オプション(&O)"},
                                                    {IDM_VER, L"バージョン情報(&A)"}};
    for (const auto& [id, caption] : items) EXPECT_EQ(MenuCaption(bar, id), caption);
    EXPECT_FALSE(MenuGrayed(bar, IDM_BOOT));
    EXPECT_FALSE(MenuGrayed(bar, IDM_OPEN));
    // Separators sit after "追加起動" and after the file search item.
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 0)), 4);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 1)), 7);

    // A tick must not arrive while the timer is off.
    Pump(1200);
    EXPECT_EQ(Text(main->Control(IDC_LABEL1)), L"");
}

// Each switch decides whether its value is applied at start and saved at exit; the value of
// a switch that is off stays as it was.
TEST_F(MainWindowTest, InsertTextAndWindowPosSwitches) {
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on ? "on" : "off");
        ClearConfig();
        WriteDword(L"Insert Text", on);
        WriteDword(L"Window Pos", on);
        WriteString(L"Insert String", L"### 作業開始 ###");
        WriteDword(L"Window Top", 1500);   // 100 px at 96 DPI
        WriteDword(L"Window Left", 3000);  // 200 px
        auto main = StartMain();
        ASSERT_TRUE(main);
        const int dpi = WindowDpi(main->hwnd());
        EXPECT_EQ(Text(main->Control(IDC_TEXT1)), on ? L"### 作業開始 ###" : L"");
        if (on) {
            const RECT r = WindowRect(main->hwnd());
            EXPECT_EQ(r.top, TwipsToPixels(1500, dpi));
            EXPECT_EQ(r.left, TwipsToPixels(3000, dpi));
        }

        SetWindowTextW(main->Control(IDC_TEXT1), L"次の文章");
        MoveWindowTo(main->hwnd(), 50, 70);
        SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(main->exists());
        EXPECT_EQ(ReadString(L"Insert String"), on ? L"次の文章" : L"### 作業開始 ###");
        EXPECT_EQ(ReadDword(L"Window Top"), static_cast<DWORD>(on ? PixelsToTwips(70, dpi) : 1500));
        EXPECT_EQ(ReadDword(L"Window Left"),
                  static_cast<DWORD>(on ? PixelsToTwips(50, dpi) : 3000));
    }
}

TEST_F(MainWindowTest, PositionNoMonitorShowsIsNotApplied) {
    WriteDword(L"Window Pos", 1);
    WriteDword(L"Window Top", 15 * 20000);
    WriteDword(L"Window Left", 15 * 20000);
    auto main = StartMain();
    const RECT r = WindowRect(main->hwnd());
    EXPECT_NE(MonitorFromRect(&r, MONITOR_DEFAULTTONULL), nullptr);
    EXPECT_LT(r.left, 5000);
}

TEST_F(MainWindowTest, StoredIntervalOutsideRangeRunsAtOneSecond) {
    for (const auto& [stored, used] :
         {std::pair<DWORD, UINT>{0, 1000}, {100000, 1000}, {250, 250}}) {
        WriteDword(L"Read Interval", stored);
        EXPECT_EQ(StartMain()->TimerInterval(), used) << stored;
        EXPECT_EQ(ReadDword(L"Read Interval"), stored) << "the stored value is left as it is";
    }
}

TEST_F(MainWindowTest, ExitAsksFirstAndTheCloseBoxDoesNot) {
    WriteDword(L"Window Pos", 1);
    auto main = StartMain();
    ui.messageAnswer = IDCANCEL;
    ChooseMenu(main->hwnd(), IDM_EXIT);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"終了しますか？");
    EXPECT_EQ(ui.messages[0].caption, L"確認");
    EXPECT_EQ(ui.messages[0].flags & (MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK),
              static_cast<UINT>(MB_OKCANCEL | MB_DEFBUTTON1));
    EXPECT_TRUE(main->exists());
    EXPECT_FALSE(ValueExists(L"Window Top"));
    EXPECT_FALSE(main->StopRead());

    ui.messageAnswer = IDOK;
    ChooseMenu(main->hwnd(), IDM_EXIT);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_FALSE(main->exists());
    EXPECT_TRUE(ValueExists(L"Window Top"));
    EXPECT_TRUE(ValueExists(L"Window Left"));

    ClearConfig();
    WriteDword(L"Window Pos", 1);
    main = StartMain();
    SendMessageW(main->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump(50);
    EXPECT_EQ(ui.messages.size(), 2u) << "the close box asks nothing";
    EXPECT_FALSE(main->exists());
    EXPECT_TRUE(ValueExists(L"Window Top"));
}

// Signing out: the system asks every window first and then tells it whether the session
// ends. The program says yes without its exit question; a session that goes on after all
// stores nothing, and one that ends stores the window's settings and the session's bookmarks.
TEST_F(MainWindowTest, SessionEndStoresWithoutAsking) {
    WriteDword(L"Window Pos", 1);
    WriteDword(L"Insert Text", 1);
    WriteDword(L"Book Mark Count", 1);
    WriteString(L"Book Mark List1", L"C:\\old.log");
    auto main = StartMain();
    ASSERT_TRUE(main);
    const int dpi = WindowDpi(main->hwnd());
    ChooseMenu(main->hwnd(), IDM_BOOKMARK);
    BookmarkWindow& bookmarks = main->Bookmarks();
    SendMessageW(bookmarks.Control(IDC_LSTFILELIST), LB_SETCURSEL, 0, 0);
    Click(bookmarks.hwnd(), IDC_CMDDELLIST);
    bookmarks.AddList(L"C:\\new.log");
    SetWindowTextW(main->Control(IDC_TEXT1), L"### 退社 ###");
    MoveWindowTo(main->hwnd(), 50, 70);
    const HWND windows[] = {bookmarks.hwnd(), main->hwnd()};

    for (const BOOL ending : {FALSE, TRUE}) {
        SCOPED_TRACE(ending ? "ending" : "going on");
        for (HWND w : windows) {
            EXPECT_EQ(SendMessageW(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
        }
        for (HWND w : windows) {
            if (IsWindow(w)) SendMessageW(w, WM_ENDSESSION, ending, ENDSESSION_LOGOFF);
        }
        EXPECT_EQ(main->exists(), !ending);
        EXPECT_EQ(ReadString(L"Insert String"),
                  ending ? std::optional<std::wstring>(L"### 退社 ###") : std::nullopt);
        EXPECT_EQ(ReadString(L"Book Mark List1"), ending ? L"C:\\new.log" : L"C:\\old.log");
    }
    EXPECT_TRUE(ui.messages.empty()) << "nothing waits for the user";
    EXPECT_EQ(ReadDword(L"Window Top"), static_cast<DWORD>(PixelsToTwips(70, dpi)));
    EXPECT_EQ(ReadDword(L"Window Left"), static_cast<DWORD>(PixelsToTwips(50, dpi)));
    EXPECT_EQ(ReadDword(L"Book Mark Count"), 1u);
}

TEST(RealMessageBox, ExitConfirmationIsARealMessageBox) {
    ClearConfig();
    auto main = StartMain();
    std::wstring text;
    DialogWatcher watcher(L"確認", [&](HWND box) {
        text = MessageBoxText(box);
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    ChooseMenu(main->hwnd(), IDM_EXIT);
    EXPECT_TRUE(watcher.Found());
    EXPECT_EQ(text, L"終了しますか？");
    EXPECT_TRUE(main->exists()) << "Cancel keeps the program running";
}

}  // namespace
}  // namespace zr::test
