#pragma once
// The English words every screen shares. Each table is indexed the way its callers count:
// weekdays from 0 = Sunday, months from 1 = January (entry 0 is empty), instance words from
// 1 = "1st" to 5 = "last" (entry 0 is empty), kinds by ItemKind. The texts are fixed and
// never change while the program runs.
#include <array>
#include <string_view>

namespace moru {

// The appointment editor's recurrence list: "Once", "Everyday", "Weekdays(Mon-Fri)",
// "<Edit Pattern...>", then six empty entries.
extern const std::array<std::u16string_view, 10> RepeatChoiceNames;
extern const std::array<std::u16string_view, 7> WeekdayNames;       // "Sunday" .. "Saturday"
extern const std::array<std::u16string_view, 7> WeekdayShortNames;  // "Sun." .. "Sat."
extern const std::array<std::u16string_view, 6> InstanceWords;      // [1] "1st" .. [5] "last"
extern const std::array<std::u16string_view, 13> MonthShortNames;   // [1] "Jan." .. [12] "Dec."
extern const std::array<std::u16string_view, 4> KindNames;          // "Alarm" .. "Appointment"
extern const std::array<std::u16string_view, 4> EmptyListLabels;    // "No registered alarm" ..
extern const std::array<std::u16string_view, 5> MenuGroupLabels;    // "Alarm:" .. "Memo:"

}  // namespace moru
