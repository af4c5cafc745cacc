// Finding text in the log display with the system's Find dialog, and F3 / Shift+F3 for the
// next match either way.
#pragma once
#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <string>

#include "mainwindow/log_view_win.h"

namespace zr {

inline constexpr wchar_t kFindTitle[] = L"検索";

class LogSearch {
  public:
    LogSearch(HWND owner, LogView& view) : owner_(owner), view_(view) {}
    ~LogSearch();
    LogSearch(const LogSearch&) = delete;
    LogSearch& operator=(const LogSearch&) = delete;

    // Opens the Find dialog (modeless, owned by the main window), or brings it forward.
    void Show();
    // The next match in the last direction, or in the other one; the dialog when nothing
    // was searched for yet.
    void Next(bool reverse);
    // The dialog's message to its owner; true when `msg` was it.
    bool OnMessage(UINT msg, LPARAM lp);
    HWND Dialog() const { return dialog_; }
    // The message the Find dialog sends its owner.
    static UINT Message();

  private:
    void Run(bool down);

    HWND owner_;
    LogView& view_;
    HWND dialog_ = nullptr;
    FINDREPLACEW request_{};  // the dialog keeps pointing at it while it is open
    wchar_t what_[256] = {};
    std::wstring last_;
    bool down_ = false;  // a log is read from its end: upwards first
    bool matchCase_ = false;
};

}  // namespace zr
