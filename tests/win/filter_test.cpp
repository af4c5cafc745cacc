// The display with a filter on (only the lines it lets pass, of the whole file, as it grows)
// and with highlight rules (the colours of the lines shown, wherever they come from).
#include <richedit.h>

#include <cstdio>

#include "follow/matcher.h"
#include "harness.h"
#include "highlight/highlighter.h"
#include "highlight/highlight_store_win.h"
#include "mainwindow/filter_bar_win.h"

namespace zr::test {
namespace {

CHARRANGE Selection(HWND display) {
    CHARRANGE range{};
    SendMessageW(display, EM_EXGETSEL, 0, LPARAM(&range));
    return range;
}

class Filter : public ConfigTest {
  protected:
    // Shows the filter bar and types `query` into it; the filter applies after a pause.
    void Type(MainWindow& main, const wchar_t* query, bool exclude = false) {
        if (!IsWindowVisible(main.Control(IDC_FILTER_TEXT))) ChooseMenu(main.hwnd(), IDM_FILTER);
        SendMessageW(main.Control(IDC_FILTER_MODE), CB_SETCURSEL, exclude ? 1 : 0, 0);
        SetWindowTextW(main.Control(IDC_FILTER_TEXT), query);  // the box tells of the change
        Pump(600);
    }
    // The lines of the file that `query` lets pass, as the display shows them; a last line
    // without its end is not shown yet.
    std::wstring Passing(const wchar_t* query, bool exclude = false) {
        const Matcher matcher(query);
        std::wstring all = ExpectedDisplay(ReadFileBytes(log)), out;
        for (size_t at = 0, cr; (cr = all.find(L'\r', at)) != std::wstring::npos; at = cr + 1) {
            const std::wstring_view line(all.data() + at, cr - at);
            if (matcher.Matches(line) != exclude) out.append(all, at, cr - at + 1);
        }
        return out;
    }
    TempDir dir;
    std::wstring log = dir.path(L"app.log");
};

// The hostile writer followed with a filter on: the display is the lines of the whole file
// that pass, at every pass a part of them, and at the end all; hiding matching lines likewise.
// A highlight rule makes the lines go in as rich text, every character of it as it stands.
TEST_F(Filter, AHostileWriterFollowedThroughAFilterShowsThePassingLinesOfTheWholeFile) {
    const HighlightRule rule{L"b", {}, RGB(200, 0, 0), RGB(255, 255, 160), false};
    ASSERT_TRUE(StoreHighlightRules({&rule, 1}, nullptr));
    WriteFileBytes(log, "start a line\r\nno hit here\r\n");
    auto main = StartFollowing(20);
    main->OpenFile(log);
    Type(*main, L"a");
    EXPECT_EQ(DisplayText(*main), L"start a line\r");
    WriterProcess writer({L"stress", log, L"20241207", L"2"});
    int passes = 0;
    for (size_t shown = 0; writer.Running(); PumpOne()) {
        if (DisplayLength(*main) == shown) continue;
        shown = DisplayLength(*main), ++passes;
        ASSERT_TRUE(Passing(L"a").starts_with(DisplayText(*main))) << "after a pass: " << shown;
    }
    EXPECT_EQ(writer.Wait(), 0);
    EXPECT_GT(passes, 5);
    const std::wstring passing = Passing(L"a");
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == passing; }, 10000));
    // Hiding them: the window onto the other lines is set on their end, a few screens at least.
    Type(*main, L"a", true);
    EXPECT_TRUE(PumpUntil(
        [&] { return IsLatestWholeLines(DisplayText(*main), Passing(L"a", true), 16000); }, 10000));
    ChooseMenu(main->hwnd(), IDM_FILTER);  // hidden: every line again, the end first
    EXPECT_TRUE(ExpectedDisplay(ReadFileBytes(log)).ends_with(DisplayText(*main)));
}

// A term only on the first line of a 48 MiB log: the filter scans up a few megabytes at a time,
// saying how far it came, until it shows that line; 読込中止 stops a scan, 読込再開 lets it go
// on; with the filter on, Find searches only the lines that pass.
TEST_F(Filter, ARareTermIsFoundUpTheWholeLogAndFindSearchesThePassingLines) {
    std::string text = "NEEDLE first line\r\n";
    char line[64];
    for (int i = 0; text.size() < (48u << 20); ++i) {
        text += (std::snprintf(line, sizeof line, "%08d plain %s line\r\n", i,
                               i % 1000 ? "" : "needle"),
                 line);
    }
    WriteFileBytes(log, text);
    auto main = StartFollowing();
    main->OpenFile(log);
    ChooseMenu(main->hwnd(), IDM_FILTER);
    SetWindowTextW(main->Control(IDC_FILTER_TEXT), L"NEEDLE first");
    bool progress = false;
    EXPECT_TRUE(PumpOneUntil(
        [&] {
            progress = progress || Label1(*main).starts_with(L"読込中 ");
            return DisplayText(*main) == L"NEEDLE first line\r";
        },
        30000));
    EXPECT_TRUE(progress) << "the scan said how far it came";
    EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));

    // Stopped before the next filter applies: it scans nothing until 読込再開.
    SetWindowTextW(main->Control(IDC_FILTER_TEXT), L"first line");
    Click(main->hwnd(), IDC_COMMAND1);
    Pump(1000);
    EXPECT_EQ(DisplayText(*main), L"") << "the scan went on while stopped";
    EXPECT_EQ(Label1(*main), L"");
    Click(main->hwnd(), IDC_COMMAND2);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"NEEDLE first line\r"; }, 30000));
    EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));

    // Find, upwards from the end, of a text most lines hold: the nearest line that passes.
    Type(*main, L"needle");
    ChooseMenu(main->hwnd(), IDM_FIND);
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] { return (dialog = FindShownWindow(GetCurrentProcessId(), L"#32770")) != nullptr; }));
    SetDlgItemTextW(dialog, 0x480, L"plain");
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] {
        const CHARRANGE r = Selection(main->Control(IDC_RICHTEXT));
        return r.cpMax > r.cpMin;
    }));
    CHARRANGE found = Selection(main->Control(IDC_RICHTEXT));
    const std::wstring shown = DisplayText(*main);
    const size_t lineStart = shown.rfind(L'\r', size_t(found.cpMin)) + 1;
    EXPECT_NE(shown.find(L"needle", lineStart), std::wstring::npos) << "a line the filter shows";
    EXPECT_TRUE(ui.messages.empty());
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

