// The options dialog, opened from the Tools menu as a user opens it: every test runs the
// real modal loop and acts on the dialog from inside it, through a thread timer.
#include <gtest/gtest.h>
#include <windows.h>

#include <colordlg.h>
#include <dlgs.h>
#include <richedit.h>

#include <map>
#include <tuple>

#include "about/about_window_win.h"
#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "common/twips.h"
#include "filesearch/file_search_window_win.h"
#include "harness.h"
#include "harness.h"
#include "settings/options_dialog_win.h"

namespace zr::test {
namespace {

// ---- Driving the modal dialog -------------------------------------------------------------

struct ModalRun {
    std::function<void(HWND)> act;
    HWND dialog = nullptr;
    bool acted = false;
    bool leftOpen = false;  // the dialog was still open after the action
    UINT_PTR timer = 0;
};
ModalRun* g_run = nullptr;

void CALLBACK OnModalTick(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_run) return;
    // The timer is off while the action runs: the prompts it opens run loops of their own.
    KillTimer(nullptr, g_run->timer);
    g_run->timer = 0;
    if (!g_run->acted) {
        HWND dialog = FindWindowW(kOptionsClass, nullptr);
        if (!dialog || !IsWindowVisible(dialog)) {
            g_run->timer = SetTimer(nullptr, 0, 20, OnModalTick);
            return;
        }
        g_run->acted = true;
        g_run->dialog = dialog;
        g_run->act(dialog);
        // Input the action posted is handled by the dialog's loop before the next tick.
        if (IsWindow(dialog)) g_run->timer = SetTimer(nullptr, 0, 300, OnModalTick);
        return;
    }
    if (IsWindow(g_run->dialog)) {
        // Close it so that a failing test cannot hang in the modal loop.
        g_run->leftOpen = true;
        SendMessageW(g_run->dialog, WM_CLOSE, 0, 0);
    }
}

// Chooses "オプション(&O)" and runs `act` on the dialog once its modal loop runs. Returns
// whether the dialog appeared and the action closed it.
::testing::AssertionResult WithOptions(MainWindow& main, std::function<void(HWND)> act) {
    ModalRun run;
    run.act = std::move(act);
    g_run = &run;
    run.timer = SetTimer(nullptr, 0, 20, OnModalTick);
    ChooseMenu(main.hwnd(), IDM_OPTION);
    if (run.timer) KillTimer(nullptr, run.timer);
    g_run = nullptr;
    if (!run.acted) return ::testing::AssertionFailure() << "the options dialog did not open";
    if (run.leftOpen) return ::testing::AssertionFailure() << "the dialog was still open";
    if (FindWindowW(kOptionsClass, nullptr)) {
        return ::testing::AssertionFailure() << "a dialog window is left behind";
    }
    return ::testing::AssertionSuccess();
}

// What a mouse click on a button or check box sends: the control toggles itself and tells
// its parent.
void UserClick(HWND dialog, int id) {
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Keys typed into a text box, replacing what it held.
void Type(HWND dialog, int id, const std::wstring& text) {
    HWND box = GetDlgItem(dialog, id);
    SetFocus(box);
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, WM_CHAR, VK_BACK, 0);
    for (wchar_t c : text) SendMessageW(box, WM_CHAR, c, 0);
}

std::wstring TextOf(HWND dialog, int id) {
    return Text(GetDlgItem(dialog, id));
}
bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}
bool Enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

// The preview's face, height, weight, italic flag, text colour, background and the brush of
// the whole box, as the box is drawn with them.
using Look = std::tuple<std::wstring, LONG, LONG, bool, COLORREF, COLORREF, COLORREF>;

Look PreviewLook(HWND dialog) {
    HWND box = GetDlgItem(dialog, IDC_OPT_PREVIEW);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)), sizeof(font), &font);
    HDC dc = GetDC(box);
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
        dialog, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)));
    LOGBRUSH lb{0, CLR_INVALID, 0};
    if (brush) GetObjectW(brush, sizeof(lb), &lb);
    const Look look{font.lfFaceName,  font.lfHeight,  font.lfWeight, font.lfItalic != 0,
                    GetTextColor(dc), GetBkColor(dc), lb.lbColor};
    ReleaseDC(box, dc);
    return look;
}

// How the preview must look with this font and these colours at the dialog's DPI.
Look Expected(HWND dialog, const wchar_t* face, int points, bool bold, bool italic, COLORREF fore,
              COLORREF back) {
    return {face,
            -MulDivRound(points, WindowDpi(dialog), 72),
            bold ? FW_BOLD : FW_NORMAL,
            italic,
            fore,
            back,
            back};
}

