// RRULE and the store's pattern, both ways: what other programs write maps to the pattern
// with the same occurrences, every pattern form survives a trip through its RRULE, and what
// the pattern cannot hold is refused with a reason.
#include "tools/moru_device/ical_rule.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/poom/poom.h"

namespace moru::device {
namespace {

icalrecurrencetype Rule(const std::string& text) {
    return icalrecurrencetype_from_string(text.c_str());
}

std::string Text(icalrecurrencetype rule) {
    std::unique_ptr<char, decltype(&std::free)> text(icalrecurrencetype_as_string_r(&rule),
                                                     &std::free);
    return text ? text.get() : "";
}

// The series in the cases starts on Friday 14 June 2024 (weekday bit 32, second week).
const SystemTime kStart = MakeSystemTime(2024, 6, 14, 9, 0);

struct ReadCase {
    const char* rule;
    int type;
    long interval, mask, day, instance, month;
    long count = 0;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.rule;
}

class ReadRule : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadRule, GivesThePatternWithTheSameOccurrences) {
    const ReadCase& c = GetParam();
    auto read = PatternFromRule(Rule(c.rule), kStart, std::nullopt, false);
    ASSERT_TRUE(std::holds_alternative<ExchangePattern>(read))
        << std::get<RuleRefusal>(read).reason;
    const ExchangePattern& p = std::get<ExchangePattern>(read);
    EXPECT_EQ(p.type, c.type);
    EXPECT_EQ(p.interval, c.interval);
    EXPECT_EQ(p.mask, c.mask);
    EXPECT_EQ(p.dayOfMonth, c.day);
    EXPECT_EQ(p.instance, c.instance);
    EXPECT_EQ(p.monthOfYear, c.month);
    EXPECT_EQ(p.occurrences, c.count);
    EXPECT_EQ(p.noEnd, c.count == 0);
}

using poom::kRecursDaily, poom::kRecursWeekly, poom::kRecursMonthly, poom::kRecursMonthNth,
    poom::kRecursYearly, poom::kRecursYearNth;

INSTANTIATE_TEST_SUITE_P(
    FromOtherPrograms, ReadRule,
    ::testing::Values(
        // Fields a rule does not name come from the start: Friday, the 14th, June.
        ReadCase{"FREQ=DAILY", kRecursDaily, 1, 32, 14, 2, 6},
        ReadCase{"FREQ=DAILY;INTERVAL=3;COUNT=5", kRecursDaily, 3, 32, 14, 2, 6, 5},
        ReadCase{"FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR", kRecursDaily, 1, 62, 14, 2, 6},
        ReadCase{"FREQ=DAILY;BYDAY=MO,WE", kRecursWeekly, 1, 10, 14, 2, 6},
        ReadCase{"FREQ=WEEKLY", kRecursWeekly, 1, 32, 14, 2, 6},
        ReadCase{"FREQ=WEEKLY;BYDAY=MO,WE,FR;COUNT=7", kRecursWeekly, 1, 42, 14, 2, 6, 7},
        ReadCase{"FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,SA;WKST=SU", kRecursWeekly, 2, 65, 14, 2, 6},
        // Monthly on a day; the last day of the month; the store's "30th or the last day".
        ReadCase{"FREQ=MONTHLY", kRecursMonthly, 1, 32, 14, 2, 6},
        ReadCase{"FREQ=MONTHLY;BYMONTHDAY=3", kRecursMonthly, 1, 32, 3, 2, 6},
        ReadCase{"FREQ=MONTHLY;BYMONTHDAY=-1", kRecursMonthly, 1, 32, 31, 2, 6},
        ReadCase{"FREQ=MONTHLY;BYMONTHDAY=28,29,30;BYSETPOS=-1", kRecursMonthly, 1, 32, 30, 2, 6},
        // Monthly on the Nth weekday, with an ordinal or with BYSETPOS.
        ReadCase{"FREQ=MONTHLY;BYDAY=-1FR", kRecursMonthNth, 1, 32, 14, 5, 6},
        ReadCase{"FREQ=MONTHLY;INTERVAL=2;BYDAY=2TU", kRecursMonthNth, 2, 4, 14, 2, 6},
        ReadCase{"FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=1", kRecursMonthNth, 1, 62, 14, 1, 6},
        // Yearly on a date (29 February as the store keeps it) and on the Nth weekday.
        ReadCase{"FREQ=YEARLY", kRecursYearly, 1, 32, 14, 2, 6},
        ReadCase{"FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=25", kRecursYearly, 1, 32, 25, 2, 12},
        ReadCase{"FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=28,29;BYSETPOS=-1", kRecursYearly, 1, 32, 29, 2,
                 2},
        ReadCase{"FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1", kRecursYearly, 1, 32, 29, 2, 2},
        ReadCase{"FREQ=YEARLY;BYMONTH=11;BYDAY=4TH", kRecursYearNth, 1, 16, 14, 4, 11},
        ReadCase{"FREQ=YEARLY;BYMONTH=5;BYDAY=-1MO;COUNT=3", kRecursYearNth, 1, 2, 14, 5, 5, 3}));

struct RefusedCase {
    const char* rule;
    const char* reasonPart;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.rule;
}

class RefusedRule : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedRule, SaysWhy) {
    auto read = PatternFromRule(Rule(GetParam().rule), kStart, std::nullopt, false);
    ASSERT_TRUE(std::holds_alternative<RuleRefusal>(read));
    EXPECT_NE(std::get<RuleRefusal>(read).reason.find(GetParam().reasonPart), std::string::npos)
        << std::get<RuleRefusal>(read).reason;
}

