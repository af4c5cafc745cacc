// The read pass at every tick: what reaches the display, in which colour, and how a pass
// shares the window with the user.
#include <gtest/gtest.h>
#include <richedit.h>

#include <cstdio>

#include "common/codepage_win.h"
#include "harness.h"

namespace zr::test {
namespace {

class FollowLoop : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }

    // Appends, then waits until the display holds `expected` and checks that it still does
    // a few ticks later: nothing shown twice.
    void AppendAndExpect(MainWindow& main, const std::string& bytes, const std::wstring& expected) {
        WriteFileBytes(log, bytes, true);
        EXPECT_TRUE(PumpUntil([&] { return DisplayText(main) == expected; }))
            << "after appending " << testing::PrintToString(bytes) << "\n shown "
            << testing::PrintToString(ToAnsi(DisplayText(main)));
        Pump(150);
        EXPECT_EQ(DisplayText(main), expected);
    }

    ScriptedUi ui;
    TempDir dir;
    std::wstring log = dir.path(L"app.log");
};

TEST_F(FollowLoop, EveryLineOnceInFileOrderWhateverItsEnding) {
    WriteFileBytes(log, "crlf\r\ncr\rlf\nlast");
    auto main = StartFollowing();
    main->OpenFile(log);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"crlf\rcr\rlf\rlast"; }));
    EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));

    AppendAndExpect(*main, " continued\r\n", L"crlf\rcr\rlf\rlast continued\r");
    AppendAndExpect(*main, "\r\n", L"crlf\rcr\rlf\rlast continued\r\r");  // an empty line
    AppendAndExpect(*main, "a\r\n\n\r", L"crlf\rcr\rlf\rlast continued\r\ra\r\r\r");
    // A CR that ends one write and the LF that starts the next are one line end.
    const std::wstring base = DisplayText(*main);
    AppendAndExpect(*main, "x\r", base + L"x\r");
    AppendAndExpect(*main, "\ny\r\n", base + L"x\ry\r");
    AppendAndExpect(*main, "1", base + L"x\ry\r1");  // a one-byte line
}

TEST_F(FollowLoop, DoubleByteCharactersAndBrokenBytes) {
    WriteFileBytes(log, "");
    auto main = StartFollowing();
    main->OpenFile(log);
    // "漢字" in Shift_JIS with its second character split between two writes.
    AppendAndExpect(*main, "\x8a\xbf\x8e", L"\u6f22");
    AppendAndExpect(*main, "\x9a\r\n", L"\u6f22\u5b57\r");
    // A NUL shows as a visible replacement and the rest of the line follows it.
    AppendAndExpect(*main, std::string("a\0b\r\n", 5), L"\u6f22\u5b57\ra\ufffdb\r");
    // A lead byte with a line end after it is shown as a broken character; the line end stays.
    const std::wstring before = DisplayText(*main);
    WriteFileBytes(log, "c\x81\r\nd\r\n", true);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main).ends_with(L"\rd\r"); }));
    const std::wstring added = DisplayText(*main).substr(before.size());
    EXPECT_EQ(added.size(), 5u) << testing::PrintToString(ToAnsi(added));
    EXPECT_EQ(added[0], L'c');
    EXPECT_NE(added[1], L'\r');
}

TEST_F(FollowLoop, TextThatLooksLikeFormattedTextStaysPlain) {
    WriteFileBytes(log, "{\\rtf1 {\\b bold}}\r\n{\\urtf1 x}\r\n");
    auto main = StartFollowing();
    main->OpenFile(log);
    EXPECT_TRUE(
        PumpUntil([&] { return DisplayText(*main) == L"{\\rtf1 {\\b bold}}\r{\\urtf1 x}\r"; }));
    AppendAndExpect(*main, "{\\rtf1 later}\r\n",
                    L"{\\rtf1 {\\b bold}}\r{\\urtf1 x}\r{\\rtf1 later}\r");
}

