#pragma once
// The appointments of one day, as the month calendar's day list and the day item menu show
// them.
#include "store/appointment_record.h"

namespace moru {

// The appointments that touch the given day, each loaded in full, in the store's order (a series
// that occurs on the day is listed with the series' own record). Identifiers that no longer load
// are left out. Empty when the store is not open or the query fails.
AppointmentArray QueryDayItems(int year, int month, int day);

}  // namespace moru
