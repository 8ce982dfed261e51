#pragma once
// Dates and times as the device keeps them.
//
// SystemTime is the broken-down form (year, month 1..12, day of week 0 = Sunday .. 6,
// day 1..31, hour, minute, second, milliseconds) that records and screens use.
//
// A DATE is a floating-point count of days since 30 December 1899 00:00:00; the fraction is
// the time of day. For days before that origin the integer part counts days back and the
// fraction still runs forward (-1.25 is 29 December 1899 06:00). Conversions are exact to
// the second: a DATE is rounded to the nearest second when it is broken down, so 00:00:00
// and 23:59:59 survive a round trip. Valid years are 100 to 9999.
//
// DateTime and DateTimeSpan are the arithmetic types over DATE (a span is a number of days,
// possibly fractional and negative). Local time comes from GetLocalTime(), the one place the
// program reads the clock; tests pin it with LocalTimePin, and MORU_LOCAL_TIME
// ("YYYY-MM-DD HH:MM:SS") pins it for a whole process, so two-process tests agree on "now".
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace moru {

struct SystemTime {
    uint16_t year = 0;
    uint16_t month = 0;      // 1..12
    uint16_t dayOfWeek = 0;  // 0 = Sunday .. 6 = Saturday
    uint16_t day = 0;        // 1..31
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;

    bool operator==(const SystemTime&) const = default;
};

inline constexpr int kMinYear = 100;
inline constexpr int kMaxYear = 9999;
inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr int64_t kDaySeconds = 86400;  // the same, for whole-second arithmetic

// A broken-down time with its day of week filled in; the fields are taken as given (see
// IsValidDate to check them first).
SystemTime MakeSystemTime(int year, int month, int day, int hour = 0, int minute = 0,
                          int second = 0);

bool IsLeapYear(int year);
int MonthLength(int year, int month);  // 28..31; 0 for a month outside 1..12
bool IsValidDate(int year, int month, int day);
int WeekdayOf(int year, int month, int day);  // 0 = Sunday

// a / b rounded toward negative infinity (b > 0): the day a count of seconds falls on, also
// before the origin. Inline: a walk of a month's grid calls it for every item, and with the
// divisor known where it is called the division becomes a multiplication.
inline int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Whole days from 30 December 1899 to the given civil date (negative before it).
int64_t DayNumber(int year, int month, int day);
void CivilFromDayNumber(int64_t dayNumber, int& year, int& month, int& day);

// SystemTimeToVariantTime: the day of week and milliseconds are ignored, as the platform
// does. Fails for a field out of range.
std::optional<double> SystemTimeToVariantTime(const SystemTime& time);
// VariantTimeToSystemTime: rounds to the nearest second, fills the day of week, ms = 0.
std::optional<SystemTime> VariantTimeToSystemTime(double date);

// The DATE of a civil date and time of day, without range checks beyond IsValidDate.
std::optional<double> MakeDate(int year, int month, int day, int hour = 0, int minute = 0,
                               int second = 0);
// Whole seconds since the origin for a DATE, rounded; the linear form used for comparing.
int64_t DateToSeconds(double date);
double SecondsToDate(int64_t seconds);

class DateTimeSpan {
public:
    DateTimeSpan() = default;
    explicit DateTimeSpan(double days) : days_(days) {}
    DateTimeSpan(long days, int hours, int minutes, int seconds);

    double TotalDays() const { return days_; }
    double TotalHours() const { return days_ * 24.0; }
    double TotalSeconds() const { return days_ * kSecondsPerDay; }

private:
    double days_ = 0.0;
};

// A point in time as a DATE, valid or not (an invalid one comes from a bad conversion).
class DateTime {
public:
    DateTime() = default;
    static DateTime FromDate(double date);
    static DateTime FromSystemTime(const SystemTime& time);
    static DateTime FromParts(int year, int month, int day, int hour = 0, int minute = 0,
                              int second = 0);

    bool valid() const { return valid_; }
    double date() const { return date_; }
    std::optional<SystemTime> ToSystemTime() const;

    int year() const;
    int month() const;
    int day() const;
    int hour() const;
    int minute() const;
    int second() const;
    int dayOfWeek() const;      // 0 = Sunday
    DateTime DateOnly() const;  // midnight of the same day

    DateTime operator+(DateTimeSpan span) const;
    DateTime operator-(DateTimeSpan span) const;
    DateTimeSpan operator-(const DateTime& other) const;

    // Comparisons are to the second, as every caller means them.
    bool operator==(const DateTime& other) const;
    bool operator<(const DateTime& other) const;
    bool operator<=(const DateTime& other) const { return !(other < *this); }
    bool operator>(const DateTime& other) const { return other < *this; }
    bool operator>=(const DateTime& other) const { return !(*this < other); }

private:
    double date_ = 0.0;
    bool valid_ = false;
};

// The local wall-clock time; milliseconds filled, day of week filled.
SystemTime GetLocalTime();

// Replaces the clock for this process while it lives (tests).
class LocalTimePin {
public:
    explicit LocalTimePin(SystemTime now);
    explicit LocalTimePin(std::function<SystemTime()> source);
    ~LocalTimePin();
    LocalTimePin(const LocalTimePin&) = delete;
    LocalTimePin& operator=(const LocalTimePin&) = delete;

private:
    std::function<SystemTime()> previous_;
};

// Reads "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" exactly (no spaces around,
// two-digit fields, four-digit year); anything else, or an impossible date, gives nothing.
std::optional<SystemTime> ParseDateTimeText(std::string_view text, bool allowTime = true);
// "YYYY-MM-DD HH:MM:SS"
std::string FormatDateTimeText(const SystemTime& time);

}  // namespace moru
