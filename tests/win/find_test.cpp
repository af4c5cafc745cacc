// Finding text in the display with the real Find dialog, F3 and Shift+F3, and copying.
#include <gtest/gtest.h>
#include <richedit.h>

#include "harness.h"
#include "harness.h"

namespace zr::test {
namespace {

// Keys pressed as the keyboard presses them, with Ctrl or Shift held when asked.
void PressKey(WORD key, WORD modifier = 0) {
    std::vector<INPUT> keys;
    auto add = [&](WORD vk, DWORD flags) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = flags;
        keys.push_back(in);
    };
    if (modifier) add(modifier, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (modifier) add(modifier, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
    Pump(100);
}

CHARRANGE Selection(MainWindow& main) {
    CHARRANGE range{};
    SendMessageW(main.Control(IDC_RICHTEXT), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
}

std::wstring Selected(MainWindow& main) {
    const CHARRANGE r = Selection(main);
    return DisplayText(main).substr(static_cast<size_t>(r.cpMin),
                                    static_cast<size_t>(r.cpMax - r.cpMin));
}

// Whether the selection's line is within the display's client area.
bool SelectionInView(MainWindow& main) {
    HWND display = main.Control(IDC_RICHTEXT);
    POINTL at{};
    SendMessageW(display, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), Selection(main).cpMin);
    RECT client;
    GetClientRect(display, &client);
    return at.y >= client.top && at.y < client.bottom;
}

class Find : public ConfigTest {
  protected:
    TempDir dir;
    std::wstring log = dir.path(L"find.log");
};

TEST_F(Find, UpwardSearchTakesOlderTextInSelectsTheMatchAndHoldsItWhileTheDialogIsOpen) {
    std::string text;
    char line[32];
    for (int i = 0; i < 50'000; ++i) {
        std::snprintf(line, sizeof line, "line %05d\r\n", i);
        text += line;
    }
    WriteFileBytes(log, text);
    auto main = StartFollowing();
    main->OpenFile(log);
    SetForegroundWindow(main->hwnd());
    SetFocus(main->Control(IDC_RICHTEXT));

    PressKey('F', VK_CONTROL);
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] { return (dialog = FindShownWindow(GetCurrentProcessId(), L"#32770")) != nullptr; }));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), main->hwnd());
    SetDlgItemTextW(dialog, 0x480, L"LINE 0000");   // the text box; case is not matched
    CheckRadioButton(dialog, 0x420, 0x421, 0x420);  // upwards
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(Selected(*main), L"line 0000");
    EXPECT_EQ(Selection(*main).cpMin, 9 * 11) << "the nearest match above the end: line 9";
    EXPECT_TRUE(SelectionInView(*main));
    EXPECT_TRUE(DisplayText(*main) == ExpectedDisplay(text)) << "older text came in whole";

    // F3 goes on upwards, Shift+F3 back down.
    SetForegroundWindow(main->hwnd());
    PressKey(VK_F3);
    EXPECT_EQ(Selection(*main).cpMin, 8 * 11);
    PressKey(VK_F3, VK_SHIFT);
    EXPECT_EQ(Selection(*main).cpMin, 9 * 11);

    // A pass while the dialog is open leaves the match selected and in view.
    WriteFileBytes(log, "appended\r\n", true);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main).ends_with(L"\rappended\r"); }));
    EXPECT_EQ(Selection(*main).cpMin, 9 * 11);
    EXPECT_TRUE(SelectionInView(*main));

    // Nothing more above the first line: said so, the selection stays.
    for (int i = 0; i < 9; ++i) PressKey(VK_F3);
    EXPECT_EQ(Selection(*main).cpMin, 0);
    EXPECT_TRUE(ui.messages.empty());
    PressKey(VK_F3);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"「LINE 0000」が見つかりません。");
    EXPECT_EQ(Selection(*main).cpMin, 0);

    // Once the dialog is closed, the next pass brings the end into view again.
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }));
    WriteFileBytes(log, "after\r\n", true);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main).ends_with(L"\rafter\r"); }));
    EXPECT_EQ(static_cast<size_t>(Selection(*main).cpMin), DisplayLength(*main));
}

TEST_F(Find, SelectAllAndCopyPutTheDisplaysTextOnTheClipboard) {
    WriteFileBytes(log, "first\r\nsecond 二行目\r\n");
    auto main = StartFollowing();
    main->OpenFile(log);
    SetForegroundWindow(main->hwnd());
    SetFocus(main->Control(IDC_RICHTEXT));
    PressKey('A', VK_CONTROL);
    PressKey('C', VK_CONTROL);
    ASSERT_TRUE(OpenClipboard(main->hwnd()));
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const std::wstring copied = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
    if (data) GlobalUnlock(data);
    CloseClipboard();
    EXPECT_EQ(copied, L"first\r\nsecond 二行目\r\n");
}

}  // namespace
}  // namespace zr::test
