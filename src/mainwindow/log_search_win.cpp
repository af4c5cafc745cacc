// The search goes through the file's bytes with the line scanner, from the selection to the
// file's end or start, a few megabytes per step. Steps come from a timer, the lowest of
// messages, so a click or a key is always answered before the next step; a search that ends
// within a short time (most do) ends before Find returns.
#include "mainwindow/log_search_win.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "common/codepage_win.h"
#include "common/ui_seam_win.h"

namespace zr {

namespace {

// Bytes scanned per step, and how long the steps may run before Find returns.
constexpr size_t kStepBytes = 4 * 1024 * 1024;
constexpr std::chrono::milliseconds kAtOnce{50};
// Searching upwards, the file is scanned forwards a region of at least this much at a time.
constexpr uint64_t kRegionBytes = 16 * 1024 * 1024;
// Of a line longer than this, only this much is looked at for the match to select.
constexpr size_t kLineChars = 1024 * 1024;

const CodePage kSystemCodePage{&IsAnsiLeadByte, &FromAnsi};

}  // namespace

struct LogSearch::Job {
    Matcher matcher;
    bool down = false;
    uint64_t origin = 0;       // where the search began
    uint64_t pos = 0;          // the next byte to scan
    uint64_t regionBegin = 0;  // upwards: the region scanned now
    uint64_t regionEnd = 0;
    std::optional<LineScanner> scanner;
    std::vector<ByteRange> region;  // upwards: the matches of the region so far
    std::vector<ByteRange> matches;
};

UINT LogSearch::Message() {
    static const UINT message = RegisterWindowMessageW(FINDMSGSTRINGW);
    return message;
}

LogSearch::LogSearch(HWND owner, HWND label, LogView& view, FollowPass& pass)
    : owner_(owner), label_(label), view_(view), pass_(pass) {}

LogSearch::~LogSearch() {
    Cancel();
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
        Cancel();
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

void LogSearch::Cancel() {
    if (!job_) return;
    KillTimer(owner_, reinterpret_cast<UINT_PTR>(this));
    job_.reset();
    SetWindowTextW(label_, L"");
}

void LogSearch::Run(bool down) {
    Cancel();
    MatchOptions options;
    options.ignoreCase = !matchCase_;
    auto job = std::make_unique<Job>();
    // What was typed is found as it stands, blanks and all: one quoted term.
    std::wstring quoted = L"\"";
    for (wchar_t c : last_) quoted += c == L'"' ? std::wstring(2, c) : std::wstring(1, c);
    job->matcher = Matcher(quoted + L"\"", options);
    job->down = down;
    if (job->matcher.Empty() || !pass_.Following()) return;
    const uint64_t end = pass_.End();
    const uint64_t floor = view_.Floor();
    // The line of the selection first, from the selection on.
    if (const auto place = view_.SelectionPlace(down)) {
        if (ShowInLine(job->matcher, down, place->line, down ? place->character : 0,
                       place->character)) {
            return;
        }
        job->origin = down ? pass_.LineStartAtOrAfter(place->line + 1, end) : place->line;
    } else {
        job->origin = down ? floor : end;
    }
    job->pos = job->origin;
    job->regionEnd = job->origin;
    job_ = std::move(job);
    const auto until = std::chrono::steady_clock::now() + kAtOnce;
    while (job_ && std::chrono::steady_clock::now() < until) {
        if (!Step()) return;
    }
    if (job_) SetTimer(owner_, reinterpret_cast<UINT_PTR>(this), USER_TIMER_MINIMUM, &OnStep);
}

void CALLBACK LogSearch::OnStep(HWND, UINT, UINT_PTR id, DWORD) noexcept {
    auto* self = reinterpret_cast<LogSearch*>(id);
    try {
        if (self->job_ && !self->Step()) KillTimer(self->owner_, id);
    } catch (...) {
        // Out of memory in the middle of a search: it ends as if nothing was found.
        self->Cancel();
    }
}

bool LogSearch::Step() {
    const bool more = job_->down ? StepDown() : StepUp();
    if (!more) return false;
    const uint64_t span = job_->down ? pass_.End() - job_->origin : job_->origin - view_.Floor();
    const uint64_t done = job_->down ? job_->pos - job_->origin : job_->origin - job_->regionEnd;
    SetProgress(done, span);
    return true;
}

bool LogSearch::StepDown() {
    Job& job = *job_;
    const uint64_t end = pass_.End();
    if (!job.scanner) job.scanner.emplace(job.matcher, pass_.Encoding(), kSystemCodePage, job.pos);
    std::string buf(
        static_cast<size_t>(std::min<uint64_t>(kStepBytes, end - std::min(end, job.pos))), '\0');
    const size_t got = buf.empty() ? 0 : pass_.ReadBytes(job.pos, buf.data(), buf.size());
    job.scanner->Feed(std::string_view(buf.data(), got), job.matches);
    job.pos += got;
    if (got == 0) job.scanner->Finish(job.matches);
    for (const ByteRange& line : job.matches) {
        if (ShowInLine(job.matcher, true, line.begin, 0, SIZE_MAX)) {
            Finish(true);
            return false;
        }
    }
    job.matches.clear();
    if (got == 0) {
        Finish(false);
        return false;
    }
    return true;
}

bool LogSearch::StepUp() {
    Job& job = *job_;
    const uint64_t floor = view_.Floor();
    if (!job.scanner) {
        if (job.regionEnd <= floor) {
            Finish(false);
            return false;
        }
        // Whole lines that end where the last region began; a line longer than the region
        // makes it grow until one begins, or the file's start is reached.
        uint64_t begin = floor;
        for (uint64_t want = kRegionBytes; job.regionEnd - floor > want; want *= 2) {
            begin = pass_.LineStartAtOrAfter(job.regionEnd - want, job.regionEnd);
            if (begin < job.regionEnd) break;
            begin = floor;
        }
        job.regionBegin = job.pos = begin;
        job.region.clear();
        job.scanner.emplace(job.matcher, pass_.Encoding(), kSystemCodePage, begin);
    }
    std::string buf(static_cast<size_t>(std::min<uint64_t>(kStepBytes, job.regionEnd - job.pos)),
                    '\0');
    const size_t got = buf.empty() ? 0 : pass_.ReadBytes(job.pos, buf.data(), buf.size());
    job.scanner->Feed(std::string_view(buf.data(), got), job.matches);
    job.pos += got;
    const bool regionDone = job.pos >= job.regionEnd || got == 0;
    if (regionDone) job.scanner->Finish(job.matches);
    job.region.insert(job.region.end(), job.matches.begin(), job.matches.end());
    job.matches.clear();
    if (!regionDone) return true;
    // The last match of the region that a filter shows (all of them without a filter).
    for (auto m = job.region.rbegin(); m != job.region.rend(); ++m) {
        if (ShowInLine(job.matcher, false, m->begin, 0, SIZE_MAX)) {
            Finish(true);
            return false;
        }
    }
    if (got == 0 && job.pos < job.regionEnd) {
        // The file is no longer the one that was read.
        Finish(false);
        return false;
    }
    job.regionEnd = job.regionBegin;
    job.scanner.reset();
    return true;
}

bool LogSearch::ShowInLine(const Matcher& matcher, bool down, uint64_t line, size_t from,
                           size_t before) {
    std::wstring text = pass_.After(line, kLineChars).text;
    text.resize(std::min(text.size(), text.find(L'\r')));
    // With a filter on, only the lines it shows.
    if (view_.Filter() && !view_.Filter()->Passes(text)) return false;
    std::optional<MatchRange> found;
    for (const MatchRange& r : matcher.Ranges(text)) {
        if (down && r.begin >= from) {
            found = r;
            break;
        }
        if (!down && r.begin < before) found = r;
    }
    return found && view_.ShowMatch(line, found->begin, found->end);
}

void LogSearch::Finish(bool found) {
    const std::wstring what = last_;
    Cancel();
    if (found) return;
    HWND owner = dialog_ && IsWindow(dialog_) ? dialog_ : owner_;
    Ui().Message(owner, L"「" + what + L"」が見つかりません。", kFindTitle,
                 MB_OK | MB_ICONINFORMATION);
}

void LogSearch::SetProgress(uint64_t done, uint64_t all) {
    wchar_t text[32];
    std::swprintf(text, std::size(text), L"検索 %d%%",
                  static_cast<int>(all ? std::min<uint64_t>(done * 100 / all, 99) : 0));
    SetWindowTextW(label_, text);
}

}  // namespace zr
