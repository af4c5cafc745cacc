// How lines are found fast
//
// Decoding every byte costs more than reading it, so whole lines are tested on their bytes
// first, and only a line that may match is decoded:
//   - A term occurs only where the bytes of some form of two of its neighbouring characters
//     stand side by side: the last byte (UTF-16: unit) of any form of the first and the first
//     of any form of the second (Ｅ, ｅ, E or e, then ｒ, Ｒ, R or r). A line without such a
//     pair cannot match, and a run of such lines is passed over with a few vector compares per
//     16 bytes, never decoded. The pair is chosen to be rare in log text.
//   - A line that has the pair is accepted on its bytes when every term occurs there in plain
//     ASCII (UTF-16: as units), at a character boundary, in characters that read the same
//     decoded (so never next to a half-width voiced mark).
//   - Anything else is decoded and asked of the matcher: the answer is always the matcher's.
// A line that is not whole in the bytes at hand (it began in an earlier piece, or goes on in
// the next) is decoded as it comes, and only the last few units that a match across pieces
// needs are kept, with a mark per term that has been found in it.
//
// Every byte a line's decoding depends on belongs to that line: a line end is never part of a
// character, and TextDecoder holds nothing across one. So lines passed over are simply not
// given to the decoder, which then goes on at the next line start as if it had read them, but
// for an encoding still open (Auto): there every line with a byte above 0x7F is decoded until
// the choice is made.
#include "follow/line_scanner.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <map>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zr {
namespace {

constexpr uint32_t kNoUnit = 0xFFFFFFFF;

uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// Where the bytes of a unit value stand in memory, as Load16 reads them back.
uint16_t Raw16(uint32_t unit, bool swapped) {
    const auto u = static_cast<uint16_t>(unit);
    uint16_t le;
    const uint8_t bytes[2] = {static_cast<uint8_t>(swapped ? u >> 8 : u),
                              static_cast<uint8_t>(swapped ? u : u >> 8)};
    std::memcpy(&le, bytes, 2);
    return le;
}

bool Unsure(uint32_t u) {  // a unit that also stands for broken bytes
    return u == 0xFFFD || (u >= 0xD800 && u <= 0xDFFF);
}

// How common a character is in log text, roughly.
int Weight(uint32_t c) {
    static const char kByFrequency[] = "zqxjkvbpygfwmucldrhsnioate";
    if (c == ' ') return 300;
    if (c >= '0' && c <= '9') return 80;
    if (c >= 'a' && c <= 'z')
        return 10 +
               6 * static_cast<int>(std::strchr(kByFrequency, static_cast<int>(c)) - kByFrequency);
    if (c < 0x80) return 40;
    return 12;
}

#if defined(__SSE2__)
template <int N>
__m128i Any8(__m128i v, const uint8_t* set) {
    __m128i m = _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(set[0])));
    for (int k = 1; k < N; ++k) {
        m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(set[k]))));
    }
    return m;
}
template <int N>
__m128i Any16(__m128i v, const uint16_t* set) {
    __m128i m = _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(set[0])));
    for (int k = 1; k < N; ++k) {
        m = _mm_or_si128(m, _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(set[k]))));
    }
    return m;
}
__m128i Load128(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
#endif

// The first unit in [from, to) equal to a or b (units of `step` bytes, raw values), or `to`.
size_t FindEither(const uint8_t* p, size_t from, size_t to, uint16_t a, uint16_t b, size_t step) {
    size_t j = from;
#if defined(__SSE2__)
    const bool wide = step == 2;
    const __m128i va =
        wide ? _mm_set1_epi16(static_cast<short>(a)) : _mm_set1_epi8(static_cast<char>(a));
    const __m128i vb =
        wide ? _mm_set1_epi16(static_cast<short>(b)) : _mm_set1_epi8(static_cast<char>(b));
    for (; j + 16 <= to; j += 16) {
        const __m128i v = Load128(p + j);
        const __m128i m = wide ? _mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb))
                               : _mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb));
        if (const int bits = _mm_movemask_epi8(m))
            return j + static_cast<size_t>(__builtin_ctz(bits));
    }
