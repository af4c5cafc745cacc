// What the passes read while the log display follows the file's end: queued, and shown a
// piece at a time at the bottom, lines leaving the top at the bound; a burst or a long line
// sets the window anew on the end instead.
#include "mainwindow/log_view_win.h"

#include <richedit.h>

#include <algorithm>

#include "mainwindow/log_view_text_win.h"

namespace zr {

namespace {

using namespace rich_text;

// Up to this many lines leave the top one edit at a time; for more the window is set anew.
constexpr size_t kInPlaceDropLines = 64;

}  // namespace

void LogView::Begin(FileText* source) {
    whole_ = source_ = source;
    filter_ = nullptr;
    placed_ = false;
    followsEnd_ = true;
    newText_ = false;
    showEnd_ = false;
    ClearQueue();
    floor_ = source ? source->Start() : 0;
    lines_.Reset(0);
    if (control_ && Length() > 0) Replace();
    UpdateNote();
}

void LogView::ClearQueue() {
    taken_ = TextPiece{};
}

void LogView::Take(const PassResult& read) {
    if (!source_ || !control_) return;
    std::wstring_view text = read.text;
    if (!placed_ || (read.jumped && followsEnd_)) {
        // The first text of a file, or the end of a burst: the window begins where it does.
        placed_ = true;
        showEnd_ = false;
        ClearQueue();
        if (Length() > 0) Replace();
        lines_.Reset(read.readFrom);
        stream_.Reset(read.readFrom);
    } else if (read.restarted) {
        // What was shown stays, ended on a line of its own; the file as it is now follows.
        if (followsEnd_ && !showEnd_) ShowTaken(SIZE_MAX);
        std::wstring ending(text.substr(0, read.staleChars));
        if (lines_.Open() && (ending.empty() || ending.back() != L'\r')) ending += L'\r';
        {
            Quiet quiet(*this);
            Insert(Length(), ending);
        }
        lines_.AddAfterRestart(ending, read.readFrom);
        if (followsEnd_) ScrollToEnd();
        ClearQueue();
        stream_.Reset(read.readFrom);
        text.remove_prefix(read.staleChars);
    } else if (read.jumped) {
        stream_.Reset(read.readFrom);
    } else if (lines_.Lines() == 0 && taken_.text.empty()) {
        // An empty window stands where the text begins (after a byte-order mark written late).
        lines_.Reset(read.readFrom);
    }
    // With a filter, only the whole lines that pass go on.
    TextPiece kept;
    if (filter_) kept = stream_.Feed(*filter_, text, read.readFrom, read.lineStarts);
    if (!followsEnd_) {
        newText_ = newText_ || (filter_ ? !kept.text.empty() : !text.empty() || read.jumped);
        UpdateNote();
        return;
    }
    if (showEnd_) return;
    if (filter_) {
        if (kept.text.empty() && taken_.text.empty()) {
            taken_.to = kept.to;
        } else if (!kept.text.empty()) {
            if (taken_.text.empty()) taken_.first = kept.First();
            if (!taken_.lineStarts.empty()) taken_.lineStarts.back() = kept.First();
            taken_.text += kept.text;
            taken_.lineStarts.insert(taken_.lineStarts.end(), kept.lineStarts.begin(),
                                     kept.lineStarts.end());
            taken_.to = kept.to;
        }
    } else {
        taken_.text += text;
        taken_.lineStarts.insert(taken_.lineStarts.end(), read.lineStarts.begin(),
                                 read.lineStarts.end());
    }
    // More than the display holds: only the end of the file can be shown at all, and it is
    // read again at once rather than pushed through the control.
    if (taken_.text.size() > bound_) {
        showEnd_ = true;
        ClearQueue();
    }
}

bool LogView::ShowTaken(size_t maxChars) {
    if (!source_ || !control_ || !followsEnd_) return false;
    if (std::exchange(showEnd_, false)) {
        ShowOnly(EndPiece());
        ScrollToEnd();
        return false;
    }
    // Where the queue ends: where the passes read, or with a filter before the line it holds.
    const uint64_t end = filter_ ? taken_.to : source_->End();
    if (taken_.text.empty()) {
        // The bytes were read, yet held no text to show (the LF of a CR LF, lines left out).
        if (end > lines_.Bottom()) lines_.AddBottom({}, end, {});
        return false;
    }
    size_t n = taken_.text.size();
    size_t starts = taken_.lineStarts.size();
    uint64_t to = end;
    if (n > maxChars) {
        // Whole lines, where the queue holds a line end within the piece.
        const size_t cr = std::wstring_view(taken_.text).substr(0, maxChars).rfind(L'\r');
        if (cr != std::wstring_view::npos) {
            n = cr + 1;
            starts = static_cast<size_t>(
                std::count(taken_.text.begin(), taken_.text.begin() + n, L'\r'));
            to = taken_.lineStarts[starts - 1];
        }
    }
    if (HasLongLine(std::wstring_view(taken_.text).substr(0, n),
                    lines_.Open() ? lines_.EdgeLineChars(true) : 0, 0, LongLineLimit())) {
        // A long line: the window is set anew on the end, with less of the line than was read.
        ClearQueue();
        ShowOnly(EndPiece());
        ScrollToEnd();
        return false;
    }
    const std::wstring text = taken_.text.substr(0, n);
    const std::vector<uint64_t> lineStarts(taken_.lineStarts.begin(),
                                           taken_.lineStarts.begin() + starts);
    const uint64_t first = taken_.first;
    taken_.text.erase(0, n);
    taken_.lineStarts.erase(taken_.lineStarts.begin(), taken_.lineStarts.begin() + starts);
    // The rest goes on where this part ends (without a filter it continues the lines shown).
    taken_.first = filter_ ? to : UINT64_MAX;
    // The display may be set anew on the file's end meanwhile, which empties the queue.
    AddBottom(text, to, lineStarts, first);
    return !taken_.text.empty();
}

void LogView::AddBottom(std::wstring_view text, uint64_t to,
                        const std::vector<uint64_t>& lineStarts, uint64_t first) {
    // What the user is looking at while a search is under way, to be put back.
    CHARRANGE selection{};
    size_t firstChar = 0;
    if (hold_) {
        SendMessageW(control_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        firstChar = FirstVisibleChar();
    }
    size_t dropped = 0;
    {
        Quiet quiet(*this);
        Insert(Length(), text);
        lines_.AddBottom(text, to, lineStarts, first);
        if (lines_.Chars() > bound_) {
            dropped = lines_.CutTop(lines_.Chars() - bound_, kInPlaceDropLines);
            if (dropped == 0) {
                // Many lines would leave the top, each costing what all below it costs: the
                // window is set anew on the end instead.
                ShowOnly(EndPiece());
                ScrollToEnd();
                return;
            }
            Select(control_, 0, dropped);
            SendMessageW(control_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        }
    }
    if (!hold_ || dropped > static_cast<size_t>(std::max(selection.cpMin, LONG{0}))) {
        ScrollToEnd();
        return;
    }
    selection.cpMin -= static_cast<LONG>(dropped);
    selection.cpMax -= static_cast<LONG>(dropped);
    SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    ScrollCharToTop(firstChar > dropped ? firstChar - dropped : 0);
}

}  // namespace zr
