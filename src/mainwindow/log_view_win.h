// The log display: a rich-text control that is a window onto the followed file. It holds at
// most its bound of the file's text, taken from any place in the file: the end while it
// follows, older text as the user scrolls up, newer text as the user scrolls down again.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "follow/follower.h"
#include "highlight/highlighter.h"
#include "mainwindow/log_view_text_win.h"
#include "mainwindow/line_filter.h"
#include "mainwindow/window_lines.h"
#include "settings/display_state.h"

namespace zr {

// Where the display reads the followed file's text again: stretches of whole lines, each
// with the offsets where its lines begin (TextPiece), as far as the passes have read.
class FileText {
  public:
    virtual ~FileText() = default;
    // The lines that end at `end`, about maxChars characters of them, none before `floor`.
    virtual TextPiece Before(uint64_t end, size_t maxChars, uint64_t floor) = 0;
    // The lines that begin at `from`, about maxChars characters of them.
    virtual TextPiece After(uint64_t from, size_t maxChars) = 0;
    // The lines that end where the passes have read, about maxChars characters of them, none
    // before `floor`.
    virtual TextPiece Tail(size_t maxChars, uint64_t floor) = 0;
    // How far the passes have read, and where the file's text begins.
    virtual uint64_t End() const = 0;
    virtual uint64_t Start() const = 0;
    // A read may stop short of what was asked for (a filter scans a few megabytes at a time):
    // `from` or `to` then says how far it came, and the display asks again.
    virtual bool Partial() const { return false; }
};

class LogView {
  public:
    // What the display holds at most, in characters. Wine's rich-text control takes about
    // 170 bytes of memory per character held (see bench/ and the README).
    static constexpr size_t kBound = 256 * 1024;

    explicit LogView(size_t bound = kBound) : bound_(bound) {}
    LogView(const LogView&) = delete;
    LogView& operator=(const LogView&) = delete;
    ~LogView();

    // Takes over the rich-text control that the window created; from then on no other code
    // sends it messages. Its handle changes whenever the display is emptied.
    void Attach(HWND control);
    HWND hwnd() const { return control_; }
    size_t bound() const { return bound_; }

    // Font, background and the colour of text added from now on; recolourAll gives the text
    // already shown the new colour too.
    void Apply(const DisplayState& state, bool recolourAll);
    void SetWrap(bool wrap);
    bool Wrap() const { return wrap_; }

    // A file is followed from now on, read through `source`; the display is emptied and
    // stands where the first text of the passes begins. Null: no file is followed.
    void Begin(FileText* source);
    // The display shows only the lines `filter` lets pass, read through `filtered`, the end
    // of the file first; null: every line again.
    void SetFilter(FileText* filtered, const LineFilter* filter);
    const LineFilter* Filter() const { return filter_; }
    // Every line shown is coloured by the first of these rules that matches it.
    void SetHighlights(std::span<const HighlightRule> rules);
    // Where a long scan of a filter says how far it came.
    void SetStatus(HWND label) { status_ = label; }
    // 読込中止 stops a filter's scan as it stops reading; 読込再開 lets it go on.
    void Pause(bool paused);
    // Text a pass read. While the display follows the end it is queued to be shown (a
    // burst larger than the bound shows its end only); otherwise it is left in the file,
    // and a note says that there is more.
    void Take(const PassResult& read);
    // Shows at most maxChars characters of what was queued; whether some is left.
    bool ShowTaken(size_t maxChars);
    // Empties the display: nothing before what the passes read from now on comes in again.
    void Clear();
    // The passes go on in another file (a newer one of a name pattern): what is shown stays,
    // `line` names the new file on a line of its own, and the new file follows from its start.
    void Separate(std::wstring_view line);
    // Takes in older text until the display has something to scroll, as after an open of a
    // file whose end does not fill it; the end stays in view.
    void FillView();
    // The display follows the end again, showing it (read again from the file when the
    // display stands elsewhere): "読込再開", Ctrl+End.
    void ShowEnd();
    // Shows the file's first lines (as far back as the display may go): Ctrl+Home.
    void ShowStart();
    // The display follows the end of the file: what the passes read goes to it.
    bool FollowsEnd() const { return followsEnd_; }

    // Where the selection begins or ends: the file offset of its line and the character in
    // that line; nothing when the display holds no file's text there.
    struct TextPlace {
        uint64_t line = 0;
        size_t character = 0;
    };
    std::optional<TextPlace> SelectionPlace(bool end) const;
    // Shows the line that begins at `line` (read from the file when the display does not
    // hold it) and selects [from, to) of its characters, the line in view.
    bool ShowMatch(uint64_t line, size_t from, size_t to);
    // Where the file's text the display may show begins: nothing before it comes in.
    uint64_t Floor() const { return floor_; }

    void SelectAll();
    void Copy();
    // While held (a search under way), text added at the end leaves the selection and the
    // view where they are; the next text added after that brings the end into view again.
    void HoldView(bool hold) { hold_ = hold; }

