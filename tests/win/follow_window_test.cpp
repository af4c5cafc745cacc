// The real main window following a log: what the display shows (FollowView), and the buttons,
// insertions, encoding menu and notices (FollowControls).
#include <gtest/gtest.h>
#include <richedit.h>

#include <cstdio>

#include "follow/timestamp.h"
#include "harness.h"

namespace zr::test {
namespace {

LRESULT Send(MainWindow& main, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    return SendMessageW(main.Control(IDC_RICHTEXT), msg, wp, lp);
}

CHARRANGE Selection(MainWindow& main) {
    CHARRANGE range{};
    Send(main, EM_EXGETSEL, 0, LPARAM(&range));
    return range;
}

// Whether the line of the character at `pos` (by default the last one) is on screen.
bool InView(MainWindow& main, std::optional<size_t> pos = {}) {
    POINTL at{};
    SendMessageW(main.Control(IDC_RICHTEXT), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at),
                 static_cast<LPARAM>(pos.value_or(DisplayLength(main) - 2)));
    RECT client;
    GetClientRect(main.Control(IDC_RICHTEXT), &client);
    return at.y >= client.top && at.y < client.bottom;
}

LRESULT FirstVisible(MainWindow& main) {
    return Send(main, EM_GETFIRSTVISIBLELINE);
}

std::wstring LineAt(MainWindow& main, LRESULT line) {
    std::wstring text(4096, L'\0');
    text[0] = static_cast<wchar_t>(text.size() - 1);  // the buffer's size, as the message wants
    text.resize(size_t(Send(main, EM_GETLINE, WPARAM(line), LPARAM(text.data()))));
    return text;
}

// Scrolls to the top as a user does, by the scroll bar, the wheel or Page Up in turn, until
// no older text comes in; the line at the top of the view stays there at every step.
void ScrollToTheTop(MainWindow& main) {
    for (int round = 0; round < 1000; ++round) {
        if (round % 3 == 0) {
            Send(main, WM_VSCROLL, SB_TOP);
        } else {  // one line below the top, the caret on it, then one notch or one key
            Send(main, EM_LINESCROLL, 0, 1 - FirstVisible(main));
            const LRESULT at = Send(main, EM_LINEINDEX, WPARAM(FirstVisible(main)));
            Send(main, EM_SETSEL, WPARAM(at), at);
            if (round % 3 == 1) Send(main, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA));
            if (round % 3 == 2) Send(main, WM_KEYDOWN, VK_PRIOR);
        }
        const size_t before = DisplayLength(main);
        const std::wstring top = LineAt(main, 0);
        if (!PumpUntil([&] { return DisplayLength(main) > before; }, 500)) return;
        EXPECT_EQ(LineAt(main, FirstVisible(main)), top) << "the line read jumped";
    }
}

// Numbered lines of 1,002 bytes each, with CR LF, from line `from` on, until there are `bytes`.
std::string Lines(const char* prefix, size_t bytes, int from = 0) {
    std::string text;
    char line[1003];
    for (int i = from; text.size() < bytes; ++i)
        text +=
            (std::snprintf(line, sizeof line, "%-4.4s line %06d%984s\r\n", prefix, i, ""), line);
    return text;
}

// Keys pressed as the keyboard presses them, with a modifier held when asked.
void PressKey(BYTE key, BYTE modifier = 0, int pumpMs = 100) {
    if (modifier) keybd_event(modifier, 0, 0, 0);
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    if (modifier) keybd_event(modifier, 0, KEYEVENTF_KEYUP, 0);
    Pump(pumpMs);
}

class FollowView : public ConfigTest {
  protected:
    // The log holding `start`, followed, its first pass over.
    std::unique_ptr<MainWindow> Following(const std::string& start, UINT intervalMs = 50) {
        WriteFileBytes(log, start);
        auto main = StartFollowing(intervalMs);
        main->OpenFile(log);
        EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));
        return main;
    }
    // An empty log grown by `bytes`, read by a pass of many steps now under way; their text.
    std::wstring StartLongPass(MainWindow& main, size_t bytes) {
        WriteFileBytes(log, "");
        main.OpenFile(log);
        const std::string text = Lines("long", bytes);
        WriteFileBytes(log, text, true);
        EXPECT_TRUE(PumpOneUntil([&] { return Label1(main) == kReading; }));
        return ExpectedDisplay(text);
    }
    TempDir dir;
    std::wstring log = dir.path(L"app.log");
};
class FollowControls : public FollowView {};

