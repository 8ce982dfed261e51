#pragma once
// The menu a day tap opens on the month calendar: the selected day's items by kind, its memos
// and "Add memo...".
namespace moru {

class MonthCalendarScreen;

// Called by the month screen after a day tap, once the selected date, the day list and the
// tap point are set.
void ShowDayItemMenu(MonthCalendarScreen& screen);

}  // namespace moru
