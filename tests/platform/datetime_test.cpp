#include "platform/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace moru {
namespace {

SystemTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return MakeSystemTime(y, mo, d, h, mi, s);
}

// Known DATE values of the platform.
TEST(DateConversion, KnownValues) {
    EXPECT_EQ(*SystemTimeToVariantTime(At(1899, 12, 30)), 0.0);
    EXPECT_EQ(*SystemTimeToVariantTime(At(1900, 1, 1)), 2.0);
    EXPECT_EQ(*SystemTimeToVariantTime(At(2000, 1, 1)), 36526.0);
    EXPECT_DOUBLE_EQ(*SystemTimeToVariantTime(At(2000, 1, 1, 12)), 36526.5);
    EXPECT_EQ(*VariantTimeToSystemTime(-1.25), At(1899, 12, 29, 6));
}

TEST(DateConversion, RoundTripsEveryEdgeSecondOfManyDays) {
    for (int64_t day = DayNumber(1900, 1, 1); day < DayNumber(3000, 1, 1); day += 997) {
        int y = 0, m = 0, d = 0;
        CivilFromDayNumber(day, y, m, d);
        for (auto [h, mi, s] : {std::tuple{0, 0, 0}, {23, 59, 59}, {12, 0, 1}, {0, 0, 1}}) {
            const SystemTime t = At(y, m, d, h, mi, s);
            const auto date = SystemTimeToVariantTime(t);
            ASSERT_TRUE(date);
            EXPECT_EQ(*VariantTimeToSystemTime(*date), t) << y << "-" << m << "-" << d;
        }
    }
}

TEST(DateConversion, RoundsToTheNearestSecond) {
    const double noon = *MakeDate(2024, 2, 29, 12, 0, 0);
    EXPECT_EQ(*VariantTimeToSystemTime(noon + 0.4 / 86400), At(2024, 2, 29, 12, 0, 0));
    EXPECT_EQ(*VariantTimeToSystemTime(noon + 0.6 / 86400), At(2024, 2, 29, 12, 0, 1));
    // 23:59:59.6 rounds into the next day.
    EXPECT_EQ(*VariantTimeToSystemTime(noon + (43199.6 / 86400)), At(2024, 3, 1));
}

TEST(DateConversion, RejectsImpossibleFields) {
    EXPECT_FALSE(SystemTimeToVariantTime(At(2023, 2, 29)));
    EXPECT_FALSE(SystemTimeToVariantTime(At(2023, 13, 1)));
    EXPECT_FALSE(SystemTimeToVariantTime(At(2023, 1, 1, 24)));
    EXPECT_FALSE(VariantTimeToSystemTime(1e12));
}

// A damaged store row can hold any 64-bit start; nothing on the way to a broken-down time may
// overflow (these overflowed a signed negation before; -fsanitize=undefined shows it).
TEST(DateConversion, ExtremeValuesGiveNothingAndNeverOverflow) {
    for (double date : {1e300, -1e300, 1e15, -1e15, std::nan("")}) {
        EXPECT_FALSE(VariantTimeToSystemTime(date)) << date;
        EXPECT_FALSE(DateTime::FromDate(date).valid()) << date;
    }
    for (int64_t seconds :
         {std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()}) {
        EXPECT_FALSE(VariantTimeToSystemTime(SecondsToDate(seconds))) << seconds;
    }
    EXPECT_EQ(*VariantTimeToSystemTime(SecondsToDate(-1)), At(1899, 12, 29, 23, 59, 59));
    EXPECT_LT(DateTime::FromDate(-1e300), DateTime::FromParts(2024, 1, 1));
}

// Leap years: divisible by 4 and not by 100, or by 400.
TEST(Calendar, LeapYearsAndMonthLengths) {
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_EQ(MonthLength(1900, 2), 28);
    EXPECT_EQ(MonthLength(2000, 2), 29);
    EXPECT_EQ(MonthLength(2026, 4), 30);
    EXPECT_EQ(MonthLength(2026, 13), 0);
}

TEST(Calendar, Weekdays) {
    EXPECT_EQ(WeekdayOf(1900, 1, 1), 1);   // Monday
    EXPECT_EQ(WeekdayOf(2015, 2, 1), 0);   // Sunday
    EXPECT_EQ(WeekdayOf(2026, 12, 8), 2);  // Tuesday
    EXPECT_EQ(WeekdayOf(2999, 12, 31), 2);
}

TEST(DateArithmetic, SpansAndComparisons) {
    const DateTime start = DateTime::FromParts(2026, 12, 31, 22, 0, 0);
    const DateTime next = start + DateTimeSpan(1, 0, 0, 0);
    EXPECT_EQ(next.year(), 2027);
    EXPECT_EQ(next.month(), 1);
    EXPECT_EQ(next.day(), 1);
    EXPECT_EQ(next.hour(), 22);
    EXPECT_DOUBLE_EQ((next - start).TotalDays(), 1.0);
    EXPECT_LT(start, next);
    // Equal to the second even when the doubles differ in their last bits.
    EXPECT_EQ(DateTime::FromDate(start.date() + 1e-9), start);
    EXPECT_EQ((start - DateTimeSpan(31.0)).day(), 30);
    EXPECT_EQ(start.DateOnly().hour(), 0);
}

TEST(LocalTime, PinReplacesTheClockAndRestoresIt) {
    {
        LocalTimePin pin(At(2004, 1, 5, 9, 30, 12));
        const SystemTime now = GetLocalTime();
        EXPECT_EQ(now.year, 2004);
        EXPECT_EQ(now.second, 12);
        EXPECT_EQ(now.dayOfWeek, 1);
    }
    EXPECT_GE(GetLocalTime().year, 2024);
}

// The date-text reader takes exactly the documented forms.
class DateTextTest : public testing::TestWithParam<std::pair<const char*, bool>> {};
TEST_P(DateTextTest, AcceptsOnlyWellFormedPossibleDates) {
    EXPECT_EQ(ParseDateTimeText(GetParam().first).has_value(), GetParam().second)
        << GetParam().first;
}
INSTANTIATE_TEST_SUITE_P(
    Forms, DateTextTest,
    testing::Values(std::pair{"2026-12-08", true}, std::pair{"2026-12-08 09:05", true},
                    std::pair{"2026-12-08 23:59:59", true}, std::pair{"2024-02-29 00:00", true},
                    std::pair{"2023-02-29", false}, std::pair{"2026-12-8", false},
                    std::pair{"2026-12-08 24:00", false}, std::pair{"2026-12-08 10:60", false},
                    std::pair{"2026-12-08T10:00", false}, std::pair{"2026-12-08 10:00:", false},
                    std::pair{" 2026-12-08", false}, std::pair{"", false},
                    std::pair{"0099-01-01", false}));

}  // namespace
}  // namespace moru