// ---- The registry and the display ---------------------------------------------------------

struct RegValue {
    DWORD type = 0;
    DWORD number = 0;
    std::wstring text;
    bool operator==(const RegValue&) const = default;
    friend void PrintTo(const RegValue& v, std::ostream* os) {
        *os << (v.type == REG_DWORD ? std::to_string(v.number) : testing::PrintToString(v.text));
    }
};
using RegSnapshot = std::map<std::wstring, RegValue>;

RegSnapshot Snapshot() {
    RegSnapshot out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return out;
    }
    wchar_t name[256];
    DWORD nameLen = 256, type = 0;
    for (DWORD i = 0;
         RegEnumValueW(key, i, name, &nameLen, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, nameLen = 256) {
        out[name] = type == REG_DWORD
                        ? RegValue{type, *ReadDword(name), L""}
                        : RegValue{type, 0, ReadString(name).value_or(L"<unreadable>")};
    }
    RegCloseKey(key);
    return out;
}

RegValue Dw(DWORD n) {
    return {REG_DWORD, n, L""};
}
RegValue Sz(const std::wstring& s) {
    return {REG_SZ, 0, s};
}

// A seed that differs from every default, with alternating switches.
const RegSnapshot kSeed = {
    {L"Load Window Size", Dw(0)},
    {L"Load Right Scroll", Dw(1)},
    {L"Load Window Proc", Dw(0)},
    {L"Load File Search", Dw(1)},
    {L"Load Book Mark", Dw(0)},
    {L"Insert Text", Dw(1)},
    {L"Window Pos", Dw(0)},
    {L"Read Interval", Dw(250)},
    {L"Back Color", Dw(0x00203040)},
    {L"Fore Color", Dw(0x0000C0FF)},
    {L"Font Name", Sz(L"IPAGothic")},
    {L"Font Size", Dw(14)},
    {L"Bold", Dw(0)},
    {L"Italic", Dw(1)},
    {L"Notice", Dw(1)},
    {L"Blink", Dw(1)},
    {L"Notice Window Pos", Dw(0)},
    {L"Play Wave", Dw(1)},
    {L"Wave FilePath", Sz(L"C:\\sounds\\鐘.wav")},
    {L"Notice String1", Sz(L"ERROR")},
    {L"Notice String2", Sz(L"")},
    {L"Notice String3", Sz(L"致命的")},
};

void Seed() {
    for (const auto& [name, v] : kSeed) {
        if (v.type == REG_DWORD) {
            WriteDword(name.c_str(), v.number);
        } else {
            WriteString(name.c_str(), v.text);
        }
    }
}

