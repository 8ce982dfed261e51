#include "platform/poom/session.h"

#include <functional>

#include "platform/poom/row_mapping.h"

namespace moru::poom::detail {
namespace {

constexpr uint32_t kLastIdentifier = 0xFFFFFFFFu;

}  // namespace

// ---- Statement ----

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::reset(sqlite3_stmt* stmt) {
    sqlite3_finalize(stmt_);
    stmt_ = stmt;
}

// ---- Session ----

Session::Session(std::filesystem::path storeFile) : file(std::move(storeFile)) {}

Session::~Session() {
    Close();
}

Status Session::Open() {
    if (db != nullptr) {
        return {};
    }
    RemoveStaleBuilds(file);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        if (Status created = CreateStore(file); !created.ok()) {
            return created;
        }
    }
    return OpenExistingStore(file, &db);
}

void Session::Close() {
    AbandonBatch();
    // Every statement must be finalised first: SQLite does not close a connection that has
    // one left, and the connection would stay open (and its memory held) for good.
    for (Statement* prepared : prepared_) {
        prepared->reset(nullptr);
    }
    prepared_.clear();
    saveStatements_.clear();
    series_.clear();
    seriesByOid_.clear();
    unexpandable_.clear();
    orderSnapshot_.clear();
    snapshotStamp_.reset();
    seriesDataVersion_ = -1;
    sqlite3_close(db);
    db = nullptr;
}

Status Session::Fail(const std::string& what) const {
    if (db == nullptr) {
        return Error{SQLITE_MISUSE, "appointment store " + file.string() + ": not logged on"};
    }
    const int code = sqlite3_errcode(db);
    return Error{code != SQLITE_OK ? code : SQLITE_ERROR,
                 "appointment store " + file.string() + ": " + what + ": " + sqlite3_errmsg(db)};
}

Status Session::Exec(const char* sql) {
    if (db == nullptr) {
        return Fail(sql);
    }
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        return Fail(sql);
    }
    return {};
}

Result<sqlite3_stmt*> Session::Prepare(Statement& slot, const char* sql) {
    if (db == nullptr) {
        return Fail("prepare").error();
    }
    if (slot.get() == nullptr) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) !=
            SQLITE_OK) {
            return Fail(std::string("prepare ") + sql).error();
        }
        slot.reset(stmt);
        prepared_.push_back(&slot);
    }
    return slot.get();
}

Status Session::ExecBegin() {
    Result<sqlite3_stmt*> stmt = Prepare(begin_, "BEGIN");
    if (!stmt.ok()) {
        return stmt.status();
    }
    const int rc = sqlite3_step(*stmt);
    sqlite3_reset(*stmt);
    return rc == SQLITE_DONE ? Status() : Fail("BEGIN");
}

