// Opening a file to follow: what is accepted, what is refused, and what an open changes.
#include <gtest/gtest.h>

#include "harness.h"

namespace zr::test {
namespace {

class FollowOpen : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }

    // Everything an open that is refused or cancelled must leave as it was.
    struct Snapshot {
        std::wstring caption, label, display, path;
        bool timer, stopped;
        bool buttons[5];
        bool operator==(const Snapshot&) const = default;
    };
    static Snapshot Take(MainWindow& m) {
        Snapshot s{Text(m.hwnd()), Label1(m), DisplayText(m), m.FilePath(), m.TimerEnabled(),
                   m.StopRead(),   {}};
        for (int i = 0; i < 5; ++i) s.buttons[i] = IsWindowEnabled(m.Control(IDC_COMMAND1 + i));
        return s;
    }

    ScriptedUi ui;
    TempDir dir;
};

TEST_F(FollowOpen, FollowingStateAfterAnOpen) {
    auto main = StartFollowing();
    const std::wstring path = dir.path(L"app.log");
    WriteFileBytes(path, "first\r\n\r\nthird\r\n");
    ui.openAnswers = {path};
    ChooseMenu(main->hwnd(), IDM_OPEN);
    ASSERT_EQ(ui.openPatterns, std::vector<std::wstring>{L"*.*"});
    EXPECT_EQ(main->FilePath(), path);
    EXPECT_EQ(Text(main->hwnd()), L"app.log") << "the name only, never the folder";
    EXPECT_TRUE(main->TimerEnabled());
    EXPECT_FALSE(main->StopRead());
    EXPECT_TRUE(IsWindowEnabled(main->Control(IDC_COMMAND1)));
    EXPECT_FALSE(IsWindowEnabled(main->Control(IDC_COMMAND2)));
    EXPECT_TRUE(IsWindowEnabled(main->Control(IDC_COMMAND3)));
    EXPECT_TRUE(IsWindowEnabled(main->Control(IDC_COMMAND4)));
    EXPECT_TRUE(IsWindowEnabled(main->Control(IDC_COMMAND5)));
    // The first pass runs at the open, not a tick later.
    EXPECT_EQ(DisplayText(*main), L"first\r\rthird\r") << "empty lines included";
    EXPECT_EQ(Label1(*main), L"");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(FollowOpen, CancelEmptyPathAndLeadingNulChangeNothing) {
    auto main = StartFollowing();
    const std::wstring path = dir.path(L"app.log");
    WriteFileBytes(path, "one\r\n");
    main->OpenFile(path);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"one\r" && Label1(*main).empty(); }));
    const Snapshot before = Take(*main);

    ui.openAnswers = {L""};
    ChooseMenu(main->hwnd(), IDM_OPEN);
    EXPECT_EQ(ui.openPatterns.size(), 1u);
    EXPECT_TRUE(Take(*main) == before) << "a cancelled dialog";
    main->OpenFile(std::wstring(L"\0C:\\other.log", 13));
    EXPECT_TRUE(Take(*main) == before) << "a NUL first counts as a cancel";
    EXPECT_TRUE(ui.messages.empty());

    // Following went on all along.
    WriteFileBytes(path, "two\r\n", true);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"one\rtwo\r"; }));

    // Stopped stays stopped.
    Click(main->hwnd(), IDC_COMMAND1);
    const Snapshot stopped = Take(*main);
    ui.openAnswers = {L""};
    ChooseMenu(main->hwnd(), IDM_OPEN);
    EXPECT_TRUE(Take(*main) == stopped);
}

TEST_F(FollowOpen, PathIsCutAtItsFirstNul) {
    auto main = StartFollowing();
    const std::wstring path = dir.path(L"cut.log");
    WriteFileBytes(path, "cut\r\n");
    ui.openAnswers = {path + std::wstring(L"\0\0\0junk", 7)};
    ChooseMenu(main->hwnd(), IDM_OPEN);
    EXPECT_EQ(main->FilePath(), path);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"cut\r"; }));
}

TEST_F(FollowOpen, ExecutablesAreRefusedAndNeverWritten) {
    auto main = StartFollowing();
    const std::wstring exe = dir.path(L"tool.exe");
    const std::wstring noDot = dir.path(L"annexe");
    const std::wstring caps = dir.path(L"TOOL2.EXE");
    for (const auto& p : {exe, noDot, caps}) WriteFileBytes(p, "MZ\r\n");

    // With nothing followed yet, a refusal leaves the window idle.
    const Snapshot idle = Take(*main);
    main->OpenFile(exe);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kExeRefused);
    EXPECT_EQ(ui.messages[0].caption, kErrorTitle);
    EXPECT_EQ(ui.messages[0].flags & (MB_ICONMASK | MB_TYPEMASK),
              static_cast<UINT>(MB_ICONERROR | MB_OK));
    EXPECT_TRUE(Take(*main) == idle);
    EXPECT_FALSE(main->TimerEnabled());

    const std::wstring log = dir.path(L"app.log");
    WriteFileBytes(log, "log\r\n");
    main->OpenFile(log);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"log\r" && Label1(*main).empty(); }));
    const Snapshot following = Take(*main);
    main->OpenFile(noDot);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, kExeRefused);
    EXPECT_TRUE(Take(*main) == following);

    // The insertions still go to the followed file, never to the refused one.
    SetWindowTextW(main->Control(IDC_TEXT1), L"marker");
    Click(main->hwnd(), IDC_COMMAND5);
    EXPECT_EQ(ReadFileBytes(log), "log\r\nmarker\r\n");
    EXPECT_EQ(ReadFileBytes(noDot), "MZ\r\n");
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"log\rmarker\r"; }));

    // The same letters in capitals are an ordinary name.
    main->OpenFile(caps);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(main->FilePath(), caps);
    EXPECT_EQ(Text(main->hwnd()), L"TOOL2.EXE");
}