    size_t Length() const;
    void ScrollToEnd();
    // The display's own text (paragraph ends as a lone "\r").
    std::wstring Text() const;

  private:
    class Quiet;
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR self) noexcept;
    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id);
    void Prepare(HWND control);
    // After the user scrolled: at the top older text comes in, at the bottom (or scrolling down
    // with the bottom in view) newer text.
    void AfterScroll(bool down);
    // A fresh, empty control in place of the old one.
    void Replace();
    // The display shows `piece` only: what it held goes.
    // Several screens at the file's end or start; less of a long line.
    TextPiece EndPiece();
    // How much of a long line the window holds: enough to fill the view a few times over.
    size_t LongLineLimit() const;
    TextPiece StartPiece();
    void ShowOnly(const TextPiece& piece);
    // Adds text at the end (its first line at `first`, see WindowLines); past the bound,
    // lines leave the top.
    void AddBottom(std::wstring_view text, uint64_t to, const std::vector<uint64_t>& lineStarts,
                   uint64_t first = UINT64_MAX);
    // Appends `below`, which follows `above` in the file.
    static void Join(TextPiece& above, const TextPiece& below);
    // Whether `text`, `above` characters of a line before it and `below` after it, makes a
    // line longer than `limit`.
    static bool HasLongLine(std::wstring_view text, size_t above, size_t below, size_t limit);
    // What the display shows when it is set anew on the end or the start of the file: several
    // screens, in the display within a few hundredths of a second.
    static constexpr size_t kSetChars = 32 * 1024;
    void ClearQueue();
    void AskToFill();
    void ShowScanStatus();
    // Colours the lines of `text`, shown from `at`, by the highlight rules.
    void Colour(size_t at, std::wstring_view text);
    // Takes in older text above what is shown, the line the user reads staying in its
    // place; past the bound lines leave the bottom. False when nothing came, or when only a
    // part of a long line would come to `fill` the view.
    bool TakeOlder(bool fill = false);
    // Takes in newer text below what is shown; past the bound lines leave the top.
    bool TakeNewer();
    // Puts older text above what is shown; the line at the top of the view stays there.
    void Prepend(const TextPiece& piece);
    // The display shows `above` and what follows it in the file as far as `end`, read
    // anew; the line being read and the selection stay where they were.
    void SetAnew(const TextPiece& above, uint64_t end);
    // The display no longer holds the end: the queue goes, a note shows where it stands.
    void LeaveEnd();
    void UpdateNote();
    void PlaceNote();
    void Insert(size_t at, std::wstring_view text);
    int FirstVisibleLine() const;
    size_t FirstVisibleChar() const;
    size_t LastVisibleChar() const;
    // Scrolls so that the character `at` is on the view's first line.
    void ScrollCharToTop(size_t at);
    bool CanScroll() const;
    bool LastLineVisible() const;

    HWND control_ = nullptr;
    HWND note_ = nullptr;
    size_t bound_;
    bool wrap_ = false;
    DisplayState state_;
    FileText* source_ = nullptr;  // where the display reads: the whole file, or a filter's
    FileText* whole_ = nullptr;   // the whole file
    const LineFilter* filter_ = nullptr;
    FilterStream stream_;  // what the passes read, as the filter lets it pass
    Highlighter highlighter_;
    std::vector<HighlightSpan> spans_;
    std::vector<rich_text::ColouredRun> runs_;
    HWND status_ = nullptr;
    WindowLines lines_;
    bool placed_ = false;     // the lines stand somewhere in the file
    bool partShown_ = false;  // the window was set anew on a part of a long line
    bool followsEnd_ = true;  // what the passes read goes to the display
    bool newText_ = false;    // the passes read text the display does not show
    uint64_t floor_ = 0;      // nothing older than this comes in
    // Read by the passes, not shown yet: text, where its lines begin, where it ends.
    TextPiece taken_;
    bool showEnd_ = false;    // the queue outgrew the display: show the file's end instead
    bool paused_ = false;     // a filter's scan waits for 読込再開
    bool scanUp_ = true;      // the scan under way goes up
    bool moveAsked_ = false;  // a request to take text in is on its way
    int quiet_ = 0;           // drawing is off while this is above zero
    bool hold_ = false;
};

// Drawing stays off for the life of the object, also on a control that replaces the display
// meanwhile; the view is repainted once at the end.
class LogView::Quiet {
  public:
    explicit Quiet(LogView& view) : view_(view) {
        if (view_.quiet_++ == 0 && view_.control_) {
            SendMessageW(view_.control_, WM_SETREDRAW, FALSE, 0);
        }
    }
    ~Quiet() {
        if (--view_.quiet_ == 0 && view_.control_) {
            SendMessageW(view_.control_, WM_SETREDRAW, TRUE, 0);
            // Not erased first: the text repaints its whole background itself.
            InvalidateRect(view_.control_, nullptr, FALSE);
        }
    }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

  private:
    LogView& view_;
};

}  // namespace zr
