#include <gtest/gtest.h>

#include <tuple>

#include "about/about_window_win.h"
#include "bookmarks/bookmark_window_win.h"
#include "filesearch/file_search_window_win.h"
#include "harness.h"
#include "harness.h"
#include "harness.h"

namespace zr::test {
namespace {

constexpr wchar_t kVersionLine[] = L"Zororuv - Version 1.00";

using AboutBoxTest = ConfigTest;

TEST_F(AboutBoxTest, ShowsTheVersionRecordOnTopWithCloseFocused) {
    // The test program carries the program's own version record: 1, 0, 0.
    const std::optional<ProgramVersion> version = ReadOwnVersion();
    ASSERT_TRUE(version);
    EXPECT_EQ(std::tuple(version->major, version->minor, version->revision), std::tuple(1, 0, 0));

    auto main = StartMain();
    ASSERT_TRUE(main);
    ChooseMenu(main->hwnd(), IDM_VER);
    Pump();
    AboutWindow* about = main->About();
    ASSERT_TRUE(about && about->visible());
    EXPECT_EQ(Text(about->hwnd()), L"バージョン情報");
    EXPECT_EQ(Text(about->Control(IDC_ABOUT_LABEL1)), kVersionLine);
    EXPECT_EQ(Text(about->Control(IDC_ABOUT_COMMAND1)), L"閉じる");
    EXPECT_NE(SendMessageW(about->Control(IDC_PICTURE1), STM_GETICON, 0, 0), 0);
    EXPECT_EQ(GetFocus(), about->Control(IDC_ABOUT_COMMAND1));
    EXPECT_TRUE(GetWindowLongPtrW(about->hwnd(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW)
        << "not in the taskbar";
    EXPECT_EQ(GetWindow(about->hwnd(), GW_OWNER), nullptr);

    // Topmost by itself: the main window's own switch does not touch it.
    EXPECT_TRUE(IsTopMost(about->hwnd()));
    EXPECT_FALSE(IsTopMost(main->hwnd()));
    ChooseMenu(main->hwnd(), IDM_WINPOS);
    ChooseMenu(main->hwnd(), IDM_WINPOS);
    EXPECT_FALSE(IsTopMost(main->hwnd()));
    EXPECT_TRUE(IsTopMost(about->hwnd()));
}

// Whichever way it was closed, or when chosen again while open, there is one box with the
// version once.
TEST_F(AboutBoxTest, ReopeningNeverDoublesTheVersion) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    const std::pair<const char*, std::function<void(AboutWindow&)>> closes[] = {
        {"閉じる", [](AboutWindow& a) { Click(a.hwnd(), IDC_ABOUT_COMMAND1); }},
        {"close box", [](AboutWindow& a) { SendMessageW(a.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Enter",
         [](AboutWindow& a) { EXPECT_TRUE(PressEnter(a.hwnd(), a.Control(IDC_ABOUT_COMMAND1))); }}};
    for (const auto& [how, close] : closes) {
        SCOPED_TRACE(how);
        ChooseMenu(main->hwnd(), IDM_VER);
        ChooseMenu(main->hwnd(), IDM_VER);
        EXPECT_EQ(CountOwnWindows(L"ZororuvAbout"), 1);
        EXPECT_EQ(Text(main->About()->Control(IDC_ABOUT_LABEL1)), kVersionLine);
        EXPECT_TRUE(main->About()->visible());
        EXPECT_TRUE(IsTopMost(main->About()->hwnd()));
        close(*main->About());
        EXPECT_FALSE(main->About()->exists());
        EXPECT_EQ(CountOwnWindows(L"ZororuvAbout"), 0);
    }
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

TEST_F(AboutBoxTest, ClosingTheMainWindowClosesItAndTheSideWindows) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    ChooseMenu(main->hwnd(), IDM_VER);
    ChooseMenu(main->hwnd(), IDM_BOOKMARK);
    const wchar_t* classes[] = {L"ZororuvAbout", L"ZororuvBookmarks", L"ZororuvFileSearch"};
    for (const wchar_t* name : classes) ASSERT_EQ(CountOwnWindows(name), 1) << name;
    SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(main->exists());
    for (const wchar_t* name : classes) EXPECT_EQ(CountOwnWindows(name), 0) << name;
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

// The program itself, as a separate process: closing its window ends it, About box or not.
TEST(AboutProgram, ProgramEndsWhenItsWindowClosesWithTheAboutBoxOpen) {
    ClearConfig();
    const std::wstring exe = BesideTests(L"zororuv.exe");
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &pi));
    UniqueKernel process(pi.hProcess);
    UniqueKernel thread(pi.hThread);
    HWND main = nullptr, about = nullptr;
    const auto shown = [&](HWND& found, const wchar_t* className) {
        return PumpUntil([&] { return (found = FindShownWindow(pi.dwProcessId, className)); },
                         15000);
    };

    ASSERT_TRUE(shown(main, L"ZororuvMain"));
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_VER, 0), 0);
    ASSERT_TRUE(shown(about, L"ZororuvAbout"));
    EXPECT_EQ(Text(GetDlgItem(about, IDC_ABOUT_LABEL1)), kVersionLine);

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
