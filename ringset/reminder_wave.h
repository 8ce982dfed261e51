#pragma once
// The reminder-sound selection: keeps the registry value "Wave" under
// "\ControlPanel\Notifications\Reminders" naming the sound file of the appointment that comes
// due next, so that its reminder rings with the sound chosen for it.
#include <optional>
#include <string>
#include <string_view>

#include "platform/datetime.h"
#include "platform/poom/poom.h"

namespace moru {

inline constexpr std::u16string_view kRemindersKey = u"\\ControlPanel\\Notifications\\Reminders";
inline constexpr std::u16string_view kWaveValueName = u"Wave";

// The store window the selection walks: from now's date to the next day's date, as the
// store compares dates ("[Start] >= T and [Start] <= U" with a trailing line feed). Nothing
// when now is the last day the calendar can represent.
std::optional<std::u16string> ReminderRestriction(const SystemTime& now);

// Walks today's and tomorrow's appointments (occurrences of recurring ones included) in store
// order and writes the sound file of the first one that starts at or after now, to the
// second, and has its reminder set. When none qualifies the registry is left as it is, so the
// value keeps the sound of an earlier refresh. Store and registry failures end the refresh
// quietly; the next one tries again.
void UpdateReminderWave(const poom::Folder& calendarFolder);

}  // namespace moru