// The format shared by every character of the display; fields that differ are left out
// of dwMask.
CHARFORMAT2W WholeTextFormat(HWND display) {
    CHARRANGE saved{};
    SendMessageW(display, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    SendMessageW(display, EM_SETSEL, 0, -1);
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    SendMessageW(display, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    SendMessageW(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    return cf;
}

COLORREF DisplayBackground(HWND display) {
    // The control reports its background only by replacing it: put it straight back.
    const auto previous =
        static_cast<COLORREF>(SendMessageW(display, EM_SETBKGNDCOLOR, 0, RGB(1, 2, 3)));
    SendMessageW(display, EM_SETBKGNDCOLOR, 0, previous);
    return previous;
}

// Lines as a read pass shows them, each in a colour of its own.
void ShowLines(HWND display) {
    const std::pair<const wchar_t*, COLORREF> lines[] = {
        {L"12:00 起動しました\r", RGB(255, 0, 0)},
        {L"12:01 ERROR 接続できません\r", RGB(0, 0, 255)},
        {L"12:02 再接続\r", RGB(0, 128, 0)},
    };
    for (const auto& [text, color] : lines) {
        SendMessageW(display, EM_SETSEL, -1, -1);
        CHARFORMAT2W cf{};
        cf.cbSize = sizeof(cf);
        cf.dwMask = CFM_COLOR;
        cf.crTextColor = color;
        SendMessageW(display, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
        SendMessageW(display, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    }
}

// Records who owned each prompt and what the font dialog started on.
class RecordingUi : public ScriptedUi {
  public:
    bool FontDialog(HWND owner, FontChoice& font) override {
        fontOwners.push_back(owner);
        fontInitials.push_back(font);
        return ScriptedUi::FontDialog(owner, font);
    }
    std::optional<COLORREF> ColorDialog(HWND owner, COLORREF initial) override {
        colorOwners.push_back(owner);
        return ScriptedUi::ColorDialog(owner, initial);
    }
    std::vector<HWND> fontOwners, colorOwners;
    std::vector<FontChoice> fontInitials;
};

class Options : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }
    RecordingUi ui;
};

// ---- Opening -------------------------------------------------------------------------------

TEST_F(Options, OpeningShowsEverySettingAndTheDisplayState) {
    Seed();
    auto main = StartMain();
    ASSERT_TRUE(main);
    MoveWindowTo(main->hwnd(), 300, 200);
    const RECT mainRect = WindowRect(main->hwnd());
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        EXPECT_EQ(Text(d), L" 動作設定");
        EXPECT_EQ(GetWindow(d, GW_OWNER), main->hwnd());
        EXPECT_EQ(GetWindowLongW(d, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
                  0);
        RECT client;
        GetClientRect(d, &client);
        const RECT outer = WindowRect(d);
        const int dpi = WindowDpi(d);
        EXPECT_NEAR(PixelsToTwips(client.right, dpi), 7815, 1440 / dpi);
        EXPECT_NEAR(PixelsToTwips(client.bottom, dpi), 4800, 1440 / dpi);
        EXPECT_NEAR((outer.left + outer.right) / 2, (mainRect.left + mainRect.right) / 2, 1);
        EXPECT_NEAR((outer.top + outer.bottom) / 2, (mainRect.top + mainRect.bottom) / 2, 1);

        const std::pair<int, bool> checks[] = {
            {IDC_OPT_CHLOAD1, false},   {IDC_OPT_CHLOAD2, true},  {IDC_OPT_CHLOAD3, false},
            {IDC_OPT_CHLOAD4, true},    {IDC_OPT_CHLOAD5, false}, {IDC_OPT_CHUNLOAD1, true},
            {IDC_OPT_CHUNLOAD2, false}, {IDC_OPT_ALERT, true},    {IDC_OPT_AOPT2, false},
            {IDC_OPT_AOPT3, true},      {IDC_OPT_AOPT1, false},
        };
        for (const auto& [id, on] : checks) EXPECT_EQ(Checked(d, id), on) << id;
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_OPT_AOPT1))) << "Blink has no visible box";
        for (int id : {IDC_OPT_AOPT2, IDC_OPT_AOPT3, IDC_OPT_WAVE, IDC_OPT_WAVEBROWSE}) {
            EXPECT_TRUE(Enabled(d, id)) << "notices are on: " << id;
        }
        const std::pair<int, const wchar_t*> texts[] = {
            {IDC_OPT_INTERVAL, L"250"},        {IDC_OPT_WAVE, L"C:\\sounds\\鐘.wav"},
            {IDC_OPT_ALERT1, L"ERROR"},        {IDC_OPT_ALERT2, L""},
            {IDC_OPT_ALERT3, L"致命的"},       {IDC_OPT_PREVIEW, kPreviewText},
            {IDC_OPT_LABEL2, L"※1000で約1秒"},
        };
        for (const auto& [id, text] : texts) EXPECT_EQ(TextOf(d, id), text) << id;

        // The pink note shows its whole text in the font the system gave it, and is never
        // narrower than designed.
        HWND note = GetDlgItem(d, IDC_OPT_LABEL2);
        const std::wstring noteText = Text(note);
        HDC dc = GetDC(note);
        HGDIOBJ oldFont =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(note, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, noteText.c_str(), static_cast<int>(noteText.size()), &extent);
        SelectObject(dc, oldFont);
        ReleaseDC(note, dc);
        RECT noteRect;
        GetClientRect(note, &noteRect);
        EXPECT_GE(noteRect.right, extent.cx);
        EXPECT_GE(PixelsToTwips(noteRect.right, dpi), 1215 - 1440 / dpi);

        EXPECT_EQ(PreviewLook(d),
                  Expected(d, L"IPAGothic", 14, false, true, 0x0000C0FF, 0x00203040));
        UserClick(d, IDC_OPT_CANCEL);
    }));
}

