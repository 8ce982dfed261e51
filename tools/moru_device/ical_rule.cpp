#include "tools/moru_device/ical_rule.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/poom/poom.h"

namespace moru::device {
namespace {

constexpr long kMondayToFriday = 62;
constexpr int kLastInstance = 5;  // the store's "last" Nth weekday

// A BY* list of libical ends at its first ICAL_RECURRENCE_ARRAY_MAX (or at its size).
template <size_t N>
std::vector<int> ListOf(const short (&values)[N]) {
    std::vector<int> list;
    for (size_t i = 0; i < N && values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        list.push_back(values[i]);
    }
    return list;
}

template <size_t N>
void SetList(short (&values)[N], const std::vector<int>& list) {
    size_t i = 0;
    for (; i < list.size() && i < N; ++i) {
        values[i] = static_cast<short>(list[i]);
    }
    if (i < N) {
        values[i] = ICAL_RECURRENCE_ARRAY_MAX;
    }
}

// libical numbers weekdays 1 (Sunday) to 7 (Saturday) and writes an ordinal into the same
// short: position * 8 + weekday, negated for positions counted from the end.
short EncodeDay(int weekday, int position) {
    const int magnitude = std::abs(position) * 8 + weekday;
    return static_cast<short>(position < 0 ? -magnitude : magnitude);
}

struct DayEntry {
    long bit;      // the weekday's mask bit
    int position;  // 0: every such weekday; 1..53 or -1..-53 an ordinal
};

std::vector<DayEntry> DaysOf(const icalrecurrencetype& rule) {
    std::vector<DayEntry> days;
    for (int encoded : ListOf(rule.by_day)) {
        const int weekday = icalrecurrencetype_day_day_of_week(static_cast<short>(encoded));
        days.push_back(DayEntry{1L << (weekday - 1),
                                icalrecurrencetype_day_position(static_cast<short>(encoded))});
    }
    return days;
}

long MaskOf(const std::vector<DayEntry>& days) {
    long mask = 0;
    for (const DayEntry& d : days) {
        mask |= d.bit;
    }
    return mask;
}

std::vector<int> DaysOfMask(long mask) {
    std::vector<int> days;
    // Monday first, as other programs write them; the order carries no meaning.
    for (int weekday : {2, 3, 4, 5, 6, 7, 1}) {
        if ((mask & (1L << (weekday - 1))) != 0) {
            days.push_back(weekday);
        }
    }
    return days;
}

// The shortest length a month can have: days up to it exist in every year.
int ShortestLength(int month) {
    return month == 2 ? 28 : MonthLength(2001, month);
}

// The day of the month the store holds for a BYMONTHDAY list (with BYSETPOS), when that list
// means what the store's day means in every month that shortest names: a day that every such
// month has, or a run shortest..d with BYSETPOS=-1 (the last of them that the month has).
std::variant<long, RuleRefusal> DayOfMonthFrom(const std::vector<int>& monthDays,
                                               const std::vector<int>& setPos, int shortest,
                                               int longest) {
    if (setPos.empty()) {
        if (monthDays.size() != 1) {
            return RuleRefusal{"it repeats on several days of the month"};
        }
        const int day = monthDays.front();
        if (day == -1) {
            return static_cast<long>(longest);  // the store moves the day to the month's end
        }
        if (day < 1) {
            return RuleRefusal{"it counts the day of the month from the end"};
        }
        if (day > shortest) {
            return RuleRefusal{"it skips the months without day " + std::to_string(day) +
                               " (the calendar would move it to their last day)"};
        }
        return static_cast<long>(day);
    }
    if (setPos.size() != 1 || setPos.front() != -1 || monthDays.empty()) {
        return RuleRefusal{"it selects days with BYSETPOS"};
    }
    std::vector<int> sorted = monthDays;
    std::sort(sorted.begin(), sorted.end());
    bool run = sorted.front() >= 1 && sorted.front() <= shortest;
    for (size_t i = 1; run && i < sorted.size(); ++i) {
        run = sorted[i] == sorted[i - 1] + 1;
    }
    if (!run || sorted.back() > 31) {
        return RuleRefusal{"it selects days with BYSETPOS"};
    }
    return static_cast<long>(sorted.back());
}

// BYDAY of a monthly or yearly rule: one weekday with an ordinal, or weekdays without one
// and a single BYSETPOS. Both give the store's Nth-weekday form.
std::variant<std::pair<long, long>, RuleRefusal> NthWeekdayFrom(const std::vector<DayEntry>& days,
                                                                const std::vector<int>& setPos) {
    auto instanceOf = [](int position) -> std::optional<long> {
        if (position >= 1 && position <= 4) {
            return position;
        }
        if (position == -1) {
            return kLastInstance;
        }
        return std::nullopt;
    };
    const bool anyOrdinal =
        std::any_of(days.begin(), days.end(), [](const DayEntry& d) { return d.position != 0; });
    if (anyOrdinal) {
        if (days.size() != 1 || !setPos.empty()) {
            return RuleRefusal{"it names several weekday ordinals"};
        }
        const std::optional<long> instance = instanceOf(days.front().position);
        if (!instance) {
            return RuleRefusal{"its weekday ordinal " + std::to_string(days.front().position) +
                               " is not 1 to 4 or the last"};
        }
        return std::pair<long, long>{days.front().bit, *instance};
    }
    if (setPos.size() != 1) {
        return RuleRefusal{setPos.empty() ? "it repeats on every such weekday of the month"
                                          : "it selects days with several BYSETPOS values"};
    }
    const std::optional<long> instance = instanceOf(setPos.front());
    if (!instance) {
        return RuleRefusal{"its BYSETPOS " + std::to_string(setPos.front()) +
                           " is not 1 to 4 or the last"};
    }
    return std::pair<long, long>{MaskOf(days), *instance};
}

}  // namespace

long WeekdayBit(const SystemTime& day) {
    return 1L << WeekdayOf(day.year, day.month, day.day);
}

std::variant<ExchangePattern, RuleRefusal> PatternFromRule(const icalrecurrencetype& rule,
                                                           const SystemTime& start,
                                                           std::optional<SystemTime> until,
                                                           bool weeklyMeansDaily) {
    // The fields a rule does not name are seeded from the start, as a new pattern is.
    ExchangePattern p;
    p.mask = WeekdayBit(start);
    p.dayOfMonth = start.day;
    p.instance = (start.day - 1) / 7 + 1;
    p.monthOfYear = start.month;
    p.interval = rule.interval > 0 ? rule.interval : 1;

    switch (rule.freq) {
        case ICAL_SECONDLY_RECURRENCE:
        case ICAL_MINUTELY_RECURRENCE:
        case ICAL_HOURLY_RECURRENCE:
            return RuleRefusal{"it repeats more often than daily"};
        case ICAL_NO_RECURRENCE:
            return RuleRefusal{"it has no frequency"};
        default:
            break;
    }
    if (rule.rscale != nullptr) {
        return RuleRefusal{"it uses another calendar system (RSCALE)"};
    }
    if (!ListOf(rule.by_second).empty() || !ListOf(rule.by_minute).empty() ||
        !ListOf(rule.by_hour).empty()) {
        return RuleRefusal{"it repeats at several times of the day (BYHOUR, BYMINUTE, BYSECOND)"};
    }
    if (!ListOf(rule.by_year_day).empty() || !ListOf(rule.by_week_no).empty()) {
        return RuleRefusal{"it uses BYYEARDAY or BYWEEKNO"};
    }
    const std::vector<DayEntry> days = DaysOf(rule);
    const std::vector<int> monthDays = ListOf(rule.by_month_day);
    const std::vector<int> months = ListOf(rule.by_month);
    const std::vector<int> setPos = ListOf(rule.by_set_pos);
    const bool ordinals =
        std::any_of(days.begin(), days.end(), [](const DayEntry& d) { return d.position != 0; });

    switch (rule.freq) {
        case ICAL_DAILY_RECURRENCE:
        case ICAL_WEEKLY_RECURRENCE: {
            if (!monthDays.empty() || !months.empty() || !setPos.empty() || ordinals) {
                return RuleRefusal{"it limits a daily or weekly rule by month or position"};
            }
            const bool daily = rule.freq == ICAL_DAILY_RECURRENCE;
            if (daily && !days.empty() && p.interval > 1) {
                return RuleRefusal{"it repeats every few days on some weekdays only"};
            }
            const long mask = days.empty() ? p.mask : MaskOf(days);
            // Weeks that start on another day group the days differently once the rule skips
            // weeks, when Sunday and another day are both in it.
            if (!daily && p.interval > 1 && rule.week_start != ICAL_SUNDAY_WEEKDAY &&
                rule.week_start != ICAL_NO_WEEKDAY && (mask & 1) != 0 && mask != 1) {
                return RuleRefusal{"its weeks start on another day than Sunday"};
            }
            const bool weekdays = mask == kMondayToFriday && !days.empty();
            if (daily && days.empty()) {
                p.type = poom::kRecursDaily;
            } else if (weekdays && (daily || weeklyMeansDaily)) {
                p.type = poom::kRecursDaily;
                p.mask = kMondayToFriday;
            } else {
                p.type = poom::kRecursWeekly;
                p.mask = mask;
            }
            break;
        }
        case ICAL_MONTHLY_RECURRENCE: {
            if (!months.empty()) {
                return RuleRefusal{"it limits a monthly rule to some months"};
            }
            if (days.empty()) {
                std::variant<long, RuleRefusal> day = DayOfMonthFrom(
                    monthDays.empty() ? std::vector<int>{start.day} : monthDays, setPos, 28, 31);
                if (auto* refusal = std::get_if<RuleRefusal>(&day)) {
                    return *refusal;
                }
                p.type = poom::kRecursMonthly;
                p.dayOfMonth = std::get<long>(day);
            } else {
                if (!monthDays.empty()) {
                    return RuleRefusal{"it combines weekdays with days of the month"};
                }
                auto nth = NthWeekdayFrom(days, setPos);
                if (auto* refusal = std::get_if<RuleRefusal>(&nth)) {
                    return *refusal;
                }
                p.type = poom::kRecursMonthNth;
                std::tie(p.mask, p.instance) = std::get<std::pair<long, long>>(nth);
            }
            break;
        }
        case ICAL_YEARLY_RECURRENCE: {
            if (months.size() > 1) {
                return RuleRefusal{"it repeats in several months of the year"};
            }
            const int month = months.empty()
                                  ? start.month
                                  : icalrecurrencetype_month_month(static_cast<short>(months[0]));
            if (!months.empty() &&
                icalrecurrencetype_month_is_leap(static_cast<short>(months[0]))) {
                return RuleRefusal{"it names a leap month"};
            }
            p.monthOfYear = month;
            if (days.empty()) {
                std::variant<long, RuleRefusal> day = DayOfMonthFrom(
                    monthDays.empty() ? std::vector<int>{start.day} : monthDays, setPos,
                    ShortestLength(month), month == 2 ? 29 : MonthLength(2001, month));
                if (auto* refusal = std::get_if<RuleRefusal>(&day)) {
                    return *refusal;
                }
                p.type = poom::kRecursYearly;
                p.dayOfMonth = std::get<long>(day);
            } else {
                if (!monthDays.empty()) {
                    return RuleRefusal{"it combines weekdays with days of the month"};
                }
                if (months.empty()) {
                    return RuleRefusal{"it counts weekdays over the whole year, not in a month"};
                }
                auto nth = NthWeekdayFrom(days, setPos);
                if (auto* refusal = std::get_if<RuleRefusal>(&nth)) {
                    return *refusal;
                }
                p.type = poom::kRecursYearNth;
                std::tie(p.mask, p.instance) = std::get<std::pair<long, long>>(nth);
            }
            break;
        }
        default:
            return RuleRefusal{"it has an unknown frequency"};
    }

    if (rule.count > 0) {
        p.noEnd = false;
        p.occurrences = rule.count;
    } else if (until) {
        p.noEnd = false;
        p.endDate = *until;
    }
    return p;
}

RuleOfPattern RuleFromPattern(const ExchangePattern& pattern) {
    RuleOfPattern result;
    icalrecurrencetype& rule = result.rule;
    icalrecurrencetype_clear(&rule);
    rule.interval = static_cast<short>(std::clamp<long>(pattern.interval, 1, SHRT_MAX));
    rule.week_start = ICAL_SUNDAY_WEEKDAY;  // the store's weeks start on Sunday
    auto nthDays = [&] {
        const std::vector<int> days = DaysOfMask(pattern.mask);
        const int position =
            pattern.instance == kLastInstance ? -1 : static_cast<int>(pattern.instance);
        if (days.size() == 1) {
            SetList(rule.by_day, {EncodeDay(days.front(), position)});
        } else {
            std::vector<int> encoded;
            encoded.reserve(days.size());
            for (int day : days) {
                encoded.push_back(EncodeDay(day, 0));
            }
            SetList(rule.by_day, encoded);
            SetList(rule.by_set_pos, {position});
        }
    };
    auto dayOfMonth = [&](int shortest) {
        const int day = static_cast<int>(pattern.dayOfMonth);
        if (day <= shortest) {
            SetList(rule.by_month_day, {day});
            return;
        }
        std::vector<int> run;
        for (int d = shortest; d <= day; ++d) {
            run.push_back(d);
        }
        SetList(rule.by_month_day, run);
        SetList(rule.by_set_pos, {-1});
    };
    switch (pattern.type) {
        case poom::kRecursDaily:
            if (pattern.mask == kMondayToFriday) {
                std::vector<int> encoded;
                for (int day : DaysOfMask(kMondayToFriday)) {
                    encoded.push_back(EncodeDay(day, 0));
                }
                SetList(rule.by_day, encoded);
                // Every weekday of every Interval-th week: a weekly rule says that exactly.
                if (pattern.interval > 1) {
                    rule.freq = ICAL_WEEKLY_RECURRENCE;
                    result.marksDaily = true;
                } else {
                    rule.freq = ICAL_DAILY_RECURRENCE;
                }
            } else {
                rule.freq = ICAL_DAILY_RECURRENCE;
            }
            break;
        case poom::kRecursWeekly: {
            rule.freq = ICAL_WEEKLY_RECURRENCE;
            std::vector<int> encoded;
            for (int day : DaysOfMask(pattern.mask)) {
                encoded.push_back(EncodeDay(day, 0));
            }
            SetList(rule.by_day, encoded);
            break;
        }
        case poom::kRecursMonthly:
            rule.freq = ICAL_MONTHLY_RECURRENCE;
            dayOfMonth(28);
            break;
        case poom::kRecursMonthNth:
            rule.freq = ICAL_MONTHLY_RECURRENCE;
            nthDays();
            break;
        case poom::kRecursYearly:
            rule.freq = ICAL_YEARLY_RECURRENCE;
            SetList(rule.by_month, {static_cast<int>(pattern.monthOfYear)});
            dayOfMonth(ShortestLength(static_cast<int>(pattern.monthOfYear)));
            break;
        case poom::kRecursYearNth:
            rule.freq = ICAL_YEARLY_RECURRENCE;
            SetList(rule.by_month, {static_cast<int>(pattern.monthOfYear)});
            nthDays();
            break;
        default:
            rule.freq = ICAL_NO_RECURRENCE;
            break;
    }
    if (!pattern.noEnd && pattern.occurrences > 0) {
        rule.count = static_cast<int>(pattern.occurrences);
    }
    return result;
}

}  // namespace moru::device
