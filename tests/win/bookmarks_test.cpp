#include <gtest/gtest.h>

#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "harness.h"
#include "harness.h"

namespace zr::test {
namespace {

using Items = std::vector<std::wstring>;

class BookmarkWindowTest : public ConfigTest {
  protected:
    // The main window with its bookmark window shown from the View menu.
    std::unique_ptr<MainWindow> StartWithBookmarks() {
        auto main = StartMain();
        if (main) ChooseMenu(main->hwnd(), IDM_BOOKMARK);
        return main;
    }
    std::wstring File(const std::wstring& name) {
        WriteFileBytes(dir.path(name), "line\r\n");
        return dir.path(name);
    }
    static Items Paths(MainWindow& main) {
        return ListItems(main.Bookmarks().Control(IDC_LSTFILELIST));
    }
    static Items Names(MainWindow& main) {
        return ListItems(main.Bookmarks().Control(IDC_LSTFILENMLIST));
    }
    // A stored list as an earlier run left it; "" leaves that value out.
    static void Seed(const Items& paths) {
        WriteDword(L"Book Mark Count", static_cast<DWORD>(paths.size()));
        for (size_t i = 0; i < paths.size(); ++i) {
            if (!paths[i].empty()) WriteString(ValueName(i + 1).c_str(), paths[i]);
        }
    }
    // "Book Mark List1" to "Book Mark List5"; "-" where there is no value.
    static Items StoredValues() {
        Items values;
        for (size_t i = 1; i <= 5; ++i)
            values.push_back(ReadString(ValueName(i).c_str()).value_or(L"-"));
        return values;
    }
    static std::wstring ValueName(size_t i) { return L"Book Mark List" + std::to_wstring(i); }
    // A start, "削除" on the entries at these positions in turn, and the program's close.
    static void DeleteAndClose(const std::vector<int>& positions) {
        auto main = StartMain();
        HWND list = main->Bookmarks().Control(IDC_LSTFILELIST);
        for (int position : positions) {
            SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(position), 0);
            Click(main->Bookmarks().hwnd(), IDC_CMDDELLIST);
        }
        SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
    }
    TempDir dir;
};

TEST_F(BookmarkWindowTest, AddButtonTakesTheDialogsPathAndRefusesExecutables) {
    const std::wstring log = File(L"app.log");
    const std::wstring upper = File(L"TOOL.EXE");
    auto main = StartWithBookmarks();
    ASSERT_TRUE(main);
    ui.openAnswers = {log, L"", dir.path(L"run.exe"), upper, log};
    for (int i = 0; i < 5; ++i) Click(main->Bookmarks().hwnd(), IDC_CMDADDLIST);

    EXPECT_EQ(ui.openPatterns, Items(5, L"*.*"));
    // Owned by the bookmark window, the prompts disable and enable again only that window.
    EXPECT_EQ(ui.openOwners, std::vector<HWND>(5, main->Bookmarks().hwnd()));
    ASSERT_EQ(ui.messages.size(), 1u) << "the cancel says nothing, the executable is refused";
    EXPECT_EQ(ui.messages[0].owner, main->Bookmarks().hwnd());
    EXPECT_EQ(ui.messages[0].text, L"実行ファイルは読み込めません。");
    EXPECT_EQ(ui.messages[0].caption, L"エラー");
    EXPECT_EQ(ui.messages[0].flags & (MB_TYPEMASK | MB_ICONMASK),
              static_cast<UINT>(MB_OK | MB_ICONSTOP));
    // Upper-case EXE passes and the same file twice gives two entries.
    EXPECT_EQ(Paths(*main), (Items{log, upper, log}));
    EXPECT_EQ(Names(*main), (Items{L"app.log", L"TOOL.EXE", L"app.log"}));
}

TEST_F(BookmarkWindowTest, FileNameEntryIsEmptyUnlessAnOrdinaryFileIsFound) {
    const std::wstring plain = File(L"日本語のログ.txt");
    const std::wstring hidden = File(L"hidden.log");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const Items paths = {plain, hidden, dir.path(L"missing.log"), dir.dir(), L"Q:\\gone.log"};
    auto main = StartWithBookmarks();
    ASSERT_TRUE(main);
    for (const auto& path : paths) main->Bookmarks().AddList(path);
    EXPECT_EQ(Paths(*main), paths);
    EXPECT_EQ(Names(*main), (Items{L"日本語のログ.txt", L"", L"", L"", L""}));
    EXPECT_TRUE(ui.messages.empty());
}

// In either view only the shown list's selection counts: nothing selected there, a
// double-click and "削除" do nothing; else the double-click opens the full path and "削除"
// takes the entry out of both lists.
TEST_F(BookmarkWindowTest, EitherViewOpensAndDeletesWhatIsSelectedInIt) {
    const std::wstring a = File(L"a.log"), b = File(L"b.log"), c = File(L"c.log");
    auto main = StartWithBookmarks();
    ASSERT_TRUE(main);
    BookmarkWindow& bm = main->Bookmarks();
    for (const auto& p : {a, b, c, a}) bm.AddList(p);
    for (const bool namesView : {false, true}) {
        SCOPED_TRACE(namesView ? "names view" : "paths view");
        if (namesView) MouseClick(bm.Control(IDC_CKLISTVIEW));
        EXPECT_EQ(IsChecked(bm.hwnd(), IDC_CKLISTVIEW), namesView);
        const int id = namesView ? IDC_LSTFILENMLIST : IDC_LSTFILELIST;
        HWND shown = bm.Control(id);
        HWND other = bm.Control(namesView ? IDC_LSTFILELIST : IDC_LSTFILENMLIST);
        EXPECT_TRUE(HasVisibleStyle(shown));
        EXPECT_FALSE(HasVisibleStyle(other));

        const Items before = Paths(*main);
        const std::wstring opened = main->FilePath();
        SendMessageW(shown, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SendMessageW(other, LB_SETCURSEL, 0, 0);
        SendMessageW(bm.hwnd(), WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(shown));
        Click(bm.hwnd(), IDC_CMDDELLIST);
        EXPECT_EQ(Paths(*main), before);
        EXPECT_EQ(main->FilePath(), opened);

        DoubleClickItem(shown, 1);
        EXPECT_EQ(main->FilePath(), before[1]);
        EXPECT_EQ(Text(main->hwnd()), before[1].substr(before[1].rfind(L'\\') + 1));
        Click(bm.hwnd(), IDC_CMDDELLIST);
    }
    EXPECT_EQ(Paths(*main), (Items{a, a}));
    EXPECT_EQ(Names(*main), (Items{L"a.log", L"a.log"}));

    // Enter on the list opens the selected entry, as the program's message loop passes it on.
    SendMessageW(bm.Control(IDC_LSTFILENMLIST), LB_SETCURSEL, 0, 0);
    EXPECT_TRUE(PressEnter(bm.hwnd(), bm.Control(IDC_LSTFILENMLIST)));
    EXPECT_EQ(main->FilePath(), a);
    // An empty path reaching the main window would have brought up the open dialog.
    EXPECT_TRUE(ui.openPatterns.empty());
    EXPECT_FALSE(ValueExists(L"Book Mark Count")) << "deleting alone stores nothing";
}

TEST_F(BookmarkWindowTest, CloseBoxStoresTheListAndTheNextMoveBringsItBack) {
    const std::wstring a = File(L"a.log");
    auto main = StartWithBookmarks();
    ASSERT_TRUE(main);
    main->Bookmarks().AddList(a);
    MouseClick(main->Bookmarks().Control(IDC_CKLISTVIEW));
    HWND bm = main->Bookmarks().hwnd();
    SendMessageW(bm, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(bm));
    EXPECT_EQ(ReadDword(L"Book Mark Count"), 1u);
    EXPECT_EQ(StoredValues(), (Items{a, L"-", L"-", L"-", L"-"}));

    // Back hidden, with the list read back and the full-path view.
    const RECT r = WindowRect(main->hwnd());
    MoveWindowTo(main->hwnd(), r.left + 20, r.top + 20);
    ASSERT_TRUE(main->Bookmarks().exists());
    EXPECT_FALSE(main->Bookmarks().visible());
    EXPECT_EQ(Paths(*main), Items{a});
    EXPECT_FALSE(IsChecked(main->Bookmarks().hwnd(), IDC_CKLISTVIEW));
    EXPECT_TRUE(HasVisibleStyle(main->Bookmarks().Control(IDC_LSTFILELIST)));
}

TEST_F(BookmarkWindowTest, ListIsStoredUnderNumberedValuesAndComesBackInOrder) {
    const std::wstring a = File(L"a.log"), b = File(L"b.log");
    {
        auto main = StartWithBookmarks();
        ASSERT_TRUE(main);
        for (const auto& p : {b, a, b}) main->Bookmarks().AddList(p);
        SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(main->exists());
    }
    EXPECT_EQ(ReadDword(L"Book Mark Count"), 3u);
    EXPECT_EQ(StoredValues(), (Items{b, a, b, L"-", L"-"}));
    EXPECT_FALSE(ValueExists(L"Book Mark List0"));
    auto main = StartMain();
    ASSERT_TRUE(main);
    EXPECT_EQ(Paths(*main), (Items{b, a, b}));
    EXPECT_EQ(Names(*main), (Items{L"b.log", L"a.log", L"b.log"}));
}

TEST_F(BookmarkWindowTest, ShrunkOrEmptiedListIsStoredAsItStands) {
    Seed({L"C:\\1.log", L"C:\\2.log", L"C:\\3.log", L"C:\\4.log", L"C:\\5.log"});
    DeleteAndClose({3, 0});
    EXPECT_EQ(ReadDword(L"Book Mark Count"), 3u);
    EXPECT_EQ(StoredValues(),
              (Items{L"C:\\2.log", L"C:\\3.log", L"C:\\5.log", L"C:\\4.log", L"C:\\5.log"}))
        << "values 4 and 5 are left";
    EXPECT_EQ(Paths(*StartMain()), (Items{L"C:\\2.log", L"C:\\3.log", L"C:\\5.log"}));

    ClearConfig();
    Seed({L"C:\\a.log", L"C:\\b.log"});
    DeleteAndClose({0, 0});
    EXPECT_EQ(ReadDword(L"Book Mark Count"), 0u);
    EXPECT_TRUE(Paths(*StartMain()).empty()) << "an emptied list stays empty";
}

TEST_F(BookmarkWindowTest, LoadingSkipsMissingValuesAndReadsLongOnesWhole) {
    const std::wstring longPath = L"C:\\" + std::wstring(400, L'長') + L"\\app.log";
    Seed({longPath, L"", L"C:\\third.log"});
    auto main = StartMain();
    ASSERT_TRUE(main);
    EXPECT_EQ(Paths(*main), (Items{longPath, L"C:\\third.log"}));
    EXPECT_EQ(Names(*main), (Items{L"", L""}));
}

// The add button drives the system's own open dialog, dismissed as a user would.
TEST(BookmarkRealDialog, AddButtonUsesTheRealOpenDialog) {
    ClearConfig();
    TempDir dir;
    const std::wstring path = dir.path(L"ブック.log");
    WriteFileBytes(path, "x\r\n");
    auto main = StartMain();
    ASSERT_TRUE(main);
    ChooseMenu(main->hwnd(), IDM_BOOKMARK);
    DialogWatcher watcher(L"ファイルを開く", [&](HWND dlg) { AnswerOpenDialog(dlg, path); });
    Click(main->Bookmarks().hwnd(), IDC_CMDADDLIST);
    EXPECT_TRUE(watcher.Found());
    EXPECT_EQ(ListItems(main->Bookmarks().Control(IDC_LSTFILELIST)), Items{path});
    EXPECT_EQ(ListItems(main->Bookmarks().Control(IDC_LSTFILENMLIST)), Items{L"ブック.log"});
    ClearConfig();
}

}  // namespace
}  // namespace zr::test
