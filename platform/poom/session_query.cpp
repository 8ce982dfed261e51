#include <algorithm>
#include <cstdio>
#include <iterator>
#include <limits>
#include <set>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/poom/row_mapping.h"
#include "platform/poom/session.h"

// Reading collections: the restricted walk with its occurrences, the count, and the live
// collection's item at an index.
namespace moru::poom::detail {
namespace {

// Below this index the live collection asks SQLite for one row after a change rather than
// rebuilding its snapshot of the whole order: the delete-while-enumerating loop of the bulk
// delete keeps its index small and changes the store at every step.
constexpr long kDirectLookupLimit = 256;
// A walk reserves room for as many entries as the walk before it, up to this many: a walk of
// everything must not make every later month's walk reserve as much.
constexpr size_t kReserveHintLimit = 16384;

bool EntryBefore(const CollectionEntry& a, const CollectionEntry& b) {
    return a.start != b.start ? a.start < b.start : a.oid < b.oid;
}

// The occurrences in store order, by (start, oid). They come series by series, each series
// in ascending order: a stable placement by the hour they start in, then an insertion sort
// inside each hour (rarely more than a few entries), costs a fraction of a general sort of
// thousands.
std::vector<CollectionEntry> SortedOccurrences(std::vector<CollectionEntry>::const_iterator from,
                                               std::vector<CollectionEntry>::const_iterator to) {
    if (to - from < 2) {
        return {from, to};
    }
    constexpr int64_t kHourSeconds = 3600;
    auto hourOf = [](const CollectionEntry& e) {
        const int64_t hour = e.start / kHourSeconds;
        return e.start % kHourSeconds < 0 ? hour - 1 : hour;
    };
    int64_t firstHour = hourOf(*from);
    int64_t lastHour = firstHour;
    for (auto it = from; it != to; ++it) {
        const int64_t hour = hourOf(*it);
        firstHour = std::min(firstHour, hour);
        lastHour = std::max(lastHour, hour);
    }
    const auto count = static_cast<size_t>(to - from);
    if (lastHour - firstHour > static_cast<int64_t>(count) * 4) {
        // A window of far more hours than occurrences: the hours would cost more than a sort.
        std::vector<CollectionEntry> sorted(from, to);
        std::sort(sorted.begin(), sorted.end(), EntryBefore);
        return sorted;
    }
    std::vector<uint32_t> firstOfHour(static_cast<size_t>(lastHour - firstHour) + 2, 0);
    for (auto it = from; it != to; ++it) {
        ++firstOfHour[static_cast<size_t>(hourOf(*it) - firstHour) + 1];
    }
    for (size_t h = 1; h < firstOfHour.size(); ++h) {
        firstOfHour[h] += firstOfHour[h - 1];
    }
    std::vector<CollectionEntry> placed(count);
    std::vector<uint32_t> next(firstOfHour.begin(), firstOfHour.end() - 1);
    for (auto it = from; it != to; ++it) {
        placed[next[static_cast<size_t>(hourOf(*it) - firstHour)]++] = *it;
    }
    for (size_t h = 0; h + 1 < firstOfHour.size(); ++h) {
        const auto hourBegin = placed.begin() + firstOfHour[h];
        const auto hourEnd = placed.begin() + firstOfHour[h + 1];
        for (auto it = hourBegin; it != hourEnd; ++it) {
            const CollectionEntry moving = *it;
            auto hole = it;
            for (; hole != hourBegin && EntryBefore(moving, *(hole - 1)); --hole) {
                *hole = *(hole - 1);
            }
            *hole = moving;
        }
    }
    return placed;
}

// The restriction's test, for the thousands of items and occurrences of one walk. Without a
// `<>` clause the clauses on each field come down to one range of days, and an item passes
// when its start day and end day lie in theirs: the same answer as Restriction::Matches with
// two comparisons per field (an unbounded side is not compared, so damaged times far outside
// the calendar pass exactly as they do there).
class WindowTest {
public:
    explicit WindowTest(const Restriction& r)
        : restriction_(r), start_(r.StartDays()), end_(r.EndDays()) {
        ranged_ = std::none_of(r.clauses.begin(), r.clauses.end(), [](const RestrictionClause& c) {
            return c.op == RestrictionOp::NotEqual;
        });
    }

    bool operator()(int64_t start, int64_t end) const {
        if (!ranged_) {
            return restriction_.Matches(start, end);
        }
        return In(start_, StartDayOf(start)) && In(end_, EndDayOf(start, end));
    }

private:
    static bool In(const DayRange& range, int64_t day) {
        const DayRange open;
        return (range.first == open.first || day >= range.first) &&
               (range.last == open.last || day <= range.last);
    }

