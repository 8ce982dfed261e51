#pragma once
// What a screen may ask of the main view that hosts it, and the view's process-wide values.
namespace moru {

// Screen numbers: the tab index of each screen; 4 shows the schedule list, like 1.
enum ScreenNumber : int {
    kClockScreen = 0,
    kScheduleScreen = 1,
    kMonthScreen = 2,
    kSettingsScreen = 3,
};

// The screen whose tab is highlighted; written by every tab bar, read by every paint.
extern int currentScreen;
// While 1, DataChanged notices do not start the refresh (the bulk delete sets it).
extern int refreshSuppressed;

class ScreenHost {
public:
    virtual ~ScreenHost() = default;
    virtual void SwitchScreen(int screen) = 0;
    // Saves the category file, then minimises every screen and the view.
    virtual void SaveAndMinimize() = 0;
    // Posts DataChanged to the view (never a direct call).
    virtual void PostDataChanged() = 0;
};

}  // namespace moru
