#include <gtest/gtest.h>

#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "filesearch/file_search_window_win.h"
#include "harness.h"
#include "harness.h"

namespace zr::test {
namespace {

using Items = std::vector<std::wstring>;

// A folder with logs, text files, a hidden file, an executable and a subfolder; the test
// program's current folder while the window is made, so the lists start there.
class FileSearchWindowTest : public ConfigTest {
  protected:
    void SetUp() override {
        ConfigTest::SetUp();
        CreateDirectoryW(dir.path(L"sub").c_str(), nullptr);
        CreateDirectoryW(dir.path(L"sub\\deeper").c_str(), nullptr);
        for (const wchar_t* name : {L"a.log", L"b.txt", L"c.log", L"hidden.log", L"run.exe",
                                    L"sub\\d.log", L"sub\\e.txt"}) {
            WriteFileBytes(dir.path(name), "line\r\n");
        }
        SetFileAttributesW(dir.path(L"hidden.log").c_str(), FILE_ATTRIBUTE_HIDDEN);
    }
    std::unique_ptr<MainWindow> StartWithFileSearch() {
        auto main = StartMain();
        if (main) ChooseMenu(main->hwnd(), IDM_FILESEARCH);
        return main;
    }
    static Items Files(MainWindow& main) { return ListItems(main.FileSearch().Control(IDC_FILE1)); }
    static int FolderIndex(MainWindow& main, const std::wstring& path) {
        const auto& items = main.FileSearch().FolderItems();
        const auto it = std::find(items.begin(), items.end(), path);
        EXPECT_NE(it, items.end()) << "no folder item for " << testing::PrintToString(path);
        return static_cast<int>(it - items.begin());
    }
    static void ChooseFolder(MainWindow& main, const std::wstring& path) {
        DoubleClickItem(main.FileSearch().Control(IDC_DIR1), FolderIndex(main, path));
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

    TempDir dir;
    CurrentFolder current{dir.dir()};
};

// At first, and again after its close box and the next move of the main window.
TEST_F(FileSearchWindowTest, StartsAtTheCurrentFolderListingOrdinaryFiles) {
    auto main = StartWithFileSearch();
    ASSERT_TRUE(main);
    for (const bool reopened : {false, true}) {
        SCOPED_TRACE(reopened ? "after a close" : "at first");
        FileSearchWindow& fs = main->FileSearch();
        ASSERT_TRUE(fs.exists());
        EXPECT_EQ(fs.visible(), !reopened);
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
        if (reopened) break;

        ChooseFolder(*main, dir.path(L"sub"));
        Search(*main, L"*.txt");
        MouseClick(fs.Control(IDC_CKBM));
        HWND closed = fs.hwnd();
        SendMessageW(closed, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_FALSE(IsWindow(closed));
        const RECT r = WindowRect(main->hwnd());
        MoveWindowTo(main->hwnd(), r.left + 10, r.top + 30);
    }
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
    // Enter in the pattern box and in the folder list does what "検索" and a double-click do.
    SetWindowTextW(fs.Control(IDC_FS_TEXT1), L"*.txt; *.log");
    EXPECT_TRUE(PressEnter(fs.hwnd(), fs.Control(IDC_FS_TEXT1)));
    EXPECT_EQ(Files(*main), (Items{L"d.log", L"e.txt"}));
    Search(*main, L"..\\*.exe");
    EXPECT_EQ(Files(*main), Items{}) << "a pattern cannot reach into another folder";

    Search(*main, L"*.TXT");
    SendMessageW(fs.Control(IDC_DIR1), LB_SETCURSEL, FolderIndex(*main, dir.dir()), 0);
    EXPECT_TRUE(PressEnter(fs.hwnd(), fs.Control(IDC_DIR1)));
    EXPECT_EQ(fs.Folder(), dir.dir());
    EXPECT_EQ(Files(*main), Items{L"b.txt"});
}

TEST_F(FileSearchWindowTest, DriveChangeAndUnreadableDriveGoesBack) {
    auto main = StartWithFileSearch();
    ASSERT_TRUE(main);
    FileSearchWindow& fs = main->FileSearch();
    HWND drives = fs.Control(IDC_DRIVE1);
    // Wine maps Z: to the host's root and C: to the prefix; both can be read.
    ASSERT_NE(SendMessageW(drives, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(L"Z:")),
              CB_ERR);
    ASSERT_EQ(dir.dir().substr(0, 2), L"C:");

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
    choose(L"C:");
    EXPECT_EQ(fs.Folder().substr(0, 2), L"C:");
    EXPECT_EQ(ComboSelection(drives), L"C:");
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

    // Unticked, Enter on the list opens as a double-click does.
    MouseClick(fs.Control(IDC_CKBM));
    SendMessageW(fs.Control(IDC_FILE1), LB_SETCURSEL, IndexOf(fs.Control(IDC_FILE1), L"b.txt"), 0);
    EXPECT_TRUE(PressEnter(fs.hwnd(), fs.Control(IDC_FILE1)));
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

}  // namespace
}  // namespace zr::test
