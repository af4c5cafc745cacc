// Files reaching the program (command line, real open dialog, drops) and a second instance.
#include "harness.h"

#include <dlgs.h>
#include <process.h>
#include <shlobj.h>

#include <cstring>

#include "bookmarks/bookmark_window_win.h"
#include "about/about_window_win.h"
#include "common/handles_win.h"
#include "common/messages.h"
#include "resources/version.h"

namespace zr::test {
namespace {

class Program : public ConfigTest {
  protected:
    void TearDown() override {  // the program ends cleanly when its window is closed
        if (process_) {
            PostMessageW(main_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process_.get(), 15000)) TerminateProcess(process_.get(), 1);
            DWORD code = 1;
            GetExitCodeProcess(process_.get(), &code);
            EXPECT_EQ(code, 0u);
        }
        ConfigTest::TearDown();
    }
    // Starts zororuv.exe with `args` in the test's folder; its main window once shown.
    HWND Start(const std::wstring& args) {
        WriteDword(L"Read Interval", 50);
        const std::wstring exe = Beside(L"zororuv"), line = L'"' + exe + L"\" " + args;
        SetCurrentDirectoryW(dir.dir().c_str());  // which the program starts in
        process_.reset(HANDLE(_wspawnl(_P_NOWAIT, exe.c_str(), line.c_str(), nullptr)));
        SetCurrentDirectoryW(L"C:\\");
        pid_ = GetProcessId(process_.get());
        PumpUntil([&] { return (main_ = FindShownWindow(pid_, L"ZororuvMain")) != nullptr; },
                  15000);
        return main_;
    }
    // The display's text, asked for by message as another process must.
    std::wstring Shown() {
        std::wstring text = Text(GetDlgItem(main_, IDC_RICHTEXT));
        std::erase(text, L'\n');
        return text;
    }
    UniqueKernel process_;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
    TempDir dir;
};

// As "送る" starts it: a quoted relative path with spaces; only the first argument counts.
TEST_F(Program, FollowsTheFileNamedFirstOnItsCommandLine) {
    CreateDirectoryW(dir.path(L"my logs").c_str(), nullptr);
    const std::wstring log = dir.path(L"my logs\\app log.txt");
    WriteFileBytes(log, "first line\r\n");
    ASSERT_TRUE(Start(L"\"my logs\\app log.txt\" other.txt"));
    EXPECT_TRUE(PumpUntil([&] { return Text(main_) == L"app log.txt"; }));
    EXPECT_TRUE(PumpUntil([&] { return Shown() == L"first line\r"; }));
    WriteFileBytes(log, "second line\r\n", true);
    EXPECT_TRUE(PumpUntil([&] { return Shown() == L"first line\rsecond line\r"; }));
}

// The version is built into the program's version record from version.h; the program ends
// when its window closes with the About box open.
TEST_F(Program, ShowsItsVersionAndEndsWithTheAboutBoxOpen) {
    ASSERT_TRUE(Start(L""));
    PostMessageW(main_, WM_COMMAND, IDM_VER, 0);
    HWND about = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (about = FindShownWindow(pid_, L"ZororuvAbout")); }, 15000));
    EXPECT_EQ(Text(GetDlgItem(about, IDC_ABOUT_LABEL1)),
              L"Zororuv - Version " ZORORUV_VERSION_TEXT);
}

// A real message box says so; the program stays open, only "クリア" enabled.
TEST_F(Program, MissingFileOnItsCommandLineIsReportedAndNothingIsFollowed) {
    const std::wstring missing = dir.path(L"no such.log");
    Start(L"\"" + missing + L"\"");
    HWND box = nullptr;
    ASSERT_TRUE(
        PumpUntil([&] { return (box = FindShownWindow(pid_, L"#32770")) != nullptr; }, 15000));
    EXPECT_EQ(Text(GetDlgItem(box, 0xFFFF)), L"ファイルが見つかりません。\n" + missing);
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box) && main_; }, 15000));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(main_, IDC_COMMAND1 + i)) != FALSE, i == 2) << i;
    }
}

