#pragma once
// The one-line English description of how an appointment repeats ("Everyday",
// "Every Mon.,Wed.,Fri.", "Day 15 of every month ", "The 2nd Tue. of every month", ...),
// shown by the category lists and the detail view. Pure: reads only the record and the word
// tables, never the store.
#include <string>

#include "store/appointment_record.h"

namespace moru {

// Builds the text from the record's recurrenceType, repeatChoice, interval, dayOfWeekMask,
// dayOfMonth and instance, and the start's month, day and weekday (monthOfYear is not used:
// a yearly description names the start's month). An unknown pattern type gives empty text.
std::u16string DescribeRecurrence(const AppointmentRecord& record);

}  // namespace moru
