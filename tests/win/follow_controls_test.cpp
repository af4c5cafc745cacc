// The reading buttons, the two insertions and the notices.
#include <gtest/gtest.h>
#include <richedit.h>

#include "harness.h"
#include "follow/timestamp.h"

namespace zr::test {
namespace {

class FollowControls : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearConfig();
        WriteFileBytes(log, "start\r\n");
    }
    void TearDown() override {
        SetClock({});
        ClearConfig();
    }
    std::unique_ptr<MainWindow> Following() {
        auto main = StartFollowing();
        main->OpenFile(log);
        EXPECT_TRUE(
            PumpUntil([&] { return DisplayText(*main) == L"start\r" && Label1(*main).empty(); }));
        return main;
    }

    void AppendAndWait(MainWindow& main, const std::string& bytes) {
        WriteFileBytes(log, bytes, true);
        const std::wstring expected = ExpectedDisplay(ReadFileBytes(log));
        ASSERT_TRUE(
            PumpUntil([&] { return DisplayText(main) == expected && Label1(main).empty(); }));
        Pump(100);
    }

    ScriptedUi ui;
    TempDir dir;
    std::wstring log = dir.path(L"app.log");
};

TEST_F(FollowControls, StopShowsNothingAndResumeShowsEverythingInOneBlock) {
    auto main = Following();
    Click(main->hwnd(), IDC_COMMAND1);
    EXPECT_TRUE(main->StopRead());
    EXPECT_FALSE(IsWindowEnabled(main->Control(IDC_COMMAND1)));
    EXPECT_TRUE(IsWindowEnabled(main->Control(IDC_COMMAND2)));
    EXPECT_TRUE(IsWindowEnabled(main->Control(IDC_COMMAND3)));
    EXPECT_FALSE(IsWindowEnabled(main->Control(IDC_COMMAND4)));
    EXPECT_FALSE(IsWindowEnabled(main->Control(IDC_COMMAND5)));
    EXPECT_TRUE(main->TimerEnabled()) << "ticks go on and read nothing";

    std::string meanwhile;
    for (int i = 0; i < 5; ++i) {
        const std::string line = "written while stopped " + std::to_string(i) + "\r\n";
        WriteFileBytes(log, line, true);
        meanwhile += line;
        Pump(60);
    }
    Pump(200);
    EXPECT_EQ(DisplayText(*main), L"start\r");

    Click(main->hwnd(), IDC_COMMAND2);
    EXPECT_FALSE(main->StopRead());
    EXPECT_TRUE(IsWindowEnabled(main->Control(IDC_COMMAND1)));
    EXPECT_FALSE(IsWindowEnabled(main->Control(IDC_COMMAND2)));
    EXPECT_TRUE(IsWindowEnabled(main->Control(IDC_COMMAND4)));
    EXPECT_TRUE(IsWindowEnabled(main->Control(IDC_COMMAND5)));
    // The first change of the display after resuming brings all of it.
    ASSERT_TRUE(PumpOneUntil([&] { return DisplayText(*main) != L"start\r"; }));
    EXPECT_EQ(DisplayText(*main), ExpectedDisplay("start\r\n" + meanwhile));
}

TEST_F(FollowControls, ClearEmptiesTheDisplayAndOnlyLaterTextIsShown) {
    auto main = Following();
    Click(main->hwnd(), IDC_COMMAND3);
    EXPECT_EQ(DisplayText(*main), L"");
    Pump(200);
    EXPECT_EQ(DisplayText(*main), L"") << "nothing is read again";
    WriteFileBytes(log, "after clear\r\n", true);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"after clear\r"; }));

    // It works while stopped too.
    Click(main->hwnd(), IDC_COMMAND1);
    Click(main->hwnd(), IDC_COMMAND3);
    EXPECT_EQ(DisplayText(*main), L"");
}

