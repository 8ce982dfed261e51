// The handles of the appointment store (poom.h) over the session of session.h.
//
// An appointment handle owns an AppointmentState. Items listed by a collection start with
// only their identifier and times (the month view reads nothing else) and read the rest of
// their row on first use; an occurrence shares its series' row until it is written to.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/poom/session.h"
#include "platform/text.h"

namespace moru::poom {

namespace detail {

struct CollectionState;

struct AppointmentState {
    // An item a collection listed reaches the store through that collection, which also
    // keeps an occurrence's series row: a walk makes thousands of items, and each handle
    // copied is a count up and down in memory far from the walk's.
    std::shared_ptr<Session> session;             // an item of its own: its store
    std::shared_ptr<CollectionState> collection;  // the collection that listed it, if any
    const Row* series = nullptr;                  // an occurrence's series, kept by collection
    std::shared_ptr<const Row> row;  // null: a listed one-off item whose row is not read yet
    std::shared_ptr<Row> owned;      // set once this handle has its own, changed copy
    uint32_t oid = 0;
    bool listed = false;      // start/end below are the times the collection listed
    bool occurrence = false;  // one occurrence of a series: start/end are its own
    int64_t start = 0;
    int64_t end = 0;
    std::optional<std::vector<uint8_t>> pendingInk;  // written with the next Save

    // The whole row, or at least its summary (what a listing shows).
    const Row& Read(RowPart need = RowPart::Whole);
    Session* Store() const;

    Row& Write() {
        if (!owned) {
            owned = std::make_shared<Row>(Read());
            row = owned;
            if (listed || occurrence) {
                owned->start = start;
                owned->end = end;
            }
            listed = false;
        }
        return *owned;
    }

    // Until written to, a listed item and an occurrence show the times they were listed with.
    bool ShowsListedTimes() const { return listed || (occurrence && !owned); }
    int64_t Start() { return ShowsListedTimes() ? start : Read(RowPart::Summary).start; }
    int64_t End() { return ShowsListedTimes() ? end : Read(RowPart::Summary).end; }
};

// The live collection reads the rows of the items it lists this many at a time.
constexpr long kLiveRowBatch = 512;

struct CollectionState {
    std::shared_ptr<Session> session;
    std::optional<Restriction> restriction;  // none: the folder's own, live collection
    bool includeRecurrences = false;
    std::optional<Evaluation> evaluation;  // a restricted collection's items, once evaluated
    // The series rows of evaluations given up since (SetIncludeRecurrences): items listed
    // from them still show them.
    std::vector<std::vector<std::shared_ptr<const Row>>> retiredSeries;
    std::optional<Error> evaluationError;
    // Rows of listed one-off items, read together the first time one of them is needed: a
    // walk that reads its items' properties costs one statement, not one per item. They are
    // kept in store order, by (start, oid), and found by the listed times.
    std::vector<std::shared_ptr<const Row>> rows;
    RowPart reads = RowPart::Whole;     // what the walk said it reads of its items
    RowPart rowsPart = RowPart::Whole;  // what `rows` holds
    bool rowsRead = false;              // an evaluated collection's, once
    std::optional<std::pair<int64_t, uint64_t>> rowsStamp;  // the live collection's batch
    std::optional<Error> lastError;  // the read that last failed for this collection

    bool Live() const { return !restriction.has_value() && !includeRecurrences; }

    const Evaluation* Evaluate() {
        if (!evaluation && !evaluationError) {
            Result<Evaluation> result =
                session->Evaluate(restriction ? &*restriction : nullptr, includeRecurrences,
                                  reads == RowPart::Summary);
            if (result.ok()) {
                evaluation = std::move(*result);
                if (evaluation->oneOffSummaries) {
                    Keep(std::move(*evaluation->oneOffSummaries), RowPart::Summary);
                    evaluation->oneOffSummaries.reset();
                    rowsRead = true;
                }
            } else {
                std::fprintf(stderr, "%s\n", result.error().message.c_str());
                evaluationError = result.error();
                lastError = result.error();
            }
        }
        return evaluation ? &*evaluation : nullptr;
    }