#endif
    for (; j + step <= to; j += step) {
        const uint16_t v = step == 2 ? Load16(p + j) : p[j];
        if (v == a || v == b) return j;
    }
    return to;
}

// Just after the last unit in [from, to) equal to a or b, or `from`.
size_t AfterLast(const uint8_t* p, size_t from, size_t to, uint16_t a, uint16_t b, size_t step) {
    size_t j = to;
#if defined(__SSE2__)
    const bool wide = step == 2;
    const __m128i va =
        wide ? _mm_set1_epi16(static_cast<short>(a)) : _mm_set1_epi8(static_cast<char>(a));
    const __m128i vb =
        wide ? _mm_set1_epi16(static_cast<short>(b)) : _mm_set1_epi8(static_cast<char>(b));
    for (; j >= from + 16; j -= 16) {
        const __m128i v = Load128(p + j - 16);
        const __m128i m = wide ? _mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb))
                               : _mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb));
        if (const int bits = _mm_movemask_epi8(m)) {
            return j - 16 + static_cast<size_t>(32 - __builtin_clz(static_cast<unsigned>(bits)));
        }
    }
#endif
    for (; j >= from + step; j -= step) {
        const uint16_t v = step == 2 ? Load16(p + j - 2) : p[j - 1];
        if (v == a || v == b) return j;
    }
    return from;
}

}  // namespace

// What lets whole lines be passed over in one encoding: the pair of neighbouring characters of
// one term that every match must show in the bytes, and the plain form of each term.
struct LineScanner::Filter {
    bool wide = false;      // units of two bytes, compared as Load16 reads them
    bool everyLine = true;  // no pair to look for: every line is tested
    bool pair = false;      // two sets to look for side by side, else one
    std::bitset<0x10000> last, first;
    std::vector<uint16_t> lastList, firstList;  // the same, for vector compares when short
    // Plain forms, 8-bit: the folded unit each byte reads as alone, when that is plain ASCII.
    std::array<uint32_t, 256> plain{};
    std::vector<bool> plainTerm;           // the term can be found in its plain form
    const CodePageTable* table = nullptr;  // the code page: plain bytes must start a character
    // The other forms of the terms' characters, 8-bit: single bytes, and the first two bytes
    // of longer ones. A line that has none of them can match in plain forms only.
    std::bitset<256> otherBytes;
    std::bitset<0x10000> otherPairs;
    bool exact = true;      // false when some form cannot be told from the bytes
    bool highOnly = false;  // all other forms begin above 0x7F: ASCII stretches are passed over
    // The plain bytes of each term's first character, when there are one or two.
    std::vector<std::pair<uint16_t, uint16_t>> plainFirst;

    size_t Find(const uint8_t* p, size_t from, size_t to) const;
};

