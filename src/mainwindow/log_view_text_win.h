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
std::wstring TextRange(HWND control, size_t from, size_t to);
// The first position at or after pos where a line begins; the length when none does.
size_t LineStartFrom(HWND control, size_t pos, size_t length);
// Plain text in one colour at `at`, piece by piece.
void InsertText(HWND control, size_t at, std::wstring_view text, COLORREF colour);
// The one colour of a range, or nothing when it has several.
std::optional<COLORREF> RangeColour(HWND control, size_t from, size_t to);
std::string RangeAsRtf(HWND control, size_t from, size_t to);
// Formatted text at `at`.
void InsertRtf(HWND control, size_t at, const std::string& rtf);

}  // namespace zr::rich_text
