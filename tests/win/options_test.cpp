// The options dialog, opened from the Tools menu as a user opens it: every test runs the
// real modal loop and acts on the dialog from inside it, through a thread timer.
#include <gtest/gtest.h>
#include <windows.h>

#include <colordlg.h>
#include <dlgs.h>
#include <richedit.h>

#include <map>

#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "common/twips.h"
#include "filesearch/file_search_window_win.h"
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

struct Preview {
    LOGFONTW font{};
    COLORREF fore = CLR_INVALID;
    COLORREF back = CLR_INVALID;
    COLORREF brush = CLR_INVALID;
};

// The preview's font and colours as the box is drawn with them.
Preview ReadPreview(HWND dialog) {
    Preview p;
    HWND box = GetDlgItem(dialog, IDC_OPT_PREVIEW);
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)), sizeof(p.font),
               &p.font);
    HDC dc = GetDC(box);
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
        dialog, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)));
    p.fore = GetTextColor(dc);
    p.back = GetBkColor(dc);
    LOGBRUSH lb{};
    if (brush && GetObjectW(brush, sizeof(lb), &lb)) p.brush = lb.lbColor;
    ReleaseDC(box, dc);
    return p;
}

int DialogDpi(HWND dialog) {
    return WindowDpi(dialog);
}

// ---- The registry and the display ---------------------------------------------------------

struct RegValue {
    DWORD type = 0;
    DWORD number = 0;
    std::wstring text;
    bool operator==(const RegValue&) const = default;
};
using RegSnapshot = std::map<std::wstring, RegValue>;

RegSnapshot Snapshot() {
    RegSnapshot out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return out;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLen = 256, type = 0, size = 0;
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        RegValue v;
        v.type = type;
        if (type == REG_DWORD) {
            v.number = *ReadDword(name);
        } else {
            v.text = ReadString(name).value_or(L"<unreadable>");
        }
        out[name] = v;
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

LONG DisplayLength(HWND display) {
    GETTEXTLENGTHEX gtl{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(
        SendMessageW(display, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gtl), 0));
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

// A seed that differs from every default, with alternating switches.
void SeedSettings() {
    WriteDword(L"Load Window Size", 0);
    WriteDword(L"Load Right Scroll", 1);
    WriteDword(L"Load Window Proc", 0);
    WriteDword(L"Load File Search", 1);
    WriteDword(L"Load Book Mark", 0);
    WriteDword(L"Insert Text", 1);
    WriteDword(L"Window Pos", 0);
    WriteDword(L"Read Interval", 250);
    WriteDword(L"Back Color", 0x00203040);
    WriteDword(L"Fore Color", 0x0000C0FF);
    WriteString(L"Font Name", L"IPAGothic");
    WriteDword(L"Font Size", 14);
    WriteDword(L"Bold", 0);
    WriteDword(L"Italic", 1);
    WriteDword(L"Notice", 1);
    WriteDword(L"Blink", 1);
    WriteDword(L"Notice Window Pos", 0);
    WriteDword(L"Play Wave", 1);
    WriteString(L"Wave FilePath", L"C:\\sounds\\鐘.wav");
    WriteString(L"Notice String1", L"ERROR");
    WriteString(L"Notice String2", L"");
    WriteString(L"Notice String3", L"致命的");
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
    std::wstring OpenFileDialog(HWND owner, const std::wstring& pattern) override {
        openOwners.push_back(owner);
        return ScriptedUi::OpenFileDialog(owner, pattern);
    }
    std::vector<HWND> fontOwners, colorOwners, openOwners;
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
    SeedSettings();
    auto main = StartMain();
    ASSERT_TRUE(main);
    SetWindowPos(main->hwnd(), nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const RECT mainRect = [&] {
        RECT r;
        GetWindowRect(main->hwnd(), &r);
        return r;
    }();
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        EXPECT_EQ(Text(d), L" 動作設定");
        EXPECT_EQ(GetWindow(d, GW_OWNER), main->hwnd());
        EXPECT_FALSE(IsWindowEnabled(main->hwnd())) << "modal: the main window takes no input";
        const LONG style = GetWindowLongW(d, GWL_STYLE);
        EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
        EXPECT_EQ(GetMenu(d), nullptr);
        RECT client, outer;
        GetClientRect(d, &client);
        GetWindowRect(d, &outer);
        const int dpi = DialogDpi(d);
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
        EXPECT_EQ(TextOf(d, IDC_OPT_INTERVAL), L"250");
        EXPECT_EQ(TextOf(d, IDC_OPT_WAVE), L"C:\\sounds\\鐘.wav");
        EXPECT_EQ(TextOf(d, IDC_OPT_ALERT1), L"ERROR");
        EXPECT_EQ(TextOf(d, IDC_OPT_ALERT2), L"");
        EXPECT_EQ(TextOf(d, IDC_OPT_ALERT3), L"致命的");
        EXPECT_EQ(TextOf(d, IDC_OPT_PREVIEW), kPreviewText);

        // The pink note shows its whole text in the font the system gave it.
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
        EXPECT_EQ(noteText, L"※1000で約1秒");
        EXPECT_GE(noteRect.right, extent.cx);
        EXPECT_GE(PixelsToTwips(noteRect.right, dpi), 1215 - 1440 / dpi)
            << "never narrower than designed";

        const Preview p = ReadPreview(d);
        EXPECT_STREQ(p.font.lfFaceName, L"IPAGothic");
        EXPECT_EQ(p.font.lfHeight, -MulDivRound(14, dpi, 72));
        EXPECT_EQ(p.font.lfWeight, FW_NORMAL);
        EXPECT_TRUE(p.font.lfItalic);
        EXPECT_EQ(p.fore, 0x0000C0FFu);
        EXPECT_EQ(p.back, 0x00203040u);
        EXPECT_EQ(p.brush, 0x00203040u) << "the whole box, not only behind the letters";
        UserClick(d, IDC_OPT_CANCEL);
    }));
    EXPECT_TRUE(IsWindowEnabled(main->hwnd()));
}

