// The store's iCalendar UIDs (given, kept, found, migrated into an older store) and its
// transactions (all or nothing, announced once), against a real store file.
#include <gtest/gtest.h>
#include <poll.h>
#include <sqlite3.h>

#include <set>
#include <string>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "tests/support/temp_root.h"

namespace moru::poom {
namespace {

double At(int y, int mo, int d, int h = 0) {
    return *MakeDate(y, mo, d, h);
}

std::shared_ptr<Application> LoggedOn() {
    auto app = *Application::Create();
    Status logon = app->Logon();
    EXPECT_TRUE(logon.ok()) << (logon.ok() ? "" : logon.error().message);
    return app;
}

Status SaveNew(Application& app, std::u16string subject, std::u16string uid = u"",
               uint32_t* oid = nullptr) {
    Appointment a = *app.CreateItem(kAppointmentItem);
    a.SetSubject(std::move(subject));
    a.SetStart(At(2024, 6, 14, 9));
    a.SetEnd(At(2024, 6, 14, 10));
    if (!uid.empty()) {
        a.SetUid(std::move(uid));
    }
    Status s = a.Save();
    if (oid != nullptr) {
        *oid = a.Oid();
    }
    return s;
}

long CountOf(Application& app) {
    return *(*app.GetDefaultFolder(kCalendarFolder)).Items()->Count();
}

bool Announced(ChangeWatcher& watcher) {
    pollfd p{watcher.fd(), POLLIN, 0};
    return poll(&p, 1, 200) == 1 && watcher.Drain();
}

class UidTest : public ::testing::Test {
protected:
    test::TempDeviceRoot root;
};

TEST_F(UidTest, EveryNewAppointmentGetsItsOwnUidAndAGivenOneIsKept) {
    auto app = LoggedOn();
    std::set<std::u16string> uids;
    for (int i = 0; i < 20; ++i) {
        uint32_t oid = 0;
        ASSERT_TRUE(SaveNew(*app, u"x", u"", &oid).ok());
        const std::u16string uid = app->GetItemFromOid(oid)->Uid();
        EXPECT_TRUE(uid.ends_with(u"@moru-calendar"));
        EXPECT_EQ(uid.size(), 32u + 14u);
        uids.insert(uid);
    }
    EXPECT_EQ(uids.size(), 20u);

    uint32_t oid = 0;
    ASSERT_TRUE(SaveNew(*app, u"given", u"event-1@example.org", &oid).ok());
    auto found = app->GetItemFromUid(u"event-1@example.org");
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(found->Oid(), oid);
    EXPECT_EQ(found->Subject(), u"given");
    EXPECT_EQ(app->GetItemFromUid(u"nobody@example.org").error().code, SQLITE_NOTFOUND);

    // A second appointment may not take a UID that is in use.
    EXPECT_EQ(SaveNew(*app, u"twin", u"event-1@example.org").error().code, SQLITE_CONSTRAINT);
}

TEST_F(UidTest, AnOlderStoreIsMigratedOnceAndKeepsEverything) {
    const std::filesystem::path file = DefaultStoreFile();
    std::filesystem::create_directories(file.parent_path());
    {
        // The layout of schema 1, as the previous version built it.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        const char* setup = R"sql(
PRAGMA application_id = 1299149429; PRAGMA user_version = 1;
CREATE TABLE store_meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;
INSERT INTO store_meta VALUES ('next_oid', 3), ('max_span', 3600);
CREATE TABLE appointments(oid INTEGER PRIMARY KEY, start_s INTEGER NOT NULL,
  end_s INTEGER NOT NULL, subject TEXT NOT NULL DEFAULT '', location TEXT NOT NULL DEFAULT '',
  categories TEXT NOT NULL DEFAULT '', body TEXT NOT NULL DEFAULT '',
  all_day INTEGER NOT NULL DEFAULT 0, busy_status INTEGER NOT NULL DEFAULT 2,
  sensitivity INTEGER NOT NULL DEFAULT 0, reminder_set INTEGER NOT NULL DEFAULT 0,
  reminder_minutes INTEGER NOT NULL DEFAULT 15, reminder_sound TEXT NOT NULL DEFAULT '',
  reminder_options INTEGER NOT NULL DEFAULT 0, recurring INTEGER NOT NULL DEFAULT 0,
  rec_type INTEGER, pat_start INTEGER, pat_start_time INTEGER, pat_end_time INTEGER,
  pat_duration INTEGER, pat_occurrences INTEGER, pat_end_date INTEGER, pat_no_end INTEGER,
  pat_interval INTEGER, pat_mask INTEGER, pat_day INTEGER, pat_instance INTEGER,
  pat_month INTEGER);
CREATE INDEX appointments_order ON appointments(start_s, oid, end_s, recurring);
CREATE INDEX appointments_series ON appointments(oid) WHERE recurring = 1;
CREATE TABLE ink(oid INTEGER PRIMARY KEY, data BLOB NOT NULL);
INSERT INTO appointments(oid, start_s, end_s, subject) VALUES
  (1, 3927430800, 3927434400, 'first'), (2, 3927517200, 3927520800, 'second');
PRAGMA journal_mode = WAL;
)sql";
        ASSERT_EQ(sqlite3_exec(db, setup, nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db);
        sqlite3_close(db);
    }
    std::u16string firstUid;
    {
        auto app = LoggedOn();
        auto first = app->GetItemFromOid(1);
        ASSERT_TRUE(first.ok());
        EXPECT_EQ(first->Subject(), u"first");
        firstUid = first->Uid();
        EXPECT_TRUE(firstUid.ends_with(u"@moru-calendar"));
        EXPECT_NE(app->GetItemFromOid(2)->Uid(), firstUid);
        // The counter came across: the next identifier is 3, never one of the old ones.
        uint32_t oid = 0;
        ASSERT_TRUE(SaveNew(*app, u"third", u"", &oid).ok());
        EXPECT_EQ(oid, 3u);
    }
    {
        // Opened again: already at the new schema, the UIDs stay as they were given.
        auto app = LoggedOn();
        EXPECT_EQ(app->GetItemFromOid(1)->Uid(), firstUid);
        EXPECT_EQ(app->GetItemFromUid(firstUid)->Oid(), 1u);
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 3);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

TEST_F(UidTest, TransactionIsAllOrNothingAndAnnouncedOnce) {
    auto app = LoggedOn();
    auto watcher = std::move(*ChangeWatcher::Open(DefaultStoreFile()));
    {
        auto transaction = app->BeginTransaction();
        ASSERT_TRUE(transaction.ok());
        ASSERT_TRUE(SaveNew(*app, u"a").ok());
        ASSERT_TRUE(SaveNew(*app, u"b").ok());
        // Inside, the connection sees its own writes.
        EXPECT_EQ(CountOf(*app), 2);
        // Ends without Commit.
    }
    EXPECT_EQ(CountOf(*app), 0);
    EXPECT_FALSE(Announced(*watcher)) << "a rolled back transaction changed nothing";

    {
        auto transaction = app->BeginTransaction();
        ASSERT_TRUE(transaction.ok());
        EXPECT_FALSE(app->BeginTransaction().ok()) << "one transaction at a time";
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(SaveNew(*app, u"kept").ok());
        }
        // Another program sees none of it before the commit.
        auto other = LoggedOn();
        EXPECT_EQ(CountOf(*other), 0);
        ASSERT_TRUE(transaction->Commit().ok());
        EXPECT_EQ(CountOf(*other), 3);
    }
    EXPECT_TRUE(Announced(*watcher));
    EXPECT_FALSE(Announced(*watcher)) << "three saves, one notice";
}

TEST_F(UidTest, AReadTransactionSeesOneMomentAndAnnouncesNothing) {
    auto app = LoggedOn();
    ASSERT_TRUE(SaveNew(*app, u"first").ok());
    auto watcher = std::move(*ChangeWatcher::Open(DefaultStoreFile()));
    auto snapshot = app->BeginTransaction(TransactionMode::Read);
    ASSERT_TRUE(snapshot.ok());
    EXPECT_EQ(CountOf(*app), 1);
    auto other = LoggedOn();
    ASSERT_TRUE(SaveNew(*other, u"meanwhile").ok()) << "a reader does not hold writers up";
    EXPECT_EQ(CountOf(*app), 1) << "the snapshot stays as it was";
    EXPECT_TRUE(Announced(*watcher));  // the other program's save
    ASSERT_TRUE(snapshot->Commit().ok());
    EXPECT_FALSE(Announced(*watcher)) << "ending a read announces nothing";
    EXPECT_EQ(CountOf(*app), 2);
}

TEST_F(UidTest, ForEachAppointmentWalksTheStoreOrderWithWholeItems) {
    auto app = LoggedOn();
    for (const auto& [subject, hour] :
         {std::pair{u"late", 15}, std::pair{u"early", 8}, std::pair{u"also early", 8}}) {
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetSubject(subject);
        a.SetStart(At(2024, 6, 14, hour));
        a.SetEnd(At(2024, 6, 14, hour + 1));
        if (hour == 15) {
            a.GetRecurrencePattern().SetDayOfWeekMask(2);
        }
        ASSERT_TRUE(a.Save().ok());
    }
    std::vector<std::u16string> seen;
    ASSERT_TRUE(app->ForEachAppointment([&](Appointment& a) {
                       seen.push_back(a.Subject());
                       EXPECT_FALSE(a.Uid().empty());
                       EXPECT_EQ(a.IsRecurring(), a.Subject() == u"late");
                   })
                    .ok());
    // By Start, then identifier; a series once, as itself.
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"early", u"also early", u"late"}));
}

