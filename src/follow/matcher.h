// What a user types to find lines (Find, the filter, the highlight rules all read it alike): a
// query of terms that must all occur in a line, each compared as Japanese users expect, with
// upper and lower case, full and half width, and hiragana and katakana told apart or not.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zr {

struct MatchOptions {
    bool ignoreCase = true;  // A/a, also Latin letters beyond ASCII and full-width ones (Ａ/ａ)
    bool ignoreWidth = true;  // ＡＢＣ/ABC, ０１２/012, full-width punctuation, ｱｲｳ/アイウ, ｶﾞ/ガ
    bool ignoreKana = false;  // ぁ/ァ ... ゖ/ヶ, ゝ/ヽ, ゞ/ヾ
    bool operator==(const MatchOptions&) const = default;
};

// Units [begin, end) of a line's text.
struct MatchRange {
    size_t begin = 0;
    size_t end = 0;
    bool operator==(const MatchRange&) const = default;
};

// Turns one UTF-16 unit into the form it is compared in, under a set of options. Half-width
// katakana and a half-width voiced or semi-voiced mark after them (ｶﾞ, ﾊﾟ, ｳﾞ) are two units
// that fold into one (ガ, パ, ヴ) when width is ignored.
class Folding {
  public:
    explicit Folding(const MatchOptions& options);

    wchar_t Unit(wchar_t c) const {
        const auto u = static_cast<uint32_t>(c);
        return u < 0x10000 ? static_cast<wchar_t>(table_[u]) : c;
    }
    // The one unit `base` and `mark` fold into together, or 0 when they stay two.
    wchar_t Joined(wchar_t base, wchar_t mark) const;
    // Whether some mark joins `c` (so the fold of `c` depends on the unit after it).
    bool JoinsNext(wchar_t c) const { return Joined(c, 0xFF9E) != 0 || Joined(c, 0xFF9F) != 0; }

    // Appends the folded form of text[from, to) to out, as it reads within the whole text: a
    // mark joined to the unit before `from` is left out, and the unit before `to` takes a mark
    // at `to` in. With `starts`, also appends where each folded unit begins in text.
    void Fold(std::wstring_view text, size_t from, size_t to, std::wstring& out,
              std::vector<uint32_t>* starts = nullptr) const;

    // Every unit that folds into `folded` by itself (joined pairs not included).
    std::span<const uint16_t> Sources(wchar_t folded) const;

  private:
    const uint16_t* table_;  // shared by all foldings of the same options
    int bits_;
    bool width_;
};

// A query: terms separated by blanks (space, tab, U+3000), all of which must occur in a line.
// A term that begins with a double quote runs to the next lone double quote and may hold blanks;
// two double quotes in it stand for one. The empty query (no terms) matches every line.
class Matcher {
  public:
    Matcher() : Matcher(std::wstring_view()) {}
    explicit Matcher(std::wstring_view query, const MatchOptions& options = {});

    const MatchOptions& Options() const { return options_; }
    const Folding& Fold() const { return folding_; }
    // The terms in their folded form, in the query's order, empty ones left out.
    const std::vector<std::wstring>& Terms() const { return terms_; }
    // No terms: every line matches.
    bool Empty() const { return terms_.empty(); }
    // Some term holds a line end, so no line can match.
    bool Impossible() const { return impossible_; }

    // Whether every term occurs in `line`: decoded text without its line end.
    bool Matches(std::wstring_view line) const;
    // Every occurrence of every term in `line`, sorted, overlapping and touching ones merged,
    // in units of `line` (a folded match of ｶﾞ covers both units); nothing when the line does
    // not match or the query is empty.
    std::vector<MatchRange> Ranges(std::wstring_view line) const;

    // As Matches, folding into `scratch` so that a caller testing many lines allocates nothing.
    bool Matches(std::wstring_view line, std::wstring& scratch) const;

  private:
    MatchOptions options_;
    Folding folding_;
    std::vector<std::wstring> terms_;
    bool impossible_ = false;
};

}  // namespace zr