// A writer splitting lines, CR LF and characters anywhere, and sharing only reading (insertions
// are refused): after every pass the display is the file's text up to a whole character.
TEST_F(FollowView, HostileWriterIsShownExactlyAndWholeCharactersAfterEveryPass) {
    auto main = Following("", 20);
    WriterProcess writer({L"stress", log, L"20240607", L"2"});  // less than the bound
    SetWindowTextW(main->Control(IDC_TEXT1), L"inserted");
    std::vector<std::pair<size_t, std::wstring>> passes;  // what was shown: length and end
    while (writer.Running()) {
        PumpOne();
        const size_t n = DisplayLength(*main);
        if (n > 0 && (passes.empty() || passes.back().first != n)) {
            passes.emplace_back(n, DisplayTail(*main, 4));
        }
        if (passes.size() == 5 && ui.messages.empty()) {
            Click(main->hwnd(), IDC_COMMAND5);
            Click(main->hwnd(), IDC_COMMAND4);
        }
    }
    EXPECT_EQ(writer.Wait(), 0) << "the writer was refused";
    const std::wstring expected = ExpectedDisplay(ReadFileBytes(log));
    EXPECT_GT(passes.size(), 5u) << "followed while it was written";
    for (const auto& [n, end] : passes) {
        ASSERT_EQ(end, expected.substr(n - end.size(), end.size())) << "shown after a pass: " << n;
    }
    PumpUntil([&] { return DisplayLength(*main) >= expected.size(); }, 10000);
    EXPECT_TRUE(DisplayText(*main) == expected) << "the display is not the file's text";
    EXPECT_EQ(expected.find(L"inserted"), std::wstring::npos);
    ASSERT_EQ(ui.messages.size(), 2u);
    for (const auto& m : ui.messages) EXPECT_EQ(m.text, L"ファイルに書き込めません。\n" + log);
}

