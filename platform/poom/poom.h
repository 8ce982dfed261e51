#pragma once
// The appointment store: the object model the screens and the companion talk to, kept in one
// SQLite file in the device root ("\Windows\appointments.db") that the calendar, the companion
// and moru-device open at the same time (WAL, busy timeout).
//
// The objects are handles, as the device's COM objects are: copying a handle shares the
// object, and the object goes away with its last handle (no Release calls). Every call that
// can fail says why through Result/Status; the error code is the SQLite or errno value.
//
// Times cross this interface as DATE values (platform/datetime.h). Texts are UTF-16.
//
// Contract, beyond each call's comment:
// - Identifiers are non-zero 32-bit values, never reused, even after deletion.
// - Collections return items in store order: by Start, then identifier.
// - Restriction texts: clauses "[Start]|[End] <op> <date>" joined by "and", op one of
//   >= <= > < = <>, date as M/d/yyyy (FormatShortDate), an optional trailing line feed.
//   A date-only bound means: [Start] >= D from D's midnight; [Start] <= D up to the end of
//   day D; [End] >= D ends after D's midnight (an item ending exactly at midnight does not
//   reach into D; a zero-length item at midnight of D does). Other text makes Restrict fail.
// - With IncludeRecurrences, each occurrence of a recurring series inside the restricted
//   window comes back as its own item (its own Start and End, the series' identifier).
//   Only a window open on one side is capped (kMaxOccurrencesPerSeries, reported by
//   Truncated); expansion jumps straight to the window.
// - The unrestricted collection (Folder::Items) is live: after a deletion, Item(i) returns
//   what moved down. A restricted collection is evaluated once, on its first use, and then
//   kept as it was (the month screen keeps one across repaints).
// - Every change (Save, Delete) made by any process is announced through ChangeWatcher.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace moru::poom {

namespace detail {
struct Session;
struct AppointmentState;
struct CollectionState;
}  // namespace detail

inline constexpr int kCalendarFolder = 9;   // GetDefaultFolder's calendar folder
inline constexpr int kAppointmentItem = 1;  // CreateItem's appointment type

// The ink body of one appointment may not exceed this; a larger write is refused.
inline constexpr size_t kMaxInkBodyBytes = size_t{1024} * 1024;

// A window without bounds would be endless for a series with no end; no series yields more
// than this many occurrences to a collection whose window is open on either side (a window
// bounded on both sides bounds the work itself and is never cut). Truncated() says when the
// cap cut a series.
inline constexpr int kMaxOccurrencesPerSeries = 5000;

// Recurrence types as the pattern stores them.
inline constexpr int kRecursDaily = 0;
inline constexpr int kRecursWeekly = 1;
inline constexpr int kRecursMonthly = 2;
inline constexpr int kRecursMonthNth = 3;
inline constexpr int kRecursYearly = 5;
inline constexpr int kRecursYearNth = 6;

// Test-only: makes the named call fail in this process. Also read once from the environment
// variable MORU_STORE_FAULTS ("Items,Restrict", ...) so that a child process can be started
// with a failing store.
enum class FaultPoint { Logon, Items, Restrict, Save, GetItemFromOid, CreateItem, Delete };
void SetFault(FaultPoint point, bool fail);
// Test-only: makes the store refuse to delete this one identifier (Appointment::Delete fails,
// DeleteItems keeps it), as a store that will not let go of one item would. ClearFaults ends it.
void SetDeleteRefused(uint32_t oid, bool refuse);
void ClearFaults();

// The pattern of one appointment. Writes land in the store with the appointment's Save.
// Semantics: daily (every Interval days; DayOfWeekMask 62 means every weekday), weekly
// (every Interval weeks on the weekdays of DayOfWeekMask, bit 0 = Sunday, weeks start on
// Sunday), monthly on DayOfMonth (a day past the month's end falls on its last day), monthly
// on the Instance-th (1..4, 5 = last) weekday of DayOfWeekMask, yearly on MonthOfYear and
// DayOfMonth (29 February falls on 28 February in other years), yearly on the Instance-th
// weekday of MonthOfYear. Every Interval months or years where that applies. Ends never
// (NoEndDate), on PatternEndDate (inclusive), or after Occurrences; writing Occurrences
// derives PatternEndDate, writing PatternEndDate sets Occurrences to 0.
// Each occurrence starts on its date at the time of day of StartTime and lasts Duration
// minutes.
class RecurrencePattern {
public:
    int RecurrenceType() const;
    void SetRecurrenceType(int type);
    double PatternStartDate() const;
    void SetPatternStartDate(double date);
    double StartTime() const;
    void SetStartTime(double time);
    double EndTime() const;
    void SetEndTime(double time);
    long Duration() const;  // minutes
    void SetDuration(long minutes);
    long Occurrences() const;
    void SetOccurrences(long count);
    double PatternEndDate() const;
    void SetPatternEndDate(double date);
    bool NoEndDate() const;
    void SetNoEndDate(bool noEnd);
    long Interval() const;
    void SetInterval(long interval);
    long DayOfWeekMask() const;
    void SetDayOfWeekMask(long mask);
    long DayOfMonth() const;
    void SetDayOfMonth(long day);
    long Instance() const;
    void SetInstance(long instance);
    long MonthOfYear() const;
    void SetMonthOfYear(long month);

private:
    friend class Appointment;
    explicit RecurrencePattern(std::shared_ptr<detail::AppointmentState> state);
    std::shared_ptr<detail::AppointmentState> state_;
};

