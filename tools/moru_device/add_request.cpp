#include "tools/moru_device/add_request.h"

#include <array>
#include <cerrno>
#include <map>
#include <utility>

#include "platform/text.h"

namespace moru::device {
namespace {

// The reminder options the appointment editor writes: the reminder on, plus the sound bit
// when a sound file goes with it.
constexpr long kReminderOptionsSilent = 21;
constexpr long kReminderOptionsWithSound = 29;
constexpr long kBusy = 2;

// Limits for the numeric options: wide enough for anything a person or a test means, narrow
// enough that a typo is refused instead of producing a series nobody can expand.
constexpr int64_t kMaxReminderMinutes = 9999L * 24 * 60;  // 9999 days, the editor's largest
constexpr int64_t kMaxInterval = 999;
constexpr int64_t kMaxOccurrences = 999999;

struct RecurName {
    std::string_view word;
    int type;
};
constexpr std::array<RecurName, 6> kRecurNames{{
    {"daily", poom::kRecursDaily},
    {"weekly", poom::kRecursWeekly},
    {"monthly", poom::kRecursMonthly},
    {"monthly-nth", poom::kRecursMonthNth},
    {"yearly", poom::kRecursYearly},
    {"yearly-nth", poom::kRecursYearNth},
}};

// Options that take a value; "--all-day" is the only one without.
constexpr std::array<std::string_view, 13> kValueOptions{
    "--subject", "--start", "--end",      "--reminder", "--sound", "--recur", "--interval",
    "--mask",    "--day",   "--instance", "--month",    "--until", "--count",
};

bool IsValueOption(std::string_view word) {
    for (auto option : kValueOptions) {
        if (option == word) {
            return true;
        }
    }
    return false;
}

ArgumentError Refuse(std::string message) {
    return ArgumentError{std::move(message)};
}

// Reads one optional numeric option into target; false (with the error set) when it is there
// but not a number in range.
bool ReadNumber(const std::map<std::string, std::string, std::less<>>& values,
                std::string_view option, int64_t min, int64_t max, long& target,
                ArgumentError& error) {
    auto it = values.find(option);
    if (it == values.end()) {
        return true;
    }
    auto value = ParseInteger(it->second, min, max);
    if (!value) {
        error = Refuse(std::string(option) + " must be a whole number from " + std::to_string(min) +
                       " to " + std::to_string(max) + ", not \"" + it->second + "\"");
        return false;
    }
    target = static_cast<long>(*value);
    return true;
}

double ToDate(const SystemTime& time) {
    return SystemTimeToVariantTime(time).value_or(0.0);
}

// DATE values before 1900 do not order as plain numbers; whole seconds do.
int64_t Seconds(const SystemTime& time) {
    return DateToSeconds(ToDate(time));
}

}  // namespace

std::variant<AddRequest, ArgumentError> ParseAddRequest(const std::vector<std::string>& words) {
    std::map<std::string, std::string, std::less<>> values;
    AddRequest request;
    ArgumentError error;
    for (ArgumentReader reader(words); !reader.AtEnd();) {
        const std::string word = reader.Take();
        if (word == "--all-day") {
            request.allDay = true;
            continue;
        }
        if (!IsValueOption(word)) {
            return Refuse((IsOption(word) ? "unknown option " : "unexpected argument ") + word);
        }
        auto value = reader.TakeValue(word, error);
        if (!value) {
            return error;
        }
        if (!values.emplace(word, *value).second) {
            return Refuse(word + " given twice");
        }
    }

    auto subject = values.find("--subject");
    if (subject == values.end()) {
        return Refuse("add needs --subject");
    }
    request.subject = FromUtf8(subject->second);

    auto start = values.find("--start");
    if (start == values.end()) {
        return Refuse("add needs --start");
    }
    auto startTime = ParseDateTimeText(start->second, true);
    if (!startTime) {
        return Refuse("--start is not a possible date and time: \"" + start->second + "\"");
    }
    request.start = *startTime;
    request.end = *startTime;
    if (auto end = values.find("--end"); end != values.end()) {
        auto endTime = ParseDateTimeText(end->second, true);
        if (!endTime) {
            return Refuse("--end is not a possible date and time: \"" + end->second + "\"");
        }
        if (Seconds(*endTime) < Seconds(request.start)) {
            return Refuse("--end is before --start");
        }
        request.end = *endTime;
    }

    if (values.contains("--reminder")) {
        long minutes = 0;
        if (!ReadNumber(values, "--reminder", 0, kMaxReminderMinutes, minutes, error)) {
            return error;
        }
        request.reminderMinutes = minutes;
    }
    if (auto sound = values.find("--sound"); sound != values.end()) {
        request.soundFile = FromUtf8(sound->second);
    }

    auto recur = values.find("--recur");
    if (recur == values.end()) {
        for (std::string_view option :
             {"--interval", "--mask", "--day", "--instance", "--month", "--until", "--count"}) {
            if (values.contains(option)) {
                return Refuse(std::string(option) + " needs --recur");
            }
        }
        return request;
    }

    // The pattern starts from what the start implies, as the editor's save seeds it; the
    // options then override single fields.
    RecurrenceRequest pattern;
    bool known = false;
    for (const auto& name : kRecurNames) {
        if (recur->second == name.word) {
            pattern.type = name.type;
            known = true;
        }
    }
    if (!known) {
        return Refuse(
            "--recur must be daily, weekly, monthly, monthly-nth, yearly or yearly-nth, "
            "not \"" +
            recur->second + "\"");
    }
    pattern.interval = 1;
    pattern.dayOfWeekMask = 1L << request.start.dayOfWeek;
    pattern.dayOfMonth = request.start.day;
    pattern.instance = (request.start.day - 1) / 7 + 1;
    pattern.monthOfYear = request.start.month;
    if (!ReadNumber(values, "--interval", 1, kMaxInterval, pattern.interval, error) ||
        !ReadNumber(values, "--mask", 1, 127, pattern.dayOfWeekMask, error) ||
        !ReadNumber(values, "--day", 1, 31, pattern.dayOfMonth, error) ||
        !ReadNumber(values, "--instance", 1, 5, pattern.instance, error) ||
        !ReadNumber(values, "--month", 1, 12, pattern.monthOfYear, error)) {
        return error;
    }

    auto until = values.find("--until");
    auto count = values.find("--count");
    if (until != values.end() && count != values.end()) {
        return Refuse("--until and --count cannot both be given");
    }
    if (count != values.end()) {
        long occurrences = 0;
        if (!ReadNumber(values, "--count", 1, kMaxOccurrences, occurrences, error)) {
            return error;
        }
        pattern.occurrences = occurrences;
    }
    if (until != values.end()) {
        auto endDate = ParseDateTimeText(until->second, false);
        if (!endDate) {
            return Refuse("--until is not a possible date (YYYY-MM-DD): \"" + until->second + "\"");
        }
        SystemTime startDay = request.start;
        startDay.hour = startDay.minute = startDay.second = 0;
        if (Seconds(*endDate) < Seconds(startDay)) {
            return Refuse("--until is before the start");
        }
        pattern.endDate = *endDate;
    }
    request.recurrence = pattern;
    return request;
}

Status WriteAddRequest(const AddRequest& request, poom::Appointment& appointment) {
    auto start = SystemTimeToVariantTime(request.start);
    auto end = SystemTimeToVariantTime(request.end);
    if (!start || !end) {
        return Error{EINVAL, "the start or end cannot be stored"};
    }
    const long minutes = static_cast<long>((DateToSeconds(*end) - DateToSeconds(*start)) / 60);

    appointment.SetSubject(request.subject);
    appointment.SetLocation(u"");
    appointment.SetCategories(u"");
    appointment.SetStart(*start);
    appointment.SetDuration(minutes);
    appointment.SetEnd(*end);
    appointment.SetAllDayEvent(request.allDay);
    appointment.SetSensitivity(0);
    appointment.SetBusyStatus(kBusy);

    if (request.soundFile) {
        appointment.SetReminderSoundFile(*request.soundFile);
    }
    if (request.reminderMinutes) {
        appointment.SetReminderSet(true);
        appointment.SetReminderMinutesBeforeStart(*request.reminderMinutes);
        appointment.SetReminderOptions(request.soundFile && !request.soundFile->empty()
                                           ? kReminderOptionsWithSound
                                           : kReminderOptionsSilent);
    } else {
        appointment.SetReminderSet(false);
    }

    if (!request.recurrence) {
        appointment.ClearRecurrencePattern();
        return {};
    }
    const RecurrenceRequest& wanted = *request.recurrence;
    poom::RecurrencePattern pattern = appointment.GetRecurrencePattern();
    pattern.SetRecurrenceType(wanted.type);
    pattern.SetPatternStartDate(*start);
    pattern.SetNoEndDate(true);
    pattern.SetStartTime(*start);
    pattern.SetDuration(minutes);
    pattern.SetEndTime(*end);
    pattern.SetInterval(wanted.interval);
    pattern.SetDayOfWeekMask(wanted.dayOfWeekMask);
    pattern.SetDayOfMonth(wanted.dayOfMonth);
    pattern.SetInstance(wanted.instance);
    pattern.SetMonthOfYear(wanted.monthOfYear);
    // The end goes last: the count is turned into an end date from the fields above.
    if (wanted.occurrences) {
        pattern.SetNoEndDate(false);
        pattern.SetOccurrences(*wanted.occurrences);
    } else if (wanted.endDate) {
        pattern.SetNoEndDate(false);
        pattern.SetPatternEndDate(ToDate(*wanted.endDate));
    }
    return {};
}

}  // namespace moru::device
