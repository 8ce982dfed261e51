#include "store/store_connection.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <ostream>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/device_root.h"
#include "platform/scripted_ui_host.h"
#include "platform/text.h"
#include "store/category_store.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

namespace fs = std::filesystem;

double Date(int year, int month, int day, int hour = 0, int minute = 0) {
    return *MakeDate(year, month, day, hour, minute);
}

// The shape of a stored pattern, for the cases below.
struct PatternSpec {
    int type = poom::kRecursWeekly;
    long mask = 0;
    long interval = 1;
    long dayOfMonth = 1;
    long instance = 1;
    long monthOfYear = 1;
    enum class End { Never, OnDate, AfterCount } end = End::Never;
};

class StoreTest : public testing::Test {
protected:
    void SetUp() override {
        Calendar().AlarmOids.clear();
        Calendar().HolidayOids.clear();
        Calendar().AnniversaryOids.clear();
        ASSERT_TRUE(OpenStoreConnection());
    }
    void TearDown() override {
        CloseStoreConnection();
        poom::ClearFaults();
    }

    poom::Appointment NewAppointment(double start, double end, std::u16string subject = u"Item") {
        auto item = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
        EXPECT_TRUE(item.ok());
        item->SetSubject(std::move(subject));
        item->SetStart(start);
        item->SetEnd(end);
        return *item;
    }

    uint32_t Save(poom::Appointment& appointment) {
        const Status saved = appointment.Save();
        EXPECT_TRUE(saved.ok()) << (saved.ok() ? "" : saved.error().message);
        return appointment.Oid();
    }

    // A one-hour appointment recurring from the given start.
    uint32_t AddRecurring(double start, const PatternSpec& spec) {
        poom::Appointment appointment = NewAppointment(start, start + 1.0 / 24);
        poom::RecurrencePattern pattern = appointment.GetRecurrencePattern();
        pattern.SetRecurrenceType(spec.type);
        pattern.SetDayOfWeekMask(spec.mask);
        pattern.SetInterval(spec.interval);
        pattern.SetDayOfMonth(spec.dayOfMonth);
        pattern.SetInstance(spec.instance);
        pattern.SetMonthOfYear(spec.monthOfYear);
        switch (spec.end) {
            case PatternSpec::End::Never:
                pattern.SetNoEndDate(true);
                break;
            case PatternSpec::End::OnDate:
                pattern.SetNoEndDate(false);
                pattern.SetPatternEndDate(start + 400);
                break;
            case PatternSpec::End::AfterCount:
                pattern.SetNoEndDate(false);
                pattern.SetOccurrences(10);
                break;
        }
        return Save(appointment);
    }

    test::TempDeviceRoot root;
    ScriptedUiHost host;
};

// 15 March 2023 is a Wednesday in the third week of its month.
TEST_F(StoreTest, OneOffAppointmentLoadsItsFieldsAndDefaultPattern) {
    poom::Appointment appointment =
        NewAppointment(Date(2023, 3, 15, 9, 30), Date(2023, 3, 15, 10, 45), u"Dentist");
    appointment.SetLocation(u"Town");
    appointment.SetCategories(u"Health");
    appointment.SetSensitivity(2);
    appointment.SetReminderSet(true);
    appointment.SetReminderMinutesBeforeStart(15);
    appointment.SetReminderSoundFile(u"\\Windows\\Alarm1.wav");
    const uint32_t oid = Save(appointment);

    AppointmentRecord record;
    record.spareWord = 5;
    record.soundOn = 1;
    ASSERT_EQ(LoadAppointment(oid, record), oid);
    EXPECT_EQ(record.oid, oid);
    EXPECT_EQ(record.spareWord, 0);
    EXPECT_EQ(record.soundOn, 1) << "only the editor sets it";
    EXPECT_EQ(ToUtf8(record.subject), "Dentist");
    EXPECT_EQ(ToUtf8(record.location), "Town");
    EXPECT_EQ(ToUtf8(record.categories), "Health");
    EXPECT_EQ(FormatDateTimeText(record.start), "2023-03-15 09:30:00");
    EXPECT_EQ(record.start.dayOfWeek, 3);
    EXPECT_EQ(FormatDateTimeText(record.end), "2023-03-15 10:45:00");
    EXPECT_EQ(record.reminderSet, 1);
    EXPECT_EQ(record.reminderMinutes, 15);
    EXPECT_EQ(ToUtf8(record.soundFile), "\\Windows\\Alarm1.wav");
    EXPECT_EQ(record.isPrivate, 1);
    EXPECT_EQ(record.allDay, 0);
    EXPECT_EQ(record.recurring, 0);

    EXPECT_EQ(record.repeatChoice, RepeatOnce);
    EXPECT_EQ(record.recurrenceType, -1);
    EXPECT_EQ(record.dayOfWeekMask, 8);
    EXPECT_EQ(record.interval, 1);
    EXPECT_EQ(record.dayOfMonth, 15);
    EXPECT_EQ(record.instance, 2);
    EXPECT_EQ(record.monthOfYear, 3);
}

