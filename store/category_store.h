#pragma once
// The program's own classification of store items: three lists of identifiers (alarms,
// holidays, anniversaries) kept in "MoruCalendar.dat" in the data folder.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "store/appointment_record.h"
#include "store/calendar_state.h"

namespace moru {

// The lists themselves and the data folder are CalendarState's (store/calendar_state.h).
extern const std::u16string dataFileName;  // "MoruCalendar.dat"

bool LoadCategoryStore();
// Writes the lists. When another program (moru-device) changed the file since this program
// last read or wrote it, its changes are merged in first (store/category_sharing.h), so a
// save never brings back an older copy of the lists.
bool SaveCategoryStore();
// Takes in the changes another program made to the file since this program last read or
// wrote it, keeping this program's own unsaved changes. True when the lists changed. Called
// on every refresh after a change notice.
bool RefreshCategoryStore();

// The category file's path on disk.
std::filesystem::path CategoryFile();
// Replaces the file as a whole, atomically; false (with the reason on stderr) when it could
// not, and the old file is then as it was.
bool WriteCategoryFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace moru