TEST_F(FollowControls, ClearedDisplayKeepsItsPlaceTabOrderAndLook) {
    WriteDword(L"Back Color", RGB(0, 0, 64));
    WriteString(L"Font Name", L"MS Gothic");
    WriteDword(L"Font Size", 12);
    auto main = Following();
    main->Command(IDM_RSCROLL);  // lines wrap at the display's width
    HWND before = main->Control(IDC_RICHTEXT);
    RECT r0;
    GetWindowRect(before, &r0);
    HWND prev0 = GetWindow(before, GW_HWNDPREV);
    SetFocus(before);
    Click(main->hwnd(), IDC_COMMAND3);

    HWND display = main->Control(IDC_RICHTEXT);
    ASSERT_TRUE(display);
    RECT r1;
    GetWindowRect(display, &r1);
    EXPECT_TRUE(EqualRect(&r0, &r1));
    EXPECT_EQ(GetWindow(display, GW_HWNDPREV), prev0) << "same place in the tab order";
    EXPECT_EQ(GetFocus(), display);
    EXPECT_EQ(SendMessageW(display, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);

    const std::string longLine(3000, 'w');
    WriteFileBytes(log, longLine + "\r\n", true);
    ASSERT_TRUE(PumpUntil([&] { return DisplayLength(*main) == longLine.size() + 1; }));
    EXPECT_GT(SendMessageW(display, EM_GETLINECOUNT, 0, 0), 2) << "still wrapped";
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    CHARRANGE all{0, 10};
    SendMessageW(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    SendMessageW(display, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    EXPECT_STREQ(cf.szFaceName, L"MS Gothic");
    EXPECT_EQ(cf.yHeight, 12 * 20);
    // The background: a pixel of the display's client area away from the text.
    HDC dc = GetDC(display);
    RECT client;
    GetClientRect(display, &client);
    RedrawWindow(display, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    EXPECT_EQ(GetPixel(dc, client.right - 3, client.bottom - 3), RGB(0, 0, 64));
    ReleaseDC(display, dc);
}

TEST_F(FollowControls, InsertTimeAppendsTheStampLine) {
    auto main = Following();
    SetClock([] { return LocalTime{2006, 5, 17, 14, 3, 22}; });
    Click(main->hwnd(), IDC_COMMAND4);
    EXPECT_EQ(ReadFileBytes(log), "start\r\n#2006-05-17 14:03:22#\r\n");
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"start\r#2006-05-17 14:03:22#\r"; }));

    SetClock([] { return LocalTime{2007, 1, 2, 0, 0, 0}; });
    Click(main->hwnd(), IDC_COMMAND4);
    EXPECT_EQ(ReadFileBytes(log), "start\r\n#2006-05-17 14:03:22#\r\n#2007-01-02#\r\n")
        << "the date alone at midnight";
    SetClock([] { return LocalTime{2007, 1, 2, 0, 0, 1}; });
    Click(main->hwnd(), IDC_COMMAND4);
    EXPECT_TRUE(ReadFileBytes(log).ends_with("#2007-01-02#\r\n#2007-01-02 00:00:01#\r\n"));
    EXPECT_TRUE(ui.messages.empty());
}

// Logs in each encoding are shown right, and "文章挿入" appends Text1 in the log's own
// encoding; a character the encoding lacks is refused with nothing written.
TEST_F(FollowControls, InsertTextAppendsText1InTheLogsEncoding) {
    const std::string utf16Start("\xff\xfe\x8b\x95\xcb\x59\r\0\n\0", 10);  // 開始
    const std::string utf16Line("\xe5\x65\x2c\x67\x9e\x8a\xc6\x30\xb9\x30\xc8\x30\r\0\n\0", 16);
    struct Row {
        const char* name;
        std::string start;  // the log before the insertion
        std::wstring shown;
        std::wstring typed;
        std::string appended;  // empty: refused, or nothing to write
        const wchar_t* refusal;
    } rows[] = {
        {"code page", "start \x8a\x4a\x8e\x6e\r\n", L"start 開始\r", L"### 作業開始 ###",
         "### \x8d\xec\x8b\xc6\x8a\x4a\x8e\x6e ###\r\n", nullptr},
        {"UTF-8", "start \xe9\x96\x8b\xe5\xa7\x8b\r\n", L"start 開始\r", L"日本語テスト",
         "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88\r\n", nullptr},
        {"UTF-16 LE", utf16Start, L"開始\r", L"日本語テスト", utf16Line, nullptr},
        {"ASCII so far", "start\r\n", L"start\r", L"", "", nullptr},
        {"a character the code page lacks", "start \x8a\x4a\x8e\x6e\r\n", L"start 開始\r",
         L"ok \U0001F600", "",
         L"「\U0001F600」(U+1F600) はこのファイルの文字コード Shift_JIS では書き込めません。\n"
         L"何も書き込みませんでした。"},
    };
    auto main = StartFollowing();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ui.messages.clear();
        WriteFileBytes(log, row.start);
        main->OpenFile(log);
        EXPECT_EQ(DisplayText(*main), row.shown);
        SetWindowTextW(main->Control(IDC_TEXT1), row.typed.c_str());
        Click(main->hwnd(), IDC_COMMAND5);
        EXPECT_EQ(Hex(ReadFileBytes(log)), Hex(row.start + row.appended));
        EXPECT_EQ(Text(main->Control(IDC_TEXT1)), row.typed) << "Text1 is left as it is";
        if (row.refusal) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, row.refusal);
            EXPECT_EQ(ui.messages[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        } else {
            EXPECT_TRUE(ui.messages.empty());
        }
        if (!row.appended.empty()) {
            EXPECT_TRUE(
                PumpUntil([&] { return DisplayText(*main) == row.shown + row.typed + L"\r"; }));
        }
    }
}

