#include "tests/support/older_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace moru::test {
namespace {

constexpr const char* kVersion2 = R"sql(
BEGIN;
CREATE TABLE appointments_v2(
    oid INTEGER PRIMARY KEY,
    start_s INTEGER NOT NULL,
    end_s INTEGER NOT NULL,
    subject TEXT NOT NULL DEFAULT '',
    location TEXT NOT NULL DEFAULT '',
    categories TEXT NOT NULL DEFAULT '',
    body TEXT NOT NULL DEFAULT '',
    all_day INTEGER NOT NULL DEFAULT 0,
    busy_status INTEGER NOT NULL DEFAULT 2,
    sensitivity INTEGER NOT NULL DEFAULT 0,
    reminder_set INTEGER NOT NULL DEFAULT 0,
    reminder_minutes INTEGER NOT NULL DEFAULT 15,
    reminder_sound TEXT NOT NULL DEFAULT '',
    reminder_options INTEGER NOT NULL DEFAULT 0,
    recurring INTEGER NOT NULL DEFAULT 0,
    rec_type INTEGER,
    pat_start INTEGER,
    pat_start_time INTEGER,
    pat_end_time INTEGER,
    pat_duration INTEGER,
    pat_occurrences INTEGER,
    pat_end_date INTEGER,
    pat_no_end INTEGER,
    pat_interval INTEGER,
    pat_mask INTEGER,
    pat_day INTEGER,
    pat_instance INTEGER,
    pat_month INTEGER,
    uid TEXT NOT NULL DEFAULT ''
);
INSERT INTO appointments_v2 SELECT oid, start_s, end_s, subject, location, categories, body,
    all_day, busy_status, sensitivity, reminder_set, reminder_minutes, reminder_sound,
    reminder_options, recurring, rec_type, pat_start, pat_start_time, pat_end_time,
    pat_duration, pat_occurrences, pat_end_date, pat_no_end, pat_interval, pat_mask, pat_day,
    pat_instance, pat_month, uid FROM appointments ORDER BY oid;
DROP TABLE appointments;
ALTER TABLE appointments_v2 RENAME TO appointments;
CREATE UNIQUE INDEX appointments_uid ON appointments(uid);
CREATE INDEX appointments_order ON appointments(start_s, oid, end_s, recurring);
CREATE INDEX appointments_series ON appointments(oid) WHERE recurring = 1;
PRAGMA user_version = 2;
COMMIT;
)sql";

std::string TableSql(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    std::string sql;
    if (sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_master WHERE name = 'appointments'", -1,
                           &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        sql = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    }
    sqlite3_finalize(stmt);
    return sql;
}

}  // namespace

bool RewriteAsVersion2(const std::filesystem::path& storeFile) {
    sqlite3* db = nullptr;
    bool done = sqlite3_open(storeFile.c_str(), &db) == SQLITE_OK &&
                sqlite3_exec(db, kVersion2, nullptr, nullptr, nullptr) == SQLITE_OK;
    EXPECT_TRUE(done) << sqlite3_errmsg(db);
    sqlite3_close(db);
    return done;
}

int SchemaVersionOf(const std::filesystem::path& storeFile) {
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    int version = -1;
    if (sqlite3_open_v2(storeFile.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        version = sqlite3_column_int(stmt, 0);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return version;
}

bool KeepsWalkOrder(const std::filesystem::path& storeFile) {
    sqlite3* db = nullptr;
    bool walkOrder = false;
    if (sqlite3_open_v2(storeFile.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        const std::string sql = TableSql(db);
        walkOrder = sql.find("PRIMARY KEY (recurring, start_s, oid)") != std::string::npos &&
                    sql.find("WITHOUT ROWID") != std::string::npos;
    }
    sqlite3_close(db);
    return walkOrder;
}

}  // namespace moru::test