TEST_F(Options, WithNoticesOffTheirOptionsAreDisabledButShowTheirChecks) {
    WriteDword(L"Notice Window Pos", 1);
    WriteString(L"Wave FilePath", L"C:\\a.wav");
    auto main = StartMain();
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        const auto expectEnabled = [&](bool on) {
            for (int id : {IDC_OPT_AOPT2, IDC_OPT_AOPT3, IDC_OPT_WAVE, IDC_OPT_WAVEBROWSE}) {
                EXPECT_EQ(Enabled(d, id), on) << id;
            }
            for (int id : {IDC_OPT_ALERT1, IDC_OPT_ALERT2, IDC_OPT_ALERT3}) {
                EXPECT_TRUE(Enabled(d, id)) << "the notice texts always: " << id;
            }
        };
        EXPECT_FALSE(Checked(d, IDC_OPT_ALERT));
        EXPECT_TRUE(Checked(d, IDC_OPT_AOPT2));
        expectEnabled(false);
        EXPECT_EQ(TextOf(d, IDC_OPT_INTERVAL), L"1000") << "the first run's interval";

        UserClick(d, IDC_OPT_ALERT);
        expectEnabled(true);
        EXPECT_TRUE(Checked(d, IDC_OPT_AOPT2)) << "enabling does not change the check";
        EXPECT_FALSE(Checked(d, IDC_OPT_AOPT3));
        UserClick(d, IDC_OPT_AOPT3);
        UserClick(d, IDC_OPT_ALERT);
        expectEnabled(false);
        EXPECT_TRUE(Checked(d, IDC_OPT_AOPT3)) << "disabling keeps the check";
        UserClick(d, IDC_OPT_APPLY);
    }));
    EXPECT_EQ(ReadDword(L"Notice"), 0u);
    EXPECT_EQ(ReadDword(L"Notice Window Pos"), 1u);
    EXPECT_EQ(ReadDword(L"Play Wave"), 1u) << "checks of disabled options are stored as they stand";
    EXPECT_EQ(ReadString(L"Wave FilePath"), L"C:\\a.wav");
}

// ---- Confirming ----------------------------------------------------------------------------

TEST_F(Options, ChangingEveryControlAndConfirmingStoresAndAppliesIt) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND display = main->Control(IDC_RICHTEXT);
    ShowLines(display);
    const UINT intervalBefore = main->TimerInterval();
    ui.fontAnswer = FontChoice{L"IPAGothic", 14, true, true};
    // A path handed back with NULs after it is cut at the first one.
    ui.openAnswers = {std::wstring(L"C:\\sounds\\chime.wav\0\0\0", 22)};

    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        for (int id :
             {IDC_OPT_CHLOAD1, IDC_OPT_CHLOAD2, IDC_OPT_CHLOAD3, IDC_OPT_CHLOAD4, IDC_OPT_CHLOAD5,
              IDC_OPT_CHUNLOAD1, IDC_OPT_CHUNLOAD2, IDC_OPT_ALERT, IDC_OPT_AOPT2, IDC_OPT_AOPT3}) {
            UserClick(d, id);
        }
        Type(d, IDC_OPT_INTERVAL, L"250");
        UserClick(d, IDC_OPT_WAVEBROWSE);
        EXPECT_EQ(TextOf(d, IDC_OPT_WAVE), L"C:\\sounds\\chime.wav");
        Type(d, IDC_OPT_ALERT1, L"ERROR");
        Type(d, IDC_OPT_ALERT2, L"警告");
        Type(d, IDC_OPT_ALERT3, L"致命的");
        UserClick(d, IDC_OPT_FONT);
        ui.colorAnswer = RGB(200, 0, 0);
        UserClick(d, IDC_OPT_FORECOLOR);
        ui.colorAnswer = RGB(255, 255, 224);
        UserClick(d, IDC_OPT_BACKCOLOR);

        // The preview shows the choices; the display waits for "設定".
        EXPECT_EQ(PreviewLook(d),
                  Expected(d, L"IPAGothic", 14, true, true, RGB(200, 0, 0), RGB(255, 255, 224)));
        EXPECT_EQ(DisplayBackground(display), RGB(255, 255, 255));
        EXPECT_EQ(main->display().strCurFontName, L"ＭＳ Ｐゴシック");
        EXPECT_FALSE(ValueExists(L"Font Name"));

        UserClick(d, IDC_OPT_APPLY);
        EXPECT_FALSE(IsWindow(d)) << "設定 closes the dialog";
    }));

    // The prompts started from what the display showed and belonged to the dialog.
    ASSERT_EQ(ui.fontInitials.size(), 1u);
    EXPECT_EQ(ui.fontInitials[0].name, L"ＭＳ Ｐゴシック");
    EXPECT_EQ(ui.fontInitials[0].size, 9);
    EXPECT_EQ(ui.colorInitials, (std::vector<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255)}));
    EXPECT_EQ(ui.openPatterns, (std::vector<std::wstring>{L"*.wav"}));
    ASSERT_EQ(ui.openOwners.size(), 1u);
    EXPECT_NE(ui.openOwners[0], main->hwnd())
        << "an open dialog owned by the disabled main window would enable it as it closes";

    const RegSnapshot expected = {
        {L"Load Window Size", Dw(1)},
        {L"Load Right Scroll", Dw(1)},
        {L"Load Window Proc", Dw(1)},
        {L"Load File Search", Dw(1)},
        {L"Load Book Mark", Dw(1)},
        {L"Insert Text", Dw(1)},
        {L"Window Pos", Dw(1)},
        {L"Read Interval", Dw(250)},
        {L"Back Color", Dw(RGB(255, 255, 224))},
        {L"Fore Color", Dw(RGB(200, 0, 0))},
        {L"Font Name", Sz(L"IPAGothic")},
        {L"Font Size", Dw(14)},
        {L"Bold", Dw(1)},
        {L"Italic", Dw(1)},
        {L"Notice", Dw(1)},
        {L"Blink", Dw(0)},
        {L"Notice Window Pos", Dw(1)},
        {L"Play Wave", Dw(1)},
        {L"Wave FilePath", Sz(L"C:\\sounds\\chime.wav")},
        {L"Notice String1", Sz(L"ERROR")},
        {L"Notice String2", Sz(L"警告")},
        {L"Notice String3", Sz(L"致命的")},
    };
    EXPECT_EQ(Snapshot(), expected) << "the 22 values with their names and types, nothing else";

    // The running program took the settings: notices from the next tick, font and colours
    // at once, every line already shown recoloured, the caret at the end.
    const Settings& s = main->settings();
    EXPECT_TRUE(s.Notice && s.PlayWave);
    EXPECT_EQ(s.NoticeString[1], L"警告");
    EXPECT_EQ(s.WaveFilePath, L"C:\\sounds\\chime.wav");
    EXPECT_EQ(main->display().strCurForeColor, std::to_wstring(RGB(200, 0, 0)));
    EXPECT_EQ(main->display().strCurBackColor, std::to_wstring(RGB(255, 255, 224)));
    const CHARFORMAT2W cf = WholeTextFormat(display);
    EXPECT_TRUE(cf.dwMask & CFM_COLOR) << "one colour for all the text";
    EXPECT_EQ(cf.crTextColor, RGB(200, 0, 0));
    EXPECT_STREQ(cf.szFaceName, L"IPAGothic");
    EXPECT_EQ(cf.yHeight, 14 * 20);
    EXPECT_EQ(cf.dwEffects & (CFE_BOLD | CFE_ITALIC), static_cast<DWORD>(CFE_BOLD | CFE_ITALIC));
    EXPECT_EQ(DisplayBackground(display), RGB(255, 255, 224));
    CHARRANGE sel{};
    SendMessageW(display, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    EXPECT_EQ(sel.cpMin, sel.cpMax);
    EXPECT_EQ(static_cast<size_t>(sel.cpMax), DisplayLength(*main));

    // The timer keeps its period until the next start.
    EXPECT_EQ(main->TimerInterval(), intervalBefore);
    main.reset();
    EXPECT_EQ(StartMain()->TimerInterval(), 250u);
}

