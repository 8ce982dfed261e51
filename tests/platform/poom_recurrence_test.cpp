// Recurrence expansion: named edge cases with their expected days, then many generated
// patterns and windows compared with a plain day-by-day reference, then the store's own
// expansion of saved series (times of day, lengths, merging with one-off items).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/poom/recurrence.h"
#include "platform/text.h"
#include "tests/support/temp_root.h"

namespace moru::poom::detail {
namespace {

int64_t Day(int y, int m, int d) {
    return DayNumber(y, m, d);
}

std::string Text(int64_t day) {
    int y = 0, m = 0, d = 0;
    CivilFromDayNumber(day, y, m, d);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", y, m, d);
    return buffer;
}

std::vector<std::string> Texts(const std::vector<int64_t>& days) {
    std::vector<std::string> out;
    out.reserve(days.size());
    for (int64_t day : days) {
        out.push_back(Text(day));
    }
    return out;
}

// ---- The reference: decides each day on its own, straight from the pattern's words ----

int64_t MonthsBetween(int64_t from, int64_t to) {
    int y0 = 0, m0 = 0, d0 = 0, y1 = 0, m1 = 0, d1 = 0;
    CivilFromDayNumber(from, y0, m0, d0);
    CivilFromDayNumber(to, y1, m1, d1);
    return (int64_t{y1} - y0) * 12 + (m1 - m0);
}

bool IsNthWeekday(int64_t day, long mask, long instance) {
    if ((mask & (1L << WeekdayOfDay(day))) == 0) {
        return false;
    }
    int y = 0, m = 0, d = 0;
    CivilFromDayNumber(day, y, m, d);
    long before = 0, after = 0;
    for (int other = 1; other <= MonthLength(y, m); ++other) {
        if (other != d && (mask & (1L << WeekdayOfDay(DayNumber(y, m, other)))) != 0) {
            (other < d ? before : after) += 1;
        }
    }
    return instance == 5 ? after == 0 : before == instance - 1;
}

bool OnPatternDay(const RecurrenceRule& r, int64_t day) {
    if (day < r.firstDay) {
        return false;
    }
    int y = 0, m = 0, d = 0;
    CivilFromDayNumber(day, y, m, d);
    const bool weekdays =
        r.type == kRecursWeekly || (r.type == kRecursDaily && r.dayOfWeekMask == 62);
    if (weekdays) {
        const int64_t weeks =
            ((day - WeekdayOfDay(day)) - (r.firstDay - WeekdayOfDay(r.firstDay))) / 7;
        return (r.dayOfWeekMask & (1L << WeekdayOfDay(day))) != 0 && weeks % r.interval == 0;
    }
    switch (r.type) {
        case kRecursDaily:
            return (day - r.firstDay) % r.interval == 0;
        case kRecursMonthly:
            return MonthsBetween(r.firstDay, day) % r.interval == 0 &&
                   d == std::min<long>(r.dayOfMonth, MonthLength(y, m));
        case kRecursMonthNth:
            return MonthsBetween(r.firstDay, day) % r.interval == 0 &&
                   IsNthWeekday(day, r.dayOfWeekMask, r.instance);
        case kRecursYearly:
        case kRecursYearNth: {
            int fy = 0, fm = 0, fd = 0;
            CivilFromDayNumber(r.firstDay, fy, fm, fd);
            if (m != r.monthOfYear || (y - fy) % r.interval != 0) {
                return false;
            }
            return r.type == kRecursYearly ? d == std::min<long>(r.dayOfMonth, MonthLength(y, m))
                                           : IsNthWeekday(day, r.dayOfWeekMask, r.instance);
        }
    }
    return false;
}

std::vector<int64_t> Reference(const RecurrenceRule& r, int64_t from, int64_t to) {
    std::vector<int64_t> days;
    for (int64_t day = from; day <= to; ++day) {
        if ((!r.lastDay || day <= *r.lastDay) && OnPatternDay(r, day)) {
            days.push_back(day);
        }
    }
    return days;
}

// ---- Named edge cases ----

struct EdgeCase {
    const char* name;
    RecurrenceRule rule;
    int64_t from, to;
    std::vector<std::string> expected;
};

RecurrenceRule Rule(int type, int64_t first, long interval = 1, long mask = 0, long day = 1,
                    long instance = 1, long month = 1, std::optional<int64_t> last = {}) {
    return RecurrenceRule{type, first, interval, mask, day, instance, month, last};
}

class RecurrenceEdgeTest : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(RecurrenceEdgeTest, ExpandsToTheExpectedDays) {
    const EdgeCase& c = GetParam();
    ASSERT_EQ(ValidateRule(c.rule), std::nullopt);
    EXPECT_EQ(Texts(ExpandDays(c.rule, c.from, c.to, 100).days), c.expected);
    EXPECT_EQ(Texts(Reference(c.rule, c.from, c.to)), c.expected) << "reference disagrees";
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, RecurrenceEdgeTest,
    ::testing::Values(
        // Daily every third day, window far from the start.
        EdgeCase{"daily_interval_3",
                 Rule(kRecursDaily, Day(2015, 1, 1), 3),
                 Day(2025, 1, 1),
                 Day(2025, 1, 8),
                 {"2025-01-02", "2025-01-05", "2025-01-08"}},
        // Daily with the Monday-to-Friday mask: every weekday.
        EdgeCase{"daily_every_weekday",
                 Rule(kRecursDaily, Day(2025, 1, 1), 1, 62),
                 Day(2025, 1, 3),
                 Day(2025, 1, 7),
                 {"2025-01-03", "2025-01-06", "2025-01-07"}},
        // Weekly on Saturday and Monday every second week, across the new year (weeks start on
        // Sunday: Sat 27 Dec is in the skipped week, Mon 29 Dec and Sat 3 Jan in the next).
        EdgeCase{"weekly_year_boundary",
                 Rule(kRecursWeekly, Day(2025, 12, 20), 2, 64 | 2),
                 Day(2025, 12, 20),
                 Day(2026, 1, 12),
                 {"2025-12-20", "2025-12-29", "2026-01-03", "2026-01-12"}},
        // Monthly on the 31st falls on each month's last day.
        EdgeCase{"monthly_31st",
                 Rule(kRecursMonthly, Day(2024, 1, 31), 1, 0, 31),
                 Day(2024, 1, 1),
                 Day(2024, 5, 31),
                 {"2024-01-31", "2024-02-29", "2024-03-31", "2024-04-30", "2024-05-31"}},
        EdgeCase{"monthly_29th_common_year",
                 Rule(kRecursMonthly, Day(2025, 1, 29), 1, 0, 29),
                 Day(2025, 1, 1),
                 Day(2025, 3, 31),
                 {"2025-01-29", "2025-02-28", "2025-03-29"}},
        EdgeCase{"monthly_30th_every_3",
                 Rule(kRecursMonthly, Day(2024, 11, 30), 3, 0, 30),
                 Day(2024, 11, 1),
                 Day(2025, 6, 1),
                 {"2024-11-30", "2025-02-28", "2025-05-30"}},
        // The last Friday; the fourth Friday differs in a month with five.
        EdgeCase{"last_friday",
                 Rule(kRecursMonthNth, Day(2025, 1, 1), 1, 32, 1, 5),
                 Day(2025, 1, 1),
                 Day(2025, 3, 31),
                 {"2025-01-31", "2025-02-28", "2025-03-28"}},
        EdgeCase{"fourth_friday",
                 Rule(kRecursMonthNth, Day(2025, 1, 1), 1, 32, 1, 4),
                 Day(2025, 1, 1),
                 Day(2025, 1, 31),
                 {"2025-01-24"}},
        // The first weekday (mask 62) of every second month.
        EdgeCase{"first_weekday_every_2_months",
                 Rule(kRecursMonthNth, Day(2025, 2, 1), 2, 62),
                 Day(2025, 2, 1),
                 Day(2025, 6, 30),
                 {"2025-02-03", "2025-04-01", "2025-06-02"}},
        // 29 February yearly falls on 28 February in common years.
        EdgeCase{"yearly_29_february",
                 Rule(kRecursYearly, Day(2024, 2, 29), 1, 0, 29, 1, 2),
                 Day(2024, 1, 1),
                 Day(2028, 12, 31),
                 {"2024-02-29", "2025-02-28", "2026-02-28", "2027-02-28", "2028-02-29"}},
        // A yearly date already past in the start year first comes the next year.
        EdgeCase{"yearly_every_2_after_start",
                 Rule(kRecursYearly, Day(2024, 6, 1), 2, 0, 10, 1, 3),
                 Day(2024, 1, 1),
                 Day(2029, 1, 1),
                 {"2026-03-10", "2028-03-10"}},
        // The last Monday of May.
        EdgeCase{"last_monday_of_may",
                 Rule(kRecursYearNth, Day(2024, 1, 1), 1, 2, 1, 5, 5),
                 Day(2024, 1, 1),
                 Day(2026, 12, 31),
                 {"2024-05-27", "2025-05-26", "2026-05-25"}},
        // Until: inclusive end date.
        EdgeCase{"until_inclusive",
                 Rule(kRecursDaily, Day(2025, 1, 1), 1, 0, 1, 1, 1, Day(2025, 1, 3)),
                 Day(2024, 12, 1),
                 Day(2025, 2, 1),
                 {"2025-01-01", "2025-01-02", "2025-01-03"}}),
    [](const ::testing::TestParamInfo<EdgeCase>& param) { return std::string(param.param.name); });

TEST(RecurrenceCount, NthOccurrenceGivesTheLastDayOfACountedPattern) {
    // Weekly on Monday and Wednesday from a Wednesday: the first week holds one occurrence.
    const RecurrenceRule rule = Rule(kRecursWeekly, Day(2025, 1, 1), 1, 2 | 8);
    EXPECT_EQ(Text(*NthOccurrenceDay(rule, 1)), "2025-01-01");
    EXPECT_EQ(Text(*NthOccurrenceDay(rule, 2)), "2025-01-06");
    EXPECT_EQ(Text(*NthOccurrenceDay(rule, 4)), "2025-01-13");
    EXPECT_EQ(NthOccurrenceDay(rule, 0), std::nullopt);
    // A count that runs past the year 9999 has no n-th day.
    EXPECT_EQ(NthOccurrenceDay(Rule(kRecursYearly, Day(9990, 1, 1), 1, 0, 1, 1, 1), 20),
              std::nullopt);
}

TEST(RecurrenceLimit, UnboundedWindowStopsAtTheLimitAndSaysSo) {
    const RecurrenceRule rule = Rule(kRecursDaily, Day(2000, 1, 1));
    const Expansion capped = ExpandDays(rule, FirstRepresentableDay(), LastRepresentableDay(), 50);
    EXPECT_EQ(capped.days.size(), 50u);
    EXPECT_TRUE(capped.truncated);
    const Expansion exact = ExpandDays(rule, Day(2000, 1, 1), Day(2000, 2, 19), 50);
    EXPECT_EQ(exact.days.size(), 50u);
    EXPECT_FALSE(exact.truncated);
}

// ---- Generated patterns against the reference ----

RecurrenceRule RandomRule(std::mt19937& random) {
    static constexpr int kTypes[] = {kRecursDaily,    kRecursWeekly, kRecursMonthly,
                                     kRecursMonthNth, kRecursYearly, kRecursYearNth};
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    RecurrenceRule r;
    r.type = kTypes[pick(0, 5)];
    r.firstDay = Day(2020, 1, 1) + pick(0, 3000);
    r.interval = pick(1, 3) == 1 ? pick(1, 5) : 1;
    r.dayOfWeekMask = pick(0, 4) == 0 ? 62 : pick(1, 127);
    r.dayOfMonth = pick(0, 2) == 0 ? pick(28, 31) : pick(1, 31);
    r.instance = pick(1, 5);
    r.monthOfYear = pick(1, 12);
    if (pick(0, 2) == 0) {
        r.lastDay = r.firstDay + pick(0, 2000);
    }
    return r;
}

TEST(RecurrenceGenerated, ExpansionMatchesTheDayByDayReference) {
    std::mt19937 random(20250101);
    int compared = 0;
    for (int i = 0; i < 1500; ++i) {
        RecurrenceRule rule = RandomRule(random);
        if (ValidateRule(rule).has_value()) {
            continue;  // an end before the first occurrence
        }
        const int64_t from =
            rule.firstDay - 400 + std::uniform_int_distribution<int>(0, 3000)(random);
        const int64_t to = from + std::uniform_int_distribution<int>(0, 120)(random);
        const std::vector<int64_t> expected = Reference(rule, from, to);
        ASSERT_EQ(ExpandDays(rule, from, to, 10000).days, expected)
            << "type " << rule.type << " first " << Text(rule.firstDay) << " interval "
            << rule.interval << " mask " << rule.dayOfWeekMask << " day " << rule.dayOfMonth
            << " instance " << rule.instance << " month " << rule.monthOfYear << " window "
            << Text(from) << ".." << Text(to);
        ++compared;
    }
    EXPECT_GT(compared, 1200);
}

TEST(RecurrenceGenerated, NthOccurrenceMatchesCountingFromTheStart) {
    std::mt19937 random(99);
    for (int i = 0; i < 300; ++i) {
        RecurrenceRule rule = RandomRule(random);
        rule.lastDay.reset();
        const std::vector<int64_t> walked = Reference(rule, rule.firstDay, rule.firstDay + 1500);
        for (size_t n = 1; n <= walked.size(); n += 1 + n / 3) {
            ASSERT_EQ(NthOccurrenceDay(rule, static_cast<long>(n)), walked[n - 1])
                << "type " << rule.type << " n " << n;
        }
    }
}

// ---- The store's expansion of saved series ----

class StoreRecurrenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = *Application::Create();
        ASSERT_TRUE(app->Logon().ok());
        folder = *app->GetDefaultFolder(kCalendarFolder);
    }

