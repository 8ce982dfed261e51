#pragma once
// The date and time formatters of the device's English locale, with its picture syntax.
//
// Date pictures: d dd (day), ddd dddd (weekday "Mon" / "Monday"), M MM (month), MMM MMMM
// ("Jan" / "January"), y yy yyyy (year). Time pictures: h hh (12-hour), H HH (24-hour),
// m mm, s ss, t tt ("A"/"P", "AM"/"PM"). Text in single quotes is copied as it stands ('' is
// one quote); any other character is copied. A date picture leaves time letters alone and a
// time picture leaves date letters alone, as the platform's two formatters do.
//
// The caller states its buffer in characters, terminating zero included, as on the device:
// a result that would not fit is empty. Pass kUnlimited when no buffer applies.
#include <string>
#include <string_view>

#include "platform/datetime.h"

namespace moru {

inline constexpr int kUnlimited = 0;

std::u16string FormatDate(const SystemTime& time, std::u16string_view picture,
                          int bufferChars = kUnlimited);
std::u16string FormatTime(const SystemTime& time, std::u16string_view picture,
                          int bufferChars = kUnlimited);

// The system's short date, the form the store's restriction texts carry: M/d/yyyy.
std::u16string FormatShortDate(const SystemTime& time);
inline constexpr std::u16string_view kShortDatePicture = u"M/d/yyyy";

// English names, index 0 = Sunday / 1 = January.
std::u16string_view DayAbbreviation(int dayOfWeek);
std::u16string_view DayName(int dayOfWeek);
std::u16string_view MonthAbbreviation(int month);
std::u16string_view MonthName(int month);

}  // namespace moru
