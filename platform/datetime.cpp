#include "platform/datetime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace moru {
namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian), after H. Hinnant.
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr int64_t kOriginFromEpoch = -25569;  // 1899-12-30 counted from 1970-01-01

// The platform's DATE is not linear below zero; arithmetic happens on a linear day count.
double ToLinear(double date) {
    if (date >= 0) {
        return date;
    }
    const double whole = std::trunc(date);
    return whole + (whole - date);
}

double FromLinear(double linear) {
    if (linear >= 0) {
        return linear;
    }
    const double whole = std::floor(linear);
    const double fraction = linear - whole;
    return whole - fraction;
}

// A DATE further from the origin than this cannot name a year from 100 to 9999 (those lie
// within about three million days of it). Values beyond it, or not numbers at all, come from
// damaged input; they are held at this distance so that turning them into whole seconds can
// never overflow.
constexpr double kFarthestDate = 1.0e8;

std::function<SystemTime()>& ClockSource() {
    static std::function<SystemTime()> source;
    return source;
}

SystemTime ReadSystemClock() {
    static const std::optional<SystemTime> pinned = [] {
        const char* text = std::getenv("MORU_LOCAL_TIME");
        return text ? ParseDateTimeText(text) : std::nullopt;
    }();
    if (pinned) {
        return *pinned;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    SystemTime t;
    t.year = static_cast<uint16_t>(local.tm_year + 1900);
    t.month = static_cast<uint16_t>(local.tm_mon + 1);
    t.dayOfWeek = static_cast<uint16_t>(local.tm_wday);
    t.day = static_cast<uint16_t>(local.tm_mday);
    t.hour = static_cast<uint16_t>(local.tm_hour);
    t.minute = static_cast<uint16_t>(local.tm_min);
    t.second = static_cast<uint16_t>(std::min(local.tm_sec, 59));  // no leap second
    t.milliseconds = static_cast<uint16_t>(now.tv_nsec / 1000000);
    return t;
}

bool ReadDigits(std::string_view text, size_t pos, size_t count, int& value) {
    if (pos + count > text.size()) {
        return false;
    }
    value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

}  // namespace

SystemTime MakeSystemTime(int year, int month, int day, int hour, int minute, int second) {
    SystemTime t;
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint16_t>(month);
    t.day = static_cast<uint16_t>(day);
    t.dayOfWeek = static_cast<uint16_t>(WeekdayOf(year, month, day));
    t.hour = static_cast<uint16_t>(hour);
    t.minute = static_cast<uint16_t>(minute);
    t.second = static_cast<uint16_t>(second);
    return t;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int MonthLength(int year, int month) {
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && IsLeapYear(year) ? 29 : kLengths[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= kMinYear && year <= kMaxYear && month >= 1 && month <= 12 && day >= 1 &&
           day <= MonthLength(year, month);
}

int64_t DayNumber(int year, int month, int day) {
    return DaysFromCivil(year, month, day) - kOriginFromEpoch;
}

void CivilFromDayNumber(int64_t dayNumber, int& year, int& month, int& day) {
    const int64_t z = dayNumber + kOriginFromEpoch + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

int WeekdayOf(int year, int month, int day) {
    // 30 December 1899 was a Saturday.
    const int64_t n = DayNumber(year, month, day);
    return static_cast<int>(((n + 6) % 7 + 7) % 7);
}

int64_t DateToSeconds(double date) {
    if (std::isnan(date)) {
        return 0;
    }
    date = std::clamp(date, -kFarthestDate, kFarthestDate);
    if (date >= 0) {
        return std::llround(date * kSecondsPerDay);
    }
    const double whole = std::trunc(date);
    return static_cast<int64_t>(whole) * 86400 + std::llround((whole - date) * kSecondsPerDay);
}

double SecondsToDate(int64_t seconds) {
    // Division by the constant, not through FloorDiv: every item a walk lists is converted.
    int64_t day = seconds / 86400;
    int64_t ofDay = seconds % 86400;
    if (ofDay < 0) {
        ofDay += 86400;
        --day;
    }
    const double fraction = static_cast<double>(ofDay) / kSecondsPerDay;
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

std::optional<double> MakeDate(int year, int month, int day, int hour, int minute, int second) {
    if (!IsValidDate(year, month, day) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59) {
        return std::nullopt;
    }
    return SecondsToDate(DayNumber(year, month, day) * 86400 + int64_t{hour} * 3600 +
                         int64_t{minute} * 60 + second);
}

std::optional<double> SystemTimeToVariantTime(const SystemTime& time) {
    return MakeDate(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

std::optional<SystemTime> VariantTimeToSystemTime(double date) {
    if (!std::isfinite(date) || std::abs(date) >= kFarthestDate) {
        return std::nullopt;
    }
    const int64_t seconds = DateToSeconds(date);
    const int64_t day = FloorDiv(seconds, 86400);
    const int64_t ofDay = seconds - day * 86400;
    int y = 0;
    int m = 0;
    int d = 0;
    CivilFromDayNumber(day, y, m, d);
    if (y < kMinYear || y > kMaxYear) {
        return std::nullopt;
    }
    return MakeSystemTime(y, m, d, static_cast<int>(ofDay / 3600),
                          static_cast<int>(ofDay / 60 % 60), static_cast<int>(ofDay % 60));
}

DateTimeSpan::DateTimeSpan(long days, int hours, int minutes, int seconds)
    : days_(static_cast<double>(days) +
            (hours * 3600.0 + minutes * 60.0 + seconds) / kSecondsPerDay) {}

DateTime DateTime::FromDate(double date) {
    DateTime result;
    result.date_ = date;
    result.valid_ = VariantTimeToSystemTime(date).has_value();
    return result;
}

DateTime DateTime::FromSystemTime(const SystemTime& time) {
    DateTime result;
    if (auto date = SystemTimeToVariantTime(time)) {
        result.date_ = *date;
        result.valid_ = true;
    }
    return result;
}

DateTime DateTime::FromParts(int year, int month, int day, int hour, int minute, int second) {
    DateTime result;
    if (auto date = MakeDate(year, month, day, hour, minute, second)) {
        result.date_ = *date;
        result.valid_ = true;
    }
    return result;
}

std::optional<SystemTime> DateTime::ToSystemTime() const {
    return valid_ ? VariantTimeToSystemTime(date_) : std::nullopt;
}

int DateTime::year() const {
    return ToSystemTime().value_or(SystemTime{}).year;
}
int DateTime::month() const {
    return ToSystemTime().value_or(SystemTime{}).month;
}
int DateTime::day() const {
    return ToSystemTime().value_or(SystemTime{}).day;
}
int DateTime::hour() const {
    return ToSystemTime().value_or(SystemTime{}).hour;
}
int DateTime::minute() const {
    return ToSystemTime().value_or(SystemTime{}).minute;
}
int DateTime::second() const {
    return ToSystemTime().value_or(SystemTime{}).second;
}
int DateTime::dayOfWeek() const {
    return ToSystemTime().value_or(SystemTime{}).dayOfWeek;
}

DateTime DateTime::DateOnly() const {
    auto t = ToSystemTime();
    return t ? FromParts(t->year, t->month, t->day) : DateTime();
}

DateTime DateTime::operator+(DateTimeSpan span) const {
    if (!valid_) {
        return {};
    }
    return FromDate(FromLinear(ToLinear(date_) + span.TotalDays()));
}

DateTime DateTime::operator-(DateTimeSpan span) const {
    return *this + DateTimeSpan(-span.TotalDays());
}

DateTimeSpan DateTime::operator-(const DateTime& other) const {
    return DateTimeSpan(ToLinear(date_) - ToLinear(other.date_));
}

bool DateTime::operator==(const DateTime& other) const {
    return valid_ == other.valid_ && DateToSeconds(date_) == DateToSeconds(other.date_);
}

bool DateTime::operator<(const DateTime& other) const {
    return DateToSeconds(date_) < DateToSeconds(other.date_);
}

SystemTime GetLocalTime() {
    auto& source = ClockSource();
    return source ? source() : ReadSystemClock();
}

LocalTimePin::LocalTimePin(SystemTime now)
    : LocalTimePin(std::function<SystemTime()>([now] {
          SystemTime t = now;
          if (IsValidDate(t.year, t.month, t.day)) {
              t.dayOfWeek = static_cast<uint16_t>(WeekdayOf(t.year, t.month, t.day));
          }
          return t;
      })) {}

LocalTimePin::LocalTimePin(std::function<SystemTime()> source) : previous_(ClockSource()) {
    ClockSource() = std::move(source);
}

LocalTimePin::~LocalTimePin() {
    ClockSource() = std::move(previous_);
}

std::optional<SystemTime> ParseDateTimeText(std::string_view text, bool allowTime) {
    int y = 0;
    int m = 0;
    int d = 0;
    int hh = 0;
    int mm = 0;
    int ss = 0;
    if (text.size() < 10 || !ReadDigits(text, 0, 4, y) || text[4] != '-' ||
        !ReadDigits(text, 5, 2, m) || text[7] != '-' || !ReadDigits(text, 8, 2, d)) {
        return std::nullopt;
    }
    if (text.size() != 10) {
        if (!allowTime || (text.size() != 16 && text.size() != 19) || text[10] != ' ' ||
            !ReadDigits(text, 11, 2, hh) || text[13] != ':' || !ReadDigits(text, 14, 2, mm)) {
            return std::nullopt;
        }
        if (text.size() == 19 && (text[16] != ':' || !ReadDigits(text, 17, 2, ss))) {
            return std::nullopt;
        }
    }
    if (!MakeDate(y, m, d, hh, mm, ss)) {
        return std::nullopt;
    }
    return MakeSystemTime(y, m, d, hh, mm, ss);
}

std::string FormatDateTimeText(const SystemTime& time) {
    // `moru-device list` writes two of these per line, thousands of lines a run: the digits
    // are set by hand for every time the calendar can hold, printf only does the rest.
    auto inRange = [](int value, int limit) { return value >= 0 && value <= limit; };
    if (inRange(time.year, 9999) && inRange(time.month, 99) && inRange(time.day, 99) &&
        inRange(time.hour, 99) && inRange(time.minute, 99) && inRange(time.second, 99)) {
        std::string text(19, '0');
        auto put = [&text](size_t at, int value, int digits) {
            for (int i = digits - 1; i >= 0; --i) {
                text[at + static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
                value /= 10;
            }
        };
        put(0, time.year, 4);
        text[4] = '-';
        put(5, time.month, 2);
        text[7] = '-';
        put(8, time.day, 2);
        text[10] = ' ';
        put(11, time.hour, 2);
        text[13] = ':';
        put(14, time.minute, 2);
        text[16] = ':';
        put(17, time.second, 2);
        return text;
    }
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return buffer;
}

}  // namespace moru