class Appointment {
public:
    uint32_t Oid() const;  // 0 until first saved

    std::u16string Subject() const;
    void SetSubject(std::u16string subject);
    std::u16string Location() const;
    void SetLocation(std::u16string location);
    std::u16string Categories() const;
    void SetCategories(std::u16string categories);
    std::u16string Body() const;
    void SetBody(std::u16string body);

    double Start() const;  // for an occurrence: the occurrence's own start
    void SetStart(double date);
    double End() const;
    void SetEnd(double date);
    long Duration() const;  // minutes
    void SetDuration(long minutes);
    bool AllDayEvent() const;
    void SetAllDayEvent(bool allDay);
    long BusyStatus() const;
    void SetBusyStatus(long status);
    long Sensitivity() const;  // 0 normal
    void SetSensitivity(long sensitivity);

    bool ReminderSet() const;
    void SetReminderSet(bool set);
    long ReminderMinutesBeforeStart() const;
    void SetReminderMinutesBeforeStart(long minutes);
    std::u16string ReminderSoundFile() const;
    void SetReminderSoundFile(std::u16string file);
    long ReminderOptions() const;
    void SetReminderOptions(long options);

    bool IsRecurring() const;
    // Makes the appointment recurring (with its stored pattern, or a weekly default seeded
    // from Start); ClearRecurrencePattern makes it one-off again. Both take effect on Save.
    RecurrencePattern GetRecurrencePattern();
    void ClearRecurrencePattern();

    // The iCalendar UID. A new appointment saved without one is given one, so every stored
    // appointment has a UID, unique in the store.
    std::u16string Uid() const;
    void SetUid(std::u16string uid);

    Result<std::vector<uint8_t>> GetBodyInk() const;
    Status SetBodyInk(std::vector<uint8_t> ink);  // refused above kMaxInkBodyBytes

    // Writes the appointment (and its pattern and ink body). Refused for an End before Start
    // or a pattern that cannot produce an occurrence.
    Status Save();
    Status Delete();

private:
    friend class Application;
    friend class ItemCollection;
    explicit Appointment(std::shared_ptr<detail::AppointmentState> state);
    std::shared_ptr<detail::AppointmentState> state_;
};

class ItemCollection {
public:
    Result<long> Count() const;
    Result<ItemCollection> Restrict(std::u16string_view restriction) const;
    void SetIncludeRecurrences(bool include);
    // Says that the walk reads only what a listing shows of its items: Oid, Start, End,
    // Duration, Subject, AllDayEvent, IsRecurring, ReminderSet and ReminderMinutesBeforeStart.
    // Their rows are then read without the rest. Any other property still answers; the
    // first such read reads the whole rows, as a walk without this does.
    void ReadSummariesOnly();
    // 1-based; nothing once the index passes the last item, or when the store failed to
    // read (LastError says which).
    std::optional<Appointment> Item(long index) const;
    // The read that last failed for this collection: the walk behind Item, or the rows of
    // the items it listed (an item whose row could not be read shows only its identifier and
    // times). A walk whose LastError is a failure is not the collection's content.
    Status LastError() const;
    // True when some series had more occurrences in the window than one collection takes
    // (kMaxOccurrencesPerSeries); the collection then holds the first ones.
    bool Truncated() const;

private:
    friend class Folder;
    explicit ItemCollection(std::shared_ptr<detail::CollectionState> state);
    std::shared_ptr<detail::CollectionState> state_;
};

// Whether a restricted collection lists each recurring series once or every occurrence of
// it inside the restricted window.
enum class Recurrences { Series, Occurrences };

class Folder {
public:
    Result<ItemCollection> Items() const;
    // Items, then Restrict with `restriction`, then IncludeRecurrences as asked: the query
    // every reader of a date range makes. Fails with the first of those calls that fails.
    Result<ItemCollection> Query(std::u16string_view restriction, Recurrences recurrences) const;
    // The most minutes before its start that any appointment's reminder rings (0 when no
    // appointment has a reminder), so a reader of reminders due in a window knows how far
    // past it the starts can lie.
    Result<long> LongestReminderLead() const;
    // Gives back the memory the store keeps to read faster (its page cache), for a resident
    // process that reads rarely; the next read fills it again as needed.
    void ReleaseMemory() const;

private:
    friend class Application;
    explicit Folder(std::shared_ptr<detail::Session> session);
    std::shared_ptr<detail::Session> session_;
};

