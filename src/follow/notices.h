// Finds the notice strings in text as it reaches the display.
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace zr {

class NoticeMatcher {
  public:
    static constexpr size_t kCount = 3;

    // Empty strings never match.
    void SetStrings(const std::array<std::wstring, kCount>& strings);
    // Forgets the line in progress, for a new open of a file.
    void Reset();

    // Indexes (0..2, ascending, each at most once) of the strings found in the text a pass
    // added to the display. Exact, case-sensitive search. The text continues the line left
    // unfinished by the previous call, so a string is found even when its line reached the
    // display in two passes; an occurrence already reported is not reported again. A CR (the
    // display's line end) or an LF ends the line in progress.
    std::vector<size_t> Find(std::wstring_view added);

  private:
    std::array<std::wstring, kCount> strings_;
    // The end of the unfinished line: as much as an occurrence ending in the next text can
    // reach back into, i.e. one character less than the longest string.
    std::wstring carry_;
    size_t keep_ = 0;
};

}  // namespace zr
