// The matcher's folding and queries; the line scanner against decoding the whole text and
// matching each line; the code page read through its table against the code page itself.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "../shared/test_files.h"
#include "follow/insertion_text.h"
#include "follow/line_scanner.h"

#ifdef _WIN32
#include "common/codepage_win.h"
#else
#include <iconv.h>
#endif

namespace zr {
namespace {

using Enc = TextEncoding;

// The system code page: Windows' own, natively glibc's 932 acting alike (U+FFFD for NUL).
#ifdef _WIN32
const auto CodePageText = FromAnsi;
const auto CodePageBytes = ToAnsiExact;
#else
std::string Convert(const char* to, const char* from, const char* in, size_t inLeft, size_t unit) {
    const iconv_t cd = iconv_open(to, from);
    std::string out(inLeft * 4 + 4, '\0');
    char* o = out.data();
    size_t outLeft = out.size();
    while (iconv(cd, const_cast<char**>(&in), &inLeft, &o, &outLeft) == size_t(-1) && inLeft) {
        const size_t skip = IsShiftJisLeadByte(*in) && inLeft > 1 ? 2 : 1;  // one U+FFFD
        in += skip, inLeft -= skip, o += unit, outLeft -= unit;
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}
std::wstring CodePageText(std::string_view bytes) {
    const std::string units = Convert("WCHAR_T", "CP932", bytes.data(), bytes.size(), 4);
    std::wstring text(units.size() / 4, L'\0');
    std::memcpy(text.data(), units.data(), units.size());
    std::replace(text.begin(), text.end(), L'\0', L'\uFFFD');
    return text;
}
std::optional<std::string> CodePageBytes(std::wstring_view text) {
    return Convert("CP932", "WCHAR_T", reinterpret_cast<const char*>(text.data()),
                   text.size() * sizeof(wchar_t), 1);
}
#endif
const CodePage kCp{IsShiftJisLeadByte, CodePageText};

MatchOptions Ignoring(std::string_view what) {  // c: case, w: width, k: kana
    return {what.find('c') != what.npos, what.find('w') != what.npos, what.find('k') != what.npos};
}

TEST(Matcher, TermsFoldAsTheirSwitchesSayAndAllMustOccur) {
    const std::tuple<std::wstring, const char*, std::wstring, bool, std::vector<MatchRange>>
        rows[] = {
            {L"error", "cw", L"2024 ERROR disk", true, {{5, 10}}},
            {L"error", "", L"2024 ERROR disk", false, {}},
            {L"ＥＲＲＯＲ", "cw", L"an Error", true, {{3, 8}}},
            {L"ＥＲＲＯＲ", "c", L"an Error", false, {}},
            {L"ＥＲＲＯＲ", "c", L"an ｅｒｒｏｒ", true, {{3, 8}}},
            {L"ERROR", "w", L"ｅｒｒｏｒ", false, {}},
            {L"ERROR", "w", L"ＥＲＲＯＲ!", true, {{0, 5}}},
            {L"café ΩЁ", "c", L"CAFÉ ωё", true, {{0, 4}, {5, 7}}},
            {L"０１２：", "w", L"t=012:00", true, {{2, 6}}},
            {L"アイウ", "w", L"ｱｲｳｴ", true, {{0, 3}}},
            {L"アイウ", "ck", L"ｱｲｳｴ", false, {}},
            // Half-width voiced kana are two units, matched as the one character they write.
            {L"ガ パ ヴ", "w", L"ｶﾞｷﾊﾟﾊﾞｳﾞ", true, {{0, 2}, {3, 5}, {7, 9}}},
            {L"カ", "w", L"ｶﾞ", false, {}},
            {L"ｶﾞ", "w", L"xガ", true, {{1, 2}}},
            {L"ｶﾞ", "", L"ガｶﾞ", true, {{1, 3}}},
            {L"ぁゖゞ", "k", L"ァヶヾ", true, {{0, 3}}},
            {L"が", "cw", L"ガ", false, {}},
            {L"ろぐ", "wk", L"ﾛｸﾞ", true, {{0, 3}}},
            // Quoted terms hold blanks; blanks are space, tab and U+3000; every term must occur.
            {L"\"disk full\"", "cw", L"DISK FULL now", true, {{0, 9}}},
            {L"\"disk full\"", "cw", L"full of disk", false, {}},
            {L"disk full", "cw", L"full of disk", true, {{0, 4}, {8, 12}}},
            {L"a\u3000b\tc", "cw", L"cab", true, {{0, 3}}},
            {L"x y", "cw", L"x alone", false, {}},
            {L"\"say \"\"hi\"\"\" k=\"v\"", "cw", L"k=\"v\": say \"hi\"", true, {{0, 5}, {7, 15}}},
            {L"aa", "cw", L"aaaXaa", true, {{0, 3}, {4, 6}}},
            // No terms: every line matches, with nothing to mark.
            {L" \u3000\t\"\"", "cw", L"anything", true, {}},
            {L"", "", L"", true, {}},
        };
    for (const auto& [query, ignoring, line, matches, ranges] : rows) {
        SCOPED_TRACE(testing::PrintToString(query) + " " + ignoring + " in " +
                     testing::PrintToString(line));
        const Matcher matcher(query, Ignoring(ignoring));
        EXPECT_EQ(matcher.Matches(line), matches);
        EXPECT_EQ(matcher.Ranges(line), ranges);
    }
}

// Lines split and matched by decoding all the bytes at once.
std::vector<ByteRange> Expected(const Matcher& matcher, const std::string& bytes, Enc encoding) {
    TextDecoder decoder(kCp, encoding);
    std::wstring text;
    decoder.Decode(bytes, text);
    decoder.Flush(text);
    const size_t step = encoding == Enc::Utf16Le || encoding == Enc::Utf16Be ? 2 : 1;
    auto unit = [&](size_t at) {  // a UTF-16 unit above 0xFF is 'x'
        const bool le = encoding == Enc::Utf16Le;
        return step == 1 ? bytes[at] : bytes[at + le] ? 'x' : bytes[at + !le];
    };
    std::vector<ByteRange> result;
    size_t begin = 0;
    size_t line = 0;
    for (size_t i = 0; begin < bytes.size(); i += step) {
        const bool last = i + step > bytes.size();
        if (!last && unit(i) != '\r' && unit(i) != '\n') continue;
        const bool crlf =
            !last && unit(i) == '\r' && i + 2 * step <= bytes.size() && unit(i + step) == '\n';
        const size_t end = last ? bytes.size() : i + (crlf ? 2 : 1) * step;
        const size_t lineEnd = std::min(text.find(L'\r', line), text.size());
        if (matcher.Matches(std::wstring_view(text).substr(line, lineEnd - line))) {
            result.push_back({begin, end});
        }
        line = lineEnd + 1;
        begin = end, i = end - step;
    }
    EXPECT_GE(line, text.size()) << "as many lines as line ends";
    return result;
}

std::vector<ByteRange> Scanned(const Matcher& matcher, const std::string& bytes, Enc encoding,
                               const std::vector<size_t>& cuts) {
    LineScanner scanner(matcher, encoding, kCp, 1000);
    std::vector<ByteRange> found;
    for (size_t k = 0, at = 0; k <= cuts.size(); ++k) {
        const size_t to = k < cuts.size() ? cuts[k] : bytes.size();
        scanner.Feed(std::string_view(bytes).substr(at, to - at), found);
        at = to;
    }
    EXPECT_EQ(scanner.Position(), 1000 + bytes.size());
    scanner.Finish(found);
    for (ByteRange& r : found) r = {r.begin - 1000, r.end - 1000};
    return found;
}

std::string Encoded(const std::vector<std::pair<std::wstring, std::string>>& lines, Enc encoding) {
    std::string bytes;
    const bool wide = encoding == Enc::Utf16Le || encoding == Enc::Utf16Be;
    for (const auto& [line, end] : lines) {
        std::string b = EncodeInsertion(line + L"\n", encoding, CodePageBytes).bytes;
        b.resize(b.size() - (wide ? 6 : 3));  // the LF of the line and the CR LF added
        for (char c : end)
            b += wide ? encoding == Enc::Utf16Le ? std::string{c, 0} : std::string{0, c}
                      : std::string{c};
        bytes += b;
    }
    return bytes;
}

TEST(LineScanner, GivesTheLinesThatDecodingEveryLineWouldGiveWhereverTheBytesAreCut) {
    const std::vector<std::pair<std::wstring, std::string>> lines = {
        {L"2024-06-01 INFO start", "\r\n"},
        {L"ｴﾗｰ: ﾃﾞｨｽｸ ERROR", "\n"},
        {L"", "\r"},
        {L"エラー：ディスク　error", "\r\n"},
        {L"ﾃﾞｨｽｶ", "\r"},
        {L"ソ表 ｅＲｒｏｒ", "\n"},
        {L"last Error ディ", ""}};
    const std::tuple<std::wstring, const char*> queries[] = {
        {L"error", "cw"},  {L"ディスク", "cw"}, {L"\"ERROR\" ﾃﾞ", "w"}, {L"カ", "w"}, {L"", ""},
        {L"えらー", "wk"}, {L"r d", "cw"},      {L"q \\", "cw"},        {L"゛", "w"}};
    for (Enc encoding : {Enc::Auto, Enc::CodePage, Enc::Utf8, Enc::Utf16Le, Enc::Utf16Be}) {
        const std::string bytes = Encoded(lines, encoding);
        for (const auto& [query, ignoring] : queries) {
            SCOPED_TRACE(testing::PrintToString(query) + " in encoding " +
                         std::to_string(int(encoding)));
            const Matcher matcher(query, Ignoring(ignoring));
            const std::vector<ByteRange> expected = Expected(matcher, bytes, encoding);
            std::vector<size_t> every(bytes.size());
            for (size_t i = 0; i < bytes.size(); ++i) every[i] = i;
            EXPECT_EQ(Scanned(matcher, bytes, encoding, every), expected) << "one byte at a time";
            for (size_t cut = 0; cut <= bytes.size(); ++cut) {
                ASSERT_EQ(Scanned(matcher, bytes, encoding, {cut}), expected) << "cut at " << cut;
            }
        }
    }
}

// Random lines of look-alike characters, random bytes among them, random cuts; and a line
// longer than every piece, its terms far apart and split between pieces.
TEST(LineScanner, RandomTextAndLongLinesAgreeWithDecodingEveryLine) {
    std::mt19937 rng(20240601);
    const std::wstring alphabet = L"eErRｅＥｒＲ ｶﾞﾊﾟガがカ\u3000ー。ｰ";
    auto pick = [&](size_t n) {
        std::wstring s;
        while (s.size() < n) s += alphabet[rng() % alphabet.size()];
        return s;
    };
    const char* ends[] = {"\r\n", "\r", "\n", ""};
    for (int round = 0; round < 300; ++round) {
        std::vector<std::pair<std::wstring, std::string>> lines;
        for (int n = static_cast<int>(rng() % 8); n >= 0; --n)
            lines.push_back({pick(rng() % 12), ends[rng() % 3]});
        lines.back().second = ends[rng() % 4];
        const Enc encoding = Enc(1 + rng() % 4);
        std::string bytes = Encoded(lines, encoding);
        for (int k = static_cast<int>(rng() % 3); k > 0 && !bytes.empty(); --k)
            bytes[rng() % bytes.size()] = static_cast<char>(rng());
        const Matcher matcher(pick(1 + rng() % 3) + L" " + pick(rng() % 2),
                              Ignoring(round % 2 ? "cw" : "wk"));
        std::vector<size_t> cuts;
        for (size_t at = 0; at < bytes.size(); cuts.push_back(at += 1 + rng() % 9)) {
        }
        cuts.back() = bytes.size();
        ASSERT_EQ(Scanned(matcher, bytes, encoding, cuts), Expected(matcher, bytes, encoding))
            << "round " << round << ": " << test::Hex(bytes);
    }
    const std::wstring filler(40000, L'x');
    for (Enc encoding : {Enc::CodePage, Enc::Utf8, Enc::Utf16Le}) {
        const std::string bytes = Encoded({{filler + L"ｴﾗｰ" + filler + L"ﾃﾞｨｽｸ", "\r\n"},
                                           {filler + L"エラー", "\n"},
                                           {L"ディスクエラー", ""}},
                                          encoding);
        for (size_t piece : {997, 4096}) {
            std::vector<size_t> cuts;
            for (size_t at = piece; at < bytes.size(); at += piece) cuts.push_back(at);
            const Matcher matcher(L"えらー でぃすく", Ignoring("wk"));
            EXPECT_EQ(Scanned(matcher, bytes, encoding, cuts), Expected(matcher, bytes, encoding));
            EXPECT_EQ(Expected(matcher, bytes, encoding).size(), 2u);
        }
    }
}

// The code page read through its table gives what the code page itself gives for every line,
// whatever the bytes (lead bytes before line ends, invalid pairs, NUL) and wherever they are cut.
TEST(CodePageTable, DecodesRandomBytesAsTheCodePageDoes) {
    std::mt19937 rng(932);
    const std::string common =
        "\x81\x82\x83\x88\x9F\xE0\xEA\xFC\xFD\xFF\x80\xA0\xB6\xDE\x40\x5C\x7F\r\n";
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(rng() % 40, '\0');
        for (char& c : bytes)
            c = rng() % 2 ? common[rng() % common.size()] : static_cast<char>(rng());
        TextDecoder decoder(kCp, Enc::CodePage);
        std::wstring text;
        for (size_t at = 0; at < bytes.size();) {
            const size_t n = 1 + rng() % 7;
            decoder.Decode(std::string_view(bytes).substr(at, n), text);
            at += n;
        }
        decoder.Flush(text);
        ASSERT_EQ(text, test::Displayed(bytes, CodePageText)) << test::Hex(bytes);
    }
}

}  // namespace
}  // namespace zr