TEST_F(Options, WithNoticesOffTheirOptionsAreDisabledButShowTheirChecks) {
    WriteDword(L"Notice Window Pos", 1);
    WriteString(L"Wave FilePath", L"C:\\a.wav");
    auto main = StartMain();
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        EXPECT_FALSE(Checked(d, IDC_OPT_ALERT));
        EXPECT_TRUE(Checked(d, IDC_OPT_AOPT2));
        const int options[] = {IDC_OPT_AOPT2, IDC_OPT_AOPT3, IDC_OPT_WAVE, IDC_OPT_WAVEBROWSE};
        for (int id : options) EXPECT_FALSE(Enabled(d, id)) << id;
        EXPECT_EQ(TextOf(d, IDC_OPT_INTERVAL), L"1000") << "the first run's interval";

        UserClick(d, IDC_OPT_ALERT);
        for (int id : options) EXPECT_TRUE(Enabled(d, id)) << id;
        EXPECT_TRUE(Checked(d, IDC_OPT_AOPT2)) << "enabling does not change the check";
        EXPECT_FALSE(Checked(d, IDC_OPT_AOPT3));
        UserClick(d, IDC_OPT_AOPT3);
        UserClick(d, IDC_OPT_ALERT);
        for (int id : options) EXPECT_FALSE(Enabled(d, id)) << id;
        EXPECT_TRUE(Checked(d, IDC_OPT_AOPT3)) << "disabling keeps the check";
        for (int id : {IDC_OPT_ALERT1, IDC_OPT_ALERT2, IDC_OPT_ALERT3}) EXPECT_TRUE(Enabled(d, id));
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
    const FontChoice chosenFont{L"IPAGothic", 14, true, true};
    ui.fontAnswer = chosenFont;
    ui.openAnswers = {L"C:\\sounds\\chime.wav"};

    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        for (int id :
             {IDC_OPT_CHLOAD1, IDC_OPT_CHLOAD2, IDC_OPT_CHLOAD3, IDC_OPT_CHLOAD4, IDC_OPT_CHLOAD5,
              IDC_OPT_CHUNLOAD1, IDC_OPT_CHUNLOAD2, IDC_OPT_ALERT, IDC_OPT_AOPT2, IDC_OPT_AOPT3}) {
            UserClick(d, id);
        }
        Type(d, IDC_OPT_INTERVAL, L"250");
        UserClick(d, IDC_OPT_WAVEBROWSE);
        Type(d, IDC_OPT_ALERT1, L"ERROR");
        Type(d, IDC_OPT_ALERT2, L"警告");
        Type(d, IDC_OPT_ALERT3, L"致命的");
        UserClick(d, IDC_OPT_FONT);
        ui.colorAnswer = RGB(200, 0, 0);
        UserClick(d, IDC_OPT_FORECOLOR);
        ui.colorAnswer = RGB(255, 255, 224);
        UserClick(d, IDC_OPT_BACKCOLOR);

        // The preview shows the choices; the display waits for "設定".
        const Preview p = ReadPreview(d);
        EXPECT_STREQ(p.font.lfFaceName, L"IPAGothic");
        EXPECT_EQ(p.font.lfHeight, -MulDivRound(14, DialogDpi(d), 72));
        EXPECT_EQ(p.font.lfWeight, FW_BOLD);
        EXPECT_TRUE(p.font.lfItalic);
        EXPECT_EQ(p.fore, RGB(200, 0, 0));
        EXPECT_EQ(p.back, RGB(255, 255, 224));
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
    EXPECT_TRUE(s.Notice);
    EXPECT_TRUE(s.PlayWave);
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
    EXPECT_EQ(sel.cpMax, DisplayLength(display));

    // The timer keeps its period until the next start.
    EXPECT_EQ(main->TimerInterval(), intervalBefore);
    main.reset();
    auto next = StartMain();
    EXPECT_EQ(next->TimerInterval(), 250u);
}

