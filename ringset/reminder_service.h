#pragma once
// The stand-in for the device's reminder service, hosted by the companion: shows each
// reminder on the desktop when it comes due, rings the reminder sound, snoozes on request,
// and remembers in the device root what it has shown.
//
// The service does not keep time itself. Its owner calls Run() at start, when the store
// changes, when the clock is set, and at the time the previous Run() asked for; Run() shows
// everything due by then and answers when it next needs to run. Between those times nothing
// wakes it (the desktop's answers to its notices come in through ProcessBus()).
//
// Rules:
// - A reminder is shown once. One that came due while the companion was not running (or the
//   machine slept) is shown when it next runs, marked as missed, if it is at most one day old;
//   older ones, and missed ones beyond kMaxMissedShown, are counted in one summary notice.
// - Snooze brings a reminder back once, kSnoozeMinutes later; dismiss ends it.
// - The sound is the registry's "Wave" value (the companion's own choice of the day's next
//   sound, read back as the device's service does), from \Windows; none when the value is
//   empty or names no file. It rings also when no notice can be shown.
// - Without a session bus or a notification server the service keeps going, says so once on
//   stderr, and tries the bus again at the next reminder.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "ringset/desktop_notifier.h"
#include "ringset/reminder_state.h"
#include "ringset/reminders.h"
#include "store/appointment_record.h"

namespace moru {

inline constexpr int64_t kSnoozeMinutes = 5;
// A reminder shown later than this after its time is marked as missed.
inline constexpr int64_t kLateSeconds = 60;
// How far back a reminder that was not shown still is (one day), and how many of those are
// shown one by one after a long absence before the rest are only counted.
inline constexpr int64_t kMissedWindowSeconds = 86400;
inline constexpr int kMaxMissedShown = 10;
// How far back the summary counts reminders that were never shown: a year, so that a first
// run after a long absence does one bounded walk of the store.
inline constexpr int64_t kSummaryWindowSeconds = 366 * 86400;
// Run() looks this far ahead; with nothing due in it, it asks to run again at its end.
inline constexpr int64_t kLookAheadSeconds = 86400;
// A run that could not read the store or its state asks to run again this much later.
inline constexpr int64_t kRetrySeconds = 60;

class ReminderService {
public:
    ReminderService(poom::Folder calendarFolder, std::filesystem::path stateFile);

    // Shows what is due now, saves what it showed, and returns when it next has to run (a
    // minute later when it could not read the store or its state file). Nothing only when the
    // clock reads a time the calendar cannot represent.
    std::optional<DateTime> Run();

    // The desktop connection, for the owner's event loop.
    DesktopNotifier& notifier() { return notifier_; }
    // Reads the desktop's answers. True when one of them changed the schedule (a snooze), so
    // the owner runs the service again.
    bool ProcessBus();

private:
    void Show(const Reminder& reminder, bool missed, const SystemTime& now, bool& rang);
    void ShowSummary(int count);
    void RingSound(bool& rang);
    void SayNoDesktop(const Error& error);
    void Save();

    poom::Folder folder_;
    std::filesystem::path stateFile_;
    ReminderState state_;
    bool stateLoaded_ = false;
    DesktopNotifier notifier_;
    bool saidNoDesktop_ = false;  // the missing desktop has been reported since it was last there
    std::map<uint32_t, ReminderKey> notices_;                // notice id -> its reminder
    std::vector<std::pair<uint32_t, std::string>> answers_;  // actions taken, not yet handled
};

// The words on a reminder's notice: "Today 14:00, Appointment", the date ("2026.03.11(Wed)
// 14:00") when it is not today, no time for an all-day item, and "Missed: " before a reminder
// shown late.
std::u16string NoticeBody(const Reminder& reminder, ItemKind kind, bool missed,
                          const SystemTime& now);

}  // namespace moru