// The end shown at once; scrolling up while stopped and a writer goes on takes older text in,
// the view not jumping, up to the whole file; after resuming the display shows its end again.
TEST_F(FollowView, OpenShowsTheEndAtOnceAndScrollingUpTakesInOlderText) {
    const std::string text = Lines("old", 200'000) + "last line\r\n";
    WriteFileBytes(log, text);
    auto main = StartFollowing();
    main->OpenFile(log);
    EXPECT_TRUE(DisplayText(*main).ends_with(L"\rlast line\r"));
    EXPECT_LT(DisplayLength(*main), 100'000u) << "only the end is taken in at first";
    EXPECT_TRUE(InView(*main));
    // Neither text from before a restart (the file rewritten longer in place, read again below
    // what is shown) nor from before クリア comes in by scrolling up, nor by Ctrl+Home.
    auto olds = [&] {
        const std::wstring shown = DisplayText(*main);
        size_t n = 0;
        for (size_t at = shown.find(L"old  line"); at != std::wstring::npos;
             at = shown.find(L"old  line", at + 1)) {
            ++n;
        }
        return n;
    };
    for (const bool clear : {false, true}) {
        main->OpenFile(log);
        const size_t before = DisplayLength(*main);
        if (clear) Click(main->hwnd(), IDC_COMMAND3);
        if (!clear) WriteFileBytes(log, Lines("new", 220'000));
        ASSERT_TRUE(PumpUntil(
            [&] { return Label1(*main).empty() && (clear || DisplayLength(*main) != before); }));
        const std::wstring shown = DisplayText(*main);
        const size_t old = olds();
        Send(*main, WM_VSCROLL, SB_TOP);
        Pump(300);
        SetForegroundWindow(main->hwnd());
        if (clear) PressKey(VK_HOME, VK_CONTROL);
        EXPECT_TRUE(clear ? DisplayText(*main) == shown : olds() <= old)
            << "text from before a restart or クリア came in";
        WriteFileBytes(log, text);
    }
    main->OpenFile(log);
    Click(main->hwnd(), IDC_COMMAND1);
    WriterProcess writer({L"stress", log, L"7", L"2"});
    ScrollToTheTop(*main);
    EXPECT_TRUE(DisplayText(*main) == ExpectedDisplay(text));
    EXPECT_EQ(writer.Wait(), 0);
    Click(main->hwnd(), IDC_COMMAND2);
    EXPECT_TRUE(InView(*main)) << "resuming brings the end back";
    const std::wstring all = ExpectedDisplay(ReadFileBytes(log));
    EXPECT_TRUE(PumpUntil(
        [&] {
            return Label1(*main).empty() &&
                   DisplayText(*main).ends_with(all.substr(all.size() - 64));
        },
        30000));
    EXPECT_TRUE(IsLatestWholeLines(DisplayText(*main), all, 16 * 1000));
}

// The number of the line of Lines() shown on the display's line `line`.
int LineNumber(MainWindow& main, LRESULT line) {
    return std::stoi(LineAt(main, line).substr(10, 6));
}

// Every line of a log four times the bound is reached by paging up from its end and down again,
// each page touching the one before, the line at the top staying in place as text comes in;
// at the end the display follows again.
TEST_F(FollowView, EveryLineOfALogSeveralTimesTheBoundIsReachedUpAndDown) {
    const int lines = 1000;
    WriteFileBytes(log, Lines("", lines * 1002));
    auto main = StartFollowing();
    ShowWindow(main->hwnd(), SW_MAXIMIZE);
    main->OpenFile(log);
    RECT client;
    GetClientRect(main->Control(IDC_RICHTEXT), &client);
    POINTL corner{0, client.bottom - 1};
    const auto page =
        Send(*main, EM_EXLINEFROMCHAR, 0, Send(*main, EM_CHARFROMPOS, 0, LPARAM(&corner))) -
        FirstVisible(*main) + 1;
    for (const bool up : {true, false}) {
        int first = LineNumber(*main, FirstVisible(*main));
        for (int step = 0; step < 1000; ++step) {
            Send(*main, WM_KEYDOWN, up ? VK_PRIOR : VK_NEXT);
            const int now = LineNumber(*main, FirstVisible(*main));
            Pump();
            ASSERT_EQ(LineNumber(*main, FirstVisible(*main)), now) << "the line read moved";
            ASSERT_LE(DisplayLength(*main), LogView::kBound);
            ASSERT_LE(std::abs(now - first), page) << "lines were passed over";
            if (now == first && (!up || now == 0)) break;
            first = now;
        }
        if (up) {
            EXPECT_EQ(first, 0) << "the top";
        }
    }
    EXPECT_TRUE(InView(*main));
    WriteFileBytes(log, "after all\r\n", true);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main).ends_with(L"\rafter all\r"); }));
}

// A line of 48 KiB of NUL bytes (a file's hole) between short ones: scrolling up goes through
// it a part at a time, the display never holding much of it (the control takes seconds over a
// long paragraph under Wine), to the line above it, and down again to the line below.
TEST_F(FollowView, ALongLineIsScrolledThroughAPartAtATime) {
    auto main = Following("above\r\n" + std::string(48 << 10, '\0') + "\r\nbelow\r\n");
    EXPECT_TRUE(DisplayText(*main).ends_with(L"\xFFFD\rbelow\r")) << "the end, as it opened";
    for (const bool up : {true, false}) {
        const auto there = [&] {
            const std::wstring shown = DisplayText(*main);
            return up ? shown.starts_with(L"above\r\xFFFD") : shown.ends_with(L"\xFFFD\rbelow\r");
        };
        int scrolls = 0;
        for (; scrolls < 40 && !there(); ++scrolls) {
            ASSERT_LE(DisplayLength(*main), 9u << 10) << scrolls;
            Send(*main, WM_VSCROLL, up ? SB_TOP : SB_BOTTOM);
            Pump();
        }
        EXPECT_TRUE(there()) << up;
        EXPECT_GT(scrolls, 10) << "a part at each scroll, not the whole line at once";
    }
}

