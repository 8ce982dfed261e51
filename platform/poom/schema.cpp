// Opening and creating the store file. The file is the user's data: anything that is not our
// store is refused before SQLite writes a byte to it, and a new store appears under its name
// only once it is complete (built beside it, then linked into place).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/poom/session.h"

namespace moru::poom::detail {
namespace {

constexpr uint32_t kApplicationId = 0x4D6F7275;  // "Moru" in the database header
constexpr uint32_t kSchemaVersion = 3;           // PRAGMA user_version of this layout
constexpr uint32_t kOldestSchemaVersion = 1;     // the oldest layout still migrated on opening
constexpr int kBusyTimeoutMs = 5000;
constexpr size_t kHeaderSize = 100;
constexpr size_t kUserVersionOffset = 60;
constexpr size_t kApplicationIdOffset = 68;
constexpr char kMagic[] = "SQLite format 3";  // with its terminating zero: 16 bytes

// The appointments are kept in the order the walks read them: the one-off items by start, then
// the series. A window of days is then a few neighbouring pages of the file, not a page per
// item scattered over all of it (identifiers are handed out in the order items are made, not
// in the order of their dates).
constexpr const char* kAppointmentColumns = R"sql(
    oid INTEGER NOT NULL,
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
    uid TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (recurring, start_s, oid)
)sql";

// The appointments table, under the name `table` (its indexes follow in kAppointmentIndexes).
std::string AppointmentsSql(const char* table) {
    std::string sql = "CREATE TABLE ";
    sql += table;
    sql += '(';
    sql += kAppointmentColumns;
    sql += ") WITHOUT ROWID;\n";
    return sql;
}

// appointments_lead answers the longest reminder lead, which the companion asks for at every
// run, without a scan of every row.
constexpr const char* kAppointmentIndexes = R"sql(
CREATE UNIQUE INDEX appointments_oid ON appointments(oid);
CREATE UNIQUE INDEX appointments_uid ON appointments(uid);
CREATE INDEX appointments_order ON appointments(start_s, oid, end_s, recurring);
CREATE INDEX appointments_lead ON appointments(reminder_minutes) WHERE reminder_set != 0;
)sql";

std::string SchemaSql() {
    std::string sql =
        "CREATE TABLE store_meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;\n"
        "INSERT INTO store_meta(key, value) VALUES ('next_oid', 1), ('max_span', 0);\n";
    sql += AppointmentsSql("appointments");
    sql += kAppointmentIndexes;
    sql += "CREATE TABLE ink(oid INTEGER PRIMARY KEY, data BLOB NOT NULL);\n";
    return sql;
}

Error FileError(const std::filesystem::path& file, int code, const std::string& reason) {
    return Error{code != 0 ? code : SQLITE_ERROR,
                 "appointment store " + file.string() + ": " + reason};
}

Error Refused(const std::filesystem::path& file, const std::string& reason) {
    return FileError(file, SQLITE_NOTADB, reason + "; the file was left unchanged");
}

uint32_t BigEndian32(const unsigned char* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

// Looks at the header with plain reads, so that a foreign file never reaches SQLite (which
// could roll back its journal or checkpoint its log, changing it).
Status CheckHeader(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return FileError(file, errno, std::string("cannot be read: ") + std::strerror(errno));
    }
    std::array<unsigned char, kHeaderSize> header{};
    in.read(reinterpret_cast<char*>(header.data()), kHeaderSize);
    if (in.gcount() != static_cast<std::streamsize>(kHeaderSize)) {
        return Refused(file, "not an appointment store (too short to be an SQLite database)");
    }
    if (std::memcmp(header.data(), kMagic, sizeof kMagic) != 0) {
        return Refused(file, "not an appointment store (not an SQLite database)");
    }
    const uint32_t applicationId = BigEndian32(header.data() + kApplicationIdOffset);
    if (applicationId != kApplicationId) {
        return Refused(file, "an SQLite database of another program (application id " +
                                 std::to_string(applicationId) + ")");
    }
    const uint32_t version = BigEndian32(header.data() + kUserVersionOffset);
    if (version > kSchemaVersion) {
        return Refused(file, "written by a newer version of the store (schema " +
                                 std::to_string(version) + ", this program reads " +
                                 std::to_string(kSchemaVersion) + ")");
    }
    if (version < kOldestSchemaVersion) {
        return Refused(file, "unknown schema version " + std::to_string(version));
    }
    return {};
}

