#include "platform/poom/session.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <set>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/text.h"

namespace moru::poom::detail {
namespace {

constexpr int64_t kDaySeconds = 86400;
constexpr uint32_t kLastIdentifier = 0xFFFFFFFFu;
// Below this index the live collection asks SQLite for one row after a change rather than
// rebuilding its snapshot of the whole order: the delete-while-enumerating loop of the bulk
// delete keeps its index small and changes the store at every step.
constexpr long kDirectLookupLimit = 256;

// The columns of a row after oid, in the order BindRow and ReadRow use.
constexpr const char* kColumns[] = {
    "start_s",          "end_s",        "subject",          "location",
    "categories",       "body",         "all_day",          "busy_status",
    "sensitivity",      "reminder_set", "reminder_minutes", "reminder_sound",
    "reminder_options", "recurring",    "rec_type",         "pat_start",
    "pat_start_time",   "pat_end_time", "pat_duration",     "pat_occurrences",
    "pat_end_date",     "pat_no_end",   "pat_interval",     "pat_mask",
    "pat_day",          "pat_instance", "pat_month",        "uid",
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

std::string ColumnList() {
    std::string list = "oid";
    for (const char* column : kColumns) {
        list += ", ";
        list += column;
    }
    return list;
}

const std::string& SelectRowSql() {
    static const std::string sql = "SELECT " + ColumnList() + " FROM appointments WHERE oid = ?1";
    return sql;
}
const std::string& SelectSeriesSql() {
    static const std::string sql =
        "SELECT " + ColumnList() + " FROM appointments WHERE recurring = 1";
    return sql;
}
std::string InsertSql() {
    std::string sql = "INSERT INTO appointments(";
    std::string values = "VALUES(";
    for (int i = 0; i < kColumnCount; ++i) {
        sql += kColumns[i];
        sql += ", ";
        values += '?';
        values += std::to_string(i + 1);
        values += ", ";
    }
    sql += "oid) ";
    sql += values;
    sql += '?';
    sql += std::to_string(kColumnCount + 1);
    sql += ')';
    return sql;
}
std::string UpdateSql() {
    std::string sql = "UPDATE appointments SET ";
    for (int i = 0; i < kColumnCount; ++i) {
        sql += std::string(i > 0 ? ", " : "") + kColumns[i] + " = ?" + std::to_string(i + 1);
    }
    return sql + " WHERE oid = ?" + std::to_string(kColumnCount + 1);
}

void BindText(sqlite3_stmt* stmt, int index, const std::u16string& text) {
    sqlite3_bind_text16(stmt, index, text.data(), static_cast<int>(text.size() * 2),
                        SQLITE_TRANSIENT);
}

std::u16string ColumnText(sqlite3_stmt* stmt, int index) {
    const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(stmt, index));
    const int bytes = sqlite3_column_bytes16(stmt, index);
    return text ? std::u16string(text, static_cast<size_t>(bytes) / 2) : std::u16string();
}

void BindRow(sqlite3_stmt* stmt, const Row& row) {
    int i = 1;
    sqlite3_bind_int64(stmt, i++, row.start);
    sqlite3_bind_int64(stmt, i++, row.end);
    BindText(stmt, i++, row.subject);
    BindText(stmt, i++, row.location);
    BindText(stmt, i++, row.categories);
    BindText(stmt, i++, row.body);
    sqlite3_bind_int(stmt, i++, row.allDay ? 1 : 0);
    sqlite3_bind_int64(stmt, i++, row.busyStatus);
    sqlite3_bind_int64(stmt, i++, row.sensitivity);
    sqlite3_bind_int(stmt, i++, row.reminderSet ? 1 : 0);
    sqlite3_bind_int64(stmt, i++, row.reminderMinutes);
    BindText(stmt, i++, row.reminderSound);
    sqlite3_bind_int64(stmt, i++, row.reminderOptions);
    sqlite3_bind_int(stmt, i++, row.recurring ? 1 : 0);
    if (!row.recurring) {
        for (; i < kColumnCount; ++i) {
            sqlite3_bind_null(stmt, i);
        }
    } else {
        const PatternFields& p = row.pattern;
        sqlite3_bind_int64(stmt, i++, p.type);
        sqlite3_bind_int64(stmt, i++, p.startDate);
        if (p.startTime) {
            sqlite3_bind_int64(stmt, i++, *p.startTime);
        } else {
            sqlite3_bind_null(stmt, i++);
        }
        sqlite3_bind_int64(stmt, i++, p.endTime);
        if (p.duration) {
            sqlite3_bind_int64(stmt, i++, *p.duration);
        } else {
            sqlite3_bind_null(stmt, i++);
        }
        sqlite3_bind_int64(stmt, i++, p.occurrences);
        sqlite3_bind_int64(stmt, i++, p.endDate);
        sqlite3_bind_int(stmt, i++, p.noEndDate ? 1 : 0);
        sqlite3_bind_int64(stmt, i++, p.interval);
        sqlite3_bind_int64(stmt, i++, p.dayOfWeekMask);
        sqlite3_bind_int64(stmt, i++, p.dayOfMonth);
        sqlite3_bind_int64(stmt, i++, p.instance);
        sqlite3_bind_int64(stmt, i++, p.monthOfYear);
    }
    BindText(stmt, kColumnCount, row.uid);
    sqlite3_bind_int64(stmt, kColumnCount + 1, row.oid);
}

long ColumnLong(sqlite3_stmt* stmt, int index) {
    return static_cast<long>(sqlite3_column_int64(stmt, index));
}

Row ReadRow(sqlite3_stmt* stmt) {
    Row row;
    int i = 0;
    row.oid = static_cast<uint32_t>(sqlite3_column_int64(stmt, i++));
    row.start = sqlite3_column_int64(stmt, i++);
    row.end = sqlite3_column_int64(stmt, i++);
    row.subject = ColumnText(stmt, i++);
    row.location = ColumnText(stmt, i++);
    row.categories = ColumnText(stmt, i++);
    row.body = ColumnText(stmt, i++);
    row.allDay = sqlite3_column_int(stmt, i++) != 0;
    row.busyStatus = ColumnLong(stmt, i++);
    row.sensitivity = ColumnLong(stmt, i++);
    row.reminderSet = sqlite3_column_int(stmt, i++) != 0;
    row.reminderMinutes = ColumnLong(stmt, i++);
    row.reminderSound = ColumnText(stmt, i++);
    row.reminderOptions = ColumnLong(stmt, i++);
    row.recurring = sqlite3_column_int(stmt, i++) != 0;
    if (row.recurring) {
        PatternFields& p = row.pattern;
        p.type = static_cast<int>(sqlite3_column_int(stmt, i++));
        p.startDate = sqlite3_column_int64(stmt, i++);
        if (sqlite3_column_type(stmt, i) != SQLITE_NULL) {
            p.startTime = sqlite3_column_int64(stmt, i);
        }
        ++i;
        p.endTime = sqlite3_column_int64(stmt, i++);
        if (sqlite3_column_type(stmt, i) != SQLITE_NULL) {
            p.duration = ColumnLong(stmt, i);
        }
        ++i;
        p.occurrences = ColumnLong(stmt, i++);
        p.endDate = sqlite3_column_int64(stmt, i++);
        p.noEndDate = sqlite3_column_int(stmt, i++) != 0;
        p.interval = ColumnLong(stmt, i++);
        p.dayOfWeekMask = ColumnLong(stmt, i++);
        p.dayOfMonth = ColumnLong(stmt, i++);
        p.instance = ColumnLong(stmt, i++);
        p.monthOfYear = ColumnLong(stmt, i++);
    }
    row.uid = ColumnText(stmt, kColumnCount);
    return row;
}

bool EntryBefore(const CollectionEntry& a, const CollectionEntry& b) {
    return a.start != b.start ? a.start < b.start : a.oid < b.oid;
}

}  // namespace

// ---- Row rules ----

std::u16string NewUid() {
    static std::mt19937_64 generator{[] {
        std::random_device device;
        return (uint64_t{device()} << 32) ^ device();
    }()};
    char text[40];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(generator()),
                  static_cast<unsigned long long>(generator()));
    return FromUtf8(std::string(text) + "@moru-calendar");
}

