#pragma once
// One appointment as moru-device exchanges it with other calendars, and its iCalendar event.
//
// ExchangeItem holds every field of a store appointment that an export carries (the ink body
// stays behind). A VEVENT maps onto it so: SUMMARY, LOCATION, DESCRIPTION and CATEGORIES to
// the texts; DTSTART and DTEND (or DURATION) to Start and End; DATE values to an all-day
// item (one day is written by the calendar as midnight to the same midnight); the first
// DISPLAY or AUDIO VALARM to the reminder (its minutes before the start, an AUDIO alarm's
// file name to the sound); CLASS to Sensitivity; TRANSP to BusyStatus; RRULE to the pattern
// (ical_rule.h). What only this calendar has travels in X-MORU-* properties, so that an
// export imports back unchanged: the kind, and the few values the standard properties cannot
// say exactly (a sound kept without a reminder, an unusual busy status or sensitivity, ...).
//
// Times: the store keeps local wall-clock times. An imported time in UTC or with a TZID is
// turned into this machine's local time (the zone of the C library, TZ); a floating time is
// taken as it is. An export writes floating local times, or UTC when asked.
#include <libical/ical.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/result.h"
#include "store/appointment_record.h"
#include "tools/moru_device/ical_rule.h"
#include "tools/moru_device/ical_time.h"

namespace moru::device {

struct ExchangeItem {
    std::u16string uid;
    std::u16string subject;
    std::u16string location;
    std::u16string categories;
    std::u16string body;
    SystemTime start;
    SystemTime end;
    bool allDay = false;
    long busyStatus = 2;  // 0 free, 1 tentative, 2 busy, 3 out of office
    long sensitivity = 0;
    bool reminderSet = false;
    long reminderMinutes = 15;  // the store's default, kept when the item has no reminder
    std::u16string sound;       // the reminder sound file as the store keeps it
    long reminderOptions = 0;
    std::optional<ExchangePattern> pattern;
    std::optional<ItemKind> kind;  // from X-MORU-KIND; nothing when the event does not say

    bool operator==(const ExchangeItem&) const = default;
};

// The longest reminder the store keeps: 9999 days before the start.
inline constexpr long kMaxReminderMinutes = 14398560;

// Reads every exchanged field of a store appointment (kind excepted).
ExchangeItem ReadAppointment(poom::Appointment& appointment);
// Writes them onto a new or existing appointment (not saved). Its ink body stays.
Status WriteAppointment(const ExchangeItem& item, poom::Appointment& appointment);

struct EventImport {
    std::optional<ExchangeItem> item;  // nothing: skipped, for skipReason
    std::string skipReason;
    std::vector<std::string> notes;  // what was left out of an imported item, and why
};
// calendar is the VCALENDAR around the event (its VTIMEZONEs resolve TZIDs).
EventImport ItemFromEvent(icalcomponent* calendar, icalcomponent* event);

// A new VEVENT (the caller frees it). stamp is the DTSTAMP, in UTC; soundFolder is where the
// store's sound names are found, for the AUDIO alarm's file URI.
icalcomponent* EventFromItem(const ExchangeItem& item, TimeForm form, icaltimetype stamp,
                             const std::string& soundFolder);

// The X-MORU-KIND texts.
const char* KindText(ItemKind kind);
std::optional<ItemKind> KindFromText(std::string_view text);

}  // namespace moru::device
