// How a log's encoding is found, and how its bytes are decoded as they arrive
//
// A byte-order mark at the file's start decides at once. A file whose first units have zero
// high bytes at odd offsets is UTF-16 LE without a mark (an 8-bit log has no NUL bytes).
// Anything else is read as ASCII-compatible text, and the choice between UTF-8 and the code
// page waits for the first byte above 0x7F: a valid UTF-8 sequence there, and in the rest of
// the same read, means UTF-8. Until then the text is ASCII, which both read alike, so nothing
// is ever shown in the wrong encoding; a read that ends inside that first sequence waits.
//
// Decoding keeps what a read ends in the middle of, for the next read, so a character split
// between two writes is never shown as broken halves. The loops copy runs of plain units
// straight through and look closer only at line ends, NUL and multi-byte sequences.
//
// The code page's own decoder is slow per call on some platforms, so it is asked once per code
// page for every single byte and every lead and trail byte pair, and whatever it reads as
// exactly one unit is taken from that table from then on. Everything else (a pair it reads as
// two units or none, a lead byte with no trail before a line end or at the end of the text)
// still goes to the decoder itself, in runs of whole characters, cut only after a lead byte
// that a line end follows (some decoders would take the line end as its trail byte).
#include "follow/text_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace zr {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

std::unique_ptr<CodePageTable> BuildTable(const CodePage& codePage) {
    auto table = std::make_unique<CodePageTable>();
    auto one = [&](std::string bytes) {
        std::wstring text = codePage.decode(bytes);
        if (text.size() == 1) return static_cast<uint32_t>(text[0]);
        table->others.emplace_back(std::move(bytes), std::move(text));
        return CodePageTable::kNone;
    };
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<char>(b);
        table->single[b] = CodePageTable::kNone;
        if (c == '\r' || c == '\n') {
            table->kind[b] = c == '\r' ? CodePageTable::kCr : CodePageTable::kLf;
        } else if (codePage.isLeadByte && codePage.isLeadByte(static_cast<unsigned char>(b))) {
            table->kind[b] = CodePageTable::kLead;
            table->others.emplace_back(std::string(1, c), codePage.decode(std::string(1, c)));
            table->row[b] = static_cast<uint32_t>(table->pairs.size());
            table->pairs.resize(table->pairs.size() + 256, CodePageTable::kNone);
            for (int t = 0; t < 256; ++t) {
                if (t != '\r' && t != '\n') {
                    table->pairs[table->row[b] + t] = one({c, static_cast<char>(t)});
                }
            }
        } else {
            table->single[b] = one(std::string(1, c));
            table->kind[b] = table->single[b] == CodePageTable::kNone ? CodePageTable::kOther
                                                                      : CodePageTable::kTable;
        }
    }
    return table;
}

}  // namespace

// One table per code page for the whole program, whichever thread decodes first.
const CodePageTable& CodePageTableFor(const CodePage& codePage) {
    struct Entry {
        CodePage codePage;
        std::unique_ptr<CodePageTable> table;
    };
    static std::mutex mutex;
    static std::vector<Entry> tables;
    const std::lock_guard<std::mutex> lock(mutex);
    for (const Entry& e : tables) {
        if (e.codePage.isLeadByte == codePage.isLeadByte && e.codePage.decode == codePage.decode) {
            return *e.table;
        }
    }
    tables.push_back({codePage, BuildTable(codePage)});
    return *tables.back().table;
}

namespace {

// 0x01 to 0x7F but CR and LF: copied as they are.
struct AsciiTable {
    bool plain[256] = {};
    constexpr AsciiTable() {
        for (int b = 1; b < 0x80; ++b) plain[b] = b != '\r' && b != '\n';
    }
};
constexpr AsciiTable kAscii;

// The UTF-8 sequence at p (p[0] >= 0x80, avail >= 1): its length, with ok and the code point
// when valid; for an invalid one, the length of its longest valid beginning (at least 1),
// shown as one U+FFFD. 0 when the bytes are a valid beginning cut short at avail.
size_t Utf8Sequence(const uint8_t* p, size_t avail, uint32_t& cp, bool& ok) {
    const uint8_t c = p[0];
    size_t len = 0;
    uint8_t lo = 0x80;
    uint8_t hi = 0xBF;
    ok = false;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0Fu;
        if (c == 0xE0) lo = 0xA0;  // overlong
        if (c == 0xED) hi = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07u;
        if (c == 0xF0) lo = 0x90;  // overlong
        if (c == 0xF4) hi = 0x8F;  // past U+10FFFF
    } else {
        return 1;
    }
    for (size_t k = 1; k < len; ++k) {
        if (k == avail) return 0;
        const uint8_t b = p[k];
        if (b < lo || b > hi) return k;
        cp = (cp << 6) | (b & 0x3Fu);
        lo = 0x80;
        hi = 0xBF;
    }
    ok = true;
    return len;
}