    void Fail(const Error& error) {
        std::fprintf(stderr, "%s\n", error.message.c_str());
        lastError = error;
    }

    static bool InStoreOrder(const std::shared_ptr<const Row>& a,
                             const std::shared_ptr<const Row>& b) {
        return a->start != b->start ? a->start < b->start : a->oid < b->oid;
    }

    void Keep(std::vector<std::shared_ptr<const Row>> batch, RowPart part) {
        // The statements read the file in its own order, which is store order; the sort
        // only guards the lookup should SQLite ever choose another way.
        if (!std::is_sorted(batch.begin(), batch.end(), InStoreOrder)) {
            std::sort(batch.begin(), batch.end(), InStoreOrder);
        }
        rows = std::move(batch);
        rowsPart = part;
    }

    // The kept row listed at (start, oid), or null. A row that moved since it was listed is
    // not found here; its item reads it on its own.
    std::shared_ptr<const Row> Kept(uint32_t oid, int64_t listedStart) const {
        auto found = std::lower_bound(
            rows.begin(), rows.end(), std::pair{listedStart, oid},
            [](const std::shared_ptr<const Row>& row, const std::pair<int64_t, uint32_t>& key) {
                return std::pair{row->start, row->oid} < key;
            });
        return found != rows.end() && (*found)->oid == oid && (*found)->start == listedStart
                   ? *found
                   : nullptr;
    }

