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
// What a step reads is searched for notices at once and handed to the display, which shows
// it a piece at a time, now and then while the pass reads and in steps at its end. A burst
// larger than the display can show is not read through: the follower jumps to its end, the
// display shows that, and the text jumped over is searched for notices afterwards, in steps.
#include "mainwindow/follow_pass_win.h"

#include <algorithm>
#include <utility>

#include "common/codepage_win.h"
#include "common/controls_win.h"
#include "follow/display_text.h"

namespace zr {

namespace {

// Bytes read by one step of a pass.
constexpr size_t kStepBytes = 128 * 1024;
// An open shows the lines in the file's last this many bytes first: several screens, in the
// display within a few hundredths of a second. A pass that finds more than kJumpBytes new
// shows the same of its end.
constexpr uint64_t kOpenTailBytes = 64 * 1024;
constexpr uint64_t kJumpBytes = 4 * 1024 * 1024;
// After an open, notice strings are searched for in this much of the text before that, as
// they were when a first pass showed all of it.
constexpr uint64_t kNoticeScanBytes = 8'000'000;
// What one step gives the display at most (a few hundredths of a second of the control's
// time), and how often a long pass shows its text.
constexpr size_t kShowChars = 16 * 1024;
constexpr std::chrono::milliseconds kShowEvery{300};

}  // namespace

FollowPass::FollowPass(HWND owner, HWND label, LogView& view, const Settings& settings,
                       PassEvents& events)
    : owner_(owner),
      label_(label),
      view_(view),
      settings_(settings),
      events_(events),
      files_(MakeWin32FileSource()),
      // A restart reads no more than the display can show.
      follower_(*files_, CodePage{&IsAnsiLeadByte, &FromAnsi}, view.bound()) {}

FollowPass::~FollowPass() {
    EnableTimer(false);
}

void FollowPass::FollowPattern(const std::wstring& pattern, const std::wstring& first) {
    Open(first, TextEncoding::Auto);
    pattern_ = pattern;
    if (!lister_) lister_ = MakeWin32FolderLister();
    policy_ = RecheckPolicy{};
    if (first.empty()) SetLabel(kUnreadable);
}

void FollowPass::Reopen(TextEncoding encoding) {
    const std::wstring pattern = std::move(pattern_);
    std::vector<std::wstring> left = std::move(left_);
    Open(follower_.Path(), encoding);
    pattern_ = pattern;
    left_ = std::move(left);
}

void FollowPass::Open(const std::wstring& path, TextEncoding encoding) {
    pattern_.clear();
    left_.clear();
    moveTo_.clear();
    // The pass under way for the earlier file is abandoned: its generation no longer matches.
    if (path.empty()) {
        follower_.Stop();
    } else {
        follower_.Start(path, kOpenTailBytes, encoding);
    }
    notices_.Reset();
    passActive_ = false;
    next_ = Next::None;
    phase_ = Phase::Read;
    found_ = {};
    firstStep_ = true;
    fillView_ = false;
    scanEnd_ = scanFloor_ = 0;
    view_.Begin(this);
    blnStopRead_ = false;
    SetLabel(kReading);
    EnableTimer(true);
    // The first pass runs now, not a tick later: the end of the file is on screen at once.
    ReadNewText();
}

TextPiece FollowPass::Before(uint64_t end, size_t maxChars, uint64_t) {
    // Every byte gives at most one character, so this many bytes never give more.
    return follower_.ReadBefore(end, maxChars);
}

TextPiece FollowPass::After(uint64_t from, size_t maxChars) {
    return follower_.ReadAfter(from, maxChars);
}

TextPiece FollowPass::Tail(size_t maxChars, uint64_t floor) {
    const uint64_t end = follower_.Position();
    return follower_.ReadTail(
        static_cast<size_t>(std::min<uint64_t>(maxChars, end - std::min(end, floor))));
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
    if (inStep_ || closing_) return;
    if (!follower_.Following()) {
        // A pattern that matched nothing yet: a file may have come.
        if (!pattern_.empty() && !blnStopRead_) CheckNewest();
        return;
    }
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
    grew_ = false;
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
    if (closing_) {
        EndPass(L"");
        return;
    }
    // Stopped: nothing more is read, but what was read is still shown; text jumped over
    // is searched for notices at the next pass.
    if (blnStopRead_) {
        if (phase_ == Phase::Skipped || phase_ == Phase::Scan) {
            EndPass(L"");
            return;
        }
        phase_ = Phase::Show;
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
        switch (phase_) {
            case Phase::Read:
                ReadStep(unreadable);
                break;
            case Phase::Show:
                break;
            case Phase::Skipped:
                SkippedStep();
                break;
            case Phase::Scan:
                ScanStep();
                break;
        }
        // The first text of an open is shown whole: the end of the file is on screen at once.
        const bool all = std::exchange(showAll_, false);
        if (all || phase_ != Phase::Read ||
            std::chrono::steady_clock::now() - lastShown_ >= kShowEvery) {
            lastShown_ = std::chrono::steady_clock::now();
            if (!view_.ShowTaken(all ? SIZE_MAX : kShowChars) && phase_ == Phase::Show) {
                phase_ = AfterShow();
            }
        }
        if (fillView_ && (phase_ == Phase::Skipped || phase_ == Phase::Scan)) {
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
    if (phase_ == Phase::Scan && scanEnd_ <= scanFloor_) {
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

FollowPass::Phase FollowPass::AfterShow() const {
    if (settings_.Notice && follower_.HasSkipped()) return Phase::Skipped;
    return Phase::Scan;
}

void FollowPass::ReadStep(bool& unreadable) {
    const NoticeMatcher before = notices_;
    const bool hadSkipped = follower_.HasSkipped();
    const uint64_t position = follower_.Position();
    const PassResult result = follower_.Step(kStepBytes, kJumpBytes, kOpenTailBytes);
    if (result.status == PassStatus::Unreadable) {
        unreadable = true;
        return;
    }
    grew_ = grew_ || result.restarted || follower_.Position() != position;
    if (result.jumped) {
        // The text jumped over continues the line the matcher was in; what is read now
        // begins at a line start.
        if (!hadSkipped) skippedNotices_ = before;
        notices_.Reset();
    }
    if (firstStep_) {
        firstStep_ = false;
        showAll_ = true;
        scanEnd_ = result.readFrom;
        scanFloor_ = scanEnd_ > kNoticeScanBytes ? scanEnd_ - kNoticeScanBytes : 0;
        if (!settings_.Notice) scanEnd_ = scanFloor_;
        fillView_ = true;
    }
    if (settings_.Notice && !result.text.empty()) {
        for (size_t k : notices_.Find(std::wstring_view(result.text).substr(result.staleChars))) {
            found_[k] = true;
        }
    }
    view_.Take(result);
    if (!result.more) phase_ = Phase::Show;
}

void FollowPass::SkippedStep() {
    const PassResult skipped = follower_.ReadSkipped(kStepBytes);
    for (size_t k : skippedNotices_.Find(skipped.text)) found_[k] = true;
    if (!follower_.HasSkipped()) phase_ = Phase::Scan;
}

void FollowPass::ScanStep() {
    if (scanEnd_ <= scanFloor_) return;
    const TextPiece older = follower_.ReadBefore(scanEnd_, kStepBytes);
    if (older.from >= scanEnd_) {
        scanEnd_ = scanFloor_;
        return;
    }
    scanEnd_ = older.from;
    // Whole lines, searched on their own: nothing carries over from the text read forwards.
    NoticeMatcher matcher;
    matcher.SetStrings(settings_.NoticeString);
    for (size_t k : matcher.Find(older.text)) found_[k] = true;
}

void FollowPass::EndPass(const wchar_t* label) {
    if (next_ == Next::Timer && timerEnabled_ && IsWindow(owner_)) {
        SetTimer(owner_, kTimer1, interval_, nullptr);
    }
    passActive_ = false;
    next_ = Next::None;
    phase_ = Phase::Read;
    if (!IsWindow(owner_) || closing_) return;
    if (fillView_) {
        fillView_ = false;
        view_.FillView();
    }
    SetLabel(label);
    const auto found = std::exchange(found_, {});
    if (found != decltype(found){}) events_.NoticesFound(found);
    if (!pattern_.empty() && !blnStopRead_) CheckNewest();
}

void FollowPass::CheckNewest() {
    // Once the old file was read to its end (a pass that found nothing more), the newer file
    // it was left for is followed.
    if (!moveTo_.empty()) {
        if (!grew_) MoveOn(std::exchange(moveTo_, {}));
        return;
    }
    if (!policy_.Due(std::chrono::steady_clock::now(), grew_)) return;
    const PatternPath split = SplitPatternPath(pattern_);
    std::optional<std::vector<FolderEntry>> entries = lister_->List(split.folder, split.name);
    if (entries) {
        // A file left for a newer one is not followed again, however it is written to.
        std::erase_if(*entries, [&](const FolderEntry& e) {
            return std::find(left_.begin(), left_.end(), split.folder + e.name) != left_.end();
        });
    }
    const FolderEntry* newest = entries ? PickNewest(*entries, split.name) : nullptr;
    if (!newest) {
        // An empty or unreachable folder is tried again at every pass.
        policy_.CheckNextPass();
        if (!follower_.Following()) SetLabel(kUnreadable);
        return;
    }
    const std::wstring path = split.folder + newest->name;
    if (!follower_.Following()) {
        MoveOn(path);
    } else if (path != follower_.Path()) {
        // What was written to the old file until now is read first.
        moveTo_ = path;
        grew_ = true;
    }
}

void FollowPass::MoveOn(const std::wstring& path) {
    if (follower_.Following()) {
        left_.push_back(follower_.Path());
        view_.Separate(L"――― " + SplitPatternPath(path).name + L" ―――");
    }
    // A new file: read from its start, in the encoding it is found to use.
    follower_.Start(path, UINT64_MAX, TextEncoding::Auto);
    notices_.Reset();
    firstStep_ = true;
    SetLabel(kReading);
    events_.MovedOn(path);
    EnableTimer(true);
}

void FollowPass::SetLabel(const wchar_t* text) {
    if (label_) SetWindowTextW(label_, text);
}

}  // namespace zr