void Session::RollBack() {
    if (db != nullptr && sqlite3_get_autocommit(db) == 0) {
        Result<sqlite3_stmt*> stmt = Prepare(rollback_, "ROLLBACK");
        if (stmt.ok()) {
            sqlite3_step(*stmt);
            sqlite3_reset(*stmt);
        } else {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
}

Status Session::CommitAndAnnounce() {
    if (Status s = Exec("COMMIT"); !s.ok()) {
        RollBack();
        return s;
    }
    ++localChanges_;
    TouchNotifyFile(file);
    return {};
}

std::pair<int64_t, uint64_t> Session::ChangeStamp() {
    Result<sqlite3_stmt*> stmt = Prepare(dataVersion_, "PRAGMA data_version");
    int64_t version = -1;
    if (stmt.ok()) {
        ResetOnExit reset{*stmt};
        if (sqlite3_step(*stmt) == SQLITE_ROW) {
            version = sqlite3_column_int64(*stmt, 0);
        }
    }
    return {version, localChanges_};
}

Result<std::shared_ptr<const Row>> Session::LoadRow(uint32_t oid) {
    Result<sqlite3_stmt*> stmt = Prepare(selectRow_, SelectRowSql().c_str());
    if (!stmt.ok()) {
        return stmt.error();
    }
    ResetOnExit reset{*stmt};
    sqlite3_bind_int64(*stmt, 1, oid);
    const int rc = sqlite3_step(*stmt);
    if (rc == SQLITE_ROW) {
        return std::make_shared<const Row>(ReadRow(*stmt));
    }
    if (rc == SQLITE_DONE) {
        return Error{SQLITE_NOTFOUND, "appointment store " + file.string() + ": no appointment " +
                                          std::to_string(oid)};
    }
    return Fail("read appointment " + std::to_string(oid)).error();
}

Result<std::vector<std::shared_ptr<const Row>>> Session::LoadRowsFrom(int64_t start, uint32_t oid,
                                                                      int64_t lastStart, long limit,
                                                                      RowPart part) {
    Result<sqlite3_stmt*> stmt = Prepare(part == RowPart::Whole ? selectRows_ : selectRowSummaries_,
                                         SelectRowsFromSql(part).c_str());
    if (!stmt.ok()) {
        return stmt.error();
    }
    ResetOnExit reset{*stmt};
    sqlite3_bind_int64(*stmt, 1, start);
    sqlite3_bind_int64(*stmt, 2, oid);
    sqlite3_bind_int64(*stmt, 3, lastStart);
    sqlite3_bind_int64(*stmt, 4, limit);
    return ReadRows(*stmt, part);
}

Result<std::vector<std::shared_ptr<const Row>>> Session::LoadOneOffRows(int64_t firstStart,
                                                                        int64_t lastStart,
                                                                        int64_t firstEnd) {
    Result<sqlite3_stmt*> stmt = Prepare(selectOneOffs_, SelectOneOffRowsSql().c_str());
    if (!stmt.ok()) {
        return stmt.error();
    }
    ResetOnExit reset{*stmt};
    sqlite3_bind_int64(*stmt, 1, firstStart);
    sqlite3_bind_int64(*stmt, 2, lastStart);
    sqlite3_bind_int64(*stmt, 3, firstEnd);
    return ReadRows(*stmt, RowPart::Whole);
}

Result<std::vector<std::shared_ptr<const Row>>> Session::ReadRows(sqlite3_stmt* stmt,
                                                                  RowPart part) {
    std::vector<std::shared_ptr<const Row>> rows;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        rows.push_back(std::make_shared<const Row>(part == RowPart::Whole ? ReadRow(stmt)
                                                                          : ReadSummaryRow(stmt)));
    }
    if (rc != SQLITE_DONE) {
        return Fail("read appointments").error();
    }
    return rows;
}

Result<std::vector<uint8_t>> Session::LoadInk(uint32_t oid) {
    Result<sqlite3_stmt*> stmt = Prepare(selectInk_, "SELECT data FROM ink WHERE oid = ?1");
    if (!stmt.ok()) {
        return stmt.error();
    }
    ResetOnExit reset{*stmt};
    sqlite3_bind_int64(*stmt, 1, oid);
    const int rc = sqlite3_step(*stmt);
    if (rc == SQLITE_ROW) {
        const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(*stmt, 0));
        const int size = sqlite3_column_bytes(*stmt, 0);
        return data ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>();
    }
    if (rc == SQLITE_DONE) {
        return std::vector<uint8_t>();
    }
    return Fail("read ink body").error();
}

Status Session::RefuseWhenReadOnly() const {
    if (db != nullptr && sqlite3_db_readonly(db, "main") == 1) {
        return Error{SQLITE_READONLY, "appointment store " + file.string() +
                                          " can only be read (no write permission, or a "
                                          "read-only file system): nothing was changed"};
    }
    return {};
}

