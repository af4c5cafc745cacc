#include "follow/display_text.h"

#include <gtest/gtest.h>

namespace zr {
namespace {

// Bytes as they are: each byte one character.
std::wstring Latin1(std::string_view bytes) {
    std::wstring out;
    for (unsigned char c : bytes) out += static_cast<wchar_t>(c);
    return out;
}

// Decodes the way some code-page converters do: a lead byte always takes the byte after it,
// whatever that is, and a lead byte at the end becomes '?'.
std::wstring Greedy(std::string_view bytes) {
    std::wstring out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x81 && c <= 0x9F) {
            out += i + 1 < bytes.size() ? L'\u6F22' : L'?';
            ++i;
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

TEST(DisplayText, LineEndsBecomeALoneCr) {
    EXPECT_EQ(ToDisplayText("a\r\nbc\r\n", Latin1), L"a\rbc\r");
    EXPECT_EQ(ToDisplayText("\r\n\r\nx", Latin1), L"\r\rx");
    EXPECT_EQ(ToDisplayText("unfinished", Latin1), L"unfinished");
    EXPECT_EQ(ToDisplayText("", Latin1), L"");
}

TEST(DisplayText, ABrokenLeadByteNeverSwallowsTheLineEnd) {
    // The follower shows a lead byte without its trail byte when a line end follows it.
    EXPECT_EQ(ToDisplayText("x\x81\r\ny\r\n", Greedy), L"x?\ry\r");
    EXPECT_EQ(ToDisplayText("\x81\x40\r\n", Greedy), L"\u6F22\r");
}

TEST(DisplayText, LineStartAtOrAfter) {
    const std::wstring_view text = L"ab\rcd\r\ref";
    EXPECT_EQ(LineStartAtOrAfter(text, 0), 0u);
    EXPECT_EQ(LineStartAtOrAfter(text, 1), 3u);
    EXPECT_EQ(LineStartAtOrAfter(text, 3), 3u);  // just after a CR: a line begins there
    EXPECT_EQ(LineStartAtOrAfter(text, 4), 6u);
    EXPECT_EQ(LineStartAtOrAfter(text, 7), 7u);
    EXPECT_EQ(LineStartAtOrAfter(text, 8), text.size());  // inside the last line
    EXPECT_EQ(LineStartAtOrAfter(text, 99), text.size());
}

std::wstring Join(const std::vector<std::wstring_view>& pieces) {
    std::wstring all;
    for (auto p : pieces) all += p;
    return all;
}

TEST(DisplayText, PiecesAreBoundedAndRejoinToTheText) {
    std::wstring text;
    for (int i = 0; i < 1000; ++i) text += L"line " + std::to_wstring(i) + L"\r";
    const auto pieces = SplitForInsertion(text, 64);
    EXPECT_EQ(Join(pieces), text);
    for (auto p : pieces) {
        EXPECT_LE(p.size(), 64u);
        EXPECT_FALSE(p.empty());
    }
    EXPECT_EQ(pieces.size(), (text.size() + 63) / 64);
}

TEST(DisplayText, SurrogatePairsStayTogether) {
    const std::wstring text =
        L"abc\xD83D\xDE00"
        L"def";  // a pair at indexes 3 and 4
    const auto pieces = SplitForInsertion(text, 4);
    EXPECT_EQ(Join(pieces), text);
    EXPECT_EQ(pieces[0], L"abc");
}

}  // namespace
}  // namespace zr
