// Walks that read less than whole rows: a collection told that only summaries are read, and
// the series that walks expand, which are kept as summaries until a whole one is asked for.
// Every property must still answer as if the whole row had been read, and a change saved
// through such an item must keep the fields the walk never read.
#include <gtest/gtest.h>

#include <map>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "tests/support/temp_root.h"

namespace moru::poom {
namespace {

constexpr const char16_t* kMarch = u"[Start] >= 3/1/2025 and [Start] <= 3/7/2025";

// What a listing does not show, as each item was saved with it.
struct Details {
    std::u16string location, categories, body, sound, uid;
    long busy = 0, sensitivity = 0, options = 0;
    bool operator==(const Details&) const = default;
};

Details DetailsOf(const Appointment& item) {
    return {item.Location(), item.Categories(), item.Body(),        item.ReminderSoundFile(),
            item.Uid(),      item.BusyStatus(), item.Sensitivity(), item.ReminderOptions()};
}

class SummaryTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = *Application::Create();
        ASSERT_TRUE(app->Logon().ok());
        folder = *app->GetDefaultFolder(kCalendarFolder);
    }

    // An item with every field its own; `interval` > 0 makes it a daily series.
    uint32_t Add(const std::u16string& name, int hour, long interval = 0) {
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetSubject(name);
        a.SetLocation(name + u" room");
        a.SetCategories(name + u" kind");
        a.SetBody(name + u" notes");
        a.SetStart(*MakeDate(2025, 3, 3, hour));
        a.SetEnd(*MakeDate(2025, 3, 3, hour, 45));
        a.SetBusyStatus(hour % 4);
        a.SetSensitivity(hour % 2);
        a.SetReminderSet(true);
        a.SetReminderMinutesBeforeStart(hour);
        a.SetReminderSoundFile(name + u".wav");
        a.SetReminderOptions(hour * 2);
        if (interval > 0) {
            RecurrencePattern p = a.GetRecurrencePattern();
            p.SetRecurrenceType(kRecursDaily);
            p.SetInterval(interval);
        }
        Status saved = a.Save();
        EXPECT_TRUE(saved.ok()) << saved.error().message;
        expected[a.Oid()] = DetailsOf(*app->GetItemFromOid(a.Oid()));
        return a.Oid();
    }

    ItemCollection Walk(bool summaries) {
        ItemCollection items = *folder->Items()->Restrict(kMarch);
        items.SetIncludeRecurrences(true);
        if (summaries) {
            items.ReadSummariesOnly();
        }
        return items;
    }

    test::TempDeviceRoot root;
    std::shared_ptr<Application> app;
    std::optional<Folder> folder;
    std::map<uint32_t, Details> expected;
};

// One-off items and the occurrences of two series, walked both ways: the listing's fields
// first (as a listing reads them), then every other property of each item, then the
// listing's fields again.
TEST_F(SummaryTest, EveryPropertyAnswersAfterTheSummary) {
    const uint32_t single = Add(u"single", 7);
    const uint32_t daily = Add(u"daily", 9, 1);
    const uint32_t everyOther = Add(u"every other", 11, 2);
    Add(u"later", 13);
    for (bool summaries : {true, false}) {
        SCOPED_TRACE(summaries ? "summaries" : "whole rows");
        ItemCollection items = Walk(summaries);
        ASSERT_EQ(*items.Count(), 2 + 5 + 3);  // two one-offs, 3 to 7 March
        for (long i = 1; auto item = items.Item(i); ++i) {
            const bool series = item->Oid() == daily || item->Oid() == everyOther;
            EXPECT_EQ(item->IsRecurring(), series);
            const int hour = static_cast<int>(item->ReminderMinutesBeforeStart());
            EXPECT_TRUE(item->ReminderSet());
            EXPECT_FALSE(item->AllDayEvent());
            EXPECT_EQ(item->Duration(), 45);
            EXPECT_EQ(DetailsOf(*item), expected[item->Oid()]) << "item " << i;
            EXPECT_EQ(item->Subject() + u" room", item->Location());
            EXPECT_EQ(item->ReminderMinutesBeforeStart(), hour);
            if (series) {
                EXPECT_EQ(item->GetRecurrencePattern().Interval(), item->Oid() == daily ? 1 : 2);
            }
        }
        EXPECT_TRUE(items.LastError().ok());
        EXPECT_EQ(items.Item(1)->Oid(), single);
    }
}

