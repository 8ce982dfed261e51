#pragma once
// The recurrence pattern of the store and the RRULE of iCalendar (RFC 5545), both ways.
//
// The store's pattern holds one rule: daily, weekly on a set of weekdays (weeks start on
// Sunday), monthly on a day, monthly on the Nth (1..4 or last) of a set of weekdays, yearly on
// a date, yearly on the Nth weekday of a month; every Interval periods; ending never, on a
// day, or after a count. A day of the month past a month's end falls on that month's last day,
// where an RRULE BYMONTHDAY skips the month; that day is written as the last of the run of
// days from the shortest month's length up to it (BYMONTHDAY=28,29,30;BYSETPOS=-1), which
// is exactly "the 30th, or the last day of a shorter month", and read back the same way.
// A daily rule on every weekday runs every Interval weeks in the store, so with an interval
// above 1 it is written as a weekly rule and marked (X-MORU-PATTERN-TYPE) to read back daily.
//
// Everything else an RRULE can say (hourly rules, BYHOUR and friends, BYWEEKNO, BYYEARDAY,
// several weekday ordinals, a day that the month skips, ...) is refused with the reason.
#include <libical/ical.h>

#include <optional>
#include <string>
#include <variant>

#include "platform/datetime.h"

namespace moru::device {

struct ExchangePattern {
    int type = 1;         // the store's RecurrenceType (poom::kRecurs*)
    long interval = 1;    // every Interval days, weeks, months or years
    long mask = 0;        // weekdays, bit 0 Sunday .. bit 6 Saturday
    long dayOfMonth = 1;  // 1..31
    long instance = 1;    // 1..4, 5 = the last
    long monthOfYear = 1;
    long occurrences = 0;               // > 0: ends after this many
    std::optional<SystemTime> endDate;  // ends on this day (inclusive), when no count
    bool noEnd = true;

    bool operator==(const ExchangePattern&) const = default;
};

// Why a rule cannot be held, in words for the skip line.
struct RuleRefusal {
    std::string reason;
};

// The pattern of an RRULE whose series starts at start (local wall-clock time). until gives
// the rule's UNTIL as a local day when the caller has converted it (nothing when the rule
// has none); weeklyMeansDaily is the X-MORU-PATTERN-TYPE mark.
std::variant<ExchangePattern, RuleRefusal> PatternFromRule(const icalrecurrencetype& rule,
                                                           const SystemTime& start,
                                                           std::optional<SystemTime> until,
                                                           bool weeklyMeansDaily);

// The RRULE of a pattern, without its UNTIL (the caller writes that in the event's time
// form). marksDaily is set when X-MORU-PATTERN-TYPE:DAILY must go beside it.
struct RuleOfPattern {
    icalrecurrencetype rule;
    bool marksDaily = false;
};
RuleOfPattern RuleFromPattern(const ExchangePattern& pattern);

// The weekday bit of a date (Sunday 1 .. Saturday 64).
long WeekdayBit(const SystemTime& day);

}  // namespace moru::device