// The colours of a line of the display at character `at`: text and background.
std::pair<COLORREF, COLORREF> ColoursAt(HWND display, size_t at) {
    CHARRANGE keep{}, one{LONG(at), LONG(at + 1)};
    SendMessageW(display, EM_EXGETSEL, 0, LPARAM(&keep));
    SendMessageW(display, EM_EXSETSEL, 0, LPARAM(&one));
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof cf;
    SendMessageW(display, EM_GETCHARFORMAT, SCF_SELECTION, LPARAM(&cf));
    SendMessageW(display, EM_EXSETSEL, 0, LPARAM(&keep));
    return {cf.crTextColor, cf.dwEffects & CFE_AUTOBACKCOLOR ? COLORREF(-1) : cf.crBackColor};
}

// Rules as stored colour every line shown by the first that matches it: in the open's text,
// in older text taken in, after the display is set anew at its bound, after a restart.
TEST_F(Filter, HighlightRulesColourEveryLineShownWhereverItComesFrom) {
    const std::vector<HighlightRule> rules = {
        {L"FATAL", {}, RGB(255, 0, 0), RGB(255, 255, 0), true},
        {L"warn", {}, RGB(0, 0, 255), 0xFFFFFF, false}};
    ASSERT_TRUE(StoreHighlightRules(rules, nullptr));
    auto lines = [](int from, int count) {
        std::string text;
        char line[64];
        for (int i = from; i < from + count; ++i)
            text += (std::snprintf(line, sizeof line, "%06d %s plain text of the log\r\n", i,
                                   i % 7 == 0   ? "FATAL"
                                   : i % 7 == 3 ? "then WARN"
                                                : "ok"),
                     line);
        return text;
    };
    WriteFileBytes(log, lines(0, 30'000));  // over a megabyte: the end is shown first
    auto main = StartFollowing();
    main->OpenFile(log);
    // Every line shown checked against the rules as the matcher reads them.
    const auto expectColoured = [&](const char* when) {
        SCOPED_TRACE(when);
        HWND display = main->Control(IDC_RICHTEXT);  // a new control whenever it is emptied
        const std::wstring shown = DisplayText(*main);
        int fatal = 0, warn = 0;
        for (size_t at = 0, cr; (cr = shown.find(L'\r', at)) != std::wstring::npos; at = cr + 1) {
            const std::wstring_view line(shown.data() + at, cr - at);
            const size_t w = line.find(L"WARN");
            if (line.find(L"FATAL") != line.npos) {
                ++fatal;
                ASSERT_EQ(ColoursAt(display, at), std::pair(RGB(255, 0, 0), RGB(255, 255, 0)));
            } else if (w != line.npos) {
                ++warn;
                ASSERT_EQ(ColoursAt(display, at + w).first, RGB(0, 0, 255));
                ASSERT_EQ(ColoursAt(display, at).first, COLORREF(0)) << "only the match";
            } else if (!line.empty()) {
                ASSERT_EQ(ColoursAt(display, at), std::pair(COLORREF(0), COLORREF(-1)));
            }
            if (fatal + warn > 40) break;  // enough of them, the rest alike
        }
        EXPECT_GT(fatal, 0);
        EXPECT_GT(warn, 0);
    };
    expectColoured("open");
    SendMessageW(main->Control(IDC_RICHTEXT), WM_VSCROLL, SB_TOP, 0);
    EXPECT_TRUE(PumpUntil([&] { return DisplayLength(*main) > 70'000; }));
    expectColoured("older text");
    WriteFileBytes(log, lines(30'000, 6'000), true);  // past the bound at once
    EXPECT_TRUE(
        PumpUntil([&] { return DisplayText(*main).find(L"035999") != std::wstring::npos; }, 10000));
    expectColoured("set anew at the bound");
    WriteFileBytes(log, lines(50'000, 50));  // rewritten: a restart
    EXPECT_TRUE(
        PumpUntil([&] { return DisplayText(*main).find(L"050049") != std::wstring::npos; }));
    expectColoured("restart");
}

}  // namespace
}  // namespace zr::test