COLORREF ColourOf(MainWindow& main, size_t from, size_t to, DWORD* mask = nullptr) {
    HWND display = main.Control(IDC_RICHTEXT);
    CHARRANGE keep{};
    SendMessageW(display, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    CHARRANGE range{static_cast<LONG>(from), static_cast<LONG>(to)};
    SendMessageW(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    SendMessageW(display, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    SendMessageW(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    if (mask) *mask = cf.dwMask;
    return cf.crTextColor;
}

// What the options dialog does to the colour of text added from now on.
void SetForeColour(MainWindow& main, const wchar_t* colour) {
    main.display().strCurForeColor = colour;
    main.ApplyDisplayState(false);
}

TEST_F(FollowLoop, NewTextTakesTheCurrentColourWithTheEndInView) {
    WriteFileBytes(log, "red line\r\n");
    auto main = StartFollowing();
    SetForeColour(*main, L"255");
    main->OpenFile(log);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"red line\r"; }));
    SetForeColour(*main, L"32768");
    std::string more;
    for (int i = 0; i < 200; ++i) more += "green line " + std::to_string(i) + "\r\n";
    WriteFileBytes(log, more, true);
    ASSERT_TRUE(
        PumpUntil([&] { return DisplayText(*main) == ExpectedDisplay("red line\r\n" + more); }));

    DWORD mask = 0;
    EXPECT_EQ(ColourOf(*main, 0, 8, &mask), RGB(255, 0, 0)) << "earlier text keeps its colour";
    EXPECT_TRUE(mask & CFM_COLOR);
    const size_t length = DisplayLength(*main);
    EXPECT_EQ(ColourOf(*main, 9, length, &mask), RGB(0, 128, 0));
    EXPECT_TRUE(mask & CFM_COLOR) << "one colour over the whole block";

    HWND display = main->Control(IDC_RICHTEXT);
    CHARRANGE sel{};
    SendMessageW(display, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&sel));
    EXPECT_EQ(sel.cpMin, static_cast<LONG>(length)) << "the caret after the block";
    EXPECT_EQ(sel.cpMax, static_cast<LONG>(length));
    // The last line is in view.
    const LRESULT lastLine = SendMessageW(display, EM_EXLINEFROMCHAR, 0, length - 2);
    const LRESULT first = SendMessageW(display, EM_GETFIRSTVISIBLELINE, 0, 0);
    RECT client;
    GetClientRect(display, &client);
    POINTL at{};
    SendMessageW(display, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), length - 2);
    EXPECT_GT(first, 100) << "scrolled down";
    EXPECT_GE(at.y, client.top);
    EXPECT_LT(at.y, client.bottom) << "line " << lastLine << " first visible " << first;
}

TEST_F(FollowLoop, UnreadableFileIsReportedInTheStatusBoxAndPickedUpAgain) {
    WriteFileBytes(log, "before\r\n");
    auto main = StartFollowing();
    main->OpenFile(log);
    ASSERT_TRUE(
        PumpUntil([&] { return DisplayText(*main) == L"before\r" && Label1(*main).empty(); }));

    // Locked by a writer that shares nothing: no box, a word in the status box.
    {
        Writer holder({L"hold", log, L"none", L"1.5", L"held"});
        ASSERT_TRUE(PumpUntil([&] { return Label1(*main) == L"読込不可"; }));
        EXPECT_EQ(holder.Wait(), 0);
    }
    EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));
    EXPECT_TRUE(PumpUntil([&] {
        return DisplayText(*main) == ExpectedDisplay(ReadFileBytes(log));
    })) << "what was written while locked is shown once";

    // Deleted, then back as a new file: shown below what was there.
    const std::wstring kept = DisplayText(*main);
    DeleteFileW(log.c_str());
    EXPECT_TRUE(PumpUntil([&] { return Label1(*main) == L"読込不可"; }));
    Pump(150);
    EXPECT_EQ(Label1(*main), L"読込不可") << "while it lasts";
    EXPECT_TRUE(main->TimerEnabled());
    WriteFileBytes(log, "new file\r\n");
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == kept + L"new file\r"; }));
    EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));
    EXPECT_TRUE(ui.messages.empty());
}

