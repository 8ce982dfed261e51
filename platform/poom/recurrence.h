#pragma once
// The recurrence engine of the appointment store: which days a pattern falls on.
//
// Days are day numbers (whole days since 30 December 1899, platform/datetime.h), limited to
// the years 100 to 9999; nothing is produced outside that range. The engine knows nothing of
// times of day or of the database: the store turns each day into an occurrence by adding the
// pattern's start time and duration.
//
// Every pattern is a sequence of periods (Interval days, weeks, months or years), each with
// a few candidate days; period 0 is the one holding the pattern's first day, and candidates
// before that first day do not count. Because the period holding any day can be computed
// directly, expansion starts at the window instead of walking from the first occurrence,
// and the n-th occurrence (for a count-limited pattern) is found without walking either.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace moru::poom::detail {

struct RecurrenceRule {
    int type = 1;                    // kRecursDaily .. kRecursYearNth
    int64_t firstDay = 0;            // the pattern's start date
    long interval = 1;               // periods between active periods
    long dayOfWeekMask = 0;          // bit 0 = Sunday; weekly, Nth-weekday, and daily 62
    long dayOfMonth = 1;             // monthly and yearly on a date
    long instance = 1;               // Nth weekday: 1..4, 5 = last
    long monthOfYear = 1;            // yearly forms
    std::optional<int64_t> lastDay;  // inclusive end; none for an endless pattern
};

// Why the rule cannot produce occurrences, or nothing when it is sound (the end is checked
// too: an end before the first occurrence is refused).
std::optional<std::string> ValidateRule(const RecurrenceRule& rule);

// Calls visit(day) for each occurrence day in [fromDay, toDay] in ascending order until
// visit returns false. The rule must be valid.
void ForEachOccurrenceDay(const RecurrenceRule& rule, int64_t fromDay, int64_t toDay,
                          const std::function<bool(int64_t)>& visit);

// A rule with what walking its periods needs worked out once (the first period's week or
// month, the last representable period): the store expands every series on every walk and
// keeps one of these per series. The fields after rule belong to the walk.
struct PreparedRule {
    RecurrenceRule rule;
    int kind = 0;
    int64_t weekZero = 0;
    int64_t monthZero = 0;
    int64_t periodLimit = 0;
};
PreparedRule PrepareRule(const RecurrenceRule& rule);

// Appends the occurrence days in [fromDay, toDay] to days, in ascending order: the walk of a
// window bounded on both sides, whose length bounds the work. The rule must be valid.
void AppendOccurrenceDays(const PreparedRule& prepared, int64_t fromDay, int64_t toDay,
                          std::vector<int64_t>& days);

struct Expansion {
    std::vector<int64_t> days;
    bool truncated = false;  // more occurrences lay in the window beyond the limit
};
Expansion ExpandDays(const RecurrenceRule& rule, int64_t fromDay, int64_t toDay, size_t limit);

// The day of the n-th occurrence (1-based), ignoring lastDay; nothing when it would fall past
// the last representable day or n < 1.
std::optional<int64_t> NthOccurrenceDay(const RecurrenceRule& rule, long n);

// Shared day helpers.
int64_t FirstRepresentableDay();
int64_t LastRepresentableDay();
int WeekdayOfDay(int64_t day);  // 0 = Sunday

}  // namespace moru::poom::detail
