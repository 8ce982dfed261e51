#pragma once
// Which reminders come due when: the one computation behind the companion's desktop reminders
// and `moru-device reminders`.
//
// A reminder rings at its appointment's Start minus ReminderMinutesBeforeStart, for every
// occurrence of a recurring series (each occurrence has its own Start); an alarm, saved with
// 0 minutes, rings at its start. Only appointments with ReminderSet ring. Times are local
// wall-clock DateTimes, compared to the second.
#include <compare>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/result.h"

namespace moru {

struct Reminder {
    uint32_t oid = 0;
    std::u16string subject;
    DateTime start;  // the appointment's (or the occurrence's) own start
    DateTime due;    // when the reminder rings
    bool allDay = false;
};

// What names one reminder across runs of the companion: the appointment, the occurrence and
// the ring time. An edit that moves the ring time makes a new reminder, which rings again.
struct ReminderKey {
    uint32_t oid = 0;
    int64_t start = 0;  // DateToSeconds of the occurrence's start
    int64_t due = 0;    // DateToSeconds of the ring time

    // clang-tidy 14 takes the defaulted comparison's own zero for a null pointer.
    auto operator<=>(const ReminderKey&) const = default;  // NOLINT(modernize-use-nullptr)
};

ReminderKey KeyOf(const Reminder& reminder);

struct ReminderList {
    std::vector<Reminder> reminders;  // by due time, then start, then identifier
    bool truncated = false;           // a series had more occurrences than the store lists
};

// Every reminder due from `from` to `to`, both included. The starts looked at reach past
// `to` by the longest reminder lead in the store, so an appointment far ahead with an early
// reminder is found; negative minutes count as 0 (the reminder rings at the start).
Result<ReminderList> FindReminders(const poom::Folder& calendarFolder, const DateTime& from,
                                   const DateTime& to);

}  // namespace moru