TEST_F(Options, ConfirmingUntouchedStoresEverySettingAsItWasButBlink) {
    SeedSettings();
    RegSnapshot expected = Snapshot();
    expected[L"Blink"] = Dw(0);
    auto main = StartMain();
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) { UserClick(d, IDC_OPT_APPLY); }));
    EXPECT_EQ(Snapshot(), expected);
    EXPECT_FALSE(main->settings().Blink);
}

// ---- Discarding ----------------------------------------------------------------------------

TEST_F(Options, CancelEscapeAndCloseBoxDiscardEverythingAFontIncluded) {
    SeedSettings();
    const RegSnapshot before = Snapshot();
    auto main = StartMain();
    HWND display = main->Control(IDC_RICHTEXT);
    ShowLines(display);
    const Settings settingsBefore = main->settings();
    const DisplayState displayBefore = main->display();
    const CHARFORMAT2W formatBefore = WholeTextFormat(display);
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
        EXPECT_EQ(Snapshot(), before);
        EXPECT_EQ(main->settings().ReadInterval, settingsBefore.ReadInterval);
        EXPECT_EQ(main->settings().NoticeString, settingsBefore.NoticeString);
        EXPECT_EQ(main->settings().LoadWindowSize, settingsBefore.LoadWindowSize);
        EXPECT_EQ(main->settings().FontName, settingsBefore.FontName);
        EXPECT_EQ(main->display().strCurFontName, displayBefore.strCurFontName);
        EXPECT_EQ(main->display().lngCurFontSize, displayBefore.lngCurFontSize);
        EXPECT_EQ(main->display().blnCurBold, displayBefore.blnCurBold);
        EXPECT_EQ(main->display().strCurForeColor, displayBefore.strCurForeColor);
        EXPECT_EQ(main->display().strCurBackColor, displayBefore.strCurBackColor);
        const CHARFORMAT2W format = WholeTextFormat(display);
        EXPECT_STREQ(format.szFaceName, formatBefore.szFaceName);
        EXPECT_EQ(format.yHeight, formatBefore.yHeight);
        EXPECT_EQ(format.dwMask & CFM_COLOR, 0u) << "the lines keep their own colours";
        EXPECT_EQ(DisplayBackground(display), 0x00203040u);
    }

    // The next opening previews the display's font, not the one chosen and discarded.
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        const Preview p = ReadPreview(d);
        EXPECT_STREQ(p.font.lfFaceName, L"IPAGothic");
        EXPECT_EQ(p.font.lfWeight, FW_NORMAL);
        EXPECT_EQ(p.fore, 0x0000C0FFu);
        EXPECT_EQ(TextOf(d, IDC_OPT_INTERVAL), L"250");
        UserClick(d, IDC_OPT_APPLY);
    }));
    EXPECT_EQ(ReadString(L"Font Name"), L"IPAGothic");
    EXPECT_EQ(ReadDword(L"Font Size"), 14u);
}

TEST_F(Options, CancelledFontAndColourDialogsChangeNothing) {
    SeedSettings();
    auto main = StartMain();
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        const Preview before = ReadPreview(d);
        UserClick(d, IDC_OPT_FONT);  // the seam answers every prompt with a cancel
        UserClick(d, IDC_OPT_FORECOLOR);
        UserClick(d, IDC_OPT_BACKCOLOR);
        EXPECT_EQ(ui.fontOwners, (std::vector<HWND>{d}));
        EXPECT_EQ(ui.colorOwners, (std::vector<HWND>{d, d}));
        EXPECT_EQ(ui.colorInitials, (std::vector<COLORREF>{0x0000C0FF, 0x00203040}));
        const Preview after = ReadPreview(d);
        EXPECT_STREQ(after.font.lfFaceName, before.font.lfFaceName);
        EXPECT_EQ(after.font.lfHeight, before.font.lfHeight);
        EXPECT_EQ(after.fore, before.fore);
        EXPECT_EQ(after.back, before.back);
        UserClick(d, IDC_OPT_APPLY);
    }));
    EXPECT_EQ(ReadString(L"Font Name"), L"IPAGothic");
    EXPECT_EQ(ReadDword(L"Font Size"), 14u);
    EXPECT_EQ(ReadDword(L"Italic"), 1u);
    EXPECT_EQ(ReadDword(L"Fore Color"), 0x0000C0FFu);
    EXPECT_EQ(ReadDword(L"Back Color"), 0x00203040u);
}

