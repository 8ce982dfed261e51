#pragma once
// One appointment as every screen and editor sees it: a plain value, copied freely, filled
// from the store by LoadAppointment. Also the item kinds and the simple recurrence choices.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/datetime.h"

namespace moru {

struct AppointmentRecord {
    std::u16string subject;
    std::u16string soundFile;     // the reminder sound when reminderSet, else empty
    std::u16string location;      // the program itself always writes it empty
    std::u16string categories;    // the program itself always writes it empty
    std::u16string reservedText;  // never filled
    SystemTime start;
    SystemTime end;
    int32_t reminderMinutes = 0;  // minutes before start when reminderSet, else 0
    int32_t reminderSet = 0;
    int32_t recurring = 0;
    int32_t isPrivate = 0;  // 1 when the store's Sensitivity is not normal
    int32_t allDay = 0;
    int32_t spareWord = 0;  // always 0
    uint32_t oid = 0;
    int32_t soundOn = 0;         // set by the appointment editor after saving; never from the store
    int32_t repeatChoice = 0;    // RepeatChoice derived on load
    int32_t recurrenceType = 0;  // pattern type, -1 when not recurring
    int32_t dayOfWeekMask = 0;   // bit 0 Sunday .. bit 6 Saturday
    int32_t interval = 0;
    int32_t dayOfMonth = 0;
    int32_t instance = 0;  // 1..5 (5 = last); a week-of-month index 0..4 when not recurring
    int32_t monthOfYear = 0;

    bool operator==(const AppointmentRecord&) const = default;
};

using AppointmentArray = std::vector<AppointmentRecord>;
using OidList = std::vector<uint32_t>;

// The kinds, in the order every table of the program follows.
enum ItemKind : int32_t {
    Alarm = 0,
    Holiday = 1,
    Anniversary = 2,
    Appointment = 3,
    Memo = 4,
};

// Which simple recurrence choice an appointment matches (the editor's Recur list).
enum RepeatChoice : int32_t {
    RepeatOnce = 0,
    RepeatDaily = 1,
    RepeatWeekly = 2,
    RepeatWeekdays = 3,
    RepeatMonthlyOnDay = 4,
    RepeatMonthlyNth = 5,
    RepeatYearlyOnDate = 6,
    RepeatYearlyNth = 7,
    RepeatOther = 8,
};

// The array operations whose exact effects the screens rely on.
template <class T>
void SetSize(std::vector<T>& array, size_t size) {
    array.resize(size);
}
template <class T>
void SetAtGrow(std::vector<T>& array, size_t index, const T& value) {
    if (index >= array.size()) {
        array.resize(index + 1);
    }
    array[index] = value;
}
template <class T>
void InsertAt(std::vector<T>& array, size_t index, const T& value, size_t count = 1) {
    if (index > array.size()) {
        array.resize(index);
    }
    array.insert(array.begin() + static_cast<std::ptrdiff_t>(index), count, value);
}
template <class T>
void RemoveAt(std::vector<T>& array, size_t index, size_t count = 1) {
    if (index >= array.size()) {
        return;
    }
    const size_t last = std::min(array.size(), index + count);
    array.erase(array.begin() + static_cast<std::ptrdiff_t>(index),
                array.begin() + static_cast<std::ptrdiff_t>(last));
}

}  // namespace moru
