// Text on its way from the follower into the display.
#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

namespace zr {

// Cuts text into pieces of at most maxChars characters for the display, never between the
// two halves of a surrogate pair.
std::vector<std::wstring_view> SplitForInsertion(std::wstring_view text, size_t maxChars);

}  // namespace zr
