// Text in and out of the log display's rich-text control, by character positions.
//
// Plain text is streamed in rather than put in with the replace message, whose cost grows
// with every empty line; streamed text is never read as formatted text.
#include "mainwindow/log_view_text_win.h"

#include <richedit.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

DWORD CALLBACK ReadByteSource(DWORD_PTR cookie, LPBYTE buf, LONG size, LONG* got) noexcept {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const size_t n = std::min(source->left, static_cast<size_t>(size));
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

void StreamRichText(HWND control, const std::string& rtf) {
    StreamSource source{rtf.data(), rtf.size()};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, &ReadByteSource};
    SendMessageW(control, EM_STREAMIN, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
}

// The background too: the insertion point may stand after a highlighted run.
void SetSelectionColour(HWND control, COLORREF colour) {
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    cf.dwMask = CFM_COLOR | CFM_BACKCOLOR;
    cf.dwEffects = CFE_AUTOBACKCOLOR;
    cf.crTextColor = colour;
    SendMessageW(control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

// The log's text as rich text says it: every character as it stands, whatever it is, so that
// nothing in a log can be read as a command.
void AppendRichText(std::string& out, std::wstring_view text) {
    for (const wchar_t c : text) {
        if (c == L'\\' || c == L'{' || c == L'}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (c == L'\r') {
            out += "\\par\n";
        } else {
            // \uN takes a signed 16-bit number; the '?' is what a reader without Unicode
            // shows, skipped by every other.
            out += "\\u" + std::to_string(static_cast<int16_t>(c)) + '?';
        }
    }
}

// A piece of the text as rich text, with the runs that fall in it; `offset` is where the piece
// begins in the text the runs count in. In the colour table 1 is the text's own colour; a
// background of 0 is the display's own.
std::string RichTextOf(std::wstring_view text, size_t offset, COLORREF colour,
                       std::span<const ColouredRun> runs) {
    std::vector<COLORREF> table{colour};
    auto index = [&](COLORREF c) {
        const auto found = std::find(table.begin(), table.end(), c);
        if (found != table.end()) return static_cast<size_t>(found - table.begin()) + 1;
        table.push_back(c);
        return table.size();
    };
    std::string body;
    size_t done = 0;
    for (const ColouredRun& run : runs) {
        if (run.end <= offset || run.begin >= offset + text.size()) continue;
        const size_t begin = std::max(run.begin, offset) - offset;
        const size_t end = std::min(run.end - offset, text.size());
        AppendRichText(body, text.substr(done, begin - done));
        body += "{\\cf" + std::to_string(index(run.fore)) + "\\highlight" +
                std::to_string(index(run.back)) + ' ';
        AppendRichText(body, text.substr(begin, end - begin));
        body += '}';
        done = end;
    }
    AppendRichText(body, text.substr(done));
    std::string rtf = "{\\rtf1\\ansi{\\colortbl;";
    for (const COLORREF c : table) {
        rtf += "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) +
               "\\blue" + std::to_string(GetBValue(c)) + ';';
    }
    rtf += "}\\cf1\\highlight0 ";
    rtf += body;
    rtf += '}';
    return rtf;
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

void InsertColouredText(HWND control, size_t at, std::wstring_view text, COLORREF colour,
                        std::span<const ColouredRun> runs) {
    Select(control, at, at);
    size_t offset = 0;
    for (std::wstring_view piece : SplitForInsertion(text, kPieceChars)) {
        SetSelectionColour(control, colour);
        // A paragraph mark that ends a stream may be dropped where the stream meets the end of
        // the text; the piece's last line end goes in as plain text.
        const bool lineEnd = piece.back() == L'\r';
        if (piece.size() > 1 || !lineEnd) {
            StreamRichText(
                control, RichTextOf(piece.substr(0, piece.size() - lineEnd), offset, colour, runs));
        }
        if (lineEnd) {
            SetSelectionColour(control, colour);
            StreamPlainText(control, L"\r");
        }
        offset += piece.size();
    }
}

}  // namespace zr::rich_text