TEST_F(UidTest, AFailedWriteRollsTheWholeTransactionBack) {
    auto app = LoggedOn();
    ASSERT_TRUE(SaveNew(*app, u"before", u"taken@example.org").ok());
    auto transaction = app->BeginTransaction();
    ASSERT_TRUE(transaction.ok());
    ASSERT_TRUE(SaveNew(*app, u"one").ok());
    // The UID is in use: the write fails inside SQLite, and the batch with it.
    EXPECT_EQ(SaveNew(*app, u"clash", u"taken@example.org").error().code, SQLITE_CONSTRAINT);
    EXPECT_EQ(SaveNew(*app, u"after").error().code, SQLITE_ABORT)
        << "nothing may be written outside the transaction once it failed";
    EXPECT_FALSE(transaction->Commit().ok());
    EXPECT_EQ(CountOf(*app), 1);
    // The connection is usable again afterwards.
    EXPECT_TRUE(SaveNew(*app, u"later").ok());
    EXPECT_EQ(CountOf(*app), 2);
}

TEST_F(UidTest, AnItemRefusedBeforeWritingLeavesTheTransactionGoing) {
    auto app = LoggedOn();
    auto transaction = app->BeginTransaction();
    ASSERT_TRUE(transaction.ok());
    Appointment bad = *app->CreateItem(kAppointmentItem);
    bad.SetStart(At(2024, 6, 14, 10));
    bad.SetEnd(At(2024, 6, 14, 9));
    EXPECT_EQ(bad.Save().error().code, SQLITE_CONSTRAINT);
    ASSERT_TRUE(SaveNew(*app, u"good").ok());
    ASSERT_TRUE(transaction->Commit().ok());
    EXPECT_EQ(CountOf(*app), 1);
}

}  // namespace
}  // namespace moru::poom