Result<int64_t> QueryInt(sqlite3* db, const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    int64_t value = 0;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            value = sqlite3_column_int64(stmt, 0);
            rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_OK) {
        return Error{rc, sqlite3_errmsg(db)};
    }
    return value;
}

Status ExecAll(sqlite3* db, const std::filesystem::path& file, const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        std::string reason = message != nullptr ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        return FileError(file, rc, reason);
    }
    return {};
}

// Checks inside SQLite what the header promised: our identity, our version, our tables.
Status VerifySchema(sqlite3* db, const std::filesystem::path& file) {
    const Result<int64_t> applicationId = QueryInt(db, "PRAGMA application_id");
    if (!applicationId.ok()) {
        return FileError(file, applicationId.error().code,
                         "cannot be read: " + applicationId.error().message);
    }
    if (*applicationId != kApplicationId) {
        return Refused(file, "an SQLite database of another program");
    }
    const Result<int64_t> version = QueryInt(db, "PRAGMA user_version");
    if (!version.ok() || *version < kOldestSchemaVersion || *version > kSchemaVersion) {
        return Refused(file, "an unexpected schema version");
    }
    const Result<int64_t> tables =
        QueryInt(db,
                 "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                 "('appointments', 'ink', 'store_meta')");
    if (!tables.ok() || *tables != 3) {
        return Refused(file, "damaged (tables of the appointment store are missing)");
    }
    return {};
}

// The columns every layout since version 2 has, in their order.
constexpr const char* kColumnNames =
    "oid, start_s, end_s, subject, location, categories, body, all_day, busy_status, "
    "sensitivity, reminder_set, reminder_minutes, reminder_sound, reminder_options, recurring, "
    "rec_type, pat_start, pat_start_time, pat_end_time, pat_duration, pat_occurrences, "
    "pat_end_date, pat_no_end, pat_interval, pat_mask, pat_day, pat_instance, pat_month, uid";

// Version 1 kept no iCalendar UID: the column is added and every existing appointment is
// given a UID of its own.
constexpr const char* kFromVersion1 =
    "ALTER TABLE appointments ADD COLUMN uid TEXT NOT NULL DEFAULT '';"
    "UPDATE appointments SET uid = lower(hex(randomblob(16))) || '@moru-calendar';";

// Version 2 kept the appointments in the order of their identifiers: they are copied into
// the table kept in walk order, which then takes the old one's name.
std::string FromVersion2() {
    std::string sql = AppointmentsSql("appointments_sorted");
    sql += "INSERT INTO appointments_sorted(";
    sql += kColumnNames;
    sql += ") SELECT ";
    sql += kColumnNames;
    sql +=
        " FROM appointments ORDER BY recurring, start_s, oid;"
        "DROP TABLE appointments;"
        "ALTER TABLE appointments_sorted RENAME TO appointments;";
    sql += kAppointmentIndexes;
    return sql;
}

// Brings an older store to this layout, all in one immediate transaction: a crash leaves the
// old store as it was, and of two programs opening it at once the second finds the work done.
// A store that can only be read is read in the layout of version 2 as it stands.
Status MigrateStore(sqlite3* db, const std::filesystem::path& file) {
    const Result<int64_t> before = QueryInt(db, "PRAGMA user_version");
    if (!before.ok()) {
        return FileError(file, before.error().code, "cannot be read: " + before.error().message);
    }
    if (*before == kSchemaVersion || (*before >= 2 && sqlite3_db_readonly(db, "main") == 1)) {
        return {};
    }
    if (Status s = ExecAll(db, file, "BEGIN IMMEDIATE"); !s.ok()) {
        return s;
    }
    const Result<int64_t> version = QueryInt(db, "PRAGMA user_version");
    Status status;
    bool migrated = false;
    if (!version.ok()) {
        status = FileError(file, version.error().code, version.error().message);
    } else if (*version < kSchemaVersion) {
        migrated = true;
        std::string steps = *version == 1 ? kFromVersion1 : "";
        steps += FromVersion2();
        steps += "PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";";
        status = ExecAll(db, file, steps.c_str());
    }
    if (status.ok()) {
        status = ExecAll(db, file, "COMMIT");
    }
    if (!status.ok()) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return FileError(file, status.error().code,
                         "cannot be brought to schema " + std::to_string(kSchemaVersion) +
                             " (it was left at version " + std::to_string(*before) +
                             "): " + status.error().message);
    }
    if (migrated) {
        std::fprintf(stderr, "appointment store %s: brought from schema %lld to schema %u\n",
                     file.c_str(), static_cast<long long>(*before), kSchemaVersion);
    }
    return {};
}

