// The main window: the followed file's display, the reading buttons, the text to insert and
// the menu bar from which every other window is reached.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "common/handles_win.h"
#include "common/window_win.h"
#include "settings/settings.h"

namespace zr {

class BookmarkWindow;
class FileSearchWindow;
class AboutWindow;
struct FollowState;

// Font and colours actually applied to the display, as distinct from the stored settings.
struct DisplayState {
    std::wstring strCurFontName;
    int32_t lngCurFontSize = 9;
    bool blnCurBold = false;
    bool blnCurItalic = false;
    std::wstring strCurForeColor = L"0";
    std::wstring strCurBackColor = L"16777215";
};

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

inline constexpr UINT_PTR kTimer1 = 1;
// Posted while a long read pass still has text to show, so input is served in between.
inline constexpr UINT WM_APP_FOLLOW_CONTINUE = WM_APP + 1;

inline constexpr wchar_t kMainCaption[] = L"Zororuv";
inline constexpr wchar_t kReading[] = L"読込中...";
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
    bool TimerEnabled() const { return timerEnabled_; }
    UINT TimerInterval() const { return timerInterval_; }
    HMENU MenuBar() const { return menu_; }
    void SetMenuCaption(int id, const wchar_t* caption);
    // Runs a menu command as a click on it would.
    void Command(int id) { OnCommand(id); }

    Settings& settings() { return settings_; }
    DisplayState& display() { return display_; }
    const std::wstring& FilePath() const { return strFilePath_; }
    bool StopRead() const { return blnStopRead_; }
    bool WrapLines() const { return wrap_; }

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

    // Following.
    void OnTimer();
    void OnFollowContinue(WPARAM generation);
    void OnStopReading();
    void OnResumeReading();
    void OnClear();
    void OnInsertTime();
    void OnInsertText();
    void SetReadingButtons(bool following);
    void RunFollowStep();
    void ContinueFollowPass();
    void EndFollowPass(const wchar_t* label);
    void ShowFollowedText(const std::string& text);
    void ClearDisplay();
    HWND ReplaceDisplay();
    HWND KeepLatestLines(size_t from);
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
    bool blnStopRead_ = false;
    std::wstring strInsertString_;

    HMENU menu_ = nullptr;
    int dpi_ = 96;
    bool wrap_ = false;
    bool timerEnabled_ = false;
    UINT timerInterval_ = 1000;
    bool quitOnDestroy_ = true;
    bool closing_ = false;
    int showCommand_ = SW_SHOWNORMAL;
    UniqueFont uiFont_;
    UniqueFont labelFont_;
    UniqueFont displayFont_;
    UniqueBrush labelBrush_;
    WNDPROC lngPrevWndProc_ = nullptr;

    std::unique_ptr<FollowState> follow_;
    std::unique_ptr<BookmarkWindow> bookmarks_;
    std::unique_ptr<FileSearchWindow> fileSearch_;
    std::unique_ptr<AboutWindow> about_;
};

}  // namespace zr
