#pragma once
// The program's own classification of store items: three lists of identifiers (alarms,
// holidays, anniversaries) kept in "MoruCalendar.dat" in the data folder.
#include <string>

#include "store/appointment_record.h"

namespace moru {

extern std::u16string dataFolder;            // device path; "\My Documents\MoruCalendar"
extern const std::u16string dataFileName;    // "MoruCalendar.dat"
extern OidList AlarmOids;
extern OidList HolidayOids;
extern OidList AnniversaryOids;

bool LoadCategoryStore();
bool SaveCategoryStore();

}  // namespace moru