// The encoding menu reads the file again in the encoding chosen; a new open finds it anew.
TEST_F(FollowControls, EncodingChosenFromTheMenuReadsTheFileAgain) {
    const std::string utf8 = "\xe6\x97\xa5\xe6\x9c\xac\r\n";  // 日本
    WriteFileBytes(log, utf8);
    auto main = StartFollowing();
    main->OpenFile(log);
    EXPECT_EQ(DisplayText(*main), L"日本\r");
    struct Row {
        int item;
        std::wstring shown;
    } rows[] = {
        {IDM_ENCODING_CODE_PAGE, ExpectedDisplay(utf8)},  // the same bytes read as Shift_JIS
        {IDM_ENCODING_UTF16LE, L"\x97e6\xe6a5\xac9c\x0a0d"},
        {IDM_ENCODING_UTF8, L"日本\r"},
    };
    for (const Row& row : rows) {
        ChooseMenu(main->hwnd(), row.item);
        EXPECT_EQ(DisplayText(*main), row.shown) << row.item;
        EXPECT_EQ(GetMenuState(main->MenuBar(), row.item, MF_BYCOMMAND) & MF_CHECKED,
                  static_cast<UINT>(MF_CHECKED));
    }
    main->OpenFile(log);
    EXPECT_EQ(main->ChosenEncoding(), TextEncoding::Auto);
    EXPECT_EQ(GetMenuState(main->MenuBar(), IDM_ENCODING_UTF8, MF_BYCOMMAND) & MF_CHECKED, 0u);
}

TEST_F(FollowControls, InsertionThatCannotAppendSaysSoAndWritesNothing) {
    auto main = Following();
    SetWindowTextW(main->Control(IDC_TEXT1), L"never written");
    SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_READONLY);
    Click(main->hwnd(), IDC_COMMAND5);
    Click(main->hwnd(), IDC_COMMAND4);
    SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(ui.messages.size(), 2u);
    for (const auto& m : ui.messages) {
        EXPECT_EQ(m.text, L"ファイルに書き込めません。\n" + log);
        EXPECT_EQ(m.caption, kErrorTitle);
        EXPECT_EQ(m.flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    }
    EXPECT_EQ(ReadFileBytes(log), "start\r\n");

    // A log that went away is not made again by an insertion.
    DeleteFileW(log.c_str());
    Click(main->hwnd(), IDC_COMMAND5);
    EXPECT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(GetFileAttributesW(log.c_str()), INVALID_FILE_ATTRIBUTES);
}

