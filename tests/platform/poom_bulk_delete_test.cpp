// Deleting many appointments in one transaction, against the real store file: what each
// identifier came to, the ink bodies going with their rows, one change notice per batch, and
// a failure in the middle of a batch leaving every row of it in place.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <vector>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "tests/support/temp_root.h"

namespace moru::poom {
namespace {

class BulkDeleteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearFaults();
        app = *Application::Create();
        ASSERT_TRUE(app->Logon().ok());
        folder = *app->GetDefaultFolder(kCalendarFolder);
    }
    void TearDown() override { ClearFaults(); }

    uint32_t Add(int day) {
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetStart(*MakeDate(2025, 3, day, 9));
        a.SetEnd(*MakeDate(2025, 3, day, 10));
        EXPECT_TRUE(a.SetBodyInk({1, 2, 3}).ok());
        EXPECT_TRUE(a.Save().ok());
        return a.Oid();
    }
    long Count() { return *folder->Items()->Count(); }
    bool Exists(uint32_t oid) { return app->GetItemFromOid(oid).ok(); }

    test::TempDeviceRoot root;
    std::shared_ptr<Application> app;
    std::optional<Folder> folder;
};

TEST_F(BulkDeleteTest, SortsEveryIdentifierIntoDeletedMissingOrRefused) {
    const uint32_t a = Add(1), b = Add(2), c = Add(3), kept = Add(4), refused = Add(5);
    ASSERT_TRUE(app->GetItemFromOid(c)->Delete().ok());  // gone before the batch
    SetDeleteRefused(refused, true);

    const std::vector<uint32_t> batch = {b, 0, c, a, refused, b};
    Result<DeleteOutcome> outcome = app->DeleteItems(batch);
    ASSERT_TRUE(outcome.ok()) << outcome.error().message;
    EXPECT_EQ(outcome->deleted, (std::vector<uint32_t>{b, a}));
    EXPECT_EQ(outcome->missing, (std::vector<uint32_t>{0, c, b}));  // b again: already gone
    EXPECT_EQ(outcome->refused, (std::vector<uint32_t>{refused}));
    EXPECT_EQ(Count(), 2);
    EXPECT_TRUE(Exists(kept));
    EXPECT_TRUE(Exists(refused));
    EXPECT_FALSE(Appointment(*app->GetItemFromOid(refused)).Delete().ok());

    // The ink body went with its row: a later row never finds an old body under its number.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(DefaultStoreFile().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM ink", -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 2);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

TEST_F(BulkDeleteTest, OneBatchIsOneChangeNoticeAndAnEmptyOneIsNone) {
    std::vector<uint32_t> oids;
    for (int day = 1; day <= 20; ++day) {
        oids.push_back(Add(day));
    }
    auto watcher = ChangeWatcher::Open(DefaultStoreFile());
    ASSERT_TRUE(watcher.ok());
    (*watcher)->Drain();

    Result<DeleteOutcome> none = app->DeleteItems(std::vector<uint32_t>{0, 999999});
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none->deleted.empty());
    EXPECT_FALSE((*watcher)->Drain()) << "nothing changed, nothing announced";

    ASSERT_TRUE(app->DeleteItems(oids).ok());
    EXPECT_EQ(Count(), 0);
    EXPECT_TRUE((*watcher)->Drain());
}

TEST_F(BulkDeleteTest, AFailureInTheMiddleLeavesTheWholeBatchInPlace) {
    const uint32_t first = Add(1), second = Add(2), third = Add(3);
    // Another program's rule on the file makes the store fail on the second row, after the
    // first one was already deleted inside the transaction.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(DefaultStoreFile().c_str(), &db), SQLITE_OK);
    const std::string trigger =
        "CREATE TRIGGER keep BEFORE DELETE ON appointments WHEN old.oid = " +
        std::to_string(second) + " BEGIN SELECT RAISE(ABORT, 'kept'); END";
    ASSERT_EQ(sqlite3_exec(db, trigger.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    Result<DeleteOutcome> outcome = app->DeleteItems(std::vector<uint32_t>{first, second, third});
    ASSERT_FALSE(outcome.ok());
    EXPECT_NE(outcome.error().code, 0);
    EXPECT_TRUE(Exists(first)) << "the row deleted before the failure came back";
    EXPECT_TRUE(Exists(second));
    EXPECT_TRUE(Exists(third));
    // The session is usable afterwards: no transaction was left open.
    EXPECT_TRUE(app->DeleteItems(std::vector<uint32_t>{first, third}).ok());
    EXPECT_EQ(Count(), 1);
}

TEST_F(BulkDeleteTest, BetweenSlicesTheCallerStillReadsTheStoreAsItWas) {
    std::vector<uint32_t> oids;
    for (size_t i = 0; i < 2 * kDeleteSlice + 10; ++i) {
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetStart(*MakeDate(2025, 1, 1) + static_cast<double>(i) / 1440);
        a.SetEnd(a.Start());
        ASSERT_TRUE(a.Save().ok());
        oids.push_back(a.Oid());
    }
    const uint32_t lastOid = oids.back();
    oids.push_back(0);
    std::vector<long> seen;
    Result<DeleteOutcome> outcome = app->DeleteItems(oids, [&] {
        seen.push_back(Count());
        // A restricted read, as a repainting screen makes, works meanwhile.
        EXPECT_TRUE(folder->Query(u"[Start] >= 1/1/2025", Recurrences::Occurrences).ok());
        EXPECT_TRUE(Exists(lastOid));
    });
    ASSERT_TRUE(outcome.ok()) << outcome.error().message;
    const long all = static_cast<long>(oids.size() - 1);
    EXPECT_EQ(seen, (std::vector<long>{all, all}));
    EXPECT_EQ(static_cast<long>(outcome->deleted.size()), all);
    EXPECT_EQ(Count(), 0);
    EXPECT_FALSE(Exists(lastOid));
}

TEST_F(BulkDeleteTest, TheDeleteFaultAndALoggedOffStoreDeleteNothing) {
    const uint32_t oid = Add(1);
    SetFault(FaultPoint::Delete, true);
    Result<DeleteOutcome> refused = app->DeleteItems(std::vector<uint32_t>{oid});
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().code, 0);
    ClearFaults();
    EXPECT_TRUE(Exists(oid));

    app->Logoff();
    EXPECT_FALSE(app->DeleteItems(std::vector<uint32_t>{oid}).ok());
    ASSERT_TRUE(app->Logon().ok());
    EXPECT_TRUE(Exists(oid));
}

}  // namespace
}  // namespace moru::poom
