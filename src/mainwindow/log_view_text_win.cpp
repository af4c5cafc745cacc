// Text in and out of the log display's rich-text control, by character positions.
//
// Plain text is streamed in rather than put in with the replace message, whose cost grows
// with every empty line; streamed text is never read as formatted text.
#include "mainwindow/log_view_text_win.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

#include "follow/display_text.h"

namespace zr::rich_text {

namespace {

// Text goes in in pieces: the control slows down sharply with the size of one insertion.
constexpr size_t kPieceChars = 32 * 1024;

struct StreamSource {
    const char* next;
    size_t left;  // bytes
};

DWORD CALLBACK ReadStreamSource(DWORD_PTR cookie, LPBYTE buf, LONG size, LONG* got) noexcept {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    // Whole UTF-16 units only.
    const size_t n = std::min(source->left, static_cast<size_t>(size)) & ~size_t{1};
    std::memcpy(buf, source->next, n);
    source->next += n;
    source->left -= n;
    *got = static_cast<LONG>(n);
    return 0;
}

// Puts plain text in place of the selection; the caret ends after it.
void StreamPlainText(HWND control, std::wstring_view text) {
    StreamSource source{reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadStreamSource};
    SendMessageW(control, EM_STREAMIN, SF_TEXT | SF_UNICODE | SFF_SELECTION,
                 reinterpret_cast<LPARAM>(&stream));
}

void SetSelectionColour(HWND control, COLORREF colour) {
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    cf.dwMask = CFM_COLOR;
    cf.crTextColor = colour;
    SendMessageW(control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

}  // namespace

size_t TextLength(HWND control) {
    GETTEXTLENGTHEX gtl{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT n = SendMessageW(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gtl), 0);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

void Select(HWND control, size_t from, size_t to) {
    CHARRANGE range{static_cast<LONG>(from), static_cast<LONG>(to)};
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void InsertText(HWND control, size_t at, std::wstring_view text, COLORREF colour) {
    Select(control, at, at);
    for (std::wstring_view piece : SplitForInsertion(text, kPieceChars)) {
        // Set at the insertion point before every piece: after a piece that ends a line the
        // insertion point takes the format of the empty line that follows.
        SetSelectionColour(control, colour);
        StreamPlainText(control, piece);
    }
}

}  // namespace zr::rich_text
