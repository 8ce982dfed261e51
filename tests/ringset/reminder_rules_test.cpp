// The pure rules behind the desktop reminders: the words on a notice and the state file's
// text form.
#include <gtest/gtest.h>

#include "platform/datetime.h"
#include "platform/text.h"
#include "ringset/item_kinds.h"
#include "ringset/reminder_service.h"
#include "ringset/reminder_state.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

int64_t S(int day, int hour, int minute) {
    return DateToSeconds(*MakeDate(2026, 3, day, hour, minute));
}

struct BodyCase {
    const char* label;
    int day;
    bool allDay;
    ItemKind kind;
    bool missed;
    const char* body;
};

class NoticeWords : public testing::TestWithParam<BodyCase> {};

TEST_P(NoticeWords, SayWhenAndWhat) {
    const BodyCase& c = GetParam();
    Reminder reminder;
    reminder.start = DateTime::FromParts(2026, 3, c.day, c.allDay ? 0 : 14, 0);
    reminder.allDay = c.allDay;
    const SystemTime now = MakeSystemTime(2026, 3, 10, 13, 50);
    EXPECT_EQ(ToUtf8(NoticeBody(reminder, c.kind, c.missed, now)), c.body);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NoticeWords,
    testing::Values(
        BodyCase{"today", 10, false, Appointment, false, "Today 14:00, Appointment"},
        BodyCase{"another_day", 11, false, Alarm, false, "2026.03.11(Wed) 14:00, Alarm"},
        BodyCase{"yesterday_missed", 9, false, Appointment, true,
                 "Missed: 2026.03.09(Mon) 14:00, Appointment"},
        // All-day items have no time worth saying.
        BodyCase{"all_day_today", 10, true, Holiday, false, "Today, Holiday"},
        BodyCase{"all_day_other", 12, true, Anniversary, false, "2026.03.12(Thu), Anniversary"}),
    [](const testing::TestParamInfo<BodyCase>& row) { return std::string(row.param.label); });

TEST(ReminderStateText, RoundTripsEveryPart) {
    ReminderState state;
    state.lookedUntil = S(10, 9, 0);
    state.shown = {{7, S(10, 10, 0), S(10, 9, 50)}, {4294967295u, S(9, 8, 0), S(9, 8, 0)}};
    state.snoozed = {{{7, S(10, 10, 0), S(10, 9, 50)}, S(10, 9, 55)}};
    const std::string text = EncodeReminderState(state);
    EXPECT_EQ(text,
              "moru-reminders 1\n"
              "looked 2026-03-10T09:00:00\n"
              "shown 7 2026-03-10T10:00:00 2026-03-10T09:50:00\n"
              "shown 4294967295 2026-03-09T08:00:00 2026-03-09T08:00:00\n"
              "snoozed 7 2026-03-10T10:00:00 2026-03-10T09:50:00 2026-03-10T09:55:00\n");
    EXPECT_EQ(DecodeReminderState(text), state);
}

struct DamagedCase {
    const char* label;
    std::string text;
    size_t shown;  // lines that survive
    bool noted;
};

class ReminderStateDamage : public testing::TestWithParam<DamagedCase> {};

// What cannot be read is left out and said; what can is kept.
TEST_P(ReminderStateDamage, KeepsWhatCanBeRead) {
    std::string notes;
    const ReminderState state = DecodeReminderState(GetParam().text, &notes);
    EXPECT_EQ(state.shown.size(), GetParam().shown);
    EXPECT_EQ(!notes.empty(), GetParam().noted) << notes;
}

const std::string kHeader = "moru-reminders 1\n";
const std::string kGoodLine = "shown 7 2026-03-10T10:00:00 2026-03-10T09:50:00\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ReminderStateDamage,
    testing::Values(
        DamagedCase{"empty_file", "", 0, false},
        DamagedCase{"other_version", "moru-reminders 2\n" + kGoodLine, 0, true},
        DamagedCase{"cut_short", kHeader + kGoodLine + "shown 8 2026-03-10T1", 1, true},
        DamagedCase{"zero_oid",
                    kHeader + kGoodLine + "shown 0 2026-03-10T10:00:00 2026-03-10T09:50:00\n", 1,
                    true},
        DamagedCase{"impossible_date",
                    kHeader + "shown 7 2026-02-30T10:00:00 2026-03-10T09:50:00\n" + kGoodLine, 1,
                    true},
        DamagedCase{"trailing_word",
                    kHeader + "shown 7 2026-03-10T10:00:00 "
                              "2026-03-10T09:50:00 extra\n",
                    0, true},
        DamagedCase{"unknown_line", kHeader + "rung 7\n" + kGoodLine, 1, true}),
    [](const testing::TestParamInfo<DamagedCase>& row) { return std::string(row.param.label); });

// The kinds come from the calendar's category file, read only: alarms, holidays and
// anniversaries in that order of precedence; what a damaged file still holds counts.
std::string Section(std::initializer_list<uint32_t> oids) {
    std::string bytes;
    auto word = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    };
    word(static_cast<uint32_t>(oids.size()));
    for (uint32_t oid : oids) {
        word(oid);
    }
    return bytes + ";";
}

struct KindCase {
    const char* label;
    const char* folder;  // where the file lies under "My Documents"
    std::string bytes;
    std::vector<ItemKind> kinds;  // of identifiers 1, 2, 3, 4
};

class ItemKindLookup : public testing::TestWithParam<KindCase> {};

TEST_P(ItemKindLookup, ReadsTheCategoryFile) {
    test::TempDeviceRoot root;
    const KindCase& c = GetParam();
    const std::filesystem::path folder = root.path() / "My Documents" / c.folder;
    std::filesystem::create_directories(folder);
    if (!c.bytes.empty()) {
        test::WriteFileBytes(folder / "MoruCalendar.dat", c.bytes);
    }
    const ItemKinds kinds = ItemKinds::Read();
    std::vector<ItemKind> got;
    for (uint32_t oid = 1; oid <= 4; ++oid) {
        got.push_back(kinds.KindOf(oid));
    }
    EXPECT_EQ(got, c.kinds);
    EXPECT_EQ(test::ReadFileBytes(folder / "MoruCalendar.dat"), c.bytes);  // never written
}

INSTANTIATE_TEST_SUITE_P(
    Files, ItemKindLookup,
    testing::Values(KindCase{"missing",
                             "MoruCalendar",
                             "",
                             {Appointment, Appointment, Appointment, Appointment}},
                    KindCase{"all_three",
                             "MoruCalendar",
                             Section({1}) + Section({2}) + Section({3}),
                             {Alarm, Holiday, Anniversary, Appointment}},
                    KindCase{"alarm_wins",
                             "MoruCalendar",
                             Section({1}) + Section({1, 2}) + Section({2, 3}),
                             {Alarm, Holiday, Anniversary, Appointment}},
                    KindCase{"cut_short",
                             "MoruCalendar",
                             Section({1}) + Section({2}).substr(0, 6),
                             {Alarm, Appointment, Appointment, Appointment}},
                    KindCase{"fallback_folder",
                             "",
                             Section({4}) + Section({}) + Section({}),
                             {Appointment, Appointment, Appointment, Alarm}}),
    [](const testing::TestParamInfo<KindCase>& row) { return std::string(row.param.label); });

}  // namespace
}  // namespace moru