INSTANTIATE_TEST_SUITE_P(
    CannotBeHeld, RefusedRule,
    ::testing::Values(RefusedCase{"FREQ=HOURLY;INTERVAL=4", "more often than daily"},
                      RefusedCase{"FREQ=MINUTELY", "more often than daily"},
                      RefusedCase{"FREQ=DAILY;BYHOUR=9,17", "times of the day"},
                      RefusedCase{"FREQ=DAILY;INTERVAL=2;BYDAY=MO,TU", "every few days"},
                      RefusedCase{"FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,MO;WKST=MO", "weeks start"},
                      // Without WKST weeks start on Monday.
                      RefusedCase{"FREQ=WEEKLY;INTERVAL=2;BYDAY=SU,SA", "weeks start"},
                      RefusedCase{"FREQ=MONTHLY;BYDAY=1MO,3MO", "several weekday ordinals"},
                      RefusedCase{"FREQ=MONTHLY;BYDAY=MO", "every such weekday"},
                      RefusedCase{"FREQ=MONTHLY;BYDAY=MO,TU;BYSETPOS=-2", "BYSETPOS -2"},
                      RefusedCase{"FREQ=MONTHLY;BYMONTHDAY=1,15", "several days"},
                      RefusedCase{"FREQ=MONTHLY;BYMONTHDAY=31", "skips the months"},
                      RefusedCase{"FREQ=MONTHLY;BYMONTHDAY=-2", "from the end"},
                      RefusedCase{"FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=29", "skips the months"},
                      RefusedCase{"FREQ=YEARLY;BYMONTH=1,7", "several months"},
                      RefusedCase{"FREQ=YEARLY;BYDAY=20MO", "whole year"},
                      RefusedCase{"FREQ=YEARLY;BYWEEKNO=20", "BYWEEKNO"},
                      RefusedCase{"FREQ=YEARLY;BYYEARDAY=100", "BYYEARDAY"}));

// Every pattern form the store has, written as an RRULE and read back.
struct TripCase {
    const char* name;
    ExchangePattern pattern;
    const char* rule;  // what other programs see
};