Status Session::SaveRow(Row& row, const std::optional<std::vector<uint8_t>>& ink) {
    if (Status writable = RefuseWhenReadOnly(); !writable.ok()) {
        return writable;
    }
    if (Status s = BeginWrite(); !s.ok()) {
        return s;
    }
    Row written = row;
    if (written.uid.empty()) {
        written.uid = NewUid();
    }
    auto step = [&](const std::string& sql, const std::function<void(sqlite3_stmt*)>& bind,
                    int64_t* firstColumn = nullptr) -> Status {
        // Kept prepared: compiling the statements again for every save cost more than
        // running them when many saves come in a row (an import).
        Result<sqlite3_stmt*> prepared = Prepare(saveStatements_[sql], sql.c_str());
        if (!prepared.ok()) {
            return prepared.error();
        }
        sqlite3_stmt* raw = *prepared;
        ResetOnExit reset{raw};
        bind(raw);
        const int rc = sqlite3_step(raw);
        if (rc == SQLITE_ROW && firstColumn != nullptr) {
            *firstColumn = sqlite3_column_int64(raw, 0);
            return {};
        }
        if (rc != SQLITE_DONE) {
            return Fail("save appointment");
        }
        return {};
    };
    auto run = [&]() -> Status {
        if (written.oid == 0) {
            int64_t next = 0;
            Status s = step(
                "SELECT value FROM store_meta WHERE key = 'next_oid'", [](sqlite3_stmt*) {}, &next);
            if (!s.ok()) {
                return s;
            }
            // Identifiers are never reused, so the counter only grows; when it has run out
            // the store takes no more appointments rather than hand out an old identifier.
            if (next < 1 || next > int64_t{kLastIdentifier}) {
                return Error{SQLITE_FULL, "appointment store " + file.string() +
                                              ": no unused identifiers are left"};
            }
            written.oid = static_cast<uint32_t>(next);
            s = step("UPDATE store_meta SET value = value + 1 WHERE key = 'next_oid'",
                     [](sqlite3_stmt*) {});
            if (!s.ok()) {
                return s;
            }
            s = step(InsertRowSql(), [&](sqlite3_stmt* st) { BindRow(st, written); });
            if (!s.ok()) {
                return s;
            }
        } else {
            Status s = step(UpdateRowSql(), [&](sqlite3_stmt* st) { BindRow(st, written); });
            if (!s.ok()) {
                return s;
            }
            if (sqlite3_changes(db) == 0) {
                return Error{SQLITE_NOTFOUND, "appointment store " + file.string() +
                                                  ": appointment " + std::to_string(written.oid) +
                                                  " was deleted and is not saved again"};
            }
        }
        if (ink.has_value()) {
            if (ink->empty()) {
                Status s = step("DELETE FROM ink WHERE oid = ?1",
                                [&](sqlite3_stmt* st) { sqlite3_bind_int64(st, 1, written.oid); });
                if (!s.ok()) {
                    return s;
                }
            } else {
                Status s = step("INSERT OR REPLACE INTO ink(oid, data) VALUES (?1, ?2)",
                                [&](sqlite3_stmt* st) {
                                    sqlite3_bind_int64(st, 1, written.oid);
                                    sqlite3_bind_blob(st, 2, ink->data(),
                                                      static_cast<int>(ink->size()), SQLITE_STATIC);
                                });
                if (!s.ok()) {
                    return s;
                }
            }
        }
        // The longest item ever saved bounds how far before a window an item that reaches
        // into it can start; it only grows, which keeps the bound safe without a scan.
        return step(
            "UPDATE store_meta SET value = max(value, ?1) WHERE key = 'max_span'",
            [&](sqlite3_stmt* st) { sqlite3_bind_int64(st, 1, written.end - written.start); });
    };
    if (Status s = EndWrite(run()); !s.ok()) {
        return s;
    }
    row = std::move(written);
    return {};
}

Status Session::DeleteRow(uint32_t oid) {
    if (Status writable = RefuseWhenReadOnly(); !writable.ok()) {
        return writable;
    }
    if (Status s = BeginWrite(); !s.ok()) {
        return s;
    }
    auto run = [&]() -> Status {
        for (const char* sql :
             {"DELETE FROM ink WHERE oid = ?1", "DELETE FROM appointments WHERE oid = ?1"}) {
            sqlite3_stmt* raw = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
                return Fail("prepare delete");
            }
            Statement stmt;
            stmt.reset(raw);
            sqlite3_bind_int64(raw, 1, oid);
            if (sqlite3_step(raw) != SQLITE_DONE) {
                return Fail("delete appointment " + std::to_string(oid));
            }
        }
        if (sqlite3_changes(db) == 0) {
            return Error{SQLITE_NOTFOUND, "appointment store " + file.string() +
                                              ": no appointment " + std::to_string(oid)};
        }
        return {};
    };
    return EndWrite(run());
}

