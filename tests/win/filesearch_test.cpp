#include <gtest/gtest.h>

#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "filesearch/file_search_window_win.h"
#include "harness.h"
#include "side_window_helpers.h"

namespace zr::test {
namespace {

using Items = std::vector<std::wstring>;

// A folder with logs, text files, a hidden file, an executable and a subfolder; the test
// program's current folder while the window is made, so the lists start there.
class FileSearchWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearConfig();
        for (const wchar_t* name : {L"a.log", L"b.txt", L"c.log", L"hidden.log", L"run.exe"}) {
            WriteFileBytes(dir.path(name), "line\r\n");
        }
        SetFileAttributesW(dir.path(L"hidden.log").c_str(), FILE_ATTRIBUTE_HIDDEN);
        CreateDirectoryW(dir.path(L"sub").c_str(), nullptr);
        CreateDirectoryW(dir.path(L"sub\\deeper").c_str(), nullptr);
        WriteFileBytes(dir.path(L"sub\\d.log"), "d\r\n");
        WriteFileBytes(dir.path(L"sub\\e.txt"), "e\r\n");
    }
    void TearDown() override { ClearConfig(); }

    std::unique_ptr<MainWindow> StartWithFileSearch() {
        auto main = StartMain();
        if (main) ChooseMenu(main->hwnd(), IDM_FILESEARCH);
        return main;
    }
    static Items Files(MainWindow& main) { return ListItems(main.FileSearch().Control(IDC_FILE1)); }
    static void ChooseFolder(MainWindow& main, const std::wstring& path) {
        const auto& items = main.FileSearch().FolderItems();
        const auto it = std::find(items.begin(), items.end(), path);
        ASSERT_NE(it, items.end())
            << "no folder item for " << std::string(path.begin(), path.end());
        DoubleClickItem(main.FileSearch().Control(IDC_DIR1), static_cast<int>(it - items.begin()));
    }
    static void DoubleClickFile(MainWindow& main, const std::wstring& name) {
        HWND files = main.FileSearch().Control(IDC_FILE1);
        const int index = IndexOf(files, name);
        ASSERT_GE(index, 0);
        DoubleClickItem(files, index);
    }
    static void Search(MainWindow& main, const wchar_t* pattern) {
        SetWindowTextW(main.FileSearch().Control(IDC_FS_TEXT1), pattern);
        Click(main.FileSearch().hwnd(), IDC_FS_COMMAND1);
    }

    ScriptedUi ui;
    TempDir dir;
    CurrentFolder current{dir.dir()};
};

TEST_F(FileSearchWindowTest, StartsAtTheCurrentFolderListingOrdinaryFiles) {
    auto main = StartWithFileSearch();
    ASSERT_TRUE(main);
    FileSearchWindow& fs = main->FileSearch();
    EXPECT_EQ(Text(fs.hwnd()), L"");
    EXPECT_EQ(Text(fs.Control(IDC_FS_TEXT1)), L"*.*");
    EXPECT_EQ(Text(fs.Control(IDC_FS_COMMAND1)), L"検索");
    EXPECT_EQ(Text(fs.Control(IDC_CKBM)), L"ﾌﾞｯｸﾏｰｸに追加");
    EXPECT_FALSE(IsChecked(fs.hwnd(), IDC_CKBM));
    EXPECT_EQ(fs.Folder(), dir.dir());
    EXPECT_EQ(Files(*main), (Items{L"a.log", L"b.txt", L"c.log", L"run.exe"}));
    // The folder list runs from the drive's root down to this folder, then its subfolders.
    const Items& folders = fs.FolderItems();
    ASSERT_GE(folders.size(), 3u);
    EXPECT_EQ(folders.front(), dir.dir().substr(0, 3));
    EXPECT_EQ(folders.back(), dir.path(L"sub"));
    EXPECT_EQ(folders[folders.size() - 2], dir.dir());
    EXPECT_EQ(SendMessageW(fs.Control(IDC_DIR1), LB_GETCOUNT, 0, 0),
              static_cast<LRESULT>(folders.size()));
    EXPECT_EQ(ComboSelection(fs.Control(IDC_DRIVE1)), dir.dir().substr(0, 2));
}

