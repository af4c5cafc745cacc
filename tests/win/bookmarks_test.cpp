#include <gtest/gtest.h>

#include "bookmarks/bookmark_window_win.h"
#include "common/controls_win.h"
#include "harness.h"
#include "side_window_helpers.h"

namespace zr::test {
namespace {

using Items = std::vector<std::wstring>;

class BookmarkWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }

    // The main window with its bookmark window shown from the View menu.
    std::unique_ptr<MainWindow> StartWithBookmarks() {
        auto main = StartMain();
        if (main) ChooseMenu(main->hwnd(), IDM_BOOKMARK);
        return main;
    }
    std::wstring File(const std::wstring& name, const std::string& bytes = "line\r\n") {
        const std::wstring path = dir.path(name);
        WriteFileBytes(path, bytes);
        return path;
    }
    static Items Paths(MainWindow& main) {
        return ListItems(main.Bookmarks().Control(IDC_LSTFILELIST));
    }
    static Items Names(MainWindow& main) {
        return ListItems(main.Bookmarks().Control(IDC_LSTFILENMLIST));
    }
    static void Close(MainWindow& main) { SendMessageW(main.hwnd(), WM_CLOSE, 0, 0); }

    ScriptedUi ui;
    TempDir dir;
};

TEST_F(BookmarkWindowTest, AddButtonTakesTheDialogsPathAndRefusesExecutables) {
    const std::wstring log = File(L"app.log");
    const std::wstring upper = File(L"TOOL.EXE");
    auto main = StartWithBookmarks();
    ASSERT_TRUE(main);
    HWND bm = main->Bookmarks().hwnd();
    ui.openAnswers = {log, L"", dir.path(L"run.exe"), upper, log};
    for (int i = 0; i < 5; ++i) Click(bm, IDC_CMDADDLIST);

    EXPECT_EQ(ui.openPatterns, Items(5, L"*.*"));
    ASSERT_EQ(ui.messages.size(), 1u) << "the cancel says nothing, the executable is refused";
    EXPECT_EQ(ui.messages[0].text, L"実行ファイルは読み込めません。");
    EXPECT_EQ(ui.messages[0].caption, L"エラー");
    EXPECT_EQ(ui.messages[0].flags & (MB_TYPEMASK | MB_ICONMASK),
              static_cast<UINT>(MB_OK | MB_ICONSTOP));
    // Upper-case EXE passes and the same file twice gives two entries.
    EXPECT_EQ(Paths(*main), (Items{log, upper, log}));
    EXPECT_EQ(Names(*main), (Items{L"app.log", L"TOOL.EXE", L"app.log"}));

    // The three letters need no dot before them; the text after a NUL does not count.
    using namespace std::string_literals;
    main->Bookmarks().AddList(dir.path(L"runexe"));
    main->Bookmarks().AddList(log + L"\0\0\0"s);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(Paths(*main), (Items{log, upper, log, log}));
}

