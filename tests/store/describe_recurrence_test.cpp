#include "store/describe_recurrence.h"

#include <gtest/gtest.h>

#include <ostream>

#include "platform/text.h"

namespace moru {
namespace {

struct Case {
    const char* name;
    int32_t recurrenceType;
    int32_t repeatChoice;
    int32_t interval;
    int32_t dayOfWeekMask;
    int32_t dayOfMonth;
    int32_t instance;
    int year, month, day;  // the start
    const char* expected;
};

// Test names already say which case failed; the whole row is noise in the log.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

AppointmentRecord RecordFor(const Case& c) {
    AppointmentRecord record;
    record.recurrenceType = c.recurrenceType;
    record.repeatChoice = c.repeatChoice;
    record.interval = c.interval;
    record.dayOfWeekMask = c.dayOfWeekMask;
    record.dayOfMonth = c.dayOfMonth;
    record.instance = c.instance;
    record.monthOfYear = 7;  // never the start's month below: yearly texts must not use it
    record.start = MakeSystemTime(c.year, c.month, c.day);
    return record;
}

class DescribeRecurrenceTest : public testing::TestWithParam<Case> {};

TEST_P(DescribeRecurrenceTest, Text) {
    EXPECT_EQ(ToUtf8(DescribeRecurrence(RecordFor(GetParam()))), GetParam().expected);
}

// 2024-03-12 is a Tuesday, 2024-11-28 a Thursday, 2024-12-25 a Wednesday.
INSTANTIATE_TEST_SUITE_P(
    Texts, DescribeRecurrenceTest,
    testing::Values(
        // Not recurring.
        Case{"once", -1, 0, 1, 8, 15, 2, 2023, 3, 15, "Once"},
        // Daily.
        Case{"daily", 0, 1, 1, 4, 12, 2, 2024, 3, 12, "Everyday"},
        Case{"every_three_days", 0, 8, 3, 4, 12, 2, 2024, 3, 12, "Every 3 days"},
        Case{"weekdays", 0, 3, 1, 62, 12, 2, 2024, 3, 12, "Every Weekdays(Mon-Fri)"},
        Case{"weekdays_every_two", 0, 3, 2, 62, 12, 2, 2024, 3, 12, "Every 2 Weekdays(Mon-Fri)"},
        // Weekly: days Sunday first, single commas, none at the end.
        Case{"weekly_mon_wed_fri", 1, 8, 1, 42, 12, 2, 2024, 3, 12, "Every Mon.,Wed.,Fri."},
        Case{"weekly_every_two_mondays", 1, 8, 2, 2, 12, 2, 2024, 3, 12, "Every 2 week(s) on Mon."},
        Case{"weekly_sun_and_sat", 1, 8, 1, 65, 12, 2, 2024, 3, 12, "Every Sun.,Sat."},
        Case{"weekly_no_days", 1, 8, 1, 0, 12, 2, 2024, 3, 12, "Every"},
        Case{"weekly_no_days_every_two", 1, 8, 2, 0, 12, 2, 2024, 3, 12, "Every 2 week(s) on"},
        Case{"weekly_as_weekdays", 1, 3, 1, 62, 12, 2, 2024, 3, 12, "Every Weekdays(Mon-Fri)"},
        // Monthly on a day: the text ends in one space.
        Case{"monthly_day_15", 2, 4, 1, 4, 15, 3, 2024, 3, 15, "Day 15 of every month "},
        Case{"monthly_every_three", 2, 8, 3, 4, 15, 3, 2024, 3, 15, "Day 15 of every 3 months "},
        // Monthly on the Nth weekday: always the start's weekday, whatever the mask says.
        Case{"monthly_second_tuesday", 3, 5, 1, 64, 12, 2, 2024, 3, 12,
             "The 2nd Tue. of every month"},
        Case{"monthly_last_tuesday", 3, 8, 2, 4, 26, 5, 2024, 3, 26,
             "The last Tue. of every 2 months"},
        Case{"monthly_instance_out_of_range", 3, 5, 1, 4, 12, 0, 2024, 3, 12, ""},
        // Yearly: month and day from the start, not from monthOfYear.
        Case{"yearly_christmas", 5, 6, 1, 8, 25, 4, 2024, 12, 25, "Dec. 25 of every year"},
        Case{"yearly_may_keeps_full_stop", 5, 6, 1, 8, 1, 1, 2024, 5, 1, "May. 1 of every year"},
        Case{"yearly_fourth_thursday", 6, 7, 1, 16, 28, 4, 2024, 11, 28,
             "The 4th Thu. of every Nov."},
        Case{"yearly_nth_instance_too_big", 6, 7, 1, 16, 28, 6, 2024, 11, 28, ""},
        // Types the store does not define.
        Case{"type_4", 4, 8, 1, 4, 12, 2, 2024, 3, 12, ""},
        Case{"type_7", 7, 8, 1, 4, 12, 2, 2024, 3, 12, ""}),
    [](const testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

// The weekday named by the Nth-weekday texts comes from the start's date, so a record whose
// dayOfWeek field was never filled in still names the right day.
TEST(DescribeRecurrence, WeekdayComesFromTheStartDate) {
    AppointmentRecord record;
    record.recurrenceType = 3;
    record.interval = 1;
    record.instance = 1;
    record.start.year = 2024;
    record.start.month = 3;
    record.start.day = 5;  // a Tuesday
    record.start.dayOfWeek = 0;
    EXPECT_EQ(ToUtf8(DescribeRecurrence(record)), "The 1st Tue. of every month");
}

}  // namespace
}  // namespace moru
