// The store file's layout: a store of the previous layout is brought to the walk-ordered one
// once, on opening, with every item, identifier, UID, pattern and ink body kept, and every
// kind of read answers from it exactly as before.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/text.h"
#include "tests/support/older_store.h"
#include "tests/support/temp_root.h"

namespace moru::poom {
namespace {

double At(int y, int mo, int d, int h = 0, int mi = 0) {
    return *MakeDate(y, mo, d, h, mi);
}

std::shared_ptr<Application> LoggedOn() {
    auto app = *Application::Create();
    Status logon = app->Logon();
    EXPECT_TRUE(logon.ok()) << (logon.ok() ? "" : logon.error().message);
    return app;
}

uint32_t Save(Application& app, const std::u16string& subject, double start, double end,
              const std::function<void(Appointment&)>& more = nullptr) {
    Appointment a = *app.CreateItem(kAppointmentItem);
    a.SetSubject(subject);
    a.SetStart(start);
    a.SetEnd(end);
    if (more) {
        more(a);
    }
    EXPECT_TRUE(a.Save().ok());
    return a.Oid();
}

std::string Line(const Appointment& a) {
    std::string line =
        std::to_string(a.Oid()) + " " + std::to_string(a.Start()) + " " + std::to_string(a.End()) +
        " " + ToUtf8(a.Subject()) + " | " + ToUtf8(a.Location()) + " | " + ToUtf8(a.Categories()) +
        " | " + ToUtf8(a.Body()) + " | " + std::to_string(a.AllDayEvent()) + " " +
        std::to_string(a.ReminderSet()) + " " + std::to_string(a.ReminderMinutesBeforeStart()) +
        " " + ToUtf8(a.ReminderSoundFile()) + " " + ToUtf8(a.Uid());
    if (a.IsRecurring()) {
        Appointment copy = a;
        RecurrencePattern p = copy.GetRecurrencePattern();
        line += " every " + std::to_string(p.RecurrenceType()) + "/" +
                std::to_string(p.DayOfWeekMask()) + " until " + std::to_string(p.PatternEndDate()) +
                " x" + std::to_string(p.Occurrences());
    }
    return line + "\n";
}

// Everything the screens and tools read: the live order, a month with its occurrences, and
// lookups by identifier and by UID.
std::string Describe(Application& app) {
    Folder folder = *app.GetDefaultFolder(kCalendarFolder);
    ItemCollection items = *folder.Items();
    std::string text = "live:\n";
    for (long i = 1;; ++i) {
        auto item = items.Item(i);
        if (!item) {
            break;
        }
        text += Line(*item);
    }
    ItemCollection june = *items.Restrict(u"[Start] >= 6/1/2024 and [Start] < 7/1/2024");
    june.SetIncludeRecurrences(true);
    text += "june:\n";
    for (long i = 1;; ++i) {
        auto item = june.Item(i);
        if (!item) {
            break;
        }
        text += Line(*item);
    }
    auto early = app.GetItemFromOid(2);
    text += "by oid: " + (early.ok() ? Line(*early) : "none\n");
    auto byUid = early.ok() ? app.GetItemFromUid(early->Uid()) : early;
    text += "by uid: " + (byUid.ok() ? Line(*byUid) : "none\n");
    auto ink = early.ok() ? early->GetBodyInk() : Result<std::vector<uint8_t>>(early.error());
    text += "ink: " + (ink.ok() ? std::to_string(ink->size()) : "none") + "\n";
    return text;
}

TEST(StoreLayoutTest, APreviousLayoutIsReorderedOnceAndAnswersAsBefore) {
    test::TempDeviceRoot root;
    std::string before;
    {
        auto app = LoggedOn();
        // Made in an order that is not the order of their dates.
        Save(*app, u"late", At(2024, 6, 20, 9), At(2024, 6, 20, 10));
        Save(*app, u"early", At(2024, 6, 10, 14), At(2024, 6, 10, 15, 30), [](Appointment& a) {
            a.SetLocation(u"Room 4");
            a.SetCategories(u"Work");
            a.SetBody(u"Bring the plans");
            a.SetReminderSet(true);
            a.SetReminderMinutesBeforeStart(30);
            a.SetReminderSoundFile(u"Chime");
            ASSERT_TRUE(a.SetBodyInk(std::vector<uint8_t>(64, 7)).ok());
        });
        Save(*app, u"weekly", At(2024, 6, 3, 9), At(2024, 6, 3, 10), [](Appointment& a) {
            RecurrencePattern p = a.GetRecurrencePattern();
            p.SetRecurrenceType(kRecursWeekly);
            p.SetDayOfWeekMask(2);  // Mondays
            p.SetNoEndDate(false);
            p.SetOccurrences(6);
        });
        Save(*app, u"middle", At(2024, 6, 15), At(2024, 6, 16),
             [](Appointment& a) { a.SetAllDayEvent(true); });
        before = Describe(*app);
    }
    const std::filesystem::path file = DefaultStoreFile();
    ASSERT_TRUE(test::RewriteAsVersion2(file));
    ASSERT_EQ(test::SchemaVersionOf(file), 2);
    ASSERT_FALSE(test::KeepsWalkOrder(file));

    {
        auto app = LoggedOn();
        EXPECT_EQ(test::SchemaVersionOf(file), 3);
        EXPECT_TRUE(test::KeepsWalkOrder(file));
        EXPECT_EQ(Describe(*app), before);
        // The identifier counter came across: a new item never takes an old identifier.
        EXPECT_EQ(Save(*app, u"new", At(2024, 6, 11, 8), At(2024, 6, 11, 9)), 5u);
    }
    // Opened again, the store is already in the new layout and keeps what was added to it.
    auto app = LoggedOn();
    EXPECT_EQ(test::SchemaVersionOf(file), 3);
    EXPECT_EQ(app->GetItemFromOid(5)->Subject(), u"new");
    EXPECT_EQ(*(*app->GetDefaultFolder(kCalendarFolder)).Items()->Count(), 5);
}

// Moving an item to another day or turning it into a series moves its row in the file; it
// is still found by identifier and UID, once, in its new place.
TEST(StoreLayoutTest, ChangedStartsAndKindsKeepOneRowPerItem) {
    test::TempDeviceRoot root;
    auto app = LoggedOn();
    const uint32_t oid = Save(*app, u"moving", At(2024, 6, 10, 9), At(2024, 6, 10, 10));
    Appointment a = *app->GetItemFromOid(oid);
    a.SetStart(At(2025, 1, 2, 9));
    a.SetEnd(At(2025, 1, 2, 10));
    ASSERT_TRUE(a.Save().ok());
    a.GetRecurrencePattern().SetRecurrenceType(kRecursDaily);
    ASSERT_TRUE(a.Save().ok());
    EXPECT_EQ(*(*app->GetDefaultFolder(kCalendarFolder)).Items()->Count(), 1);
    Appointment stored = *app->GetItemFromOid(oid);
    EXPECT_TRUE(stored.IsRecurring());
    EXPECT_EQ(stored.Start(), At(2025, 1, 2, 9));
    EXPECT_EQ(app->GetItemFromUid(stored.Uid())->Oid(), oid);
    ASSERT_TRUE(stored.Delete().ok());
    EXPECT_EQ(*(*app->GetDefaultFolder(kCalendarFolder)).Items()->Count(), 0);
}

}  // namespace
}  // namespace moru::poom