TEST_F(FileSearchWindowTest, PatternIsAppliedOnlyBySearchAndKeptAcrossFolders) {
    auto main = StartWithFileSearch();
    ASSERT_TRUE(main);
    FileSearchWindow& fs = main->FileSearch();
    SetWindowTextW(fs.Control(IDC_FS_TEXT1), L"*.log");
    EXPECT_EQ(Files(*main).size(), 4u) << "typing alone changes nothing";
    Click(fs.hwnd(), IDC_FS_COMMAND1);
    EXPECT_EQ(Files(*main), (Items{L"a.log", L"c.log"}));

    SetWindowTextW(fs.Control(IDC_FS_TEXT1), L"*.txt");  // typed, not applied
    ChooseFolder(*main, dir.path(L"sub"));
    EXPECT_EQ(fs.Folder(), dir.path(L"sub"));
    EXPECT_EQ(Files(*main), Items{L"d.log"});
    EXPECT_EQ(fs.FolderItems().back(), dir.path(L"sub\\deeper"));

    Search(*main, L"");
    EXPECT_EQ(Files(*main), (Items{L"d.log", L"e.txt"})) << "an empty pattern lists every file";
    Search(*main, L"*.txt; *.log");
    EXPECT_EQ(Files(*main), (Items{L"d.log", L"e.txt"}));
    Search(*main, L"..\\*.exe");
    EXPECT_EQ(Files(*main), Items{}) << "a pattern cannot reach into another folder";

    Search(*main, L"*.TXT");
    ChooseFolder(*main, dir.dir());
    EXPECT_EQ(Files(*main), Items{L"b.txt"});
}