    // The row of a listed one-off item (its summary, when that is all the walk reads and
    // all `need` asks for), or null when it is gone or could not be read.
    std::shared_ptr<const Row> RowOf(uint32_t oid, int64_t listedStart, RowPart need) {
        const RowPart part = need == RowPart::Whole ? RowPart::Whole : reads;
        // Summaries do not answer a property outside them: the whole rows replace them.
        const bool tooLittle = part == RowPart::Whole && rowsPart == RowPart::Summary;
        if (Live()) {
            const std::pair<int64_t, uint64_t> stamp = session->ChangeStamp();
            if (rowsStamp != stamp || tooLittle || !Kept(oid, listedStart)) {
                rows.clear();
                rowsStamp = stamp;
                Result<std::vector<std::shared_ptr<const Row>>> batch = session->LoadRowsFrom(
                    listedStart, oid, std::numeric_limits<int64_t>::max(), kLiveRowBatch, part);
                if (!batch.ok()) {
                    Fail(batch.error());
                    return nullptr;
                }
                Keep(std::move(*batch), part);
            }
        } else if (evaluation && (!rowsRead || (tooLittle && !lastError))) {
            rowsRead = true;
            // With occurrences, only the one-off items are read as rows of their own, and none
            // that ends before the earliest listed one (the start range reaches back by the
            // longest item's length, for the few that are that long).
            int64_t firstEnd = std::numeric_limits<int64_t>::max();
            for (const CollectionEntry& entry : evaluation->entries) {
                if (entry.series == nullptr) {
                    firstEnd = std::min(firstEnd, entry.end);
                }
            }
            // With occurrences, summaries come only with the walk itself (Evaluate): the rows
            // read here are whole.
            const RowPart read = includeRecurrences ? RowPart::Whole : part;
            Result<std::vector<std::shared_ptr<const Row>>> batch =
                includeRecurrences
                    ? session->LoadOneOffRows(evaluation->low, evaluation->high, firstEnd)
                    : session->LoadRowsFrom(evaluation->low, 0, evaluation->high, -1, read);
            if (!batch.ok()) {
                Fail(batch.error());
                return nullptr;
            }
            Keep(std::move(*batch), read);
        }
        return Kept(oid, listedStart);
    }
};

Session* AppointmentState::Store() const {
    return collection ? collection->session.get() : session.get();
}

const Row& AppointmentState::Read(RowPart need) {
    const auto enough = [need](const Row* read) {
        return read != nullptr && (read->whole || need == RowPart::Summary);
    };
    if (enough(row.get())) {
        return *row;
    }
    if (!row && enough(series)) {
        return *series;
    }
    Session* store = Store();
    std::shared_ptr<const Row> found;
    if (occurrence && store) {
        // An occurrence shares its series' row: the series are read whole together.
        Result<std::shared_ptr<const Row>> whole = store->WholeSeriesRow(oid);
        if (whole.ok()) {
            found = *whole;
        }
    } else if (collection) {
        found = collection->RowOf(oid, start, need);
    }
    if (!enough(found.get()) && store && (!collection || !collection->lastError)) {
        Result<std::shared_ptr<const Row>> loaded = store->LoadRow(oid);
        if (loaded.ok()) {
            found = *loaded;
        } else if (loaded.error().code != SQLITE_NOTFOUND && collection) {
            collection->Fail(loaded.error());
        } else if (loaded.error().code != SQLITE_NOTFOUND) {
            std::fprintf(stderr, "%s\n", loaded.error().message.c_str());
        }
    }
    if (enough(found.get()) || (found && !row && series == nullptr)) {
        row = std::move(found);
    }
    if (!row && series != nullptr) {
        return *series;  // what the walk read of it is what is known
    }
    if (!row) {
        // Deleted since it was listed, or unreadable (the collection says which): it keeps
        // what the listing knew.
        auto stub = std::make_shared<Row>();
        stub->oid = oid;
        stub->start = start;
        stub->end = end;
        row = stub;
    }
    return *row;
}

Error NotLoggedOn() {
    return Error{SQLITE_MISUSE, "appointment store: not logged on"};
}

double ToDate(int64_t seconds) {
    return SecondsToDate(seconds);
}
int64_t ToSeconds(double date) {
    return DateToSeconds(date);
}

long WholeMinutes(int64_t seconds) {
    return static_cast<long>(seconds / 60);
}

// The pattern a one-off appointment gets when asked for one: weekly on its start's weekday.
void SeedPattern(Row& row) {
    const int64_t day = FloorDiv(row.start, kDaySeconds);
    int y = 0, m = 0, d = 0;
    CivilFromDayNumber(day, y, m, d);
    PatternFields p;
    p.type = kRecursWeekly;
    p.startDate = day * kDaySeconds;
    p.startTime = row.start;
    p.endTime = row.end;
    p.duration = WholeMinutes(SpanSeconds(row.start, row.end));
    p.occurrences = 0;
    p.endDate = day * kDaySeconds;
    p.noEndDate = true;
    p.interval = 1;
    p.dayOfWeekMask = 1L << WeekdayOfDay(day);
    p.dayOfMonth = d;
    p.instance = (d - 1) / 7 + 1;
    p.monthOfYear = m;
    row.pattern = p;
}

}  // namespace detail

using detail::AppointmentState;
using detail::CollectionState;

// ---- RecurrencePattern ----

RecurrencePattern::RecurrencePattern(std::shared_ptr<detail::AppointmentState> state)
    : state_(std::move(state)) {}

int RecurrencePattern::RecurrenceType() const {
    return state_->Read().pattern.type;
}
void RecurrencePattern::SetRecurrenceType(int type) {
    state_->Write().pattern.type = type;
}
double RecurrencePattern::PatternStartDate() const {
    return detail::ToDate(state_->Read().pattern.startDate);
}
void RecurrencePattern::SetPatternStartDate(double date) {
    state_->Write().pattern.startDate = detail::ToSeconds(date);
}
double RecurrencePattern::StartTime() const {
    const detail::Row& row = state_->Read();
    return detail::ToDate(row.pattern.startTime.value_or(row.start));
}
void RecurrencePattern::SetStartTime(double time) {
    state_->Write().pattern.startTime = detail::ToSeconds(time);
}
double RecurrencePattern::EndTime() const {
    return detail::ToDate(state_->Read().pattern.endTime);
}
void RecurrencePattern::SetEndTime(double time) {
    state_->Write().pattern.endTime = detail::ToSeconds(time);
}
long RecurrencePattern::Duration() const {
    return detail::WholeMinutes(detail::OccurrenceLength(state_->Read()));
}
void RecurrencePattern::SetDuration(long minutes) {
    state_->Write().pattern.duration = minutes;
}
long RecurrencePattern::Occurrences() const {
    return state_->Read().pattern.occurrences;
}
void RecurrencePattern::SetOccurrences(long count) {
    detail::Row& row = state_->Write();
    row.pattern.occurrences = count;
    if (count > 0) {
        // Derived from the fields as they stand; Save derives it again from the final ones.
        detail::Row counted = row;
        counted.pattern.noEndDate = false;
        if (std::optional<int64_t> last = detail::PatternLastDay(counted)) {
            row.pattern.endDate = *last * kDaySeconds;
        }
    }
}
double RecurrencePattern::PatternEndDate() const {
    const detail::Row& row = state_->Read();
    if (row.pattern.occurrences > 0) {
        detail::Row counted = row;
        counted.pattern.noEndDate = false;
        if (std::optional<int64_t> last = detail::PatternLastDay(counted)) {
            return detail::ToDate(*last * kDaySeconds);
        }
    }
    return detail::ToDate(row.pattern.endDate);
}
void RecurrencePattern::SetPatternEndDate(double date) {
    detail::Row& row = state_->Write();
    row.pattern.endDate = detail::ToSeconds(date);
    row.pattern.occurrences = 0;
}
bool RecurrencePattern::NoEndDate() const {
    return state_->Read().pattern.noEndDate;
}
void RecurrencePattern::SetNoEndDate(bool noEnd) {
    state_->Write().pattern.noEndDate = noEnd;
}
long RecurrencePattern::Interval() const {
    return state_->Read().pattern.interval;
}
void RecurrencePattern::SetInterval(long interval) {
    state_->Write().pattern.interval = interval;
}
long RecurrencePattern::DayOfWeekMask() const {
    return state_->Read().pattern.dayOfWeekMask;
}
void RecurrencePattern::SetDayOfWeekMask(long mask) {
    state_->Write().pattern.dayOfWeekMask = mask;
}
long RecurrencePattern::DayOfMonth() const {
    return state_->Read().pattern.dayOfMonth;
}
void RecurrencePattern::SetDayOfMonth(long day) {
    state_->Write().pattern.dayOfMonth = day;
}
long RecurrencePattern::Instance() const {
    return state_->Read().pattern.instance;
}
void RecurrencePattern::SetInstance(long instance) {
    state_->Write().pattern.instance = instance;
}
long RecurrencePattern::MonthOfYear() const {
    return state_->Read().pattern.monthOfYear;
}
void RecurrencePattern::SetMonthOfYear(long month) {
    state_->Write().pattern.monthOfYear = month;
}

// ---- Appointment ----

Appointment::Appointment(std::shared_ptr<detail::AppointmentState> state)
    : state_(std::move(state)) {}

uint32_t Appointment::Oid() const {
    return state_->oid;
}

std::u16string Appointment::Subject() const {
    return state_->Read(detail::RowPart::Summary).subject;
}
void Appointment::SetSubject(std::u16string subject) {
    state_->Write().subject = std::move(subject);
}
std::u16string Appointment::Location() const {
    return state_->Read().location;
}
void Appointment::SetLocation(std::u16string location) {
    state_->Write().location = std::move(location);
}
std::u16string Appointment::Categories() const {
    return state_->Read().categories;
}
void Appointment::SetCategories(std::u16string categories) {
    state_->Write().categories = std::move(categories);
}
std::u16string Appointment::Body() const {
    return state_->Read().body;
}
void Appointment::SetBody(std::u16string body) {
    state_->Write().body = std::move(body);
}

double Appointment::Start() const {
    return detail::ToDate(state_->Start());
}
void Appointment::SetStart(double date) {
    state_->Write().start = detail::ToSeconds(date);
}
double Appointment::End() const {
    return detail::ToDate(state_->End());
}
void Appointment::SetEnd(double date) {
    state_->Write().end = detail::ToSeconds(date);
}
long Appointment::Duration() const {
    return detail::WholeMinutes(detail::SpanSeconds(state_->Start(), state_->End()));
}
void Appointment::SetDuration(long minutes) {
    detail::Row& row = state_->Write();
    row.end = row.start + int64_t{minutes} * 60;
}
bool Appointment::AllDayEvent() const {
    return state_->Read(detail::RowPart::Summary).allDay;
}
void Appointment::SetAllDayEvent(bool allDay) {
    state_->Write().allDay = allDay;
}
long Appointment::BusyStatus() const {
    return state_->Read().busyStatus;
}
void Appointment::SetBusyStatus(long status) {
    state_->Write().busyStatus = status;
}
long Appointment::Sensitivity() const {
    return state_->Read().sensitivity;
}
void Appointment::SetSensitivity(long sensitivity) {
    state_->Write().sensitivity = sensitivity;
}

bool Appointment::ReminderSet() const {
    return state_->Read(detail::RowPart::Summary).reminderSet;
}
void Appointment::SetReminderSet(bool set) {
    state_->Write().reminderSet = set;
}
long Appointment::ReminderMinutesBeforeStart() const {
    return state_->Read(detail::RowPart::Summary).reminderMinutes;
}
void Appointment::SetReminderMinutesBeforeStart(long minutes) {
    state_->Write().reminderMinutes = minutes;
}
std::u16string Appointment::ReminderSoundFile() const {
    return state_->Read().reminderSound;
}
void Appointment::SetReminderSoundFile(std::u16string file) {
    state_->Write().reminderSound = std::move(file);
}
long Appointment::ReminderOptions() const {
    return state_->Read().reminderOptions;
}
void Appointment::SetReminderOptions(long options) {
    state_->Write().reminderOptions = options;
}

bool Appointment::IsRecurring() const {
    return state_->Read(detail::RowPart::Summary).recurring;
}

RecurrencePattern Appointment::GetRecurrencePattern() {
    if (!state_->Read().recurring) {
        detail::Row& row = state_->Write();
        detail::SeedPattern(row);
        row.recurring = true;
    }
    return RecurrencePattern(state_);
}

void Appointment::ClearRecurrencePattern() {
    if (state_->Read().recurring) {
        detail::Row& row = state_->Write();
        row.recurring = false;
        row.pattern = detail::PatternFields{};
    }
}

std::u16string Appointment::Uid() const {
    return state_->Read().uid;
}
void Appointment::SetUid(std::u16string uid) {
    state_->Write().uid = std::move(uid);
}

Result<std::vector<uint8_t>> Appointment::GetBodyInk() const {
    if (state_->pendingInk) {
        return *state_->pendingInk;
    }
    if (state_->oid == 0) {
        return std::vector<uint8_t>();
    }
    detail::Session* store = state_->Store();
    if (store == nullptr || !store->open()) {
        return detail::NotLoggedOn();
    }
    return store->LoadInk(state_->oid);
}

Status Appointment::SetBodyInk(std::vector<uint8_t> ink) {
    if (ink.size() > kMaxInkBodyBytes) {
        return Error{SQLITE_TOOBIG,
                     "appointment store: an ink body of " + std::to_string(ink.size()) +
                         " bytes exceeds the limit of " + std::to_string(kMaxInkBodyBytes)};
    }
    state_->pendingInk = std::move(ink);
    return {};
}

Status Appointment::Save() {
    if (detail::FaultActive(static_cast<int>(FaultPoint::Save))) {
        return detail::InjectedFault("Save");
    }
    detail::Session* store = state_->Store();
    if (store == nullptr || !store->open()) {
        return detail::NotLoggedOn();
    }
    if (state_->occurrence) {
        return Error{SQLITE_MISUSE,
                     "appointment store: an occurrence is not saved on its own; "
                     "save its series (GetItemFromOid) instead"};
    }
    detail::Row& row = state_->Write();
    if (std::optional<std::string> why = detail::ValidateRow(row)) {
        return Error{SQLITE_CONSTRAINT, "appointment store: not saved: " + *why};
    }
    if (row.recurring && !row.pattern.noEndDate && row.pattern.occurrences > 0) {
        if (std::optional<int64_t> last = detail::PatternLastDay(row)) {
            row.pattern.endDate = *last * kDaySeconds;
        }
    }
    if (Status s = store->SaveRow(row, state_->pendingInk); !s.ok()) {
        return s;
    }
    state_->oid = row.oid;
    state_->pendingInk.reset();
    return {};
}

Status Appointment::Delete() {
    if (detail::FaultActive(static_cast<int>(FaultPoint::Delete))) {
        return detail::InjectedFault("Delete");
    }
    detail::Session* store = state_->Store();
    if (store == nullptr || !store->open()) {
        return detail::NotLoggedOn();
    }
    if (state_->oid == 0) {
        return Error{SQLITE_MISUSE, "appointment store: the appointment was never saved"};
    }
    if (detail::DeleteRefused(state_->oid)) {
        return detail::InjectedFault("Delete");
    }
    return store->DeleteRow(state_->oid);
}

// ---- ItemCollection ----

ItemCollection::ItemCollection(std::shared_ptr<detail::CollectionState> state)
    : state_(std::move(state)) {}

Result<long> ItemCollection::Count() const {
    if (!state_->session->open()) {
        return detail::NotLoggedOn();
    }
    if (state_->Live()) {
        return state_->session->CountAll();
    }
    const detail::Evaluation* evaluation = state_->Evaluate();
    if (evaluation == nullptr) {
        return *state_->evaluationError;
    }
    return static_cast<long>(evaluation->entries.size());
}

Result<ItemCollection> ItemCollection::Restrict(std::u16string_view restriction) const {
    if (detail::FaultActive(static_cast<int>(FaultPoint::Restrict))) {
        return detail::InjectedFault("Restrict");
    }
    detail::ParsedRestriction parsed = detail::ParseRestriction(restriction);
    if (!parsed.restriction) {
        return Error{SQLITE_ERROR, "appointment store: restriction \"" + ToUtf8(restriction) +
                                       "\" refused: " + parsed.error};
    }
    auto state = std::make_shared<CollectionState>();
    state->session = state_->session;
    state->restriction = std::move(*parsed.restriction);
    if (state_->restriction) {
        // Restricting a restricted collection narrows it: both sets of clauses hold.
        state->restriction->clauses.insert(state->restriction->clauses.begin(),
                                           state_->restriction->clauses.begin(),
                                           state_->restriction->clauses.end());
    }
    return ItemCollection(state);
}

void ItemCollection::ReadSummariesOnly() {
    state_->reads = detail::RowPart::Summary;
}

void ItemCollection::SetIncludeRecurrences(bool include) {
    if (state_->includeRecurrences != include) {
        state_->includeRecurrences = include;
        if (state_->evaluation) {
            // Occurrences listed before still point into their series' rows.
            state_->retiredSeries.push_back(std::move(state_->evaluation->seriesRows));
        }
        state_->evaluation.reset();
        state_->evaluationError.reset();
    }
}

std::optional<Appointment> ItemCollection::Item(long index) const {
    if (index < 1 || !state_->session->open()) {
        return std::nullopt;
    }
    // The entry is read in place: a walk of a month's grid makes thousands of items, and
    // every copy of an entry's series handle is an atomic count up and down.
    std::optional<detail::CollectionEntry> found;
    const detail::CollectionEntry* entry = nullptr;
    if (state_->Live()) {
        Result<std::optional<detail::CollectionEntry>> at = state_->session->ItemAt(index - 1);
        if (!at.ok()) {
            state_->Fail(at.error());
            return std::nullopt;
        }
        if (!at->has_value()) {
            return std::nullopt;
        }
        found = **at;
        entry = &*found;
    } else {
        const detail::Evaluation* evaluation = state_->Evaluate();
        if (evaluation == nullptr || static_cast<size_t>(index) > evaluation->entries.size()) {
            return std::nullopt;
        }
        entry = &evaluation->entries[static_cast<size_t>(index - 1)];
    }
    auto item = std::make_shared<AppointmentState>();
    item->collection = state_;
    item->oid = entry->oid;
    item->start = entry->start;
    item->end = entry->end;
    item->series = entry->series;
    item->occurrence = entry->series != nullptr;
    item->listed = !item->occurrence;
    return Appointment(std::move(item));
}

Status ItemCollection::LastError() const {
    if (state_->lastError) {
        return *state_->lastError;
    }
    return {};
}

bool ItemCollection::Truncated() const {
    if (state_->Live()) {
        return false;
    }
    const detail::Evaluation* evaluation = state_->Evaluate();
    return evaluation != nullptr && evaluation->truncated;
}

// ---- Folder ----

Folder::Folder(std::shared_ptr<detail::Session> session) : session_(std::move(session)) {}

Result<ItemCollection> Folder::Items() const {
    if (detail::FaultActive(static_cast<int>(FaultPoint::Items))) {
        return detail::InjectedFault("Items");
    }
    if (!session_ || !session_->open()) {
        return detail::NotLoggedOn();
    }
    auto state = std::make_shared<CollectionState>();
    state->session = session_;
    return ItemCollection(state);
}

Result<ItemCollection> Folder::Query(std::u16string_view restriction,
                                     Recurrences recurrences) const {
    Result<ItemCollection> items = Items();
    if (!items.ok()) {
        return items;
    }
    Result<ItemCollection> restricted = items->Restrict(restriction);
    if (restricted.ok()) {
        restricted->SetIncludeRecurrences(recurrences == Recurrences::Occurrences);
    }
    return restricted;
}

Result<long> Folder::LongestReminderLead() const {
    if (!session_ || !session_->open()) {
        return detail::NotLoggedOn();
    }
    return session_->LongestReminderLead();
}

void Folder::ReleaseMemory() const {
    if (session_ && session_->open()) {
        sqlite3_db_release_memory(session_->db);
    }
}

// ---- Application ----

Application::Application(std::filesystem::path storeFile) : storeFile_(std::move(storeFile)) {}

Application::~Application() {
    Logoff();
}

Result<std::shared_ptr<Application>> Application::Create() {
    return Create(DefaultStoreFile());
}

Result<std::shared_ptr<Application>> Application::Create(const std::filesystem::path& storeFile) {
    if (storeFile.empty()) {
        return Error{SQLITE_CANTOPEN, "appointment store: no store file given"};
    }
    return std::shared_ptr<Application>(new Application(storeFile));
}

Status Application::Logon() {
    if (detail::FaultActive(static_cast<int>(FaultPoint::Logon))) {
        return detail::InjectedFault("Logon");
    }
    if (session_ && session_->open()) {
        return {};
    }
    auto session = std::make_shared<detail::Session>(storeFile_);
    if (Status s = session->Open(); !s.ok()) {
        return s;
    }
    session_ = std::move(session);
    return {};
}

void Application::Logoff() {
    if (session_) {
        session_->Close();
        session_.reset();
    }
}

Result<Folder> Application::GetDefaultFolder(int folder) const {
    if (!session_ || !session_->open()) {
        return detail::NotLoggedOn();
    }
    if (folder != kCalendarFolder) {
        return Error{SQLITE_NOTFOUND, "appointment store: no folder " + std::to_string(folder) +
                                          " (only the calendar folder, 9)"};
    }
    return Folder(session_);
}

Result<Appointment> Application::CreateItem(int itemType) const {
    if (detail::FaultActive(static_cast<int>(FaultPoint::CreateItem))) {
        return detail::InjectedFault("CreateItem");
    }
    if (!session_ || !session_->open()) {
        return detail::NotLoggedOn();
    }
    if (itemType != kAppointmentItem) {
        return Error{SQLITE_MISUSE, "appointment store: cannot create items of type " +
                                        std::to_string(itemType) + " (only appointments, 1)"};
    }
    // A new appointment starts now, to the minute, and lasts nothing until it is given times.
    const std::optional<double> now = SystemTimeToVariantTime([] {
        SystemTime t = GetLocalTime();
        t.second = 0;
        t.milliseconds = 0;
        return t;
    }());
    auto row = std::make_shared<detail::Row>();
    row->start = row->end = now ? detail::ToSeconds(*now) : 0;
    auto state = std::make_shared<AppointmentState>();
    state->session = session_;
    state->owned = row;
    state->row = row;
    return Appointment(state);
}

Result<Appointment> Application::GetItemFromOid(uint32_t oid) const {
    if (detail::FaultActive(static_cast<int>(FaultPoint::GetItemFromOid))) {
        return detail::InjectedFault("GetItemFromOid");
    }
    if (!session_ || !session_->open()) {
        return detail::NotLoggedOn();
    }
    if (oid == 0) {
        return Error{SQLITE_NOTFOUND, "appointment store: identifier 0 names no appointment"};
    }
    Result<std::shared_ptr<const detail::Row>> row = session_->LoadRow(oid);
    if (!row.ok()) {
        return row.error();
    }
    auto state = std::make_shared<AppointmentState>();
    state->session = session_;
    state->oid = oid;
    state->row = *row;
    return Appointment(state);
}

// ---- ReadBatch ----

ReadBatch::ReadBatch(std::shared_ptr<detail::Session> session) : session_(std::move(session)) {}

ReadBatch::~ReadBatch() {
    if (session_) {
        session_->EndRead();
    }
}

ReadBatch::ReadBatch(ReadBatch&& other) noexcept : session_(std::move(other.session_)) {}

ReadBatch& ReadBatch::operator=(ReadBatch&& other) noexcept {
    if (this != &other) {
        if (session_) {
            session_->EndRead();
        }
        session_ = std::move(other.session_);
    }
    return *this;
}

ReadBatch Application::BeginReadBatch() const {
    if (!session_ || !session_->open() || !session_->BeginRead()) {
        return ReadBatch();
    }
    return ReadBatch(session_);
}

Result<Appointment> Application::GetItemFromUid(std::u16string_view uid) const {
    if (!session_ || !session_->open()) {
        return detail::NotLoggedOn();
    }
    Result<std::optional<uint32_t>> found = session_->FindUid(std::u16string(uid));
    if (!found.ok()) {
        return found.error();
    }
    if (!found->has_value()) {
        return Error{SQLITE_NOTFOUND,
                     "appointment store: no appointment has the UID " + ToUtf8(uid)};
    }
    return GetItemFromOid(**found);
}

Status Application::ForEachAppointment(const std::function<void(Appointment&)>& visit) const {
    if (detail::FaultActive(static_cast<int>(FaultPoint::Items))) {
        return detail::InjectedFault("Items");
    }
    if (!session_ || !session_->open()) {
        return detail::NotLoggedOn();
    }
    return session_->ForEachRow([&](std::shared_ptr<const detail::Row> row) {
        auto state = std::make_shared<AppointmentState>();
        state->session = session_;
        state->oid = row->oid;
        state->row = std::move(row);
        Appointment appointment(state);
        visit(appointment);
    });
}

Result<Transaction> Application::BeginTransaction(TransactionMode mode) const {
    if (!session_ || !session_->open()) {
        return detail::NotLoggedOn();
    }
    if (Status s = session_->BeginBatch(mode == TransactionMode::Write); !s.ok()) {
        return s.error();
    }
    return Transaction(session_);
}

// ---- Transaction ----

Transaction::Transaction(std::shared_ptr<detail::Session> session) : session_(std::move(session)) {}

Transaction::Transaction(Transaction&& other) noexcept : session_(std::move(other.session_)) {}

Transaction::~Transaction() {
    if (session_) {
        session_->AbandonBatch();
    }
}

Status Transaction::Commit() {
    if (!session_) {
        return Error{SQLITE_MISUSE, "appointment store: the transaction has already ended"};
    }
    const std::shared_ptr<detail::Session> session = std::move(session_);
    if (!session->open()) {
        return detail::NotLoggedOn();
    }
    return session->CommitBatch();
}

}  // namespace moru::poom
