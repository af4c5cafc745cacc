#include "follow/display_text.h"

#include <gtest/gtest.h>

namespace zr {
namespace {

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
