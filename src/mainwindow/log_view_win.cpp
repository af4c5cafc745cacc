// The log display and everything done to its rich-text control.
//
// The control is costly in the ways that matter to a log follower (measured under Wine, whose
// rich-text control the program is tested on; bench/ and the README hold the figures):
//   - memory: about 170 bytes per character held, so the display keeps a bound of characters
//     and only the end of a log is taken in when it is opened, older text coming in above as
//     the user scrolls up, a block at a time;
//   - every edit with drawing on repaints and rewraps at once, so edits are made with drawing
//     off and the view is repainted once at the end;
//   - removing a line costs time in proportion to everything the control holds, so removing
//     thousands at once takes seconds. Past the bound, a few lines leave the top in place;
//     when many would, the display is rebuilt with its latest half instead, which costs
//     what is kept and leaves room for the next additions;
//   - emptying it is quadratic in its lines, while a new control costs next to nothing: the
//     display is emptied by replacing the control.
#include "mainwindow/log_view_win.h"

#include "mainwindow/log_view_text_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <cwctype>
#include <optional>
#include <vector>

#include "follow/display_text.h"
#include "settings/settings.h"

namespace zr {

namespace {

using namespace rich_text;

// Posted to the control itself when the user has scrolled to its top, so that older text
// comes in after the scroll, not in the middle of it.
constexpr UINT WM_APP_TAKE_OLDER = WM_APP + 40;
constexpr UINT_PTR kSubclassId = 1;
// Older text taken in per request. Every line put in above the others costs time in
// proportion to the lines below it, so a request takes in about this many line moves (a
// fifth of a second on Wine) and never more than kOlderChars: many screens on a small
// display, a few on a full one.
constexpr LRESULT kOlderLineMoves = 2'000'000;
constexpr size_t kOlderChars = 64 * 1024;
constexpr size_t kOlderMinChars = 4 * 1024;
// Putting text into a line costs time in proportion to the whole line, so a line is taken in
// up to this length: of a longer one (a hole in a sparse file reads as one) only its end is
// shown, as when an open begins inside it.
constexpr size_t kLongLineChars = 64 * 1024;
// Up to this many lines leave the top one edit at a time; more are dropped by a rebuild.
constexpr LRESULT kInPlaceDropLines = 64;

COLORREF ForeColour(const DisplayState& state) {
    return ColorFromText(state.strCurForeColor, 0);
}

}  // namespace

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

LogView::~LogView() {
    if (control_ && IsWindow(control_)) RemoveWindowSubclass(control_, &SubclassProc, kSubclassId);
}

void LogView::Attach(HWND control) {
    Prepare(control);
}

void LogView::Prepare(HWND control) {
    control_ = control;
    olderAsked_ = false;
    if (!control_) return;
    // Without this the control stops taking text at 32,767 characters.
    SendMessageW(control_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    // Nothing shown is taken back by the user, so there is nothing to undo; an undo record
    // would keep a second copy of the text.
    SendMessageW(control_, EM_SETUNDOLIMIT, 0, 0);
    SetWindowSubclass(control_, &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    if (quiet_ > 0) SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
}

LRESULT CALLBACK LogView::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR self) {
    auto* view = reinterpret_cast<LogView*>(self);
    try {
        switch (msg) {
            case WM_APP_TAKE_OLDER:
                view->olderAsked_ = false;
                view->TakeOlder();
                return 0;
            case WM_VSCROLL:
            case WM_MOUSEWHEEL:
            case WM_KEYDOWN: {
                const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
                view->AfterScroll();
                return result;
            }
            case WM_NCDESTROY:
                RemoveWindowSubclass(hwnd, &SubclassProc, id);
                if (view->control_ == hwnd) view->control_ = nullptr;
                break;
            default:
                break;
        }
    } catch (...) {
        // Older text that could not come in is asked for again at the next scroll.
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void LogView::AfterScroll() {
    if (!older_ || olderAsked_ || FirstVisibleLine() != 0) return;
    olderAsked_ = PostMessageW(control_, WM_APP_TAKE_OLDER, 0, 0) != FALSE;
}

size_t LogView::FirstLineLength() const {
    const std::wstring start = TextRange(control_, 0, std::min(Length(), kLongLineChars + 1));
    const size_t cr = start.find(L'\r');
    return cr == std::wstring::npos ? start.size() : cr;
}

int LogView::FirstVisibleLine() const {
    return static_cast<int>(SendMessageW(control_, EM_GETFIRSTVISIBLELINE, 0, 0));
}

bool LogView::CanScroll() const {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE;
    if (!GetScrollInfo(control_, SB_VERT, &si)) return true;
    return si.nPage > 0 && si.nMax - si.nMin + 1 > static_cast<int>(si.nPage);
}

void LogView::Apply(const DisplayState& state, bool recolourAll) {
    state_ = state;
    if (!control_) return;
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    cf.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_CHARSET;
    lstrcpynW(cf.szFaceName, state.strCurFontName.c_str(), LF_FACESIZE);
    cf.yHeight = state.lngCurFontSize * 20;
    cf.bCharSet = DEFAULT_CHARSET;
    cf.dwEffects = (state.blnCurBold ? CFE_BOLD : 0) | (state.blnCurItalic ? CFE_ITALIC : 0);
    SendMessageW(control_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
    // The default font too: scrolling by lines moves by its height.
    SendMessageW(control_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    SendMessageW(control_, EM_SETBKGNDCOLOR, 0,
                 static_cast<LPARAM>(ColorFromText(state.strCurBackColor, 0xFFFFFF)));

    CHARFORMAT2W colour{};
    colour.cbSize = sizeof(colour);
    colour.dwMask = CFM_COLOR;
    colour.crTextColor = ForeColour(state);
    if (recolourAll) {
        SendMessageW(control_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&colour));
        const size_t length = Length();
        Select(control_, length, length);
    }
    SendMessageW(control_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&colour));
}

void LogView::SetWrap(bool wrap) {
    wrap_ = wrap;
    // Target device null: line width 0 wraps at the control's width, 1 means no wrapping.
    if (control_) SendMessageW(control_, EM_SETTARGETDEVICE, 0, wrap ? 0 : 1);
}

size_t LogView::Length() const {
    return control_ ? TextLength(control_) : 0;
}

void LogView::ScrollToEnd() {
    if (!control_) return;
    const size_t end = Length();
    Select(control_, end, end);
    SendMessageW(control_, EM_SCROLLCARET, 0, 0);
}

std::wstring LogView::Text() const {
    if (!control_) return {};
    const size_t length = Length();
    std::wstring text(length + 1, L'\0');
    GETTEXTEX gt{};
    gt.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    gt.flags = GT_DEFAULT;
    gt.codepage = 1200;
    const LRESULT got = SendMessageW(control_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&gt),
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void LogView::Append(std::wstring_view text) {
    if (text.empty() || !control_) return;
    // What the user is looking at while a search is under way, to be put back.
    CHARRANGE selection{};
    LRESULT firstChar = 0;
    const size_t before = Length();
    if (hold_) {
        SendMessageW(control_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        firstChar = SendMessageW(control_, EM_LINEINDEX, FirstVisibleLine(), 0);
    }
    {
        Quiet quiet(*this);
        if (text.size() > bound_) {
            // Only the latest part of the text can be shown at all.
            size_t from = LineStartAtOrAfter(text, text.size() - bound_);
            if (from >= text.size()) {
                // One line longer than the whole bound: its end, never half a surrogate pair.
                from = text.size() - bound_;
                if (text[from] >= 0xDC00 && text[from] <= 0xDFFF) ++from;
            }
            text.remove_prefix(from);
            Replace();
        } else {
            MakeRoom(text.size());
        }
        InsertText(control_, Length(), text, ForeColour(state_));
    }
    // Lines that left the top take the places of all that follows with them.
    const size_t dropped = before + text.size() - Length();
    if (!hold_ || dropped > static_cast<size_t>(std::max(selection.cpMin, LONG{0}))) {
        ScrollToEnd();
        return;
    }
    selection.cpMin -= static_cast<LONG>(dropped);
    selection.cpMax -= static_cast<LONG>(dropped);
    SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LRESULT line =
        SendMessageW(control_, EM_EXLINEFROMCHAR, 0,
                     std::max<LRESULT>(firstChar - static_cast<LRESULT>(dropped), 0));
    SendMessageW(control_, EM_LINESCROLL, 0, line - FirstVisibleLine());
}

void LogView::MakeRoom(size_t adding) {
    const size_t length = Length();
    if (length + adding <= bound_) return;
    // The top goes: older text of the file would no longer join what is shown.
    older_ = nullptr;
    const size_t cut = LineStartFrom(control_, length + adding - bound_, length);
    if (cut >= length) {
        Replace();
        return;
    }
    if (SendMessageW(control_, EM_EXLINEFROMCHAR, 0, static_cast<LPARAM>(cut)) <=
        kInPlaceDropLines) {
        Select(control_, 0, cut);
        SendMessageW(control_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        return;
    }
    const size_t half = bound_ / 2;
    const size_t keep = half > adding ? half - adding : 0;
    const size_t from = LineStartFrom(control_, length - std::min(keep, length), length);
    if (from >= length) {
        Replace();
        return;
    }
    // Text shown earlier keeps its colour. Mostly it has one, and goes back as plain text in
    // that colour; several colours go back as formatted text, which is three times slower.
    if (const auto colour = RangeColour(control_, from, length)) {
        const std::wstring kept = TextRange(control_, from, length);
        Replace();
        InsertText(control_, 0, kept, *colour);
    } else {
        const std::string rtf = RangeAsRtf(control_, from, length);
        Replace();
        InsertRtf(control_, 0, rtf);
    }
}

std::wstring LogView::AskOlder(size_t maxChars, size_t firstLineChars) {
    if (!older_) return {};
    std::wstring text = older_->OlderText(maxChars);
    // Text without a line end continues the first line shown.
    if (text.empty() ||
        (text.find(L'\r') == std::wstring::npos && firstLineChars + text.size() > kLongLineChars)) {
        older_ = nullptr;
        return {};
    }
    if (text.size() > maxChars) text.erase(0, text.size() - maxChars);
    return text;
}

bool LogView::TakeOlder() {
    if (!older_ || !control_) return false;
    const size_t length = Length();
    // Whole lines only: near the bound, a line could come in only in part.
    if (length + kOlderMinChars > bound_) return false;
    const LRESULT lines = std::max<LRESULT>(SendMessageW(control_, EM_GETLINECOUNT, 0, 0), 1);
    const size_t perLine = std::max<size_t>(length / static_cast<size_t>(lines), 1);
    const size_t affordable = static_cast<size_t>(kOlderLineMoves / lines) * perLine;
    const std::wstring text =
        AskOlder(std::min(bound_ - length, std::clamp(affordable, kOlderMinChars, kOlderChars)),
                 FirstLineLength());
    if (text.empty()) return false;
    Prepend(text);
    return true;
}

void LogView::Prepend(std::wstring_view text) {
    const LRESULT lines = SendMessageW(control_, EM_GETLINECOUNT, 0, 0);
    const auto adding = static_cast<LRESULT>(std::count(text.begin(), text.end(), L'\r') + 1);
    if (text.size() > kOlderChars || adding * lines > 2 * kOlderLineMoves) {
        Rebuild(text);
        return;
    }
    CHARRANGE selection{};
    SendMessageW(control_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LRESULT firstChar = SendMessageW(control_, EM_LINEINDEX, FirstVisibleLine(), 0);
    const auto added = static_cast<LONG>(text.size());
    {
        Quiet quiet(*this);
        InsertText(control_, 0, text, ForeColour(state_));
        selection.cpMin += added;
        selection.cpMax += added;
        SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    }
    // The line that was at the top of the view goes back there. Lines scroll by the height of
    // the default font, which Apply makes the display's own.
    const LRESULT line = SendMessageW(control_, EM_EXLINEFROMCHAR, 0, firstChar + added);
    SendMessageW(control_, EM_LINESCROLL, 0, line - FirstVisibleLine());
}

void LogView::Rebuild(std::wstring_view older) {
    OlderTextSource* source = older_;
    const size_t length = Length();
    const std::optional<COLORREF> colour =
        length > 0 ? RangeColour(control_, 0, length) : ForeColour(state_);
    std::wstring plain;
    std::string rtf;
    if (colour) {
        plain = TextRange(control_, 0, length);
    } else {
        rtf = RangeAsRtf(control_, 0, length);
    }
    Quiet quiet(*this);
    Replace();
    older_ = source;
    InsertText(control_, 0, older, ForeColour(state_));
    if (colour) {
        InsertText(control_, older.size(), plain, *colour);
    } else {
        InsertRtf(control_, Length(), rtf);
    }
}

LONG LogView::Search(const std::wstring& what, bool down, bool matchCase, LONG from,
                     LONG to) const {
    FINDTEXTEXW find{};
    find.chrg = {from, to};
    find.lpstrText = what.c_str();
    const WPARAM flags = (down ? FR_DOWN : 0) | (matchCase ? FR_MATCHCASE : 0);
    const LRESULT at =
        SendMessageW(control_, EM_FINDTEXTEXW, flags, reinterpret_cast<LPARAM>(&find));
    return at < 0 ? -1 : find.chrgText.cpMin;
}

bool LogView::Find(std::wstring_view what, bool down, bool matchCase) {
    if (what.empty() || !control_) return false;
    const std::wstring pattern(what);
    CHARRANGE selection{};
    SendMessageW(control_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    LONG at = down ? Search(pattern, true, matchCase, selection.cpMax, -1)
                   : Search(pattern, false, matchCase, selection.cpMin, 0);
    if (at < 0 && !down && older_) {
        // Older text is gathered until it holds a match or the bound is reached, then taken
        // in at once: far fewer rebuilds than a block at a time.
        const auto folded = [matchCase](std::wstring text) {
            if (!matchCase) {
                for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
            }
            return text;
        };
        const std::wstring needle = folded(pattern);
        // A match may begin in older text and end in what is shown.
        std::wstring joined =
            folded(TextRange(control_, 0, std::min(Length(), pattern.size() - 1)));
        std::wstring gathered;
        size_t firstLine = FirstLineLength();
        bool found = false;
        while (!found && older_ && Length() + gathered.size() + kOlderMinChars <= bound_) {
            const std::wstring text =
                AskOlder(std::min(bound_ - Length() - gathered.size(), kOlderChars), firstLine);
            if (text.empty()) break;
            const size_t cr = text.find(L'\r');
            firstLine = cr == std::wstring::npos ? firstLine + text.size() : cr;
            joined = folded(text) + joined.substr(0, pattern.size() - 1);
            found = joined.find(needle) != std::wstring::npos;
            gathered.insert(0, text);
        }
        if (!gathered.empty()) {
            Prepend(gathered);
            if (found) {
                const size_t from = std::min(Length(), gathered.size() + pattern.size() - 1);
                at = Search(pattern, false, matchCase, static_cast<LONG>(from), 0);
            }
        }
    }
    if (at < 0) return false;
    Select(control_, static_cast<size_t>(at), static_cast<size_t>(at) + pattern.size());
    SendMessageW(control_, EM_SCROLLCARET, 0, 0);
    return true;
}

void LogView::SelectAll() {
    if (control_) Select(control_, 0, Length());
}

void LogView::Copy() {
    if (control_) SendMessageW(control_, WM_COPY, 0, 0);
}

void LogView::FillView() {
    for (int i = 0; i < 64 && older_ && !CanScroll(); ++i) {
        if (!TakeOlder()) break;
    }
    ScrollToEnd();
}

void LogView::Clear() {
    older_ = nullptr;
    if (control_ && Length() > 0) Replace();
}

void LogView::Replace() {
    HWND old = control_;
    HWND parent = GetParent(old);
    RECT r;
    GetWindowRect(old, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    const DWORD style =
        static_cast<DWORD>(GetWindowLongW(old, GWL_STYLE)) | WS_HSCROLL | WS_VSCROLL;
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(old, GWL_EXSTYLE));
    const LRESULT font = SendMessageW(old, WM_GETFONT, 0, 0);
    const int id = GetDlgCtrlID(old);
    const bool focused = GetFocus() == old;
    HWND before = GetWindow(old, GW_HWNDPREV);  // keeps its place in the tab order
    // The old control goes first: two full displays could exhaust a 32-bit address space.
    DestroyWindow(old);
    HWND fresh =
        CreateWindowExW(exStyle, MSFTEDIT_CLASS, L"", style, r.left, r.top, r.right - r.left,
                        r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        GetModuleHandleW(nullptr), nullptr);
    SetWindowPos(fresh, before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(fresh, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    Prepare(fresh);
    older_ = nullptr;
    SetWrap(wrap_);
    Apply(state_, false);
    if (focused) SetFocus(fresh);
}

}  // namespace zr