TEST_F(StoreTest, ReminderlessAppointmentLoadsNoSound) {
    poom::Appointment appointment = NewAppointment(Date(2024, 1, 1), Date(2024, 1, 2), u"New year");
    appointment.SetAllDayEvent(true);
    appointment.SetReminderSet(false);
    appointment.SetReminderMinutesBeforeStart(30);
    appointment.SetReminderSoundFile(u"\\Windows\\Alarm2.wav");
    const uint32_t oid = Save(appointment);

    AppointmentRecord record;
    record.soundFile = u"stale";
    record.reminderMinutes = 99;
    record.reminderSet = 1;
    record.isPrivate = 1;
    ASSERT_EQ(LoadAppointment(oid, record), oid);
    EXPECT_EQ(record.reminderSet, 0);
    EXPECT_TRUE(record.soundFile.empty());
    EXPECT_EQ(record.reminderMinutes, 0);
    EXPECT_EQ(record.allDay, 1);
    EXPECT_EQ(record.isPrivate, 0);
}

TEST_F(StoreTest, DeletedIdentifierLeavesRecordUntouched) {
    poom::Appointment appointment = NewAppointment(Date(2024, 5, 1, 8), Date(2024, 5, 1, 9));
    const uint32_t oid = Save(appointment);
    AppointmentRecord record;
    ASSERT_EQ(LoadAppointment(oid, record), oid);
    const AppointmentRecord before = record;

    DeleteAppointment(oid);
    EXPECT_EQ(LoadAppointment(oid, record), 0u);
    EXPECT_EQ(record, before);
    DeleteAppointment(oid);  // already gone: nothing happens
    DeleteAppointment(0);
}

// Which simple choice a stored pattern loads as, and the mask the record then carries.
// Every start is Tuesday 12 March 2024 (weekday bit 4; the 2nd Tuesday of March).
struct ChoiceCase {
    const char* name;
    PatternSpec pattern;
    int32_t choice;
    int32_t mask;
};

// Test names already say which case failed; the whole row is noise in the log.
void PrintTo(const ChoiceCase& c, std::ostream* os) {
    *os << c.name;
}

class RepeatChoiceTest : public StoreTest, public testing::WithParamInterface<ChoiceCase> {};

TEST_P(RepeatChoiceTest, Derivation) {
    const ChoiceCase& c = GetParam();
    const uint32_t oid = AddRecurring(Date(2024, 3, 12, 10), c.pattern);
    ASSERT_NE(oid, 0u);
    AppointmentRecord record;
    ASSERT_EQ(LoadAppointment(oid, record), oid);
    EXPECT_EQ(record.recurring, 1);
    EXPECT_EQ(record.recurrenceType, c.pattern.type);
    EXPECT_EQ(record.repeatChoice, c.choice);
    EXPECT_EQ(record.dayOfWeekMask, c.mask);
    EXPECT_EQ(record.interval, c.pattern.interval);
}