// The note over the display's corner, where the display stands and whether there is more.
std::wstring Note(MainWindow& main) {
    for (HWND w = nullptr; (w = FindWindowExW(main.hwnd(), w, L"STATIC", nullptr));) {
        if (IsWindowVisible(w) && Text(w).find(L'%') != std::wstring::npos) return Text(w);
    }
    return L"";
}

// A hostile writer followed while the display shows the file's first lines: the passes read on
// and the display stays, saying there is more; Ctrl+End shows the file's end exactly.
TEST_F(FollowView, AwayFromTheEndTheDisplayStaysAndCtrlEndShowsTheEndExactly) {
    auto main = Following(Lines("head", 1'100'000), 20);
    SetForegroundWindow(main->hwnd());
    SetFocus(main->Control(IDC_RICHTEXT));
    PressKey(VK_HOME, VK_CONTROL);
    const std::wstring start = DisplayText(*main);
    EXPECT_TRUE(start.starts_with(ExpectedDisplay(Lines("head", 1002))));
    EXPECT_EQ(Note(*main), L"0%");
    WriterProcess writer({L"stress", log, L"20240611", L"3"});
    while (writer.Running()) PumpOne();
    EXPECT_EQ(writer.Wait(), 0);
    EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));
    EXPECT_TRUE(DisplayText(*main) == start) << "the display moved";
    EXPECT_EQ(Note(*main), L"0% ・ 新しい行があります (Ctrl+End)");
    PressKey(VK_END, VK_CONTROL);
    const std::wstring all = ExpectedDisplay(ReadFileBytes(log));
    EXPECT_TRUE(IsLatestWholeLines(DisplayText(*main), all, 16 * 1000));
    EXPECT_TRUE(InView(*main));
    EXPECT_EQ(Note(*main), L"");
    // クリア away from the end: the display follows the end again, and nothing read before
    // comes back when scrolled to the top.
    PressKey(VK_HOME, VK_CONTROL);
    Click(main->hwnd(), IDC_COMMAND3);
    WriteFileBytes(log, "after\r\n", true);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main).ends_with(L"after\r"); }));
    Send(*main, WM_VSCROLL, SB_TOP);
    Pump(300);
    EXPECT_EQ(std::pair(DisplayText(*main), Note(*main)),
              std::pair(std::wstring(L"after\r"), std::wstring()));
}

// Past the bound, lines leave the top whole, a few at a time or by the display set anew on the
// end. A burst larger than the display, read through or of 100 MiB, is not pushed through it:
// its end is shown at once, and a notice string in the middle of the larger still acts, once.
TEST_F(FollowView, ABurstOf100MiBShowsItsEndAndItsNoticesAct) {
    WriteDword(L"Notice", 1);
    WriteDword(L"Play Wave", 1);
    WriteString(L"Notice String1", L"NEEDLE");
    auto main = Following("start\r\n");
    std::string all = "start\r\n";
    for (int i = 0; i < 12; ++i) {  // 48 lines a pass, then 1 MiB at once
        const std::string more = Lines("grow", i < 11 ? 48'000 : 1 << 20, i * 48);
        WriteFileBytes(log, more, true);
        all += more;
        const std::wstring expected = ExpectedDisplay(all);
        ASSERT_TRUE(PumpUntil(
            [&] { return DisplayTail(*main, 2004) == expected.substr(expected.size() - 2004); }));
        EXPECT_TRUE(IsLatestWholeLines(DisplayText(*main), expected, 16 * 1000)) << i;
        EXPECT_LE(DisplayLength(*main), LogView::kBound);
    }
    const std::string half = Lines("bur", 50 << 20);
    WriteFileBytes(log, half + "NEEDLE\r\n" + half, true);
    const std::wstring end = ExpectedDisplay(half.substr(half.size() - 100 * 1002));
    ASSERT_TRUE(PumpUntil([&] { return DisplayTail(*main, 2004) == end.substr(end.size() - 2004); },
                          30000));
    EXPECT_TRUE(IsLatestWholeLines(DisplayText(*main), end, 50 * 1000));
    EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }, 60000));
    EXPECT_EQ(ui.sounds.size(), 1u);
}

