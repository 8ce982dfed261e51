#include "ringset/reminder_wave.h"

#include "platform/registry.h"
#include "store/item_walk.h"
#include "store/restriction_text.h"

namespace moru {
namespace {

// A REG_SZ of the sound file's characters, twice their number in bytes and no terminating
// zero; an empty sound file writes an empty value.
void WriteWave(std::u16string_view soundFile) {
    Result<RegistryKey> key = RegistryKey::Create(RegistryRoot::CurrentUser, kRemindersKey);
    if (key.ok()) {
        key->SetValue(kWaveValueName, kRegSz, RegSzBytes(soundFile));
    }
}

}  // namespace

std::optional<std::u16string> ReminderRestriction(const SystemTime& now) {
    const std::optional<SystemTime> next =
        (DateTime::FromSystemTime(now) + DateTimeSpan(1, 0, 0, 0)).ToSystemTime();
    if (!next) {
        return std::nullopt;
    }
    return RestrictionText().StartOnOrAfter(now).StartOnOrBefore(*next).Text(
        RestrictionText::Ending::LineFeed);
}

void UpdateReminderWave(const poom::Folder& calendarFolder) {
    const SystemTime nowTime = GetLocalTime();
    const DateTime now = DateTime::FromSystemTime(nowTime);
    const std::optional<std::u16string> restriction = ReminderRestriction(nowTime);
    if (!now.valid() || !restriction) {
        return;
    }
    // The walk is done here rather than through QueryAppointments: a failing refresh must
    // stay silent (the companion retries in 25 seconds) and must not touch the calendar's
    // connection state.
    Result<poom::ItemCollection> window =
        calendarFolder.Query(*restriction, poom::Recurrences::Occurrences);
    if (!window.ok()) {
        return;
    }
    // The first qualifying item in store order wins; there is no search for the earliest.
    ForEachItem(*window, [&](const poom::Appointment& item) {
        if (DateTime::FromDate(item.Start()) >= now && item.ReminderSet()) {
            WriteWave(item.ReminderSoundFile());
            return false;
        }
        return true;
    });
}

}  // namespace moru