    const Restriction& restriction_;
    DayRange start_;
    DayRange end_;
    bool ranged_ = false;
};

}  // namespace

Status Session::RefreshSeries() {
    const auto [version, local] = ChangeStamp();
    if (version == seriesDataVersion_ && local == seriesLocalChanges_ && version != -1) {
        return {};
    }
    // Until a whole series row is asked for, the summaries are enough: what a walk expands
    // and what its listing shows.
    const RowPart part = wholeSeries_ ? RowPart::Whole : RowPart::Summary;
    Result<sqlite3_stmt*> stmt = Prepare(wholeSeries_ ? selectSeries_ : selectSeriesSummaries_,
                                         SelectSeriesSql(part).c_str());
    if (!stmt.ok()) {
        return stmt.status();
    }
    ResetOnExit reset{*stmt};
    std::vector<Series> loaded;
    loaded.reserve(series_.size());  // a change rarely adds many
    std::set<uint32_t> unexpandable;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(*stmt)) == SQLITE_ROW) {
        Row row = part == RowPart::Whole ? ReadRow(*stmt) : ReadSummaryRow(*stmt);
        if (std::optional<std::string> why = ValidateRow(row)) {
            // Only this program writes the store and it refuses such rows; a row like this was
            // damaged outside it. It is listed as itself, without occurrences.
            std::fprintf(stderr, "appointment store %s: appointment %u is not expanded: %s\n",
                         file.c_str(), row.oid, why->c_str());
            unexpandable.insert(row.oid);
            continue;
        }
        Series series;
        series.rule = PrepareRule(RuleOf(row));
        series.timeOfDay = OccurrenceTimeOfDay(row);
        series.length = OccurrenceLength(row);
        series.row = std::make_shared<const Row>(std::move(row));
        loaded.push_back(std::move(series));
    }
    if (rc != SQLITE_DONE) {
        return Fail("read recurring appointments");
    }
    series_ = std::move(loaded);
    seriesByOid_.clear();
    unexpandable_ = std::move(unexpandable);
    seriesDataVersion_ = version;
    seriesLocalChanges_ = local;
    return {};
}

Result<std::shared_ptr<const Row>> Session::WholeSeriesRow(uint32_t oid) {
    // One item's details (the companion's sound) cost one row; only a second item's show
    // that a walk reads them all.
    if (!wholeSeries_ && !seriesRowRead_) {
        seriesRowRead_ = true;
        return LoadRow(oid);
    }
    if (!wholeSeries_) {
        wholeSeries_ = true;
        seriesDataVersion_ = -1;  // the summaries read so far are read again, whole
    }
    if (Status s = RefreshSeries(); !s.ok()) {
        return s.error();
    }
    if (seriesByOid_.empty()) {
        seriesByOid_.reserve(series_.size());
        for (const Series& series : series_) {
            seriesByOid_.emplace(series.row->oid, series.row);
        }
    }
    auto found = seriesByOid_.find(oid);
    if (found == seriesByOid_.end()) {
        return Error{SQLITE_NOTFOUND, "appointment store " + file.string() +
                                          ": no expandable series " + std::to_string(oid)};
    }
    return found->second;
}

bool Session::BeginRead() {
    if (readDepth_ > 0) {
        ++readDepth_;
        return true;
    }
    if (db == nullptr || sqlite3_get_autocommit(db) == 0 || !ExecBegin().ok()) {
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

template <class Each>
Status Session::ForEachEntry(Statement& slot, const char* sql, int64_t low, int64_t high,
                             const Each& each) {
    Result<sqlite3_stmt*> stmt = Prepare(slot, sql);
    if (!stmt.ok()) {
        return stmt.status();
    }
    ResetOnExit reset{*stmt};
    sqlite3_bind_int64(*stmt, 1, low);
    sqlite3_bind_int64(*stmt, 2, high);
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(*stmt)) == SQLITE_ROW) {
        each(CollectionEntry{.start = sqlite3_column_int64(*stmt, 1),
                             .end = sqlite3_column_int64(*stmt, 2),
                             .oid = static_cast<uint32_t>(sqlite3_column_int64(*stmt, 0))},
             *stmt);
    }
    if (rc != SQLITE_DONE) {
        return Fail("query appointments");
    }
    return {};
}