// The display's line `line` (a row of the control), without its end.
std::wstring DisplayLine(MainWindow& main, LRESULT line) {
    HWND display = main.Control(IDC_RICHTEXT);
    const LRESULT from = SendMessageW(display, EM_LINEINDEX, line, 0);
    const LRESULT length = SendMessageW(display, EM_LINELENGTH, from, 0);
    return DisplayText(main).substr(static_cast<size_t>(from), static_cast<size_t>(length));
}

LRESULT FirstVisibleLine(MainWindow& main) {
    return SendMessageW(main.Control(IDC_RICHTEXT), EM_GETFIRSTVISIBLELINE, 0, 0);
}

// Whether the display's last character is within its client area.
bool EndInView(MainWindow& main) {
    HWND display = main.Control(IDC_RICHTEXT);
    const size_t length = DisplayLength(main);
    if (length < 2) return true;
    RECT client;
    GetClientRect(display, &client);
    POINTL at{};
    SendMessageW(display, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), length - 2);
    return at.y >= client.top && at.y < client.bottom;
}

// Scrolls to the top as the user would, by the scroll bar, the wheel or Page Up in turn,
// until no older text comes in; the line at the top stays where it was at every step.
void ScrollToTheTop(MainWindow& main) {
    HWND display = main.Control(IDC_RICHTEXT);
    for (int round = 0; round < 1000; ++round) {
        if (round % 3 == 0) {
            SendMessageW(display, WM_VSCROLL, SB_TOP, 0);
        } else {
            // One line below the top, the caret on that line, then one notch or one key.
            SendMessageW(display, EM_LINESCROLL, 0, 1 - FirstVisibleLine(main));
            const LRESULT at = SendMessageW(display, EM_LINEINDEX, FirstVisibleLine(main), 0);
            SendMessageW(display, EM_SETSEL, at, at);
            if (round % 3 == 1) {
                SendMessageW(display, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
            } else {
                SendMessageW(display, WM_KEYDOWN, VK_PRIOR, 0);
            }
        }
        const size_t before = DisplayLength(main);
        const std::wstring top = DisplayLine(main, 0);
        if (!PumpUntil([&] { return DisplayLength(main) > before; }, 500)) return;
        EXPECT_EQ(DisplayLine(main, FirstVisibleLine(main)), top) << "the line read jumped";
    }
}

// Whether `shown` is the end of `all` beginning at a line start, and holds at least `least`
// characters of it (or all of it).
::testing::AssertionResult IsLatestWholeLines(const std::wstring& shown, const std::wstring& all,
                                              size_t least) {
    if (shown.size() > all.size() || !all.ends_with(shown)) {
        return ::testing::AssertionFailure() << "not the end of the file's text; begins "
                                             << testing::PrintToString(ToAnsi(shown.substr(0, 40)));
    }
    if (shown.size() < all.size() && all[all.size() - shown.size() - 1] != L'\r') {
        return ::testing::AssertionFailure() << "begins inside a line";
    }
    if (shown.size() < std::min(least, all.size())) {
        return ::testing::AssertionFailure() << "only " << shown.size() << " characters";
    }
    return ::testing::AssertionSuccess();
}

// An open shows the end of the log at once; scrolling up takes older text in until the
// display holds the whole file, in order, no line lost or doubled.
TEST_F(FollowLoop, OpenShowsTheEndAtOnceAndScrollingUpTakesInOlderText) {
    const std::string text = ManyLines("old", 200'000) + "last line\r\n";
    WriteFileBytes(log, text);
    auto main = StartFollowing();
    main->OpenFile(log);
    EXPECT_TRUE(DisplayText(*main).ends_with(L"\rlast line\r"));
    EXPECT_LT(DisplayLength(*main), 100'000u) << "only the end is taken in at first";
    EXPECT_TRUE(EndInView(*main));
    EXPECT_EQ(Label1(*main), L"");

    ScrollToTheTop(*main);
    EXPECT_TRUE(DisplayText(*main) == ExpectedDisplay(text));
    // Following goes on below, with the end brought back into view.
    WriteFileBytes(log, "after\r\n", true);
    EXPECT_TRUE(
        PumpUntil([&] { return DisplayText(*main) == ExpectedDisplay(text + "after\r\n"); }));
    EXPECT_TRUE(EndInView(*main));
    // Cleared text does not come back by scrolling.
    Click(main->hwnd(), IDC_COMMAND3);
    WriteFileBytes(log, "new\r\n", true);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"new\r"; }));
    SendMessageW(main->Control(IDC_RICHTEXT), WM_VSCROLL, SB_TOP, 0);
    Pump(300);
    EXPECT_EQ(DisplayText(*main), L"new\r");
}

