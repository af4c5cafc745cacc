// How the log display's window moves over the file: older text taken in above, newer text
// below, and the window set anew where it would grow past the bound or over a long line.
#include "mainwindow/log_view_win.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

#include "common/controls_win.h"
#include "mainwindow/log_view_text_win.h"

namespace zr {

namespace {

using namespace rich_text;

// Older text taken in per request. Every line put in above the others costs time in
// proportion to the lines below it, so a request takes in about this many line moves (a
// tenth of a second on Wine) and never more than kBlockChars: many screens on a small
// display, a few on a full one. Newer text comes in at the end, where it costs little.
constexpr LRESULT kOlderLineMoves = 1'000'000;
constexpr size_t kBlockChars = 64 * 1024;
constexpr size_t kOlderMinChars = 4 * 1024;
// What is kept beside the line being read, away from the new text, when the window is set
// anew around it.
constexpr size_t kKeepChars = 32 * 1024;
// The rich-text control under Wine lays a paragraph out in a time that grows with the square
// of its length (a line of 32K characters takes seconds, and as long again at every change):
// the window holds no more of a longer line (a hole of NUL bytes is one) than fills the view a
// few times, set anew on a part of it at a time as the user scrolls or the line grows.
constexpr size_t kMaxLongLineChars = 32 * 1024;
constexpr size_t kLongLinePart = 2 * 1024;

}  // namespace

bool LogView::HasLongLine(std::wstring_view text, size_t above, size_t below, size_t limit) {
    size_t begin = 0;
    for (size_t cr; (cr = text.find(L'\r', begin)) != std::wstring_view::npos; begin = cr + 1) {
        if (cr - begin + above > limit) return true;
        above = 0;
    }
    return begin < text.size() && text.size() - begin + above + below > limit;
}

size_t LogView::LongLineLimit() const {
    // Twice the half-width characters of the font that the view has room for.
    RECT client{};
    GetClientRect(control_, &client);
    const double em = std::max(state_.lngCurFontSize, 1) * WindowDpi(control_) / 72.0;
    const double cells = std::max(client.right / (em / 2), 1.0) * std::max(client.bottom / em, 1.0);
    return std::clamp(static_cast<size_t>(2 * cells), 4 * kLongLinePart, kMaxLongLineChars);
}

TextPiece LogView::EndPiece() {
    TextPiece piece = source_->Tail(kSetChars, floor_);
    return HasLongLine(piece.text, 0, 0, LongLineLimit()) ? source_->Tail(LongLineLimit(), floor_)
                                                          : piece;
}

TextPiece LogView::StartPiece() {
    TextPiece piece = source_->After(floor_, kSetChars);
    return HasLongLine(piece.text, 0, 0, LongLineLimit()) ? source_->After(floor_, LongLineLimit())
                                                          : piece;
}

void LogView::ShowOnly(const TextPiece& piece) {
    Quiet quiet(*this);
    if (Length() > 0) Replace();
    Insert(0, piece.text);
    lines_.Reset(piece.from);
    lines_.AddBottom(piece.text, piece.to, piece.lineStarts, piece.First());
    placed_ = true;
    ClearQueue();
    showEnd_ = false;
    followsEnd_ = source_ && piece.to >= source_->End();
    if (followsEnd_) newText_ = false;
    UpdateNote();
}

void LogView::Join(TextPiece& above, const TextPiece& below) {
    if (below.text.empty()) {
        above.to = std::max(above.to, below.to);
        return;
    }
    if (above.text.empty()) {
        above.first = below.First();
    } else if (!above.lineStarts.empty()) {
        above.lineStarts.back() = below.First();
    }
    above.text += below.text;
    above.lineStarts.insert(above.lineStarts.end(), below.lineStarts.begin(),
                            below.lineStarts.end());
    above.to = below.to;
}

bool LogView::TakeOlder(bool fill) {
    if (!source_ || !control_ || !placed_ || lines_.TopStale() || lines_.Top() <= floor_) {
        return false;
    }
    const size_t length = Length();
    const LRESULT lines = std::max<LRESULT>(SendMessageW(control_, EM_GETLINECOUNT, 0, 0), 1);
    const size_t perLine = std::max<size_t>(length / static_cast<size_t>(lines), 1);
    const size_t affordable = static_cast<size_t>(kOlderLineMoves / lines) * perLine;
    size_t want = std::clamp(affordable, kOlderMinChars, kBlockChars);
    want = static_cast<size_t>(std::min<uint64_t>(want, lines_.Top() - floor_));
    TextPiece piece = source_->Before(lines_.Top(), want, floor_);
    const size_t limit = LongLineLimit();
    const auto tooLong = [&] {
        return HasLongLine(piece.text, 0, lines_.EdgeLineChars(false), limit);
    };
    if (want > kLongLinePart && tooLong()) {
        piece = source_->Before(lines_.Top(), kLongLinePart, floor_);
    }
    if (piece.from >= lines_.Top()) return false;
    if (piece.text.empty()) {
        // A filter let nothing pass in what was scanned: the window's top moves on all the
        // same, and the next request scans further.
        lines_.AddTop({}, piece.from, {});
        return true;
    }
    if (tooLong()) {
        // A long line never fills the view (one row when lines do not wrap): filling stops
        // here rather than leave the end the window holds.
        if (fill) return false;
        // The window is set anew on the part and the start of what was at the top below it,
        // which stays where it was.
        TextPiece all = piece;
        Join(all, source_->After(piece.to, limit - kLongLinePart));
        ShowOnly(all);
        ScrollCharToTop(piece.text.size());
        partShown_ = true;
        return true;
    }
    if (lines_.Chars() + piece.text.size() <= bound_) {
        Prepend(piece);
        return true;
    }
    // Past the bound: the window is set anew on the older text and what lies below it down
    // to a while below the line being read, which costs what is read again, not what the
    // display holds. The view must still be full below the line being read, or the control
    // would scroll it.
    const size_t keep = std::min(lines_.Chars(), LastVisibleChar() + kKeepChars);
    const uint64_t end = keep < lines_.Chars() ? lines_.LineOf(keep).offset : lines_.Bottom();
    SetAnew(piece, end);
    return true;
}

bool LogView::TakeNewer() {
    if (!source_ || !control_ || followsEnd_) return false;
    if (lines_.AllStale()) {
        ShowEnd();
        return true;
    }
    TextPiece piece = source_->After(lines_.Bottom(), kBlockChars);
    const size_t open = lines_.Open() ? lines_.EdgeLineChars(true) : 0;
    const size_t limit = LongLineLimit();
    const auto tooLong = [&] { return HasLongLine(piece.text, open, 0, limit); };
    if (tooLong()) piece = source_->After(lines_.Bottom(), kLongLinePart);
    if (piece.to <= lines_.Bottom()) return false;
    if (tooLong()) {
        // Likewise the end of what was at the bottom and the part below it.
        partShown_ = true;
        TextPiece all = source_->Before(piece.from, limit - kLongLinePart, floor_);
        Join(all, piece);
        const size_t kept = all.text.size() - piece.text.size();
        const size_t below = lines_.Chars() - FirstVisibleChar();
        ShowOnly(all);
        ScrollCharToTop(kept > below ? kept - below : 0);
        return true;
    }
    if (lines_.Chars() + piece.text.size() > bound_) {
        // Past the bound: set anew from a while above the line being read down to the end
        // of the newer text.
        const size_t first = FirstVisibleChar();
        const WindowLines::Place from = lines_.LineOf(first > kKeepChars ? first - kKeepChars : 0);
        if (!from.stale) {
            TextPiece empty;
            empty.from = empty.to = from.offset;
            SetAnew(empty, piece.to);
            return true;
        }
    }
    CHARRANGE selection{};
    SendMessageW(control_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const size_t firstChar = FirstVisibleChar();
    if (!piece.text.empty()) {
        Quiet quiet(*this);
        Insert(Length(), piece.text);
        lines_.AddBottom(piece.text, piece.to, piece.lineStarts, piece.First());
        SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        ScrollCharToTop(firstChar);
    } else {
        lines_.AddBottom({}, piece.to, {});
    }
    if (piece.to >= source_->End()) {
        followsEnd_ = true;
        newText_ = false;
    }
    return true;
}

void LogView::SetAnew(const TextPiece& above, uint64_t end) {
    // Where the user reads and what is selected, as places in the file, to be put back.
    const size_t first = FirstVisibleChar();
    const WindowLines::Place read = lines_.LineOf(first);
    const std::optional<TextPlace> selFrom = SelectionPlace(false);
    const std::optional<TextPlace> selTo = SelectionPlace(true);
    TextPiece all = above;
    if (end > all.to) Join(all, source_->After(all.to, static_cast<size_t>(end - all.to)));
    const bool followed = followsEnd_;
    const bool queued = !taken_.text.empty() || showEnd_;
    ShowOnly(all);
    const auto back = [&](const std::optional<TextPlace>& place, size_t fallback) {
        const size_t at = place ? lines_.CharOfLine(place->line) : lines_.Chars();
        return at < lines_.Chars() ? at + place->character : fallback;
    };
    const size_t readAt = lines_.CharOfLine(read.offset);
    const size_t top = readAt < lines_.Chars() ? readAt + (first - read.lineChar) : 0;
    Select(control_, back(selFrom, top), back(selTo, top));
    // Scrolled with drawing on: the control places lines only when it draws them.
    ScrollCharToTop(top);
    if (followed && !followsEnd_) {
        newText_ = newText_ || queued;
        LeaveEnd();
    }
}

void LogView::Prepend(const TextPiece& piece) {
    const std::wstring_view text = piece.text;
    CHARRANGE selection{};
    SendMessageW(control_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const size_t firstChar = FirstVisibleChar();
    const LRESULT lines = SendMessageW(control_, EM_GETLINECOUNT, 0, 0);
    const auto adding = static_cast<LRESULT>(std::count(text.begin(), text.end(), L'\r') + 1);
    const auto added = static_cast<LONG>(text.size());
    {
        Quiet quiet(*this);
        if (text.size() > kBlockChars || adding * lines > 2 * kOlderLineMoves) {
            // Too many lines to put above the others one block at a time: the window is set
            // anew on the file, the older text and what was shown read together.
            if (followsEnd_) ShowTaken(SIZE_MAX);
            const uint64_t bottom = lines_.Bottom();
            TextPiece all = piece;
            if (bottom > piece.to) {
                Join(all, source_->After(piece.to, static_cast<size_t>(bottom - piece.to)));
            }
            ShowOnly(all);
        } else {
            Insert(0, text);
            lines_.AddTop(text, piece.from, piece.lineStarts, piece.First());
        }
        selection.cpMin += added;
        selection.cpMax += added;
        SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    }
    // The line that was at the top of the view goes back there.
    ScrollCharToTop(firstChar + static_cast<size_t>(added));
}

}  // namespace zr
