// The main window: the followed file's display, the reading buttons, the text to insert and
// the menu bar from which every other window is reached. It makes its parts and connects
// them; what each part decides lives in the part.
#pragma once
#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "common/handles_win.h"
#include "common/message_filter_win.h"
#include "common/window_win.h"
#include "mainwindow/filter_bar_win.h"
#include "mainwindow/follow_pass_win.h"
#include "mainwindow/followed_file_win.h"
#include "mainwindow/log_search_win.h"
#include "mainwindow/log_view_win.h"
#include "mainwindow/main_controls_win.h"
#include "mainwindow/main_menu_win.h"
#include "mainwindow/side_windows_win.h"
#include "settings/display_state.h"
#include "settings/settings.h"

namespace zr {

class MainWindow final : public Window, private MessageFilter, private PassEvents {
  public:
    MainWindow();
    ~MainWindow() override;

    // Creates the window and runs the load steps; false, with CreationError() saying why,
    // when it could not be made. `quitOnDestroy` ends the message loop when the window goes
    // (the program); window tests keep their own loop.
    bool Create(int showCommand, bool quitOnDestroy = true);
    // Follows a file named outside the window (the command line, a side window), with the
    // checks and messages of 開く.
    void OpenFile(const std::wstring& path);

  private:
    void OnCreate(const CREATESTRUCTW& create) override;
    void OnSize(UINT kind, int width, int height) override;
    void OnMove(int x, int y) override;
    void OnDpiChanged(int dpi, const RECT& suggested) override;
    void OnCommand(int id, int code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    void OnDropFiles(HDROP drop) override;
    HBRUSH OnCtlColor(UINT msg, HDC dc, HWND control) override;
    void OnContextMenu(HWND from, POINT screen) override;
    void OnClose() override;
    bool OnQueryEndSession() override;
    void OnEndSession(bool ending) override;
    void OnDestroy() override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDestroyed() override;
    bool PreTranslate(MSG& msg) override;
    void NoticesFound(const std::array<bool, NoticeMatcher::kCount>& found) override;
    void MovedOn(const std::wstring& path) override;

    void RunLoadSteps();
    void ApplyStoredPosition(const StartupValues& startup);
    void RunClosingSteps();
    void OnExit();
    void OnOption();
    void OnHighlight();
    void OnNewestFile();
    void SwitchFilterBar();
    void SetWrap(bool wrap);
    // 読込中止 and 読込再開 enable what a stopped or a following window offers.
    void SetReadingButtons(bool following);

    Settings settings_;
    DisplayState display_;
    int showCommand_ = SW_SHOWNORMAL;
    bool quitOnDestroy_ = true;
    bool closing_ = false;
    int dpi_ = 96;
    UniqueFont uiFont_;
    UniqueFont labelFont_;
    UniqueBrush labelBrush_;
    UniqueAccel accelerators_;

    MainMenu menu_;
    LogView view_;
    std::unique_ptr<FollowPass> pass_;
    std::unique_ptr<FollowedFile> file_;
    std::unique_ptr<LogSearch> search_;
    std::unique_ptr<FilterBar> filterBar_;
    std::unique_ptr<SideWindows> sides_;
};

}  // namespace zr