// Stopped, the user reads older text while the log's writer goes on; after resuming, the
// display holds the file's text, nothing lost or doubled.
TEST_F(FollowLoop, ResumingAfterReadingOlderTextWhileAWriterWroteShowsEverythingOnce) {
    WriteFileBytes(log, ManyLines("before", 300'000));
    auto main = StartFollowing();
    main->OpenFile(log);
    Click(main->hwnd(), IDC_COMMAND1);
    Writer writer({L"stress", log, L"7", L"2"});
    ASSERT_TRUE(writer.Started());
    ScrollToTheTop(*main);
    EXPECT_EQ(writer.Wait(), 0);
    Click(main->hwnd(), IDC_COMMAND2);
    const std::wstring all = ExpectedDisplay(ReadFileBytes(log));
    EXPECT_TRUE(PumpUntil([&] { return DisplayLength(*main) == all.size(); }, 30000));
    EXPECT_TRUE(DisplayText(*main) == all);
}

// Opens an empty log, then appends `bytes` of numbered lines: the pass that reads them takes
// many steps. Returns what was appended once the pass is under way.
std::string StartLongPass(MainWindow& main, const std::wstring& log, const char* prefix,
                          size_t bytes) {
    WriteFileBytes(log, "");
    main.OpenFile(log);
    const std::string text = ManyLines(prefix, bytes);
    WriteFileBytes(log, text, true);
    EXPECT_TRUE(PumpOneUntil([&] { return Label1(main) == kReading; }));
    return text;
}

TEST_F(FollowLoop, WindowServesInputAndPaintBetweenSteps) {
    auto main = StartFollowing();
    const std::wstring all = ExpectedDisplay(StartLongPass(*main, log, "big", 8u << 20));

    // A repaint asked for now happens before the pass is over.
    HWND label = main->Control(IDC_LABEL1);
    InvalidateRect(label, nullptr, TRUE);
    ASSERT_TRUE(GetUpdateRect(label, nullptr, FALSE));
    ASSERT_TRUE(PumpOneUntil([&] { return !GetUpdateRect(label, nullptr, FALSE); }));
    EXPECT_EQ(Label1(*main), kReading) << "the pass is not over yet";

    // So does a key typed now (input comes after posted messages in the queue).
    HWND text1 = main->Control(IDC_TEXT1);
    SetForegroundWindow(main->hwnd());
    SetFocus(text1);
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = 'Q';
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
    EXPECT_TRUE(PumpOneUntil([&] { return !Text(text1).empty(); }));
    EXPECT_EQ(Label1(*main), kReading) << "the key waited for the whole pass";

    // "読込中止" in the middle of the pass ends it, showing what it read; resuming shows the
    // rest, all of it once, within the display's bound.
    Click(main->hwnd(), IDC_COMMAND1);
    Pump(100);
    EXPECT_EQ(Label1(*main), L"");
    const std::wstring stopped = DisplayText(*main);
    EXPECT_FALSE(stopped.ends_with(all.substr(all.size() - 100)));
    Pump(200);
    EXPECT_EQ(DisplayText(*main), stopped);
    Click(main->hwnd(), IDC_COMMAND2);
    EXPECT_TRUE(PumpUntil(
        [&] { return DisplayText(*main).ends_with(all.substr(all.size() - 100)); }, 60000));
    EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));
    EXPECT_TRUE(IsLatestWholeLines(DisplayText(*main), all, LogView::kBound / 2 - 100));
    EXPECT_LE(DisplayLength(*main), LogView::kBound);
}

