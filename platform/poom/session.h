#pragma once
// The store's private side: one SQLite connection per logged-on Application (the Session),
// the appointment row as a plain value, and the operations the handles in poom.h run on it.
//
// Times are kept as whole seconds since the DATE origin (30 December 1899), the linear form
// of platform/datetime.h, so that they index and compare exactly.
#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/poom/recurrence.h"
#include "platform/poom/restriction.h"
#include "platform/result.h"

namespace moru::poom {
struct DeleteOutcome;
}

namespace moru::poom::detail {

struct PatternFields {
    int type = 1;                      // RecurrenceType
    int64_t startDate = 0;             // PatternStartDate, as written
    std::optional<int64_t> startTime;  // StartTime; its time of day starts occurrences
    int64_t endTime = 0;               // EndTime, kept for the editor
    std::optional<long> duration;      // minutes per occurrence
    long occurrences = 0;              // > 0: the pattern ends after this many
    int64_t endDate = 0;               // PatternEndDate (inclusive by date)
    bool noEndDate = true;
    long interval = 1;
    long dayOfWeekMask = 0;
    long dayOfMonth = 1;
    long instance = 1;
    long monthOfYear = 1;
};

// How much of a row a read brings: everything, or the summary a listing shows (identifier,
// times, subject, all day, reminder set and its lead, recurring).
enum class RowPart { Whole, Summary };

struct Row {
    bool whole = true;  // false: a summary (and a series' pattern); the rest are defaults
    uint32_t oid = 0;   // 0 until first saved
    int64_t start = 0;
    int64_t end = 0;
    std::u16string subject;
    std::u16string location;
    std::u16string categories;
    std::u16string body;
    bool allDay = false;
    long busyStatus = 2;  // busy
    long sensitivity = 0;
    bool reminderSet = false;
    long reminderMinutes = 15;
    std::u16string reminderSound;
    long reminderOptions = 0;
    bool recurring = false;
    PatternFields pattern;  // meaningful when recurring
    std::u16string uid;     // the iCalendar UID; a new row without one is given one
};

// A UID for a new appointment: 32 random hexadecimal digits and "@moru-calendar", the form
// the store also gives the appointments of an older store when it adds the column.
std::u16string NewUid();

// The rule of a recurring row (its end derived from Occurrences when that is set).
RecurrenceRule RuleOf(const Row& row);
// The last day of a count-limited pattern, or its stored end date's day.
std::optional<int64_t> PatternLastDay(const Row& row);
// Time of day (seconds) and length (seconds) of each occurrence of a recurring row.
int64_t OccurrenceTimeOfDay(const Row& row);
int64_t OccurrenceLength(const Row& row);
// end - start, held within the 64-bit range: a row damaged outside the store may hold any
// two values, and its length is still asked for.
int64_t SpanSeconds(int64_t start, int64_t end);
// The longest length any item can have: the whole calendar, years 100 to 9999.
int64_t LongestSpanSeconds();
// Why the row cannot be saved, or nothing.
std::optional<std::string> ValidateRow(const Row& row);

// A prepared statement, finalised with its owner.
class Statement {
public:
    Statement() = default;
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }
    void reset(sqlite3_stmt* stmt);

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// Resets a cached statement when the scope ends, so that no read stays open between calls.
struct ResetOnExit {
    sqlite3_stmt* stmt;
    ~ResetOnExit() {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
};

// One entry of an evaluated collection. The two 32-bit fields share the last eight bytes:
// a walk sorts and merges thousands of entries, and 32 bytes each move faster than 40.
struct CollectionEntry {
    int64_t start = 0;  // the item's (or the occurrence's) own start
    int64_t end = 0;
    // The series of an occurrence, kept alive by its Evaluation's seriesRows; null for a
    // one-off. A plain pointer: a month's grid holds thousands of occurrences, and a counted
    // handle in each cost an atomic count up and down per entry.
    const Row* series = nullptr;
    uint32_t oid = 0;
    uint32_t seriesIndex = 0;  // where the Evaluation keeps that series' row
};
static_assert(sizeof(CollectionEntry) == 32);

struct Evaluation {
    std::vector<CollectionEntry> entries;
    std::vector<std::shared_ptr<const Row>> seriesRows;  // every series an entry points into
    bool truncated = false;  // some series had more occurrences than one collection takes
    size_t oneOffCount = 0;  // the entries before this are the one-off items, in store order
    // Asked for with the walk: the summary rows of those one-off items, in store order.
    std::optional<std::vector<std::shared_ptr<const Row>>> oneOffSummaries;
    // The start range the walk read; the rows of its one-off items all start inside it.
    int64_t low = 0;
    int64_t high = -1;
};

struct Session {
    explicit Session(std::filesystem::path storeFile);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Status Open();
    void Close();
    bool open() const { return db != nullptr; }