// ---- Discarding ----------------------------------------------------------------------------

TEST_F(Options, CancelEscapeAndCloseBoxDiscardEverythingAFontIncluded) {
    Seed();
    auto main = StartMain();
    HWND display = main->Control(IDC_RICHTEXT);
    ShowLines(display);
    ASSERT_EQ(WholeTextFormat(display).dwMask & CFM_COLOR, 0u) << "the lines have own colours";
    // What the program holds and shows: the settings the dialog changes, the display's state
    // and the font and background of its text.
    const auto state = [&] {
        const Settings& s = main->settings();
        const DisplayState& ds = main->display();
        const CHARFORMAT2W f = WholeTextFormat(display);
        return std::tuple(s.ReadInterval, s.NoticeString, s.LoadWindowSize, s.Notice, s.FontName,
                          ds.strCurFontName, ds.lngCurFontSize, ds.blnCurBold, ds.strCurForeColor,
                          ds.strCurBackColor, std::wstring(f.szFaceName), f.yHeight,
                          f.dwMask & CFM_COLOR, DisplayBackground(display));
    };
    const auto before = state();
    ui.fontAnswer = FontChoice{L"IPAMincho", 20, true, false};
    ui.colorAnswer = RGB(1, 2, 3);

    const std::pair<const char*, std::function<void(HWND)>> ways[] = {
        {"キャンセル", [](HWND d) { UserClick(d, IDC_OPT_CANCEL); }},
        {"close box", [](HWND d) { SendMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Escape",
         [](HWND d) {
             // Through the dialog's own loop, as a key press arrives.
             PostMessageW(GetDlgItem(d, IDC_OPT_ALERT1), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
         }},
    };
    for (const auto& [name, close] : ways) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
            for (int id : {IDC_OPT_CHLOAD1, IDC_OPT_CHLOAD2, IDC_OPT_CHUNLOAD1, IDC_OPT_ALERT}) {
                UserClick(d, id);
            }
            Type(d, IDC_OPT_INTERVAL, L"500");
            Type(d, IDC_OPT_ALERT1, L"changed");
            SetWindowTextW(GetDlgItem(d, IDC_OPT_WAVE), L"C:\\other.wav");
            UserClick(d, IDC_OPT_FONT);
            UserClick(d, IDC_OPT_FORECOLOR);
            UserClick(d, IDC_OPT_BACKCOLOR);
            close(d);
        }));
        EXPECT_EQ(Snapshot(), kSeed);
        EXPECT_EQ(state(), before);
    }

    // The next opening previews the display's font, not the one chosen and discarded. Prompts
    // cancelled there change nothing, and "設定" stores every setting as it was, but "Blink",
    // which is stored 0.
    ui.fontAnswer.reset();
    ui.colorAnswer.reset();
    ui.colorInitials.clear();
    ui.fontOwners.clear();
    ui.colorOwners.clear();
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        const Look look = Expected(d, L"IPAGothic", 14, false, true, 0x0000C0FF, 0x00203040);
        EXPECT_EQ(PreviewLook(d), look);
        EXPECT_EQ(TextOf(d, IDC_OPT_INTERVAL), L"250");
        for (int id : {IDC_OPT_FONT, IDC_OPT_FORECOLOR, IDC_OPT_BACKCOLOR, IDC_OPT_WAVEBROWSE}) {
            UserClick(d, id);
        }
        EXPECT_EQ(ui.fontOwners, (std::vector<HWND>{d}));
        EXPECT_EQ(ui.colorOwners, (std::vector<HWND>{d, d}));
        EXPECT_EQ(ui.colorInitials, (std::vector<COLORREF>{0x0000C0FF, 0x00203040}));
        EXPECT_EQ(ui.openPatterns, std::vector<std::wstring>{L"*.wav"});
        EXPECT_EQ(PreviewLook(d), look);
        EXPECT_EQ(TextOf(d, IDC_OPT_WAVE), L"C:\\sounds\\鐘.wav");
        UserClick(d, IDC_OPT_APPLY);
    }));
    RegSnapshot expected = kSeed;
    expected[L"Blink"] = Dw(0);
    EXPECT_EQ(Snapshot(), expected);
    EXPECT_FALSE(main->settings().Blink);
}

