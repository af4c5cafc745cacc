// Files reaching the program from outside it: named on its command line, dropped on its
// windows; and a second instance started from its menu.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>

#include "bookmarks/bookmark_window_win.h"
#include "common/handles_win.h"
#include "harness.h"
#include "harness.h"

namespace zr::test {
namespace {

class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearConfig();
        WriteDword(L"Read Interval", 50);
    }
    void TearDown() override {
        if (process_) {
            PostMessageW(main_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process_.get(), 15000) != WAIT_OBJECT_0) {
                TerminateProcess(process_.get(), 1);
                ADD_FAILURE() << "the program did not end";
            }
        }
        ClearConfig();
    }

    // Starts zororuv.exe with `args`, in `folder`; its main window once shown (null when the
    // program shows none).
    HWND Start(const std::wstring& args, const std::wstring& folder) {
        const std::wstring exe = BesideTests(L"zororuv.exe");
        std::wstring cmd = L"\"" + exe + L"\" " + args;
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &si, &pi)) {
            return nullptr;
        }
        CloseHandle(pi.hThread);
        process_.reset(pi.hProcess);
        pid_ = pi.dwProcessId;
        PumpUntil([&] { return (main_ = FindShownWindow(pid_, L"ZororuvMain")) != nullptr; },
                  15000);
        return main_;
    }

    // The display's text, asked for by message as another process must (each line end in
    // whatever form the control hands it over: one "\r" here).
    std::wstring Shown() {
        HWND display = GetDlgItem(main_, IDC_RICHTEXT);
        std::wstring text(static_cast<size_t>(SendMessageW(display, WM_GETTEXTLENGTH, 0, 0)) + 1,
                          L'\0');
        text.resize(static_cast<size_t>(
            SendMessageW(display, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
        std::erase(text, L'\n');
        return text;
    }

    UniqueKernel process_;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
    TempDir dir;
};

// As "送る" and a file association start it: a quoted path with spaces, here relative to the
// current folder; only the first argument counts.
TEST_F(Program, FollowsTheFileNamedFirstOnItsCommandLine) {
    CreateDirectoryW(dir.path(L"my logs").c_str(), nullptr);
    const std::wstring log = dir.path(L"my logs\\app log.txt");
    WriteFileBytes(log, "first line\r\n");
    WriteFileBytes(dir.path(L"other.txt"), "other\r\n");
    ASSERT_TRUE(Start(L"\"my logs\\app log.txt\" other.txt", dir.dir()));
    EXPECT_TRUE(PumpUntil([&] { return Text(main_) == L"app log.txt"; }));
    EXPECT_TRUE(PumpUntil([&] { return Shown() == L"first line\r"; }));
    WriteFileBytes(log, "second line\r\n", true);
    EXPECT_TRUE(PumpUntil([&] { return Shown() == L"first line\rsecond line\r"; }));
}

TEST_F(Program, MissingFileOnItsCommandLineIsReportedAndNothingIsFollowed) {
    const std::wstring missing = dir.path(L"no such.log");
    // The box comes up before the window takes input; the window is shown behind it.
    Start(L"\"" + missing + L"\"", dir.dir());
    HWND box = nullptr;
    ASSERT_TRUE(
        PumpUntil([&] { return (box = FindShownWindow(pid_, L"#32770")) != nullptr; }, 15000));
    EXPECT_EQ(Text(box), L"エラー");
    EXPECT_EQ(MessageBoxText(box), L"ファイルが見つかりません。\n" + missing);
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(box) && main_; }, 15000));
    EXPECT_EQ(WaitForSingleObject(process_.get(), 300), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the program stays open";
    EXPECT_EQ(Text(main_), L"Zororuv");
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(main_, IDC_COMMAND1 + i)) != FALSE, i == 2)
            << "button " << i + 1;
    }
}

// What the shell sends when files are dropped: a DROPFILES block with the wide paths.
void DropFiles(HWND window, const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const auto& p : paths) list += p + L'\0';
    list += L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

class Drop : public ConfigTest {
  protected:
    TempDir dir;
};

TEST_F(Drop, FileOpensOnTheMainWindowJoinsTheBookmarksAndAFolderIsRefused) {
    const std::wstring first = dir.path(L"first.log"), second = dir.path(L"second.log");
    WriteFileBytes(first, "first\r\n");
    WriteFileBytes(second, "second\r\n");
    auto main = StartFollowing();
    DropFiles(main->hwnd(), {first, second});
    EXPECT_EQ(main->FilePath(), first) << "of several, the first";
    EXPECT_EQ(DisplayText(*main), L"first\r");

    BookmarkWindow& bookmarks = main->Bookmarks();
    DropFiles(bookmarks.hwnd(), {second});
    DropFiles(bookmarks.hwnd(), {dir.path(L"tool.exe")});
    DropFiles(bookmarks.hwnd(), {dir.dir()});
    DropFiles(main->hwnd(), {dir.dir()});
    EXPECT_EQ(bookmarks.Paths(), std::vector<std::wstring>{second});
    EXPECT_EQ(main->FilePath(), first);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].text, L"実行ファイルは読み込めません。");
    EXPECT_EQ(ui.messages[1].text, L"フォルダーは読み込めません。\n" + dir.dir());
    EXPECT_EQ(ui.messages[2].text, ui.messages[1].text);
}

// "追加起動" starts another instance beside this one, one caption height lower and to the
// right, following nothing.
TEST_F(Drop, SecondInstanceStandsBesideTheFirst) {
    auto main = StartFollowing();
    const std::wstring exe = BesideTests(L"zororuv.exe");
    main->SetSecondInstanceProgram(exe);
    MoveWindowTo(main->hwnd(), 100, 80);
    ChooseMenu(main->hwnd(), IDM_BOOT);
    HWND other = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (HWND w = FindWindowW(L"ZororuvMain", nullptr); w;
                 w = FindWindowExW(nullptr, w, L"ZororuvMain", nullptr)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid != GetCurrentProcessId() && IsWindowVisible(w)) other = w;
            }
            return other != nullptr;
        },
        15000));
    const RECT mine = WindowRect(main->hwnd()), its = WindowRect(other);
    const int step = GetSystemMetrics(SM_CYCAPTION);
    EXPECT_EQ(its.left, mine.left + step);
    EXPECT_EQ(its.top, mine.top + step);
    EXPECT_EQ(Text(other), L"Zororuv");
    DWORD pid = 0;
    GetWindowThreadProcessId(other, &pid);
    UniqueKernel process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    PostMessageW(other, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.get(), 15000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace zr::test
