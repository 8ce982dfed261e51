#pragma once
// What the appointment editor writes into a store appointment and its pattern, and the record
// it hands back after a save: the rules without the dialog, so that each can be checked
// against the real store.
//
// Times are DATE values (days since 30 December 1899, platform/datetime.h); spans are days.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/poom/poom.h"
#include "store/appointment_record.h"

namespace moru {

// ReminderOptions: 21 reminds without a sound, plus 8 for the sound.
inline constexpr long kReminderOptionsSilent = 21;
inline constexpr long kReminderOptionsWithSound = 29;
// Busy, and a normal (not private) item.
inline constexpr long kBusyStatusBusy = 2;
inline constexpr long kSensitivityNormal = 0;
// An item may last up to 30 days 23:59:59.
inline constexpr int kMaxSpanDays = 31;
inline constexpr int32_t kMondayToFridayMask = 62;

// The weekday's bit of a pattern's mask (Sunday 1 .. Saturday 64).
int32_t WeekdayBit(const SystemTime& time);
// The store's instance of the week a day falls in: 1..5, days 29 to 31 being 5 (last).
int32_t InstanceOfDay(int day);

// True when the span truncated toward zero reaches 31 days.
bool SpanTooLong(double spanDays);
// The span in whole minutes, as the store keeps an item's duration. The small addend (half a
// millisecond in days' minutes) keeps a span that is a whole number of minutes from falling
// one short through the day count's binary fraction.
long DurationMinutes(double spanDays);

// A pattern the editor can always fall back to: weekly on the start's weekday, no end, every
// field seeded from the start (its day, week and month) so that whichever tab the recurrence
// wizard writes, the fields it leaves alone still describe the start.
void PresetOncePattern(poom::RecurrencePattern& pattern, double start, double end);

// The pattern of one of the simple Recur choices 1..7 (Everyday .. the Nth weekday of a month
// every year), starting at `start` with the item's duration.
void WriteChoicePattern(poom::RecurrencePattern& pattern, int choice, double start, double end,
                        long durationMinutes);

// The reminder as the editor writes it. Without a reminder nothing but ReminderSet is touched.
struct ReminderWrite {
    bool set = false;
    std::u16string soundFile;  // as listed, no folder; empty for "Sound off"
    long minutesBefore = 0;
};
void WriteReminder(poom::Appointment& appointment, const ReminderWrite& reminder);

// The record handed back after a save: the editor's own values, with the end, identifier and
// lead time (and for a series the pattern's type, interval and instance) as the store read
// them back.
struct SavedItemValues {
    std::u16string subject;
    SystemTime start;  // the start pickers, to the second
    SystemTime end;    // the end pickers, to the second
    bool reminderSet = false;
    std::u16string soundText;  // the sound list's text
    bool soundChosen = false;  // not "Sound off"
    bool allDay = false;
    int repeatChoice = 0;
};
AppointmentRecord BuildSavedRecord(const SavedItemValues& values, poom::Appointment& appointment);

// The sounds a reminder can ring with: the names (with extension, without folder) of the .wav
// files in "\\Windows\\" of the device root, in the order the folder lists them; none when the
// folder cannot be read.
std::vector<std::u16string> ReminderSoundNames();

// What the save takes from the dialog.
struct SaveInputs {
    ItemKind kind = Appointment;
    std::u16string subject;
    double start = 0.0;   // as written: the pickers, with midnight for the date-only kinds
    double end = 0.0;     // as written: an alarm's is its start, a date-only kind's its midnight
    bool allDay = false;  // the check box (appointments)
    bool reminderYes = false;
    std::u16string amountText;
    int unit = 0;
    std::u16string soundName;  // as listed; empty for "Sound off"
    int choice = 0;            // the Recur selection
};
// The message a save stops with, and its message box style.
struct SaveRefusal {
    std::u16string text;
    unsigned style = 0;
};
// Writes the item's properties and pattern in the save's order and saves it, stopping at the
// first refusal (empty subject, 31 days or more, a reminder amount out of range, the store
// refusing). What was written before a refusal stays on the item for the next try.
std::optional<SaveRefusal> WriteAndSave(poom::Appointment& item,
                                        std::optional<poom::RecurrencePattern>& pattern,
                                        const SaveInputs& inputs);

}  // namespace moru
