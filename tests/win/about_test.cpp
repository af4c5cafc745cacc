#include <gtest/gtest.h>

#include "about/about_window_win.h"
#include "bookmarks/bookmark_window_win.h"
#include "filesearch/file_search_window_win.h"
#include "follow_helpers.h"
#include "harness.h"
#include "side_window_helpers.h"

namespace zr::test {
namespace {

class AboutBoxTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }
    static std::wstring Label(MainWindow& main) {
        return Text(main.About()->Control(IDC_ABOUT_LABEL1));
    }
    ScriptedUi ui;
};

TEST_F(AboutBoxTest, ShowsTheVersionRecordOnTopWithCloseFocused) {
    // The test program carries the program's own version record: 1, 0, 0.
    const std::optional<ProgramVersion> version = ReadOwnVersion();
    ASSERT_TRUE(version);
    EXPECT_EQ(version->major, 1);
    EXPECT_EQ(version->minor, 0);
    EXPECT_EQ(version->revision, 0);

    auto main = StartMain();
    ASSERT_TRUE(main);
    EXPECT_EQ(main->About(), nullptr) << "made on first use only";
    ChooseMenu(main->hwnd(), IDM_VER);
    Pump();
    AboutWindow* about = main->About();
    ASSERT_TRUE(about && about->visible());
    EXPECT_EQ(Text(about->hwnd()), L"バージョン情報");
    EXPECT_EQ(Label(*main), L"Zororuv - Version 1.00");
    EXPECT_EQ(Text(about->Control(IDC_ABOUT_COMMAND1)), L"閉じる");
    EXPECT_NE(SendMessageW(about->Control(IDC_PICTURE1), STM_GETICON, 0, 0), 0);
    EXPECT_EQ(GetFocus(), about->Control(IDC_ABOUT_COMMAND1));
    const LONG_PTR ex = GetWindowLongPtrW(about->hwnd(), GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW) << "not in the taskbar";
    EXPECT_EQ(GetWindow(about->hwnd(), GW_OWNER), nullptr);

    // Topmost by itself: the main window's own switch does not touch it.
    EXPECT_TRUE(IsTopMost(about->hwnd()));
    EXPECT_FALSE(IsTopMost(main->hwnd()));
    ChooseMenu(main->hwnd(), IDM_WINPOS);
    ChooseMenu(main->hwnd(), IDM_WINPOS);
    EXPECT_FALSE(IsTopMost(main->hwnd()));
    EXPECT_TRUE(IsTopMost(about->hwnd()));
}

TEST_F(AboutBoxTest, ReopeningNeverDoublesTheVersion) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    ChooseMenu(h, IDM_VER);
    ChooseMenu(h, IDM_VER);
    EXPECT_EQ(CountOwnWindows(L"ZororuvAbout"), 1);
    EXPECT_EQ(Label(*main), L"Zororuv - Version 1.00");
    EXPECT_TRUE(IsTopMost(main->About()->hwnd()));

    Click(main->About()->hwnd(), IDC_ABOUT_COMMAND1);
    EXPECT_FALSE(main->About()->exists());
    EXPECT_EQ(CountOwnWindows(L"ZororuvAbout"), 0);
    ChooseMenu(h, IDM_VER);
    EXPECT_EQ(Label(*main), L"Zororuv - Version 1.00");

    SendMessageW(main->About()->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(main->About()->exists());
    ChooseMenu(h, IDM_VER);
    EXPECT_EQ(Label(*main), L"Zororuv - Version 1.00");
    EXPECT_TRUE(main->About()->visible());

    // Enter presses the focused close button, as the program's message loop passes it on.
    HWND close = main->About()->Control(IDC_ABOUT_COMMAND1);
    ASSERT_EQ(GetFocus(), close);
    MSG msg{close, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(main->About()->hwnd(), &msg));
    EXPECT_FALSE(main->About()->exists());
}

TEST_F(AboutBoxTest, MainWindowKeepsFollowingWhileItIsOpen) {
    TempDir dir;
    const std::wstring log = dir.path(L"app.log");
    WriteFileBytes(log, "first\r\n");
    auto main = StartFollowing();
    ASSERT_TRUE(main);
    main->OpenFile(log);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"first\r"; }));

    ChooseMenu(main->hwnd(), IDM_VER);
    ASSERT_TRUE(main->About()->visible());
    EXPECT_TRUE(IsWindowEnabled(main->hwnd()));
    WriteFileBytes(log, "second\r\n", true);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"first\rsecond\r"; }));
    Click(main->hwnd(), IDC_COMMAND3);
    EXPECT_EQ(DisplayText(*main), L"");
    EXPECT_TRUE(main->About()->visible());
}

TEST_F(AboutBoxTest, ClosingTheMainWindowClosesIt) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    ChooseMenu(main->hwnd(), IDM_VER);
    ASSERT_NE(FindOwnWindow(L"ZororuvAbout"), nullptr);
    SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(main->exists());
    EXPECT_EQ(FindOwnWindow(L"ZororuvAbout"), nullptr);
}

TEST_F(AboutBoxTest, EveryWindowButTheAboutBoxCarriesTheProgramIcon) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    ChooseMenu(main->hwnd(), IDM_VER);
    const HICON big = AppIcon(GetSystemMetrics(SM_CXICON));
    const HICON small = AppIcon(GetSystemMetrics(SM_CXSMICON));
    ASSERT_NE(big, nullptr);
    for (HWND w : {main->hwnd(), main->Bookmarks().hwnd(), main->FileSearch().hwnd()}) {
        EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrW(w, GCLP_HICON)), big);
        EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrW(w, GCLP_HICONSM)), small);
    }
    HWND about = main->About()->hwnd();
    EXPECT_EQ(GetClassLongPtrW(about, GCLP_HICON), 0);
    EXPECT_EQ(GetClassLongPtrW(about, GCLP_HICONSM), 0);
    EXPECT_EQ(SendMessageW(about, WM_GETICON, ICON_BIG, 0), 0);
}

struct ProcessWindow {
    DWORD pid;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<ProcessWindow*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (pid == search->pid && wcscmp(name, search->className) == 0 && IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(DWORD pid, const wchar_t* className) {
    for (int i = 0; i < 300; ++i) {
        ProcessWindow search{pid, className, nullptr};
        EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Pump(50);
    }
    return nullptr;
}

// The program itself, as a separate process: closing its window ends it, About box or not.
TEST(AboutProgram, ProgramEndsWhenItsWindowClosesWithTheAboutBoxOpen) {
    ClearConfig();
    std::wstring exe = LogWriterPath();
    exe.replace(exe.find_last_of(L'\\') + 1, std::wstring::npos, L"zororuv.exe");
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    UniqueKernel process(pi.hProcess);
    UniqueKernel thread(pi.hThread);

    HWND main = WaitForWindow(pi.dwProcessId, L"ZororuvMain");
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_VER, 0), 0);
    HWND about = WaitForWindow(pi.dwProcessId, L"ZororuvAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(Text(GetDlgItem(about, IDC_ABOUT_LABEL1)), L"Zororuv - Version 1.00");

    PostMessageW(main, WM_CLOSE, 0, 0);
    const DWORD waited = WaitForSingleObject(process.get(), 15000);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 0u);
    ClearConfig();
}

}  // namespace
}  // namespace zr::test
