#include "editors/appointment_writes.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "editors/editor_layout.h"
#include "platform/device_root.h"
#include "platform/text.h"
#include "platform/ui_host.h"

namespace moru {
namespace {

constexpr std::u16string_view kSubjectEmpty = u"Subject is empty...";
constexpr std::u16string_view kTooLong =
    u"Cannot save. Appointments cannot be longer than 31 days.";
constexpr std::u16string_view kSaveRefused =
    u"Cannot save. Please check the Start/End date and Recurrence pattern.";

constexpr double kMinutesPerDay = 1440.0;
constexpr double kMinuteRoundingAddend = 0.000005787037037037037;

SystemTime Broken(double date) {
    return VariantTimeToSystemTime(date).value_or(SystemTime{});
}

bool IsWaveExtension(const std::string& name) {
    if (name.size() <= 4) {
        return false;
    }
    std::string extension = name.substr(name.size() - 4);
    for (char& c : extension) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return extension == ".wav";
}

int RecurrenceTypeOfChoice(int choice) {
    switch (choice) {
        case RepeatDaily:
            return poom::kRecursDaily;
        case RepeatWeekly:
        case RepeatWeekdays:
            return poom::kRecursWeekly;
        case RepeatMonthlyOnDay:
            return poom::kRecursMonthly;
        case RepeatMonthlyNth:
            return poom::kRecursMonthNth;
        case RepeatYearlyOnDate:
            return poom::kRecursYearly;
        default:
            return poom::kRecursYearNth;
    }
}

// The fields every seeded pattern shares, after its type (and, for weekdays, its mask).
void WriteSeedFields(poom::RecurrencePattern& pattern, double start, double end,
                     long durationMinutes, bool writeMask) {
    const SystemTime s = Broken(start);
    pattern.SetPatternStartDate(start);
    pattern.SetNoEndDate(true);
    pattern.SetStartTime(start);
    pattern.SetDuration(durationMinutes);
    pattern.SetEndTime(end);
    pattern.SetInterval(1);
    if (writeMask) {
        pattern.SetDayOfWeekMask(WeekdayBit(s));
    }
    pattern.SetDayOfMonth(s.day);
    pattern.SetInstance(InstanceOfDay(s.day));
    pattern.SetMonthOfYear(s.month);
}

}  // namespace

int32_t WeekdayBit(const SystemTime& time) {
    return 1 << (time.dayOfWeek % 7);
}

int32_t InstanceOfDay(int day) {
    return (day - 1) / 7 + 1;
}

bool SpanTooLong(double spanDays) {
    return std::trunc(spanDays) >= kMaxSpanDays;
}

long DurationMinutes(double spanDays) {
    return static_cast<long>(std::trunc(spanDays * kMinutesPerDay + kMinuteRoundingAddend));
}

void PresetOncePattern(poom::RecurrencePattern& pattern, double start, double end) {
    const SystemTime s = Broken(start);
    pattern.SetRecurrenceType(poom::kRecursWeekly);
    pattern.SetPatternStartDate(start);
    pattern.SetOccurrences(10);
    pattern.SetNoEndDate(true);
    pattern.SetStartTime(start);
    pattern.SetDuration(DurationMinutes(end - start));
    pattern.SetEndTime(end);
    pattern.SetInterval(1);
    pattern.SetDayOfWeekMask(WeekdayBit(s));
    pattern.SetDayOfMonth(s.day);
    pattern.SetInstance(InstanceOfDay(s.day));
    pattern.SetMonthOfYear(s.month);
}

void WriteChoicePattern(poom::RecurrencePattern& pattern, int choice, double start, double end,
                        long durationMinutes) {
    pattern.SetRecurrenceType(RecurrenceTypeOfChoice(choice));
    const bool weekdays = choice == RepeatWeekdays;
    if (weekdays) {
        pattern.SetDayOfWeekMask(kMondayToFridayMask);
    }
    WriteSeedFields(pattern, start, end, durationMinutes, /*writeMask=*/!weekdays);
}

void WriteReminder(poom::Appointment& appointment, const ReminderWrite& reminder) {
    if (!reminder.set) {
        appointment.SetReminderSet(false);
        return;
    }
    appointment.SetReminderSet(true);
    appointment.SetReminderOptions(reminder.soundFile.empty() ? kReminderOptionsSilent
                                                              : kReminderOptionsWithSound);
    appointment.SetReminderSoundFile(reminder.soundFile);
    appointment.SetReminderMinutesBeforeStart(reminder.minutesBefore);
}

AppointmentRecord BuildSavedRecord(const SavedItemValues& values, poom::Appointment& appointment) {
    AppointmentRecord record;
    record.subject = values.subject;
    record.soundFile = values.reminderSet ? values.soundText : std::u16string();
    record.start = values.start;
    record.start.milliseconds = 0;
    record.end = values.end;
    record.end.milliseconds = 0;
    record.reminderMinutes = static_cast<int32_t>(appointment.ReminderMinutesBeforeStart());
    record.reminderSet = values.reminderSet ? 1 : 0;
    record.allDay = values.allDay ? 1 : 0;
    record.oid = appointment.Oid();
    record.soundOn = values.soundChosen ? 1 : 0;
    record.repeatChoice = values.repeatChoice;
    record.recurring = values.repeatChoice != RepeatOnce ? 1 : 0;
    record.isPrivate = appointment.Sensitivity() != kSensitivityNormal ? 1 : 0;
    record.spareWord = 0;
    record.dayOfMonth = values.start.day;
    record.monthOfYear = values.start.month;
    record.dayOfWeekMask =
        values.repeatChoice == RepeatWeekdays ? kMondayToFridayMask : WeekdayBit(values.start);
    if (values.repeatChoice == RepeatOnce) {
        record.recurrenceType = -1;
        record.interval = 1;
        record.instance = InstanceOfDay(values.start.day);
    } else {
        const poom::RecurrencePattern pattern = appointment.GetRecurrencePattern();
        record.recurrenceType = pattern.RecurrenceType();
        record.interval = static_cast<int32_t>(pattern.Interval());
        record.instance = static_cast<int32_t>(pattern.Instance());
    }
    return record;
}

std::vector<std::u16string> ReminderSoundNames() {
    std::vector<std::u16string> names;
    std::error_code error;
    std::filesystem::directory_iterator entries(TranslateDevicePath(u"\\Windows\\"), error);
    if (error) {
        return names;
    }
    for (const auto& entry : entries) {
        std::error_code typeError;
        const std::string name = entry.path().filename().string();
        // The device's file search matches the extension in any case.
        if (!entry.is_directory(typeError) && IsWaveExtension(name)) {
            names.push_back(FromUtf8(name));
        }
    }
    return names;
}

std::optional<SaveRefusal> WriteAndSave(poom::Appointment& item,
                                        std::optional<poom::RecurrencePattern>& pattern,
                                        const SaveInputs& in) {
    if (in.subject.empty()) {
        return SaveRefusal{std::u16string(kSubjectEmpty), kMbOk};
    }
    item.SetSubject(in.subject);
    item.SetLocation(u"");
    item.SetCategories(u"");
    item.SetStart(in.start);
    item.SetEnd(in.end);
    const double span = in.end - in.start;
    if (SpanTooLong(span)) {
        return SaveRefusal{std::u16string(kTooLong), kMbOk | kMbIconExclamation};
    }
    const long duration = DurationMinutes(span);
    item.SetDuration(duration);
    item.SetAllDayEvent(in.kind == Appointment ? in.allDay : in.kind != Alarm);
    item.SetSensitivity(kSensitivityNormal);
    item.SetBusyStatus(kBusyStatusBusy);

    if (in.kind == Alarm) {
        WriteReminder(item, {true, in.soundName, 0});
    } else if (in.reminderYes) {
        const ReminderMinutesResult minutes = ReminderMinutes(in.amountText, in.unit);
        if (!minutes.minutes) {
            return SaveRefusal{minutes.message, kMbOk | kMbIconExclamation};
        }
        WriteReminder(item, {true, in.soundName, *minutes.minutes});
    } else {
        WriteReminder(item, {false, {}, 0});
    }

    if (in.choice == RepeatOnce) {
        item.ClearRecurrencePattern();
    } else {
        // Made again should an earlier refused save of a one-off have cleared it.
        pattern = item.GetRecurrencePattern();
        if (in.choice != RepeatOther) {
            WriteChoicePattern(*pattern, in.choice, in.start, in.end, duration);
        }
    }
    if (const Status saved = item.Save(); !saved) {
        std::fprintf(stderr, "moru: saving the item failed: %s\n", saved.error().message.c_str());
        return SaveRefusal{std::u16string(kSaveRefused), kMbOk | kMbIconExclamation};
    }
    return std::nullopt;
}

}  // namespace moru