// The buttons 読込中止 読込再開 クリア 時刻挿入 文章挿入, "1" for each one enabled.
std::string Buttons(MainWindow& main) {
    std::string states;
    for (int i = 0; i < 5; ++i)
        states += IsWindowEnabled(main.Control(IDC_COMMAND1 + i)) ? '1' : '0';
    return states;
}

// A long pass gives way: stop ends it showing what it read, a key is served meanwhile, an open
// abandons it (and, stopped, follows again), closing ends it.
TEST_F(FollowControls, StopResumeOpenAndCloseWithAPassUnderWay) {
    auto main = StartFollowing();
    const std::wstring all = StartLongPass(*main, 250'000);  // two steps, within the bound
    EXPECT_EQ(Buttons(*main), "10111");
    Click(main->hwnd(), IDC_COMMAND1);
    EXPECT_EQ(Buttons(*main), "01100");
    EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));
    const std::wstring stopped = DisplayText(*main);
    EXPECT_TRUE(all.starts_with(stopped) && stopped.size() < all.size()) << stopped.size();
    Pump(200);
    EXPECT_EQ(DisplayLength(*main), stopped.size()) << "read while stopped";
    Click(main->hwnd(), IDC_COMMAND2);
    EXPECT_EQ(Buttons(*main), "10111");
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == all; })) << "what it read is kept";

    const std::wstring other = dir.path(L"other.log");
    WriteFileBytes(other, "other\r\n");
    StartLongPass(*main, 4u << 20);
    HWND text1 = main->Control(IDC_TEXT1);
    SetForegroundWindow(main->hwnd());
    SetFocus(text1);
    PressKey('Q', 0, 0);
    EXPECT_TRUE(PumpOneUntil([&] { return !Text(text1).empty(); }));
    EXPECT_EQ(Label1(*main), kReading) << "the key waited for the whole pass";
    main->OpenFile(other);
    Pump(300);
    EXPECT_EQ(DisplayText(*main), L"other\r") << "nothing of the earlier file after the open";
    Click(main->hwnd(), IDC_COMMAND1);
    main->OpenFile(other);
    EXPECT_EQ(Buttons(*main), "10111");
    WriteFileBytes(other, "more\r\n", true);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"other\rmore\r"; }));

    StartLongPass(*main, 2u << 20);
    SendMessageW(main->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump(300);  // steps still queued find no window to work on
    EXPECT_FALSE(main->exists());
}

// Held by another program that shares nothing in the middle of a pass: Label1 says so, no box;
// the rest, and what that program wrote meanwhile, come after.
TEST_F(FollowView, UnreadableFileIsReportedInLabel1) {
    auto main = StartFollowing();
    const std::wstring all = StartLongPass(*main, 250'000);
    {
        UniqueFile held(
            CreateFileW(log.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, 0));
        ASSERT_TRUE(held);
        EXPECT_TRUE(PumpUntil([&] { return Label1(*main) == kUnreadable; }));
        EXPECT_TRUE(all.starts_with(DisplayText(*main)) && DisplayLength(*main) < all.size());
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(held.get(), "held\r\n", 6, &written, nullptr));
    }
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == all + L"held\r"; }));
    EXPECT_EQ(Label1(*main), L"");
    EXPECT_TRUE(ui.messages.empty());
}

std::wstring Selected(MainWindow& main) {
    std::wstring text(size_t(Selection(main).cpMax - Selection(main).cpMin) + 1, L'\0');
    text.resize(size_t(Send(main, EM_GETSELTEXT, 0, LPARAM(text.data()))));
    return text;
}