// For text that was ASCII up to `rest`, which begins at its first byte above 0x7F.
TextEncoding ChooseAfterAscii(const uint8_t* p, size_t n) {
    bool any = false;
    for (size_t i = 0; i < n;) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        uint32_t cp = 0;
        bool ok = false;
        const size_t len = Utf8Sequence(p + i, n - i, cp, ok);
        if (len == 0) return any ? TextEncoding::Utf8 : TextEncoding::Auto;
        if (!ok) return TextEncoding::CodePage;
        any = true;
        i += len;
    }
    return TextEncoding::Utf8;
}

wchar_t* PutCodePoint(wchar_t* w, uint32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        *w++ = static_cast<wchar_t>(0xD800 + (cp >> 10));
        *w++ = static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        *w++ = static_cast<wchar_t>(cp);
    }
    return w;
}

}  // namespace

std::string_view ByteOrderMark(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::Utf8:
            return "\xEF\xBB\xBF";
        case TextEncoding::Utf16Le:
            return "\xFF\xFE";
        case TextEncoding::Utf16Be:
            return "\xFE\xFF";
        default:
            return {};
    }
}

HeadEncoding EncodingOfHead(std::string_view head) {
    // No bytes yet, or one that could be half of a UTF-16 unit or the start of a mark.
    if (head.size() < 2) return {TextEncoding::Auto, 0, true};
    HeadEncoding result;
    for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Utf16Le, TextEncoding::Utf16Be}) {
        const std::string_view mark = ByteOrderMark(e);
        if (head.substr(0, mark.size()) == mark) return {e, mark.size(), false};
        // Too few bytes yet to be sure there is no mark.
        if (head.size() < mark.size() && mark.substr(0, head.size()) == head) {
            result.needMore = true;
        }
    }
    if (result.needMore) return result;
    size_t units = 0;
    size_t zeroHigh = 0;
    size_t zeroLow = 0;
    for (size_t i = 0; i + 1 < head.size() && i + 1 < kHeadBytes; i += 2) {
        // Two NUL bytes tell nothing: they are a hole as likely as UTF-16 text.
        if (head[i] == '\0' && head[i + 1] == '\0') continue;
        ++units;
        zeroLow += head[i] == '\0';
        zeroHigh += head[i + 1] == '\0';
    }
    // At least half of the units in ASCII, and more of them with a zero high byte than low.
    if (units > 0 && zeroHigh * 2 >= units && zeroHigh > zeroLow) {
        result.encoding = TextEncoding::Utf16Le;
    }
    return result;
}

TextDecoder::TextDecoder(const CodePage& codePage, TextEncoding encoding)
    : codePage_(codePage), encoding_(encoding) {}

void TextDecoder::Adopt(TextEncoding encoding) {
    if (encoding_ == TextEncoding::Auto && heldCount_ == 0) encoding_ = encoding;
}

void TextDecoder::Decode(std::string_view bytes, std::wstring& out) {
    if (bytes.empty()) return;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t before = out.size();
    switch (encoding_) {
        case TextEncoding::Auto:
        case TextEncoding::Utf8:
            DecodeAsciiCompatible(p, bytes.size(), out);
            break;
        case TextEncoding::CodePage:
            DecodeCodePage(p, bytes.size(), out);
            break;
        case TextEncoding::Utf16Le:
        case TextEncoding::Utf16Be:
            DecodeUtf16(p, bytes.size(), out);
            break;
    }
    if (out.size() > before) midLine_ = out.back() != L'\r';
}