TEST_F(FileSearchWindowTest, EnterWorksLikeADoubleClickAndTheSearchButton) {
    auto main = StartWithFileSearch();
    ASSERT_TRUE(main);
    FileSearchWindow& fs = main->FileSearch();
    const auto pressEnter = [&](HWND control) {
        SetFocus(control);
        // The program's message loop hands every key to the dialog keys first.
        MSG msg{control, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
        EXPECT_TRUE(IsDialogMessageW(fs.hwnd(), &msg));
    };
    const auto& folders = fs.FolderItems();
    const auto sub = std::find(folders.begin(), folders.end(), dir.path(L"sub"));
    ASSERT_NE(sub, folders.end());
    SendMessageW(fs.Control(IDC_DIR1), LB_SETCURSEL, static_cast<WPARAM>(sub - folders.begin()), 0);
    pressEnter(fs.Control(IDC_DIR1));
    EXPECT_EQ(fs.Folder(), dir.path(L"sub"));

    SetWindowTextW(fs.Control(IDC_FS_TEXT1), L"*.txt");
    pressEnter(fs.Control(IDC_FS_TEXT1));
    EXPECT_EQ(Files(*main), Items{L"e.txt"});

    SendMessageW(fs.Control(IDC_FILE1), LB_SETCURSEL, 0, 0);
    pressEnter(fs.Control(IDC_FILE1));
    EXPECT_EQ(main->FilePath(), dir.path(L"sub\\e.txt"));
}

TEST_F(FileSearchWindowTest, DriveChangeAndUnreadableDriveGoesBack) {
    auto main = StartWithFileSearch();
    ASSERT_TRUE(main);
    FileSearchWindow& fs = main->FileSearch();
    HWND drives = fs.Control(IDC_DRIVE1);
    const Items listed = ComboItems(drives);
    const std::wstring home = dir.dir().substr(0, 2);
    // Wine maps Z: to the host's root and C: to the prefix; both can be read.
    ASSERT_NE(std::find(listed.begin(), listed.end(), L"Z:"), listed.end());
    ASSERT_EQ(home, L"C:");

    const auto choose = [&](const std::wstring& drive) {
        SendMessageW(drives, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(drive.c_str()));
        SendMessageW(fs.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_DRIVE1, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(drives));
    };
    choose(L"Z:");
    EXPECT_EQ(fs.Folder().substr(0, 3), L"Z:\\");
    EXPECT_EQ(fs.FolderItems().front(), L"Z:\\");
    EXPECT_TRUE(ui.messages.empty());
    const std::wstring onZ = fs.Folder();
    const Items filesOnZ = Files(*main);

    // A drive that was listed and then went away (a medium taken out).
    std::wstring gone;
    const DWORD present = GetLogicalDrives();
    for (int i = 3; i < 26 && gone.empty(); ++i) {
        if (!(present & (1u << i))) gone = std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":";
    }
    ASSERT_FALSE(gone.empty());
    SendMessageW(drives, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(gone.c_str()));
    choose(gone);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, gone + L" を読み込めません。");
    EXPECT_EQ(ui.messages[0].caption, L"エラー");
    EXPECT_EQ(ui.messages[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(ComboSelection(drives), L"Z:");
    EXPECT_EQ(fs.Folder(), onZ);
    EXPECT_EQ(Files(*main), filesOnZ);

    // Still usable: back to the first drive.
    choose(home);
    EXPECT_EQ(fs.Folder().substr(0, 2), home);
    EXPECT_EQ(ComboSelection(drives), home);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(FileSearchWindowTest, DoubleClickOpensOrAddsToShownBookmarks) {
    auto main = StartWithFileSearch();
    ASSERT_TRUE(main);
    FileSearchWindow& fs = main->FileSearch();
    DoubleClickFile(*main, L"a.log");
    EXPECT_EQ(main->FilePath(), dir.path(L"a.log"));
    EXPECT_EQ(Text(main->hwnd()), L"a.log");

    MouseClick(fs.Control(IDC_CKBM));
    ASSERT_TRUE(IsChecked(fs.hwnd(), IDC_CKBM));
    DoubleClickFile(*main, L"c.log");
    EXPECT_EQ(main->FilePath(), dir.path(L"c.log")) << "bookmark window hidden: opened";
    EXPECT_TRUE(ListItems(main->Bookmarks().Control(IDC_LSTFILELIST)).empty());

    ChooseMenu(main->hwnd(), IDM_BOOKMARK);
    DoubleClickFile(*main, L"b.txt");
    DoubleClickFile(*main, L"run.exe");
    EXPECT_EQ(main->FilePath(), dir.path(L"c.log")) << "added, not opened";
    EXPECT_EQ(ListItems(main->Bookmarks().Control(IDC_LSTFILELIST)), Items{dir.path(L"b.txt")});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"実行ファイルは読み込めません。");

    MouseClick(fs.Control(IDC_CKBM));
    DoubleClickFile(*main, L"b.txt");
    EXPECT_EQ(main->FilePath(), dir.path(L"b.txt"));
    EXPECT_EQ(ListItems(main->Bookmarks().Control(IDC_LSTFILELIST)).size(), 1u);
}

TEST_F(FileSearchWindowTest, FileAtADriveRootIsJoinedWithOneBackslash) {
    const std::wstring name = L"zr-root-" + std::to_wstring(GetCurrentProcessId()) + L".log";
    const std::wstring atRoot = L"C:\\" + name;
    WriteFileBytes(atRoot, "root\r\n");
    {
        auto main = StartWithFileSearch();
        ASSERT_TRUE(main);
        ChooseFolder(*main, L"C:\\");
        EXPECT_EQ(main->FileSearch().Folder(), L"C:\\");
        DoubleClickFile(*main, name);
        EXPECT_EQ(main->FilePath(), atRoot);

        ChooseMenu(main->hwnd(), IDM_BOOKMARK);
        MouseClick(main->FileSearch().Control(IDC_CKBM));
        DoubleClickFile(*main, name);
        EXPECT_EQ(ListItems(main->Bookmarks().Control(IDC_LSTFILELIST)), Items{atRoot});
        EXPECT_EQ(ListItems(main->Bookmarks().Control(IDC_LSTFILENMLIST)), Items{name});
        SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
    }
    DeleteFileW(atRoot.c_str());
}

TEST_F(FileSearchWindowTest, ClosedWindowComesBackAtTheNextMoveWithItsStartValues) {
    auto main = StartWithFileSearch();
    ASSERT_TRUE(main);
    ChooseFolder(*main, dir.path(L"sub"));
    Search(*main, L"*.txt");
    MouseClick(main->FileSearch().Control(IDC_CKBM));
    ASSERT_EQ(MenuCaption(main->MenuBar(), IDM_FILESEARCH), L"ファイル検索の非表示(&F)");

    HWND fs = main->FileSearch().hwnd();
    SendMessageW(fs, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(fs));
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_FILESEARCH), L"ファイル検索の表示(&F)");

    RECT r;
    GetWindowRect(main->hwnd(), &r);
    SetWindowPos(main->hwnd(), nullptr, r.left + 10, r.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump();
    FileSearchWindow& back = main->FileSearch();
    ASSERT_TRUE(back.exists());
    EXPECT_FALSE(back.visible());
    EXPECT_EQ(Text(back.Control(IDC_FS_TEXT1)), L"*.*");
    EXPECT_EQ(back.Folder(), dir.dir());
    EXPECT_FALSE(IsChecked(back.hwnd(), IDC_CKBM));
    EXPECT_EQ(Files(*main), (Items{L"a.log", L"b.txt", L"c.log", L"run.exe"}));
}

}  // namespace
}  // namespace zr::test