TEST_F(FollowOpen, MissingOrUnreadablePathIsRefusedNamingTheFile) {
    auto main = StartFollowing();
    const std::wstring log = dir.path(L"app.log");
    WriteFileBytes(log, "kept\r\n");
    main->OpenFile(log);
    ASSERT_TRUE(
        PumpUntil([&] { return DisplayText(*main) == L"kept\r" && Label1(*main).empty(); }));
    const Snapshot before = Take(*main);

    const std::wstring missing = dir.path(L"missing.log");
    const std::wstring locked = dir.path(L"locked.log");
    WriteFileBytes(locked, "");
    // A writer that shares nothing keeps everyone else from reading.
    Writer holder({L"hold", locked, L"none", L"1.5", L"held"});
    ASSERT_TRUE(holder.Started());
    ASSERT_TRUE(PumpUntil([&] { return !OpenableForReading(locked); }));
    for (const std::wstring& bad : {missing, dir.dir(), locked}) {
        ui.messages.clear();
        main->OpenFile(bad);
        ASSERT_EQ(ui.messages.size(), 1u) << "no refusal for " << testing::PrintToString(bad);
        EXPECT_NE(ui.messages[0].text.find(bad), std::wstring::npos) << "the message names it";
        EXPECT_EQ(ui.messages[0].caption, kErrorTitle);
        EXPECT_EQ(ui.messages[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        EXPECT_TRUE(Take(*main) == before);
    }
    EXPECT_EQ(holder.Wait(), 0);
}

TEST_F(FollowOpen, CaptionIsTheListedNameOfAnOrdinaryFile) {
    auto main = StartFollowing();
    const std::wstring dirPath = dir.path(L"ログ置き場");
    CreateDirectoryW(dirPath.c_str(), nullptr);
    const std::wstring log = dirPath + L"\\サーバー.log";
    WriteFileBytes(log, "x\r\n");
    main->OpenFile(log);
    EXPECT_EQ(Text(main->hwnd()), L"サーバー.log");

    // A hidden file is followed, but a directory lookup of ordinary files does not list it.
    const std::wstring hidden = dir.path(L"hidden.log");
    WriteFileBytes(hidden, "hidden text\r\n");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    main->OpenFile(hidden);
    EXPECT_EQ(Text(main->hwnd()), L"");
    EXPECT_EQ(main->FilePath(), hidden);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"hidden text\r"; }));
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FollowOpen, EveryOpenShowsTheFileOnceFromAnEmptyDisplay) {
    auto main = StartFollowing();
    const std::wstring a = dir.path(L"a.log");
    const std::wstring b = dir.path(L"b.log");
    WriteFileBytes(a, "a1\r\na2\r\n");
    WriteFileBytes(b, "b1\r\n");
    main->OpenFile(a);
    ASSERT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"a1\ra2\r"; }));
    main->OpenFile(a);  // the same path again
    EXPECT_EQ(DisplayText(*main), L"a1\ra2\r");
    Pump(200);
    EXPECT_EQ(DisplayText(*main), L"a1\ra2\r") << "shown once";

    // Opening while stopped starts following the new file.
    Click(main->hwnd(), IDC_COMMAND1);
    ASSERT_TRUE(main->StopRead());
    main->OpenFile(b);
    EXPECT_FALSE(main->StopRead());
    EXPECT_TRUE(IsWindowEnabled(main->Control(IDC_COMMAND1)));
    EXPECT_FALSE(IsWindowEnabled(main->Control(IDC_COMMAND2)));
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"b1\r"; }));
    WriteFileBytes(a, "a3\r\n", true);
    WriteFileBytes(b, "b2\r\n", true);
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"b1\rb2\r"; }));
}

// The real dialog, driven as a user would: the path typed into its name box, then OK.
TEST_F(FollowOpen, RealDialogOpensTheTypedPath) {
    SetUi(nullptr);  // the real dialogs
    const std::wstring path = dir.path(L"実行ログ.txt");
    WriteFileBytes(path, "dialog line\r\n");
    auto main = StartFollowing();
    ASSERT_TRUE(main);
    DialogWatcher watcher(L"ファイルを開く", [&](HWND dlg) { AnswerOpenDialog(dlg, path); });
    ChooseMenu(main->hwnd(), IDM_OPEN);
    EXPECT_TRUE(watcher.Found());
    EXPECT_EQ(main->FilePath(), path);
    EXPECT_EQ(Text(main->hwnd()), L"実行ログ.txt");
    EXPECT_TRUE(PumpUntil([&] { return DisplayText(*main) == L"dialog line\r"; }));
}

}  // namespace
}  // namespace zr::test
