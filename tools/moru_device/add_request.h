#pragma once
// What "moru-device add" is asked to write, read from its options, and how it lands on a
// store appointment. The fields it does not name are filled as the appointment editor fills
// them when it saves, so that an added item loads in the calendar exactly like one made there.
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/result.h"
#include "tools/moru_device/arguments.h"

namespace moru::device {

struct RecurrenceRequest {
    int type = poom::kRecursWeekly;  // one of the poom::kRecurs* values
    long interval = 1;
    long dayOfWeekMask = 0;  // bit 0 Sunday .. bit 6 Saturday
    long dayOfMonth = 1;
    long instance = 1;  // 1..4, 5 = the last one of the month
    long monthOfYear = 1;
    std::optional<long> occurrences;    // ends after this many
    std::optional<SystemTime> endDate;  // ends on this day, inclusive
};

struct AddRequest {
    std::u16string subject;
    SystemTime start;
    SystemTime end;
    bool allDay = false;
    std::optional<long> reminderMinutes;  // set: the reminder is on
    std::optional<std::u16string> soundFile;
    std::optional<RecurrenceRequest> recurrence;
};

// The options after "add". Every refusal names the option at fault.
std::variant<AddRequest, ArgumentError> ParseAddRequest(const std::vector<std::string>& words);

// Writes the request onto a new appointment (not saved).
Status WriteAddRequest(const AddRequest& request, poom::Appointment& appointment);

}  // namespace moru::device