std::string NumberedLine(int i) {
    char head[32];
    std::snprintf(head, sizeof head, "line %06d ", i);
    std::string line = head;
    line.resize(1000, '.');
    return line + "\r\n";
}

// The display never holds more than its bound: older text comes in only as far as it
// allows, and past it whole lines leave the top, text keeping its colours.
TEST_F(FollowLoop, DisplayKeepsTheLatestCharactersInWholeLinesAndTheirColours) {
    constexpr size_t kBound = LogView::kBound;
    std::string file;
    int lines = 0;
    auto more = [&](size_t count) {
        std::string text;
        for (size_t i = 0; i < count; ++i) text += NumberedLine(lines++);
        file += text;
        return text;
    };
    WriteFileBytes(log, more(200));
    auto main = StartFollowing();
    SetForeColour(*main, L"255");
    main->OpenFile(log);
    auto append = [&](size_t count) {
        const std::string text = more(count);
        WriteFileBytes(log, text, true);
        const std::wstring last = ExpectedDisplay(text.substr(text.size() - 2004));
        EXPECT_TRUE(PumpUntil([&] { return DisplayTail(*main, last.size()) == last; }, 60000));
        EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));
    };
    append(900);
    ScrollToTheTop(*main);
    std::wstring shown = DisplayText(*main);
    EXPECT_LE(shown.size(), kBound);
    EXPECT_TRUE(IsLatestWholeLines(shown, ExpectedDisplay(file), kBound - 5 * 1001));

    // A few lines past the bound push as many whole lines out at the top.
    append(20);
    shown = DisplayText(*main);
    EXPECT_LE(shown.size(), kBound);
    EXPECT_TRUE(IsLatestWholeLines(shown, ExpectedDisplay(file), kBound - 25 * 1001));
    DWORD mask = 0;
    EXPECT_EQ(ColourOf(*main, 0, shown.size(), &mask), RGB(255, 0, 0));
    EXPECT_TRUE(mask & CFM_COLOR);

    // Text of two colours keeps both when many lines go at once.
    SetForeColour(*main, L"32768");
    append(100);
    SetForeColour(*main, L"16711680");
    append(200);
    shown = DisplayText(*main);
    EXPECT_LE(shown.size(), kBound);
    EXPECT_TRUE(IsLatestWholeLines(shown, ExpectedDisplay(file), kBound / 2 - 1001));
    const size_t blue = 200 * 1001;
    EXPECT_EQ(ColourOf(*main, shown.size() - blue, shown.size(), &mask), RGB(0, 0, 255));
    EXPECT_TRUE(mask & CFM_COLOR);
    EXPECT_EQ(ColourOf(*main, shown.size() - blue - 100 * 1001, shown.size() - blue, &mask),
              RGB(0, 128, 0));
    EXPECT_TRUE(mask & CFM_COLOR);
}

TEST_F(FollowLoop, OpenDuringAPassAbandonsIt) {
    const std::wstring other = dir.path(L"other.log");
    WriteFileBytes(other, "other only\r\n");
    auto main = StartFollowing();
    StartLongPass(*main, log, "old", 4u << 20);
    main->OpenFile(other);
    EXPECT_EQ(DisplayText(*main), L"other only\r");
    Pump(300);
    EXPECT_EQ(DisplayText(*main), L"other only\r") << "nothing of the old file after the open";
}

TEST_F(FollowLoop, ClosingDuringAPassEndsIt) {
    for (int way = 0; way < 2; ++way) {
        auto main = StartFollowing();
        StartLongPass(*main, log, "closing", 4u << 20);
        if (way == 0) {
            SendMessageW(main->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
        } else {
            ui.messageAnswer = IDOK;
            ChooseMenu(main->hwnd(), IDM_EXIT);
        }
        EXPECT_FALSE(main->exists());
        Pump(300);  // steps still queued must find no window to work on
        EXPECT_FALSE(main->exists());
    }
}

}  // namespace
}  // namespace zr::test
