// The main window: the followed file's display, the reading buttons, the text to insert and
// the menu bar from which every other window is reached.
#pragma once
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <memory>
#include <span>
#include <string>

#include "common/handles_win.h"
#include "common/message_filter_win.h"
#include "common/messages.h"
#include "common/side_window_win.h"
#include "common/window_win.h"
#include "mainwindow/follow_pass_win.h"
#include "mainwindow/log_search_win.h"
#include "mainwindow/log_view_win.h"
#include "mainwindow/main_menu_win.h"
#include "settings/display_state.h"
#include "settings/settings.h"

namespace zr {

class BookmarkWindow;
class FileSearchWindow;
class AboutWindow;
struct ControlSpec;

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

inline constexpr wchar_t kMainCaption[] = L"Zororuv";

// The main window owns the side windows, the About box and the options dialog; they know
// nothing of it. The side windows report to it through SideWindowOwner, and the options
// dialog hands back the settings the user confirmed.
class MainWindow final : public Window, private SideWindowOwner, private MessageFilter {
  public:
    MainWindow();
    ~MainWindow() override;

    // Creates the window and runs the load steps. `quitOnDestroy` ends the message loop
    // when the window goes (the program); window tests keep their own loop.
    bool Create(int showCommand, bool quitOnDestroy = true);

    void OpenFile(const std::wstring& strOpenFilePath);
    // What "追加起動" starts: this program, unless told otherwise (window tests).
    void SetSecondInstanceProgram(std::wstring path) { secondInstance_ = std::move(path); }
    // The encoding the followed file is read in (Auto: found from the file).
    TextEncoding ChosenEncoding() const { return encoding_; }
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
    // Runs a menu command as a click on it would.
    void Command(int id) { OnCommand(id); }

    const Settings& settings() const { return settings_; }
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

    void SetMenuCaption(int id, const wchar_t* caption);
    // A switching item's caption for the state of what it switches.
    void ShowSwitchState(int id, bool on) { SetMenuCaption(id, SwitchCaption(id, on)); }

    // The controls' designed geometry, in twips: what creates them and what lays them out.
    static std::span<const ControlSpec> ControlTable();
    static const ControlSpec& Designed(int id);

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
    // Follows `path` in `encoding` from its end, as an open does once the path is settled.
    void Follow(const std::wstring& path, TextEncoding encoding);
    void OnEncoding(int id);
    // The encoding to read in from now on, checked in the menu.
    void ChooseEncoding(TextEncoding encoding);
    void OnDropFiles(HDROP drop);
    void OnBoot();

    // Searching and copying the display.
    bool PreTranslate(MSG& msg) override;
    void OnContextMenu(HWND from, LPARAM at);

    // Side windows, options, About.
    void FileChosen(SideWindowKind from, const std::wstring& path, bool toBookmarks) override;
    void SideWindowClosed(SideWindowKind which) override;
    void OnBookMarkMenu();
    void OnFileSearchMenu();
    void OnOption();
    void ApplyOptions(const Settings& confirmed);
    // The display state takes the stored font and colours.
    void TakeDisplayFromSettings();
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
    std::unique_ptr<LogSearch> search_;
    TextEncoding encoding_ = TextEncoding::Auto;
    std::wstring secondInstance_;
    UniqueAccel accelerators_;
    std::unique_ptr<BookmarkWindow> bookmarks_;
    std::unique_ptr<FileSearchWindow> fileSearch_;
    std::unique_ptr<AboutWindow> about_;
};

}  // namespace zr