TEST_F(Options, BrowsingForTheWaveFileKeepsThePathUnlessOneIsChosen) {
    WriteDword(L"Notice", 1);
    WriteString(L"Wave FilePath", L"C:\\sounds\\old.wav");
    auto main = StartMain();
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        UserClick(d, IDC_OPT_WAVEBROWSE);  // cancelled
        EXPECT_EQ(TextOf(d, IDC_OPT_WAVE), L"C:\\sounds\\old.wav");
        UserClick(d, IDC_OPT_APPLY);
    }));
    EXPECT_EQ(ReadString(L"Wave FilePath"), L"C:\\sounds\\old.wav");

    // A path handed back with NULs after it is cut at the first one.
    ui.openAnswers = {std::wstring(L"C:\\sounds\\new.wav\0\0\0", 20)};
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        UserClick(d, IDC_OPT_WAVEBROWSE);
        EXPECT_EQ(TextOf(d, IDC_OPT_WAVE), L"C:\\sounds\\new.wav");
        UserClick(d, IDC_OPT_APPLY);
    }));
    EXPECT_EQ(ReadString(L"Wave FilePath"), L"C:\\sounds\\new.wav");
    EXPECT_EQ(ui.openPatterns, (std::vector<std::wstring>{L"*.wav", L"*.wav"}));
}

// ---- The reading interval ------------------------------------------------------------------

TEST_F(Options, IntervalMustBeAWholeNumberFrom1To99999) {
    WriteDword(L"Read Interval", 700);
    const RegSnapshot before = Snapshot();
    auto main = StartMain();
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        HWND box = GetDlgItem(d, IDC_OPT_INTERVAL);
        EXPECT_TRUE(GetWindowLongW(box, GWL_STYLE) & ES_RIGHT);
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

TEST_F(Options, FollowTimerIsOffWhileTheDialogIsOpen) {
    auto main = StartMain();
    main->EnableTimer(true);
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        EXPECT_FALSE(main->TimerEnabled());
        UserClick(d, IDC_OPT_CANCEL);
    }));
    EXPECT_TRUE(main->TimerEnabled());

    main->EnableTimer(false);
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) { UserClick(d, IDC_OPT_APPLY); }));
    EXPECT_FALSE(main->TimerEnabled()) << "a timer that was off stays off";
}

TEST_F(Options, WindowsGiveUpTopmostWhileTheDialogIsOpen) {
    auto main = StartMain();
    HWND h = main->hwnd();
    HWND bookmarks = main->Bookmarks().hwnd();
    HWND search = main->FileSearch().hwnd();
    ShowWindow(bookmarks, SW_SHOWNOACTIVATE);
    ChooseMenu(h, IDM_WINPOS);
    ASSERT_TRUE(IsTopMost(h));
    ASSERT_TRUE(IsTopMost(bookmarks));
    // A hidden side window is left alone: not released, not shown.
    SetWindowPos(search, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_FALSE(IsWindowVisible(search));

    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        EXPECT_FALSE(IsTopMost(h));
        EXPECT_FALSE(IsTopMost(bookmarks));
        EXPECT_TRUE(IsTopMost(search));
        EXPECT_FALSE(IsWindowVisible(search));
        EXPECT_EQ(main->TopMost(), 1) << "the switch itself stays on";
        UserClick(d, IDC_OPT_CANCEL);
    }));
    EXPECT_TRUE(IsTopMost(h));
    EXPECT_TRUE(IsTopMost(bookmarks));
    EXPECT_FALSE(IsWindowVisible(search));
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_WINPOS), L"常に手前に表示 OFF(&T)");

    ChooseMenu(h, IDM_WINPOS);
    ASSERT_FALSE(IsTopMost(h));
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) { UserClick(d, IDC_OPT_CANCEL); }));
    EXPECT_FALSE(IsTopMost(h)) << "with the switch off nothing becomes topmost";
    EXPECT_FALSE(IsTopMost(bookmarks));
}

// ---- The system's own dialogs --------------------------------------------------------------