size_t LineScanner::Filter::Find(const uint8_t* p, size_t from, size_t to) const {
    if (everyLine) return from;
    const size_t step = wide ? 2 : 1;
    const size_t span = pair ? 2 * step : step;
    size_t j = from;
#if defined(__SSE2__)
    const size_t nl = lastList.size();
    const size_t nf = firstList.size();
    if (nl > 0 && nl <= 8 && (!pair || (nf > 0 && nf <= 8))) {
        // Lists padded to 4 or 8 by repeating their first value.
        uint8_t l8[8], f8[8];
        uint16_t l16[8], f16[8];
        for (size_t k = 0; k < 8; ++k) {
            l16[k] = lastList[k < nl ? k : 0];
            f16[k] = pair ? firstList[k < nf ? k : 0] : 0;
            l8[k] = static_cast<uint8_t>(l16[k]);
            f8[k] = static_cast<uint8_t>(f16[k]);
        }
        const bool small = nl <= 4 && nf <= 4;
        for (; j + 16 + span - step <= to; j += 16) {
            const __m128i v = Load128(p + j);
            __m128i m;
            if (wide) {
                m = small ? Any16<4>(v, l16) : Any16<8>(v, l16);
                if (pair) {
                    const __m128i w = Load128(p + j + 2);
                    m = _mm_and_si128(m, small ? Any16<4>(w, f16) : Any16<8>(w, f16));
                }
            } else {
                m = small ? Any8<4>(v, l8) : Any8<8>(v, l8);
                if (pair) {
                    const __m128i w = Load128(p + j + 1);
                    m = _mm_and_si128(m, small ? Any8<4>(w, f8) : Any8<8>(w, f8));
                }
            }
            if (const int bits = _mm_movemask_epi8(m))
                return j + static_cast<size_t>(__builtin_ctz(bits));
        }
    }
#endif
    for (; j + span <= to; j += step) {
        const uint16_t a = wide ? Load16(p + j) : p[j];
        if (!last[a]) continue;
        if (!pair || first[wide ? Load16(p + j + 2) : p[j + 1]]) return j;
    }
    return to;
}

struct LineScanner::OpenLine {
    uint64_t begin = 0;
    std::vector<bool> found;
    size_t left = 0;    // terms not found yet
    std::wstring text;  // the unit before those kept, then the units kept and the new ones
};

LineScanner::LineScanner(const Matcher& matcher, TextEncoding encoding, const CodePage& codePage,
                         uint64_t start)
    : matcher_(matcher),
      codePage_(codePage),
      decoder_(codePage, encoding),
      wide_(encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be),
      swapped_(encoding == TextEncoding::Utf16Be),
      done_(start),
      filters_(5) {}

LineScanner::~LineScanner() = default;
LineScanner::LineScanner(LineScanner&&) noexcept = default;
LineScanner& LineScanner::operator=(LineScanner&&) noexcept = default;

uint64_t LineScanner::Position() const {
    return done_ + carry_.size();
}

uint64_t LineScanner::LineStart() const {
    return open_ ? open_->begin : done_;
}

void LineScanner::Feed(std::string_view bytes, std::vector<ByteRange>& matches) {
    if (matcher_.Impossible()) {
        done_ += bytes.size();
        return;
    }
    auto p = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t n = bytes.size();
    if (!carry_.empty()) {
        // The waiting bytes with the first few new ones, so that what they wait for is there.
        const size_t held = carry_.size();
        const size_t take = std::min<size_t>(n, 4);
        const std::string joined = carry_ + std::string(bytes.substr(0, take));
        carry_.clear();
        const size_t used =
            Process(reinterpret_cast<const uint8_t*>(joined.data()), joined.size(), false, matches);
        done_ += used;
        if (used < held) {  // the new bytes are all in `joined` and still not enough
            carry_ = joined.substr(used);
            return;
        }
        p += used - held;
        n -= used - held;
    }
    const size_t used = Process(p, n, false, matches);
    done_ += used;
    carry_.assign(reinterpret_cast<const char*>(p + used), n - used);
}

void LineScanner::Finish(std::vector<ByteRange>& matches) {
    if (matcher_.Impossible()) {
        done_ += carry_.size();
        carry_.clear();
        return;
    }
    const std::string rest = std::move(carry_);
    carry_.clear();
    done_ += Process(reinterpret_cast<const uint8_t*>(rest.data()), rest.size(), true, matches);
}