using End = PatternSpec::End;
constexpr int kDaily = poom::kRecursDaily;
constexpr int kWeekly = poom::kRecursWeekly;
constexpr int kMonthly = poom::kRecursMonthly;
constexpr int kMonthNth = poom::kRecursMonthNth;
constexpr int kYearly = poom::kRecursYearly;
constexpr int kYearNth = poom::kRecursYearNth;

INSTANTIATE_TEST_SUITE_P(
    Patterns, RepeatChoiceTest,
    testing::Values(
        // Daily: the mask of a plain daily pattern means nothing and becomes the start's day.
        ChoiceCase{"daily", {kDaily, 0, 1}, RepeatDaily, 4},
        ChoiceCase{"daily_weekdays", {kDaily, 62, 1}, RepeatWeekdays, 62},
        ChoiceCase{"daily_every_two_days", {kDaily, 0, 2}, RepeatOther, 0},
        ChoiceCase{"daily_with_end_date", {kDaily, 0, 1, 1, 1, 1, End::OnDate}, RepeatOther, 0},
        // Weekly: only the start's own weekday, or Monday to Friday.
        ChoiceCase{"weekly_start_day", {kWeekly, 4, 1}, RepeatWeekly, 4},
        ChoiceCase{"weekly_weekdays", {kWeekly, 62, 1}, RepeatWeekdays, 62},
        ChoiceCase{"weekly_other_day", {kWeekly, 2, 1}, RepeatOther, 2},
        ChoiceCase{"weekly_two_days", {kWeekly, 6, 1}, RepeatOther, 6},
        ChoiceCase{"weekly_until_date", {kWeekly, 4, 1, 1, 1, 1, End::OnDate}, RepeatOther, 4},
        ChoiceCase{"weekly_ten_times", {kWeekly, 4, 1, 1, 1, 1, End::AfterCount}, RepeatOther, 4},
        ChoiceCase{"weekly_every_two_weeks", {kWeekly, 4, 2}, RepeatOther, 4},
        ChoiceCase{"weekdays_every_two_weeks", {kWeekly, 62, 2}, RepeatOther, 62},
        // Monthly on a day.
        ChoiceCase{"monthly_day", {kMonthly, 0, 1, 12}, RepeatMonthlyOnDay, 4},
        ChoiceCase{"monthly_every_three", {kMonthly, 0, 3, 12}, RepeatOther, 0},
        // Monthly on the Nth weekday: needs the start's weekday and an instance short of last.
        ChoiceCase{"month_nth", {kMonthNth, 4, 1, 1, 2}, RepeatMonthlyNth, 4},
        ChoiceCase{"month_nth_last", {kMonthNth, 4, 1, 1, 5}, RepeatOther, 4},
        ChoiceCase{"month_nth_other_day", {kMonthNth, 8, 1, 1, 2}, RepeatOther, 8},
        // Yearly.
        ChoiceCase{"yearly", {kYearly, 0, 1, 12, 1, 3}, RepeatYearlyOnDate, 4},
        ChoiceCase{"year_nth", {kYearNth, 4, 1, 1, 2, 3}, RepeatYearlyNth, 4},
        ChoiceCase{"year_nth_last", {kYearNth, 4, 1, 1, 5, 3}, RepeatOther, 4}),
    [](const testing::TestParamInfo<ChoiceCase>& param) { return std::string(param.param.name); });

struct KindCase {
    const char* name;
    bool alarm, holiday, anniversary;
    ItemKind kind;
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << c.name;
}

class KindOfTest : public testing::TestWithParam<KindCase> {};