    struct Seen {
        uint32_t oid;
        std::string start, end;
        bool operator==(const Seen&) const = default;
    };

    static std::string Stamp(double date) {
        return FormatDateTimeText(*VariantTimeToSystemTime(date));
    }

    std::vector<Seen> Query(const std::u16string& restriction, bool summaries = false) {
        ItemCollection items = *folder->Items()->Restrict(restriction);
        items.SetIncludeRecurrences(true);
        if (summaries) {
            items.ReadSummariesOnly();
        }
        std::vector<Seen> seen;
        for (long i = 1; auto item = items.Item(i); ++i) {
            seen.push_back({item->Oid(), Stamp(item->Start()), Stamp(item->End())});
        }
        return seen;
    }

    test::TempDeviceRoot root;
    std::shared_ptr<Application> app;
    std::optional<Folder> folder;
};

TEST_F(StoreRecurrenceTest, OccurrencesSpanMidnightAndMergeWithOneOffsInStoreOrder) {
    // Daily at 23:00 for three hours, started ten years before the window.
    Appointment night = *app->CreateItem(kAppointmentItem);
    night.SetSubject(u"night shift");
    night.SetStart(*MakeDate(2015, 6, 1, 23, 0));
    night.SetEnd(*MakeDate(2015, 6, 2, 2, 0));
    night.SetReminderSet(true);
    night.SetReminderSoundFile(u"bell.wav");
    night.GetRecurrencePattern().SetRecurrenceType(kRecursDaily);
    ASSERT_TRUE(night.Save().ok());

    Appointment lunch = *app->CreateItem(kAppointmentItem);
    lunch.SetStart(*MakeDate(2025, 3, 11, 12, 0));
    lunch.SetEnd(*MakeDate(2025, 3, 11, 13, 0));
    ASSERT_TRUE(lunch.Save().ok());

    const std::vector<Seen> seen = Query(u"[Start] <= 3/11/2025 and [End] >= 3/11/2025");
    const uint32_t n = night.Oid();
    EXPECT_EQ(seen, (std::vector<Seen>{
                        {n, "2025-03-10 23:00:00", "2025-03-11 02:00:00"},
                        {lunch.Oid(), "2025-03-11 12:00:00", "2025-03-11 13:00:00"},
                        {n, "2025-03-11 23:00:00", "2025-03-12 02:00:00"},
                    }));

    // An occurrence carries the series' properties; the series keeps its own times.
    ItemCollection items = *folder->Items()->Restrict(u"[Start] = 3/11/2025");
    items.SetIncludeRecurrences(true);
    Appointment occurrence = *items.Item(2);
    EXPECT_EQ(occurrence.Subject(), u"night shift");
    EXPECT_EQ(occurrence.ReminderSoundFile(), u"bell.wav");
    EXPECT_TRUE(occurrence.IsRecurring());
    EXPECT_EQ(occurrence.Duration(), 180);
    EXPECT_FALSE(occurrence.Save().ok());
    EXPECT_EQ(Stamp(app->GetItemFromOid(n)->Start()), "2015-06-01 23:00:00");

    // Without IncludeRecurrences the series is one item with its own times.
    ItemCollection plain = *folder->Items()->Restrict(u"[Start] <= 3/11/2025");
    EXPECT_EQ(*plain.Count(), 2);
}

