#include "platform/poom/recurrence.h"

#include <algorithm>
#include <bit>

#include "platform/datetime.h"
#include "platform/poom/poom.h"

namespace moru::poom::detail {
namespace {

enum class PeriodKind { Days, Weeks, Months, Years };

constexpr int64_t kLastMonthIndex = int64_t{kMaxYear} * 12 + 11;

// A daily pattern with the Monday-to-Friday mask means "every weekday", which is a weekly
// pattern in all but name (the recurrence editor shows it on its weekly tab).
bool DailyEveryWeekday(const RecurrenceRule& rule) {
    return rule.type == kRecursDaily && rule.dayOfWeekMask == 62;
}

PeriodKind KindOf(const RecurrenceRule& rule) {
    switch (rule.type) {
        case kRecursDaily:
            return DailyEveryWeekday(rule) ? PeriodKind::Weeks : PeriodKind::Days;
        case kRecursWeekly:
            return PeriodKind::Weeks;
        case kRecursMonthly:
        case kRecursMonthNth:
            return PeriodKind::Months;
        default:
            return PeriodKind::Years;
    }
}

int64_t MonthIndexOf(int64_t day) {
    int y = 0, m = 0, d = 0;
    CivilFromDayNumber(day, y, m, d);
    return int64_t{y} * 12 + (m - 1);
}

// The day of the instance-th (5 = last) day of the month whose weekday is in the mask.
int64_t NthWeekdayOfMonth(int year, int month, long mask, long instance) {
    const int64_t first = DayNumber(year, month, 1);
    const int length = MonthLength(year, month);
    int64_t found = -1;
    long seen = 0;
    for (int d = 0; d < length; ++d) {
        if ((mask & (1L << WeekdayOfDay(first + d))) == 0) {
            continue;
        }
        found = first + d;
        if (++seen == instance && instance != 5) {
            break;  // "last" (5) keeps going: a mask of several weekdays meets more than five
        }
    }
    return found;  // a non-empty mask meets every month at least four times
}

// The candidate days of one period: at most seven (a week's weekdays). A fixed array, since
// a walk over a month's grid visits hundreds of periods and a heap list cost more than them.
struct PeriodDays {
    int64_t day[7] = {};
    int count = 0;

    void clear() { count = 0; }
    void push_back(int64_t d) { day[count++] = d; }
    const int64_t* begin() const { return day; }
    const int64_t* end() const { return day + count; }
    size_t size() const { return static_cast<size_t>(count); }
};

// Walks the periods of one rule.
class PeriodWalker {
public:
    // A walker with its periods worked out before (PrepareRule).
    explicit PeriodWalker(const PreparedRule& prepared)
        : rule_(prepared.rule),
          kind_(static_cast<PeriodKind>(prepared.kind)),
          lastDay_(LastRepresentableDay()),
          weekZero_(prepared.weekZero),
          monthZero_(prepared.monthZero),
          periodLimit_(prepared.periodLimit) {}

    explicit PeriodWalker(const RecurrenceRule& rule)
        : rule_(rule), kind_(KindOf(rule)), lastDay_(LastRepresentableDay()) {
        const int64_t span = rule.interval;
        switch (kind_) {
            case PeriodKind::Days:
                periodLimit_ = (lastDay_ - rule.firstDay) / span;
                break;
            case PeriodKind::Weeks:
                weekZero_ = rule.firstDay - WeekdayOfDay(rule.firstDay);
                periodLimit_ = (lastDay_ - weekZero_) / 7 / span;
                break;
            case PeriodKind::Months:
                monthZero_ = MonthIndexOf(rule.firstDay);
                periodLimit_ = (kLastMonthIndex - monthZero_) / span;
                break;
            case PeriodKind::Years:
                monthZero_ = MonthIndexOf(rule.firstDay) / 12 * 12 + (rule.monthOfYear - 1);
                periodLimit_ = (kLastMonthIndex - monthZero_) / 12 / span;
                break;
        }
    }

