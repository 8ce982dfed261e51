#pragma once
// Restriction texts of the appointment store: clauses "[Start]|[End] <op> <date>" joined by
// "and", op one of >= <= > < = <>, the date as M/d/yyyy, an optional trailing line feed.
//
// A clause compares whole days. An item's start day is the day its Start falls on; its end
// day is the day its End falls on, except that an item ending exactly at midnight (and
// lasting longer than nothing) ends on the day before: it does not reach into the day that
// begins at its End. So "[End] >= D" holds for an item that ends after D's midnight, and for
// a zero-length item at that midnight, and "[Start] <= D" holds up to the end of day D.
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"

namespace moru::poom::detail {

enum class RestrictionField { Start, End };
enum class RestrictionOp { GreaterEqual, LessEqual, Greater, Less, Equal, NotEqual };

struct RestrictionClause {
    RestrictionField field = RestrictionField::Start;
    RestrictionOp op = RestrictionOp::Equal;
    int64_t day = 0;  // day number of the date
};

// An inclusive range of day numbers; the full range when unbounded.
struct DayRange {
    int64_t first = std::numeric_limits<int32_t>::min();
    int64_t last = std::numeric_limits<int32_t>::max();
    bool empty() const { return first > last; }
};

struct Restriction {
    std::vector<RestrictionClause> clauses;

    // Whether an item with this start and end (seconds since the DATE origin) passes.
    bool Matches(int64_t startSeconds, int64_t endSeconds) const;
    // The days an item's start day, and its end day, are confined to by the clauses.
    DayRange StartDays() const;
    DayRange EndDays() const;
};

// The start day and end day of an item as the clauses compare them; an item that ends at a
// midnight after its start ends on the day before. Inline: a walk tests every occurrence.
inline int64_t StartDayOf(int64_t startSeconds) {
    return FloorDiv(startSeconds, kDaySeconds);
}
inline int64_t EndDayOf(int64_t startSeconds, int64_t endSeconds) {
    const int64_t day = FloorDiv(endSeconds, kDaySeconds);
    const bool atMidnight = day * kDaySeconds == endSeconds;
    return (atMidnight && endSeconds > startSeconds) ? day - 1 : day;
}

// Parses a restriction text; the reason when the text is not one.
struct ParsedRestriction {
    std::optional<Restriction> restriction;
    std::string error;  // set when restriction is empty
};
ParsedRestriction ParseRestriction(std::u16string_view text);

}  // namespace moru::poom::detail
