// The main window: the followed file's display, the reading buttons, the text to insert and
// the menu bar from which every other window is reached.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "common/handles_win.h"
#include "common/window_win.h"
#include "mainwindow/follow_pass_win.h"
#include "mainwindow/log_view_win.h"
#include "settings/display_state.h"
#include "settings/settings.h"

namespace zr {

class BookmarkWindow;
class FileSearchWindow;
class AboutWindow;

enum MainControlId : int {
    IDC_LABEL2 = 100,
    IDC_TEXT1,
    IDC_LABEL1,
    IDC_RICHTEXT,
    IDC_COMMAND1,
    IDC_COMMAND2,
    IDC_COMMAND3,
    IDC_COMMAND4,
    IDC_COMMAND5,
};

enum MainMenuId : int {
    IDM_OPEN = 200,
    IDM_BOOT,
    IDM_EXIT,
    IDM_BOOKMARK,
    IDM_FILESEARCH,
    IDM_WINPOS,
    IDM_RSCROLL,
    IDM_OPTION,
    IDM_VER,
};

inline constexpr wchar_t kMainCaption[] = L"Zororuv";
inline constexpr wchar_t kErrorTitle[] = L"エラー";
inline constexpr wchar_t kExeRefused[] = L"実行ファイルは読み込めません。";

class MainWindow final : public Window {
  public:
    MainWindow();
    ~MainWindow() override;

    // Creates the window and runs the load steps. `quitOnDestroy` ends the message loop
    // when the window goes (the program); window tests keep their own loop.
    bool Create(int showCommand, bool quitOnDestroy = true);

    // Public operations used by the side windows and the options dialog.
    void OpenFile(const std::wstring& strOpenFilePath);
    void ResizeBMForm();
    void ResizeFSForm();
    BookmarkWindow& Bookmarks();     // created, hidden, on first reference
    FileSearchWindow& FileSearch();  // likewise
    AboutWindow* About() const { return about_.get(); }
    void SetTopMost(HWND hwnd, int release);
    void SwitchTopMost(HWND hwnd, int state);
    int TopMost() const { return intTopMost_; }
    // Applies a display state to the display (font, background, colour of new text).
    void ApplyDisplayState(bool recolourAll);
    void EnableTimer(bool enable);
    bool TimerEnabled() const { return pass_ && pass_->TimerEnabled(); }
    UINT TimerInterval() const { return timerInterval_; }
    HMENU MenuBar() const { return menu_; }
    void SetMenuCaption(int id, const wchar_t* caption);
    // Runs a menu command as a click on it would.
    void Command(int id) { OnCommand(id); }

    Settings& settings() { return settings_; }
    DisplayState& display() { return display_; }
    const std::wstring& FilePath() const { return strFilePath_; }
    bool StopRead() const { return pass_ && pass_->StopRead(); }
    bool WrapLines() const { return view_.Wrap(); }

    // The move hook, installed at load and removed as the window closes.
    void HookWindow();
    void UnhookWindow();
    WNDPROC PreviousWndProc() const { return lngPrevWndProc_; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDestroyed() override;

  private:
    // Load and close.
    void RunLoadSteps();
    void ApplyStoredPosition(const StartupValues& startup);
    void CreateMenuBar();
    void CreateChildControls();
    void OnClose();
    void RunClosingSteps();
    void OnEndSession(bool ending);
    void OnCommand(int id);
    void OnExitMenu();
    LRESULT OnCtlColorStatic(HDC dc, HWND control);

    // Layout and view switches.
    void OnSize();
    void OnDpiChanged(int dpi, const RECT& suggested);
    void RecreateFonts();
    void OnRScroll();
    void OnWinpos();
    void SetWrap(bool wrap);

    // The reading buttons and the insertions.
    void OnCommand1();  // 読込中止
    void OnCommand2();  // 読込再開
    void OnCommand3();  // クリア
    void OnCommand4();  // 時刻挿入
    void OnCommand5();  // 文章挿入
    void SetReadingButtons(bool following);
    void AppendLineToFile(const std::wstring& line);

    // Side windows, options, About.
    void OnBookMarkMenu();
    void OnFileSearchMenu();
    void OnOption();
    void SetTopMostAroundDialog(int release);
    void OnVersion();
    void CloseSideWindows();
    void ShowStartupSideWindows();

    Settings settings_;
    DisplayState display_;
    int intTopMost_ = 0;
    std::wstring strFilePath_;
    std::wstring strInsertString_;

    HMENU menu_ = nullptr;
    int dpi_ = 96;
    UINT timerInterval_ = 1000;
    bool quitOnDestroy_ = true;
    bool closing_ = false;
    int showCommand_ = SW_SHOWNORMAL;
    UniqueFont uiFont_;
    UniqueFont labelFont_;
    UniqueFont displayFont_;
    UniqueBrush labelBrush_;
    WNDPROC lngPrevWndProc_ = nullptr;

    LogView view_;
    std::unique_ptr<FollowPass> pass_;
    std::unique_ptr<BookmarkWindow> bookmarks_;
    std::unique_ptr<FileSearchWindow> fileSearch_;
    std::unique_ptr<AboutWindow> about_;
};

}  // namespace zr
