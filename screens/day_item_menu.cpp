#include "screens/day_item_menu.h"

#include "screens/month_calendar_screen.h"

namespace moru {

// The day's items are not offered from the month screen yet: a day tap selects the day and
// refills its list, and no menu opens.
void ShowDayItemMenu(MonthCalendarScreen& /*screen*/) {}

}  // namespace moru
