#include "platform/types.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(PointerPacking, NegativeAndLargeCoordinatesSurviveTheRoundTrip) {
    struct Case {
        int x, y;
    } cases[] = {{0, 0}, {5, 7}, {-1, -1}, {-32768, 32767}, {474, -349}, {32767, -32768}};
    for (const auto& c : cases) {
        LPARAM lp = MakeLParam(c.x, c.y);
        EXPECT_EQ(GetXLParam(lp), c.x) << c.x << "," << c.y;
        EXPECT_EQ(GetYLParam(lp), c.y) << c.x << "," << c.y;
    }
    // Each half is sign-extended from its sixteen bits.
    EXPECT_EQ(GetXLParam(0x0000FFFF), -1);
    EXPECT_EQ(GetYLParam(0x80000000u), -32768);
    EXPECT_EQ(LoWord(0x12345678u), 0x5678u);
    EXPECT_EQ(HiWord(0x12345678u), 0x1234u);
}

TEST(Rect, ContainsIsHalfOpen) {
    TRect r{10, 20, 30, 40};
    EXPECT_TRUE(r.Contains(10, 20));
    EXPECT_TRUE(r.Contains(29, 39));
    EXPECT_FALSE(r.Contains(30, 39));
    EXPECT_FALSE(r.Contains(29, 40));
    EXPECT_EQ(r.Width(), 20);
    EXPECT_EQ(r.Height(), 20);
}