    // A read transaction around many reads (ReadBatch); nested calls join the outer one.
    // False when it could not begin: the reads then run one by one, as without it.
    bool BeginRead();
    void EndRead();

    Result<std::shared_ptr<const Row>> LoadRow(uint32_t oid);
    // Writes the row (a new one gets the next identifier) and, when given, its ink body, in
    // one transaction.
    Status SaveRow(Row& row, const std::optional<std::vector<uint8_t>>& ink);
    Status DeleteRow(uint32_t oid);
    // Deletes the rows in one transaction, calling `betweenSlices` (when set) after every
    // kDeleteSlice of them (platform/poom/bulk_delete.cpp).
    Status DeleteRows(std::span<const uint32_t> oids, const std::function<void()>& betweenSlices,
                      DeleteOutcome& outcome);
    // Every row in store order, read in one pass (an export), each handed to visit.
    Status ForEachRow(const std::function<void(std::shared_ptr<const Row>)>& visit);
    // The identifier of the appointment with this UID, or nothing.
    Result<std::optional<uint32_t>> FindUid(const std::u16string& uid);

    // A batch makes every Save and Delete until CommitBatch one transaction, announced once.
    // The first failing write rolls the whole batch back; later writes in it are refused.
    // write: takes the write lock at once (BEGIN IMMEDIATE); otherwise a deferred
    // transaction that reads one snapshot.
    Status BeginBatch(bool write);
    Status CommitBatch();
    void AbandonBatch();
    bool inBatch() const { return inBatch_; }
    Result<std::vector<uint8_t>> LoadInk(uint32_t oid);
    // Whole rows in store order from (start, oid) on, starting no later than lastStart, at
    // most `limit` of them (negative: no limit): one statement, so one read transaction, for
    // a walk that reads the rows of many listed items.
    Result<std::vector<std::shared_ptr<const Row>>> LoadRowsFrom(int64_t start, uint32_t oid,
                                                                 int64_t lastStart, long limit,
                                                                 RowPart part = RowPart::Whole);
    // Whole rows of the one-off items starting between firstStart and lastStart and ending
    // at firstEnd or later: the neighbouring rows of one stretch of the file, for a walk with
    // its occurrences (whose series come from the series rows).
    Result<std::vector<std::shared_ptr<const Row>>> LoadOneOffRows(int64_t firstStart,
                                                                   int64_t lastStart,
                                                                   int64_t firstEnd);

    // The whole row of a series that walks expand. The first is read alone; from the second
    // on, every series is read whole in one statement (and kept so for later walks).
    // SQLITE_NOTFOUND for an identifier that is no such series.
    Result<std::shared_ptr<const Row>> WholeSeriesRow(uint32_t oid);

    // Items in store order: the restriction's one-off items and, with recurrences, the
    // occurrences of every series inside its window; without recurrences a series is one item.
    // withSummaries (with recurrences only): the one-off items' summary rows come along.
    Result<Evaluation> Evaluate(const Restriction* restriction, bool includeRecurrences,
                                bool withSummaries = false);
    Result<long> CountAll();
    // The most minutes any appointment with its reminder set rings before its start; 0 when
    // none has one.
    Result<long> LongestReminderLead();
    // The identifier and times of the index-th (0-based) item in store order, series as one.
    Result<std::optional<CollectionEntry>> ItemAt(long index);
    // Changes by this or another connection since the value was last taken.
    std::pair<int64_t, uint64_t> ChangeStamp();

