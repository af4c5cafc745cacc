// The options dialog in its real modal loop, acted on from inside it through a thread timer.
#include "harness.h"

#include <colordlg.h>
#include <dlgs.h>
#include <richedit.h>

#include <map>
#include <variant>

#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "common/messages.h"
#include "settings/options_dialog_win.h"

namespace zr::test {
namespace {

struct Modal {
    std::function<void(HWND)> act;
    UINT_PTR timer = 0;
    int ticks = 0;  // 1 once acted on, 2 when the action left the dialog open
} g_modal;

// The first tick that finds the dialog acts on it; a second closes it, so no test hangs.
void CALLBACK OnModalTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND d = FindWindowW(kOptionsClass, nullptr);
    if (!d || !IsWindowVisible(d)) return;
    KillTimer(nullptr, std::exchange(g_modal.timer, 0));  // the action's prompts loop too
    if (g_modal.ticks++) return (void)SendMessageW(d, WM_CLOSE, 0, 0);
    g_modal.act(d);
    if (IsWindow(d)) g_modal.timer = SetTimer(nullptr, 0, 300, OnModalTick);
}

// Chooses "オプション" and runs `act` on the dialog; succeeds when the action closed it.
::testing::AssertionResult WithOptions(MainWindow& main, std::function<void(HWND)> act) {
    g_modal = {std::move(act), SetTimer(nullptr, 0, 20, OnModalTick)};
    ChooseMenu(main.hwnd(), IDM_OPTION);
    KillTimer(nullptr, g_modal.timer);
    if (g_modal.ticks == 1) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << (g_modal.ticks ? "left open" : "never opened");
}

void UserClick(HWND dialog, int id) {  // the control toggles itself and tells the dialog
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}
// The switches, the text boxes and the interval, each with the value it is stored in.
const std::pair<const wchar_t*, int> kControls[] = {
    {L"Load Window Size", IDC_OPT_CHLOAD1}, {L"Load Right Scroll", IDC_OPT_CHLOAD2},
    {L"Load Window Proc", IDC_OPT_CHLOAD3}, {L"Load File Search", IDC_OPT_CHLOAD4},
    {L"Load Book Mark", IDC_OPT_CHLOAD5},   {L"Insert Text", IDC_OPT_CHUNLOAD1},
    {L"Window Pos", IDC_OPT_CHUNLOAD2},     {L"Notice Window Pos", IDC_OPT_AOPT2},
    {L"Play Wave", IDC_OPT_AOPT3},          {L"Notice", IDC_OPT_ALERT},
    {L"Notice String1", IDC_OPT_ALERT1},    {L"Notice String2", IDC_OPT_ALERT2},
    {L"Notice String3", IDC_OPT_ALERT3},    {L"Wave FilePath", IDC_OPT_WAVE},
    {L"Read Interval", IDC_OPT_INTERVAL}};

using Value = std::variant<DWORD, std::wstring>;
using Stored = std::map<std::wstring, Value>;
DWORD Number(const Stored& s, const wchar_t* name) {
    return std::get<DWORD>(s.at(name));
}

// The 22 values the user sets in round r, each of its type; round -1 is a first run's.
// Switch i is on when bit r of i + 1 is, so that no two switches agree in every round.
Stored Round(int r) {
    const bool first = r < 0;
    Stored s{{L"Font Name", first ? L"ＭＳ Ｐゴシック" : L"IPAGothic"},
             {L"Font Size", DWORD(first ? 9 : 10 + r)},
             {L"Bold", DWORD(!first && r % 2 == 0)},
             {L"Italic", DWORD(r >= 2)},
             {L"Fore Color", DWORD(first ? 0 : RGB(40 * r, 0, 200))},
             {L"Back Color", DWORD(first ? 0xFFFFFF : RGB(255, 250 - r, 224))},
             {L"Blink", 0u},
             {L"Read Interval", DWORD(first ? 1000 : 100 + r)}};
    for (int i = 0; i < 10; ++i) s[kControls[i].first] = DWORD(!first && ((i + 1) >> r) & 1);
    for (int i = 10; i < 14; ++i) {
        s[kControls[i].first] = first ? L"" : L"C:\\警告" + std::to_wstring(i * 10 + r);
    }
    return s;
}

Value Shown(HWND d, int i) {
    const std::wstring text = Text(GetDlgItem(d, kControls[i].second));
    if (i < 10) return DWORD(IsDlgButtonChecked(d, kControls[i].second));
    return i < 14 ? Value(text) : Value(DWORD(_wtoi(text.c_str())));
}

// Every value in the program's key as another program reads it: a DWORD, or a text of the
// REG_SZ type that ends in its one NUL; anything else stands out.
Stored Snapshot() {
    Stored out;
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key);
    wchar_t name[256], data[4096];
    for (DWORD i = 0, n = 256, type = 0, size = sizeof data;
         key && !RegEnumValueW(key, i, name, &n, nullptr, &type, LPBYTE(data), &size);
         ++i, n = 256, size = sizeof data) {
        const std::wstring text(data, size / 2);
        const bool sz = type == REG_SZ && size && text.find(L'\0') == text.size() - 1;
        out[name] = type == REG_DWORD && size == 4 ? Value(DWORD(data[1]) << 16 | data[0])
                    : sz                           ? Value(text.substr(0, text.size() - 1))
                                                   : Value(L"?" + text);
    }
    if (key) RegCloseKey(key);
    return out;
}

