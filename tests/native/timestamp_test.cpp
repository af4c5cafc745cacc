#include "follow/timestamp.h"

#include <gtest/gtest.h>

namespace zr {
namespace {

TEST(TimeStamp, DateAndTimeWithLeadingZeros) {
    EXPECT_EQ(FormatTimeStamp({2006, 5, 17, 14, 3, 22}), L"#2006-05-17 14:03:22#");
    EXPECT_EQ(FormatTimeStamp({2024, 12, 31, 23, 59, 59}), L"#2024-12-31 23:59:59#");
    EXPECT_EQ(FormatTimeStamp({2001, 1, 2, 0, 0, 1}), L"#2001-01-02 00:00:01#");
    EXPECT_EQ(FormatTimeStamp({2001, 1, 2, 0, 1, 0}), L"#2001-01-02 00:01:00#");
    EXPECT_EQ(FormatTimeStamp({2001, 1, 2, 12, 0, 0}), L"#2001-01-02 12:00:00#");
}

TEST(TimeStamp, ExactlyMidnightIsTheDateAlone) {
    EXPECT_EQ(FormatTimeStamp({2006, 5, 17, 0, 0, 0}), L"#2006-05-17#");
}

TEST(TimeStamp, ClockCanBeReplacedAndPutBack) {
    SetClock([] { return LocalTime{1999, 12, 31, 23, 59, 58}; });
    const LocalTime set = CurrentLocalTime();
    EXPECT_EQ(FormatTimeStamp(set), L"#1999-12-31 23:59:58#");
    SetClock({});
    const LocalTime now = CurrentLocalTime();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_GE(now.day, 1);
    EXPECT_LE(now.day, 31);
    EXPECT_LE(now.hour, 23);
}

}  // namespace
}  // namespace zr