TEST_P(KindOfTest, FirstListWins) {
    const KindCase& c = GetParam();
    constexpr uint32_t kOid = 42;
    Calendar().AlarmOids = c.alarm ? OidList{7, kOid} : OidList{7};
    Calendar().HolidayOids = c.holiday ? OidList{kOid} : OidList{};
    Calendar().AnniversaryOids = c.anniversary ? OidList{kOid, 9} : OidList{9};
    EXPECT_EQ(KindOf(kOid), c.kind);
    EXPECT_EQ(IsAlarm(kOid), c.alarm);
    EXPECT_EQ(IsHoliday(kOid), c.holiday);
    EXPECT_EQ(IsAnniversary(kOid), c.anniversary);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, KindOfTest,
    testing::Values(KindCase{"in_no_list", false, false, false, Appointment},
                    KindCase{"alarm", true, false, false, Alarm},
                    KindCase{"holiday", false, true, false, Holiday},
                    KindCase{"anniversary", false, false, true, Anniversary},
                    KindCase{"alarm_and_holiday", true, true, false, Alarm},
                    KindCase{"holiday_and_anniversary", false, true, true, Holiday},
                    KindCase{"all_three", true, true, true, Alarm}),
    [](const testing::TestParamInfo<KindCase>& param) { return std::string(param.param.name); });

// The category lists drop an identifier whose appointment has gone, walking on at the same
// index; the file loses it at the next save.
TEST_F(StoreTest, PruningRemovesGoneIdentifiersFromListAndFile) {
    std::vector<uint32_t> oids;
    for (int day = 1; day <= 4; ++day) {
        poom::Appointment appointment =
            NewAppointment(Date(2024, 6, day, 7), Date(2024, 6, day, 8), u"Alarm");
        oids.push_back(Save(appointment));
    }
    ASSERT_TRUE(LoadCategoryStore());
    Calendar().AlarmOids = oids;
    DeleteAppointment(oids[1]);
    DeleteAppointment(oids[2]);

    for (size_t i = 0; i < Calendar().AlarmOids.size();) {
        AppointmentRecord record;
        if (LoadAppointment(Calendar().AlarmOids[i], record) == 0) {
            RemoveAt(Calendar().AlarmOids, i);
        } else {
            ++i;
        }
    }
    EXPECT_EQ(Calendar().AlarmOids, (OidList{oids[0], oids[3]}));
    ASSERT_TRUE(SaveCategoryStore());
    Calendar().AlarmOids.clear();
    ASSERT_TRUE(LoadCategoryStore());
    EXPECT_EQ(Calendar().AlarmOids, (OidList{oids[0], oids[3]}));
}

TEST_F(StoreTest, QueryVisitsEachOccurrenceInTheWindow) {
    const uint32_t series = AddRecurring(Date(2024, 3, 12, 10), {kDaily, 0, 1});
    poom::Appointment single = NewAppointment(Date(2024, 3, 13, 8), Date(2024, 3, 13, 9));
    const uint32_t one = Save(single);
    poom::Appointment outside = NewAppointment(Date(2024, 4, 1, 8), Date(2024, 4, 1, 9));
    Save(outside);

    SystemTime from = *VariantTimeToSystemTime(Date(2024, 3, 13));
    SystemTime to = *VariantTimeToSystemTime(Date(2024, 3, 14, 23));
    EXPECT_EQ(ToUtf8(FormatRestrictionDate(to)), "3/14/2024");
    const std::u16string restriction = u"[Start] >= " + FormatRestrictionDate(from) +
                                       u" and [Start] <= " + FormatRestrictionDate(to) + u"\n";

    std::vector<std::pair<uint32_t, std::string>> seen;
    ASSERT_TRUE(QueryAppointments(
        *TheStoreConnection().folder, restriction, [&](const poom::Appointment& item) {
            seen.emplace_back(item.Oid(),
                              FormatDateTimeText(*VariantTimeToSystemTime(item.Start())));
            return true;
        }));
    const std::vector<std::pair<uint32_t, std::string>> expected = {
        {one, "2024-03-13 08:00:00"},
        {series, "2024-03-13 10:00:00"},
        {series, "2024-03-14 10:00:00"},
    };
    EXPECT_EQ(seen, expected);

    int visits = 0;
    ASSERT_TRUE(QueryAppointments(*TheStoreConnection().folder, restriction,
                                  [&](const poom::Appointment&) { return ++visits < 2; }));
    EXPECT_EQ(visits, 2) << "the walk stops when the visitor says so";
}