// SQLite opens its log, its shared-memory index and its journal by name beside the store, and
// every commit rewrites the notice file; a link planted under one of those names would have
// them write wherever it points. A store with such a link is not opened.
Status CheckSidecars(const std::filesystem::path& file) {
    struct stat info {};
    if (::lstat(file.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        return Refused(file, "a symbolic link, not opened");
    }
    for (const char* suffix : {"-wal", "-shm", "-journal", "-notify"}) {
        std::filesystem::path sidecar = file;
        sidecar += suffix;
        if (::lstat(sidecar.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
            return Refused(file, sidecar.filename().string() +
                                     " beside it is a symbolic link; remove it to use the store");
        }
    }
    return {};
}

bool HasLogContent(const std::filesystem::path& file) {
    std::filesystem::path log = file;
    log += "-wal";
    struct stat info {};
    return ::stat(log.c_str(), &info) == 0 && info.st_size > 0;
}

// "file:<path>?immutable=1", the path's reserved characters escaped.
std::string ImmutableUri(const std::filesystem::path& file) {
    std::string uri = "file:";
    for (const unsigned char c : file.string()) {
        if (c == '%' || c == '?' || c == '#' || c < 0x21 || c >= 0x7F) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        } else {
            uri += static_cast<char>(c);
        }
    }
    uri += "?immutable=1";
    return uri;
}

}  // namespace