FontChoice FontOf(const Stored& s) {
    return {std::get<std::wstring>(s.at(L"Font Name")), int32_t(Number(s, L"Font Size")),
            Number(s, L"Bold") != 0, Number(s, L"Italic") != 0};
}
// The preview's font: face, height, weight, italic; and what it must be for `s`.
auto PreviewFont(HWND d) {
    LOGFONTW f{};
    GetObjectW(HFONT(SendDlgItemMessageW(d, IDC_OPT_PREVIEW, WM_GETFONT, 0, 0)), sizeof f, &f);
    return std::tuple(std::wstring(f.lfFaceName), f.lfHeight, f.lfWeight, f.lfItalic != 0);
}
auto PreviewFontOf(const Stored& s, HWND d) {
    const FontChoice f = FontOf(s);
    return std::tuple(f.name, LONG(-MulDiv(f.size, WindowDpi(d), 72)),
                      LONG(f.bold ? FW_BOLD : FW_NORMAL), f.italic);
}

// The dialog shows `s`; the options under the notice switch take input only while it is on.
void ExpectShows(HWND d, const Stored& s) {
    for (int i = 0; i < 15; ++i) EXPECT_EQ(Shown(d, i), s.at(kControls[i].first)) << i;
    for (int id : {IDC_OPT_AOPT2, IDC_OPT_AOPT3, IDC_OPT_WAVE, IDC_OPT_WAVEBROWSE}) {
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(d, id)) != FALSE, Number(s, L"Notice") != 0) << id;
    }
    EXPECT_EQ(PreviewFont(d), PreviewFontOf(s, d));
}

// Sets every control to `s`, the notice switch (last of them) first on: under it "参照" works.
void Enter(HWND d, const Stored& s, ScriptedUi& ui) {
    if (!IsDlgButtonChecked(d, IDC_OPT_ALERT)) UserClick(d, IDC_OPT_ALERT);
    ui.openAnswers = {std::get<std::wstring>(s.at(L"Wave FilePath"))};
    UserClick(d, IDC_OPT_WAVEBROWSE);
    EXPECT_EQ(ui.openOwners.back(), d) << "an open dialog owned by the main window enables it";
    for (int i = 0; i < 15; ++i) {
        const auto& [name, id] = kControls[i];
        const Value& v = s.at(name);
        if (i < 10 && Shown(d, i) != v) UserClick(d, id);
        if (i == 14) SetDlgItemInt(d, id, std::get<DWORD>(v), FALSE);
        if (i >= 10 && i < 13) SetDlgItemTextW(d, id, std::get<std::wstring>(v).c_str());
    }
    ui.fontAnswer = FontOf(s);
    UserClick(d, IDC_OPT_FONT);
    for (auto [id, name] :
         {std::pair(IDC_OPT_FORECOLOR, L"Fore Color"), {IDC_OPT_BACKCOLOR, L"Back Color"}}) {
        ui.colorAnswer = Number(s, name);
        UserClick(d, id);
    }
}