void TextDecoder::Flush(std::wstring& out) {
    if (heldCount_ > 0 && encoding_ == TextEncoding::CodePage) {
        out += codePage_.decode(std::string_view(reinterpret_cast<const char*>(held_), heldCount_));
        midLine_ = true;
    } else if (heldCount_ > 0 || highSurrogate_ != 0) {
        out += kReplacement;
        midLine_ = true;
    }
    heldCount_ = 0;
    highSurrogate_ = 0;
}

void TextDecoder::DecodeAsciiCompatible(const uint8_t* p, size_t n, std::wstring& out) {
    size_t i = 0;
    if (heldCount_ > 0 && encoding_ == TextEncoding::Auto) {
        // The first sequence was cut short: the choice is made on it and what follows.
        std::string joined(reinterpret_cast<const char*>(held_), heldCount_);
        joined.append(reinterpret_cast<const char*>(p), n);
        heldCount_ = 0;
        Decode(joined, out);
        return;
    }
    const size_t start = out.size();
    out.resize(start + n + 2);
    wchar_t* w = out.data() + start;
    if (heldCount_ > 0) {
        uint8_t seq[4];
        const size_t held = heldCount_;
        const size_t take = std::min(n, sizeof seq - held);
        std::memcpy(seq, held_, held);
        std::memcpy(seq + held, p, take);
        uint32_t cp = 0;
        bool ok = false;
        const size_t len = Utf8Sequence(seq, held + take, cp, ok);
        if (len == 0) {
            std::memcpy(held_ + held, p, take);
            heldCount_ += take;
            out.resize(start);
            return;
        }
        heldCount_ = 0;
        w = PutCodePoint(w, ok ? cp : kReplacement);
        afterCr_ = false;
        i = len - held;  // the held bytes are a valid beginning, so len >= held
    }
    bool cr = afterCr_;
    while (i < n) {
        const size_t run = i;
        while (i < n && kAscii.plain[p[i]]) *w++ = p[i++];
        if (i > run) cr = false;
        if (i == n) break;
        const uint8_t c = p[i];
        if (c == '\r') {
            *w++ = L'\r';
            cr = true;
            ++i;
            continue;
        }
        if (c == '\n') {
            if (!cr) *w++ = L'\r';
            cr = false;
            ++i;
            continue;
        }
        cr = false;
        if (c == 0) {
            *w++ = kReplacement;
            ++i;
            continue;
        }
        if (encoding_ == TextEncoding::Auto) {
            encoding_ = ChooseAfterAscii(p + i, n - i);
            if (encoding_ == TextEncoding::CodePage) {
                out.resize(static_cast<size_t>(w - out.data()));
                afterCr_ = false;
                DecodeCodePage(p + i, n - i, out);
                return;
            }
        }
        uint32_t cp = 0;
        bool ok = false;
        const size_t len = Utf8Sequence(p + i, n - i, cp, ok);
        if (len == 0) {
            std::memcpy(held_, p + i, n - i);
            heldCount_ = n - i;
            break;
        }
        w = PutCodePoint(w, ok ? cp : kReplacement);
        i += len;
    }
    afterCr_ = cr;
    out.resize(static_cast<size_t>(w - out.data()));
}

