// The read pass at every tick: what reaches the display, in which colour, and how a pass
// shares the window with the user.
#include <gtest/gtest.h>
#include <richedit.h>

#include <cstdio>

#include "common/codepage_win.h"
#include "follow_helpers.h"

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

TEST_F(FollowLoop, NewTextTakesTheCurrentColourWithTheEndInView) {
    WriteFileBytes(log, "red line\r\n");
    auto main = StartFollowing();
    main->display().strCurForeColor = L"255";
    main->OpenFile(log);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"red line\r"; }));
    main->display().strCurForeColor = L"32768";
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

TEST_F(FollowLoop, StatusBoxReadsReadingUntilTheFirstPassEnds) {
    const std::string text = ManyLines("first", 1u << 20);
    WriteFileBytes(log, text);
    const std::wstring expected = ExpectedDisplay(text);
    auto main = StartFollowing();
    main->OpenFile(log);
    EXPECT_EQ(Label1(*main), kReading);
    // Look between the steps of the pass.
    ASSERT_TRUE(PumpOneUntil([&] { return DisplayLength(*main) > 0; }));
    EXPECT_LT(DisplayLength(*main), expected.size()) << "the pass is not over yet";
    EXPECT_EQ(Label1(*main), kReading);
    ASSERT_TRUE(PumpUntil([&] { return DisplayLength(*main) == expected.size(); }, 60000));
    EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));
    EXPECT_EQ(DisplayText(*main), expected);
}

TEST_F(FollowLoop, WindowServesInputAndPaintBetweenSteps) {
    const std::string text = ManyLines("big", 1u << 20);
    const std::wstring expected = ExpectedDisplay(text);
    WriteFileBytes(log, text);
    auto main = StartFollowing();
    main->OpenFile(log);
    ASSERT_TRUE(PumpOneUntil([&] { return DisplayLength(*main) > 0; }));

    // A repaint asked for now happens before the pass is over.
    HWND label = main->Control(IDC_LABEL1);
    InvalidateRect(label, nullptr, TRUE);
    ASSERT_TRUE(GetUpdateRect(label, nullptr, FALSE));
    ASSERT_TRUE(PumpOneUntil([&] { return !GetUpdateRect(label, nullptr, FALSE); }));
    EXPECT_LT(DisplayLength(*main), expected.size());

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
    EXPECT_LT(DisplayLength(*main), expected.size()) << "the key waited for the whole pass";

    // "読込中止" in the middle of the pass ends it; resuming shows the rest, all of it once.
    Click(main->hwnd(), IDC_COMMAND1);
    Pump(100);
    const size_t stoppedAt = DisplayLength(*main);
    EXPECT_LT(stoppedAt, expected.size());
    EXPECT_EQ(Label1(*main), L"");
    Pump(200);
    EXPECT_EQ(DisplayLength(*main), stoppedAt);
    Click(main->hwnd(), IDC_COMMAND2);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == expected; }, 30000));
}

std::string NumberedLine(int i) {
    char head[32];
    std::snprintf(head, sizeof head, "line %06d ", i);
    std::string line = head;
    line.resize(1000, '.');
    return line + "\r\n";
}

// Whether shown is the end of all, beginning at a line start.
bool IsLatestWholeLines(const std::wstring& shown, const std::wstring& all) {
    return shown.size() <= all.size() && all.ends_with(shown) &&
           (shown.size() == all.size() || all[all.size() - shown.size() - 1] == L'\r');
}

TEST_F(FollowLoop, DisplayKeepsTheLatestCharactersInWholeLinesAndTheirColours) {
    constexpr size_t kLimit = 8'000'000;
    std::string file;
    int lines = 0;
    while (file.size() <= kLimit + 10'000) file += NumberedLine(lines++);
    WriteFileBytes(log, file);
    auto main = StartFollowing();
    main->display().strCurForeColor = L"255";
    main->OpenFile(log);
    // A first pass of a file larger than the display shows its last part from a line start.
    size_t from = file.find("\r\n", file.size() - kLimit - 1) + 2;
    const std::wstring tail = ExpectedDisplay(file.substr(from));
    ASSERT_TRUE(
        PumpUntil([&] { return Label1(*main).empty() && DisplayLength(*main) > 0; }, 60000));
    EXPECT_EQ(DisplayText(*main), tail);
    EXPECT_LE(tail.size(), kLimit);

    // Lines that take the display past its limit push whole lines out at the top; at least
    // half of the limit stays.
    auto append = [&](int count) {
        std::string more;
        for (int i = 0; i < count; ++i) more += NumberedLine(lines++);
        WriteFileBytes(log, more, true);
        file += more;
        const std::wstring last = ExpectedDisplay(more.substr(more.size() - 2004));
        EXPECT_TRUE(PumpUntil([&] { return DisplayTail(*main, last.size()) == last; }, 60000));
        EXPECT_TRUE(PumpUntil([&] { return Label1(*main).empty(); }));
    };
    append(20);
    std::wstring shown = DisplayText(*main);
    EXPECT_LE(shown.size(), kLimit);
    EXPECT_GE(shown.size() + 1001, kLimit / 2);
    EXPECT_TRUE(IsLatestWholeLines(shown, ExpectedDisplay(file)))
        << "begins " << testing::PrintToString(ToAnsi(shown.substr(0, 12)));
    DWORD mask = 0;
    EXPECT_EQ(ColourOf(*main, 0, shown.size(), &mask), RGB(255, 0, 0));
    EXPECT_TRUE(mask & CFM_COLOR);

    // Text of two colours keeps both through the next overflow.
    main->display().strCurForeColor = L"32768";
    append(static_cast<int>((kLimit - 2'000'000 - shown.size()) / 1001));
    main->display().strCurForeColor = L"16711680";
    append(2'100);
    shown = DisplayText(*main);
    EXPECT_LE(shown.size(), kLimit);
    EXPECT_GE(shown.size() + 1001, kLimit / 2);
    EXPECT_TRUE(IsLatestWholeLines(shown, ExpectedDisplay(file)));
    EXPECT_EQ(ColourOf(*main, 0, 1000), RGB(0, 128, 0));
    EXPECT_EQ(ColourOf(*main, shown.size() - 2'100 * 1001, shown.size(), &mask), RGB(0, 0, 255));
    EXPECT_TRUE(mask & CFM_COLOR);
    EXPECT_EQ(ColourOf(*main, shown.size() - 2'101 * 1001, shown.size() - 2'100 * 1001, &mask),
              RGB(0, 128, 0));
    EXPECT_TRUE(mask & CFM_COLOR);
}

TEST_F(FollowLoop, OpenDuringAPassAbandonsIt) {
    const std::wstring other = dir.path(L"other.log");
    WriteFileBytes(log, ManyLines("old", 1u << 20));
    WriteFileBytes(other, "other only\r\n");
    auto main = StartFollowing();
    main->OpenFile(log);
    ASSERT_TRUE(PumpOneUntil([&] { return DisplayLength(*main) > 0; }));
    main->OpenFile(other);
    EXPECT_EQ(DisplayText(*main), L"");
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"other only\r"; }));
    Pump(300);
    EXPECT_EQ(DisplayText(*main), L"other only\r") << "nothing of the old file after the open";
}

TEST_F(FollowLoop, ClosingDuringAPassEndsIt) {
    WriteFileBytes(log, ManyLines("closing", 1u << 20));
    for (int way = 0; way < 2; ++way) {
        auto main = StartFollowing();
        main->OpenFile(log);
        ASSERT_TRUE(PumpOneUntil([&] { return DisplayLength(*main) > 0; }));
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