// Whole lines go to ScanLines; the line that began earlier and the one that goes on later are
// decoded as they come. Holds back an odd byte of UTF-16 and a CR at the end, until the next
// bytes tell whether an LF makes it a CR LF.
size_t LineScanner::Process(const uint8_t* p, size_t n, bool final,
                            std::vector<ByteRange>& matches) {
    const size_t step = wide_ ? 2 : 1;
    const uint16_t cr = wide_ ? Raw16('\r', swapped_) : '\r';
    const uint16_t lf = wide_ ? Raw16('\n', swapped_) : '\n';
    auto unitAt = [&](size_t at) { return wide_ ? Load16(p + at) : uint16_t{p[at]}; };
    auto nextLine = [&](size_t lineEnd, size_t limit) {  // after the line end at lineEnd
        const bool crlf =
            unitAt(lineEnd) == cr && lineEnd + 2 * step <= limit && unitAt(lineEnd + step) == lf;
        return lineEnd + (crlf ? 2 : 1) * step;
    };
    size_t end = n - n % step;
    if (!final && end >= step && unitAt(end - step) == cr) end -= step;
    size_t i = 0;
    if (open_) {
        const size_t e = FindEither(p, 0, end, cr, lf, step);
        Continue(p, 0, e);
        if (e < end) {
            i = nextLine(e, end);
            Close(p, e, i, false, matches);
        }
    }
    if (!open_ && i < end) {
        const size_t last = AfterLast(p, i, end, cr, lf, step);  // the line without an end here
        size_t at = i;
        while (at < last) {
            // In Auto each line with a byte above 0x7F is decoded until the encoding is chosen.
            size_t stop = last;
            if (decoder_.Encoding() == TextEncoding::Auto) {
                for (stop = at; stop < last && p[stop] < 0x80;) ++stop;
                while (stop > at && p[stop - 1] != '\r' && p[stop - 1] != '\n') --stop;
            }
            const TextEncoding e = decoder_.Encoding();
            ScanLines(FilterFor(e == TextEncoding::Auto ? TextEncoding::Utf8 : e), p, at, stop,
                      matches);
            at = stop;
            if (at < last) {
                const size_t lineEnd = FindEither(p, at, last, cr, lf, step);
                const size_t next = nextLine(lineEnd, last);
                if (Decoded(p, at, next)) matches.push_back({done_ + at, done_ + next});
                at = next;
            }
        }
        if (last < end) Open(p, last, end);
    }
    if (!final) return end;
    if (end < n) {
        if (!open_) Open(p, end, end);
        Continue(p, end, n);
    }
    if (open_) Close(p, n, n, true, matches);
    return n;
}

// Lines [from, to), all whole: each that shows the filter's pair is tested.
void LineScanner::ScanLines(const Filter& filter, const uint8_t* p, size_t from, size_t to,
                            std::vector<ByteRange>& matches) {
    const size_t step = wide_ ? 2 : 1;
    const uint16_t cr = wide_ ? Raw16('\r', swapped_) : '\r';
    const uint16_t lf = wide_ ? Raw16('\n', swapped_) : '\n';
    for (size_t i = from; i < to;) {
        const size_t hit = filter.Find(p, i, to);
        if (hit >= to) break;
        const size_t begin = AfterLast(p, i, hit, cr, lf, step);
        const size_t lineEnd = FindEither(p, hit, to, cr, lf, step);
        const bool crlf = (wide_ ? Load16(p + lineEnd) : p[lineEnd]) == cr && lineEnd + step < to &&
                          (wide_ ? Load16(p + lineEnd + step) : p[lineEnd + step]) == lf;
        const size_t next = lineEnd + (crlf ? 2 : 1) * step;
        const Plain plain = PlainMatch(filter, p, begin, lineEnd);
        if (plain == Plain::kMatch || (plain == Plain::kUnknown && Decoded(p, begin, next))) {
            matches.push_back({done_ + begin, done_ + next});
        }
        i = next;
    }
}

