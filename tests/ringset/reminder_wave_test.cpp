#include "ringset/reminder_wave.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/registry.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

SystemTime At(int year, int month, int day, int hour, int minute, int second = 0) {
    return *DateTime::FromParts(year, month, day, hour, minute, second).ToSystemTime();
}

// The day every case lives on: Wednesday 13 March 2024.
SystemTime Today(int hour, int minute, int second = 0) {
    return At(2024, 3, 13, hour, minute, second);
}

struct Item {
    SystemTime start;
    bool reminder = true;
    std::u16string sound;
    bool daily = false;  // a daily series whose first occurrence is `start`
};

// The real store and the real registry in a fresh device root.
class ReminderWaveTest : public testing::Test {
protected:
    void SetUp() override {
        auto created = poom::Application::Create();
        ASSERT_TRUE(created.ok());
        app_ = *created;
        ASSERT_TRUE(app_->Logon().ok());
        auto folder = app_->GetDefaultFolder(poom::kCalendarFolder);
        ASSERT_TRUE(folder.ok());
        folder_.emplace(*folder);
    }
    void TearDown() override {
        poom::ClearFaults();
        folder_.reset();
        app_->Logoff();
    }

    void Add(const Item& item) {
        auto created = app_->CreateItem(poom::kAppointmentItem);
        ASSERT_TRUE(created.ok());
        poom::Appointment& a = *created;
        const DateTime start = DateTime::FromSystemTime(item.start);
        a.SetSubject(u"item");
        a.SetStart(start.date());
        a.SetEnd((start + DateTimeSpan(0, 1, 0, 0)).date());
        a.SetReminderSet(item.reminder);
        a.SetReminderMinutesBeforeStart(5);
        a.SetReminderSoundFile(item.sound);
        if (item.daily) {
            poom::RecurrencePattern pattern = a.GetRecurrencePattern();
            pattern.SetRecurrenceType(poom::kRecursDaily);
            pattern.SetInterval(1);
            pattern.SetNoEndDate(true);
        }
        Status saved = a.Save();
        ASSERT_TRUE(saved.ok()) << saved.error().message;
    }

    void RefreshAt(const SystemTime& now) {
        LocalTimePin pin(now);
        UpdateReminderWave(*folder_);
    }

    static std::optional<RegistryValue> Wave() {
        auto key = RegistryKey::Open(RegistryRoot::CurrentUser, kRemindersKey);
        if (!key.ok()) {
            return std::nullopt;
        }
        auto value = key->QueryValue(kWaveValueName);
        return value.ok() ? std::optional<RegistryValue>(*value) : std::nullopt;
    }

    static std::u16string WaveText() {
        auto wave = Wave();
        return wave ? RegSzText(wave->data) : u"<none>";
    }

    test::TempDeviceRoot root_;
    std::shared_ptr<poom::Application> app_;
    std::optional<poom::Folder> folder_;
};

struct NowCase {
    const char* label;
    SystemTime now;
    std::u16string expected;
};

class TwoRemindersTest : public ReminderWaveTest, public testing::WithParamInterface<NowCase> {};