// Wine's captions, found by listing the dialogs the buttons open.
constexpr wchar_t kFontDialogCaption[] = L"フォントの指定";
constexpr wchar_t kColorDialogCaption[] = L"色";

TEST(OptionsRealDialogs, FontChosenInTheSystemDialogIsStoredAndShown) {
    ClearConfig();
    auto main = StartMain();
    bool found = false;
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
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
        found = watcher.Found();
        const Preview p = ReadPreview(d);
        EXPECT_STREQ(p.font.lfFaceName, L"IPAゴシック");
        EXPECT_EQ(p.font.lfHeight, -MulDivRound(14, DialogDpi(d), 72));
        UserClick(d, IDC_OPT_APPLY);
    }));
    EXPECT_TRUE(found);
    EXPECT_EQ(ReadString(L"Font Name"), L"IPAゴシック");
    EXPECT_EQ(ReadDword(L"Font Size"), 14u);
    EXPECT_STREQ(WholeTextFormat(main->Control(IDC_RICHTEXT)).szFaceName, L"IPAゴシック");
    ClearConfig();
}

TEST(OptionsRealDialogs, ColourChosenInTheSystemDialogAndACancelledOne) {
    ClearConfig();
    auto main = StartMain();
    bool foundChoice = false, foundCancel = false;
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        {
            DialogWatcher watcher(kColorDialogCaption, [](HWND cd) {
                SetDlgItemTextW(cd, COLOR_RED, L"12");
                SetDlgItemTextW(cd, COLOR_GREEN, L"34");
                SetDlgItemTextW(cd, COLOR_BLUE, L"56");
                PostMessageW(cd, WM_COMMAND, IDOK, 0);
            });
            UserClick(d, IDC_OPT_FORECOLOR);
            foundChoice = watcher.Found();
        }
        {
            DialogWatcher watcher(kColorDialogCaption, [](HWND cd) {
                SetDlgItemTextW(cd, COLOR_RED, L"99");
                PostMessageW(cd, WM_COMMAND, IDCANCEL, 0);
            });
            UserClick(d, IDC_OPT_BACKCOLOR);
            foundCancel = watcher.Found();
        }
        const Preview p = ReadPreview(d);
        EXPECT_EQ(p.fore, RGB(12, 34, 56));
        EXPECT_EQ(p.back, RGB(255, 255, 255));
        UserClick(d, IDC_OPT_APPLY);
    }));
    EXPECT_TRUE(foundChoice);
    EXPECT_TRUE(foundCancel);
    EXPECT_EQ(ReadDword(L"Fore Color"), static_cast<DWORD>(RGB(12, 34, 56)));
    EXPECT_EQ(ReadDword(L"Back Color"), static_cast<DWORD>(RGB(255, 255, 255)));
    ClearConfig();
}

TEST(OptionsRealDialogs, CancelledWaveBrowseLeavesTheMainWindowDisabled) {
    ClearConfig();
    WriteDword(L"Notice", 1);
    WriteString(L"Wave FilePath", L"C:\\sounds\\old.wav");
    auto main = StartMain();
    bool found = false;
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        DialogWatcher watcher(L"ファイルを開く",
                              [](HWND od) { PostMessageW(od, WM_COMMAND, IDCANCEL, 0); });
        UserClick(d, IDC_OPT_WAVEBROWSE);
        found = watcher.Found();
        EXPECT_EQ(TextOf(d, IDC_OPT_WAVE), L"C:\\sounds\\old.wav");
        EXPECT_FALSE(IsWindowEnabled(main->hwnd())) << "the options dialog is still modal";
        UserClick(d, IDC_OPT_CANCEL);
    }));
    EXPECT_TRUE(found);
    ClearConfig();
}

TEST(OptionsRealDialogs, RefusedIntervalShowsARealErrorBox) {
    ClearConfig();
    auto main = StartMain();
    bool found = false;
    std::wstring text;
    ASSERT_TRUE(WithOptions(*main, [&](HWND d) {
        DialogWatcher watcher(L"エラー", [&](HWND box) {
            wchar_t buf[256] = {};
            GetDlgItemTextW(box, 0xFFFF, buf, 256);
            text = buf;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        SetWindowTextW(GetDlgItem(d, IDC_OPT_INTERVAL), L"");
        UserClick(d, IDC_OPT_APPLY);
        found = watcher.Found();
        EXPECT_TRUE(IsWindow(d));
        UserClick(d, IDC_OPT_CANCEL);
    }));
    EXPECT_TRUE(found);
    EXPECT_EQ(text, kIntervalRefused);
    EXPECT_FALSE(ValueExists(L"Read Interval"));
}

}  // namespace
}  // namespace zr::test
