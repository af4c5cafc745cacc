#include <gtest/gtest.h>

#include "common/twips.h"
#include "harness.h"

namespace zr::test {
namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearConfig(); }
    void TearDown() override { ClearConfig(); }
    ScriptedUi ui;
};

TEST_F(MainWindowTest, StartsWithNoFileAndOnlyClearEnabled) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    HWND h = main->hwnd();
    EXPECT_EQ(Text(h), L"Zororuv");
    EXPECT_FALSE(IsWindowEnabled(main->Control(IDC_COMMAND1)));
    EXPECT_FALSE(IsWindowEnabled(main->Control(IDC_COMMAND2)));
    EXPECT_TRUE(IsWindowEnabled(main->Control(IDC_COMMAND3)));
    EXPECT_FALSE(IsWindowEnabled(main->Control(IDC_COMMAND4)));
    EXPECT_FALSE(IsWindowEnabled(main->Control(IDC_COMMAND5)));
    EXPECT_EQ(Text(main->Control(IDC_LABEL1)), L"");
    EXPECT_EQ(Text(main->Control(IDC_RICHTEXT)), L"");
    EXPECT_EQ(Text(main->Control(IDC_TEXT1)), L"");
    EXPECT_FALSE(main->TimerEnabled());
    EXPECT_EQ(main->TimerInterval(), 1000u);
    EXPECT_EQ(main->FilePath(), L"");
    EXPECT_TRUE(MenuGrayed(main->MenuBar(), IDM_BOOT));
    EXPECT_FALSE(MenuGrayed(main->MenuBar(), IDM_OPEN));
    // A tick must not arrive while the timer is off.
    Pump(1200);
    EXPECT_EQ(Text(main->Control(IDC_LABEL1)), L"");
}

TEST_F(MainWindowTest, EveryCaptionIsExact) {
    auto main = StartMain();
    ASSERT_TRUE(main);
    const std::pair<int, const wchar_t*> controls[] = {
        {IDC_LABEL2, L"挿入文章"}, {IDC_COMMAND1, L"読込中止"}, {IDC_COMMAND2, L"読込再開"},
        {IDC_COMMAND3, L"クリア"}, {IDC_COMMAND4, L"時刻挿入"}, {IDC_COMMAND5, L"文章挿入"},
    };
    for (const auto& [id, caption] : controls) EXPECT_EQ(Text(main->Control(id)), caption);

    HMENU bar = main->MenuBar();
    const wchar_t* tops[] = {L"ファイル(&F)", L"表示(&V)", L"ツール(&T)", L"ヘルプ(&H)"};
    ASSERT_EQ(GetMenuItemCount(bar), 4);
    for (int i = 0; i < 4; ++i) {
        wchar_t buf[64] = {};
        GetMenuStringW(bar, static_cast<UINT>(i), buf, 64, MF_BYPOSITION);
        EXPECT_STREQ(buf, tops[i]);
    }
    const std::pair<int, const wchar_t*> items[] = {
        {IDM_OPEN, L"開く(&O)"},
        {IDM_BOOT, L"追加起動(&L)"},
        {IDM_EXIT, L"終了(&X)"},
        {IDM_BOOKMARK, L"ブックマークの表示(&B)"},
        {IDM_FILESEARCH, L"ファイル検索の表示(&F)"},
        {IDM_WINPOS, L"手前に表示 ON(&T)"},
        {IDM_RSCROLL, L"横スクロール非表示(&V)"},
        {IDM_OPTION, L"オプション(&O)"},
        {IDM_VER, L"バージョン情報(&A)"},
    };
    for (const auto& [id, caption] : items) EXPECT_EQ(MenuCaption(bar, id), caption);
    // Separators sit after "追加起動" and after the file search item.
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 0)), 4);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 1)), 5);
}

TEST_F(MainWindowTest, InsertTextSwitchDecidesWhetherTheTextComesBack) {
    WriteString(L"Insert String", L"### 作業開始 ###");
    {
        auto main = StartMain();
        EXPECT_EQ(Text(main->Control(IDC_TEXT1)), L"");
        SetWindowTextW(main->Control(IDC_TEXT1), L"changed");
        SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
    }
    EXPECT_EQ(ReadString(L"Insert String"), L"### 作業開始 ###") << "off: nothing saved";

    WriteDword(L"Insert Text", 1);
    auto main = StartMain();
    EXPECT_EQ(Text(main->Control(IDC_TEXT1)), L"### 作業開始 ###");
    SetWindowTextW(main->Control(IDC_TEXT1), L"次の文章");
    SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadString(L"Insert String"), L"次の文章");
}