Result<Evaluation> Session::Evaluate(const Restriction* restriction, bool includeRecurrences,
                                     bool withSummaries) {
    // One read transaction: the one-off items and the series come from the same moment. Inside
    // a ReadBatch or a batch, that one is the moment (and ending it here would undo it).
    const bool ownTransaction = readDepth_ == 0 && !inBatch_;
    if (ownTransaction) {
        if (Status s = ExecBegin(); !s.ok()) {
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
    const WindowTest passes(r);
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
    // The store only ever writes a length a saved item had; anything outside that was
    // damaged outside it. The whole calendar is then the safe bound: slower, never wrong.
    if (maxSpan < 0 || maxSpan > LongestSpanSeconds()) {
        if (!maxSpanReported_) {
            maxSpanReported_ = true;
            std::fprintf(stderr,
                         "appointment store %s: the longest-item bound %lld is damaged; every "
                         "query reads the whole calendar\n",
                         file.c_str(), static_cast<long long>(maxSpan));
        }
        maxSpan = LongestSpanSeconds();
    }
    // The start range that the index walks: the Start clauses, narrowed by the End clauses
    // (an item ending on or after day E started at most maxSpan before E's midnight).
    int64_t low = startDays.first * kDaySeconds;
    int64_t high = (startDays.last + 1) * kDaySeconds - 1;
    low = std::max(low, endDays.first * kDaySeconds - maxSpan);
    high = std::min(high, (endDays.last + 1) * kDaySeconds);
    result.low = low;
    result.high = high;

    if (includeRecurrences) {
        if (Status s = RefreshSeries(); !s.ok()) {
            return s.error();
        }
    }
    // Every row the store wrote itself lies inside the calendar; only the others are looked
    // at more closely.
    static const int64_t firstSecond = FirstRepresentableDay() * kDaySeconds;
    static const int64_t endSecond = (LastRepresentableDay() + 1) * kDaySeconds;
    auto take = [&](const CollectionEntry& entry) {
        if (entry.start < firstSecond || entry.end < entry.start || entry.end >= endSecond) {
            ReportDamagedTimes(entry);
        }
        if (!passes(entry.start, entry.end)) {
            return false;
        }
        result.entries.push_back(entry);
        return true;
    };
    const auto keep = [&take](const CollectionEntry& entry, sqlite3_stmt*) { take(entry); };
    if (!includeRecurrences) {
        if (Status s = ForEachEntry(selectRange_,
                                    "SELECT oid, start_s, end_s FROM appointments "
                                    "WHERE start_s BETWEEN ?1 AND ?2 ORDER BY start_s, oid",
                                    low, high, keep);
            !s.ok()) {
            return s.error();
        }
        return result;
    }
    // With occurrences, the one-off items come from the first part of the file, in store
    // order: read from there, rather than through the index of every item, no series is
    // stepped over.
    Status oneOffsRead;
    if (withSummaries) {
        std::vector<std::shared_ptr<const Row>> rows;
        oneOffsRead =
            ForEachEntry(selectOneOffRange_, SelectOneOffSummariesInRangeSql().c_str(), low, high,
                         [&](const CollectionEntry& entry, sqlite3_stmt* stmt) {
                             if (take(entry)) {
                                 rows.push_back(std::make_shared<const Row>(ReadSummaryRow(stmt)));
                             }
                         });
        result.oneOffSummaries = std::move(rows);
    } else {
        oneOffsRead =
            ForEachEntry(selectOneOffTimes_,
                         "SELECT oid, start_s, end_s FROM appointments "
                         "WHERE recurring = 0 AND start_s BETWEEN ?1 AND ?2 ORDER BY start_s, oid",
                         low, high, keep);
    }
    if (!oneOffsRead.ok()) {
        return oneOffsRead.error();
    }
    result.oneOffCount = result.entries.size();
    // A series whose pattern is damaged is listed as itself, among the occurrences (which are
    // put in order together).
    if (!unexpandable_.empty()) {
        if (Status s = ForEachEntry(selectSeriesRange_,
                                    "SELECT oid, start_s, end_s FROM appointments "
                                    "WHERE recurring = 1 AND start_s BETWEEN ?1 AND ?2",
                                    low, high,
                                    [&](const CollectionEntry& entry, sqlite3_stmt*) {
                                        if (unexpandable_.contains(entry.oid)) {
                                            take(entry);
                                        }
                                    });
            !s.ok()) {
            return s.error();
        }
    }
    const size_t oneOffs = result.oneOffCount;
    // Walks of the same screen come in runs of about the same size.
    result.entries.reserve(std::max(std::min(lastEntryCount_, kReserveHintLimit), oneOffs));
    std::vector<int64_t> days;  // one series' occurrence days in the window, reused
    for (const Series& series : series_) {
        const size_t entriesBefore = result.entries.size();
        const auto seriesIndex = static_cast<uint32_t>(result.seriesRows.size());
        const int64_t timeOfDay = series.timeOfDay;
        const int64_t length = series.length;
        // An occurrence on day d ends at most this many days after d.
        const int64_t reach = (timeOfDay + length) / kDaySeconds + 1;
        const int64_t fromDay = std::max(startDays.first, endDays.first - reach);
        const int64_t toDay = std::min(startDays.last, endDays.last);
        // A window bounded on both sides bounds the work itself; only an open one, which would
        // be endless for a series without an end, is capped.
        const bool open = fromDay <= DayRange{}.first || toDay >= DayRange{}.last;
        if (!open) {
            days.clear();
            AppendOccurrenceDays(series.rule, fromDay, toDay, days);
            for (const int64_t day : days) {
                const int64_t start = day * kDaySeconds + timeOfDay;
                const int64_t end = start + length;
                if (passes(start, end)) {
                    result.entries.push_back(CollectionEntry{.start = start,
                                                             .end = end,
                                                             .series = series.row.get(),
                                                             .oid = series.row->oid,
                                                             .seriesIndex = seriesIndex});
                }
            }
            if (result.entries.size() > entriesBefore) {
                result.seriesRows.push_back(series.row);
            }
            continue;
        }
        const int cap = kMaxOccurrencesPerSeries;
        int taken = 0;
        ForEachOccurrenceDay(series.rule.rule, fromDay, toDay, [&](int64_t day) {
            const int64_t start = day * kDaySeconds + timeOfDay;
            const int64_t end = start + length;
            if (!passes(start, end)) {
                return true;
            }
            if (taken == cap) {
                result.truncated = true;
                return false;
            }
            ++taken;
            result.entries.push_back(CollectionEntry{.start = start,
                                                     .end = end,
                                                     .series = series.row.get(),
                                                     .oid = series.row->oid,
                                                     .seriesIndex = seriesIndex});
            return true;
        });
        if (result.entries.size() > entriesBefore) {
            result.seriesRows.push_back(series.row);
        }
    }
    lastEntryCount_ = result.entries.size();
    if (result.entries.size() > oneOffs) {
        // The one-off items come in store order from the index; only the occurrences, added
        // series by series, need sorting before the two runs are merged into the answer.
        const auto occurrences = result.entries.cbegin() + static_cast<std::ptrdiff_t>(oneOffs);
        const std::vector<CollectionEntry> sorted =
            SortedOccurrences(occurrences, result.entries.cend());
        std::vector<CollectionEntry> merged;
        merged.reserve(result.entries.size());
        std::merge(result.entries.cbegin(), occurrences, sorted.begin(), sorted.end(),
                   std::back_inserter(merged), EntryBefore);
        result.entries = std::move(merged);
    }
    return result;
}

void Session::ReportDamagedTimes(const CollectionEntry& entry) {
    Row times;
    times.start = entry.start;
    times.end = entry.end;
    if (std::optional<std::string> why = ValidateRow(times)) {
        // Only this program writes the store and it refuses such times: the row was changed
        // outside it. It is listed with what it holds, and said once per session.
        if (damagedReported_.insert(entry.oid).second) {
            std::fprintf(stderr, "appointment store %s: appointment %u is damaged: %s\n",
                         file.c_str(), entry.oid, why->c_str());
        }
    }
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
    // A plain max() over the reminders' index is its last entry; a lead below zero rings at
    // the start, as none.
    Result<sqlite3_stmt*> stmt = Prepare(
        longestLead_, "SELECT max(reminder_minutes) FROM appointments WHERE reminder_set != 0");
    if (!stmt.ok()) {
        return stmt.error();
    }
    ResetOnExit reset{*stmt};
    if (sqlite3_step(*stmt) != SQLITE_ROW) {
        return Fail("find the longest reminder lead").error();
    }
    return static_cast<long>(std::max<int64_t>(sqlite3_column_int64(*stmt, 0), 0));
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
        return std::optional<CollectionEntry>(
            CollectionEntry{.start = sqlite3_column_int64(*stmt, 1),
                            .end = sqlite3_column_int64(*stmt, 2),
                            .oid = static_cast<uint32_t>(sqlite3_column_int64(*stmt, 0))});
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
            order.push_back(
                CollectionEntry{.start = sqlite3_column_int64(*stmt, 1),
                                .end = sqlite3_column_int64(*stmt, 2),
                                .oid = static_cast<uint32_t>(sqlite3_column_int64(*stmt, 0))});
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