// Every term found in its plain form in line [begin, end) is a sure match; a term not found
// there is surely not in the line when the line has no other form of any term's character.
LineScanner::Plain LineScanner::PlainMatch(const Filter& filter, const uint8_t* p, size_t begin,
                                           size_t end) const {
    const Folding& fold = matcher_.Fold();
    const std::vector<std::wstring>& terms = matcher_.Terms();
    for (size_t t = 0; t < terms.size(); ++t) {
        if (!filter.plainTerm[t]) return Exact(filter, p, begin, end);
        const std::wstring& term = terms[t];
        const size_t len = term.size();
        bool found = false;
        if (wide_) {
            auto folded = [&](size_t at) -> uint32_t {
                uint16_t u = Load16(p + at);
                if (swapped_) u = static_cast<uint16_t>(u >> 8 | u << 8);
                const bool plain = u != 0 && !Unsure(u) && !(u >= 0xFF61 && u <= 0xFF9F);
                return plain ? static_cast<uint32_t>(fold.Unit(u)) : kNoUnit;
            };
            for (size_t j = begin; !found && j + 2 * len <= end; j += 2) {
                size_t m = 0;
                while (m < len && folded(j + 2 * m) == static_cast<uint32_t>(term[m])) ++m;
                found = m == len;
            }
        } else {
            const auto [b0, b1] = filter.plainFirst[t];
            for (size_t j = begin; !found && j + len <= end; ++j) {
                if (b0 <= 0xFF) j = FindEither(p, j, end - len + 1, b0, b1, 1);
                if (j + len > end) break;
                size_t m = 0;
                while (m < len && filter.plain[p[j + m]] == static_cast<uint32_t>(term[m])) ++m;
                if (m < len) continue;
                // In the code page a byte below 0x80 may be a trail byte: count the lead bytes
                // before it back to one that cannot be a lead byte.
                size_t leads = 0;
                while (filter.table && j - leads > begin &&
                       filter.table->kind[p[j - leads - 1]] == CodePageTable::kLead) {
                    ++leads;
                }
                found = leads % 2 == 0;
            }
        }
        if (!found) return Exact(filter, p, begin, end);
    }
    return Plain::kMatch;
}

LineScanner::Plain LineScanner::Exact(const Filter& filter, const uint8_t* p, size_t begin,
                                      size_t end) const {
    if (!filter.exact) return Plain::kUnknown;
    size_t j = begin;
#if defined(__SSE2__)
    // Stretches of 16 bytes that hold no form looked for are passed over whole: ASCII bytes,
    // or UTF-16 LE units from 1 to 0xD7FF.
    const bool skip = wide_ ? !swapped_ : filter.highOnly;
    const __m128i zero = _mm_setzero_si128();
    const __m128i belowSurrogates = _mm_set1_epi16(static_cast<short>(0xD7FF));
    while (skip && j + 16 <= end) {
        const __m128i v = Load128(p + j);
        const __m128i odd =
            wide_ ? _mm_or_si128(_mm_cmpeq_epi16(v, zero), _mm_subs_epu16(v, belowSurrogates)) : v;
        if (wide_ ? _mm_movemask_epi8(_mm_cmpeq_epi8(odd, zero)) != 0xFFFF
                  : _mm_movemask_epi8(odd) != 0) {
            break;
        }
        j += 16;
    }
#endif
    for (; j < end; j += wide_ ? 2 : 1) {
        if (wide_) {
            uint16_t u = Load16(p + j);
            if (swapped_) u = static_cast<uint16_t>(u >> 8 | u << 8);
            if (u == 0 || Unsure(u) || (u >= 0xFF61 && u <= 0xFF9F)) return Plain::kUnknown;
        } else if (filter.otherBytes[p[j]] ||
                   (j + 1 < end && filter.otherPairs[p[j] << 8 | p[j + 1]])) {
            return Plain::kUnknown;
        }
    }
    return Plain::kNoMatch;
}