// Find goes over the whole file from the selection, the display moving to the match: up from
// the end to the first line, F3 and Shift+F3 on either way, down to the last line, and across
// the bytes a search step reads, inside a UTF-8 character; "not found" only past the file's
// start. A pass leaves the match; Ctrl+End brings the end back; Ctrl+A Ctrl+C copy the display.
TEST_F(FollowView, FindGoesOverTheWholeFileAndCopyTakesTheDisplay) {
    std::string text;
    char line[32];
    for (int i = 0; i < 50'000; ++i) text += (std::snprintf(line, 32, "line %05d\r\n", i), line);
    auto main = Following(text);
    SetForegroundWindow(main->hwnd());
    SetFocus(main->Control(IDC_RICHTEXT));
    PressKey('F', VK_CONTROL);
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] { return (dialog = FindShownWindow(GetCurrentProcessId(), L"#32770")) != nullptr; }));
    auto find = [&](const wchar_t* what, bool down, bool matchCase = false) {
        SetDlgItemTextW(dialog, 0x480, what);      // the text box
        CheckDlgButton(dialog, 0x411, matchCase);  // 大文字と小文字を区別する
        CheckRadioButton(dialog, 0x420, 0x421, down ? 0x421 : 0x420);
        const LONG before = Selection(*main).cpMin;
        // Over when a match is selected or "not found" was said (a pass shares Label1, and the
        // window sliding on the way moves the old selection).
        const size_t said = ui.messages.size();
        SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        EXPECT_TRUE(PumpUntil(
            [&] {
                return ui.messages.size() != said || (Selection(*main).cpMin != before &&
                                                      !lstrcmpiW(Selected(*main).c_str(), what));
            },
            30000));
        return Selected(*main);
    };
    EXPECT_EQ(find(L"LINE 0000", false), L"line 0000");
    EXPECT_EQ(Selection(*main).cpMin, 9 * 11) << "the nearest match above the end: line 9";
    EXPECT_TRUE(DisplayText(*main).starts_with(L"line 00000\r")) << "the display is at the match";
    EXPECT_TRUE(InView(*main, Selection(*main).cpMin));
    SetForegroundWindow(main->hwnd());
    PressKey(VK_F3);
    EXPECT_EQ(Selection(*main).cpMin, 8 * 11);
    PressKey(VK_F3, VK_SHIFT);
    EXPECT_EQ(Selection(*main).cpMin, 9 * 11);
    WriteFileBytes(log, "appended \x93\xf1\x8d\x73\x96\xda\r\n", true);  // 二行目
    ASSERT_TRUE(PumpUntil([&] { return Note(*main).ends_with(L"新しい行があります (Ctrl+End)"); }));
    EXPECT_EQ(Selection(*main).cpMin, 9 * 11) << "the pass left the match selected";
    for (int i = 0; i < 9; ++i) PressKey(VK_F3);
    EXPECT_EQ(Selection(*main).cpMin, 0);
    PressKey(VK_F3);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"「LINE 0000」が見つかりません。");
    EXPECT_EQ(Selection(*main).cpMin, 0);
    EXPECT_EQ(find(L"二行目", true, true), L"二行目") << "down to the last line";

    // Ctrl+End follows the end again; Ctrl+A Ctrl+C copy what the display holds.
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }));
    SetForegroundWindow(main->hwnd());
    SetFocus(main->Control(IDC_RICHTEXT));
    PressKey(VK_END, VK_CONTROL);
    WriteFileBytes(log, "after\r\n", true);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main).ends_with(L"\rafter\r"); }));
    EXPECT_EQ(static_cast<size_t>(Selection(*main).cpMin), DisplayLength(*main));
    PressKey('A', VK_CONTROL);
    PressKey('C', VK_CONTROL);
    ASSERT_TRUE(OpenClipboard(main->hwnd()));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const std::wstring copied = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
    if (data) GlobalUnlock(data);
    CloseClipboard();
    std::wstring shown;
    for (wchar_t c : DisplayText(*main))
        shown += c == L'\r' ? std::wstring(L"\r\n") : std::wstring(1, c);
    EXPECT_TRUE(copied == shown && shown.starts_with(L"line ")) << copied.size();

    // A UTF-8 log of 4 MiB: 上検索 across the 4 MiB a step reads from its start (upwards), 下検索
    // across the 4 MiB from its second line (downwards, from Ctrl+Home).
    std::string utf8 = "first line\r\n";
    while (utf8.size() + 164 < (4 << 20)) utf8 += std::string(98, 'u') + "\r\n";
    utf8 += std::string((4 << 20) - 66 - utf8.size(), 'v') + "\r\n" + std::string(60, 'a');
    utf8 +=
        "\xe4\xb8\x8a\xe6\xa4\x9c\xe7\xb4\xa2\r\nb\xe4\xb8\x8b\xe6\xa4\x9c\xe7\xb4\xa2\r\nlast "
        "line\r\n";
    WriteFileBytes(log, utf8);
    main->OpenFile(log);
    PressKey('F', VK_CONTROL);
    ASSERT_TRUE(PumpUntil(
        [&] { return (dialog = FindShownWindow(GetCurrentProcessId(), L"#32770")) != nullptr; }));
    EXPECT_EQ(std::pair(IsDlgButtonChecked(dialog, 0x421), IsDlgButtonChecked(dialog, 0x411)),
              std::pair(1u, 1u))
        << "the dialog opens again with the switches of the last search";
    EXPECT_EQ(find(L"上検索", false), L"上検索");
    SetForegroundWindow(main->hwnd());
    SetFocus(main->Control(IDC_RICHTEXT));
    PressKey(VK_HOME, VK_CONTROL);
    EXPECT_EQ(find(L"下検索", true), L"下検索");
    EXPECT_EQ(find(L"LAST", true), L"last");
    EXPECT_EQ(find(L"LINE", false, true), L"last") << "found with its case: nowhere";
    EXPECT_EQ(find(L"irst", false), L"irst") << "up to the first line";
    EXPECT_EQ(ui.messages.size(), 2u);
}