// ---- The reading interval ------------------------------------------------------------------

TEST_F(Options, IntervalMustBeAWholeNumberFrom1To99999) {
    WriteDword(L"Read Interval", 700);
    const RegSnapshot before = Snapshot();
    auto main = StartMain();
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        HWND box = GetDlgItem(d, IDC_OPT_INTERVAL);
        // Pasted or left empty: refused, with the dialog kept open and the focus on the box.
        for (const wchar_t* text : {L"", L"abc", L"0"}) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
            ui.messages.clear();
            SetWindowTextW(box, text);
            UserClick(d, IDC_OPT_APPLY);
            ASSERT_TRUE(IsWindow(d)) << "the dialog stays open";
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].caption, L"エラー");
            EXPECT_EQ(ui.messages[0].text, kIntervalRefused);
            EXPECT_EQ(ui.messages[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
            EXPECT_EQ(GetFocus(), box);
            EXPECT_EQ(Snapshot(), before) << "nothing is stored";
        }
        EXPECT_EQ(main->settings().ReadInterval, 700);

        // Typed: letters do not go in, and a sixth digit does not either.
        Type(d, IDC_OPT_INTERVAL, L"abc");
        EXPECT_EQ(TextOf(d, IDC_OPT_INTERVAL), L"");
        Type(d, IDC_OPT_INTERVAL, L"100000");
        EXPECT_EQ(TextOf(d, IDC_OPT_INTERVAL), L"10000");

        ui.messages.clear();
        Type(d, IDC_OPT_INTERVAL, L"250");
        UserClick(d, IDC_OPT_APPLY);
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_FALSE(IsWindow(d));
    }));
    EXPECT_EQ(ReadDword(L"Read Interval"), 250u);
    EXPECT_EQ(main->settings().ReadInterval, 250);
}

// ---- Around the dialog: the timer and always-on-top ---------------------------------------

