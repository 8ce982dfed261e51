#pragma once
// The kind of a reminder's item, for the words on its notice. The calendar keeps the kinds in
// its category file (three lists of identifiers: alarms, holidays, anniversaries; everything
// else is an appointment). The companion only reads that file, never writes it, and reads it
// afresh for each batch of reminders so a kind changed in the calendar shows at once.
#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "store/appointment_record.h"

namespace moru {

class ItemKinds {
public:
    // The lists as the calendar last saved them; empty lists when the file is missing, and
    // what could be read when it is damaged (a damaged file is the calendar's to mend).
    static ItemKinds Read();
    static ItemKinds ReadFile(const std::filesystem::path& file);

    // Alarm, then holiday, then anniversary win, as in the calendar.
    ItemKind KindOf(uint32_t oid) const;

private:
    std::array<std::vector<uint32_t>, 3> lists_;  // alarms, holidays, anniversaries
};

}  // namespace moru
