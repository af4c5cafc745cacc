// How terms are compared
//
// Both the line and the terms are folded unit by unit through one table per set of options
// (65,536 entries, built once), and a term occurs where its folded form occurs in the folded
// line. Folding goes width first (Ａ to A, ｶ to カ), then case (A to a), then kana (が to ガ),
// so each switch works alone and with the others. The only fold of two units into one is a
// half-width katakana followed by a half-width voiced or semi-voiced mark, which is how those
// are written in half width: ｶﾞ is ガ, and a half-width ｶ alone is カ, never part of ガ.
#include "follow/matcher.h"

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

namespace zr {
namespace {

constexpr wchar_t kVoiced = 0xFF9E;      // ﾞ
constexpr wchar_t kSemiVoiced = 0xFF9F;  // ﾟ

// Half-width katakana and punctuation U+FF61 to U+FF9F in full width.
constexpr char16_t kHalfKana[] =
    u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ"
    u"ハヒフヘホマミムメモヤユヨラリルレロワン゛゜";
static_assert(sizeof kHalfKana / sizeof kHalfKana[0] == 0xFF9F - 0xFF61 + 2);

uint32_t Width(uint32_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) return c - 0xFEE0;  // full-width ASCII
    if (c == 0x3000) return 0x20;
    if (c >= 0xFF61 && c <= 0xFF9F) return kHalfKana[c - 0xFF61];
    switch (c) {
        case 0xFF5F:
            return 0x2985;  // ｟
        case 0xFF60:
            return 0x2986;  // ｠
        case 0xFFE0:
            return 0xA2;  // ￠
        case 0xFFE1:
            return 0xA3;  // ￡
        case 0xFFE2:
            return 0xAC;  // ￢
        case 0xFFE3:
            return 0xAF;  // ￣
        case 0xFFE4:
            return 0xA6;  // ￤
        case 0xFFE5:
            return 0xA5;  // ￥
        case 0xFFE6:
            return 0x20A9;  // ￦
        default:
            return c;
    }
}

// Lower case of the Latin letters (ASCII, Latin-1, Latin Extended-A, full width) and of the
// Greek and Cyrillic ones that Japanese text uses.
uint32_t Lower(uint32_t c) {
    const bool upper = (c >= 'A' && c <= 'Z') || (c >= 0xFF21 && c <= 0xFF3A) ||
                       (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
                       (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) || (c >= 0x410 && c <= 0x42F);
    if (upper) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c == 0x178) return 0xFF;  // Ÿ
    // Latin Extended-A pairs its letters upper then lower, odd-aligned in two stretches.
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    const bool evenPairs =
        (c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    if ((oddPairs && c % 2 == 1) || (evenPairs && c % 2 == 0)) return c + 1;
    return c;
}

uint32_t Katakana(uint32_t c) {
    if ((c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E) return c + 0x60;
    return c;
}

using Table = std::array<uint16_t, 0x10000>;

int Bits(const MatchOptions& o) {
    return (o.ignoreWidth ? 1 : 0) | (o.ignoreCase ? 2 : 0) | (o.ignoreKana ? 4 : 0);
}

// One table for each of the eight sets of options, indexed by their bits.
const Table& TableFor(int bits) {
    static const std::unique_ptr<const Table[]> tables = [] {
        auto all = std::make_unique<Table[]>(8);
        for (int bits = 0; bits < 8; ++bits) {
            for (uint32_t c = 0; c < 0x10000; ++c) {
                uint32_t f = bits & 1 ? Width(c) : c;
                if (bits & 2) f = Lower(f);
                if (bits & 4) f = Katakana(f);
                all[bits][c] = static_cast<uint16_t>(f);
            }
        }
        return std::unique_ptr<const Table[]>(std::move(all));
    }();
    return tables[bits];
}

// The table turned around: the units folding into each unit, in order, one stretch per unit.
struct Sources {
    std::vector<uint32_t> start;  // 0x10001 entries
    std::vector<uint16_t> units;
};

const Sources& SourcesFor(int bits) {
    static std::mutex mutex;
    static std::unique_ptr<Sources> made[8];
    const std::lock_guard<std::mutex> lock(mutex);
    if (!made[bits]) {
        const Table& table = TableFor(bits);
        auto s = std::make_unique<Sources>();
        s->start.assign(0x10001, 0);
        for (uint16_t f : table) ++s->start[f + 1u];
        for (size_t c = 0; c < 0x10000; ++c) s->start[c + 1] += s->start[c];
        s->units.resize(0x10000);
        std::vector<uint32_t> next(s->start.begin(), s->start.end() - 1);
        for (uint32_t c = 0; c < 0x10000; ++c)
            s->units[next[table[c]]++] = static_cast<uint16_t>(c);
        made[bits] = std::move(s);
    }
    return *made[bits];
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == 0x3000;
}

}  // namespace

Folding::Folding(const MatchOptions& options)
    : table_(TableFor(Bits(options)).data()), bits_(Bits(options)), width_(options.ignoreWidth) {}

std::span<const uint16_t> Folding::Sources(wchar_t folded) const {
    const auto f = static_cast<uint32_t>(folded);
    if (f >= 0x10000) return {};
    const auto& s = SourcesFor(bits_);
    return {s.units.data() + s.start[f], s.units.data() + s.start[f + 1]};
}

wchar_t Folding::Joined(wchar_t base, wchar_t mark) const {
    if (!width_ || (mark != kVoiced && mark != kSemiVoiced)) return 0;
    const bool voiced = mark == kVoiced;
    wchar_t joined = 0;
    if ((base >= 0xFF76 && base <= 0xFF84) && voiced) {  // ｶ to ﾄ
        joined = static_cast<wchar_t>(kHalfKana[base - 0xFF61] + 1);
    } else if (base >= 0xFF8A && base <= 0xFF8E) {  // ﾊ to ﾎ
        joined = static_cast<wchar_t>(kHalfKana[base - 0xFF61] + (voiced ? 1 : 2));
    } else if (voiced) {
        joined = base == 0xFF73 ? 0x30F4 : base == 0xFF9C ? 0x30F7 : base == 0xFF66 ? 0x30FA : 0;
    }
    return joined ? Unit(joined) : 0;
}

void Folding::Fold(std::wstring_view text, size_t from, size_t to, std::wstring& out,
                   std::vector<uint32_t>* starts) const {
    auto halfWidth = [&](size_t i) { return width_ && text[i] >= 0xFF61 && text[i] <= 0xFF9F; };
    size_t i = from;
    if (i > 0 && i < text.size() && halfWidth(i) && Joined(text[i - 1], text[i])) ++i;
    const size_t at = out.size();
    out.resize(at + (to > i ? to - i : 0));
    wchar_t* w = out.data() + at;
    for (; i < to; ++i) {
        if (starts) starts->push_back(static_cast<uint32_t>(i));
        const wchar_t joined =
            halfWidth(i) && i + 1 < text.size() ? Joined(text[i], text[i + 1]) : 0;
        *w++ = joined ? joined : Unit(text[i]);
        i += joined ? 1 : 0;
    }
    out.resize(static_cast<size_t>(w - out.data()));
}

Matcher::Matcher(std::wstring_view query, const MatchOptions& options)
    : options_(options), folding_(options) {
    size_t i = 0;
    const size_t n = query.size();
    for (;;) {
        while (i < n && IsBlank(query[i])) ++i;
        if (i == n) break;
        std::wstring term;
        bool quoted = query[i] == L'"';
        i += quoted;
        for (; i < n && (quoted || !IsBlank(query[i])); ++i) {
            if (quoted && query[i] == L'"') {
                const bool doubled = i + 1 < n && query[i + 1] == L'"';
                if (!doubled) {
                    quoted = false;
                    continue;
                }
                ++i;
            }
            term += query[i];
        }
        if (term.find_first_of(L"\r\n") != std::wstring::npos) impossible_ = true;
        std::wstring folded;
        folding_.Fold(term, 0, term.size(), folded);
        if (!folded.empty()) terms_.push_back(std::move(folded));
    }
}

bool Matcher::Matches(std::wstring_view line) const {
    std::wstring scratch;
    return Matches(line, scratch);
}

bool Matcher::Matches(std::wstring_view line, std::wstring& scratch) const {
    if (impossible_) return false;
    if (terms_.empty()) return true;
    scratch.clear();
    folding_.Fold(line, 0, line.size(), scratch);
    for (const std::wstring& term : terms_) {
        if (scratch.find(term) == std::wstring::npos) return false;
    }
    return true;
}

std::vector<MatchRange> Matcher::Ranges(std::wstring_view line) const {
    std::vector<MatchRange> ranges;
    if (impossible_) return ranges;
    std::wstring folded;
    std::vector<uint32_t> starts;
    folding_.Fold(line, 0, line.size(), folded, &starts);
    starts.push_back(static_cast<uint32_t>(line.size()));
    for (const std::wstring& term : terms_) {
        size_t at = folded.find(term);
        if (at == std::wstring::npos) return {};
        for (; at != std::wstring::npos; at = folded.find(term, at + 1)) {
            ranges.push_back({starts[at], starts[at + term.size()]});
        }
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const MatchRange& a, const MatchRange& b) { return a.begin < b.begin; });
    std::vector<MatchRange> merged;
    for (const MatchRange& r : ranges) {
        if (!merged.empty() && r.begin <= merged.back().end) {
            merged.back().end = std::max(merged.back().end, r.end);
        } else {
            merged.push_back(r);
        }
    }
    return merged;
}

}  // namespace zr