    // The first period that can hold a day on or after the given day.
    int64_t PeriodAtOrBefore(int64_t day) const {
        int64_t p = 0;
        switch (kind_) {
            case PeriodKind::Days:
                p = FloorDiv(day - rule_.firstDay, rule_.interval);
                break;
            case PeriodKind::Weeks:
                p = FloorDiv(FloorDiv(day - weekZero_, 7), rule_.interval);
                break;
            case PeriodKind::Months:
                p = FloorDiv(MonthIndexOf(day) - monthZero_, rule_.interval);
                break;
            case PeriodKind::Years:
                p = FloorDiv(MonthIndexOf(day) / 12 - monthZero_ / 12, rule_.interval);
                break;
        }
        return std::max<int64_t>(p, 0);
    }

    // Occurrences per period after the first (the first may lose days before the start).
    int PerPeriod() const {
        return kind_ == PeriodKind::Weeks ? std::popcount(static_cast<unsigned>(Mask())) : 1;
    }

    // The candidate days of period p in ascending order, the pattern's start not applied;
    // false once p lies past the representable range.
    bool Candidates(int64_t p, PeriodDays& out) const {
        out.clear();
        if (p > periodLimit_) {
            return false;
        }
        switch (kind_) {
            case PeriodKind::Days:
                out.push_back(rule_.firstDay + p * rule_.interval);
                break;
            case PeriodKind::Weeks: {
                const int64_t weekStart = weekZero_ + 7 * p * rule_.interval;
                for (int w = 0; w < 7; ++w) {
                    if ((Mask() & (1L << w)) != 0 && weekStart + w <= lastDay_) {
                        out.push_back(weekStart + w);
                    }
                }
                break;
            }
            case PeriodKind::Months:
            case PeriodKind::Years: {
                const int64_t step = kind_ == PeriodKind::Months ? 1 : 12;
                const int64_t index = monthZero_ + step * p * rule_.interval;
                const int year = static_cast<int>(index / 12);
                const int month = static_cast<int>(index % 12) + 1;
                const bool nth = rule_.type == kRecursMonthNth || rule_.type == kRecursYearNth;
                if (nth) {
                    out.push_back(
                        NthWeekdayOfMonth(year, month, rule_.dayOfWeekMask, rule_.instance));
                } else {
                    // A day past the month's end falls on its last day (31st in April, 29
                    // February in a common year).
                    const long day = std::min<long>(rule_.dayOfMonth, MonthLength(year, month));
                    out.push_back(DayNumber(year, month, static_cast<int>(day)));
                }
                break;
            }
        }
        return true;
    }

    // What PrepareRule keeps of this walker.
    void Keep(PreparedRule& prepared) const {
        prepared.kind = static_cast<int>(kind_);
        prepared.weekZero = weekZero_;
        prepared.monthZero = monthZero_;
        prepared.periodLimit = periodLimit_;
    }

private:
    long Mask() const { return rule_.dayOfWeekMask & 127; }