// Decodes whole line [begin, next) (its line end included) and asks the matcher.
bool LineScanner::Decoded(const uint8_t* p, size_t begin, size_t next) {
    text_.clear();
    decoder_.SetAfterCr(false);
    decoder_.Decode(std::string_view(reinterpret_cast<const char*>(p + begin), next - begin),
                    text_);
    if (!text_.empty() && text_.back() == L'\r') text_.pop_back();
    return matcher_.Matches(text_, scratch_);
}

void LineScanner::Open(const uint8_t* p, size_t from, size_t to) {
    open_ = std::make_unique<OpenLine>();
    open_->begin = done_ + from;
    open_->found.assign(matcher_.Terms().size(), false);
    open_->left = matcher_.Terms().size();
    open_->text.assign(1, L'\0');
    decoder_.SetAfterCr(false);
    Continue(p, from, to);
}

void LineScanner::Continue(const uint8_t* p, size_t from, size_t to) {
    if (to == from) return;
    decoder_.Decode(std::string_view(reinterpret_cast<const char*>(p + from), to - from),
                    open_->text);
    Search(false);
}

// The line end [from, to) (none when final) ends the open line.
void LineScanner::Close(const uint8_t* p, size_t from, size_t to, bool final,
                        std::vector<ByteRange>& matches) {
    std::wstring& text = open_->text;
    decoder_.Decode(std::string_view(reinterpret_cast<const char*>(p + from), to - from), text);
    if (final) decoder_.Flush(text);
    if (text.size() > 1 && text.back() == L'\r') text.pop_back();
    Search(true);
    if (open_->left == 0) matches.push_back({open_->begin, done_ + to});
    open_.reset();
}

// Looks for the terms not found yet in the open line's units; keeps what a match that goes
// on in the next units needs: a term folds from at most two units per unit, and a last unit
// that a mark may still join waits for the next.
void LineScanner::Search(bool lineEnds) {
    OpenLine& line = *open_;
    std::wstring& text = line.text;
    const Folding& fold = matcher_.Fold();
    if (line.left > 0) {
        size_t to = text.size();
        if (!lineEnds && to > 1 && fold.JoinsNext(text[to - 1])) --to;
        scratch_.clear();
        fold.Fold(text, 1, to, scratch_);
        const std::vector<std::wstring>& terms = matcher_.Terms();
        for (size_t t = 0; t < terms.size(); ++t) {
            if (!line.found[t] && scratch_.find(terms[t]) != std::wstring::npos) {
                line.found[t] = true;
                --line.left;
            }
        }
    }
    size_t keep = 0;
    for (const std::wstring& term : matcher_.Terms()) keep = std::max(keep, 2 * term.size());
    if (text.size() > keep + 1) text.erase(0, text.size() - keep - 1);
}

