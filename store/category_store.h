#pragma once
// The program's own classification of store items: three lists of identifiers (alarms,
// holidays, anniversaries) kept in "MoruCalendar.dat" in the data folder.
#include <string>

#include "store/appointment_record.h"
#include "store/calendar_state.h"

namespace moru {

// The lists themselves and the data folder are CalendarState's (store/calendar_state.h).
extern const std::u16string dataFileName;  // "MoruCalendar.dat"

bool LoadCategoryStore();
bool SaveCategoryStore();

}  // namespace moru
