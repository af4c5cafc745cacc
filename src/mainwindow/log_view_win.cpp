// The log display and everything done to its rich-text control.
//
// The file is the store of the text; the control is a window onto it. The window holds at
// most the bound, taken from any place in the file, and knows the file offset of every line
// it holds (WindowLines), so that lines can leave at one end and be read again when the user
// comes back to them:
//   - while the window holds the end of the file it follows: what the passes read is queued
//     and shown a piece at a time; a burst larger than the bound is never pushed through the
//     control: the window is set anew on the file's end instead;
//   - scrolling up past the top takes older text in above, scrolling down past the bottom
//     newer text below; past the bound lines leave at the other end, the line being read
//     staying in its place. Ctrl+Home and Ctrl+End set the window anew on the file's start
//     or end at once;
//   - while it does not hold the end, the passes still read everything (notices, position),
//     the window stays, and a note in its corner says where it stands and that there is more.
//
// The control is costly in the ways that matter here (measured under Wine, whose rich-text
// control the program is tested on; bench/ and the README hold the figures):
//   - memory: about 170 bytes per character held, hence the bound;
//   - every edit with drawing on repaints and rewraps at once, so edits are made with drawing
//     off and the view is repainted once at the end;
//   - removing or inserting a line at the top costs time in proportion to everything below
//     it: a few lines leave the top in place, more by setting the window anew, which costs
//     only what is read again; text comes in above a block at a time;
//   - emptying it is quadratic in its lines, while a new control costs next to nothing: the
//     display is emptied by replacing the control.
#include "mainwindow/log_view_win.h"

#include "mainwindow/log_view_text_win.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "common/controls_win.h"
#include "common/look_win.h"
#include "common/messages.h"
#include "common/ui_seam_win.h"
#include "settings/settings.h"