RecurrenceRule RuleOf(const Row& row) {
    const PatternFields& p = row.pattern;
    RecurrenceRule rule;
    rule.type = p.type;
    rule.firstDay = FloorDiv(p.startDate, kDaySeconds);
    rule.interval = p.interval;
    rule.dayOfWeekMask = p.dayOfWeekMask;
    rule.dayOfMonth = p.dayOfMonth;
    rule.instance = p.instance;
    rule.monthOfYear = p.monthOfYear;
    rule.lastDay = PatternLastDay(row);
    return rule;
}

std::optional<int64_t> PatternLastDay(const Row& row) {
    const PatternFields& p = row.pattern;
    if (p.noEndDate) {
        return std::nullopt;
    }
    if (p.occurrences > 0) {
        Row endless;
        endless.recurring = true;
        endless.pattern = p;
        endless.pattern.noEndDate = true;
        const RecurrenceRule open = RuleOf(endless);
        if (ValidateRule(open).has_value()) {
            return std::nullopt;
        }
        // A count that runs past the year 9999 ends with the representable range.
        return NthOccurrenceDay(open, p.occurrences).value_or(LastRepresentableDay());
    }
    return FloorDiv(p.endDate, kDaySeconds);
}

int64_t OccurrenceTimeOfDay(const Row& row) {
    const int64_t time = row.pattern.startTime.value_or(row.start);
    const int64_t ofDay = time % kDaySeconds;
    return ofDay < 0 ? ofDay + kDaySeconds : ofDay;
}

