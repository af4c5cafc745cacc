// The read pass and its steps.
//
// A pass is cut into steps (Follower::Step reads a bounded number of bytes), and the window
// goes back to its message loop between steps, so a large file never freezes it: it repaints,
// and stop, exit, the close box and open work in the middle of a pass. A step is never
// entered from another one; the next step is asked for by a posted message carrying the
// follower's generation, so that a step asked for the file that was open before is dropped.
// Posted messages come before input in the queue, so when input is waiting the next step is
// asked for by the (lowest-priority) timer instead.
//
// What a step reads is searched for notices at once but reaches the display now and then:
// the display takes text in far more slowly than the file gives it, and of a burst larger
// than the display's bound only the latest part can be shown at all. So a long pass keeps
// the latest text (at most the bound) and shows a piece of it at most every few hundred
// milliseconds and at its end, a piece per step, so that input is served in between.
#include "mainwindow/follow_pass_win.h"

#include <utility>

#include "common/codepage_win.h"
#include "common/controls_win.h"
#include "common/ui_seam_win.h"
#include "follow/display_text.h"

namespace zr {

namespace {

// Bytes read by one step of a pass.
constexpr size_t kStepBytes = 256 * 1024;
// An open shows the lines in the file's last this many bytes first: several screens, in the
// display within a few hundredths of a second.
constexpr uint64_t kOpenTailBytes = 64 * 1024;
// After an open, notice strings are searched for in this much of the text before that, as
// they were when a first pass showed all of it.
constexpr uint64_t kNoticeScanBytes = 8'000'000;
// What one step gives the display at most, and how often a long pass shows its text.
constexpr size_t kShowChars = 256 * 1024;
constexpr std::chrono::milliseconds kShowEvery{300};

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

FollowPass::FollowPass(HWND owner, HWND label, LogView& view, const Settings& settings)
    : owner_(owner),
      label_(label),
      view_(view),
      settings_(settings),
      files_(MakeWin32FileSource()),
      // A restart reads no more than the display can show.
      follower_(*files_, CodePage{&IsAnsiLeadByte, &FromAnsi}, view.bound()) {}

FollowPass::~FollowPass() {
    EnableTimer(false);
}

void FollowPass::Open(const std::wstring& path, TextEncoding encoding) {
    // The pass under way for the earlier file is abandoned: its generation no longer matches.
    follower_.Start(path, kOpenTailBytes, encoding);
    notices_.Reset();
    passActive_ = false;
    next_ = Next::None;
    phase_ = Phase::Read;
    found_ = {};
    pending_.clear();
    pendingReplaces_ = false;
    firstStep_ = true;
    fillView_ = false;
    topOffset_ = scanEnd_ = scanFloor_ = 0;
    view_.Clear();
    blnStopRead_ = false;
    SetLabel(kReading);
    EnableTimer(true);
    // The first pass runs now, not a tick later: the end of the file is on screen at once.
    ReadNewText();
}

void FollowPass::EnableTimer(bool enable) {
    timerEnabled_ = enable;
    if (!IsWindow(owner_)) return;
    if (enable) {
        SetTimer(owner_, kTimer1, interval_, nullptr);
    } else {
        KillTimer(owner_, kTimer1);
    }
}

void FollowPass::Close() {
    closing_ = true;
    EnableTimer(false);
}

void FollowPass::ReadNewText() {
    if (inStep_ || closing_ || !follower_.Following()) return;
    if (passActive_) {
        // The pass under way asked for its next step through the timer, or the timer was
        // switched off and on again meanwhile; a step asked for by message comes by itself.
        if (next_ == Next::Message) return;
        if (next_ == Next::Timer && timerEnabled_) SetTimer(owner_, kTimer1, interval_, nullptr);
        Continue();
        return;
    }
    if (blnStopRead_) {
        SetLabel(L"");
        return;
    }
    StartPass();
}

void FollowPass::StartPass() {
    passActive_ = true;
    found_ = {};
    notices_.SetStrings(settings_.NoticeString);
    RunStep();
}

void FollowPass::OnContinue(WPARAM generation) {
    if (inStep_ || !passActive_ || next_ != Next::Message ||
        generation != static_cast<WPARAM>(follower_.Generation())) {
        return;
    }
    Continue();
}

void FollowPass::Continue() {
    next_ = Next::None;
    // Stopped, or the program is closing: the pass ends here.
    if (blnStopRead_ || closing_) {
        EndPass(L"");
        return;
    }
    RunStep();
}

void FollowPass::RunStep() {
    bool unreadable = false;
    {
        // Cleared however the step ends: a step that failed must not stop all later ones.
        struct InStep {
            bool& flag;
            explicit InStep(bool& b) : flag(b) { flag = true; }
            ~InStep() { flag = false; }
        } inStep(inStep_);
        if (phase_ == Phase::Read) {
            ReadStep(unreadable);
        } else if (phase_ == Phase::Scan) {
            ScanStep();
        }
        if (phase_ != Phase::Read || std::chrono::steady_clock::now() - lastShown_ >= kShowEvery) {
            Show(false);
        }
        if (fillView_ && pending_.empty()) {
            fillView_ = false;
            view_.FillView();
        }
    }
    if (!IsWindow(owner_)) return;
    if (unreadable) {
        // Reported without a box while it lasts; the next tick tries again.
        EndPass(kUnreadable);
        return;
    }
    if (phase_ == Phase::Show && pending_.empty()) {
        EndPass(L"");
        return;
    }
    if (ControlText(label_) != kReading) SetLabel(kReading);
    RedrawWindow(owner_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (HIWORD(GetQueueStatus(QS_INPUT)) != 0 && timerEnabled_) {
        next_ = Next::Timer;
        SetTimer(owner_, kTimer1, USER_TIMER_MINIMUM, nullptr);
    } else {
        next_ = Next::Message;
        PostMessageW(owner_, WM_APP_FOLLOW_CONTINUE, static_cast<WPARAM>(follower_.Generation()),
                     0);
    }
}

void FollowPass::ReadStep(bool& unreadable) {
    const PassResult result = follower_.Step(kStepBytes);
    if (result.status == PassStatus::Unreadable) {
        unreadable = true;
        return;
    }
    if (result.restarted) {
        // The display's top belongs to the file as it was: nothing older joins it now.
        view_.SetOlderSource(nullptr);
        topOffset_ = 0;
    }
    if (firstStep_) {
        firstStep_ = false;
        topOffset_ = scanEnd_ = result.readFrom;
        scanFloor_ = scanEnd_ > kNoticeScanBytes ? scanEnd_ - kNoticeScanBytes : 0;
        fillView_ = true;
        if (topOffset_ > 0) view_.SetOlderSource(this);
    }
    Take(result.text);
    if (!result.more) {
        const bool scan = settings_.Notice && scanEnd_ > scanFloor_;
        phase_ = scan ? Phase::Scan : Phase::Show;
    }
}

void FollowPass::ScanStep() {
    const zr::OlderText older = follower_.ReadBefore(scanEnd_, kStepBytes);
    if (older.from >= scanEnd_ || older.from <= scanFloor_) {
        phase_ = Phase::Show;
    }
    if (older.from >= scanEnd_) return;
    scanEnd_ = older.from;
    // Whole lines, searched on their own: nothing carries over from the text read forwards.
    NoticeMatcher matcher;
    matcher.SetStrings(settings_.NoticeString);
    for (size_t k : matcher.Find(older.text)) found_[k] = true;
}

void FollowPass::Take(const std::wstring& text) {
    if (text.empty()) return;
    if (settings_.Notice) {
        for (size_t k : notices_.Find(text)) found_[k] = true;
    }
    pending_ += text;
    const size_t bound = view_.bound();
    if (pending_.size() <= bound) return;
    // Only the latest text can be shown: keep whole lines within the bound.
    size_t from = LineStartAtOrAfter(pending_, pending_.size() - bound);
    if (from >= pending_.size()) {
        from = pending_.size() - bound;
        if (IsHighSurrogate(pending_[from - 1])) ++from;
    }
    pending_.erase(0, from);
    pendingReplaces_ = true;
}

void FollowPass::Show(bool all) {
    lastShown_ = std::chrono::steady_clock::now();
    if (pending_.empty()) return;
    if (std::exchange(pendingReplaces_, false)) view_.Clear();
    size_t n = all ? pending_.size() : std::min(pending_.size(), kShowChars);
    if (n < pending_.size() && IsHighSurrogate(pending_[n - 1])) --n;
    view_.Append(std::wstring_view(pending_).substr(0, n));
    pending_.erase(0, n);
}

void FollowPass::EndPass(const wchar_t* label) {
    if (next_ == Next::Timer && timerEnabled_ && IsWindow(owner_)) {
        SetTimer(owner_, kTimer1, interval_, nullptr);
    }
    passActive_ = false;
    next_ = Next::None;
    phase_ = Phase::Read;
    if (!IsWindow(owner_) || closing_) return;
    // Whatever was read is shown, also when the pass was stopped.
    Show(true);
    if (fillView_) {
        fillView_ = false;
        view_.FillView();
    }
    SetLabel(label);
    CheckNotices(std::exchange(found_, {}));
}

void FollowPass::CheckNotices(const std::array<bool, NoticeMatcher::kCount>& found) {
    for (bool hit : found) {
        if (!hit) continue;
        if (settings_.NoticeWindowPos) BringWindowToTop(owner_);
        if (settings_.PlayWave) Ui().PlayWave(settings_.WaveFilePath);
    }
}

void FollowPass::SetLabel(const wchar_t* text) {
    if (label_) SetWindowTextW(label_, text);
}

std::wstring FollowPass::OlderText(size_t maxChars) {
    if (topOffset_ == 0 || !follower_.Following()) return {};
    // Every byte gives at most one character, so this many bytes never give more.
    const zr::OlderText older = follower_.ReadBefore(topOffset_, maxChars);
    if (older.from >= topOffset_) return {};
    topOffset_ = older.from;
    return older.text;
}

}  // namespace zr
