// The bookmark window and the file search window, each driven as a user drives it.
#include "bookmarks/bookmark_window_win.h"
#include "common/messages.h"
#include "filesearch/file_search_window_win.h"
#include "filesearch/newest_file_dialog_win.h"
#include "filesearch/search_paths.h"
#include "harness.h"

#include <dlgs.h>

#include "common/common_dialogs_win.h"

namespace zr::test {
namespace {

using Items = std::vector<std::wstring>;
using BookmarkWindowTest = ConfigTest;
using FileSearchWindowTest = ConfigTest;

// Run after run, the list read at start; "追加" (a cancel adds nothing, an executable is refused);
// in either view, a double-click opens an entry's path and "削除" drops it; a close box stores.
TEST_F(BookmarkWindowTest, ListIsKeptFromRunToRun) {
    TempDir dir;
    const Items f = {dir.path(L"a.log"), dir.path(L"b.log"), dir.path(L"c.log")};
    for (const auto& file : f) WriteFileBytes(file, "line\r\n");
    ui.openAnswers = {f[0], L"", dir.path(L"run.exe"), f[1], f[2], f[1], f[0]};
    // Clicks on "追加", whether only names are shown, whose close box, what is stored.
    const std::tuple<int, bool, bool, Items> runs[] = {{5, false, false, {f[0], f[2]}},
                                                       {2, true, true, {f[0], f[1], f[0]}},
                                                       {0, false, false, {f[0], f[0]}}};
    Items stored;
    for (const auto& [adds, namesOnly, ownCloseBox, after] : runs) {
        SCOPED_TRACE(testing::PrintToString(after));
        auto main = StartMain();
        ASSERT_TRUE(main);
        HWND bm = ShownBookmarks(main->hwnd());
        EXPECT_EQ(ListItems(GetDlgItem(bm, IDC_LSTFILELIST)), stored);
        for (int i = 0; i < adds; ++i) Click(bm, IDC_CMDADDLIST);
        if (namesOnly) SendMessageW(GetDlgItem(bm, IDC_CKLISTVIEW), BM_CLICK, 0, 0);
        HWND shown = GetDlgItem(bm, namesOnly ? IDC_LSTFILENMLIST : IDC_LSTFILELIST);
        EXPECT_TRUE(GetWindowLongW(shown, GWL_STYLE) & WS_VISIBLE);
        const Items before = ListItems(GetDlgItem(bm, IDC_LSTFILELIST));
        DoubleClickItem(shown, 1);
        EXPECT_EQ(Text(main->hwnd()), std::filesystem::path(before.at(1)).filename().wstring());
        Click(bm, IDC_CMDDELLIST);
        SendMessageW(ownCloseBox ? bm : main->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(ReadDword(L"Book Mark Count"), after.size());
        for (size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(ReadString((L"Book Mark List" + std::to_wstring(i + 1)).c_str()), after[i]);
        }
        stored = after;
    }
    EXPECT_EQ(ui.messages.size(), 1u) << "the executable";
}

// The list stored while the key is read-only: the refusal is told once and the stored list
// stays whole; stored again once it may be, the old list's extra entry goes.
TEST_F(BookmarkWindowTest, ARefusedStoreKeepsTheStoredListAndTheNextDropsItsExtraEntries) {
    const auto entry = [](int i) { return L"Book Mark List" + std::to_wstring(i); };
    const Items old = {L"3", L"C:\\a.log", L"C:\\b.log", L"C:\\c.log"};  // count, entries
    WriteDword(L"Book Mark Count", 3);
    for (int i = 1; i <= 3; ++i) WriteString(entry(i).c_str(), old[i]);
    auto main = StartMain();
    ASSERT_TRUE(main);
    for (bool locked : {true, false}) {
        HWND bm = ShownBookmarks(main->hwnd());
        SendMessageW(GetDlgItem(bm, IDC_LSTFILELIST), LB_SETCURSEL, 0, 0);
        Click(bm, IDC_CMDDELLIST);
        ReadOnlyConfig lock(locked);
        SendMessageW(bm, WM_SYSCOMMAND, SC_CLOSE, 0);
        Items stored{std::to_wstring(ReadDword(L"Book Mark Count").value_or(0))};
        for (int i = 1; i <= 3; ++i) stored.push_back(ReadString(entry(i).c_str()).value_or(L"-"));
        EXPECT_EQ(stored, locked ? old : Items({L"2", old[2], old[3], L"-"}));
    }
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(std::tuple(ui.messages[0].text, ui.messages[0].caption, ui.messages[0].flags),
              std::tuple(kBookmarksNotStored, kErrorTitle, UINT(MB_OK | MB_ICONERROR)));
}

// A pattern added by the owner: shown by its own part, handed on and stored as it is, kept run to
// run; one whose every match is an executable is refused.
TEST_F(BookmarkWindowTest, APatternIsKeptAndHandedOnAsItIs) {
    struct : SideWindowOwner {
        Items got;
        void FileChosen(SideWindowKind, const std::wstring& f, bool) override { got.push_back(f); }
        void SideWindowClosed(SideWindowKind) override {}
    } owner;
    const std::wstring pattern = L"\\\\srv\\share\\srv-????.txt";
    for (auto add : {pattern.c_str(), L"C:\\logs\\*.EXE", L""}) {
        BookmarkWindow bm(owner);
        ASSERT_TRUE(bm.Create());
        bm.AddList(add);
        EXPECT_EQ(ListItems(bm.Control(IDC_LSTFILENMLIST)), Items{L"srv-????.txt"});
        DoubleClickItem(bm.Control(IDC_LSTFILELIST), 0);
        bm.Close();
    }
    EXPECT_EQ(std::pair(owner.got, ui.messages.size()), std::pair(Items(3, pattern), size_t(1)));
}

// A window whose OnCreate throws, half built, is never made and its creator learns why; made
// later, a throw elsewhere stays inside it and what it leaves to the base goes to the system.
struct Throwing : Window {
    bool fail = true;
    HWND Make() { return CreateWin({L"ZororuvThrowing"}, 0, WS_POPUP, L"", 0, 0, 9, 9, 0, 0); }
    void OnCreate(const CREATESTRUCTW&) override {
        CreateWindowExW(0, L"BUTTON", L"", WS_CHILD, 0, 0, 9, 9, hwnd(), 0, 0, 0);
        if (fail) throw std::runtime_error("no display");
    }
    void OnCommand(int, int, HWND) override { throw std::bad_alloc(); }
};
TEST_F(BookmarkWindowTest, AWindowWhoseCreationThrowsIsNeverMade) {
    Throwing w;
    EXPECT_EQ(
        std::tuple(w.Make(), w.exists(), w.CreationError(), FindWindowW(L"ZororuvThrowing", 0)),
        std::tuple(HWND(), false, std::wstring(L"no display"), HWND()));
    w.fail = false;
    ASSERT_TRUE(w.Make());
    SendMessageW(w.hwnd(), WM_COMMAND, 1, 0);
    EXPECT_EQ(
        std::tuple(w.exists(), w.CreationError(), SendMessageW(w.hwnd(), WM_QUERYENDSESSION, 0, 0)),
        std::tuple(true, std::wstring(), LRESULT(TRUE)));
    SendMessageW(w.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(w.exists());
}

// Listing by folder, pattern and drive; a double-click opens the file (joined to a drive's root
// with one backslash) or, with the tick and the bookmarks shown, bookmarks it.
TEST_F(FileSearchWindowTest, ListsByDriveFolderAndPatternAndOpensOrBookmarks) {
    TempDir dir;
    CreateDirectoryW(dir.path(L"sub").c_str(), nullptr);
    for (auto name : {L"a.log", L"b.txt", L"hidden.txt", L"sub\\c.log", L"sub\\d.txt"}) {
        WriteFileBytes(dir.path(name), "line\r\n");
    }
    SetFileAttributesW(dir.path(L"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    const std::wstring atRoot = L"zr-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    ASSERT_TRUE(WriteFileBytes(L"C:\\" + atRoot, "root\r\n"));
    SetCurrentDirectoryW(dir.dir().c_str());  // where the window starts
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND fs = ShownFileSearch(main->hwnd());
    const auto files = [&] { return ListItems(GetDlgItem(fs, IDC_FILE1)); };
    // The folders as the list shows them: a tree, one wide blank per level.
    const auto folders = [&] {
        Items paths, chain;
        for (const std::wstring& item : ListItems(GetDlgItem(fs, IDC_DIR1))) {
            const size_t level = item.find_first_not_of(L'\u3000');
            chain.resize(level);
            chain.push_back(level ? JoinPath(chain.back(), item.substr(level)) : item);
            paths.push_back(chain.back());
        }
        return paths;
    };
    const auto chooseFolder = [&](const std::wstring& path) {
        const Items all = folders();
        const auto at = std::find(all.begin(), all.end(), path);
        ASSERT_NE(at, all.end()) << testing::PrintToString(path);
        DoubleClickItem(GetDlgItem(fs, IDC_DIR1), int(at - all.begin()));
    };
    const auto open = [&](const std::wstring& name) {
        HWND list = GetDlgItem(fs, IDC_FILE1);
        DoubleClickItem(list,
                        int(SendMessageW(list, LB_FINDSTRINGEXACT, -1, LPARAM(name.c_str()))));
    };
    EXPECT_EQ(files(), (Items{L"a.log", L"b.txt"}));
    EXPECT_EQ(Text(GetDlgItem(fs, IDC_DRIVE1)), L"C:");
    EXPECT_EQ(folders().back(), dir.path(L"sub"));
    SetWindowTextW(GetDlgItem(fs, IDC_FS_TEXT1), L"*.txt");
    Click(fs, IDC_FS_COMMAND1);
    EXPECT_EQ(files(), Items{L"b.txt"});
    chooseFolder(dir.path(L"sub"));
    EXPECT_EQ(files(), Items{L"d.txt"});
    open(L"d.txt");
    EXPECT_EQ(Text(main->hwnd()), L"d.txt");

    chooseFolder(L"C:\\");
    open(atRoot);
    EXPECT_EQ(Text(main->hwnd()), atRoot);
    SendMessageW(GetDlgItem(fs, IDC_CKBM), BM_CLICK, 0, 0);
    HWND bookmarks = ShownBookmarks(main->hwnd());
    open(atRoot);
    EXPECT_EQ(ListItems(GetDlgItem(bookmarks, IDC_LSTFILELIST)), Items{L"C:\\" + atRoot});
    DeleteFileW((L"C:\\" + atRoot).c_str());
    SetCurrentDirectoryW(L"C:\\");  // so that the folder can go

    // Another drive: Wine's Z: is the host's root.
    HWND drives = GetDlgItem(fs, IDC_DRIVE1);
    SendMessageW(drives, CB_SELECTSTRING, WPARAM(-1), LPARAM(L"Z:"));
    SendMessageW(fs, WM_COMMAND, MAKEWPARAM(IDC_DRIVE1, CBN_SELCHANGE), LPARAM(drives));
    EXPECT_EQ(folders().front(), L"Z:\\");
}

// A folder from the seam (a cancel keeps the box) and one from the real dialog; a missing folder
// and a pattern of executables refused in the program's style, the dialog left open; what OK and
// キャンセル give; the program held meanwhile.
TEST_F(FileSearchWindowTest, NewestFileDialogGivesAFolderAndAPatternThatCanBeFollowed) {
    TempDir dir;
    const std::wstring logs = dir.path(L"logs");
    CreateDirectoryW(logs.c_str(), nullptr);
    auto main = StartMain();
    ASSERT_TRUE(main);
    const auto enter = [](HWND d, const std::wstring& folder, const wchar_t* pattern, int button) {
        SetDlgItemTextW(d, IDC_NF_FOLDER, folder.c_str());
        SetDlgItemTextW(d, IDC_NF_PATTERN, pattern);
        SendDlgItemMessageW(d, button, BM_CLICK, 0, 0);
    };
    const auto browse = [](HWND d) { SendDlgItemMessageW(d, IDC_NF_BROWSE, BM_CLICK, 0, 0); };
    const std::pair<std::function<void(HWND)>, std::optional<NewestFileChoice>> runs[] = {
        {[&](HWND d) {
             EXPECT_FALSE(IsWindowEnabled(main->hwnd()));
             browse(d);  // the folder the box started with
             enter(d, dir.path(L"missing"), L"*.log", IDOK);
             ui.folderAnswers = {logs, std::nullopt};
             browse(d), browse(d);
             SendDlgItemMessageW(d, IDC_NF_BOOKMARK, BM_CLICK, 0, 0);
             enter(d, Text(GetDlgItem(d, IDC_NF_FOLDER)), L"*.exe", IDOK);
             enter(d, Text(GetDlgItem(d, IDC_NF_FOLDER)), L" app_*.log", IDOK);
         },
         NewestFileChoice{logs + L"\\app_*.log", true}},
        {[&](HWND d) {
             SetUi(nullptr);
             DialogWatcher watcher(kFolderDialogTitle, [&](HWND fd) {
                 SetDlgItemTextW(fd, edt1, logs.c_str());  // the name box
                 PostMessageW(fd, WM_COMMAND, IDOK, 0);
             });
             browse(d);
             SetUi(&ui);
             EXPECT_TRUE(watcher.Found());
             SendDlgItemMessageW(d, IDOK, BM_CLICK, 0, 0);  // on the pattern the box starts with
         },
         NewestFileChoice{logs + L"\\*.log", false}},
        {[&](HWND d) { enter(d, logs, L"*.log", IDCANCEL); }, std::nullopt}};
    for (const auto& [act, want] : runs) {
        // A dialog the action left open is closed, so that no test hangs, and the loop woken.
        bool leftOpen = false;
        const auto close = [&](HWND d) {
            act(d);
            if ((leftOpen = IsWindow(d))) SendMessageW(d, WM_CLOSE, 0, 0);
            PostMessageW(main->hwnd(), WM_NULL, 0, 0);
        };
        DialogWatcher watcher(kNewestFileCaption, close, kNewestFileClass);
        EXPECT_EQ(AskNewestFile(main->hwnd(), dir.dir()), want);
        EXPECT_EQ(std::tuple(watcher.Found(), leftOpen, IsWindowEnabled(main->hwnd())),
                  std::tuple(true, false, TRUE));
    }
    EXPECT_EQ(ui.folderInitials, (Items{dir.dir(), dir.path(L"missing"), logs}));
    ASSERT_EQ(ui.messages.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(
            std::tuple(ui.messages[i].text, ui.messages[i].caption, ui.messages[i].flags),
            std::tuple(i ? kExeRefused : kFolderMissing, kErrorTitle, UINT(MB_OK | MB_ICONERROR)));
    }
}

}  // namespace
}  // namespace zr::test
