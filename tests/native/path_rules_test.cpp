#include "follow/path_rules.h"

#include <gtest/gtest.h>

namespace zr {
namespace {

TEST(PathRules, CutAtNulKeepsTheTextBeforeTheFirstNul) {
    using namespace std::string_literals;
    EXPECT_EQ(CutAtNul(L"C:\\logs\\app.log"), L"C:\\logs\\app.log");
    EXPECT_EQ(CutAtNul(L"C:\\logs\\app.log\0\0\0"s), L"C:\\logs\\app.log");
    EXPECT_EQ(CutAtNul(L"C:\\a.log\0C:\\b.log"s), L"C:\\a.log");
    EXPECT_EQ(CutAtNul(L"\0C:\\a.log"s), L"");
    EXPECT_EQ(CutAtNul(L""), L"");
}

TEST(PathRules, OnlyLowerCaseExeAtTheVeryEndIsRefused) {
    EXPECT_TRUE(IsRefusedExecutable(L"C:\\tools\\setup.exe"));
    EXPECT_TRUE(IsRefusedExecutable(L"C:\\tools\\annexe"));  // no dot needed
    EXPECT_TRUE(IsRefusedExecutable(L"exe"));
    EXPECT_FALSE(IsRefusedExecutable(L"C:\\tools\\SETUP.EXE"));
    EXPECT_FALSE(IsRefusedExecutable(L"C:\\tools\\setup.Exe"));
    EXPECT_FALSE(IsRefusedExecutable(L"C:\\tools\\setup.exe.log"));
    EXPECT_FALSE(IsRefusedExecutable(L"C:\\exe\\app.log"));
    EXPECT_FALSE(IsRefusedExecutable(L"xe"));
    EXPECT_FALSE(IsRefusedExecutable(L""));
}

}  // namespace
}  // namespace zr