Status Session::BeginWrite() {
    if (inBatch_) {
        if (batchBroken_) {
            return Error{SQLITE_ABORT, "appointment store " + file.string() +
                                           ": an earlier change of this batch failed and the "
                                           "whole batch was rolled back"};
        }
        return {};
    }
    // IMMEDIATE: a deferred transaction that later wants to write fails at once when another
    // process has committed in between, instead of waiting for the busy timeout.
    return Exec("BEGIN IMMEDIATE");
}

Status Session::EndWrite(Status result) {
    if (!result.ok()) {
        RollBack();
        if (inBatch_) {
            batchBroken_ = true;
            ++localChanges_;  // what this connection had read inside the batch is gone
        }
        return result;
    }
    if (inBatch_) {
        // Reads inside the batch see its writes; the series cache must too.
        ++localChanges_;
        batchWrote_ = true;
        return {};
    }
    return CommitAndAnnounce();
}

Status Session::BeginBatch(bool write) {
    if (inBatch_) {
        return Error{SQLITE_MISUSE, "appointment store " + file.string() +
                                        ": a batch is already open on this connection"};
    }
    if (write) {
        if (Status writable = RefuseWhenReadOnly(); !writable.ok()) {
            return writable;
        }
    }
    if (Status s = Exec(write ? "BEGIN IMMEDIATE" : "BEGIN"); !s.ok()) {
        return s;
    }
    inBatch_ = true;
    batchBroken_ = false;
    batchWrote_ = false;
    return {};
}

Status Session::CommitBatch() {
    if (!inBatch_) {
        return Error{SQLITE_MISUSE, "appointment store " + file.string() + ": no batch is open"};
    }
    const bool broken = batchBroken_;
    inBatch_ = false;
    batchBroken_ = false;
    if (broken) {
        return Error{SQLITE_ABORT, "appointment store " + file.string() +
                                       ": the batch was rolled back after a failed change"};
    }
    if (!batchWrote_) {
        // Nothing changed: nothing to announce.
        Status s = Exec("COMMIT");
        if (!s.ok()) {
            RollBack();
        }
        return s;
    }
    return CommitAndAnnounce();
}

void Session::AbandonBatch() {
    if (inBatch_) {
        RollBack();
        ++localChanges_;
        inBatch_ = false;
        batchBroken_ = false;
    }
}

Status Session::ForEachRow(const std::function<void(std::shared_ptr<const Row>)>& visit) {
    Statement stmt;
    sqlite3_stmt* raw = nullptr;
    if (db == nullptr ||
        sqlite3_prepare_v2(db, SelectAllRowsSql().c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        return Fail("read every appointment");
    }
    stmt.reset(raw);
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        visit(std::make_shared<const Row>(ReadRow(raw)));
    }
    if (rc != SQLITE_DONE) {
        return Fail("read every appointment");
    }
    return {};
}

Result<std::optional<uint32_t>> Session::FindUid(const std::u16string& uid) {
    Result<sqlite3_stmt*> stmt = Prepare(selectUid_, "SELECT oid FROM appointments WHERE uid = ?1");
    if (!stmt.ok()) {
        return stmt.error();
    }
    ResetOnExit reset{*stmt};
    sqlite3_bind_text16(*stmt, 1, uid.data(), static_cast<int>(uid.size() * 2), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(*stmt);
    if (rc == SQLITE_ROW) {
        return std::optional<uint32_t>(static_cast<uint32_t>(sqlite3_column_int64(*stmt, 0)));
    }
    if (rc == SQLITE_DONE) {
        return std::optional<uint32_t>();
    }
    return Fail("look up a UID").error();
}

}  // namespace moru::poom::detail
