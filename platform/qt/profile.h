#pragma once
// The application's profile: integers by section and entry in an INI file in the device root
// ("\Windows\profile.ini"), e.g.
//
//   [clock]
//   isAnalog=0
//
// The calendar only reads it; the file is written by people (or tests) to change a default.
#include <string_view>

namespace moru {

// The entry's value, or `defaultValue` when the file, the section or the entry is missing or
// the value is not a whole number.
int GetProfileInt(std::u16string_view section, std::u16string_view entry, int defaultValue);
// Sets one entry, keeping the rest of the file; false when the file cannot be written.
bool WriteProfileInt(std::u16string_view section, std::u16string_view entry, int value);

}  // namespace moru
