#include "common/font_units.h"

#include <gtest/gtest.h>

namespace zr {
namespace {

TEST(FontUnits, PointsToHeightFollowsTheScreenDpi) {
    EXPECT_EQ(PointsToFontHeight(9, 96), 12);
    EXPECT_EQ(PointsToFontHeight(9, 144), 18);
    EXPECT_EQ(PointsToFontHeight(9, 120), 15);
    EXPECT_EQ(PointsToFontHeight(10, 96), 13);  // 13.33
    EXPECT_EQ(PointsToFontHeight(8, 192), 21);  // 21.33
    EXPECT_EQ(PointsToFontHeight(24, 96), 32);
}

TEST(FontUnits, HeightToPointsEitherSignAndHalvesToEven) {
    EXPECT_EQ(FontHeightToPoints(-12, 96), 9);
    EXPECT_EQ(FontHeightToPoints(12, 96), 9);
    EXPECT_EQ(FontHeightToPoints(-13, 96), 10);  // 9.75
    EXPECT_EQ(FontHeightToPoints(-18, 144), 9);
    EXPECT_EQ(FontHeightToPoints(-15, 120), 9);
    EXPECT_EQ(FontHeightToPoints(-14, 96), 10);  // 10.5 goes to the even 10
    EXPECT_EQ(FontHeightToPoints(-22, 96), 16);  // 16.5 goes to the even 16
    EXPECT_EQ(FontHeightToPoints(-30, 144), 15);
}

TEST(FontUnits, SizesSurviveTheRoundTripAtCommonDpis) {
    for (int dpi : {96, 120, 144, 168, 192}) {
        for (int points = 8; points <= 24; ++points) {
            EXPECT_EQ(FontHeightToPoints(-PointsToFontHeight(points, dpi), dpi), points)
                << points << " pt at " << dpi << " DPI";
        }
    }
}

TEST(FontUnits, SemiboldAndHeavierCountAsBold) {
    EXPECT_FALSE(IsBoldWeight(300));
    EXPECT_FALSE(IsBoldWeight(400));
    EXPECT_FALSE(IsBoldWeight(500));
    EXPECT_TRUE(IsBoldWeight(600));
    EXPECT_TRUE(IsBoldWeight(700));
    EXPECT_TRUE(IsBoldWeight(900));
}

}  // namespace
}  // namespace zr
