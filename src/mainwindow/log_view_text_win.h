// Text in and out of the log display's rich-text control, by character positions; only the
// log view uses them.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace zr::rich_text {

size_t TextLength(HWND control);
void Select(HWND control, size_t from, size_t to);
// Plain text in one colour at `at`, piece by piece.
void InsertText(HWND control, size_t at, std::wstring_view text, COLORREF colour);

}  // namespace zr::rich_text