// While the dialog is open the follow timer is off and, with always-on-top on, the windows
// leave the topmost band; afterwards both are as they were.
TEST_F(Options, TimerAndTopmostAreSuspendedWhileTheDialogIsOpen) {
    auto main = StartMain();
    HWND h = main->hwnd();
    HWND bookmarks = main->Bookmarks().hwnd();
    HWND search = main->FileSearch().hwnd();
    ChooseMenu(h, IDM_BOOKMARK);
    ChooseMenu(h, IDM_WINPOS);
    main->EnableTimer(true);
    ASSERT_TRUE(IsTopMost(h) && IsTopMost(bookmarks));
    // A hidden side window is left alone: not released, not shown.
    SetWindowPos(search, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_FALSE(IsWindowVisible(search));

    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        EXPECT_FALSE(main->TimerEnabled());
        EXPECT_FALSE(IsTopMost(h));
        EXPECT_FALSE(IsTopMost(bookmarks));
        EXPECT_TRUE(IsTopMost(search));
        EXPECT_FALSE(IsWindowVisible(search));
        EXPECT_EQ(main->TopMost(), 1) << "the switch itself stays on";
        UserClick(d, IDC_OPT_CANCEL);
    }));
    EXPECT_TRUE(main->TimerEnabled());
    EXPECT_TRUE(IsTopMost(h));
    EXPECT_TRUE(IsTopMost(bookmarks));
    EXPECT_FALSE(IsWindowVisible(search));
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_WINPOS), L"常に手前に表示 OFF(&T)");

    main->EnableTimer(false);
    ChooseMenu(h, IDM_WINPOS);
    ASSERT_FALSE(IsTopMost(h));
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) { UserClick(d, IDC_OPT_APPLY); }));
    EXPECT_FALSE(main->TimerEnabled()) << "a timer that was off stays off";
    EXPECT_FALSE(IsTopMost(h)) << "with the switch off nothing becomes topmost";
    EXPECT_FALSE(IsTopMost(bookmarks));
}

// While the dialog is open no other window of the program takes input: a double-click on a
// bookmark opens nothing. However the dialog closes, every window takes input again.
TEST_F(Options, NoOtherWindowTakesInputWhileTheDialogIsOpen) {
    TempDir dir;
    auto main = StartMain();
    ASSERT_TRUE(main);
    MoveWindowTo(main->hwnd(), 40, 420);
    for (int item : {IDM_BOOKMARK, IDM_FILESEARCH, IDM_VER}) ChooseMenu(main->hwnd(), item);
    ASSERT_TRUE(main->About());
    BookmarkWindow& bookmarks = main->Bookmarks();
    const HWND windows[] = {main->hwnd(), bookmarks.hwnd(), main->FileSearch().hwnd(),
                            main->About()->hwnd()};
    HWND list = bookmarks.Control(IDC_LSTFILELIST);
    const std::pair<const char*, std::function<void(HWND)>> ways[] = {
        {"キャンセル", [](HWND d) { UserClick(d, IDC_OPT_CANCEL); }},
        {"設定", [](HWND d) { UserClick(d, IDC_OPT_APPLY); }},
        {"close box", [](HWND d) { SendMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(ways[i].first);
        const std::wstring log = dir.path(std::to_wstring(i) + L".log");
        WriteFileBytes(log, "line\r\n");
        bookmarks.AddList(log);
        // The right end of the new entry, clear of the dialog that overlaps the main window.
        RECT item{};
        SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        POINT at{item.right - 8, (item.top + item.bottom) / 2};
        ClientToScreen(list, &at);
        ASSERT_EQ(WindowFromPoint(at), list);
        const std::wstring before = main->FilePath();
        ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
            const RECT dialog = WindowRect(d);
            ASSERT_FALSE(PtInRect(&dialog, at));
            for (HWND w : windows) EXPECT_FALSE(IsWindowEnabled(w)) << w;
            SystemDoubleClick(at);
            EXPECT_EQ(main->FilePath(), before) << "nothing is opened under the dialog";
            ways[i].second(d);
        }));
        for (HWND w : windows) EXPECT_TRUE(IsWindowEnabled(w)) << w;
        SystemDoubleClick(at);
        EXPECT_EQ(main->FilePath(), log);
    }
}

// ---- The system's own dialogs --------------------------------------------------------------

// Wine's captions, found by listing the dialogs the buttons open.
constexpr wchar_t kFontDialogCaption[] = L"フォントの指定";
constexpr wchar_t kColorDialogCaption[] = L"色";

