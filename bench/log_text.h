// What the benchmarks read: log-like lines in each encoding, and the code page they are
// decoded with (the system's on Windows, glibc's for code page 932 elsewhere).
#pragma once
#include <random>
#include <string>
#include <string_view>

#include "follow/insertion_text.h"
#include "follow/text_decoder.h"

#ifdef _WIN32
#include "common/codepage_win.h"
#else
#include <iconv.h>
#endif

namespace zr::bench {

#ifdef _WIN32
inline const zr::CodePage kCodePage{zr::IsAnsiLeadByte, zr::FromAnsi};
#else
// The system's conversion on Windows; glibc's for code page 932 here.
inline std::wstring FromCp932(std::string_view bytes) {
    static iconv_t cd = iconv_open("UTF-16LE", "CP932");
    std::wstring out(bytes.size(), L'\0');
    std::string units(bytes.size() * 2, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* o = units.data();
    size_t oLeft = units.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &in, &inLeft, &o, &oLeft);
    const size_t n = (units.size() - oLeft) / 2;
    for (size_t i = 0; i < n; ++i) {
        out[i] = static_cast<wchar_t>(static_cast<unsigned char>(units[2 * i]) |
                                      static_cast<unsigned char>(units[2 * i + 1]) << 8);
    }
    out.resize(n);
    return out;
}
inline const zr::CodePage kCodePage{zr::IsShiftJisLeadByte, FromCp932};
#endif

// Log-like text: time stamps, ASCII and Japanese words, CR LF line ends.
inline std::wstring LogLine(int line, std::mt19937& rng) {
    std::wstring out = L"2024-06-01 12:00:" + std::to_wstring(line % 60) + L" INFO worker ";
    const int words = static_cast<int>(rng() % 12);
    for (int w = 0; w < words; ++w) {
        if (rng() % 4 == 0) {
            out += L"\u30ED\u30B0 ";  // ログ
        } else {
            out += L"value=" + std::to_wstring(rng() % 100000) + L' ';
        }
    }
    return out;
}

// The line and its CR LF in the encoding; the text has no other characters outside ASCII.
inline std::string LineBytes(const std::wstring& line, zr::TextEncoding encoding) {
    if (encoding != zr::TextEncoding::CodePage) {
        return zr::EncodeInsertion(line, encoding, nullptr).bytes;
    }
    std::string out;
    for (wchar_t c : line) {
        out += c == L'\u30ED' ? "\x83\x8D" : c == L'\u30B0' ? "\x83\x4F" : std::string(1, char(c));
    }
    return out + "\r\n";
}

}  // namespace zr::bench
