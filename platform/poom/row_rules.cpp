#include <algorithm>
#include <cstdio>
#include <limits>
#include <random>

#include "platform/datetime.h"
#include "platform/poom/session.h"
#include "platform/text.h"

// The rules of a stored row: how a recurring row's pattern becomes a recurrence rule and its
// occurrences' times, and what makes a row unfit to be saved.
namespace moru::poom::detail {

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
    return SpanSeconds(row.start, row.end);
}

int64_t SpanSeconds(int64_t start, int64_t end) {
    int64_t span = 0;
    if (__builtin_sub_overflow(end, start, &span)) {
        return end > start ? std::numeric_limits<int64_t>::max()
                           : std::numeric_limits<int64_t>::min();
    }
    return span;
}

int64_t LongestSpanSeconds() {
    return (LastRepresentableDay() + 1 - FirstRepresentableDay()) * kDaySeconds;
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

}  // namespace moru::poom::detail
