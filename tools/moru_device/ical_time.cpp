#include "tools/moru_device/ical_time.h"

#include <algorithm>
#include <cstdio>

namespace moru::device {

bool InRange(const SystemTime& t) {
    return t.year >= kMinYear && t.year <= kMaxYear && IsValidDate(t.year, t.month, t.day) &&
           t.hour < 24 && t.minute < 60 && t.second < 60;
}

int64_t SecondsOf(const SystemTime& t) {
    return DayNumber(t.year, t.month, t.day) * kDaySeconds + t.hour * 3600 + t.minute * 60 +
           t.second;
}

SystemTime FromSeconds(int64_t seconds) {
    const int64_t day = FloorDiv(seconds, kDaySeconds);
    const int64_t inDay = seconds - day * kDaySeconds;
    int year = 0;
    int month = 0;
    int dayOfMonth = 0;
    CivilFromDayNumber(day, year, month, dayOfMonth);
    return MakeSystemTime(year, month, dayOfMonth, static_cast<int>(inDay / 3600),
                          static_cast<int>(inDay / 60 % 60), static_cast<int>(inDay % 60));
}

SystemTime DayOf(const SystemTime& t) {
    return MakeSystemTime(t.year, t.month, t.day);
}

bool AtMidnight(const SystemTime& t) {
    return t.hour == 0 && t.minute == 0 && t.second == 0;
}

ZoneOf ResolveZone(icalcomponent* calendar, icalproperty* property) {
    ZoneOf result;
    icalparameter* tzid = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
    if (tzid == nullptr) {
        return result;
    }
    const char* name = icalparameter_get_tzid(tzid);
    if (name == nullptr) {
        return result;
    }
    result.zone = calendar != nullptr ? icalcomponent_get_timezone(calendar, name) : nullptr;
    if (result.zone == nullptr) {
        result.zone = icaltimezone_get_builtin_timezone_from_tzid(name);
    }
    if (result.zone == nullptr) {
        result.zone = icaltimezone_get_builtin_timezone(name);
    }
    if (result.zone == nullptr) {
        result.unknown = name;
    }
    return result;
}

// This machine's wall-clock time of an absolute instant.
std::optional<SystemTime> LocalOfInstant(time_t instant) {
    struct tm local {};
    if (localtime_r(&instant, &local) == nullptr) {
        return std::nullopt;
    }
    SystemTime t = MakeSystemTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                  local.tm_hour, local.tm_min, std::min(local.tm_sec, 59));
    return InRange(t) ? std::optional<SystemTime>(t) : std::nullopt;
}

// The local wall-clock time of a libical time that carries its zone (or none: floating).
std::optional<SystemTime> LocalOf(icaltimetype t, icaltimezone* zone) {
    if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t)) {
        return std::nullopt;
    }
    if (t.is_date) {
        SystemTime day = MakeSystemTime(t.year, t.month, t.day);
        return InRange(day) ? std::optional<SystemTime>(day) : std::nullopt;
    }
    if (icaltime_is_utc(t) || zone != nullptr) {
        icaltimezone* from = icaltime_is_utc(t) ? icaltimezone_get_utc_timezone() : zone;
        return LocalOfInstant(icaltime_as_timet_with_zone(t, from));
    }
    SystemTime floating = MakeSystemTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
    return InRange(floating) ? std::optional<SystemTime>(floating) : std::nullopt;
}

icaltimetype IcalDate(const SystemTime& t) {
    icaltimetype value = icaltime_null_date();
    value.year = t.year;
    value.month = t.month;
    value.day = t.day;
    return value;
}

icaltimetype IcalTime(const SystemTime& t, TimeForm form) {
    icaltimetype value = icaltime_null_time();
    if (form == TimeForm::Utc) {
        struct tm local {};
        local.tm_year = t.year - 1900;
        local.tm_mon = t.month - 1;
        local.tm_mday = t.day;
        local.tm_hour = t.hour;
        local.tm_min = t.minute;
        local.tm_sec = t.second;
        local.tm_isdst = -1;  // the zone's own rule decides, also in the hour a clock repeats
        return icaltime_from_timet_with_zone(mktime(&local), 0, icaltimezone_get_utc_timezone());
    }
    value.year = t.year;
    value.month = t.month;
    value.day = t.day;
    value.hour = t.hour;
    value.minute = t.minute;
    value.second = t.second;
    return value;
}

std::string CompactTime(const SystemTime& t) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buffer;
}

std::optional<SystemTime> ParseCompactTime(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d%2d%2dT%2d%2d%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6) {
        return std::nullopt;
    }
    SystemTime t = MakeSystemTime(y, mo, d, h, mi, s);
    return InRange(t) && t.year == y && t.month == mo && t.day == d ? std::optional<SystemTime>(t)
                                                                    : std::nullopt;
}

namespace {

// Seconds between the zone's clock and this machine's at an instant.
std::optional<int64_t> ClockDifference(icaltimezone* zone, time_t instant) {
    struct tm local {};
    if (localtime_r(&instant, &local) == nullptr) {
        return std::nullopt;
    }
    const icaltimetype there = icaltime_from_timet_with_zone(instant, 0, zone);
    const SystemTime wall =
        MakeSystemTime(there.year, there.month, there.day, there.hour, there.minute, there.second);
    const int64_t zoneOffset =
        SecondsOf(wall) - (static_cast<int64_t>(instant) + DayNumber(1970, 1, 1) * kDaySeconds);
    return zoneOffset - local.tm_gmtoff;
}

}  // namespace

// A series keeps one local time of day. When the event's zone changes its clock on other days
// than this machine's, some occurrences are an hour off the source's; say so. Clock changes
// come a week or more apart, so a look every three days over a year finds every difference.
bool ClocksDrift(icaltimezone* zone, time_t start) {
    constexpr time_t kStep = 3 * kDaySeconds;
    constexpr int kSteps = 122;
    const std::optional<int64_t> atStart = ClockDifference(zone, start);
    for (int i = 1; atStart && i <= kSteps; ++i) {
        const std::optional<int64_t> later = ClockDifference(zone, start + i * kStep);
        if (later && *later != *atStart) {
            return true;
        }
    }
    return false;
}

}  // namespace moru::device
