// Where the clock's hands lie: angles, tips, bases and side points, including the effect of
// the clock's conversion constant (a little under pi / 180) and truncation toward zero.
#include "screens/clock_hands.h"

#include <gtest/gtest.h>

namespace moru {
namespace {

struct HandCase {
    const char* name;
    int hour, minute, second;
    int hourAngle, minuteAngle, secondAngle;
};

class HandAnglesTest : public testing::TestWithParam<HandCase> {};

TEST_P(HandAnglesTest, AnglesFollowTheTime) {
    const HandCase& c = GetParam();
    const ClockHands hands = ComputeClockHands(c.hour, c.minute, c.second);
    EXPECT_EQ(hands.hour.angle, c.hourAngle);
    EXPECT_EQ(hands.minute.angle, c.minuteAngle);
    EXPECT_EQ(hands.second.angle, c.secondAngle);
}

INSTANTIATE_TEST_SUITE_P(
    Times, HandAnglesTest,
    testing::Values(HandCase{"three_oclock", 3, 0, 0, 90, 0, 0},
                    HandCase{"half_past_twelve", 12, 30, 0, 15, 180, 0},
                    HandCase{"midnight", 0, 0, 0, 0, 0, 0},
                    // 14:45:30: 60 + 45 / 2 (integer) = 82.
                    HandCase{"afternoon_uses_24_hour_clock", 14, 45, 30, 82, 270, 180},
                    HandCase{"last_minute_of_day", 23, 59, 59, 359, 354, 354}),
    [](const testing::TestParamInfo<HandCase>& param) { return param.param.name; });

TEST(ClockHandsTest, ThreeOClockTipFallsShortOfTheFullLength) {
    // sin(90 degrees) with the clock's constant is just below 1, so 45 x sin truncates to 44.
    const ClockHand hour = ComputeClockHands(3, 0, 0).hour;
    EXPECT_EQ(hour.tip, (ClockPoint{164, 135}));
    EXPECT_EQ(hour.base, (ClockPoint{122, 135}));
    EXPECT_EQ(hour.side1, (ClockPoint{122, 133}));
    EXPECT_EQ(hour.side2, (ClockPoint{122, 137}));
}

TEST(ClockHandsTest, MidnightHandsPointStraightUp) {
    const ClockHands hands = ComputeClockHands(0, 0, 0);
    EXPECT_EQ(hands.hour.tip, (ClockPoint{120, 90}));
    EXPECT_EQ(hands.minute.tip, (ClockPoint{120, 75}));
    EXPECT_EQ(hands.hour.base, (ClockPoint{120, 132}));
    EXPECT_EQ(hands.minute.base, (ClockPoint{120, 132}));
    // Sector 0..20: side points left and right of the base.
    EXPECT_EQ(hands.hour.side1, (ClockPoint{118, 132}));
    EXPECT_EQ(hands.hour.side2, (ClockPoint{122, 132}));
}

TEST(ClockHandsTest, HalfPastTwelveHourHandHasSidePointsLeftAndRight) {
    const ClockHand hour = ComputeClockHands(12, 30, 0).hour;
    ASSERT_EQ(hour.angle, 15);
    EXPECT_EQ(hour.side1, (ClockPoint{hour.base.x - 2, hour.base.y}));
    EXPECT_EQ(hour.side2, (ClockPoint{hour.base.x + 2, hour.base.y}));
}

TEST(ClockHandsTest, NegativeProductsTruncateTowardZero) {
    // At 270 degrees sin is just above -1: -59.99... truncates to -59, not -60.
    const ClockHand minute = ComputeClockHands(14, 45, 30).minute;
    EXPECT_EQ(minute.tip, (ClockPoint{61, 135}));
    // At 180 degrees cos is just above -1: the tip is 59 below the centre, not 60.
    const ClockHand second = ComputeClockHands(14, 45, 30).second;
    EXPECT_EQ(second.tip, (ClockPoint{120, 194}));
    EXPECT_EQ(second.base, (ClockPoint{120, 137}));
}

// ---- Side points by sector: each row is the first and last angle of a sector ----

struct SectorCase {
    const char* name;
    int angle;
    int dx1, dy1, dx2, dy2;  // side points relative to the base
};

class SidePointsTest : public testing::TestWithParam<SectorCase> {};

TEST_P(SidePointsTest, SidePointsBySector) {
    const SectorCase& c = GetParam();
    const ClockHand hand = ComputeHand(c.angle, kMinuteHandLength);
    EXPECT_EQ(hand.side1, (ClockPoint{hand.base.x + c.dx1, hand.base.y + c.dy1}));
    EXPECT_EQ(hand.side2, (ClockPoint{hand.base.x + c.dx2, hand.base.y + c.dy2}));
}

INSTANTIATE_TEST_SUITE_P(
    Sectors, SidePointsTest,
    testing::Values(
        SectorCase{"a20_other", 20, -2, 0, 2, 0}, SectorCase{"a21_north_east", 21, -2, -2, 2, 2},
        SectorCase{"a70_north_east", 70, -2, -2, 2, 2}, SectorCase{"a71_east", 71, 0, -2, 0, 2},
        SectorCase{"a110_east", 110, 0, -2, 0, 2}, SectorCase{"a111_south_east", 111, 2, -2, -2, 2},
        SectorCase{"a160_south_east", 160, 2, -2, -2, 2},
        SectorCase{"a161_other", 161, -2, 0, 2, 0}, SectorCase{"a200_other", 200, -2, 0, 2, 0},
        SectorCase{"a201_south_west", 201, -2, -2, 2, 2},
        SectorCase{"a250_south_west", 250, -2, -2, 2, 2}, SectorCase{"a251_west", 251, 0, -2, 0, 2},
        SectorCase{"a290_west", 290, 0, -2, 0, 2}, SectorCase{"a291_north_west", 291, 2, -2, -2, 2},
        SectorCase{"a340_north_west", 340, 2, -2, -2, 2},
        SectorCase{"a341_other", 341, -2, 0, 2, 0}, SectorCase{"a359_other", 359, -2, 0, 2, 0}),
    [](const testing::TestParamInfo<SectorCase>& param) { return param.param.name; });

}  // namespace
}  // namespace moru
