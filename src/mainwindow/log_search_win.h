// Finding text in the followed log with the system's Find dialog, and F3 / Shift+F3 for the
// next match either way. The search goes over the whole file, not only what the display
// holds, in steps that leave the window answering; the display moves to the match.
#pragma once
#include <windows.h>
// After windows.h, which it needs.
#include <commdlg.h>

#include <memory>
#include <optional>
#include <string>

#include "follow/line_scanner.h"
#include "follow/matcher.h"
#include "mainwindow/follow_pass_win.h"
#include "mainwindow/log_view_win.h"

namespace zr {

inline constexpr wchar_t kFindTitle[] = L"検索";

class LogSearch {
  public:
    // `label` shows how far a long search has come.
    LogSearch(HWND owner, HWND label, LogView& view, FollowPass& pass);
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
    // A search is going through the file; Cancel stops it (Escape, the dialog closed).
    bool Busy() const { return job_ != nullptr; }
    void Cancel();
    HWND Dialog() const { return dialog_; }
    // The message the Find dialog sends its owner.
    static UINT Message();

  private:
    struct Job;
    static void CALLBACK OnStep(HWND, UINT, UINT_PTR id, DWORD) noexcept;
    void Run(bool down);
    // One step of the search through the file; false when it is over.
    bool Step();
    bool StepDown();
    bool StepUp();
    // Shows the first match of the line at `line` that begins at `from` or later (down), or
    // the last that begins before `before` (up); false when the line holds none.
    bool ShowInLine(const Matcher& matcher, bool down, uint64_t line, size_t from, size_t before);
    void Finish(bool found);
    void SetProgress(uint64_t done, uint64_t all);

    HWND owner_;
    HWND label_;
    LogView& view_;
    FollowPass& pass_;
    HWND dialog_ = nullptr;
    FINDREPLACEW request_{};  // the dialog keeps pointing at it while it is open
    wchar_t what_[256] = {};
    std::wstring last_;
    bool down_ = false;  // a log is read from its end: upwards first
    bool matchCase_ = false;
    std::unique_ptr<Job> job_;
};

}  // namespace zr
