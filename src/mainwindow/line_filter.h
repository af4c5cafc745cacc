// Which lines the display shows while a filter is on: those a query matches ("含む") or those
// it does not ("除く"). Lines are judged whole, so a line still being written waits for its
// end before it is shown or left out.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "follow/follower.h"
#include "follow/matcher.h"

namespace zr {

class LineFilter {
  public:
    LineFilter() = default;
    LineFilter(std::wstring_view query, const MatchOptions& options, bool exclude)
        : matcher_(query, options), exclude_(exclude) {}

    // No term: every line passes, as with no filter.
    bool Empty() const { return matcher_.Empty(); }
    const Matcher& Query() const { return matcher_; }
    bool Exclude() const { return exclude_; }
    // A line of display text, without its line end.
    bool Passes(std::wstring_view line) const { return matcher_.Matches(line) != exclude_; }

    // The whole lines of `piece` that pass, each with where it begins; a last line without
    // its end is left for later, and `to` then stands where it begins.
    TextPiece Keep(const TextPiece& piece) const;

  private:
    Matcher matcher_;
    bool exclude_ = false;
};

// What the passes read arrives in pieces that end anywhere: the lines of each piece that pass,
// with the line still unfinished held until the next piece ends it.
class FilterStream {
  public:
    // The next text begins a line at `at`; what was held is forgotten.
    void Reset(uint64_t at);
    // The next text continues `text`, an unfinished line that begins at `begin`.
    void Hold(std::wstring_view text, uint64_t begin) {
        held_ = text;
        heldBegin_ = begin;
    }
    // Text read from `from` (right after what was fed before), with its line starts.
    TextPiece Feed(const LineFilter& filter, std::wstring_view text, uint64_t from,
                   const std::vector<uint64_t>& lineStarts);

  private:
    std::wstring held_;
    uint64_t heldBegin_ = 0;
};

}  // namespace zr
