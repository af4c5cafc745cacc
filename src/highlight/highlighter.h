// Highlight rules: an ordered list of terms, each with its switches and colours, and what they
// colour in one line of the display.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "follow/matcher.h"

namespace zr {

struct HighlightRule {
    std::wstring term;  // a query as the matcher reads it: blank-separated terms, all must occur
    MatchOptions options;
    uint32_t fore = 0;         // 0x00BBGGRR
    uint32_t back = 0xFFFFFF;  // 0x00BBGGRR
    bool wholeLine = false;    // the whole line, or only the text that matched
    bool operator==(const HighlightRule&) const = default;
};

// Units [begin, end) of a line to show in these colours.
struct HighlightSpan {
    size_t begin = 0;
    size_t end = 0;
    uint32_t fore = 0;
    uint32_t back = 0;
    bool operator==(const HighlightSpan&) const = default;
};

// Colours lines by the first rule that matches them. A rule whose term holds no word (empty or
// blanks only) colours nothing: to the matcher it would match every line, which as a highlight
// would paint the whole log and hide every rule after it.
//
// Cost per line: the line is folded once for each different set of switches among the rules
// it is tested against (at most eight sets, usually one), then each rule's terms are searched
// in the folded text in order until one rule matches. A matched-text rule that matches folds
// the line once more to place its ranges. Once the buffers have grown to the longest line, a
// line that no rule or a whole-line rule matches allocates nothing.
//
// Not for use from two threads at once: the buffers are the highlighter's own.
class Highlighter {
  public:
    Highlighter() = default;
    explicit Highlighter(std::span<const HighlightRule> rules);

    // No rule can colour anything.
    bool Empty() const { return rules_.empty(); }

    // The colours of one line of display text (without its line end), sorted and apart, in
    // place of what `spans` held; nothing when no rule matches.
    void Spans(std::wstring_view line, std::vector<HighlightSpan>& spans);

  private:
    struct Rule {
        Matcher matcher;
        uint32_t fore;
        uint32_t back;
        bool wholeLine;
        size_t fold;  // index into folds_: the rules of the same switches share a folded line
    };
    struct Fold {
        size_t rule;  // a rule of these switches, whose matcher folds for all of them
        std::wstring text;
        bool done = false;  // text holds the current line folded
    };
    bool Matches(const Rule& rule, std::wstring_view line);

    std::vector<Rule> rules_;
    std::vector<Fold> folds_;
};

}  // namespace zr