int64_t OccurrenceLength(const Row& row) {
    if (row.pattern.duration) {
        // No occurrence can outlast the calendar; holding a damaged duration within that
        // keeps the seconds from overflowing, and ValidateRow then refuses it.
        const int64_t longest = (LastRepresentableDay() - FirstRepresentableDay() + 1) * 1440;
        return std::clamp<int64_t>(*row.pattern.duration, -longest, longest + 1) * 60;
    }
    return row.end - row.start;
}

std::optional<std::string> ValidateRow(const Row& row) {
    const int64_t first = FirstRepresentableDay() * kDaySeconds;
    const int64_t last = (LastRepresentableDay() + 1) * kDaySeconds;
    if (row.start < first || row.start >= last || row.end < first || row.end >= last) {
        return "the start or end lies outside the years 100 to 9999";
    }
    if (row.end < row.start) {
        return "the end lies before the start";
    }
    if (!row.recurring) {
        return std::nullopt;
    }
    const std::optional<int64_t>& startTime = row.pattern.startTime;
    if (startTime && (*startTime < first || *startTime >= last)) {
        return "the pattern's start time lies outside the years 100 to 9999";
    }
    const int64_t length = OccurrenceLength(row);
    if (length < 0) {
        return "the pattern's duration is negative";
    }
    if (length > last - first) {
        return "the pattern's duration is longer than the calendar";
    }
    if (row.pattern.occurrences < 0 && !row.pattern.noEndDate) {
        return "the number of occurrences is negative";
    }
    return ValidateRule(RuleOf(row));
}

// ---- Statement ----

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::reset(sqlite3_stmt* stmt) {
    sqlite3_finalize(stmt_);
    stmt_ = stmt;
}

namespace {
// Resets a cached statement when the scope ends, so that no read stays open between calls.
struct ResetOnExit {
    sqlite3_stmt* stmt;
    ~ResetOnExit() {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
};
}  // namespace

// ---- Session ----

Session::Session(std::filesystem::path storeFile) : file(std::move(storeFile)) {}

Session::~Session() {
    Close();
}

Status Session::Open() {
    if (db != nullptr) {
        return {};
    }
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
    saveStatements_.clear();
    for (Statement* s :
         {&selectRow_, &selectInk_, &selectSeries_, &dataVersion_, &countAll_, &orderAll_,
          &orderAt_, &selectRange_, &selectMeta_, &longestLead_, &selectUid_}) {
        s->reset(nullptr);
    }
    series_.clear();
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
    }
    return slot.get();
}

void Session::RollBack() {
    if (db != nullptr && sqlite3_get_autocommit(db) == 0) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
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
    static const std::string sql =
        "SELECT " + ColumnList() + " FROM appointments ORDER BY start_s, oid";
    Statement stmt;
    sqlite3_stmt* raw = nullptr;
    if (db == nullptr || sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
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
    BindText(*stmt, 1, uid);
    const int rc = sqlite3_step(*stmt);
    if (rc == SQLITE_ROW) {
        return std::optional<uint32_t>(static_cast<uint32_t>(sqlite3_column_int64(*stmt, 0)));
    }
    if (rc == SQLITE_DONE) {
        return std::optional<uint32_t>();
    }
    return Fail("look up a UID").error();
}

Status Session::SaveRow(Row& row, const std::optional<std::vector<uint8_t>>& ink) {
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
            s = step(InsertSql(), [&](sqlite3_stmt* st) { BindRow(st, written); });
            if (!s.ok()) {
                return s;
            }
        } else {
            Status s = step(UpdateSql(), [&](sqlite3_stmt* st) { BindRow(st, written); });
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

Status Session::RefreshSeries() {
    const auto [version, local] = ChangeStamp();
    if (version == seriesDataVersion_ && local == seriesLocalChanges_ && version != -1) {
        return {};
    }
    Result<sqlite3_stmt*> stmt = Prepare(selectSeries_, SelectSeriesSql().c_str());
    if (!stmt.ok()) {
        return stmt.status();
    }
    ResetOnExit reset{*stmt};
    std::vector<std::shared_ptr<const Row>> loaded;
    std::set<uint32_t> unexpandable;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(*stmt)) == SQLITE_ROW) {
        Row row = ReadRow(*stmt);
        if (std::optional<std::string> why = ValidateRow(row)) {
            // Only this program writes the store and it refuses such rows; a row like this was
            // damaged outside it. It is listed as itself, without occurrences.
            std::fprintf(stderr, "appointment store %s: appointment %u is not expanded: %s\n",
                         file.c_str(), row.oid, why->c_str());
            unexpandable.insert(row.oid);
            continue;
        }
        loaded.push_back(std::make_shared<const Row>(std::move(row)));
    }
    if (rc != SQLITE_DONE) {
        return Fail("read recurring appointments");
    }
    series_ = std::move(loaded);
    unexpandable_ = std::move(unexpandable);
    seriesDataVersion_ = version;
    seriesLocalChanges_ = local;
    return {};
}