// "時刻挿入" and "文章挿入" append in the log's encoding, UTF-8 of every length and UTF-16 pairs
// in either order, with a mark or without, read back and shown; a character it lacks writes
// nothing.
TEST_F(FollowControls, InsertionsAppendInTheLogsEncodingOrNothing) {
    const std::string sjisStart = "start \x8a\x4a\x8e\x6e\r\n";  // 開始
    const std::u16string start = u"start 開始\r\n", typed = u"a語\U0001F600";
    struct Row {
        std::string start;  // the log before the insertion
        int button;
        std::wstring typed;
        std::string appended;  // empty: nothing written
        const wchar_t* refusal;
    } rows[] = {
        {sjisStart, IDC_COMMAND5, L"### 作業開始 ###",
         "### \x8d\xec\x8b\xc6\x8a\x4a\x8e\x6e ###\r\n", nullptr},
        {"\xef\xbb\xbfstart \xe9\x96\x8b\xe5\xa7\x8b\r\n", IDC_COMMAND5, L"aé語\U0001F600",
         "a\xc3\xa9\xe8\xaa\x9e\xf0\x9f\x98\x80\r\n", nullptr},
        {"start \xe9\x96\x8b\xe5\xa7\x8b\r\n", IDC_COMMAND4, L"", "#2006-05-17 14:03:22#\r\n",
         nullptr},
        {Utf16(start, true), IDC_COMMAND5, L"a語\U0001F600", Utf16(typed + u"\r\n", true), nullptr},
        {"\xfe\xff" + Utf16(start, false), IDC_COMMAND5, L"a語\U0001F600",
         Utf16(typed + u"\r\n", false), nullptr},
        {"\xff\xfe" + Utf16(start, true), IDC_COMMAND4, L"",
         Utf16(u"#2006-05-17 14:03:22#\r\n", true), nullptr},
        {sjisStart, IDC_COMMAND5, L"ok \U0001F600", "",
         L"「\U0001F600」(U+1F600) はこのファイルの文字コード Shift_JIS では書き込めません。\n"
         L"何も書き込みませんでした。"},
    };
    SetClock([] { return LocalTime{2006, 5, 17, 14, 3, 22}; });
    auto main = StartFollowing();
    for (const Row& row : rows) {
        SCOPED_TRACE(Hex(row.start));
        ui.messages.clear();
        WriteFileBytes(log, row.start);
        main->OpenFile(log);
        const std::wstring shown = DisplayText(*main);
        EXPECT_TRUE(shown.ends_with(L"開始\r"));
        SetWindowTextW(main->Control(IDC_TEXT1), row.typed.c_str());
        Click(main->hwnd(), row.button);
        EXPECT_EQ(Hex(ReadFileBytes(log)), Hex(row.start + row.appended));
        ASSERT_EQ(ui.messages.size(), row.refusal ? 1u : 0u);
        EXPECT_EQ(row.refusal ? ui.messages[0].text : L"", row.refusal ? row.refusal : L"");
        const std::wstring added =
            row.button == IDC_COMMAND4 ? L"#2006-05-17 14:03:22#" : row.typed;
        EXPECT_TRUE(PumpUntil(
            [&] { return DisplayText(*main) == shown + (row.refusal ? L"" : added + L"\r"); }));
    }
    SetClock({});
}