struct QueryFailure {
    const char* name;
    std::u16string restriction;
    std::optional<poom::FaultPoint> fault;
};

void PrintTo(const QueryFailure& c, std::ostream* os) {
    *os << c.name;
}

class QueryFailureTest : public StoreTest, public testing::WithParamInterface<QueryFailure> {};

TEST_P(QueryFailureTest, EndsWithNoItems) {
    poom::Appointment appointment = NewAppointment(Date(2024, 3, 13, 8), Date(2024, 3, 13, 9));
    Save(appointment);
    if (GetParam().fault) {
        poom::SetFault(*GetParam().fault, true);
    }
    int visits = 0;
    EXPECT_FALSE(QueryAppointments(*TheStoreConnection().folder, GetParam().restriction,
                                   [&](const poom::Appointment&) { return ++visits, true; }));
    EXPECT_EQ(visits, 0);
    EXPECT_NE(TheStoreConnection().lastResult, 0);
    EXPECT_TRUE(host.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, QueryFailureTest,
    testing::Values(QueryFailure{"items_fails", u"[Start] >= 3/1/2024", poom::FaultPoint::Items},
                    QueryFailure{"restrict_fails", u"[Start] >= 3/1/2024",
                                 poom::FaultPoint::Restrict},
                    QueryFailure{"unknown_syntax", u"[Subject] = Dentist", std::nullopt}),
    [](const testing::TestParamInfo<QueryFailure>& param) {
        return std::string(param.param.name);
    });

// Opening the store is tested without the fixture's open connection.
class OpenStoreTest : public testing::Test {
protected:
    void TearDown() override {
        CloseStoreConnection();
        poom::ClearFaults();
    }
    test::TempDeviceRoot root;
    ScriptedUiHost host;
};

TEST_F(OpenStoreTest, DamagedStoreFileShowsErrorAndIsLeftAlone) {
    const fs::path file = TranslateDevicePath(kStoreFileDevicePath);
    const std::string garbage(4096, '\x5A');
    test::WriteFileBytes(file, garbage);

    EXPECT_FALSE(OpenStoreConnection());
    ASSERT_EQ(host.messages.size(), 1u);
    const std::string text = ToUtf8(host.messages[0].text);
    EXPECT_EQ(text.rfind("Error occurred [001:", 0), 0u) << text;
    EXPECT_NE(text, "Error occurred [001:0]");
    EXPECT_EQ(text.back(), ']');
    EXPECT_TRUE(host.messages[0].caption.empty());
    EXPECT_EQ(host.messages[0].style, kMbOk);
    EXPECT_FALSE(TheStoreConnection().folder.has_value());
    EXPECT_EQ(test::ReadFileBytes(file), garbage);

    AppointmentRecord record;
    EXPECT_EQ(LoadAppointment(1, record), 0u) << "nothing resolves without a connection";
}

// The box keeps the fixed text; the reason is in its details, for the user to unfold.
TEST_F(OpenStoreTest, OpenFailureCarriesTheReasonInTheDetails) {
    // Where the store's folder should be, a file: the folder cannot be made (ENOTDIR).
    test::WriteFileBytes(root.path() / "Windows", "not a folder");
    EXPECT_FALSE(OpenStoreConnection());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(ToUtf8(host.messages[0].text),
              "Error occurred [001:" + std::to_string(ENOTDIR) + "]");
    const std::string details = ToUtf8(host.messages[0].details);
    EXPECT_NE(details.find((root.path() / "Windows").string()), std::string::npos) << details;
    EXPECT_NE(details.find(std::strerror(ENOTDIR)), std::string::npos) << details;
}

TEST_F(OpenStoreTest, LogonFailureShowsTheSameMessage) {
    poom::SetFault(poom::FaultPoint::Logon, true);
    EXPECT_FALSE(OpenStoreConnection());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(ToUtf8(host.messages[0].text).rfind("Error occurred [001:", 0), 0u);
}

}  // namespace
}  // namespace moru