bool Session::BeginRead() {
    if (readDepth_ > 0) {
        ++readDepth_;
        return true;
    }
    if (db == nullptr || sqlite3_get_autocommit(db) == 0 || !Exec("BEGIN").ok()) {
        return false;
    }
    readDepth_ = 1;
    return true;
}

void Session::EndRead() {
    if (readDepth_ > 0 && --readDepth_ == 0) {
        RollBack();
    }
}

Result<Evaluation> Session::Evaluate(const Restriction* restriction, bool includeRecurrences) {
    // One read transaction: the one-off items and the series come from the same moment. Inside
    // a ReadBatch or a Transaction, that one is the moment (and ending it here would undo it).
    const bool ownTransaction = readDepth_ == 0 && !inBatch_;
    if (ownTransaction) {
        if (Status s = Exec("BEGIN"); !s.ok()) {
            return s.error();
        }
    }
    struct EndRead {
        Session* session;
        bool own;
        ~EndRead() {
            if (own) {
                session->RollBack();
            }
        }
    } endRead{this, ownTransaction};

    const Restriction none;
    const Restriction& r = restriction ? *restriction : none;
    const DayRange startDays = r.StartDays();
    const DayRange endDays = r.EndDays();
    Evaluation result;
    if (startDays.empty() || endDays.empty()) {
        return result;
    }

    int64_t maxSpan = 0;
    {
        Result<sqlite3_stmt*> stmt =
            Prepare(selectMeta_, "SELECT value FROM store_meta WHERE key = 'max_span'");
        if (!stmt.ok()) {
            return stmt.error();
        }
        ResetOnExit reset{*stmt};
        if (sqlite3_step(*stmt) == SQLITE_ROW) {
            maxSpan = sqlite3_column_int64(*stmt, 0);
        }
    }
    // The start range that the index walks: the Start clauses, narrowed by the End clauses
    // (an item ending on or after day E started at most maxSpan before E's midnight).
    int64_t low = startDays.first * kDaySeconds;
    int64_t high = (startDays.last + 1) * kDaySeconds - 1;
    low = std::max(low, endDays.first * kDaySeconds - maxSpan);
    high = std::min(high, (endDays.last + 1) * kDaySeconds);

    if (includeRecurrences) {
        if (Status s = RefreshSeries(); !s.ok()) {
            return s.error();
        }
    }
    Result<sqlite3_stmt*> stmt = Prepare(selectRange_,
                                         "SELECT oid, start_s, end_s, recurring FROM appointments "
                                         "WHERE start_s BETWEEN ?1 AND ?2 ORDER BY start_s, oid");
    if (!stmt.ok()) {
        return stmt.error();
    }
    {
        ResetOnExit reset{*stmt};
        sqlite3_bind_int64(*stmt, 1, low);
        sqlite3_bind_int64(*stmt, 2, high);
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(*stmt)) == SQLITE_ROW) {
            const bool recurring = sqlite3_column_int(*stmt, 3) != 0;
            CollectionEntry entry;
            entry.oid = static_cast<uint32_t>(sqlite3_column_int64(*stmt, 0));
            if (recurring && includeRecurrences && !unexpandable_.contains(entry.oid)) {
                continue;  // its occurrences come from the series below
            }
            entry.start = sqlite3_column_int64(*stmt, 1);
            entry.end = sqlite3_column_int64(*stmt, 2);
            if (r.Matches(entry.start, entry.end)) {
                result.entries.push_back(entry);
            }
        }
        if (rc != SQLITE_DONE) {
            return Fail("query appointments").error();
        }
    }
    if (!includeRecurrences) {
        return result;
    }
    const size_t oneOffs = result.entries.size();
    for (const std::shared_ptr<const Row>& series : series_) {
        const int64_t timeOfDay = OccurrenceTimeOfDay(*series);
        const int64_t length = OccurrenceLength(*series);
        // An occurrence on day d ends at most this many days after d.
        const int64_t reach = (timeOfDay + length) / kDaySeconds + 1;
        const int64_t fromDay = std::max(startDays.first, endDays.first - reach);
        const int64_t toDay = std::min(startDays.last, endDays.last);
        int taken = 0;
        ForEachOccurrenceDay(RuleOf(*series), fromDay, toDay, [&](int64_t day) {
            const int64_t start = day * kDaySeconds + timeOfDay;
            const int64_t end = start + length;
            if (!r.Matches(start, end)) {
                return true;
            }
            if (taken == kMaxOccurrencesPerSeries) {
                result.truncated = true;
                return false;
            }
            ++taken;
            result.entries.push_back(CollectionEntry{series->oid, start, end, series});
            return true;
        });
    }
    if (result.entries.size() > oneOffs) {
        std::sort(result.entries.begin(), result.entries.end(), EntryBefore);
    }
    return result;
}

