#pragma once
// Times between iCalendar and the store. The store keeps local wall-clock times to the second,
// years 100 to 9999; libical keeps times with their zone (UTC, a TZID's zone, or none:
// floating). This machine's zone is the C library's (TZ, else the system's zone).
#include <libical/ical.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "platform/datetime.h"

namespace moru::device {

enum class TimeForm { Floating, Utc };

bool InRange(const SystemTime& t);       // a possible time in the years 100 to 9999
int64_t SecondsOf(const SystemTime& t);  // seconds since the DATE origin
SystemTime FromSeconds(int64_t seconds);
SystemTime DayOf(const SystemTime& t);  // its midnight
bool AtMidnight(const SystemTime& t);

// The zone of a time property: its TZID resolved through the calendar's VTIMEZONEs, then
// libical's built-in zones. No zone for a time without TZID; unknown names a TZID that
// resolves to nothing.
struct ZoneOf {
    icaltimezone* zone = nullptr;
    std::string unknown;
};
ZoneOf ResolveZone(icalcomponent* calendar, icalproperty* property);

// This machine's wall-clock time of an instant, and of a libical time in zone (none:
// floating, taken as it is; a DATE: its midnight). Nothing outside the years 100 to 9999.
std::optional<SystemTime> LocalOfInstant(time_t instant);
std::optional<SystemTime> LocalOf(icaltimetype t, icaltimezone* zone);

icaltimetype IcalDate(const SystemTime& t);
icaltimetype IcalTime(const SystemTime& t, TimeForm form);  // floating, or converted to UTC

// YYYYMMDDTHHMMSS, the form of X-MORU-END.
std::string CompactTime(const SystemTime& t);
std::optional<SystemTime> ParseCompactTime(const std::string& text);

// Whether zone changes its clock on other days than this machine's within a year of start.
bool ClocksDrift(icaltimezone* zone, time_t start);

}  // namespace moru::device