Status OpenExistingStore(const std::filesystem::path& file, sqlite3** db) {
    *db = nullptr;
    if (Status header = CheckHeader(file); !header.ok()) {
        return header;
    }
    if (Status sidecars = CheckSidecars(file); !sidecars.ok()) {
        return sidecars;
    }
    sqlite3* handle = nullptr;
    // A store that can only be read (a read-only device root, a file without write permission)
    // still opens, for reading: SQLite keeps the log's index in memory then, and every write
    // fails with SQLITE_READONLY.
    const bool readOnly =
        ::access(file.c_str(), W_OK) != 0 || ::access(file.parent_path().c_str(), W_OK) != 0;
    // Without SQLITE_OPEN_CREATE: a file that vanished since the check is not recreated here.
    // A connection belongs to one logged-on Application, used by its program's one thread, so
    // SQLite's own locking of each call is pure cost.
    int rc = sqlite3_open_v2(file.c_str(), &handle,
                             (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                                 SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        Error error = FileError(file, rc,
                                std::string("cannot be opened: ") +
                                    (handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc)));
        sqlite3_close(handle);
        return error;
    }
    // The busy timeout comes before anything that may wait for another process's lock,
    // including the switch to WAL.
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    Status status = VerifySchema(handle, file);
    if (!status.ok() && readOnly && sqlite3_errcode(handle) == SQLITE_CANTOPEN &&
        !HasLogContent(file)) {
        // Reading a log-mode store needs its shared-memory index, which a read-only folder
        // cannot hold. With no log beside it everything is in the file itself, and on a
        // medium nobody can write to, reading it as unchanging is exact.
        sqlite3_close(handle);
        handle = nullptr;
        rc =
            sqlite3_open_v2(ImmutableUri(file).c_str(), &handle,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOFOLLOW, nullptr);
        status = rc == SQLITE_OK ? VerifySchema(handle, file)
                                 : FileError(file, rc, "cannot be opened for reading");
    }
    if (status.ok() && !readOnly) {
        status = ExecAll(handle, file, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;");
    }
    if (status.ok()) {
        status = MigrateStore(handle, file);
    }
    if (!status.ok()) {
        sqlite3_close(handle);
        return status;
    }
    // Reading a list of a thousand items by identifier touches pages all over the file; mapped,
    // they come from the system's page cache without a read call each. Nothing depends on it:
    // where mapping is not available SQLite reads as before.
    (void)sqlite3_exec(handle, "PRAGMA mmap_size = 268435456", nullptr, nullptr, nullptr);
    *db = handle;
    return {};
}

Status CreateStore(const std::filesystem::path& file) {
    if (Status folder = MakePrivateFolders(file.parent_path()); !folder.ok()) {
        return FileError(file, folder.error().code,
                         "cannot create its folder: " + folder.error().message);
    }
    // An exclusive file of an unpredictable name, private from the start: SQLite builds the
    // store in it (its journal and log take its mode), and it is linked into place complete.
    Result<TemporaryFile> building = TemporaryFile::Create(file, kPrivateFileMode);
    if (!building.ok()) {
        return FileError(file, building.error().code,
                         "cannot be created: " + building.error().message);
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(building->path().c_str(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
    Status status;
    if (rc != SQLITE_OK) {
        status = FileError(file, rc, std::string("cannot be created: ") + sqlite3_errstr(rc));
    } else {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        std::string setup =
            "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; "
            "PRAGMA application_id = ";
        setup += std::to_string(kApplicationId);
        setup += "; PRAGMA user_version = ";
        setup += std::to_string(kSchemaVersion);
        // The file is nobody's until it is linked into place and is thrown away on any
        // failure, so it is built without a journal or flushes of its own; the one flush
        // below, before the link, makes it durable as a whole. (A first start on a real disk
        // otherwise spent most of its time in a dozen flushes of an empty store.)
        setup += "; BEGIN; ";
        setup += SchemaSql();
        setup += " COMMIT; PRAGMA journal_mode = WAL;";
        status = ExecAll(db, file, setup.c_str());
    }
    sqlite3_close(db);
    if (status.ok() && ::fsync(building->fd()) != 0) {
        status = FileError(file, errno, std::string("cannot be created: ") + std::strerror(errno));
    }
    if (status.ok()) {
        // link() never replaces: when another process created the store meanwhile, its file
        // stays and ours is dropped.
        if (link(building->path().c_str(), file.c_str()) != 0 && errno != EEXIST) {
            status =
                FileError(file, errno, std::string("cannot be created: ") + std::strerror(errno));
        } else if (Status flushed = FlushFolder(file.parent_path()); !flushed.ok()) {
            std::fprintf(stderr, "%s\n", flushed.error().message.c_str());
        }
    }
    return status;
}

namespace {

// What a store build or an earlier version's build left beside the store when it died: the
// half-built file ("appointments.db.new-<pid>-<n>" of earlier versions) and the journals of
// half-built files that are gone.
bool IsStaleBuild(std::string_view name, std::string_view store) {
    if (!name.starts_with(store)) {
        return false;
    }
    const std::string_view rest = name.substr(store.size());
    return rest.starts_with(".new-") || rest.starts_with(".tmp-");
}

}  // namespace

void RemoveStaleBuilds(const std::filesystem::path& file) {
    const std::string store = file.filename().string();
    const std::filesystem::path folder = file.parent_path();
    auto isJournal = [](std::string_view name) {
        return name.ends_with("-journal") || name.ends_with("-wal") || name.ends_with("-shm");
    };
    // The half-built files first (a living builder holds its file locked), then the journals
    // whose file is gone.
    RemoveStaleTemporaries(
        file, [&](std::string_view name) { return IsStaleBuild(name, store) && !isJournal(name); });
    RemoveStaleTemporaries(file, [&](std::string_view name) {
        if (!IsStaleBuild(name, store) || !isJournal(name)) {
            return false;
        }
        const std::string built(name.substr(0, name.rfind('-')));
        struct stat info {};
        return ::lstat((folder / built).c_str(), &info) != 0;
    });
}

}  // namespace moru::poom::detail
