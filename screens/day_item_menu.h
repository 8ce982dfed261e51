#pragma once
// The menu a day tap opens on the month calendar: the selected day's items by kind, its memos
// and "Add memo...". An item opens its detail dialog (and from there the editor or the delete
// question), a memo opens in the memo editor, and "Add memo..." writes a new memo for the day.
//
// The menu is data (BuildDayItemMenu, which the tests read); ShowDayItemMenu builds it from the
// month screen's day list and the memo folder, opens it at the tap and runs the chosen
// command.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui_host.h"
#include "store/appointment_record.h"

namespace moru {

class MonthCalendarScreen;

// Identifiers of the generated entries: entry j of a kind is base + j, at most 200 per kind.
inline constexpr int kDayItemsPerKind = 200;
inline constexpr std::array<int, 5> kDayItemBase{33001, 33201, 33401, 33601, 33801};
// The device's offset of the month calendar's menus below the tap.
inline constexpr int kDayMenuDeviceOffset = 29;

struct DayItemMenu {
    PopupMenu menu;
    // Positions in the day list's items, per kind: alarms, holidays, anniversaries and
    // appointments, each in the day list's order.
    std::array<std::vector<uint32_t>, 4> indexes;
    std::vector<std::u16string> memoNames;  // file names without folder, as found
};

// The menu for the day's records (in the day list's order) and memo file names. An item's
// kind is tested alarm first, then holiday, then anniversary; the rest are appointments.
DayItemMenu BuildDayItemMenu(const AppointmentArray& items, std::vector<std::u16string> memoNames);

// Runs a command chosen from `menu`, built from the screen's day list: an item, a memo or
// "Add memo...". Anything else does nothing.
void RunDayItemCommand(MonthCalendarScreen& screen, const DayItemMenu& menu, int commandId);

// Called by the month screen after a day tap, once the selected date, the day list and the
// tap point are set.
void ShowDayItemMenu(MonthCalendarScreen& screen);

}  // namespace moru