TEST_F(BookmarkWindowTest, FileNameEntryIsEmptyUnlessAnOrdinaryFileIsFound) {
    const std::wstring plain = File(L"日本語のログ.txt");
    const std::wstring hidden = File(L"hidden.log");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const std::wstring missing = dir.path(L"missing.log");
    auto main = StartWithBookmarks();
    ASSERT_TRUE(main);
    for (const auto& path : {plain, hidden, missing, dir.dir(), std::wstring(L"Q:\\gone.log")}) {
        main->Bookmarks().AddList(path);
    }
    EXPECT_EQ(Paths(*main), (Items{plain, hidden, missing, dir.dir(), L"Q:\\gone.log"}));
    EXPECT_EQ(Names(*main), (Items{L"日本語のログ.txt", L"", L"", L"", L""}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(BookmarkWindowTest, NamesOnlyViewAndDoubleClickOpenTheFullPath) {
    const std::wstring a = File(L"a.log");
    const std::wstring b = File(L"b.log");
    auto main = StartWithBookmarks();
    ASSERT_TRUE(main);
    BookmarkWindow& bm = main->Bookmarks();
    bm.AddList(a);
    bm.AddList(b);
    HWND paths = bm.Control(IDC_LSTFILELIST);
    HWND names = bm.Control(IDC_LSTFILENMLIST);
    EXPECT_TRUE(HasVisibleStyle(paths));
    EXPECT_FALSE(HasVisibleStyle(names));

    MouseClick(bm.Control(IDC_CKLISTVIEW));
    EXPECT_TRUE(IsChecked(bm.hwnd(), IDC_CKLISTVIEW));
    EXPECT_FALSE(HasVisibleStyle(paths));
    EXPECT_TRUE(HasVisibleStyle(names));
    DoubleClickItem(names, 1);
    EXPECT_EQ(main->FilePath(), b);
    EXPECT_EQ(Text(main->hwnd()), L"b.log");

    MouseClick(bm.Control(IDC_CKLISTVIEW));
    EXPECT_TRUE(HasVisibleStyle(paths));
    EXPECT_FALSE(HasVisibleStyle(names));
    DoubleClickItem(paths, 0);
    EXPECT_EQ(main->FilePath(), a);

    // Enter on the list does the same, as the program's message loop passes it on.
    SendMessageW(paths, LB_SETCURSEL, 1, 0);
    SetFocus(paths);
    MSG msg{paths, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(bm.hwnd(), &msg));
    EXPECT_EQ(main->FilePath(), b);
    EXPECT_TRUE(ui.openPatterns.empty());
}

TEST_F(BookmarkWindowTest, DoubleClickWithNothingSelectedDoesNothing) {
    const std::wstring a = File(L"a.log");
    auto main = StartWithBookmarks();
    ASSERT_TRUE(main);
    BookmarkWindow& bm = main->Bookmarks();
    bm.AddList(a);
    for (int id : {IDC_LSTFILELIST, IDC_LSTFILENMLIST}) {
        if (id == IDC_LSTFILENMLIST) MouseClick(bm.Control(IDC_CKLISTVIEW));
        HWND list = bm.Control(id);
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SendMessageW(bm.hwnd(), WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(list));
    }
    // Reaching the main window with an empty path would have brought up the open dialog.
    EXPECT_TRUE(ui.openPatterns.empty());
    EXPECT_EQ(main->FilePath(), L"");
    EXPECT_EQ(Text(main->hwnd()), L"Zororuv");
}

TEST_F(BookmarkWindowTest, DeleteRemovesTheSelectedEntryFromBothLists) {
    const std::wstring a = File(L"a.log"), b = File(L"b.log"), c = File(L"c.log");
    auto main = StartWithBookmarks();
    ASSERT_TRUE(main);
    BookmarkWindow& bm = main->Bookmarks();
    for (const auto& p : {a, b, c}) bm.AddList(p);

    Click(bm.hwnd(), IDC_CMDDELLIST);
    EXPECT_EQ(Paths(*main), (Items{a, b, c})) << "nothing selected, nothing deleted";

    SendMessageW(bm.Control(IDC_LSTFILELIST), LB_SETCURSEL, 1, 0);
    Click(bm.hwnd(), IDC_CMDDELLIST);
    EXPECT_EQ(Paths(*main), (Items{a, c}));
    EXPECT_EQ(Names(*main), (Items{L"a.log", L"c.log"}));

    // In the names view the names list's selection counts, not the hidden list's.
    SendMessageW(bm.Control(IDC_LSTFILELIST), LB_SETCURSEL, 1, 0);
    MouseClick(bm.Control(IDC_CKLISTVIEW));
    SendMessageW(bm.Control(IDC_LSTFILENMLIST), LB_SETCURSEL, 0, 0);
    Click(bm.hwnd(), IDC_CMDDELLIST);
    EXPECT_EQ(Paths(*main), Items{c});
    EXPECT_EQ(Names(*main), Items{L"c.log"});
    EXPECT_FALSE(ValueExists(L"Book Mark Count")) << "deleting alone stores nothing";
}

TEST_F(BookmarkWindowTest, ListIsStoredUnderNumberedValuesAndComesBackInOrder) {
    const std::wstring a = File(L"a.log"), b = File(L"b.log");
    {
        auto main = StartWithBookmarks();
        ASSERT_TRUE(main);
        for (const auto& p : {b, a, b}) main->Bookmarks().AddList(p);
        Close(*main);
        EXPECT_FALSE(main->exists());
    }
    EXPECT_EQ(ReadDword(L"Book Mark Count"), 3u);
    EXPECT_EQ(ReadString(L"Book Mark List1"), b);
    EXPECT_EQ(ReadString(L"Book Mark List2"), a);
    EXPECT_EQ(ReadString(L"Book Mark List3"), b);
    EXPECT_FALSE(ValueExists(L"Book Mark List0"));
    EXPECT_FALSE(ValueExists(L"Book Mark List4"));

    auto main = StartMain();
    ASSERT_TRUE(main);
    EXPECT_EQ(Paths(*main), (Items{b, a, b}));
    EXPECT_EQ(Names(*main), (Items{L"b.log", L"a.log", L"b.log"}));
}

TEST_F(BookmarkWindowTest, CloseBoxStoresTheListAndResetsTheViewItem) {
    const std::wstring a = File(L"a.log");
    auto main = StartWithBookmarks();
    ASSERT_TRUE(main);
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_BOOKMARK), L"ブックマークの非表示(&B)");
    main->Bookmarks().AddList(a);
    MouseClick(main->Bookmarks().Control(IDC_CKLISTVIEW));
    HWND bm = main->Bookmarks().hwnd();
    SendMessageW(bm, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(bm));
    EXPECT_EQ(MenuCaption(main->MenuBar(), IDM_BOOKMARK), L"ブックマークの表示(&B)");
    EXPECT_EQ(ReadDword(L"Book Mark Count"), 1u);
    EXPECT_EQ(ReadString(L"Book Mark List1"), a);

    // The next move brings it back hidden, with the list read back and the full-path view.
    RECT r;
    GetWindowRect(main->hwnd(), &r);
    SetWindowPos(main->hwnd(), nullptr, r.left + 20, r.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump();
    ASSERT_TRUE(main->Bookmarks().exists());
    EXPECT_FALSE(main->Bookmarks().visible());
    EXPECT_EQ(Paths(*main), Items{a});
    EXPECT_FALSE(IsChecked(main->Bookmarks().hwnd(), IDC_CKLISTVIEW));
    EXPECT_TRUE(HasVisibleStyle(main->Bookmarks().Control(IDC_LSTFILELIST)));
}

TEST_F(BookmarkWindowTest, ShrinkingFromFiveToThreeWritesThreeAndLeavesFourAndFive) {
    WriteDword(L"Book Mark Count", 5);
    for (int i = 1; i <= 5; ++i) {
        WriteString((L"Book Mark List" + std::to_wstring(i)).c_str(),
                    L"C:\\logs\\" + std::to_wstring(i) + L".log");
    }
    {
        auto main = StartMain();
        ASSERT_TRUE(main);
        HWND list = main->Bookmarks().Control(IDC_LSTFILELIST);
        ASSERT_EQ(ListItems(list).size(), 5u);
        for (int index : {3, 0}) {
            SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
            Click(main->Bookmarks().hwnd(), IDC_CMDDELLIST);
        }
        Close(*main);
    }
    EXPECT_EQ(ReadDword(L"Book Mark Count"), 3u);
    EXPECT_EQ(ReadString(L"Book Mark List1"), L"C:\\logs\\2.log");
    EXPECT_EQ(ReadString(L"Book Mark List2"), L"C:\\logs\\3.log");
    EXPECT_EQ(ReadString(L"Book Mark List3"), L"C:\\logs\\5.log");
    EXPECT_EQ(ReadString(L"Book Mark List4"), L"C:\\logs\\4.log");
    EXPECT_EQ(ReadString(L"Book Mark List5"), L"C:\\logs\\5.log");

    auto main = StartMain();
    ASSERT_TRUE(main);
    EXPECT_EQ(Paths(*main), (Items{L"C:\\logs\\2.log", L"C:\\logs\\3.log", L"C:\\logs\\5.log"}));
}

TEST_F(BookmarkWindowTest, EmptiedListStaysEmptyAtTheNextStart) {
    WriteDword(L"Book Mark Count", 2);
    WriteString(L"Book Mark List1", L"C:\\a.log");
    WriteString(L"Book Mark List2", L"C:\\b.log");
    {
        auto main = StartMain();
        ASSERT_TRUE(main);
        HWND list = main->Bookmarks().Control(IDC_LSTFILELIST);
        for (int i = 0; i < 2; ++i) {
            SendMessageW(list, LB_SETCURSEL, 0, 0);
            Click(main->Bookmarks().hwnd(), IDC_CMDDELLIST);
        }
        ASSERT_TRUE(ListItems(list).empty());
        Close(*main);
    }
    EXPECT_EQ(ReadDword(L"Book Mark Count"), 0u);
    auto main = StartMain();
    ASSERT_TRUE(main);
    EXPECT_TRUE(Paths(*main).empty());
}

TEST_F(BookmarkWindowTest, LoadingSkipsMissingValuesAndReadsLongOnesWhole) {
    const std::wstring longPath = L"C:\\" + std::wstring(400, L'長') + L"\\app.log";
    WriteDword(L"Book Mark Count", 3);
    WriteString(L"Book Mark List1", longPath);
    WriteString(L"Book Mark List3", L"C:\\third.log");
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
    DialogWatcher watcher(L"ファイルを開く", [&](HWND dlg) {
        HWND name = GetDlgItem(dlg, 0x47C);  // the file name combo box
        if (name) {
            if (HWND edit = FindWindowExW(name, nullptr, L"Edit", nullptr)) name = edit;
        } else {
            name = GetDlgItem(dlg, 0x480);  // the file name edit box
        }
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
    });
    Click(main->Bookmarks().hwnd(), IDC_CMDADDLIST);
    EXPECT_TRUE(watcher.Found());
    EXPECT_EQ(ListItems(main->Bookmarks().Control(IDC_LSTFILELIST)), Items{path});
    EXPECT_EQ(ListItems(main->Bookmarks().Control(IDC_LSTFILENMLIST)), Items{L"ブック.log"});
    ClearConfig();
}

}  // namespace
}  // namespace zr::test