// The encoding menu reads the file again in the encoding chosen, its mark never shown; a new
// open finds it anew.
TEST_F(FollowControls, EncodingChosenFromTheMenuReadsTheFileAgain) {
    const std::string utf8 = "\xef\xbb\xbf\xe6\x97\xa5\xe6\x9c\xac\r\n";  // 日本, marked
    auto main = Following(utf8);
    const std::pair<int, std::wstring> rows[] = {
        {EncodingItem(TextEncoding::CodePage), ExpectedDisplay(utf8)},  // read as Shift_JIS
        {EncodingItem(TextEncoding::Utf8), L"日本\r"},
        {EncodingItem(TextEncoding::Utf16Le), L"\xbbef\xe6bf\xa597\x9ce6\x0dac"},
        {EncodingItem(TextEncoding::Auto), L"日本\r"},  // by a new open
    };
    for (const auto& [item, shown] : rows) {
        item == EncodingItem(TextEncoding::Auto) ? main->OpenFile(log)
                                                 : ChooseMenu(main->hwnd(), item);
        EXPECT_EQ(DisplayText(*main), shown) << item;
        EXPECT_TRUE(GetMenuState(GetMenu(main->hwnd()), item, MF_BYCOMMAND) & MF_CHECKED) << item;
    }
}

// True when `upper` lies above `lower` among the top-level windows.
bool Above(HWND upper, HWND lower) {
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == upper || w == lower) return w == upper;
    }
    return false;
}

// Each string found acts once per pass (also in text before the end an open shows), raising
// the window and playing the sound, each only when switched on.
TEST_F(FollowControls, NoticesRaiseTheWindowAndSoundOncePerStringPerPass) {
    WriteString(L"Notice String1", L"ERROR");
    WriteString(L"Notice String3", L"警告");
    WriteString(L"Wave FilePath", L"C:\\alert.wav");
    HWND cover = CreateWindowExW(0, L"STATIC", L"cover", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200,
                                 nullptr, nullptr, nullptr, nullptr);
    struct Row {
        DWORD notice, raise, sound;
    } rows[] = {{1, 0, 1}, {1, 1, 0}, {0, 1, 1}, {1, 1, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.notice << row.raise << row.sound);
        WriteDword(L"Notice", row.notice);
        WriteDword(L"Notice Window Pos", row.raise);
        WriteDword(L"Play Wave", row.sound);
        ui.sounds.clear();
        auto main = Following("old \x8c\x78\x8d\x90\r\n" + Lines("pad", 100'000));
        const size_t sounds = row.notice && row.sound ? 1 : 0;
        EXPECT_EQ(ui.sounds.size(), sounds) << "the string in the text before the end shown";
        auto raisedBy = [&](const std::string& bytes) {
            SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            WriteFileBytes(log, bytes, true);
            const std::wstring end = ExpectedDisplay(bytes);
            EXPECT_TRUE(PumpUntil([&] { return DisplayTail(*main, end.size()) == end; }));
            Pump(100);
            return Above(main->hwnd(), cover);
        };
        EXPECT_EQ(raisedBy("ERROR one\r\nERROR two\r\n\x8c\x78\x8d\x90 three\r\nERROR four\r\n"),
                  row.notice && row.raise);
        EXPECT_EQ(ui.sounds.size(), 3 * sounds) << "two strings found";
        EXPECT_FALSE(raisedBy("no string here\r\n")) << "a pass without a string";
        EXPECT_EQ(ui.sounds.size(), 3 * sounds);
    }
    DestroyWindow(cover);
    // A line left unfinished does not join the first line of the file opened next.
    ui.sounds.clear();
    auto main = Following("ok\r\nERR");
    main->OpenFile((WriteFileBytes(log, "OR, another file\r\n"), log));
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"OR, another file\r"; }));
    EXPECT_TRUE(ui.sounds.empty());
}

}  // namespace
}  // namespace zr::test