void TextDecoder::DecodeCodePage(const uint8_t* p, size_t n, std::wstring& out) {
    if (!cpTable_) cpTable_ = &CodePageTableFor(codePage_);
    const CodePageTable& table = *cpTable_;
    const uint8_t* const kind = table.kind.data();
    std::string& run = cpBytes_;  // what the table cannot read, for the decoder itself
    run.clear();
    size_t i = 0;
    // Every byte gives at most one unit from the table; a held lead byte alone adds one.
    size_t at = out.size();
    out.resize(at + n + 1);
    wchar_t* w = out.data() + at;
    auto decodeRun = [&] {
        if (run.empty()) return;
        at = static_cast<size_t>(w - out.data());
        out.resize(at);
        out += codePage_.decode(run);
        run.clear();
        at = out.size();
        out.resize(at + n - i + 1);
        w = out.data() + at;
    };
    auto put = [&](uint32_t unit) {
        decodeRun();
        *w++ = static_cast<wchar_t>(unit);
    };
    auto pair = [&](uint8_t lead, uint8_t trail) {
        const uint32_t unit = table.Pair(lead, trail);
        if (unit != CodePageTable::kNone) {
            put(unit);
        } else {
            run += static_cast<char>(lead);
            run += static_cast<char>(trail);
        }
    };
    bool cr = afterCr_;
    if (heldCount_ > 0) {
        heldCount_ = 0;
        if (kind[p[0]] == CodePageTable::kCr || kind[p[0]] == CodePageTable::kLf) {
            run += static_cast<char>(held_[0]);
            decodeRun();
        } else {
            pair(held_[0], p[0]);
            i = 1;
        }
        cr = false;
    }
    while (i < n) {
        const uint8_t c = p[i];
        switch (kind[c]) {
            case CodePageTable::kTable:
                decodeRun();
                do {
                    *w++ = static_cast<wchar_t>(table.single[p[i++]]);
                } while (i < n && kind[p[i]] == CodePageTable::kTable);
                cr = false;
                break;
            case CodePageTable::kOther:
                run += static_cast<char>(c);
                cr = false;
                ++i;
                break;
            case CodePageTable::kCr:
                put(L'\r');
                cr = true;
                ++i;
                break;
            case CodePageTable::kLf:
                if (!cr) put(L'\r');
                cr = false;
                ++i;
                break;
            default:  // a lead byte
                cr = false;
                if (i + 1 == n) {
                    held_[0] = c;
                    heldCount_ = 1;
                    ++i;
                } else if (kind[p[i + 1]] == CodePageTable::kCr ||
                           kind[p[i + 1]] == CodePageTable::kLf) {
                    // A line end cannot be a trail byte: the lead byte stands alone.
                    run += static_cast<char>(c);
                    ++i;
                    decodeRun();
                } else {
                    pair(c, p[i + 1]);
                    i += 2;
                }
                break;
        }
    }
    decodeRun();
    afterCr_ = cr;
    out.resize(static_cast<size_t>(w - out.data()));
}

void TextDecoder::DecodeUtf16(const uint8_t* p, size_t n, std::wstring& out) {
    const bool le = encoding_ == TextEncoding::Utf16Le;
    const size_t start = out.size();
    out.resize(start + n / 2 + 2);
    wchar_t* w = out.data() + start;
    bool cr = afterCr_;
    // Everything but plain units: line ends, NUL, surrogates and whatever follows a high one.
    auto special = [&](uint32_t u) {
        if (highSurrogate_ != 0) {
            const uint32_t high = highSurrogate_;
            highSurrogate_ = 0;
            if (u >= 0xDC00 && u <= 0xDFFF) {
                *w++ = static_cast<wchar_t>(high);
                *w++ = static_cast<wchar_t>(u);
                cr = false;
                return;
            }
            *w++ = kReplacement;
            cr = false;
        }
        if (u == '\r') {
            *w++ = L'\r';
            cr = true;
            return;
        }
        if (u == '\n') {
            if (!cr) *w++ = L'\r';
            cr = false;
            return;
        }
        cr = false;
        if (u >= 0xD800 && u <= 0xDBFF) {
            highSurrogate_ = static_cast<wchar_t>(u);
        } else {
            *w++ = u == 0 || (u >= 0xDC00 && u <= 0xDFFF) ? kReplacement : static_cast<wchar_t>(u);
        }
    };
    size_t i = 0;
    if (heldCount_ > 0) {
        heldCount_ = 0;
        special(le ? held_[0] | (p[0] << 8) : (held_[0] << 8) | p[0]);
        i = 1;
    }
    const uint8_t lo = le ? 0 : 1;
    while (i + 1 < n) {
        const uint32_t u = p[i + lo] | (p[i + 1 - lo] << 8);
        i += 2;
        if (u > '\r' && (u < 0xD800 || u > 0xDFFF) && highSurrogate_ == 0) {
            *w++ = static_cast<wchar_t>(u);
            cr = false;
        } else {
            special(u);
        }
    }
    if (i < n) {
        held_[0] = p[i];
        heldCount_ = 1;
    }
    afterCr_ = cr;
    out.resize(static_cast<size_t>(w - out.data()));
}

}  // namespace zr
