#include "store/describe_recurrence.h"

#include <cstdint>

#include "platform/text.h"
#include "store/word_tables.h"

namespace moru {
namespace {

// Positions of the words in the recurrence list's names.
constexpr size_t kOnceName = 0;
constexpr size_t kEverydayName = 1;
constexpr size_t kWeekdaysName = 2;

// Record fields are 32-bit; printing them through to_string of a 64-bit value keeps the
// sign of an odd interval instead of wrapping it.
std::u16string Number(int64_t value) {
    return FromUtf8(std::to_string(value));
}

// The weekday the description names: the start's own, worked out from its date so that a
// record built by hand with a stale day of week still reads right.
int StartWeekday(const SystemTime& start) {
    if (IsValidDate(start.year, start.month, start.day)) {
        return WeekdayOf(start.year, start.month, start.day);
    }
    return start.dayOfWeek;
}

std::u16string_view WeekdayWord(int weekday) {
    return weekday >= 0 && weekday < 7 ? WeekdayShortNames[static_cast<size_t>(weekday)]
                                       : std::u16string_view();
}

std::u16string_view MonthWord(int month) {
    return month >= 1 && month <= 12 ? MonthShortNames[static_cast<size_t>(month)]
                                     : std::u16string_view();
}

// "every month" or "every N months", the tail shared by both monthly forms.
std::u16string EveryMonths(int32_t interval) {
    if (interval == 1) {
        return u"every month";
    }
    return u"every " + Number(interval) + u" months";
}

std::u16string EveryWeekday(int32_t interval) {
    const std::u16string_view weekdays = RepeatChoiceNames[kWeekdaysName];
    if (interval == 1) {
        return u"Every " + std::u16string(weekdays);
    }
    return u"Every " + Number(interval) + u" " + std::u16string(weekdays);
}

// The weekdays are listed Sunday first, each followed by a comma; the last comma is then cut
// off. With no day in the mask that cut takes the head's own last character instead, which
// is how an empty weekly pattern reads ("Every").
std::u16string WeeklyList(int32_t interval, int32_t mask) {
    std::u16string text =
        interval == 1 ? u"Every " : u"Every " + Number(interval) + u" week(s) on ";
    for (int day = 0; day < 7; ++day) {
        if ((mask & (1 << day)) != 0) {
            text += WeekdayWord(day);
            text += u',';
        }
    }
    text.pop_back();
    return text;
}

}  // namespace

std::u16string DescribeRecurrence(const AppointmentRecord& record) {
    const SystemTime& start = record.start;
    const bool weekdaysChoice = record.repeatChoice == RepeatWeekdays;

    switch (record.recurrenceType) {
        case -1:
            return std::u16string(RepeatChoiceNames[kOnceName]);
        case 0:
            if (weekdaysChoice) {
                return EveryWeekday(record.interval);
            }
            if (record.interval == 1) {
                return std::u16string(RepeatChoiceNames[kEverydayName]);
            }
            return u"Every " + Number(record.interval) + u" days";
        case 1:
            if (weekdaysChoice) {
                return EveryWeekday(record.interval);
            }
            return WeeklyList(record.interval, record.dayOfWeekMask);
        case 2:
            return u"Day " + Number(record.dayOfMonth) + u" of " + EveryMonths(record.interval) +
                   u" ";
        case 3:
        case 6: {
            // The store only hands out instances 1..5; anything else has no word, and a
            // sentence with a hole in it would mislead, so such a record reads as nothing.
            if (record.instance < 1 || record.instance > 5) {
                return {};
            }
            std::u16string text = u"The ";
            text += InstanceWords[static_cast<size_t>(record.instance)];
            text += u' ';
            text += WeekdayWord(StartWeekday(start));
            if (record.recurrenceType == 3) {
                return text + u" of " + EveryMonths(record.interval);
            }
            return text + u" of every " + std::u16string(MonthWord(start.month));
        }
        case 5:
            return std::u16string(MonthWord(start.month)) + u" " + Number(start.day) +
                   u" of every year";
        default:
            return {};
    }
}

}  // namespace moru
