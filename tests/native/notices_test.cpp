#include "follow/notices.h"

#include <gtest/gtest.h>

namespace zr {
namespace {

using Hits = std::vector<size_t>;

NoticeMatcher Matcher(std::wstring a, std::wstring b, std::wstring c) {
    NoticeMatcher m;
    m.SetStrings({std::move(a), std::move(b), std::move(c)});
    return m;
}

TEST(Notice, EachStringFoundIsReportedOnceInOrder) {
    NoticeMatcher m = Matcher(L"ERROR", L"WARN", L"fatal");
    EXPECT_EQ(m.Find(L"fatal: x\rWARN 1\rfatal again\r"), (Hits{1, 2}));
    EXPECT_EQ(m.Find(L"ERROR ERROR WARN\r"), (Hits{0, 1}));
    EXPECT_EQ(m.Find(L"nothing here\r"), Hits{});
}

TEST(Notice, EmptyStringsNeverMatch) {
    NoticeMatcher m = Matcher(L"", L"b", L"");
    EXPECT_EQ(m.Find(L"abc\r"), Hits{1});
    EXPECT_EQ(m.Find(L"\r"), Hits{});
}

TEST(Notice, SearchIsExactAndCaseSensitive) {
    NoticeMatcher m = Matcher(L"Error", L"\u30a8\u30e9\u30fc", L"x y");
    EXPECT_EQ(m.Find(L"error ERROR x  y \u30a8\u30e9\r"), Hits{});
    EXPECT_EQ(m.Find(L"An Error: \u30a8\u30e9\u30fc x y\r"), (Hits{0, 1, 2}));
}

TEST(Notice, StringWhoseLineArrivedInTwoPassesIsFound) {
    NoticeMatcher m = Matcher(L"disk full", L"", L"");
    EXPECT_EQ(m.Find(L"ok\r12:00 disk f"), Hits{});
    EXPECT_EQ(m.Find(L"ull\r"), Hits{0});
}

TEST(Notice, StringArrivingOneCharacterAtATimeIsFoundAtItsLastCharacter) {
    NoticeMatcher m = Matcher(L"abcdefgh", L"", L"");
    const std::wstring text = L"xxabcdefgh";
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        EXPECT_EQ(m.Find(text.substr(i, 1)), Hits{}) << "after " << i + 1 << " characters";
    }
    EXPECT_EQ(m.Find(text.substr(text.size() - 1)), Hits{0});
}

TEST(Notice, OccurrenceAlreadyReportedIsNotReportedAgainByTheRestOfItsLine) {
    // The longer string makes the matcher keep more of the line than "ERROR" needs.
    NoticeMatcher m = Matcher(L"ERROR", L"", L"a much longer notice string");
    EXPECT_EQ(m.Find(L"ERROR"), Hits{0});
    EXPECT_EQ(m.Find(L" and more text"), Hits{});
    EXPECT_EQ(m.Find(L" ERROR"), Hits{0});
}

TEST(Notice, StringIsNotJoinedAcrossALineEnd) {
    NoticeMatcher m = Matcher(L"ERROR", L"", L"");
    EXPECT_EQ(m.Find(L"ERR"), Hits{});
    EXPECT_EQ(m.Find(L"\rOR\r"), Hits{});
    EXPECT_EQ(m.Find(L"ERR\r"), Hits{});
    EXPECT_EQ(m.Find(L"OR"), Hits{});
}

TEST(Notice, ResetForgetsTheUnfinishedLineOfThePreviousFile) {
    NoticeMatcher m = Matcher(L"ERROR", L"", L"");
    EXPECT_EQ(m.Find(L"ERR"), Hits{});
    m.Reset();
    EXPECT_EQ(m.Find(L"OR"), Hits{});
}

}  // namespace
}  // namespace zr