    const RecurrenceRule& rule_;
    PeriodKind kind_;
    int64_t lastDay_;          // the last representable day
    int64_t weekZero_ = 0;     // the Sunday of the first day's week
    int64_t monthZero_ = 0;    // year * 12 + month - 1 of period 0
    int64_t periodLimit_ = 0;  // the last period inside the representable range
};

bool ValidMask(long mask) {
    return mask > 0 && mask <= 127;
}

}  // namespace

// The walk behind every expansion; the visitor is inlined, as a walk over a month's grid
// calls it for every one of hundreds of occurrences. Source is the rule or a PreparedRule.
template <class Source, class Visit>
void ForEachOccurrenceDayOf(const RecurrenceRule& rule, const Source& source, int64_t fromDay,
                            int64_t toDay, Visit&& visit) {
    if (rule.lastDay.has_value()) {
        toDay = std::min(toDay, *rule.lastDay);
    }
    toDay = std::min(toDay, LastRepresentableDay());
    fromDay = std::max(fromDay, rule.firstDay);
    if (fromDay > toDay) {
        return;
    }
    const PeriodWalker walker(source);
    PeriodDays days;
    for (int64_t p = walker.PeriodAtOrBefore(fromDay); walker.Candidates(p, days); ++p) {
        for (int64_t day : days) {
            if (day > toDay) {
                return;
            }
            if (day >= fromDay && !visit(day)) {
                return;
            }
        }
    }
}

int64_t FirstRepresentableDay() {
    static const int64_t first = DayNumber(kMinYear, 1, 1);
    return first;
}
int64_t LastRepresentableDay() {
    static const int64_t last = DayNumber(kMaxYear, 12, 31);
    return last;
}
int WeekdayOfDay(int64_t day) {
    // Day 0, 30 December 1899, was a Saturday.
    return static_cast<int>(((day % 7) + 7 + 6) % 7);
}

std::optional<std::string> ValidateRule(const RecurrenceRule& rule) {
    if (rule.firstDay < FirstRepresentableDay() || rule.firstDay > LastRepresentableDay()) {
        return "the pattern's start date lies outside the years 100 to 9999";
    }
    if (rule.interval < 1) {
        return "the interval must be at least 1";
    }
    const bool monthly = rule.type == kRecursMonthly || rule.type == kRecursYearly;
    const bool nth = rule.type == kRecursMonthNth || rule.type == kRecursYearNth;
    const bool yearly = rule.type == kRecursYearly || rule.type == kRecursYearNth;
    switch (rule.type) {
        case kRecursDaily:
        case kRecursWeekly:
        case kRecursMonthly:
        case kRecursMonthNth:
        case kRecursYearly:
        case kRecursYearNth:
            break;
        default:
            return "unknown recurrence type " + std::to_string(rule.type);
    }
    if (rule.type == kRecursWeekly && !ValidMask(rule.dayOfWeekMask)) {
        return "a weekly pattern needs at least one weekday (mask 1..127)";
    }
    if (monthly && (rule.dayOfMonth < 1 || rule.dayOfMonth > 31)) {
        return "the day of the month must be 1..31";
    }
    if (nth && !ValidMask(rule.dayOfWeekMask)) {
        return "an Nth-weekday pattern needs at least one weekday (mask 1..127)";
    }
    if (nth && (rule.instance < 1 || rule.instance > 5)) {
        return "the instance must be 1..5";
    }
    if (yearly && (rule.monthOfYear < 1 || rule.monthOfYear > 12)) {
        return "the month of the year must be 1..12";
    }
    if (rule.lastDay.has_value()) {
        const std::optional<int64_t> first = NthOccurrenceDay(rule, 1);
        if (!first.has_value() || *first > *rule.lastDay) {
            return "the pattern ends before its first occurrence";
        }
    }
    return std::nullopt;
}

void ForEachOccurrenceDay(const RecurrenceRule& rule, int64_t fromDay, int64_t toDay,
                          const std::function<bool(int64_t)>& visit) {
    ForEachOccurrenceDayOf(rule, rule, fromDay, toDay, visit);
}

PreparedRule PrepareRule(const RecurrenceRule& rule) {
    PreparedRule prepared;
    prepared.rule = rule;
    PeriodWalker(prepared.rule).Keep(prepared);
    return prepared;
}

void AppendOccurrenceDays(const PreparedRule& prepared, int64_t fromDay, int64_t toDay,
                          std::vector<int64_t>& days) {
    ForEachOccurrenceDayOf(prepared.rule, prepared, fromDay, toDay, [&days](int64_t day) {
        days.push_back(day);
        return true;
    });
}

Expansion ExpandDays(const RecurrenceRule& rule, int64_t fromDay, int64_t toDay, size_t limit) {
    Expansion result;
    ForEachOccurrenceDay(rule, fromDay, toDay, [&](int64_t day) {
        if (result.days.size() == limit) {
            result.truncated = true;
            return false;
        }
        result.days.push_back(day);
        return true;
    });
    return result;
}

std::optional<int64_t> NthOccurrenceDay(const RecurrenceRule& rule, long n) {
    if (n < 1) {
        return std::nullopt;
    }
    const PeriodWalker walker(rule);
    PeriodDays days;
    if (!walker.Candidates(0, days)) {
        return std::nullopt;
    }
    PeriodDays first;
    for (int64_t day : days) {
        if (day >= rule.firstDay) {
            first.push_back(day);
        }
    }
    const int64_t inFirst = first.count;
    if (n <= inFirst) {
        return first.day[n - 1];
    }
    const int64_t rest = n - inFirst;
    const int perPeriod = walker.PerPeriod();
    const int64_t period = 1 + (rest - 1) / perPeriod;
    if (!walker.Candidates(period, days)) {
        return std::nullopt;
    }
    const auto index = static_cast<size_t>((rest - 1) % perPeriod);
    if (index >= days.size()) {
        return std::nullopt;  // the last week was cut by the end of the range
    }
    return days.day[index];
}

}  // namespace moru::poom::detail
