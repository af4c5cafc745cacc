// The read pass, ReadNewText: at every tick of the main window's timer Timer1, what was
// appended to the followed file since the previous pass goes to the display, and notice
// strings found in it act at the pass's end (CheckNotices).
#pragma once
#include <windows.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "follow/file_source.h"
#include "follow/follower.h"
#include "follow/newest_file.h"
#include "follow/notices.h"
#include "mainwindow/log_view_win.h"
#include "settings/settings.h"

namespace zr {

inline constexpr UINT_PTR kTimer1 = 1;
// Posted while a long read pass still has work, so input is served in between.
inline constexpr UINT WM_APP_FOLLOW_CONTINUE = WM_APP + 1;
inline constexpr wchar_t kReading[] = L"読込中...";
inline constexpr wchar_t kUnreadable[] = L"読込不可";

// What a pass tells the window that owns it.
class PassEvents {
  public:
    // Notice strings were found in what a pass read: each string once per pass at most.
    virtual void NoticesFound(const std::array<bool, NoticeMatcher::kCount>& found) = 0;
    // Following a name pattern, the pass moved on to `path`, a newer file of its folder.
    virtual void MovedOn(const std::wstring& path) = 0;

  protected:
    ~PassEvents() = default;
};

class FollowPass final : public FileText {
  public:
    // `owner` receives Timer1 and the posted steps and forwards them here; `label` is the
    // status box; the notice settings are read from `settings` at every pass.
    FollowPass(HWND owner, HWND label, LogView& view, const Settings& settings, PassEvents& events);
    ~FollowPass() override;
    FollowPass(const FollowPass&) = delete;
    FollowPass& operator=(const FollowPass&) = delete;

    // Follows `path` from now on: the display is emptied, and the first pass runs at once and
    // shows the end of the file; older text comes in as the user scrolls up. The file is read
    // in `encoding`, or in the one it is found to use (Auto).
    void Open(const std::wstring& path, TextEncoding encoding = TextEncoding::Auto);
    // Follows the newest file of a folder that `pattern` (C:\logs\app_*.log) names, from
    // `first` (empty while none matches), moving on to each newer file as it appears: the rest
    // of the old file is read first, and the display gets a line naming the new one.
    void FollowPattern(const std::wstring& pattern, const std::wstring& first);
    // The followed file read again in `encoding`, a pattern followed going on.
    void Reopen(TextEncoding encoding);
    // Timer1's tick.
    void ReadNewText();
    void OnContinue(WPARAM generation);
    // The window is going: a pass under way ends at its next step and nothing more is read.
    void Close();

    bool StopRead() const { return blnStopRead_; }
    // Stopping ends a pass under way after its current step; nothing read is lost, since the
    // follower keeps its place.
    void SetStopRead(bool stop) { blnStopRead_ = stop; }
    bool Following() const { return follower_.Following(); }
    // The encoding the file is read in; Auto while its text has not told yet.
    TextEncoding Encoding() const { return follower_.Encoding(); }

    void EnableTimer(bool enable);
    bool TimerEnabled() const { return timerEnabled_; }
    void SetInterval(UINT milliseconds) { interval_ = milliseconds; }
    UINT Interval() const { return interval_; }

    // The display reads the file again through the follower.
    TextPiece Before(uint64_t end, size_t maxChars, uint64_t floor) override;
    TextPiece After(uint64_t from, size_t maxChars) override;
    TextPiece Tail(size_t maxChars, uint64_t floor) override;
    uint64_t End() const override { return follower_.Position(); }
    uint64_t Start() const override { return follower_.TextStart(); }
    // Raw bytes of the file as it was read, for a search of the whole of it; the encoding
    // they are in.
    size_t ReadBytes(uint64_t from, char* buf, size_t n) {
        return follower_.ReadBytes(from, buf, n);
    }
    uint64_t LineStartAtOrAfter(uint64_t from, uint64_t limit) {
        return follower_.LineStartAtOrAfter(from, limit);
    }

  private:
    enum class Phase {
        Read,     // reading what was appended
        Show,     // everything is read; what is left to show goes to the display
        Skipped,  // text a burst jumped over is searched for notices
        Scan,     // after an open: the file's older text is searched for notices
    };
    // How the pass under way gets its next step.
    enum class Next { None, Message, Timer };

    void StartPass();
    void RunStep();
    void Continue();
    void ReadStep(bool& unreadable);
    void SkippedStep();
    void ScanStep();
    // The phase after the display has shown all it was given.
    Phase AfterShow() const;
    // Following a pattern: at the end of a pass, whether a newer file is there to move on to.
    void CheckNewest();
    void MoveOn(const std::wstring& path);
    void EndPass(const wchar_t* label);
    void SetLabel(const wchar_t* text);

    HWND owner_;
    HWND label_;
    LogView& view_;
    const Settings& settings_;
    PassEvents& events_;

    std::unique_ptr<FileSource> files_;
    Follower follower_;
    NoticeMatcher notices_;
    bool blnStopRead_ = false;
    bool closing_ = false;
    bool timerEnabled_ = false;
    UINT interval_ = 1000;

    bool passActive_ = false;  // a pass has begun and has more to do
    bool inStep_ = false;      // guards against a step starting inside another
    Next next_ = Next::None;
    Phase phase_ = Phase::Read;
    // Notice strings found so far in the text this pass read; each acts once, at its end.
    std::array<bool, NoticeMatcher::kCount> found_{};

    // A long pass shows its text now and then, not at every step.
    std::chrono::steady_clock::time_point lastShown_{};
    // Notices in text a burst jumped over: the matcher as it stood where the jump began.
    NoticeMatcher skippedNotices_;

    // The pattern followed, the files left behind for newer ones, and the one to move on to
    // once the followed file has been read to its end.
    std::wstring pattern_;
    std::vector<std::wstring> left_;
    std::wstring moveTo_;
    std::unique_ptr<FolderLister> lister_;
    RecheckPolicy policy_;
    bool grew_ = false;  // this pass read new bytes

    bool firstStep_ = false;  // the next step is the first after an open
    bool showAll_ = false;    // what this step read is shown whole
    bool fillView_ = false;   // after the first text of an open: fill the view from above
    uint64_t scanEnd_ = 0;    // the older text still to search for notices ends here...
    uint64_t scanFloor_ = 0;  // ...and goes back to here
};

}  // namespace zr
