// Text in and out of the log display's rich-text control, by character positions; only the
// log view uses them.
#pragma once
#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zr::rich_text {

size_t TextLength(HWND control);
void Select(HWND control, size_t from, size_t to);
// Plain text in one colour at `at`, piece by piece.
void InsertText(HWND control, size_t at, std::wstring_view text, COLORREF colour);

// Units [begin, end) of a text to insert that show in colours of their own.
struct ColouredRun {
    size_t begin = 0;
    size_t end = 0;
    COLORREF fore = 0;
    COLORREF back = 0;
};
// Text at `at` in `colour` on the display's own background, with its runs (sorted, apart) in
// theirs: streamed in as rich text, which costs about what plain text does, where colouring
// each run after the insertion costs two messages per run, each of them slow in the control.
void InsertColouredText(HWND control, size_t at, std::wstring_view text, COLORREF colour,
                        std::span<const ColouredRun> runs);

}  // namespace zr::rich_text