const LineScanner::Filter& LineScanner::FilterFor(TextEncoding encoding) {
    std::unique_ptr<Filter>& made = filters_[static_cast<size_t>(encoding)];
    if (made) return *made;
    made = std::make_unique<Filter>();
    Filter& f = *made;
    f.wide = wide_;
    const Folding& fold = matcher_.Fold();
    const std::vector<std::wstring>& terms = matcher_.Terms();
    const bool codePage = encoding == TextEncoding::CodePage;
    if (codePage) f.table = &CodePageTableFor(codePage_);

    // Plain forms: bytes below 0x80 that read as themselves (the code page's own reading).
    f.plain.fill(kNoUnit);
    for (int b = 1; b < 0x80 && !wide_; ++b) {
        if (b == '\r' || b == '\n') continue;
        uint32_t unit = static_cast<uint32_t>(b);
        if (codePage) {
            unit = f.table->kind[b] == CodePageTable::kTable ? f.table->single[b] : kNoUnit;
            if (unit == kNoUnit || unit >= 0x80) continue;
        }
        f.plain[b] = static_cast<uint32_t>(fold.Unit(static_cast<wchar_t>(unit)));
    }
    for (const std::wstring& term : terms) {
        bool plain = true;
        for (wchar_t c : term) {
            plain = plain && (wide_ ? !Unsure(c) && c != 0
                                    : std::find(f.plain.begin(), f.plain.end(),
                                                static_cast<uint32_t>(c)) != f.plain.end());
        }
        f.plainTerm.push_back(plain);
        std::vector<uint16_t> bytes;
        for (int b = 0; b < 0x80 && !term.empty(); ++b) {
            if (f.plain[b] == static_cast<uint32_t>(term[0]))
                bytes.push_back(static_cast<uint16_t>(b));
        }
        const bool few = !bytes.empty() && bytes.size() <= 2;
        f.plainFirst.push_back({few ? bytes.front() : 0x100, few ? bytes.back() : 0x100});
    }
    if (terms.empty()) return f;

    // Every unit that folds into a unit of a term, and every half-width pair that joins into one.
    std::bitset<0x10000> wanted;
    std::map<uint32_t, std::vector<uint32_t>> from;  // raw units folding into a wanted one
    std::map<uint32_t, std::vector<std::pair<uint32_t, uint32_t>>> joined;
    for (const std::wstring& term : terms) {
        for (wchar_t c : term) {
            const auto unit = static_cast<uint32_t>(c);
            if (unit >= 0x10000 || wanted[unit]) continue;
            wanted[unit] = true;
            for (uint16_t u : fold.Sources(c)) from[unit].push_back(u);
        }
    }
    for (uint32_t base = 0xFF61; base <= 0xFF9F; ++base) {
        for (uint32_t mark : {0xFF9Eu, 0xFF9Fu}) {
            const auto j = static_cast<uint32_t>(
                fold.Joined(static_cast<wchar_t>(base), static_cast<wchar_t>(mark)));
            if (j && wanted[j]) joined[j].push_back({base, mark});
        }
    }
    // The first and last code units of the encoded forms of each raw unit; a unit that broken
    // bytes may give too (or that several units of the code page may give) cannot be looked for.
    struct Ends {
        std::vector<uint16_t> first, last;
        bool unsure = false;
    };
    std::vector<std::pair<uint32_t, Ends>> ends;  // for the raw units of interest, sorted
    auto endsOf = [&](uint32_t u) -> Ends& {
        auto it = std::lower_bound(ends.begin(), ends.end(), u,
                                   [](const auto& e, uint32_t v) { return e.first < v; });
        return it->second;
    };
    for (const auto& [w, units] : from) {
        for (uint32_t u : units) ends.push_back({u, {}});
    }
    for (const auto& [w, pairs] : joined) {
        for (auto [base, mark] : pairs) {
            ends.push_back({base, {}});
            ends.push_back({mark, {}});
        }
    }
    std::sort(ends.begin(), ends.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    ends.erase(std::unique(ends.begin(), ends.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; }),
               ends.end());
    auto isWanted = [&](uint32_t u) {
        auto it = std::lower_bound(ends.begin(), ends.end(), u,
                                   [](const auto& e, uint32_t v) { return e.first < v; });
        return it != ends.end() && it->first == u;
    };
    for (auto& [u, e] : ends) {
        if (u == 0) continue;  // NUL is never shown as itself
        if (Unsure(u)) {
            e.unsure = true;
            f.exact = false;
        } else if (wide_) {
            e.first.push_back(Raw16(u, swapped_));
            e.last.push_back(Raw16(u, swapped_));
        } else if (!codePage) {
            const uint32_t lead = u < 0x80 ? u : u < 0x800 ? 0xC0 | u >> 6 : 0xE0 | u >> 12;
            e.first.push_back(static_cast<uint16_t>(lead));
            e.last.push_back(static_cast<uint16_t>(u < 0x80 ? u : 0x80 | (u & 0x3F)));
            const uint32_t second = u < 0x800 ? 0x80 | (u & 0x3F) : 0x80 | (u >> 6 & 0x3F);
            if (u >= 0x80) f.otherPairs[lead << 8 | second] = true;
        }
    }
    bool unsure = false;
    if (codePage) {
        const CodePageTable& t = *f.table;
        for (int b = 0; b < 256; ++b) {
            if (t.kind[b] == CodePageTable::kTable && isWanted(t.single[b])) {
                endsOf(t.single[b]).first.push_back(static_cast<uint16_t>(b));
                endsOf(t.single[b]).last.push_back(static_cast<uint16_t>(b));
                if (f.plain[b] == kNoUnit) f.otherBytes[b] = true;
            }
            if (t.kind[b] != CodePageTable::kLead) continue;
            for (int trail = 0; trail < 256; ++trail) {
                if (trail == '\r' || trail == '\n') continue;
                const uint32_t u = t.Pair(static_cast<uint8_t>(b), static_cast<uint8_t>(trail));
                if (u != CodePageTable::kNone && isWanted(u)) {
                    endsOf(u).first.push_back(static_cast<uint16_t>(b));
                    endsOf(u).last.push_back(static_cast<uint16_t>(trail));
                    f.otherPairs[b << 8 | trail] = true;
                }
            }
        }
        for (const auto& [bytes, text] : t.others) {
            for (wchar_t c : text) {
                if (!isWanted(static_cast<uint32_t>(c))) continue;
                if (text.size() != 1) unsure = true;  // which byte gave which unit is not known
                f.otherBytes[static_cast<uint8_t>(bytes.front())] = true;
                endsOf(static_cast<uint32_t>(c))
                    .first.push_back(static_cast<uint8_t>(bytes.front()));
                endsOf(static_cast<uint32_t>(c)).last.push_back(static_cast<uint8_t>(bytes.back()));
            }
        }
    }
    if (unsure) {
        f.exact = false;
        return f;
    }

    // The first and last code units of every form of a folded unit.
    auto side = [&](uint32_t w, bool firstSide, std::vector<uint16_t>& out) {
        bool ok = w < 0x10000;
        if (!ok) return true;  // never decoded: no form at all
        for (uint32_t u : from[w]) {
            const Ends& e = endsOf(u);
            ok = ok && !e.unsure;
            out.insert(out.end(), (firstSide ? e.first : e.last).begin(),
                       (firstSide ? e.first : e.last).end());
        }
        for (auto [base, mark] : joined[w]) {
            const Ends& e = endsOf(firstSide ? base : mark);
            ok = ok && !e.unsure;
            out.insert(out.end(), (firstSide ? e.first : e.last).begin(),
                       (firstSide ? e.first : e.last).end());
        }
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return ok;
    };
    long best = -1;
    for (const std::wstring& term : terms) {
        for (size_t k = 0; k < term.size(); ++k) {
            const bool pair = k + 1 < term.size();
            if (!pair && term.size() > 1) break;
            std::vector<uint16_t> last, first;
            if (!side(static_cast<uint32_t>(term[k]), false, last)) continue;
            if (pair && !side(static_cast<uint32_t>(term[k + 1]), true, first)) continue;
            const long cost = static_cast<long>(Weight(static_cast<uint32_t>(term[k]))) *
                              (pair ? Weight(static_cast<uint32_t>(term[k + 1])) : 400) *
                              static_cast<long>(last.size() + first.size() + 4);
            if (best >= 0 && cost >= best) continue;
            best = cost;
            f.everyLine = false;
            f.pair = pair;
            f.lastList = std::move(last);
            f.firstList = std::move(first);
        }
    }
    f.highOnly = true;
    for (uint32_t v = 0; v < 0x8000 && f.highOnly; ++v) f.highOnly = !f.otherPairs[v];
    for (int b = 0; b < 0x80; ++b) f.highOnly = f.highOnly && !f.otherBytes[b];
    for (uint16_t v : f.lastList) f.last[v] = true;
    for (uint16_t v : f.firstList) f.first[v] = true;
    return f;
}

}  // namespace zr