    std::filesystem::path file;
    sqlite3* db = nullptr;

private:
    Status Fail(const std::string& what) const;
    Status RefuseWhenReadOnly() const;
    Status Exec(const char* sql);
    // BEGIN, prepared once: a walk per repaint should not parse it every time.
    Status ExecBegin();
    Result<sqlite3_stmt*> Prepare(Statement& slot, const char* sql);
    // Every row the statement steps to; a failed step fails the whole read.
    Result<std::vector<std::shared_ptr<const Row>>> ReadRows(sqlite3_stmt* stmt, RowPart part);
    Status RefreshSeries();
    // Steps the statement in `slot` (its first columns oid, start_s and end_s; ?1 and ?2
    // bound to low and high), handing `each` every row's entry and the statement. Defined
    // beside Evaluate, its only caller.
    template <class Each>
    Status ForEachEntry(Statement& slot, const char* sql, int64_t low, int64_t high,
                        const Each& each);
    // Says (once per row) why a row's times outside the calendar are damaged.
    void ReportDamagedTimes(const CollectionEntry& entry);
    Status CommitAndAnnounce();
    void RollBack();
    // The transaction around one Save or Delete (none of its own inside a batch), and its end.
    Status BeginWrite();
    Status EndWrite(Status result);

    bool inBatch_ = false;
    bool batchBroken_ = false;  // a write of the batch failed and the batch was rolled back
    bool batchWrote_ = false;   // a write of the batch succeeded: its commit is announced

    uint64_t localChanges_ = 0;           // commits through this connection
    int readDepth_ = 0;                   // open ReadBatch objects that began a read transaction
    bool maxSpanReported_ = false;        // a damaged longest-item bound is said once
    std::set<uint32_t> damagedReported_;  // one-off rows with damaged times, said once each
    int64_t seriesDataVersion_ = -1;
    uint64_t seriesLocalChanges_ = 0;
    // Every recurring row with what expanding it needs, worked out once per change of the
    // store rather than on every walk (a count-limited pattern's last day takes a walk of its
    // own to find).
    struct Series {
        std::shared_ptr<const Row> row;
        PreparedRule rule;
        int64_t timeOfDay = 0;  // seconds after midnight at which each occurrence starts
        int64_t length = 0;     // seconds each occurrence lasts
    };
    std::vector<Series> series_;
    bool wholeSeries_ = false;    // series_ holds whole rows (since a walk needed them)
    bool seriesRowRead_ = false;  // one series row was read whole on its own
    std::unordered_map<uint32_t, std::shared_ptr<const Row>> seriesByOid_;  // series_'s, once asked
    size_t lastEntryCount_ = 0;        // the size of the last walk, to reserve for the next
    std::set<uint32_t> unexpandable_;  // recurring rows with a damaged pattern: listed as is
    // A snapshot of the store order for the live collection, valid at snapshotStamp_.
    std::vector<CollectionEntry> orderSnapshot_;
    std::optional<std::pair<int64_t, uint64_t>> snapshotStamp_;

    Statement selectRow_, selectInk_, selectSeries_, selectSeriesSummaries_, dataVersion_,
        countAll_, orderAll_, orderAt_, selectRange_, selectMeta_, longestLead_, selectRows_,
        selectRowSummaries_, selectOneOffs_, selectOneOffRange_, selectOneOffTimes_,
        selectSeriesRange_, begin_, rollback_, selectUid_;
    std::map<std::string, Statement> saveStatements_;  // SaveRow's, by their text
    std::vector<Statement*> prepared_;  // every statement above that Prepare has filled
};

// The file beside the store that every committing writer touches; ChangeWatcher watches it.
std::filesystem::path NotifyFileOf(const std::filesystem::path& storeFile);
void TouchNotifyFile(const std::filesystem::path& storeFile);

// Schema: opening an existing file (refusing anything that is not our store, untouched) and
// creating a new one.
Status OpenExistingStore(const std::filesystem::path& file, sqlite3** db);
Status CreateStore(const std::filesystem::path& file);
// Removes what store builds that died left beside the store.
void RemoveStaleBuilds(const std::filesystem::path& file);

// The test-only fault switch.
bool FaultActive(int point);
bool DeleteRefused(uint32_t oid);
Error InjectedFault(const char* call);

}  // namespace moru::poom::detail
