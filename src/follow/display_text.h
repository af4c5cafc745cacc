// Text on its way from the follower into the display.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zr {

using Decoder = std::wstring (*)(std::string_view);

// The follower's text (code-page bytes, every line ended by "\r\n") in the display's own
// form: lines ended by a lone "\r", as a rich-text control keeps paragraph ends. Each line is
// decoded on its own, so that a broken lead byte before a line end can never swallow it.
std::wstring ToDisplayText(std::string_view text, Decoder decode);

// The first index at or after pos where a line begins (0, or just after a "\r"); the size
// of the text when no line begins there.
size_t LineStartAtOrAfter(std::wstring_view text, size_t pos);

// Cuts text into pieces of at most maxChars characters for the display, never between the
// two halves of a surrogate pair.
std::vector<std::wstring_view> SplitForInsertion(std::wstring_view text, size_t maxChars);

}  // namespace zr
