#pragma once
// What a screen may ask of the main view that hosts it. The process-wide values a screen reads
// and writes (currentScreen, refreshSuppressed, the identifier lists, the store connection)
// are the CalendarState's, reached through state().
#include "store/calendar_state.h"

namespace moru {

// Screen numbers: the tab index of each screen; 4 shows the schedule list, like 1.
enum ScreenNumber : int {
    kClockScreen = 0,
    kScheduleScreen = 1,
    kMonthScreen = 2,
    kSettingsScreen = 3,
};

class ScreenHost {
public:
    virtual ~ScreenHost() = default;
    virtual void SwitchScreen(int screen) = 0;
    // Saves the category file, then minimises every screen and the view.
    virtual void SaveAndMinimize() = 0;
    // Posts DataChanged to the view (never a direct call).
    virtual void PostDataChanged() = 0;
    // The process-wide values; the program's own object unless a test put another in force.
    virtual CalendarState& state() { return Calendar(); }
};

}  // namespace moru
