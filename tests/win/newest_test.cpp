// Following the newest file of a folder that a name pattern names: moving on to each newer file
// as a writer starts it, the old file read to its end first.
#include "bookmarks/bookmark_window_win.h"
#include "harness.h"

namespace zr::test {
namespace {

using NewestFile = ConfigTest;

// A writer writes a_1.log, then starts a_2.log and writes there, then a_3.log, the last line of
// each old file written right before the next file appears; the pattern is opened from the
// bookmarks. The display ends as the three files' lines in order, a line naming each new file
// between them; a file left behind and written to again is not followed again.
TEST_F(NewestFile, APatternMovesOnToEachNewerFileAndLosesNothing) {
    TempDir dir;
    const std::wstring pattern = dir.path(L"a_*.log");
    WriteFileBytes(dir.path(L"a_1.log"), "one 1\r\n");
    WriteDword(L"Book Mark Count", 1);
    WriteString(L"Book Mark List1", pattern);
    auto main = StartFollowing();
    DoubleClickItem(GetDlgItem(ShownBookmarks(main->hwnd()), IDC_LSTFILELIST), 0);
    EXPECT_EQ(Text(main->hwnd()), L"a_*.log - a_1.log");
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"one 1\r"; }));
    std::wstring expected = L"one 1\r";
    for (int file = 1; file <= 3; ++file) {
        const std::wstring name = L"a_" + std::to_wstring(file) + L".log";
        const std::string n = std::to_string(file);
        if (file > 1) {
            // Created with its first lines, a moment after the old file's last line.
            Pump(50);
            WriteFileBytes(dir.path(name), "first of " + n + "\r\nsecond of " + n + "\r\n");
            expected += L"――― " + name + L" ―――\rfirst of " + std::to_wstring(file) +
                        L"\rsecond of " + std::to_wstring(file) + L"\r";
            ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main) == expected; }, 15000))
                << testing::PrintToString(DisplayText(*main));
            EXPECT_EQ(Text(main->hwnd()), L"a_*.log - " + name);
        }
        WriteFileBytes(dir.path(name), "more of " + n + "\r\n", true);
        Pump(100);
        WriteFileBytes(dir.path(name), "last of " + n + "\r\n", true);  // then the next file
        expected +=
            L"more of " + std::to_wstring(file) + L"\rlast of " + std::to_wstring(file) + L"\r";
    }
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main) == expected; }));
    WriteFileBytes(dir.path(L"a_1.log"), "late\r\n", true);
    Pump(4000);  // past the time between two looks at the folder
    EXPECT_EQ(DisplayText(*main), expected) << "a file left behind came back";
    // Insertions go to the file followed now.
    SetWindowTextW(main->Control(IDC_TEXT1), L"inserted");
    Click(main->hwnd(), IDC_COMMAND5);
    EXPECT_TRUE(ReadFileBytes(dir.path(L"a_3.log")).ends_with("inserted\r\n"));
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace zr::test