// A change made through an item that was read as a summary is a change to the whole row.
TEST_F(SummaryTest, SavingAnItemReadAsASummaryKeepsWhatTheWalkDidNotRead) {
    const uint32_t single = Add(u"single", 7);
    ItemCollection items = Walk(true);
    Appointment item = *items.Item(1);
    ASSERT_EQ(item.Oid(), single);
    ASSERT_EQ(item.Subject(), u"single");
    item.SetSubject(u"renamed");
    ASSERT_TRUE(item.Save().ok());

    Appointment saved = *app->GetItemFromOid(single);
    EXPECT_EQ(saved.Subject(), u"renamed");
    EXPECT_EQ(DetailsOf(saved), expected[single]);
    EXPECT_EQ(saved.ReminderMinutesBeforeStart(), 7);
}

// The series read whole for one walk are read again when another program changes the store,
// and a new series joins them.
TEST_F(SummaryTest, SeriesReadWholeFollowChangesByAnotherProgram) {
    const uint32_t daily = Add(u"daily", 9, 1);
    Add(u"every other", 11, 2);
    auto detailsOfFirst = [&](uint32_t oid) {
        ItemCollection items = Walk(false);
        for (long i = 1; auto item = items.Item(i); ++i) {
            if (item->Oid() == oid) {
                return DetailsOf(*item);
            }
        }
        return Details{};
    };
    auto readAll = [&] {
        ItemCollection items = Walk(false);
        for (long i = 1; auto item = items.Item(i); ++i) {
            (void)item->Location();  // more than one series: they are read whole together
        }
    };
    readAll();
    EXPECT_EQ(detailsOfFirst(daily), expected[daily]);

    std::shared_ptr<Application> other = *Application::Create();
    ASSERT_TRUE(other->Logon().ok());
    Appointment changed = *other->GetItemFromOid(daily);
    changed.SetLocation(u"moved");
    ASSERT_TRUE(changed.Save().ok());
    expected[daily].location = u"moved";
    EXPECT_EQ(detailsOfFirst(daily), expected[daily]);

    const std::shared_ptr<Application> mine = app;
    app = other;  // the new series is made by the other program
    const uint32_t weekly = Add(u"new", 15, 3);
    app = mine;
    readAll();
    EXPECT_EQ(detailsOfFirst(weekly), expected[weekly]);
}

// Items listed by a collection keep what they show when the collection is evaluated anew,
// when the collection itself is gone, and when the store has changed since (what the walk did
// not read of a row is then read as the store has it now, as for any listed item).
TEST_F(SummaryTest, ListedItemsOutliveTheirCollectionsEvaluation) {
    const uint32_t daily = Add(u"daily", 9, 1);
    std::optional<Appointment> occurrence;
    std::optional<Appointment> single;
    Add(u"single", 7);
    {
        ItemCollection items = Walk(true);
        single = items.Item(1);
        occurrence = items.Item(2);
        ASSERT_EQ(occurrence->Oid(), daily);
        items.SetIncludeRecurrences(false);
        EXPECT_EQ(*items.Count(), 2);  // the series as one item, the one-off item
    }
    // Another program's change makes this one read its series again, letting go of the
    // rows it kept of them.
    std::shared_ptr<Application> other = *Application::Create();
    ASSERT_TRUE(other->Logon().ok());
    Appointment changed = *other->GetItemFromOid(daily);
    changed.SetBody(u"changed by another program");
    ASSERT_TRUE(changed.Save().ok());
    EXPECT_EQ(*Walk(true).Count(), 6);
    EXPECT_EQ(occurrence->Subject(), u"daily");
    EXPECT_EQ(occurrence->Start(), *MakeDate(2025, 3, 3, 9));
    expected[daily].body = u"changed by another program";
    EXPECT_EQ(DetailsOf(*occurrence), expected[daily]);
    EXPECT_EQ(single->Subject(), u"single");
}

}  // namespace
}  // namespace moru::poom
