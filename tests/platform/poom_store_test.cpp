// The appointment store against a real SQLite file in a temporary device root: logon and
// refusal of foreign files, saving and reading every property, identifiers, the live
// collection, the fault switch and the ink limit.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <limits>
#include <random>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "tests/support/temp_root.h"

namespace moru::poom {
namespace {

long readSink = 0;  // keeps the reads of a walk from being left out

double At(int y, int mo, int d, int h = 0, int mi = 0) {
    return *MakeDate(y, mo, d, h, mi);
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearFaults();
        auto created = Application::Create();
        ASSERT_TRUE(created.ok());
        app = *created;
        Status logon = app->Logon();
        ASSERT_TRUE(logon.ok()) << logon.error().message;
        folder = *app->GetDefaultFolder(kCalendarFolder);
    }
    void TearDown() override { ClearFaults(); }

    uint32_t Add(double start, double end, std::u16string subject = u"item") {
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetSubject(std::move(subject));
        a.SetStart(start);
        a.SetEnd(end);
        Status s = a.Save();
        EXPECT_TRUE(s.ok()) << s.error().message;
        return a.Oid();
    }

    std::vector<uint32_t> Listed(const ItemCollection& items) {
        std::vector<uint32_t> oids;
        for (long i = 1;; ++i) {
            std::optional<Appointment> item = items.Item(i);
            if (!item) {
                break;
            }
            oids.push_back(item->Oid());
        }
        return oids;
    }

