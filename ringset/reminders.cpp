#include "ringset/reminders.h"

#include <algorithm>
#include <tuple>

#include "store/item_walk.h"
#include "store/restriction_text.h"

namespace moru {
namespace {

constexpr double kMinutesPerDay = 1440.0;

// The store compares restriction dates by whole days; the exact times are checked after.
std::optional<std::u16string> StartWindow(const DateTime& first, const DateTime& last) {
    const std::optional<SystemTime> from = first.ToSystemTime();
    const std::optional<SystemTime> to = last.ToSystemTime();
    if (!from || !to) {
        return std::nullopt;
    }
    return RestrictionText().StartOnOrAfter(*from).StartOnOrBefore(*to).Text();
}

// The latest DateTime the calendar represents, for windows that would run past it.
DateTime Clamp(const DateTime& date) {
    static const DateTime kLast = DateTime::FromParts(kMaxYear, 12, 31, 23, 59, 59);
    return date.valid() && date < kLast ? date : kLast;
}

}  // namespace

ReminderKey KeyOf(const Reminder& reminder) {
    return ReminderKey{reminder.oid, DateToSeconds(reminder.start.date()),
                       DateToSeconds(reminder.due.date())};
}

Result<ReminderList> FindReminders(const poom::Folder& calendarFolder, const DateTime& from,
                                   const DateTime& to) {
    if (!from.valid() || !to.valid() || to < from) {
        return Error{EINVAL, "reminders: the range is not a valid pair of times"};
    }
    Result<long> lead = calendarFolder.LongestReminderLead();
    if (!lead.ok()) {
        return lead.error();
    }
    const DateTime lastStart =
        Clamp(to + DateTimeSpan(static_cast<double>(*lead) / kMinutesPerDay));
    const std::optional<std::u16string> restriction = StartWindow(from, lastStart);
    if (!restriction) {
        return Error{EINVAL, "reminders: the range lies outside the calendar"};
    }
    Result<poom::ItemCollection> window =
        calendarFolder.Query(*restriction, poom::Recurrences::Occurrences);
    if (!window.ok()) {
        return window.error();
    }

    ReminderList list;
    ForEachItem(*window, [&](const poom::Appointment& item) {
        if (!item.ReminderSet()) {
            return true;
        }
        const long minutes = std::max(0L, item.ReminderMinutesBeforeStart());
        const DateTime start = DateTime::FromDate(item.Start());
        const DateTime due = start - DateTimeSpan(static_cast<double>(minutes) / kMinutesPerDay);
        if (start.valid() && due.valid() && from <= due && due <= to) {
            list.reminders.push_back(
                Reminder{item.Oid(), item.Subject(), start, due, item.AllDayEvent()});
        }
        return true;
    });
    // A walk that a failed read cut short is not the day's reminders.
    if (Status read = window->LastError(); !read.ok()) {
        return read.error();
    }
    list.truncated = window->Truncated();
    std::stable_sort(
        list.reminders.begin(), list.reminders.end(), [](const Reminder& a, const Reminder& b) {
            const ReminderKey ka = KeyOf(a);
            const ReminderKey kb = KeyOf(b);
            return std::tie(ka.due, ka.start, ka.oid) < std::tie(kb.due, kb.start, kb.oid);
        });
    return list;
}

}  // namespace moru