// True when `upper` lies above `lower` in the z-order of top-level windows.
bool Above(HWND upper, HWND lower) {
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == upper) return true;
        if (w == lower) return false;
    }
    return false;
}

// Notices on, with both actions, and a window over the main window that a raise must pass.
class FollowNotices {
  public:
    FollowNotices() {
        WriteDword(L"Notice", 1);
        WriteDword(L"Notice Window Pos", 1);
        WriteDword(L"Play Wave", 1);
        WriteString(L"Wave FilePath", L"C:\\sounds\\alert.wav");
        WriteString(L"Notice String1", L"ERROR");
        WriteString(L"Notice String3", L"警告");
        cover = CreateWindowExW(0, L"STATIC", L"cover", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200,
                                nullptr, nullptr, nullptr, nullptr);
    }
    ~FollowNotices() { DestroyWindow(cover); }
    void Cover(MainWindow& main) {
        SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ASSERT_TRUE(Above(cover, main.hwnd()));
    }
    HWND cover = nullptr;
};

TEST_F(FollowControls, NoticesRaiseAndSoundOncePerMatchingStringPerPass) {
    FollowNotices n;
    auto main = Following();
    n.Cover(*main);
    AppendAndWait(*main, "ERROR one\r\nERROR two\r\n\x8c\x78\x8d\x90 three\r\nERROR four\r\n");
    EXPECT_EQ(ui.sounds, (std::vector<std::wstring>(2, L"C:\\sounds\\alert.wav")));
    EXPECT_TRUE(Above(main->hwnd(), n.cover)) << "the window was raised";

    n.Cover(*main);
    AppendAndWait(*main, "error Error \x8c\x78 \x8d\x90\r\n");
    EXPECT_EQ(ui.sounds.size(), 2u) << "exact and case-sensitive";
    EXPECT_TRUE(Above(n.cover, main->hwnd()));

    // A string whose line reaches the display in two passes.
    AppendAndWait(*main, "disk ERR");
    EXPECT_EQ(ui.sounds.size(), 2u);
    AppendAndWait(*main, "OR here\r\n");
    EXPECT_EQ(ui.sounds.size(), 3u);
    EXPECT_TRUE(Above(main->hwnd(), n.cover));
}

TEST_F(FollowControls, NoticeInTextAlreadyInTheFileCountsAtTheFirstPass) {
    FollowNotices n;
    WriteFileBytes(log, "start\r\nold ERROR\r\n");
    auto main = StartFollowing();
    main->OpenFile(log);
    EXPECT_TRUE(PumpUntil([&] { return ui.sounds.size() == 1; }));
    Pump(200);
    EXPECT_EQ(ui.sounds.size(), 1u);
}

TEST_F(FollowControls, EachNoticeActionOnlyWhenSwitchedOn) {
    FollowNotices n;
    WriteDword(L"Notice Window Pos", 0);
    {
        auto main = Following();
        n.Cover(*main);
        AppendAndWait(*main, "ERROR\r\n");
        EXPECT_EQ(ui.sounds.size(), 1u);
        EXPECT_TRUE(Above(n.cover, main->hwnd())) << "not raised";
    }
    WriteDword(L"Notice Window Pos", 1);
    WriteDword(L"Play Wave", 0);
    WriteFileBytes(log, "start\r\n");
    {
        auto main = Following();
        n.Cover(*main);
        AppendAndWait(*main, "ERROR\r\n");
        EXPECT_EQ(ui.sounds.size(), 1u) << "no sound";
        EXPECT_TRUE(Above(main->hwnd(), n.cover));
    }
    WriteDword(L"Play Wave", 1);
    WriteDword(L"Notice", 0);
    WriteFileBytes(log, "start\r\n");
    {
        auto main = Following();
        n.Cover(*main);
        AppendAndWait(*main, "ERROR \x8c\x78\x8d\x90\r\n");
        EXPECT_EQ(ui.sounds.size(), 1u) << "notices off";
        EXPECT_TRUE(Above(n.cover, main->hwnd()));
    }
}

}  // namespace
}  // namespace zr::test