// While it lives, the reads through one application share one read transaction: one
// snapshot of the store, and one lock instead of one per call (a list of a thousand items
// reads a thousand rows). Nothing may be written through the application meanwhile (a write
// fails). Batches nest; a batch that could not begin leaves every read to run on its own.
class ReadBatch {
public:
    ReadBatch() = default;
    ~ReadBatch();
    ReadBatch(ReadBatch&& other) noexcept;
    ReadBatch& operator=(ReadBatch&& other) noexcept;
    ReadBatch(const ReadBatch&) = delete;
    ReadBatch& operator=(const ReadBatch&) = delete;

private:
    friend class Application;
    explicit ReadBatch(std::shared_ptr<detail::Session> session);
    std::shared_ptr<detail::Session> session_;  // null when no transaction was begun
};

// How many identifiers DeleteItems works through between two calls of its callback: about
// 6 ms of work, far below the 100 ms after which a window that does not repaint looks frozen.
inline constexpr size_t kDeleteSlice = 1000;

// What DeleteItems did with each identifier it was given, in the order given.
struct DeleteOutcome {
    std::vector<uint32_t> deleted;  // gone now
    std::vector<uint32_t> missing;  // named no appointment (already gone, or 0)
    std::vector<uint32_t> refused;  // still there: the store would not delete them
};

// Makes every Save and Delete through one Application, from Application::BeginTransaction
// until Commit, a single store transaction: other programs see all of it or none of it, and
// it is announced once. A transaction that is destroyed without Commit is rolled back, and
// so is everything once one write inside it fails (later writes are then refused). The
// appointment handles saved inside keep the identifiers they were given even when it rolls
// back; those identifiers are then unused and are handed out again.
// Read: one snapshot for many reads (an export sees one moment of the store and takes its
// read lock once, not once per item); it holds no write lock, and Commit only ends it.
enum class TransactionMode { Write, Read };

class Transaction {
public:
    Transaction(Transaction&& other) noexcept;
    Transaction& operator=(Transaction&&) = delete;
    ~Transaction();
    Status Commit();

private:
    friend class Application;
    explicit Transaction(std::shared_ptr<detail::Session> session);
    std::shared_ptr<detail::Session> session_;
};

class Application {
public:
    // The application object for the store in the current device root. Creating it does not
    // touch the file; Logon opens it.
    static Result<std::shared_ptr<Application>> Create();
    static Result<std::shared_ptr<Application>> Create(const std::filesystem::path& storeFile);
    ~Application();

    // Opens the store file, creating a new empty store when there is none. A damaged or
    // foreign file is refused with a clear reason and left exactly as it was.
    Status Logon();
    void Logoff();
    Result<Folder> GetDefaultFolder(int folder) const;
    Result<Appointment> CreateItem(int itemType) const;
    Result<Appointment> GetItemFromOid(uint32_t oid) const;
    ReadBatch BeginReadBatch() const;
    // Deletes the appointments (and their ink bodies) in one transaction with one change
    // notice: after a crash either all of them are gone or none is. A failure of the store
    // deletes nothing and says why; an identifier the store refuses is kept and listed.
    // With `betweenSlices`, the transaction runs on a connection of its own and calls it
    // after every kDeleteSlice identifiers, so that a caller can keep its window alive; reads
    // through this Application meanwhile see the store as it was before the deletion. The
    // callback must not write to the store (the deletion holds the write lock).
    Result<DeleteOutcome> DeleteItems(std::span<const uint32_t> oids,
                                      const std::function<void()>& betweenSlices = {}) const;
    // The appointment with this iCalendar UID; fails with SQLITE_NOTFOUND when there is none.
    Result<Appointment> GetItemFromUid(std::u16string_view uid) const;
    Result<Transaction> BeginTransaction(TransactionMode mode = TransactionMode::Write) const;
    // Every appointment once (a series as itself), in store order, each read whole in one
    // pass over the store: what an export walks. Much faster than Item(i) and a read per item
    // on a large store.
    Status ForEachAppointment(const std::function<void(Appointment&)>& visit) const;

private:
    explicit Application(std::filesystem::path storeFile);
    std::filesystem::path storeFile_;
    std::shared_ptr<detail::Session> session_;
};

// Announces changes to the store of a device root, made by this or any other process.
// The calendar watches fd() for readability (a QSocketNotifier) and calls Drain() when it is.
class ChangeWatcher {
public:
    static Result<std::unique_ptr<ChangeWatcher>> Open(const std::filesystem::path& storeFile);
    ~ChangeWatcher();
    int fd() const;
    bool Drain();  // true when at least one change was announced since the last Drain

private:
    ChangeWatcher() = default;
    int fd_ = -1;
    int watch_ = -1;
    std::string notifyName_;  // the file in the watched folder that writers touch
};

// Announces a change of what the calendar shows that the store itself does not hold (the
// category file): every ChangeWatcher of the store reports it as if the store had changed.
void AnnounceStoreChange(const std::filesystem::path& storeFile);

// The store file of the current device root.
std::filesystem::path DefaultStoreFile();

}  // namespace moru::poom