TEST_F(StoreRecurrenceTest, PatternTimesGovernOccurrencesAndCountsEndTheSeries) {
    Appointment a = *app->CreateItem(kAppointmentItem);
    a.SetStart(*MakeDate(2025, 1, 31, 8, 0));
    a.SetEnd(*MakeDate(2025, 1, 31, 9, 0));
    RecurrencePattern p = a.GetRecurrencePattern();
    p.SetRecurrenceType(kRecursMonthly);
    p.SetDayOfMonth(31);
    p.SetStartTime(*MakeDate(2025, 1, 31, 18, 30));
    p.SetDuration(15);
    p.SetNoEndDate(false);
    p.SetOccurrences(3);
    ASSERT_TRUE(a.Save().ok());
    const uint32_t o = a.Oid();
    EXPECT_EQ(Query(u"[Start] >= 1/1/2025 and [Start] <= 12/31/2025"),
              (std::vector<Seen>{{o, "2025-01-31 18:30:00", "2025-01-31 18:45:00"},
                                 {o, "2025-02-28 18:30:00", "2025-02-28 18:45:00"},
                                 {o, "2025-03-31 18:30:00", "2025-03-31 18:45:00"}}));
}

TEST_F(StoreRecurrenceTest, EndlessSeriesInAnUnboundedWindowIsCapped) {
    Appointment a = *app->CreateItem(kAppointmentItem);
    a.SetStart(*MakeDate(2000, 1, 1, 8, 0));
    a.SetEnd(*MakeDate(2000, 1, 1, 9, 0));
    a.GetRecurrencePattern().SetRecurrenceType(kRecursDaily);
    ASSERT_TRUE(a.Save().ok());
    ItemCollection all = *folder->Items()->Restrict(u"[End] >= 1/1/2000");
    all.SetIncludeRecurrences(true);
    EXPECT_EQ(*all.Count(), kMaxOccurrencesPerSeries);
    EXPECT_TRUE(all.Truncated());
    ItemCollection month =
        *folder->Items()->Restrict(u"[Start] >= 1/1/2020 and [Start] < 2/1/2020");
    month.SetIncludeRecurrences(true);
    EXPECT_EQ(*month.Count(), 31);
    EXPECT_FALSE(month.Truncated());
}

