#include "mainwindow/log_search_win.h"

#include "common/ui_seam_win.h"

namespace zr {

UINT LogSearch::Message() {
    static const UINT message = RegisterWindowMessageW(FINDMSGSTRINGW);
    return message;
}

LogSearch::~LogSearch() {
    if (dialog_ && IsWindow(dialog_)) DestroyWindow(dialog_);
}

void LogSearch::Show() {
    if (dialog_ && IsWindow(dialog_)) {
        SetActiveWindow(dialog_);
        return;
    }
    if (!last_.empty() && last_.size() < std::size(what_)) {
        last_.copy(what_, last_.size());
        what_[last_.size()] = L'\0';
    }
    request_ = FINDREPLACEW{};
    request_.lStructSize = sizeof(request_);
    request_.hwndOwner = owner_;
    request_.lpstrFindWhat = what_;
    request_.wFindWhatLen = static_cast<WORD>(std::size(what_));
    // Whole words mean little in Japanese text, which has no spaces between them.
    request_.Flags = FR_HIDEWHOLEWORD | (down_ ? FR_DOWN : 0) | (matchCase_ ? FR_MATCHCASE : 0);
    dialog_ = FindTextW(&request_);
    // A pass must not take the caret away from a match while the user looks for the next.
    if (dialog_) view_.HoldView(true);
}

void LogSearch::Next(bool reverse) {
    if (last_.empty()) {
        Show();
        return;
    }
    Run(reverse ? !down_ : down_);
}

bool LogSearch::OnMessage(UINT msg, LPARAM lp) {
    if (msg != Message()) return false;
    const auto* request = reinterpret_cast<const FINDREPLACEW*>(lp);
    if (request->Flags & FR_DIALOGTERM) {
        dialog_ = nullptr;
        view_.HoldView(false);
        return true;
    }
    if (request->Flags & FR_FINDNEXT) {
        last_ = request->lpstrFindWhat;
        down_ = (request->Flags & FR_DOWN) != 0;
        matchCase_ = (request->Flags & FR_MATCHCASE) != 0;
        Run(down_);
    }
    return true;
}

void LogSearch::Run(bool down) {
    if (view_.Find(last_, down, matchCase_)) return;
    HWND owner = dialog_ && IsWindow(dialog_) ? dialog_ : owner_;
    Ui().Message(owner, L"「" + last_ + L"」が見つかりません。", kFindTitle,
                 MB_OK | MB_ICONINFORMATION);
}

}  // namespace zr
