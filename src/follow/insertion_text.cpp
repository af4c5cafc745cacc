#include "follow/insertion_text.h"

namespace zr {
namespace {

bool IsHigh(uint32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(uint32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// The length in units of the character at i: 1, 2 for a surrogate pair, 0 for a lone surrogate.
size_t CharUnits(std::wstring_view text, size_t i) {
    const auto u = static_cast<uint32_t>(text[i]);
    if (IsHigh(u)) return i + 1 < text.size() && IsLow(static_cast<uint32_t>(text[i + 1])) ? 2 : 0;
    return IsLow(u) ? 0 : 1;
}

}  // namespace

InsertionBytes EncodeInsertion(std::wstring_view line, TextEncoding encoding,
                               CodePageEncoder toCodePage) {
    InsertionBytes result;
    const std::wstring text = std::wstring(line) + L"\r\n";
    for (size_t i = 0; i < text.size();) {
        const size_t n = CharUnits(text, i);
        if (n == 0) {
            result.unwritable = text.substr(i, 1);
            return result;
        }
        i += n;
    }
    if (encoding == TextEncoding::Auto || encoding == TextEncoding::CodePage) {
        if (std::optional<std::string> bytes = toCodePage(text)) {
            result.bytes = std::move(*bytes);
            return result;
        }
        for (size_t i = 0, n = 1; i < text.size(); i += n) {
            n = CharUnits(text, i);
            if (!toCodePage(std::wstring_view(text).substr(i, n))) {
                result.unwritable = text.substr(i, n);
                return result;
            }
        }
        // Every character has a form of its own, yet not the whole line: nothing is written.
        result.unwritable = line;
        return result;
    }
    std::string& out = result.bytes;
    for (size_t i = 0; i < text.size();) {
        uint32_t cp = static_cast<uint32_t>(text[i]);
        const size_t n = CharUnits(text, i);
        if (encoding == TextEncoding::Utf8) {
            if (n == 2)
                cp =
                    0x10000 + ((cp - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            if (cp < 0x80) {
                out += static_cast<char>(cp);
            } else if (cp < 0x800) {
                out += static_cast<char>(0xC0 | (cp >> 6));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            } else if (cp < 0x10000) {
                out += static_cast<char>(0xE0 | (cp >> 12));
                out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            } else {
                out += static_cast<char>(0xF0 | (cp >> 18));
                out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                out += static_cast<char>(0x80 | (cp & 0x3F));
            }
        } else {
            for (size_t k = 0; k < n; ++k) {
                const auto u = static_cast<uint16_t>(text[i + k]);
                const char hi = static_cast<char>(u >> 8);
                const char lo = static_cast<char>(u & 0xFF);
                out += encoding == TextEncoding::Utf16Le ? lo : hi;
                out += encoding == TextEncoding::Utf16Le ? hi : lo;
            }
        }
        i += n;
    }
    return result;
}

}  // namespace zr