// 09:00 with sound A and 14:00 with sound B. The store returns them by start, so the first
// that has not started yet wins; "not started" is to the second, and starting now counts.
TEST_P(TwoRemindersTest, FirstNotYetStartedInStoreOrderWins) {
    Add({Today(14, 0), true, u"\\Windows\\b.wav"});
    Add({Today(9, 0), true, u"\\Windows\\a.wav"});
    RefreshAt(GetParam().now);
    EXPECT_EQ(WaveText(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Times, TwoRemindersTest,
    testing::Values(NowCase{"at_0800", Today(8, 0), u"\\Windows\\a.wav"},
                    NowCase{"exactly_0900", Today(9, 0, 0), u"\\Windows\\a.wav"},
                    NowCase{"one_second_after_0900", Today(9, 0, 1), u"\\Windows\\b.wav"},
                    NowCase{"at_1000", Today(10, 0), u"\\Windows\\b.wav"},
                    NowCase{"evening_before_picks_next_morning", At(2024, 3, 12, 23, 0),
                            u"\\Windows\\a.wav"}),
    [](const testing::TestParamInfo<NowCase>& param) { return param.param.label; });

TEST_F(ReminderWaveTest, ItemWithoutReminderIsSkippedAndNothingIsWritten) {
    Add({Today(10, 0), false, u"\\Windows\\c.wav"});
    RefreshAt(Today(9, 30));
    EXPECT_FALSE(Wave().has_value());
    EXPECT_FALSE(std::filesystem::exists(RegistryFile()));

    // An earlier choice is kept, not cleared.
    Add({Today(9, 45), true, u"\\Windows\\a.wav"});
    RefreshAt(Today(9, 30));
    RefreshAt(Today(9, 50));
    EXPECT_EQ(WaveText(), u"\\Windows\\a.wav");
}

TEST_F(ReminderWaveTest, ValueStaysAfterTheLastReminderOfTheDay) {
    Add({Today(9, 0), true, u"\\Windows\\a.wav"});
    Add({Today(14, 0), true, u"\\Windows\\b.wav"});
    RefreshAt(Today(10, 0));
    RefreshAt(Today(14, 0, 1));
    RefreshAt(Today(23, 59, 59));
    EXPECT_EQ(WaveText(), u"\\Windows\\b.wav");
}

TEST_F(ReminderWaveTest, TomorrowsFirstReminderIsChosenAheadOfTime) {
    Add({Today(9, 0), true, u"\\Windows\\a.wav"});
    Add({At(2024, 3, 14, 8, 0), true, u"\\Windows\\tomorrow.wav"});
    Add({At(2024, 3, 15, 8, 0), true, u"\\Windows\\later.wav"});
    RefreshAt(Today(22, 0));
    EXPECT_EQ(WaveText(), u"\\Windows\\tomorrow.wav");
}

TEST_F(ReminderWaveTest, DailySeriesCountsThroughTodaysOccurrence) {
    // The series began a week ago; only its occurrence of today can be ahead of now.
    Add({At(2024, 3, 6, 7, 30), true, u"\\Windows\\daily.wav", true});
    Add({Today(12, 0), true, u"\\Windows\\noon.wav"});
    RefreshAt(Today(7, 0));
    EXPECT_EQ(WaveText(), u"\\Windows\\daily.wav");
    // Past today's 07:30 the noon item comes first, before tomorrow's occurrence.
    RefreshAt(Today(8, 0));
    EXPECT_EQ(WaveText(), u"\\Windows\\noon.wav");
}

TEST_F(ReminderWaveTest, WaveIsRegSzOfTwiceTheCharactersWithoutTerminatingZero) {
    Add({Today(11, 0), true, u"alarm1.wav"});
    RefreshAt(Today(10, 0));
    auto wave = Wave();
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(wave->type, kRegSz);
    EXPECT_EQ(wave->data.size(), 20u);
    EXPECT_EQ(wave->data, RegSzBytes(u"alarm1.wav"));
}

TEST_F(ReminderWaveTest, EmptySoundFileWritesAnEmptyValue) {
    Add({Today(11, 0), true, u"\\Windows\\a.wav"});
    RefreshAt(Today(10, 0));
    Add({Today(10, 30), true, u""});
    RefreshAt(Today(10, 0));
    auto wave = Wave();
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(wave->type, kRegSz);
    EXPECT_TRUE(wave->data.empty());
}

TEST_F(ReminderWaveTest, FailingStoreLeavesTheRegistryAlone) {
    Add({Today(11, 0), true, u"\\Windows\\a.wav"});
    for (poom::FaultPoint fault : {poom::FaultPoint::Items, poom::FaultPoint::Restrict}) {
        poom::SetFault(fault, true);
        RefreshAt(Today(10, 0));
        poom::ClearFaults();
        EXPECT_FALSE(Wave().has_value());
    }
    RefreshAt(Today(10, 0));  // the next refresh tries again
    EXPECT_EQ(WaveText(), u"\\Windows\\a.wav");
}

struct RestrictionCase {
    const char* label;
    SystemTime now;
    std::u16string expected;
};

class ReminderRestrictionTest : public testing::TestWithParam<RestrictionCase> {};

// The window is now's date to the next day's date in the short date form, with its line feed.
TEST_P(ReminderRestrictionTest, SpansTodayAndTheNextDay) {
    EXPECT_EQ(ReminderRestriction(GetParam().now), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, ReminderRestrictionTest,
    testing::Values(RestrictionCase{"mid_month", At(2024, 3, 13, 10, 0),
                                    u"[Start] >= 3/13/2024 and [Start] <= 3/14/2024\n"},
                    RestrictionCase{"leap_day_next", At(2024, 2, 28, 23, 59, 59),
                                    u"[Start] >= 2/28/2024 and [Start] <= 2/29/2024\n"},
                    RestrictionCase{"year_end", At(2023, 12, 31, 0, 0),
                                    u"[Start] >= 12/31/2023 and [Start] <= 1/1/2024\n"}),
    [](const testing::TestParamInfo<RestrictionCase>& param) { return param.param.label; });

TEST(ReminderRestriction, NoWindowOnTheLastRepresentableDay) {
    EXPECT_FALSE(ReminderRestriction(At(9999, 12, 31, 12, 0)).has_value());
}

}  // namespace
}  // namespace moru
