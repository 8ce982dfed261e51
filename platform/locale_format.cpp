#include "platform/locale_format.h"

#include <string>

namespace moru {
namespace {

constexpr std::u16string_view kDayAbbrev[7] = {u"Sun", u"Mon", u"Tue", u"Wed",
                                               u"Thu", u"Fri", u"Sat"};
constexpr std::u16string_view kDayNames[7] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                              u"Thursday", u"Friday", u"Saturday"};
constexpr std::u16string_view kMonthAbbrev[12] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                                  u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
constexpr std::u16string_view kMonthNames[12] = {
    u"January", u"February", u"March",     u"April",   u"May",      u"June",
    u"July",    u"August",   u"September", u"October", u"November", u"December"};

enum class Kind { Date, Time };

void AppendNumber(std::u16string& out, int value, int minDigits) {
    std::string digits = std::to_string(value);
    while (static_cast<int>(digits.size()) < minDigits) {
        digits.insert(digits.begin(), '0');
    }
    out.append(digits.begin(), digits.end());
}

bool IsPictureLetter(char16_t c, Kind kind) {
    if (kind == Kind::Date) {
        return c == u'd' || c == u'M' || c == u'y';
    }
    return c == u'h' || c == u'H' || c == u'm' || c == u's' || c == u't';
}

void AppendField(std::u16string& out, const SystemTime& t, char16_t letter, int count) {
    switch (letter) {
        case u'd':
            if (count <= 2) {
                AppendNumber(out, t.day, count);
            } else {
                out += count == 3 ? DayAbbreviation(t.dayOfWeek) : DayName(t.dayOfWeek);
            }
            break;
        case u'M':
            if (count <= 2) {
                AppendNumber(out, t.month, count);
            } else {
                out += count == 3 ? MonthAbbreviation(t.month) : MonthName(t.month);
            }
            break;
        case u'y':
            if (count <= 2) {
                AppendNumber(out, t.year % 100, count);
            } else {
                AppendNumber(out, t.year, 1);
            }
            break;
        case u'h': {
            int hour = t.hour % 12;
            AppendNumber(out, hour == 0 ? 12 : hour, count >= 2 ? 2 : 1);
            break;
        }
        case u'H':
            AppendNumber(out, t.hour, count >= 2 ? 2 : 1);
            break;
        case u'm':
            AppendNumber(out, t.minute, count >= 2 ? 2 : 1);
            break;
        case u's':
            AppendNumber(out, t.second, count >= 2 ? 2 : 1);
            break;
        case u't':
            out += t.hour < 12 ? (count >= 2 ? u"AM" : u"A") : (count >= 2 ? u"PM" : u"P");
            break;
        default:
            break;
    }
}

std::u16string Format(const SystemTime& time, std::u16string_view picture, int bufferChars,
                      Kind kind) {
    std::u16string out;
    size_t i = 0;
    while (i < picture.size()) {
        const char16_t c = picture[i];
        if (c == u'\'') {
            ++i;
            while (i < picture.size()) {
                if (picture[i] == u'\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                        out += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += picture[i++];
            }
            continue;
        }
        if (IsPictureLetter(c, kind)) {
            size_t run = 1;
            while (i + run < picture.size() && picture[i + run] == c) {
                ++run;
            }
            int count = static_cast<int>(run);
            if (c == u'd' || c == u'M') {
                count = std::min(count, 4);
            } else if (c == u'y') {
                count = count >= 3 ? 4 : count;
            }
            AppendField(out, time, c, count);
            i += run;
            continue;
        }
        out += c;
        ++i;
    }
    if (bufferChars != kUnlimited && static_cast<int>(out.size()) + 1 > bufferChars) {
        return {};
    }
    return out;
}

}  // namespace

std::u16string_view DayAbbreviation(int dayOfWeek) {
    return dayOfWeek >= 0 && dayOfWeek < 7 ? kDayAbbrev[dayOfWeek] : std::u16string_view();
}
std::u16string_view DayName(int dayOfWeek) {
    return dayOfWeek >= 0 && dayOfWeek < 7 ? kDayNames[dayOfWeek] : std::u16string_view();
}
std::u16string_view MonthAbbreviation(int month) {
    return month >= 1 && month <= 12 ? kMonthAbbrev[month - 1] : std::u16string_view();
}
std::u16string_view MonthName(int month) {
    return month >= 1 && month <= 12 ? kMonthNames[month - 1] : std::u16string_view();
}

std::u16string FormatDate(const SystemTime& time, std::u16string_view picture, int bufferChars) {
    return Format(time, picture, bufferChars, Kind::Date);
}

std::u16string FormatTime(const SystemTime& time, std::u16string_view picture, int bufferChars) {
    return Format(time, picture, bufferChars, Kind::Time);
}

std::u16string FormatShortDate(const SystemTime& time) {
    return FormatDate(time, kShortDatePicture);
}

}  // namespace moru
