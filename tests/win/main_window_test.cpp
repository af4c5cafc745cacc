// The main window as a user meets it: start, closing, layout, view switches, docking.
#include <richedit.h>

#include "common/controls_win.h"
#include "common/twips.h"
#include "harness.h"
#include "mainwindow/layout.h"

namespace zr::test {
namespace {

using MainWindowTest = ConfigTest;

TEST_F(MainWindowTest, StartsAsTheStoredSwitchesSay) {
    TempDir dir;
    const std::wstring log = dir.path(L"a.log");
    WriteFileBytes(log, "line\r\n");
    const wchar_t* names[] = {L"Load Window Size", L"Load Right Scroll", L"Load Window Proc",
                              L"Load Book Mark",   L"Load File Search",  L"Insert Text",
                              L"Window Pos"};
    const std::wstring insert(300, L'作');  // read whole, however long
    // The switches above, the stored reading interval and the one the timer takes.
    const std::tuple<std::array<bool, 7>, DWORD, UINT> rows[] = {
        {{0, 0, 0, 0, 0, 0, 0}, 0, 1000},
        {{1, 1, 1, 1, 1, 1, 0}, 250, 250},
        {{0, 1, 0, 1, 0, 1, 1}, 100000, 1000},
        {{1, 0, 1, 0, 1, 0, 0}, 99999, 99999}};
    for (const auto& [on, stored, used] : rows) {
        SCOPED_TRACE(testing::PrintToString(on));
        ClearConfig();
        for (int i = 0; i < 7; ++i) WriteDword(names[i], on[i]);
        WriteDword(L"Read Interval", stored);
        for (auto [n, v] : {std::pair(L"Window Top", 1500), {L"Window Left", 3000}})
            WriteDword(n, v);
        WriteString(L"Insert String", insert);
        auto main = StartMain();
        ASSERT_TRUE(main);
        const auto [zoomed, wrapped, top, bookmarks, search, insertText, place] = on;
        // Side windows that are not shown are not made either.
        HWND h = main->hwnd(), b = OwnWindow(L"ZororuvBookmarks");
        HWND s = OwnWindow(L"ZororuvFileSearch");
        EXPECT_EQ(
            std::tuple(IsZoomed(h) != FALSE, MenuCaption(h, IDM_RSCROLL), b != nullptr,
                       IsWindowVisible(b) != FALSE, s != nullptr, IsWindowVisible(s) != FALSE),
            std::tuple(zoomed, SwitchCaption(IDM_RSCROLL, wrapped), bookmarks, bookmarks, search,
                       search));
        EXPECT_EQ((std::array{IsTopMost(h), IsTopMost(b), IsTopMost(s)}),
                  (std::array{top, top && bookmarks, top && search}));
        // The reading timer ticks at the interval taken, once a file is followed.
        main->OpenFile(log);
        const std::optional<int> tick = NextTickMs(h, 1500);
        EXPECT_TRUE(used > 1500 ? !tick
                                : tick && *tick > int(used * 8 / 10) && *tick < int(used + 400))
            << (tick ? *tick : -1);
        EXPECT_EQ(Text(main->Control(IDC_TEXT1)), insertText ? insert : L"");
        const int x = TwipsToPixels(3000, WindowDpi(h)), y = TwipsToPixels(1500, WindowDpi(h));
        EXPECT_EQ(WindowRect(h).left == x && WindowRect(h).top == y, place) << "the stored place";
    }
}

// Each way: whether the user is asked and the window closes; a close stores the exit values.
TEST_F(MainWindowTest, EveryWayOfClosingStoresTheExitValues) {
    TempDir dir;
    const std::wstring log = dir.path(L"new.log");
    WriteFileBytes(log, "");
    const auto session = [](MainWindow& m, BOOL ending) {
        EXPECT_TRUE(SendMessageW(m.hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
        SendMessageW(m.hwnd(), WM_ENDSESSION, ending, ENDSESSION_LOGOFF);
    };
    // What the user does; whether the question is asked; whether the window closes.
    const std::tuple<const char*, std::function<void(MainWindow&)>, size_t, bool> ways[] = {
        {"終了, キャンセル in the system's message box",
         [&](MainWindow& m) {
             SetUi(nullptr);
             DialogWatcher box(L"確認", [](HWND b) { PostMessageW(b, WM_COMMAND, IDCANCEL, 0); });
             ChooseMenu(m.hwnd(), IDM_EXIT);
             SetUi(&ui);
             EXPECT_TRUE(box.Found());
         },
         0, false},
        {"終了, OK", [](MainWindow& m) { ChooseMenu(m.hwnd(), IDM_EXIT); }, 1, true},
        {"close box", [](MainWindow& m) { SendMessageW(m.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }, 0,
         true},
        {"session goes on", [&](MainWindow& m) { session(m, FALSE); }, 0, false},
        {"session ends", [&](MainWindow& m) { session(m, TRUE); }, 0, true},
    };
    for (const auto& [way, act, asked, closes] : ways) {
        SCOPED_TRACE(way);
        ClearConfig();
        for (auto name : {L"Window Pos", L"Insert Text", L"Book Mark Count"}) WriteDword(name, 1);
        WriteString(L"Book Mark List1", L"C:\\old.log");
        ui.messages.clear();
        auto main = StartMain();
        ASSERT_TRUE(main);
        for (int item : {IDM_BOOKMARK, IDM_FILESEARCH, IDM_VER}) ChooseMenu(main->hwnd(), item);
        DropFiles(OwnWindow(L"ZororuvBookmarks"), {log});
        SetWindowTextW(main->Control(IDC_TEXT1), L"### 退社 ###");
        MoveWindowTo(main->hwnd(), 50, 70);
        const int dpi = WindowDpi(main->hwnd());
        act(*main);
        EXPECT_EQ(ui.messages.size(), asked);
        for (const auto& m : ui.messages) EXPECT_EQ(m.flags & MB_TYPEMASK, UINT{MB_OKCANCEL});
        EXPECT_EQ(main->exists(), !closes);
        for (auto name : {L"ZororuvBookmarks", L"ZororuvFileSearch", L"ZororuvAbout"})
            EXPECT_EQ(FindWindowW(name, nullptr) != nullptr, !closes) << "a side window left";
        const auto ifClosed = [&](auto v) { return closes ? std::optional(v) : std::nullopt; };
        EXPECT_EQ(ReadDword(L"Window Top"), ifClosed(DWORD(PixelsToTwips(70, dpi))));
        EXPECT_EQ(ReadDword(L"Window Left"), ifClosed(DWORD(PixelsToTwips(50, dpi))));
        EXPECT_EQ(ReadString(L"Insert String"), ifClosed(std::wstring(L"### 退社 ###")));
        EXPECT_EQ(ReadString(L"Book Mark List2"), ifClosed(log));
    }
}

// Every moving control where the layout of the present client area puts it at `dpi`.
void ExpectLaidOut(MainWindow& main, int dpi) {
    RECT c;
    GetClientRect(main.hwnd(), &c);
    const MainLayout l =
        ComputeMainLayout(PixelsToTwips(c.right, dpi), PixelsToTwips(c.bottom, dpi));
    const auto box = [&](int id, int x, int y, int w, int h) {
        RECT r = WindowRect(main.Control(id));
        MapWindowPoints(nullptr, main.hwnd(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ((std::array{r.left, r.top, r.right - r.left, r.bottom - r.top}),
                  (std::array<LONG, 4>{TwipsToPixels(x, dpi), TwipsToPixels(y, dpi),
                                       TwipsToPixels(w, dpi), TwipsToPixels(h, dpi)}))
            << id;
    };
    box(IDC_RICHTEXT, l.display.left, l.display.top, l.display.width, l.display.height);
    for (int i = 0; i < 5; ++i) box(IDC_COMMAND1 + i, l.buttonsLeft, 480 * (i + 1), 975, 375);
    box(IDC_LABEL1, l.buttonsLeft, 60, 945, 315);
    box(IDC_TEXT1, 960, 60, l.insertBoxWidth, 270);
}

// After each step: the controls laid out anew, the bookmark window on the main window's right
// edge and the file search window on its top edge (outer edges touching), the topmost band.
TEST_F(MainWindowTest, LayoutViewSwitchesAndDocking) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd(), display = main->Control(IDC_RICHTEXT);
    std::wstring text;  // 60 lines, every tenth far wider than the display
    for (int i = 0; i < 60; ++i) text += (i % 10 ? L"line" : std::wstring(300, L'x')) + L"\r";
    SendMessageW(display, EM_REPLACESEL, FALSE, LPARAM(text.c_str()));
    for (const bool wrapped : {true, false}) {
        SendMessageW(display, EM_SETSEL, 0, 0);  // the user had scrolled to the top
        SendMessageW(display, WM_VSCROLL, SB_TOP, 0);
        ChooseMenu(h, IDM_RSCROLL);
        EXPECT_EQ(SendMessageW(display, EM_GETLINECOUNT, 0, 0) > 61, wrapped);
        EXPECT_EQ(MenuCaption(h, IDM_RSCROLL), SwitchCaption(IDM_RSCROLL, wrapped));
        EXPECT_GT(SendMessageW(display, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    }
    // The file search window made and hidden again, the bookmark window shown.
    HWND search = ShownFileSearch(h), bookmarks = nullptr;
    ChooseMenu(h, IDM_FILESEARCH);
    int dpi = WindowDpi(h);
    const std::pair<std::function<void()>, std::array<bool, 3>> steps[] = {
        {[&] { bookmarks = ShownBookmarks(h); }, {0, 0, 0}},
        {[&] { ChooseMenu(h, IDM_WINPOS); }, {1, 1, 0}},
        {[&] { MoveWindowTo(h, 130, 410); }, {1, 1, 0}},
        {[&] { SetWindowPos(h, nullptr, 0, 0, 640, 300, SWP_NOMOVE | SWP_NOZORDER); }, {1, 1, 0}},
        {[&] {  // moved away by hand while hidden, placed again as it is shown
             MoveWindowTo(search, 600, 700);
             ChooseMenu(h, IDM_FILESEARCH);
         },
         {1, 1, 1}},
        {[&] {  // as the system asks when the window moves to a monitor of another DPI
             RECT to = WindowRect(h);
             to.right += (to.right - to.left) / 2;
             dpi = dpi * 3 / 2;
             SendMessageW(h, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(&to));
         },
         {1, 1, 1}},
        {[&] { ChooseMenu(h, IDM_WINPOS); }, {0, 0, 0}},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        steps[i].first();
        ExpectLaidOut(*main, dpi);
        const RECT m = WindowRect(h), b = WindowRect(bookmarks), s = WindowRect(search);
        EXPECT_EQ(std::pair(b.left, b.top), std::pair(m.right, m.top));
        EXPECT_EQ(std::pair(s.left, s.bottom), std::pair(m.left, m.top));
        EXPECT_EQ((std::array{IsTopMost(h), IsTopMost(bookmarks), IsTopMost(search)}),
                  steps[i].second);
    }
}

}  // namespace
}  // namespace zr::test