void PrintTo(const TripCase& c, std::ostream* os) {
    *os << c.name;
}

class PatternTrip : public ::testing::TestWithParam<TripCase> {};

ExchangePattern P(int type, long interval, long mask, long day, long instance, long month,
                  long count = 0) {
    ExchangePattern p;
    p.type = type;
    p.interval = interval;
    p.mask = mask;
    p.dayOfMonth = day;
    p.instance = instance;
    p.monthOfYear = month;
    p.occurrences = count;
    p.noEnd = count == 0;
    return p;
}

TEST_P(PatternTrip, ComesBackUnchanged) {
    const TripCase& c = GetParam();
    const RuleOfPattern written = RuleFromPattern(c.pattern);
    EXPECT_EQ(Text(written.rule), c.rule);
    // Through the text, as a file carries it.
    auto read = PatternFromRule(Rule(Text(written.rule)), kStart, std::nullopt, written.marksDaily);
    ASSERT_TRUE(std::holds_alternative<ExchangePattern>(read))
        << std::get<RuleRefusal>(read).reason;
    EXPECT_EQ(std::get<ExchangePattern>(read), c.pattern);
}

INSTANTIATE_TEST_SUITE_P(
    EveryForm, PatternTrip,
    ::testing::Values(TripCase{"daily", P(kRecursDaily, 2, 32, 14, 2, 6),
                               "FREQ=DAILY;INTERVAL=2;WKST=SU"},
                      TripCase{"weekdays", P(kRecursDaily, 1, 62, 14, 2, 6, 10),
                               "FREQ=DAILY;COUNT=10;BYDAY=MO,TU,WE,TH,FR;WKST=SU"},
                      TripCase{"weekdays every other week", P(kRecursDaily, 2, 62, 14, 2, 6),
                               "FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,TU,WE,TH,FR;WKST=SU"},
                      TripCase{"weekly", P(kRecursWeekly, 3, 65, 14, 2, 6),
                               "FREQ=WEEKLY;INTERVAL=3;BYDAY=SA,SU;WKST=SU"},
                      TripCase{"monthly", P(kRecursMonthly, 1, 32, 14, 2, 6),
                               "FREQ=MONTHLY;BYMONTHDAY=14;WKST=SU"},
                      TripCase{"monthly on the 31st", P(kRecursMonthly, 1, 32, 31, 2, 6),
                               "FREQ=MONTHLY;BYMONTHDAY=28,29,30,31;BYSETPOS=-1;WKST=SU"},
                      TripCase{"monthly on the last Friday", P(kRecursMonthNth, 1, 32, 14, 5, 6),
                               "FREQ=MONTHLY;BYDAY=-1FR;WKST=SU"},
                      TripCase{"monthly on the first weekday", P(kRecursMonthNth, 2, 62, 14, 1, 6),
                               "FREQ=MONTHLY;INTERVAL=2;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=1;WKST=SU"},
                      TripCase{"yearly", P(kRecursYearly, 1, 32, 14, 2, 6, 4),
                               "FREQ=YEARLY;COUNT=4;BYMONTHDAY=14;BYMONTH=6;WKST=SU"},
                      TripCase{"yearly on 29 February", P(kRecursYearly, 1, 32, 29, 2, 2),
                               "FREQ=YEARLY;BYMONTHDAY=28,29;BYMONTH=2;BYSETPOS=-1;WKST=SU"},
                      TripCase{"yearly on 31 April", P(kRecursYearly, 1, 32, 31, 2, 4),
                               "FREQ=YEARLY;BYMONTHDAY=30,31;BYMONTH=4;BYSETPOS=-1;WKST=SU"},
                      TripCase{"yearly on the Nth weekday", P(kRecursYearNth, 1, 16, 14, 4, 11),
                               "FREQ=YEARLY;BYDAY=4TH;BYMONTH=11;WKST=SU"}));

}  // namespace
}  // namespace moru::device