// Face, size and colour all the display's text shares: a colour that differs leaves dwMask.
auto DisplayLook(HWND display) {
    SendMessageW(display, EM_SETSEL, 0, -1);
    CHARFORMAT2W f{};
    f.cbSize = sizeof f;
    SendMessageW(display, EM_GETCHARFORMAT, SCF_SELECTION, LPARAM(&f));
    return std::tuple(std::wstring(f.szFaceName), f.yHeight, (f.dwMask & CFM_COLOR) != 0,
                      f.crTextColor);
}
using Options = ConfigTest;

// Round after round on a new start: the dialog shows what was stored; an interval refused
// stores nothing; the timer rests and nothing is topmost meanwhile; 設定 stores and recolours.
TEST_F(Options, EveryControlIsStoredAndShownAgain) {
    TempDir dir;
    const std::wstring log = dir.path(L"a.log");
    WriteFileBytes(log, "line\r\n");
    // Values of another type than the program's, as another program may leave them, are not
    // read (a text of two characters has a DWORD's size).
    const Stored mistyped{{L"Read Interval", L"5"}, {L"Font Name", 7u}};
    WriteString(L"Read Interval", L"5");
    WriteDword(L"Font Name", 7);
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(r);
        auto main = StartMain();  // topmost in rounds 1 and 2, with bookmarks in 1 and 3
        ASSERT_TRUE(main);
        HWND display = main->Control(IDC_RICHTEXT);
        if (r % 2) main->OpenFile(log);  // the reading timer runs
        SendMessageW(display, EM_REPLACESEL, FALSE, LPARAM(L"12:00 ERROR\r"));  // in the old colour
        // Whether the reading timer runs is seen by stopping it, so only where it may stop.
        const auto around = [&] {
            return std::tuple(KillTimer(main->hwnd(), kTimer1) != FALSE, IsTopMost(main->hwnd()),
                              IsTopMost(OwnWindow(L"ZororuvBookmarks")));
        };
        const auto aroundBefore = std::tuple(r % 2 == 1, IsTopMost(main->hwnd()),
                                             IsTopMost(OwnWindow(L"ZororuvBookmarks")));
        const Stored before = Round(r - 1), after = Round(r);
        ui.colorInitials.clear();
        ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
            EXPECT_EQ(around(), std::tuple(false, false, false));
            ExpectShows(d, before);
            Enter(d, after, ui);
            EXPECT_EQ(ui.colorInitials,
                      (std::vector{Number(before, L"Fore Color"), Number(before, L"Back Color")}));
            HWND box = GetDlgItem(d, IDC_OPT_INTERVAL);
            SetWindowTextW(box, L"0");  // pasted
            UserClick(d, IDC_OPT_APPLY);
            ASSERT_TRUE(IsWindow(d));
            EXPECT_EQ(std::tuple(GetFocus(), ui.messages.size(), Snapshot()),
                      std::tuple(box, size_t(r + 1), r ? before : mistyped));
            SendMessageW(box, EM_SETSEL, 0, -1);  // typed over: the box takes digits only
            for (wchar_t c : L"x" + std::to_wstring(r + 100)) SendMessageW(box, WM_CHAR, c, 0);
            UserClick(d, IDC_OPT_APPLY);
        }));
        EXPECT_EQ(around(), aroundBefore);
        EXPECT_EQ(Snapshot(), after);
        const FontChoice font = FontOf(after);
        EXPECT_EQ(DisplayLook(display),
                  std::tuple(font.name, LONG(font.size * 20), true, Number(after, L"Fore Color")));
    }
}

