// The log display: a rich-text control that shows the end of the followed file, takes older
// text in above as the user scrolls up, and never holds more than its bound.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "settings/display_state.h"

namespace zr {

// Where the display finds the text that comes before its first line.
class OlderTextSource {
  public:
    virtual ~OlderTextSource() = default;
    // The whole lines just before what the display shows, at most maxChars characters, in the
    // display's form (every line ended by a lone "\r"); empty when there are none.
    virtual std::wstring OlderText(size_t maxChars) = 0;
};

class LogView {
  public:
    // What the display holds at most, in characters. Wine's rich-text control takes about
    // 170 bytes of memory per character held, so a million keep a 32-bit program's working
    // set near 200 MB (see bench/ and the README for the measurements).
    static constexpr size_t kBound = 1'000'000;

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

    // Adds text at the end in the current colour and brings the end into view. Past the
    // bound, whole lines leave at the top. Text may end inside a line that later text
    // continues.
    void Append(std::wstring_view text);
    // Empties the display; what came before is never taken in again.
    void Clear();
    // Older text comes from `source` as the user scrolls to the top; null: there is none.
    void SetOlderSource(OlderTextSource* source) { older_ = source; }
    bool HasOlderSource() const { return older_ != nullptr; }
    // Takes in older text above what is shown, as far as the bound allows, the line the user
    // reads staying in its place; false when nothing came.
    bool TakeOlder();
    // Takes in older text until the display has something to scroll, as after an open of a
    // file whose end does not fill it; the end stays in view.
    void FillView();

    // Finds `what` from the selection, downwards or upwards, and selects the match with its
    // line in view. Searching upwards past the oldest text shown takes older text in, as
    // scrolling up would. False when nothing more is found.
    bool Find(std::wstring_view what, bool down, bool matchCase);
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
                                         DWORD_PTR self);
    void Prepare(HWND control);
    void AfterScroll();
    // A fresh, empty control in place of the old one.
    void Replace();
    // Makes room for `adding` more characters by dropping whole lines from the top.
    void MakeRoom(size_t adding);
    // Puts older text above what is shown; the line at the top of the view stays there.
    void Prepend(std::wstring_view text);
    // The same by building the display anew, when the text has more lines than the control
    // takes in above its others quickly.
    void Rebuild(std::wstring_view older);
    // The older text that may come in now: at most this many characters, whole lines, and
    // not longer than a long line allows; empty when none.
    std::wstring AskOlder(size_t maxChars, size_t firstLineChars);
    // The start of the nearest match between `from` and `to` (upwards when to < from), or -1.
    LONG Search(const std::wstring& what, bool down, bool matchCase, LONG from, LONG to) const;
    void Insert(size_t at, std::wstring_view text);
    int FirstVisibleLine() const;
    size_t FirstLineLength() const;
    bool CanScroll() const;

    HWND control_ = nullptr;
    size_t bound_;
    bool wrap_ = false;
    DisplayState state_;
    OlderTextSource* older_ = nullptr;
    bool olderAsked_ = false;  // a request for older text is on its way
    int quiet_ = 0;            // drawing is off while this is above zero
    bool hold_ = false;
};

}  // namespace zr
