#include <gtest/gtest.h>

#include "about/version_text.h"

namespace zr {
namespace {

TEST(VersionText, MinorAndRevisionFollowEachOther) {
    EXPECT_EQ(VersionText(L"Zororuv", {1, 0, 0}), L"Zororuv - Version 1.00");
    EXPECT_EQ(VersionText(L"Zororuv", {1, 2, 13}), L"Zororuv - Version 1.213");
    EXPECT_EQ(VersionText(L"Zororuv", {10, 0, 7}), L"Zororuv - Version 10.07");
    EXPECT_EQ(VersionText(L"Zororuv", {65535, 65535, 65535}),
              L"Zororuv - Version 65535.6553565535");
}

TEST(VersionText, FileVersionFieldsAreMajorMinorAndTheFourthNumber) {
    // FILEVERSION 1, 2, 7, 13: the build number 7 is not shown.
    const ProgramVersion v = VersionFromFileVersion(0x00010002u, 0x0007000Du);
    EXPECT_EQ(v.major, 1);
    EXPECT_EQ(v.minor, 2);
    EXPECT_EQ(v.revision, 13);
    const ProgramVersion big = VersionFromFileVersion(0xFFFE0003u, 0x0000FFFFu);
    EXPECT_EQ(big.major, 65534);
    EXPECT_EQ(big.minor, 3);
    EXPECT_EQ(big.revision, 65535);
}

}  // namespace
}  // namespace zr