// While open no other window takes input, even after the system's dialogs; a cancel keeps
// nothing, a font chosen included; the system's font and colour dialogs give what 設定 stores.
TEST_F(Options, HoldsTheProgramWhileOpenAndCancelKeepsNothing) {
    TempDir dir;
    auto main = StartMain();
    ASSERT_TRUE(main);
    MoveWindowTo(main->hwnd(), 40, 420);
    for (int item : {IDM_BOOKMARK, IDM_FILESEARCH, IDM_VER}) ChooseMenu(main->hwnd(), item);
    const HWND windows[] = {main->hwnd(), OwnWindow(L"ZororuvBookmarks"),
                            OwnWindow(L"ZororuvFileSearch"), OwnWindow(L"ZororuvAbout")};
    HWND list = GetDlgItem(windows[1], IDC_LSTFILELIST);
    const auto state = [&] {
        return std::tuple(Snapshot(), DisplayLook(main->Control(IDC_RICHTEXT)));
    };
    const auto before = state();
    const std::tuple<const wchar_t*, int, void (*)(HWND)> prompts[] = {
        {L"フォントの指定", IDC_OPT_FONT,
         [](HWND fd) {
             for (auto [id, item] : {std::pair(cmb1, L"IPAゴシック"), {cmb3, L"14"}}) {
                 SendDlgItemMessageW(fd, id, CB_SELECTSTRING, WPARAM(-1), LPARAM(item));
                 SendMessageW(fd, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                              LPARAM(GetDlgItem(fd, id)));
             }
             PostMessageW(fd, WM_COMMAND, IDOK, 0);
         }},
        {L"色", IDC_OPT_FORECOLOR, [](HWND cd) {
             SetDlgItemTextW(cd, COLOR_RED, L"12");
             PostMessageW(cd, WM_COMMAND, IDOK, 0);
         }}};
    const std::pair<const char*, std::function<void(HWND)>> closes[] = {
        {"キャンセル", [](HWND d) { UserClick(d, IDC_OPT_CANCEL); }},
        {"close box", [](HWND d) { SendMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Escape",  // through the dialog's own loop, as a key press arrives
         [](HWND d) { PostMessageW(GetDlgItem(d, IDC_OPT_ALERT1), WM_KEYDOWN, VK_ESCAPE, 1); }},
        {"設定 after the system's dialogs",
         [&](HWND d) {
             SetUi(nullptr);
             for (const auto& [caption, button, answer] : prompts) {
                 DialogWatcher watcher(caption, answer);
                 UserClick(d, button);
                 EXPECT_TRUE(watcher.Found()) << caption;
             }
             SetUi(&ui);
             for (HWND w : windows) EXPECT_FALSE(IsWindowEnabled(w)) << "still held";
             UserClick(d, IDC_OPT_APPLY);
         }},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(closes[i].first);
        const std::wstring log = dir.path(std::to_wstring(i) + L".log");
        WriteFileBytes(log, "line\r\n");
        DropFiles(windows[1], {log});
        RECT item{};
        SendMessageW(list, LB_GETITEMRECT, i, LPARAM(&item));
        POINT at{item.right - 8, (item.top + item.bottom) / 2};
        ClientToScreen(list, &at);
        const std::wstring opened = Text(main->hwnd());
        ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
            const RECT dialog = WindowRect(d);
            ASSERT_FALSE(PtInRect(&dialog, at));
            for (HWND w : windows) EXPECT_FALSE(IsWindowEnabled(w));
            SystemDoubleClick(at);
            EXPECT_EQ(Text(main->hwnd()), opened);
            EXPECT_EQ(PreviewFont(d), PreviewFontOf(Round(-1), d));
            Enter(d, Round(0), ui);
            closes[i].second(d);
        }));
        for (HWND w : windows) EXPECT_TRUE(IsWindowEnabled(w));
        SystemDoubleClick(at);
        EXPECT_EQ(Text(main->hwnd()), std::to_wstring(i) + L".log");
        EXPECT_EQ(state() == before, i < 3) << "only 設定 keeps what was entered";
    }
    EXPECT_EQ(
        std::tuple(ReadString(L"Font Name"), ReadDword(L"Font Size"), ReadDword(L"Fore Color")),
        std::tuple(L"IPAゴシック", 14u, DWORD(RGB(12, 0, 200))));
}

// A store the registry refuses is told once, in the program's words, and what was stored stays.
TEST_F(Options, ARefusedStoreIsToldOnceAndKeepsWhatWasStored) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    for (int r = 0; r < 2; ++r) {
        ReadOnlyConfig locked(r == 1);
        ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
            Enter(d, Round(r), ui);
            UserClick(d, IDC_OPT_APPLY);
        }));
        EXPECT_EQ(Snapshot(), Round(0)) << r;
    }
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(std::tuple(ui.messages[0].text, ui.messages[0].caption, ui.messages[0].flags),
              std::tuple(kSettingsNotStored, kErrorTitle, UINT(MB_OK | MB_ICONERROR)));
}

}  // namespace
}  // namespace zr::test