Result<long> Session::CountAll() {
    Result<sqlite3_stmt*> stmt = Prepare(countAll_, "SELECT count(*) FROM appointments");
    if (!stmt.ok()) {
        return stmt.error();
    }
    ResetOnExit reset{*stmt};
    if (sqlite3_step(*stmt) != SQLITE_ROW) {
        return Fail("count appointments").error();
    }
    return static_cast<long>(sqlite3_column_int64(*stmt, 0));
}

Result<long> Session::LongestReminderLead() {
    Result<sqlite3_stmt*> stmt =
        Prepare(longestLead_,
                "SELECT coalesce(max(reminder_minutes), 0) FROM appointments "
                "WHERE reminder_set != 0 AND reminder_minutes > 0");
    if (!stmt.ok()) {
        return stmt.error();
    }
    ResetOnExit reset{*stmt};
    if (sqlite3_step(*stmt) != SQLITE_ROW) {
        return Fail("find the longest reminder lead").error();
    }
    return static_cast<long>(sqlite3_column_int64(*stmt, 0));
}

Result<std::optional<CollectionEntry>> Session::ItemAt(long index) {
    const std::pair<int64_t, uint64_t> stamp = ChangeStamp();
    if (snapshotStamp_ != stamp && index < kDirectLookupLimit) {
        Result<sqlite3_stmt*> stmt =
            Prepare(orderAt_,
                    "SELECT oid, start_s, end_s FROM appointments ORDER BY start_s, oid "
                    "LIMIT 1 OFFSET ?1");
        if (!stmt.ok()) {
            return stmt.error();
        }
        ResetOnExit reset{*stmt};
        sqlite3_bind_int64(*stmt, 1, index);
        const int rc = sqlite3_step(*stmt);
        if (rc == SQLITE_DONE) {
            return std::optional<CollectionEntry>();
        }
        if (rc != SQLITE_ROW) {
            return Fail("read appointment order").error();
        }
        return std::optional<CollectionEntry>(CollectionEntry{
            static_cast<uint32_t>(sqlite3_column_int64(*stmt, 0)), sqlite3_column_int64(*stmt, 1),
            sqlite3_column_int64(*stmt, 2), nullptr});
    }
    if (snapshotStamp_ != stamp) {
        Result<sqlite3_stmt*> stmt = Prepare(
            orderAll_, "SELECT oid, start_s, end_s FROM appointments ORDER BY start_s, oid");
        if (!stmt.ok()) {
            return stmt.error();
        }
        ResetOnExit reset{*stmt};
        std::vector<CollectionEntry> order;
        int rc = SQLITE_OK;
        while ((rc = sqlite3_step(*stmt)) == SQLITE_ROW) {
            order.push_back(CollectionEntry{static_cast<uint32_t>(sqlite3_column_int64(*stmt, 0)),
                                            sqlite3_column_int64(*stmt, 1),
                                            sqlite3_column_int64(*stmt, 2), nullptr});
        }
        if (rc != SQLITE_DONE) {
            return Fail("read appointment order").error();
        }
        orderSnapshot_ = std::move(order);
        snapshotStamp_ = stamp;
    }
    if (index < 0 || static_cast<size_t>(index) >= orderSnapshot_.size()) {
        return std::optional<CollectionEntry>();
    }
    return std::optional<CollectionEntry>(orderSnapshot_[static_cast<size_t>(index)]);
}

}  // namespace moru::poom::detail