namespace zr {

namespace {

using namespace rich_text;

// Posted to the control itself when the user has scrolled to its top or bottom, so that text
// comes in after the scroll, not in the middle of it; wParam 1 asks for newer text, kFill for
// older text until the view is full (a filter finds lines a scan at a time).
constexpr UINT WM_APP_TAKE_TEXT = WM_APP + 40;
constexpr WPARAM kFill = 2;
constexpr UINT_PTR kSubclassId = 1;
// The line that names a new file followed: between the text colours of a log and its
// background, as rules between paragraphs are.
constexpr COLORREF kSeparatorColour = RGB(128, 128, 128);

COLORREF ForeColour(const DisplayState& state) {
    return ColorFromText(state.strCurForeColor, 0);
}

}  // namespace

LogView::~LogView() {
    if (control_ && IsWindow(control_)) RemoveWindowSubclass(control_, &SubclassProc, kSubclassId);
}

void LogView::Attach(HWND control) {
    if (control && !note_) {
        // The note stands over the display's lower right corner, above it among its siblings.
        note_ = CreateWindowExW(0, L"STATIC", L"",
                                WS_CHILD | SS_CENTER | SS_CENTERIMAGE | WS_BORDER, 0, 0, 0, 0,
                                GetParent(control), nullptr, GetModuleHandleW(nullptr), nullptr);
        SendMessageW(note_, WM_SETFONT, SendMessageW(control, WM_GETFONT, 0, 0), FALSE);
    }
    Prepare(control);
}

void LogView::Prepare(HWND control) {
    control_ = control;
    moveAsked_ = false;
    if (!control_) return;
    // The note above it is never drawn over.
    SetWindowLongW(control_, GWL_STYLE, GetWindowLongW(control_, GWL_STYLE) | WS_CLIPSIBLINGS);
    // Without this the control stops taking text at 32,767 characters.
    SendMessageW(control_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    // Nothing shown is taken back by the user, so there is nothing to undo; an undo record
    // would keep a second copy of the text.
    SendMessageW(control_, EM_SETUNDOLIMIT, 0, 0);
    SetWindowSubclass(control_, &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    if (quiet_ > 0) SendMessageW(control_, WM_SETREDRAW, FALSE, 0);
    if (note_) SetWindowPos(note_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT CALLBACK LogView::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR self) noexcept {
    try {
        return reinterpret_cast<LogView*>(self)->OnMessage(hwnd, msg, wp, lp, id);
    } catch (...) {
        // Text that could not come in is asked for again at the next scroll.
        return msg == WM_APP_TAKE_TEXT ? 0 : DefSubclassProc(hwnd, msg, wp, lp);
    }
}

LRESULT LogView::OnMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id) {
    switch (msg) {
        case WM_APP_TAKE_TEXT:
            moveAsked_ = false;
            scanUp_ = wp != 1;
            if (wp == kFill) {
                if (TakeOlder(true) && !CanScroll()) AskToFill();
                ScrollToEnd();
            } else if ((wp ? TakeNewer() : TakeOlder()) && !std::exchange(partShown_, false)) {
                // Each part of a long line is asked for by a scroll of its own.
                AfterScroll(wp == 1);
            }
            ShowScanStatus();
            UpdateNote();
            return 0;
        case WM_KEYDOWN:
            if (GetKeyState(VK_CONTROL) < 0 && (wp == VK_HOME || wp == VK_END)) {
                wp == VK_HOME ? ShowStart() : ShowEnd();
                return 0;
            }
            [[fallthrough]];
        case WM_VSCROLL:
        case WM_MOUSEWHEEL: {
            const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
            const WORD code = LOWORD(wp);
            AfterScroll(msg == WM_VSCROLL
                            ? code == SB_LINEDOWN || code == SB_PAGEDOWN || code == SB_BOTTOM
                        : msg == WM_MOUSEWHEEL ? GET_WHEEL_DELTA_WPARAM(wp) < 0
                                               : wp == VK_DOWN || wp == VK_NEXT || wp == VK_END);
            UpdateNote();
            return result;
        }
        case WM_WINDOWPOSCHANGED:
            PlaceNote();
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, &SubclassProc, id);
            if (control_ == hwnd) control_ = nullptr;
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void LogView::AfterScroll(bool down) {
    // 読込中止 stops a filter's scans; plain text still comes in as the user scrolls.
    if (!source_ || moveAsked_ || (paused_ && source_->Partial())) return;
    WPARAM newer = 0;
    if (down || FirstVisibleLine() != 0 || lines_.TopStale() || lines_.Top() <= floor_) {
        if (followsEnd_ || !LastLineVisible()) return;
        newer = 1;
    }
    moveAsked_ = PostMessageW(control_, WM_APP_TAKE_TEXT, newer, 0) != FALSE;
}

int LogView::FirstVisibleLine() const {
    return static_cast<int>(SendMessageW(control_, EM_GETFIRSTVISIBLELINE, 0, 0));
}

size_t LogView::FirstVisibleChar() const {
    const LRESULT at = SendMessageW(control_, EM_LINEINDEX, FirstVisibleLine(), 0);
    return at > 0 ? static_cast<size_t>(at) : 0;
}

size_t LogView::LastVisibleChar() const {
    RECT client;
    GetClientRect(control_, &client);
    POINTL corner{client.right - 1, client.bottom - 1};
    const LRESULT at = SendMessageW(control_, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&corner));
    return at > 0 ? static_cast<size_t>(at) : 0;
}

void LogView::ScrollCharToTop(size_t at) {
    // By pixels: scrolling by lines stops short of lines whose format changed (highlights)
    // until they are drawn, under Wine.
    POINTL where{};
    SendMessageW(control_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&where),
                 static_cast<LPARAM>(at));
    POINT scroll{};
    SendMessageW(control_, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
    scroll.y += where.y;
    SendMessageW(control_, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
}

bool LogView::CanScroll() const {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE;
    // No scroll bar yet: nothing to scroll.
    if (!GetScrollInfo(control_, SB_VERT, &si)) return false;
    return si.nPage > 0 && si.nMax - si.nMin + 1 > static_cast<int>(si.nPage);
}

bool LogView::LastLineVisible() const {
    POINTL at{};
    const size_t length = Length();
    SendMessageW(control_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at),
                 static_cast<LPARAM>(length > 0 ? length - 1 : 0));
    RECT client;
    GetClientRect(control_, &client);
    return at.y < client.bottom;
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
        Colour(0, Text());
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

void LogView::Insert(size_t at, std::wstring_view text) {
    if (highlighter_.Empty()) {
        InsertText(control_, at, text, ForeColour(state_));
        return;
    }
    // Text takes the colour of text added, and the rules' colours line by line.
    runs_.clear();
    for (size_t begin = 0; begin < text.size();) {
        const size_t cr = std::min(text.find(L'\r', begin), text.size());
        highlighter_.Spans(text.substr(begin, cr - begin), spans_);
        for (const HighlightSpan& span : spans_) {
            runs_.push_back({begin + span.begin, begin + span.end, span.fore, span.back});
        }
        begin = cr + 1;
    }
    InsertColouredText(control_, at, text, ForeColour(state_), runs_);
}

void LogView::LeaveEnd() {
    followsEnd_ = false;
    // What the passes read and the display did not show yet stays in the file.
    newText_ = newText_ || !taken_.text.empty() || showEnd_;
    ClearQueue();
    showEnd_ = false;
    UpdateNote();
}

void LogView::FillView() {
    if (source_ && source_->Partial()) {
        AskToFill();
    } else {
        for (int i = 0; i < 64 && source_ && !CanScroll(); ++i) {
            if (!TakeOlder(true)) break;
        }
    }
    ScrollToEnd();
}

void LogView::AskToFill() {
    if (moveAsked_ || (paused_ && source_->Partial()) || !control_ || CanScroll()) return;
    moveAsked_ = PostMessageW(control_, WM_APP_TAKE_TEXT, kFill, 0) != FALSE;
}

void LogView::ShowScanStatus() {
    if (!status_ || !source_ || !source_->Partial()) return;
    if (!moveAsked_) {
        SetWindowTextW(status_, L"");
        return;
    }
    // How much of the file the filter has been through, the way it goes.
    const uint64_t start = source_->Start(), end = std::max(source_->End(), start + 1);
    const uint64_t done = scanUp_ ? end - std::clamp(lines_.Top(), start, end)
                                  : std::clamp(lines_.Bottom(), start, end) - start;
    wchar_t text[32];
    std::swprintf(text, std::size(text), L"読込中 %d%%",
                  static_cast<int>(std::min<uint64_t>(done * 100 / (end - start), 99)));
    SetWindowTextW(status_, text);
}

void LogView::Pause(bool paused) {
    paused_ = paused;
    if (!status_ || !source_ || !source_->Partial()) return;
    if (paused) {
        SetWindowTextW(status_, L"");
    } else {
        FillView();  // the scan goes on where it stopped
    }
}

void LogView::SetFilter(FileText* filtered, const LineFilter* filter) {
    if (!whole_) return;
    filter_ = filtered ? filter : nullptr;
    source_ = filtered ? filtered : whole_;
    if (filter_) {
        // The line the passes are in the middle of, which the filter holds until it ends.
        const TextPiece tail = whole_->Tail(4096, floor_);
        const size_t cr = tail.text.rfind(L'\r');
        if (cr == std::wstring::npos) {
            stream_.Hold(tail.text, tail.from);
        } else {
            stream_.Hold(tail.text.substr(cr + 1), tail.lineStarts.back());
        }
    }
    if (!placed_ || !control_) return;
    newText_ = false;
    ShowOnly(EndPiece());
    FillView();
    UpdateNote();
}

void LogView::SetHighlights(std::span<const HighlightRule> rules) {
    highlighter_ = Highlighter(rules);
    if (!control_) return;
    Quiet quiet(*this);
    // Every line shown takes the rules anew, over the colour of text added.
    CHARFORMAT2W plain{};
    plain.cbSize = sizeof(plain);
    plain.dwMask = CFM_COLOR | CFM_BACKCOLOR;
    plain.crTextColor = ForeColour(state_);
    plain.dwEffects = CFE_AUTOBACKCOLOR;
    SendMessageW(control_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&plain));
    Colour(0, Text());
}

void LogView::Colour(size_t at, std::wstring_view text) {
    if (highlighter_.Empty() || !control_) return;
    CHARRANGE selection{};
    SendMessageW(control_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    cf.dwMask = CFM_COLOR | CFM_BACKCOLOR;
    for (size_t begin = 0; begin < text.size();) {
        const size_t cr = std::min(text.find(L'\r', begin), text.size());
        highlighter_.Spans(text.substr(begin, cr - begin), spans_);
        for (const HighlightSpan& span : spans_) {
            Select(control_, at + begin + span.begin, at + begin + span.end);
            cf.crTextColor = span.fore;
            cf.crBackColor = span.back;
            SendMessageW(control_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
        }
        begin = cr + 1;
    }
    SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
}

void LogView::ShowEnd() {
    if (source_ && placed_ && !followsEnd_) {
        ShowOnly(EndPiece());
        FillView();
    }
    ScrollToEnd();
    UpdateNote();
}

void LogView::ShowStart() {
    if (source_ && placed_ && (lines_.TopStale() || lines_.Top() > floor_)) {
        ShowOnly(StartPiece());
    }
    if (!control_) return;
    Select(control_, 0, 0);
    SendMessageW(control_, EM_SCROLLCARET, 0, 0);
    ScrollCharToTop(0);
    UpdateNote();
}

void LogView::Clear() {
    // Text the passes read and did not show yet is shown after the clear, as text read
    // later is: only what is already in the display goes.
    if (followsEnd_) {
        lines_.Reset(lines_.Bottom());
        floor_ = lines_.Bottom();
    } else if (source_) {
        followsEnd_ = true;
        newText_ = false;
        lines_.Reset(source_->End());
        floor_ = source_->End();
    }
    if (control_ && Length() > 0) Replace();
    UpdateNote();
}

void LogView::Separate(std::wstring_view line) {
    if (!control_ || !placed_) return;
    if (followsEnd_ && !showEnd_) ShowTaken(SIZE_MAX);
    std::wstring ending = lines_.Open() ? L"\r" : L"";
    ending.append(line);
    ending += L'\r';
    if (followsEnd_) {
        {
            Quiet quiet(*this);
            InsertText(control_, Length(), ending, kSeparatorColour);
        }
        lines_.AddAfterRestart(ending, 0);
        ScrollToEnd();
    } else {
        // Away from the end: what is shown stays; coming back shows the new file's end.
        lines_.AddAfterRestart({}, 0);
        newText_ = true;
    }
    ClearQueue();
    showEnd_ = false;
    stream_.Reset(0);
    floor_ = 0;
    UpdateNote();
}

std::optional<LogView::TextPlace> LogView::SelectionPlace(bool end) const {
    if (!control_ || !placed_ || lines_.Lines() == 0) return std::nullopt;
    CHARRANGE selection{};
    SendMessageW(control_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const size_t at =
        static_cast<size_t>(std::max(end ? selection.cpMax : selection.cpMin, LONG{0}));
    if (at >= lines_.Chars()) return std::nullopt;
    const WindowLines::Place place = lines_.LineOf(at);
    if (place.stale) return std::nullopt;
    return TextPlace{place.offset, at - place.lineChar};
}

bool LogView::ShowMatch(uint64_t line, size_t from, size_t to) {
    if (!control_ || !source_) return false;
    size_t at = lines_.CharOfLine(line);
    if (at >= lines_.Chars()) {
        TextPiece piece = source_->Before(line, kSetChars / 2, floor_);
        if (piece.text.empty()) piece.from = piece.to = line;
        const TextPiece rest = source_->After(line, kSetChars / 2);
        piece.text += rest.text;
        piece.lineStarts.insert(piece.lineStarts.end(), rest.lineStarts.begin(),
                                rest.lineStarts.end());
        piece.to = rest.to;
        ShowOnly(piece);
        at = lines_.CharOfLine(line);
        if (at >= lines_.Chars()) return false;
    }
    Select(control_, at + from, at + to);
    SendMessageW(control_, EM_SCROLLCARET, 0, 0);
    UpdateNote();
    return true;
}

void LogView::UpdateNote() {
    if (!note_) return;
    if (!source_ || !placed_ || followsEnd_ || !control_) {
        ShowWindow(note_, SW_HIDE);
        return;
    }
    const uint64_t end = std::max<uint64_t>(source_->End(), 1);
    const WindowLines::Place top = lines_.LineOf(FirstVisibleChar());
    const uint64_t at = top.stale ? 0 : top.offset;
    wchar_t text[96];
    std::swprintf(text, std::size(text),
                  newText_ ? L"%d%% ・ 新しい行があります (Ctrl+End)" : L"%d%%",
                  static_cast<int>(at * 100 / end));
    SetWindowTextW(note_, text);
    PlaceNote();
    ShowWindow(note_, SW_SHOWNOACTIVATE);
}

void LogView::PlaceNote() {
    if (!note_ || !control_) return;
    RECT client;
    GetClientRect(control_, &client);
    MapWindowPoints(control_, GetParent(note_), reinterpret_cast<POINT*>(&client), 2);
    wchar_t text[96];
    GetWindowTextW(note_, text, static_cast<int>(std::size(text)));
    const SIZE size =
        TextExtent(note_, reinterpret_cast<HFONT>(SendMessageW(note_, WM_GETFONT, 0, 0)), text);
    const int width = size.cx + size.cy;
    const int height = size.cy + size.cy / 2;
    SetWindowPos(note_, HWND_TOP, client.right - width - 2, client.bottom - height - 2, width,
                 height, SWP_NOACTIVATE);
}

void LogView::SelectAll() {
    if (control_) Select(control_, 0, Length());
}

void LogView::Copy() {
    if (control_) SendMessageW(control_, WM_COPY, 0, 0);
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
    if (!fresh) {
        // Out of memory or handles: nothing can be shown any more. Said once; the program
        // then ends the way its close box ends it, storing what it keeps.
        control_ = nullptr;
        ShowError(parent, L"ログを表示する欄を作り直せません。Zororuv を終了します。");
        PostMessageW(parent, WM_CLOSE, 0, 0);
        return;
    }
    SetWindowPos(fresh, before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(fresh, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    Prepare(fresh);
    SetWrap(wrap_);
    Apply(state_, false);
    if (focused) SetFocus(fresh);
}

}  // namespace zr
