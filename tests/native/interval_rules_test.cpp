#include <gtest/gtest.h>

#include "settings/interval_rules.h"

namespace zr {
namespace {

TEST(ReadIntervalInput, WholeNumbersFromOneTo99999AreTaken) {
    EXPECT_EQ(ParseReadInterval(L"250"), 250);
    EXPECT_EQ(ParseReadInterval(L"1"), 1);
    EXPECT_EQ(ParseReadInterval(L"99999"), 99999);
    EXPECT_EQ(ParseReadInterval(L"01000"), 1000);
    EXPECT_EQ(ParseReadInterval(L" 42\t"), 42) << "blanks around a pasted number";
}

TEST(ReadIntervalInput, EverythingElseIsRefused) {
    for (const wchar_t* text :
         {L"", L"   ", L"0", L"00000", L"100000", L"abc", L"12a", L"-5", L"+5", L"1.5", L"1,000",
          L"２５０", L"4 2", L"99999999999999999999999"}) {
        EXPECT_FALSE(ParseReadInterval(text).has_value())
            << "\"" << testing::PrintToString(std::wstring(text)) << "\"";
    }
}

}  // namespace
}  // namespace zr