// Fifteen years of a daily series is more than the cap, but the window bounds the work: every
// occurrence comes back, the last one included, and nothing is reported as cut.
TEST_F(StoreRecurrenceTest, BoundedWindowIsNeverCapped) {
    Appointment a = *app->CreateItem(kAppointmentItem);
    a.SetStart(*MakeDate(2010, 1, 1, 8, 0));
    a.SetEnd(*MakeDate(2010, 1, 1, 9, 0));
    a.GetRecurrencePattern().SetRecurrenceType(kRecursDaily);
    ASSERT_TRUE(a.Save().ok());
    for (const char16_t* window : {u"[Start] >= 1/1/2010 and [Start] <= 12/31/2024",
                                   u"[End] >= 1/1/2010 and [Start] <= 12/31/2024"}) {
        SCOPED_TRACE(ToUtf8(window));
        ItemCollection items = *folder->Items()->Restrict(window);
        items.SetIncludeRecurrences(true);
        const long days = DayNumber(2024, 12, 31) - DayNumber(2010, 1, 1) + 1;
        ASSERT_GT(days, kMaxOccurrencesPerSeries);
        EXPECT_EQ(*items.Count(), days);
        EXPECT_FALSE(items.Truncated());
        EXPECT_EQ(Stamp(items.Item(days)->Start()), "2024-12-31 08:00:00");
    }
}

