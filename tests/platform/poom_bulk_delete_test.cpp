// Deleting many appointments in one transaction, against the real store file: what each
// identifier came to, the ink bodies going with their rows, one change notice per batch, a
// failure in the middle of a batch leaving every row of it in place, and the caller's reads
// between the slices of a long batch.
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

    uint32_t Add(int minute, bool ink = false) {
        Appointment a = *app->CreateItem(kAppointmentItem);
        a.SetStart(*MakeDate(2025, 3, 1) + minute / 1440.0);
        a.SetEnd(a.Start());
        if (ink) {
            EXPECT_TRUE(a.SetBodyInk({1, 2, 3}).ok());
        }
        EXPECT_TRUE(a.Save().ok());
        return a.Oid();
    }
    long Count() { return *folder->Items()->Count(); }
    bool Exists(uint32_t oid) { return app->GetItemFromOid(oid).ok(); }
    // Runs SQL on the store file through a connection of its own; for a count, its result.
    int Sql(const std::string& sql) {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(DefaultStoreFile().c_str(), &db), SQLITE_OK);
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK);
        const int value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : -1;
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return value;
    }

    test::TempDeviceRoot root;
    std::shared_ptr<Application> app;
    std::optional<Folder> folder;
};

TEST_F(BulkDeleteTest, SortsEveryIdentifierIntoDeletedMissingOrRefused) {
    const uint32_t a = Add(1, true), b = Add(2, true), gone = Add(3), kept = Add(4, true),
                   refused = Add(5);
    ASSERT_TRUE(app->GetItemFromOid(gone)->Delete().ok());
    SetDeleteRefused(refused, true);
    auto watcher = ChangeWatcher::Open(DefaultStoreFile());
    (*watcher)->Drain();

    const std::vector<uint32_t> batch = {b, 0, gone, a, refused, b};
    Result<DeleteOutcome> outcome = app->DeleteItems(batch);
    ASSERT_TRUE(outcome.ok()) << outcome.error().message;
    EXPECT_EQ(outcome->deleted, (std::vector<uint32_t>{b, a}));
    EXPECT_EQ(outcome->missing, (std::vector<uint32_t>{0, gone, b}));  // b again: already gone
    EXPECT_EQ(outcome->refused, (std::vector<uint32_t>{refused}));
    EXPECT_TRUE(Exists(kept) && Exists(refused));
    EXPECT_EQ(Count(), 2);
    EXPECT_FALSE(app->GetItemFromOid(refused)->Delete().ok());
    EXPECT_EQ(Sql("SELECT count(*) FROM ink"), 1) << "the ink bodies went with their rows";
    EXPECT_TRUE((*watcher)->Drain());

    // A batch that deletes nothing announces nothing; a failing store deletes nothing.
    ASSERT_TRUE(app->DeleteItems(std::vector<uint32_t>{0, gone}).ok());
    EXPECT_FALSE((*watcher)->Drain());
    SetFault(FaultPoint::Delete, true);
    Result<DeleteOutcome> failed = app->DeleteItems(std::vector<uint32_t>{kept});
    ASSERT_FALSE(failed.ok());
    EXPECT_NE(failed.error().code, 0);
    EXPECT_TRUE(Exists(kept));
}

TEST_F(BulkDeleteTest, AFailureInTheMiddleLeavesTheWholeBatchInPlace) {
    const uint32_t first = Add(1), second = Add(2), third = Add(3);
    // Another program's rule on the file makes the store fail on the second row, after the
    // first one was already deleted inside the transaction.
    Sql("CREATE TRIGGER keep BEFORE DELETE ON appointments WHEN old.oid = " +
        std::to_string(second) + " BEGIN SELECT RAISE(ABORT, 'kept'); END");
    for (bool sliced : {false, true}) {
        Result<DeleteOutcome> outcome =
            app->DeleteItems(std::vector<uint32_t>{first, second, third},
                             sliced ? std::function<void()>([] {}) : std::function<void()>());
        ASSERT_FALSE(outcome.ok());
        EXPECT_NE(outcome.error().code, 0);
        EXPECT_TRUE(Exists(first)) << "the row deleted before the failure came back";
        EXPECT_TRUE(Exists(second) && Exists(third));
    }
    // No transaction was left open: the session deletes afterwards.
    EXPECT_TRUE(app->DeleteItems(std::vector<uint32_t>{first, third}).ok());
    EXPECT_EQ(Count(), 1);
}

TEST_F(BulkDeleteTest, BetweenSlicesTheCallerStillReadsTheStoreAsItWas) {
    std::vector<uint32_t> oids;
    for (size_t i = 0; i < 2 * kDeleteSlice + 10; ++i) {
        oids.push_back(Add(static_cast<int>(i)));
    }
    const long all = static_cast<long>(oids.size());
    std::vector<long> seen;
    Result<DeleteOutcome> outcome = app->DeleteItems(oids, [&] {
        seen.push_back(Count());
        // A restricted read, as a repainting screen makes, works meanwhile.
        EXPECT_TRUE(folder->Query(u"[Start] >= 1/1/2025", Recurrences::Occurrences).ok());
        EXPECT_TRUE(Exists(oids.back()));
    });
    ASSERT_TRUE(outcome.ok()) << outcome.error().message;
    EXPECT_EQ(seen, (std::vector<long>{all, all}));
    EXPECT_EQ(static_cast<long>(outcome->deleted.size()), all);
    EXPECT_EQ(Count(), 0);
}

}  // namespace
}  // namespace moru::poom