// The real dialog, driven as a user would: the path typed into its name box, then OK.
TEST_F(Program, RealOpenDialogOpensTheTypedPath) {
    const std::wstring path = dir.path(L"実行ログ.txt");
    WriteFileBytes(path, "dialog line\r\n");
    auto main = StartFollowing();
    SetUi(nullptr);  // the real dialogs
    DialogWatcher watcher(L"ファイルを開く", [&](HWND dialog) {
        SetDlgItemTextW(dialog, cmb13, path.c_str());  // the name box
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    ChooseMenu(main->hwnd(), IDM_OPEN);
    EXPECT_TRUE(watcher.Found());
    EXPECT_EQ(Text(main->hwnd()), L"実行ログ.txt");
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"dialog line\r"; }));
}

TEST_F(Program, DropOpensOnTheMainWindowAddsToTheBookmarksAndRefusesAFolder) {
    const std::wstring first = dir.path(L"first.log"), second = dir.path(L"second.log");
    WriteFileBytes(first, "first\r\n");
    WriteFileBytes(second, "second\r\n");
    auto main = StartFollowing();
    DropFiles(main->hwnd(), {first, second});
    EXPECT_EQ(Text(main->hwnd()), L"first.log") << "of several, the first";
    HWND bookmarks = ShownBookmarks(main->hwnd());
    DropFiles(bookmarks, {second});
    DropFiles(bookmarks, {dir.dir()});
    DropFiles(main->hwnd(), {dir.dir()});
    DropFiles(main->hwnd(), {dir.path(L"tool.exe")});
    EXPECT_EQ(ListItems(GetDlgItem(bookmarks, IDC_LSTFILELIST)), std::vector<std::wstring>{second});
    EXPECT_EQ(Text(main->hwnd()), L"first.log");
    EXPECT_EQ(DisplayText(*main), L"first\r");
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].text, L"フォルダーは読み込めません。\n" + dir.dir());
    EXPECT_EQ(ui.messages[1].text, ui.messages[0].text);
    EXPECT_EQ(ui.messages[2].text, kExeRefused);
}

// "追加起動": another instance one caption height lower and to the right, but to the left
// where it would leave the work area of the monitor, whose right edge the first window touches.
TEST_F(Program, SecondInstanceStandsBesideTheFirst) {
    ASSERT_TRUE(Start(L""));
    MONITORINFO monitor{sizeof monitor, {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(main_, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT first = WindowRect(main_), work = monitor.rcWork;
    SetWindowPos(main_, nullptr, work.right - (first.right - first.left), work.top + 80, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    PostMessageW(main_, WM_COMMAND, IDM_BOOT, 0);
    HWND other = nullptr;  // the new window is brought to the top
    DWORD otherPid = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            other = FindWindowW(L"ZororuvMain", nullptr);
            if (other) GetWindowThreadProcessId(other, &otherPid);
            return other && otherPid != pid_ && IsWindowVisible(other);
        },
        15000));
    const RECT mine = WindowRect(main_), its = WindowRect(other);
    const int step = GetSystemMetrics(SM_CYCAPTION);
    EXPECT_EQ(std::pair(its.left, its.top), std::pair(mine.left - step, mine.top + step));
    UniqueKernel second(OpenProcess(SYNCHRONIZE, FALSE, otherPid));
    PostMessageW(other, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(second.get(), 15000), WAIT_OBJECT_0);
}

// A name pattern on the command line follows the newest file it names.
TEST_F(Program, FollowsTheNewestFileOfAPatternOnItsCommandLine) {
    WriteFileBytes(dir.path(L"app_1.log"), "older\r\n");
    Sleep(50);
    WriteFileBytes(dir.path(L"app_2.log"), "newer\r\n");
    WriteFileBytes(dir.path(L"app_3.txt"), "not a log\r\n");
    ASSERT_TRUE(Start(L"\"app_*.log\""));
    EXPECT_TRUE(PumpUntil([&] { return Text(main_) == L"app_*.log - app_2.log"; }));
    EXPECT_TRUE(PumpUntil([&] { return Shown() == L"newer\r"; }));
}

}  // namespace
}  // namespace zr::test
