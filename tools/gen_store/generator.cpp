#include "tools/gen_store/generator.h"

#include <algorithm>
#include <array>
#include <random>
#include <string>

#include "platform/text.h"

namespace moru::genstore {
namespace {

constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kDaysPerYear = 365;

// Reminder options as the appointment editor writes them: on, plus the sound bit.
constexpr long kReminderOptionsSilent = 21;
constexpr long kReminderOptionsWithSound = 29;
constexpr long kBusy = 2;

constexpr std::array<std::u16string_view, 12> kOneOffSubjects{
    u"Dentist",       u"Team meeting", u"Lunch with Ana",   u"Car service",
    u"Piano lesson",  u"Flight",       u"Parents' evening", u"Haircut",
    u"Budget review", u"Yoga",         u"Conference",       u"Call the bank",
};
constexpr std::array<std::u16string_view, 8> kSeriesSubjects{
    u"Stand-up", u"Gym", u"Rent", u"Book club", u"Birthday", u"Anniversary", u"Backup", u"Bins out",
};
// Sound names as the editor lists them: the file name alone, found under "\Windows\".
constexpr std::array<std::u16string_view, 4> kSounds{u"Alarm1.wav", u"Chimes.wav", u"Notify.wav",
                                                     u"Ring.wav"};
constexpr std::array<long, 7> kReminderMinutes{5, 10, 15, 30, 60, 120, 1440};

// Draws from std::mt19937_64 by plain modulo: the small bias does not matter here, and
// unlike the library's distributions it gives the same numbers with every standard library.
class Random {
public:
    explicit Random(uint64_t seed) : engine_(seed) {}
    int64_t Below(int64_t bound) { return static_cast<int64_t>(engine_() % bound); }
    bool Percent(int chance) { return Below(100) < chance; }
    template <class T, size_t N>
    const T& Pick(const std::array<T, N>& values) {
        return values[static_cast<size_t>(Below(N))];
    }

private:
    std::mt19937_64 engine_;
};

struct Civil {
    int year = 0;
    int month = 0;
    int day = 0;
};

Civil CivilOf(int64_t dayNumber) {
    Civil c;
    CivilFromDayNumber(dayNumber, c.year, c.month, c.day);
    return c;
}

// Whole seconds since the DATE origin, so times can be added as plain numbers.
int64_t SecondsOfDay(int64_t dayNumber) {
    return dayNumber * kDaySeconds;
}

// What one appointment holds, before it is written.
struct Shape {
    std::u16string subject;
    int64_t start = 0;  // seconds since the origin
    int64_t end = 0;
    bool allDay = false;
    bool reminder = false;
    long reminderMinutes = 0;
    std::u16string_view sound;  // empty: no sound
};

void WriteShape(const Shape& shape, poom::Appointment& item) {
    const double start = SecondsToDate(shape.start);
    const double end = SecondsToDate(shape.end);
    item.SetSubject(shape.subject);
    item.SetLocation(u"");
    item.SetCategories(u"");
    item.SetStart(start);
    item.SetDuration(static_cast<long>((shape.end - shape.start) / kSecondsPerMinute));
    item.SetEnd(end);
    item.SetAllDayEvent(shape.allDay);
    item.SetSensitivity(0);
    item.SetBusyStatus(kBusy);
    item.SetReminderSet(shape.reminder);
    if (shape.reminder) {
        item.SetReminderMinutesBeforeStart(shape.reminderMinutes);
        item.SetReminderSoundFile(std::u16string(shape.sound));
        item.SetReminderOptions(shape.sound.empty() ? kReminderOptionsSilent
                                                    : kReminderOptionsWithSound);
    }
}

void MaybeRemind(Random& random, Shape& shape, int chance) {
    if (!random.Percent(chance)) {
        return;
    }
    shape.reminder = true;
    shape.reminderMinutes = random.Pick(kReminderMinutes);
    shape.sound = random.Percent(70) ? random.Pick(kSounds) : std::u16string_view();
}

std::u16string Numbered(std::u16string_view subject, long index) {
    return std::u16string(subject) + u" " + FromUtf8(std::to_string(index));
}

// One-off appointments: mostly short ones in the working day, some longer, some all-day,
// zero-length alarm-like ones with a sound, and a few that run over several days.
Shape OneOff(Random& random, int64_t firstDay, int64_t windowDays, long index) {
    Shape shape;
    shape.subject = Numbered(random.Pick(kOneOffSubjects), index);
    const int64_t day = firstDay + random.Below(windowDays);
    const int64_t kind = random.Below(100);
    if (kind < 10) {
        // All day: either as the editor writes holidays (ending at the same midnight) or
        // ending at the next midnight.
        shape.allDay = true;
        shape.start = SecondsOfDay(day);
        shape.end = random.Percent(50) ? shape.start : SecondsOfDay(day + 1);
        MaybeRemind(random, shape, 20);
    } else if (kind < 20) {
        shape.start = SecondsOfDay(day) + (6 * 60 + 15 * random.Below(16 * 4)) * kSecondsPerMinute;
        shape.end = shape.start;
        shape.reminder = true;
        shape.sound = random.Pick(kSounds);
    } else if (kind < 70) {
        shape.start = SecondsOfDay(day) + (7 * 60 + 15 * random.Below(14 * 4)) * kSecondsPerMinute;
        shape.end = shape.start + 15 * (1 + random.Below(6)) * kSecondsPerMinute;
        MaybeRemind(random, shape, 35);
    } else if (kind < 95) {
        shape.start = SecondsOfDay(day) + (7 * 60 + 30 * random.Below(20)) * kSecondsPerMinute;
        shape.end = shape.start + (120 + 30 * random.Below(13)) * kSecondsPerMinute;
        MaybeRemind(random, shape, 35);
    } else {
        shape.start = SecondsOfDay(day) + (9 * 60 + 60 * random.Below(9)) * kSecondsPerMinute;
        shape.end = shape.start + (1 + random.Below(4)) * kDaySeconds +
                    60 * random.Below(8) * kSecondsPerMinute;
        MaybeRemind(random, shape, 35);
    }
    return shape;
}

// The kinds of series and how often each comes up: weekly and monthly ones are common,
// every-day ones rare, as in a real calendar.
struct SeriesKind {
    int type;
    int weight;  // out of 100
};
constexpr std::array<SeriesKind, 6> kSeriesKinds{{
    {poom::kRecursDaily, 10},
    {poom::kRecursWeekly, 25},
    {poom::kRecursMonthly, 20},
    {poom::kRecursMonthNth, 15},
    {poom::kRecursYearly, 20},
    {poom::kRecursYearNth, 10},
}};

int PickSeriesType(Random& random) {
    int64_t roll = random.Below(100);
    for (const auto& kind : kSeriesKinds) {
        if (roll < kind.weight) {
            return kind.type;
        }
        roll -= kind.weight;
    }
    return poom::kRecursWeekly;
}

// The latest 29 February on or before the given day.
int64_t LeapDayBefore(int64_t dayNumber) {
    const Civil c = CivilOf(dayNumber);
    int year = c.year;
    while (!IsLeapYear(year) || DayNumber(year, 2, 29) > dayNumber) {
        --year;
    }
    return DayNumber(year, 2, 29);
}

// A series that began one to five years before the window. The start is always one of the
// pattern's own dates (as the editor seeds a pattern from its start), so every series has a
// first occurrence; the fields are then varied: several weekdays, every weekday, longer
// intervals, last-weekday instances, days past the end of shorter months, 29 February, and
// ends by a count or a date.
Status WriteSeries(const poom::Application& application, Random& random, int64_t firstDay,
                   int64_t windowDays, long index) {
    const int type = PickSeriesType(random);
    int64_t day = firstDay - kDaysPerYear - random.Below(4 * kDaysPerYear);
    if (type == poom::kRecursYearly && random.Percent(10)) {
        day = LeapDayBefore(day);
    }
    if (type == poom::kRecursMonthly && random.Percent(15)) {
        const Civil c = CivilOf(day);
        day = DayNumber(c.year, c.month, MonthLength(c.year, c.month));
    }
    const Civil start = CivilOf(day);
    const int weekday = WeekdayOf(start.year, start.month, start.day);

    Shape shape;
    shape.subject = Numbered(random.Pick(kSeriesSubjects), index);
    const bool yearlyKind = type == poom::kRecursYearly || type == poom::kRecursYearNth;
    if (yearlyKind && random.Percent(40)) {
        shape.allDay = true;
        shape.start = shape.end = SecondsOfDay(day);
    } else {
        shape.start = SecondsOfDay(day) + (7 * 60 + 15 * random.Below(13 * 4)) * kSecondsPerMinute;
        shape.end = shape.start + 30 * random.Below(4) * kSecondsPerMinute;
    }
    MaybeRemind(random, shape, 40);

    long interval = 1;
    long mask = 1L << weekday;
    long instance = (start.day - 1) / 7 + 1;
    switch (type) {
        case poom::kRecursDaily:
            if (random.Percent(20)) {
                mask = 62;  // every weekday
            } else if (random.Percent(25)) {
                interval = 2 + random.Below(2);
            }
            break;
        case poom::kRecursWeekly:
            for (int extra = random.Percent(30) ? 1 + static_cast<int>(random.Below(2)) : 0;
                 extra > 0; --extra) {
                mask |= 1L << random.Below(7);
            }
            if (random.Percent(20)) {
                interval = 2 + random.Below(3);
            }
            break;
        case poom::kRecursMonthly:
            if (random.Percent(15)) {
                interval = std::array<long, 3>{2, 3, 6}[static_cast<size_t>(random.Below(3))];
            }
            break;
        case poom::kRecursMonthNth:
        case poom::kRecursYearNth:
            // The start's weekday is the last of its kind in the month when a week later is
            // past the month's end; then "last" names the same day.
            if (start.day + 7 > MonthLength(start.year, start.month) && random.Percent(50)) {
                instance = 5;
            }
            if (type == poom::kRecursMonthNth && random.Percent(15)) {
                interval = 2 + random.Below(2);
            }
            break;
        default:
            if (random.Percent(5)) {
                interval = 2;
            }
            break;
    }

    auto item = application.CreateItem(poom::kAppointmentItem);
    if (!item) {
        return item.error();
    }
    WriteShape(shape, *item);
    poom::RecurrencePattern pattern = item->GetRecurrencePattern();
    pattern.SetRecurrenceType(type);
    pattern.SetPatternStartDate(SecondsToDate(shape.start));
    pattern.SetNoEndDate(true);
    pattern.SetStartTime(SecondsToDate(shape.start));
    pattern.SetDuration(static_cast<long>((shape.end - shape.start) / kSecondsPerMinute));
    pattern.SetEndTime(SecondsToDate(shape.end));
    pattern.SetInterval(interval);
    pattern.SetDayOfWeekMask(mask);
    pattern.SetDayOfMonth(start.day);
    pattern.SetInstance(instance);
    pattern.SetMonthOfYear(start.month);
    const int64_t ending = random.Below(100);
    if (ending >= 80) {
        pattern.SetNoEndDate(false);
        pattern.SetOccurrences(static_cast<long>(2 + random.Below(400)));
    } else if (ending >= 60) {
        // Some end before the window, some inside it, some after it.
        const int64_t span = firstDay - day + windowDays + 2 * kDaysPerYear;
        pattern.SetNoEndDate(false);
        pattern.SetPatternEndDate(SecondsToDate(SecondsOfDay(day + 30 + random.Below(span))));
    }
    return item->Save();
}

Status WriteOneOff(const poom::Application& application, Random& random, int64_t firstDay,
                   int64_t windowDays, long index) {
    const Shape shape = OneOff(random, firstDay, windowDays, index);
    auto item = application.CreateItem(poom::kAppointmentItem);
    if (!item) {
        return item.error();
    }
    WriteShape(shape, *item);
    return item->Save();
}

Error Failed(const char* what, long index, const Error& error) {
    return Error{error.code, std::string(what) + " " + std::to_string(index) +
                                 " was refused: " + error.message};
}

}  // namespace

Result<GeneratorSummary> GenerateStore(const poom::Application& application,
                                       const GeneratorOptions& options,
                                       const GeneratorProgress& progress) {
    Random random(options.seed);
    const int64_t firstDay = DayNumber(options.from.year, options.from.month, options.from.day);
    // Years of 365.25 days: the window's exact end does not matter, only its length.
    const int64_t windowDays = std::max<int64_t>(1, options.years * 36525LL / 100);
    const long total = options.series + options.appointments;

    GeneratorSummary summary;
    for (long i = 0; i < options.series; ++i) {
        if (auto saved = WriteSeries(application, random, firstDay, windowDays, i + 1); !saved) {
            return Failed("series", i + 1, saved.error());
        }
        ++summary.series;
        if (progress) {
            progress(summary.series, total);
        }
    }
    for (long i = 0; i < options.appointments; ++i) {
        if (auto saved = WriteOneOff(application, random, firstDay, windowDays, i + 1); !saved) {
            return Failed("appointment", i + 1, saved.error());
        }
        ++summary.appointments;
        if (progress) {
            progress(summary.series + summary.appointments, total);
        }
    }
    return summary;
}

}  // namespace moru::genstore