TEST_F(MainWindowTest, WindowPosOnRestoresAndSavesTwips) {
    WriteDword(L"Window Pos", 1);
    WriteDword(L"Window Top", 1500);   // 100 px at 96 DPI
    WriteDword(L"Window Left", 3000);  // 200 px
    auto main = StartMain();
    const int dpi = GetDeviceCaps(GetDC(nullptr), LOGPIXELSY);
    RECT r;
    GetWindowRect(main->hwnd(), &r);
    EXPECT_EQ(r.top, TwipsToPixels(1500, dpi));
    EXPECT_EQ(r.left, TwipsToPixels(3000, dpi));

    SetWindowPos(main->hwnd(), nullptr, 50, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(main->exists());
    EXPECT_EQ(ReadDword(L"Window Top"), static_cast<DWORD>(PixelsToTwips(70, dpi)));
    EXPECT_EQ(ReadDword(L"Window Left"), static_cast<DWORD>(PixelsToTwips(50, dpi)));
}

TEST_F(MainWindowTest, WindowPosOffNeitherAppliesNorWrites) {
    WriteDword(L"Window Top", 1500);
    WriteDword(L"Window Left", 3000);
    auto main = StartMain();
    SetWindowPos(main->hwnd(), nullptr, 333, 222, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(main->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadDword(L"Window Top"), 1500u);
    EXPECT_EQ(ReadDword(L"Window Left"), 3000u);
    EXPECT_FALSE(ValueExists(L"Insert String"));
}

TEST_F(MainWindowTest, PositionNoMonitorShowsIsNotApplied) {
    WriteDword(L"Window Pos", 1);
    WriteDword(L"Window Top", 15 * 20000);
    WriteDword(L"Window Left", 15 * 20000);
    auto main = StartMain();
    RECT r;
    GetWindowRect(main->hwnd(), &r);
    EXPECT_NE(MonitorFromRect(&r, MONITOR_DEFAULTTONULL), nullptr);
    EXPECT_LT(r.left, 5000);
}

TEST_F(MainWindowTest, StoredIntervalOutsideRangeRunsAtOneSecond) {
    WriteDword(L"Read Interval", 0);
    EXPECT_EQ(StartMain()->TimerInterval(), 1000u);
    WriteDword(L"Read Interval", 250);
    EXPECT_EQ(StartMain()->TimerInterval(), 250u);
    EXPECT_EQ(ReadDword(L"Read Interval"), 250u) << "the stored value is left as it is";
}

TEST_F(MainWindowTest, ExitAsksAndCancelChangesNothing) {
    WriteDword(L"Window Pos", 1);
    auto main = StartMain();
    ui.messageAnswer = IDCANCEL;
    ChooseMenu(main->hwnd(), IDM_EXIT);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"終了しますか？");
    EXPECT_EQ(ui.messages[0].caption, L"確認");
    EXPECT_EQ(ui.messages[0].flags & (MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK),
              static_cast<UINT>(MB_OKCANCEL | MB_DEFBUTTON1));
    EXPECT_TRUE(main->exists());
    EXPECT_FALSE(ValueExists(L"Window Top"));
    EXPECT_FALSE(main->StopRead());
}

TEST_F(MainWindowTest, ExitConfirmedSavesAndCloses) {
    WriteDword(L"Window Pos", 1);
    auto main = StartMain();
    ui.messageAnswer = IDOK;
    ChooseMenu(main->hwnd(), IDM_EXIT);
    EXPECT_FALSE(main->exists());
    EXPECT_TRUE(ValueExists(L"Window Top"));
    EXPECT_TRUE(ValueExists(L"Window Left"));
}

TEST_F(MainWindowTest, CloseBoxSavesWithoutAsking) {
    WriteDword(L"Window Pos", 1);
    auto main = StartMain();
    SendMessageW(main->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump(50);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(main->exists());
    EXPECT_TRUE(ValueExists(L"Window Top"));
}

TEST(RealMessageBox, ExitConfirmationIsARealMessageBox) {
    ClearConfig();
    auto main = StartMain();
    std::wstring text;
    DialogWatcher watcher(L"確認", [&](HWND box) {
        wchar_t buf[128] = {};
        GetDlgItemTextW(box, 0xFFFF, buf, 128);  // the message box's text control
        text = buf;
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    ChooseMenu(main->hwnd(), IDM_EXIT);
    EXPECT_TRUE(watcher.Found());
    EXPECT_EQ(text, L"終了しますか？");
    EXPECT_TRUE(main->exists()) << "Cancel keeps the program running";
}

}  // namespace
}  // namespace zr::test