// A font and a colour chosen in the system's dialogs, and a colour dialog cancelled.
TEST(OptionsRealDialogs, FontAndColourChosenInTheSystemDialogsAreStoredAndShown) {
    ClearConfig();
    auto main = StartMain();
    bool found[3] = {};
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        {
            DialogWatcher watcher(kFontDialogCaption, [](HWND fd) {
                HWND faces = GetDlgItem(fd, cmb1);
                const auto face = SendMessageW(faces, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                               reinterpret_cast<LPARAM>(L"IPAゴシック"));
                SendMessageW(faces, CB_SETCURSEL, static_cast<WPARAM>(face), 0);
                SendMessageW(fd, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(faces));
                HWND sizes = GetDlgItem(fd, cmb3);
                SendMessageW(sizes, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(L"14"));
                SendMessageW(fd, WM_COMMAND, MAKEWPARAM(cmb3, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(sizes));
                PostMessageW(fd, WM_COMMAND, IDOK, 0);
            });
            UserClick(d, IDC_OPT_FONT);
            found[0] = watcher.Found();
        }
        {
            DialogWatcher watcher(kColorDialogCaption, [](HWND cd) {
                SetDlgItemTextW(cd, COLOR_RED, L"12");
                SetDlgItemTextW(cd, COLOR_GREEN, L"34");
                SetDlgItemTextW(cd, COLOR_BLUE, L"56");
                PostMessageW(cd, WM_COMMAND, IDOK, 0);
            });
            UserClick(d, IDC_OPT_FORECOLOR);
            found[1] = watcher.Found();
        }
        {
            DialogWatcher watcher(kColorDialogCaption, [](HWND cd) {
                SetDlgItemTextW(cd, COLOR_RED, L"99");
                PostMessageW(cd, WM_COMMAND, IDCANCEL, 0);
            });
            UserClick(d, IDC_OPT_BACKCOLOR);
            found[2] = watcher.Found();
        }
        EXPECT_EQ(PreviewLook(d), Expected(d, L"IPAゴシック", 14, false, false, RGB(12, 34, 56),
                                           RGB(255, 255, 255)));
        UserClick(d, IDC_OPT_APPLY);
    }));
    EXPECT_TRUE(found[0] && found[1] && found[2]) << found[0] << found[1] << found[2];
    EXPECT_EQ(ReadString(L"Font Name"), L"IPAゴシック");
    EXPECT_EQ(ReadDword(L"Font Size"), 14u);
    EXPECT_EQ(ReadDword(L"Fore Color"), static_cast<DWORD>(RGB(12, 34, 56)));
    EXPECT_EQ(ReadDword(L"Back Color"), static_cast<DWORD>(RGB(255, 255, 255)));
    EXPECT_STREQ(WholeTextFormat(main->Control(IDC_RICHTEXT)).szFaceName, L"IPAゴシック");
    ClearConfig();
}

// The system's open dialog cancelled and the message box of a refused interval: the options
// dialog keeps the path and stays modal.
TEST(OptionsRealDialogs, CancelledWaveBrowseAndRefusedIntervalKeepTheDialogModal) {
    ClearConfig();
    WriteDword(L"Notice", 1);
    WriteString(L"Wave FilePath", L"C:\\sounds\\old.wav");
    auto main = StartMain();
    bool foundOpen = false, foundError = false;
    std::wstring text;
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        {
            DialogWatcher watcher(L"ファイルを開く",
                                  [](HWND od) { PostMessageW(od, WM_COMMAND, IDCANCEL, 0); });
            UserClick(d, IDC_OPT_WAVEBROWSE);
            foundOpen = watcher.Found();
        }
        EXPECT_EQ(TextOf(d, IDC_OPT_WAVE), L"C:\\sounds\\old.wav");
        EXPECT_FALSE(IsWindowEnabled(main->hwnd())) << "after the open dialog";
        {
            DialogWatcher watcher(L"エラー", [&](HWND box) {
                text = MessageBoxText(box);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            });
            SetWindowTextW(GetDlgItem(d, IDC_OPT_INTERVAL), L"");
            UserClick(d, IDC_OPT_APPLY);
            foundError = watcher.Found();
        }
        EXPECT_TRUE(IsWindow(d));
        EXPECT_FALSE(IsWindowEnabled(main->hwnd())) << "after the message box";
        UserClick(d, IDC_OPT_CANCEL);
    }));
    EXPECT_TRUE(foundOpen);
    EXPECT_TRUE(foundError);
    EXPECT_EQ(text, kIntervalRefused);
    EXPECT_FALSE(ValueExists(L"Read Interval"));
    ClearConfig();
}

}  // namespace
}  // namespace zr::test