    test::TempDeviceRoot root;
    std::shared_ptr<Application> app;
    std::optional<Folder> folder;
};

TEST_F(StoreTest, EveryPropertySurvivesSaveAndReload) {
    Appointment a = *app->CreateItem(kAppointmentItem);
    EXPECT_EQ(a.Oid(), 0u);
    a.SetSubject(u"Dentist \u00e9\U0001F600");
    a.SetLocation(u"Main street");
    a.SetCategories(u"Health");
    a.SetBody(u"Bring the card");
    a.SetStart(At(2024, 3, 15, 9, 30));
    a.SetDuration(90);
    a.SetAllDayEvent(true);
    a.SetBusyStatus(3);
    a.SetSensitivity(2);
    a.SetReminderSet(true);
    a.SetReminderMinutesBeforeStart(45);
    a.SetReminderSoundFile(u"\\Windows\\Alarm1.wav");
    a.SetReminderOptions(21);
    ASSERT_TRUE(a.SetBodyInk({1, 2, 3, 0, 255}).ok());
    RecurrencePattern p = a.GetRecurrencePattern();
    p.SetRecurrenceType(kRecursMonthNth);
    p.SetPatternStartDate(At(2024, 3, 15));
    p.SetStartTime(At(2024, 3, 15, 9, 30));
    p.SetEndTime(At(2024, 3, 15, 11, 0));
    p.SetDuration(90);
    p.SetInterval(2);
    p.SetDayOfWeekMask(32);
    p.SetDayOfMonth(15);
    p.SetInstance(3);
    p.SetMonthOfYear(3);
    p.SetNoEndDate(false);
    p.SetPatternEndDate(At(2025, 1, 1));
    Status saved = a.Save();
    ASSERT_TRUE(saved.ok()) << saved.error().message;
    ASSERT_NE(a.Oid(), 0u);

    Appointment b = *app->GetItemFromOid(a.Oid());
    EXPECT_EQ(b.Subject(), u"Dentist \u00e9\U0001F600");
    EXPECT_EQ(b.Location(), u"Main street");
    EXPECT_EQ(b.Categories(), u"Health");
    EXPECT_EQ(b.Body(), u"Bring the card");
    EXPECT_EQ(b.Start(), At(2024, 3, 15, 9, 30));
    EXPECT_EQ(b.End(), At(2024, 3, 15, 11, 0));
    EXPECT_EQ(b.Duration(), 90);
    EXPECT_TRUE(b.AllDayEvent());
    EXPECT_EQ(b.BusyStatus(), 3);
    EXPECT_EQ(b.Sensitivity(), 2);
    EXPECT_TRUE(b.ReminderSet());
    EXPECT_EQ(b.ReminderMinutesBeforeStart(), 45);
    EXPECT_EQ(b.ReminderSoundFile(), u"\\Windows\\Alarm1.wav");
    EXPECT_EQ(b.ReminderOptions(), 21);
    EXPECT_EQ(*b.GetBodyInk(), (std::vector<uint8_t>{1, 2, 3, 0, 255}));
    ASSERT_TRUE(b.IsRecurring());
    RecurrencePattern q = b.GetRecurrencePattern();
    EXPECT_EQ(q.RecurrenceType(), kRecursMonthNth);
    EXPECT_EQ(q.PatternStartDate(), At(2024, 3, 15));
    EXPECT_EQ(q.StartTime(), At(2024, 3, 15, 9, 30));
    EXPECT_EQ(q.EndTime(), At(2024, 3, 15, 11, 0));
    EXPECT_EQ(q.Duration(), 90);
    EXPECT_EQ(q.Interval(), 2);
    EXPECT_EQ(q.DayOfWeekMask(), 32);
    EXPECT_EQ(q.DayOfMonth(), 15);
    EXPECT_EQ(q.Instance(), 3);
    EXPECT_EQ(q.MonthOfYear(), 3);
    EXPECT_FALSE(q.NoEndDate());
    EXPECT_EQ(q.Occurrences(), 0);
    EXPECT_EQ(q.PatternEndDate(), At(2025, 1, 1));
}

TEST_F(StoreTest, OneOffGetsWeeklyDefaultPatternThatClearRemoves) {
    Appointment a = *app->CreateItem(kAppointmentItem);
    a.SetStart(At(2025, 3, 19, 10, 0));  // a Wednesday, the 19th
    a.SetEnd(At(2025, 3, 19, 11, 15));
    ASSERT_TRUE(a.Save().ok());
    Appointment b = *app->GetItemFromOid(a.Oid());
    EXPECT_FALSE(b.IsRecurring());
    RecurrencePattern p = b.GetRecurrencePattern();
    EXPECT_EQ(p.RecurrenceType(), kRecursWeekly);
    EXPECT_EQ(p.Interval(), 1);
    EXPECT_EQ(p.DayOfWeekMask(), 8);
    EXPECT_EQ(p.DayOfMonth(), 19);
    EXPECT_EQ(p.Instance(), 3);
    EXPECT_EQ(p.MonthOfYear(), 3);
    EXPECT_TRUE(p.NoEndDate());
    EXPECT_EQ(p.Duration(), 75);
    ASSERT_TRUE(b.Save().ok());
    EXPECT_TRUE(app->GetItemFromOid(a.Oid())->IsRecurring());

    Appointment c = *app->GetItemFromOid(a.Oid());
    c.ClearRecurrencePattern();
    ASSERT_TRUE(c.Save().ok());
    EXPECT_FALSE(app->GetItemFromOid(a.Oid())->IsRecurring());
}

TEST_F(StoreTest, OccurrencesDeriveEndDateAndEndDateResetsOccurrences) {
    Appointment a = *app->CreateItem(kAppointmentItem);
    a.SetStart(At(2025, 1, 6, 8, 0));  // a Monday
    a.SetEnd(At(2025, 1, 6, 9, 0));
    RecurrencePattern p = a.GetRecurrencePattern();
    p.SetRecurrenceType(kRecursWeekly);
    p.SetDayOfWeekMask(2 | 8);  // Monday, Wednesday
    p.SetNoEndDate(false);
    p.SetOccurrences(5);  // 6, 8, 13, 15, 20 January
    EXPECT_EQ(p.PatternEndDate(), At(2025, 1, 20));
    ASSERT_TRUE(a.Save().ok());
    RecurrencePattern stored = app->GetItemFromOid(a.Oid())->GetRecurrencePattern();
    EXPECT_EQ(stored.Occurrences(), 5);
    EXPECT_EQ(stored.PatternEndDate(), At(2025, 1, 20));
    p.SetPatternEndDate(At(2025, 2, 1));
    EXPECT_EQ(p.Occurrences(), 0);
    EXPECT_EQ(p.PatternEndDate(), At(2025, 2, 1));
}

// The companion widens its window by the longest lead of any reminder that is set; an item
// whose reminder is off does not count, nor does a lead below zero, and deleting the longest
// brings the answer down again.
TEST_F(StoreTest, LongestReminderLeadCountsOnlyRemindersThatAreSet) {
    auto withReminder = [&](long minutes, bool set) {
        Appointment a = *app->GetItemFromOid(Add(At(2025, 3, 3, 9), At(2025, 3, 3, 10)));
        a.SetReminderSet(set);
        a.SetReminderMinutesBeforeStart(minutes);
        EXPECT_TRUE(a.Save().ok());
        return a;
    };
    EXPECT_EQ(*folder->LongestReminderLead(), 0);
    withReminder(-30, true);
    EXPECT_EQ(*folder->LongestReminderLead(), 0);
    withReminder(90, true);
    Appointment longest = withReminder(2880, true);
    withReminder(10080, false);
    EXPECT_EQ(*folder->LongestReminderLead(), 2880);
    ASSERT_TRUE(longest.Delete().ok());
    EXPECT_EQ(*folder->LongestReminderLead(), 90);
}

TEST_F(StoreTest, SaveRefusesUnsoundAppointmentsAndWritesNothing) {
    struct Case {
        const char* name;
        std::function<void(Appointment&)> spoil;
    };
    const std::vector<Case> cases = {
        {"end before start", [](Appointment& a) { a.SetEnd(At(2025, 1, 1, 7, 0)); }},
        {"interval 0", [](Appointment& a) { a.GetRecurrencePattern().SetInterval(0); }},
        {"weekly without weekdays",
         [](Appointment& a) { a.GetRecurrencePattern().SetDayOfWeekMask(0); }},
        {"monthly on day 32",
         [](Appointment& a) {
             RecurrencePattern p = a.GetRecurrencePattern();
             p.SetRecurrenceType(kRecursMonthly);
             p.SetDayOfMonth(32);
         }},
        {"instance 6",
         [](Appointment& a) {
             RecurrencePattern p = a.GetRecurrencePattern();
             p.SetRecurrenceType(kRecursMonthNth);
             p.SetInstance(6);
         }},
        {"month 13",
         [](Appointment& a) {
             RecurrencePattern p = a.GetRecurrencePattern();
             p.SetRecurrenceType(kRecursYearly);
             p.SetMonthOfYear(13);
         }},
        {"unknown type", [](Appointment& a) { a.GetRecurrencePattern().SetRecurrenceType(4); }},
        {"end date before start",
         [](Appointment& a) {
             RecurrencePattern p = a.GetRecurrencePattern();
             p.SetNoEndDate(false);
             p.SetPatternEndDate(At(2024, 12, 31));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetStart(At(2025, 1, 1, 8, 0));
        a.SetEnd(At(2025, 1, 1, 9, 0));
        c.spoil(a);
        Status s = a.Save();
        EXPECT_FALSE(s.ok());
        EXPECT_NE(s.error().code, 0);
        EXPECT_EQ(a.Oid(), 0u);
    }
    EXPECT_EQ(*folder->Items()->Count(), 0);
}

TEST_F(StoreTest, IdentifiersAreNeverReused) {
    const uint32_t first = Add(At(2025, 1, 1), At(2025, 1, 1));
    const uint32_t second = Add(At(2025, 1, 2), At(2025, 1, 2));
    ASSERT_TRUE(app->GetItemFromOid(second)->Delete().ok());
    EXPECT_FALSE(app->GetItemFromOid(second).ok());
    const uint32_t third = Add(At(2025, 1, 3), At(2025, 1, 3));
    EXPECT_NE(third, second);
    EXPECT_NE(third, first);
    // Also across a new session, which must read the counter rather than the highest row.
    ASSERT_TRUE(app->GetItemFromOid(third)->Delete().ok());
    app->Logoff();
    ASSERT_TRUE(app->Logon().ok());
    const uint32_t fourth = Add(At(2025, 1, 4), At(2025, 1, 4));
    EXPECT_GT(fourth, third);
    EXPECT_FALSE(app->GetItemFromOid(0).ok());
}

TEST_F(StoreTest, DeletedAppointmentIsNotSavedBackByAStaleHandle) {
    const uint32_t oid = Add(At(2025, 1, 1, 8), At(2025, 1, 1, 9));
    Appointment stale = *app->GetItemFromOid(oid);
    ASSERT_TRUE(app->GetItemFromOid(oid)->Delete().ok());
    stale.SetSubject(u"edited");
    EXPECT_FALSE(stale.Save().ok());
    EXPECT_FALSE(app->GetItemFromOid(oid).ok());
    EXPECT_FALSE(stale.Delete().ok());
}

TEST_F(StoreTest, UnrestrictedCollectionIsLiveAndInStoreOrder) {
    const uint32_t late = Add(At(2025, 5, 1), At(2025, 5, 1));
    const uint32_t early = Add(At(2025, 1, 1), At(2025, 1, 1));
    const uint32_t sameStart = Add(At(2025, 1, 1), At(2025, 1, 2));
    ItemCollection items = *folder->Items();
    EXPECT_EQ(Listed(items), (std::vector<uint32_t>{early, sameStart, late}));
    EXPECT_EQ(*items.Count(), 3);

    // Delete while walking, as the bulk delete does: the next item moves down to index 1.
    ASSERT_TRUE(items.Item(1)->Delete().ok());
    EXPECT_EQ(items.Item(1)->Oid(), sameStart);
    EXPECT_EQ(*items.Count(), 2);
    EXPECT_FALSE(items.Item(3).has_value());
    EXPECT_FALSE(items.Item(0).has_value());
}

TEST_F(StoreTest, LiveCollectionFollowsManyDeletionsPastTheDirectLookup) {
    std::vector<uint32_t> oids;
    oids.reserve(600);
    for (int i = 0; i < 600; ++i) {
        oids.push_back(Add(At(2025, 1, 1) + i / 24.0, At(2025, 1, 1) + i / 24.0));
    }
    ItemCollection items = *folder->Items();
    EXPECT_EQ(items.Item(500)->Oid(), oids[499]);
    ASSERT_TRUE(app->GetItemFromOid(oids[10])->Delete().ok());
    EXPECT_EQ(items.Item(500)->Oid(), oids[500]);
    EXPECT_EQ(items.Item(11)->Oid(), oids[11]);
    EXPECT_EQ(items.Item(600), std::nullopt);
}

TEST_F(StoreTest, FaultSwitchFailsTheNamedCall) {
    const uint32_t oid = Add(At(2025, 1, 1), At(2025, 1, 1));
    SetFault(FaultPoint::Items, true);
    EXPECT_FALSE(folder->Items().ok());
    SetFault(FaultPoint::Items, false);
    ItemCollection items = *folder->Items();

    SetFault(FaultPoint::Restrict, true);
    Result<ItemCollection> restricted = items.Restrict(u"[Start] >= 1/1/2025");
    ASSERT_FALSE(restricted.ok());
    EXPECT_NE(restricted.error().code, 0);
    SetFault(FaultPoint::GetItemFromOid, true);
    EXPECT_FALSE(app->GetItemFromOid(oid).ok());
    SetFault(FaultPoint::CreateItem, true);
    EXPECT_FALSE(app->CreateItem(kAppointmentItem).ok());
    ClearFaults();

    Appointment a = *app->GetItemFromOid(oid);
    SetFault(FaultPoint::Save, true);
    EXPECT_FALSE(a.Save().ok());
    SetFault(FaultPoint::Delete, true);
    EXPECT_FALSE(a.Delete().ok());
    EXPECT_TRUE(app->GetItemFromOid(oid).ok());
    SetFault(FaultPoint::Logon, true);
    auto other = *Application::Create();
    EXPECT_FALSE(other->Logon().ok());
}

TEST_F(StoreTest, InkBodyAboveTheLimitIsRefusedAndThePreviousOneKept) {
    Appointment a = *app->CreateItem(kAppointmentItem);
    ASSERT_TRUE(a.SetBodyInk(std::vector<uint8_t>(kMaxInkBodyBytes, 7)).ok());
    ASSERT_TRUE(a.Save().ok());
    Status refused = a.SetBodyInk(std::vector<uint8_t>(kMaxInkBodyBytes + 1, 8));
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().code, 0);
    EXPECT_EQ(a.GetBodyInk()->size(), kMaxInkBodyBytes);
    EXPECT_EQ(app->GetItemFromOid(a.Oid())->GetBodyInk()->at(0), 7);

    // An empty ink body removes the stored one.
    ASSERT_TRUE(a.SetBodyInk({}).ok());
    ASSERT_TRUE(a.Save().ok());
    EXPECT_TRUE(app->GetItemFromOid(a.Oid())->GetBodyInk()->empty());
}

// ---- Values no save writes, from a hand-edited store ----

// Times at the ends of the 64-bit range and a longest-item bound beyond the calendar: every
// walk still lists what it should, each item's length is computed without overflowing, and
// the damaged rows are listed with what they hold. (Run under -fsanitize=undefined too.)
TEST_F(StoreTest, ExtremeStoredValuesAreListedWithoutOverflow) {
    const uint32_t kept = Add(At(2025, 3, 3, 8), At(2025, 3, 3, 9), u"kept");
    const uint32_t wide = Add(At(2025, 3, 4, 8), At(2025, 3, 4, 9), u"wide");
    const uint32_t late = Add(At(2025, 3, 5, 8), At(2025, 3, 5, 9), u"late");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(DefaultStoreFile().c_str(), &db), SQLITE_OK);
    const std::string damage =
        "UPDATE appointments SET start_s = -9223372036854775808, end_s = 9223372036854775807 "
        "WHERE oid = " +
        std::to_string(wide) +
        "; UPDATE appointments SET end_s = 9223372036854775807 WHERE oid = " +
        std::to_string(late) +
        "; UPDATE store_meta SET value = 9223372036854775807 WHERE key = 'max_span';";
    ASSERT_EQ(sqlite3_exec(db, damage.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    ItemCollection items = *folder->Items();
    std::vector<uint32_t> seen;
    for (long i = 1; auto item = items.Item(i); ++i) {
        seen.push_back(item->Oid());
        readSink += item->Duration() + static_cast<long>(item->End() - item->Start());
    }
    EXPECT_TRUE(items.LastError().ok());
    EXPECT_EQ(seen, (std::vector<uint32_t>{wide, kept, late}));

    ItemCollection march = *folder->Items()->Restrict(u"[Start] >= 3/1/2025 and [End] >= 3/4/2025");
    march.SetIncludeRecurrences(true);
    EXPECT_EQ(Listed(march), std::vector<uint32_t>{late});
    EXPECT_TRUE(march.LastError().ok());
    EXPECT_GT(app->GetItemFromOid(late)->Duration(), 0);
    EXPECT_EQ(app->GetItemFromOid(wide)->Duration(), std::numeric_limits<int64_t>::max() / 60);
}

// ---- Logon and the store file ----

class StoreFileTest : public ::testing::Test {
protected:
    test::TempDeviceRoot root;
    std::filesystem::path file = DefaultStoreFile();

    void ExpectRefusedAndUnchanged(const std::string& bytes) {
        test::WriteFileBytes(file, bytes);
        auto app = *Application::Create();
        Status s = app->Logon();
        ASSERT_FALSE(s.ok());
        EXPECT_NE(s.error().code, 0);
        EXPECT_NE(s.error().message.find(file.string()), std::string::npos) << s.error().message;
        EXPECT_FALSE(app->GetDefaultFolder(kCalendarFolder).ok());
        app.reset();
        EXPECT_EQ(test::ReadFileBytes(file), bytes);
        EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal"));
    }
};

TEST_F(StoreFileTest, NewStoreIsCreatedWithItsFolderAtTheDevicePath) {
    EXPECT_EQ(file, root.path() / "Windows" / "appointments.db");
    auto app = *Application::Create();
    EXPECT_FALSE(std::filesystem::exists(file));  // Create alone does not touch the file
    ASSERT_TRUE(app->Logon().ok());
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(*app->GetDefaultFolder(kCalendarFolder)->Items()->Count(), 0);
    EXPECT_FALSE(app->GetDefaultFolder(5).ok());
    EXPECT_FALSE(app->CreateItem(2).ok());
}

TEST_F(StoreFileTest, RandomBytesAreRefusedAndLeftAlone) {
    std::mt19937 random(7);
    std::string bytes(8192, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    ExpectRefusedAndUnchanged(bytes);
}

TEST_F(StoreFileTest, EmptyAndTruncatedFilesAreRefusedAndLeftAlone) {
    ExpectRefusedAndUnchanged("");
    ExpectRefusedAndUnchanged(std::string("SQLite format 3\0", 16));
}

std::string ForeignDatabase(const std::filesystem::path& where, const std::string& setup) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(where.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, setup.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    return test::ReadFileBytes(where);
}

TEST_F(StoreFileTest, SqliteFilesOfOtherProgramsOrNewerVersionsAreRefused) {
    const std::filesystem::path scratch = root.path() / "scratch.db";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"another program's database",
         "CREATE TABLE notes(id INTEGER PRIMARY KEY, text TEXT); INSERT INTO notes VALUES(1,'x');"},
        {"our tables without our identity",
         "CREATE TABLE appointments(oid INTEGER PRIMARY KEY); CREATE TABLE ink(oid);"
         "CREATE TABLE store_meta(key, value);"},
        {"a newer schema version",
         "PRAGMA application_id = 1299149429; PRAGMA user_version = 4;"
         "CREATE TABLE appointments(oid INTEGER PRIMARY KEY);"},
        {"our identity with tables missing",
         "PRAGMA application_id = 1299149429; PRAGMA user_version = 1;"
         "CREATE TABLE other(x);"},
    };
    for (const auto& [name, setup] : cases) {
        SCOPED_TRACE(name);
        std::filesystem::remove(scratch);
        ExpectRefusedAndUnchanged(ForeignDatabase(scratch, setup));
    }
}

}  // namespace
}  // namespace moru::poom