// Damage done to a series outside the store: the store would have refused each of these on
// save. The series is then listed as itself, with its own times, rather than as occurrences
// that end before they start or whose times overflow; in its place among the one-off items,
// also when the walk reads the items' summaries with the walk itself.
TEST_F(StoreRecurrenceTest, SeriesDamagedOutsideTheStoreIsListedOnce) {
    Appointment before = *app->CreateItem(kAppointmentItem);
    before.SetStart(*MakeDate(2025, 3, 3, 7, 0));
    before.SetEnd(*MakeDate(2025, 3, 3, 7, 30));
    ASSERT_TRUE(before.Save().ok());
    Appointment after = *app->CreateItem(kAppointmentItem);
    after.SetStart(*MakeDate(2025, 3, 3, 8, 30));
    after.SetEnd(*MakeDate(2025, 3, 3, 10, 0));
    ASSERT_TRUE(after.Save().ok());
    for (const char* damage : {
             "pat_interval = 0",
             "pat_duration = -120",
             "pat_duration = 9223372036854775807",
             "pat_start_time = -9223372036854775808",
         }) {
        SCOPED_TRACE(damage);
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetStart(*MakeDate(2025, 3, 3, 8, 0));
        a.SetEnd(*MakeDate(2025, 3, 3, 9, 0));
        a.GetRecurrencePattern().SetRecurrenceType(kRecursDaily);
        ASSERT_TRUE(a.Save().ok());
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(DefaultStoreFile().c_str(), &db), SQLITE_OK);
        const std::string sql = "UPDATE appointments SET " + std::string(damage) +
                                " WHERE oid = " + std::to_string(a.Oid());
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        const std::vector<Seen> expected{
            {before.Oid(), "2025-03-03 07:00:00", "2025-03-03 07:30:00"},
            {a.Oid(), "2025-03-03 08:00:00", "2025-03-03 09:00:00"},
            {after.Oid(), "2025-03-03 08:30:00", "2025-03-03 10:00:00"},
        };
        EXPECT_EQ(Query(u"[Start] >= 3/1/2025 and [Start] <= 3/31/2025"), expected);
        EXPECT_EQ(Query(u"[Start] >= 3/1/2025 and [Start] <= 3/31/2025", true), expected);
        ASSERT_TRUE(a.Delete().ok());
    }
}

}  // namespace
}  // namespace moru::poom::detail
