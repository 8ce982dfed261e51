#pragma once
// The main view: hosts the four full-screen screens (one visible at a time), switches
// between them, coalesces DataChanged notices into one refresh 500 ms after the last, and
// owns the store connection's lifetime.
#include <QTimer>
#include <QWidget>
#include <array>

#include "app/screen_host.h"
#include "platform/ui_host.h"
#include "screens/hosted_screen.h"

namespace moru {

class CPlumdialDoc;
class ClockScreen;
class MonthCalendarScreen;
class ScheduleListWindow;
class SettingsScreen;

class CPlumdialView : public QWidget, public ScreenHost {
    Q_OBJECT

public:
    static constexpr int kRefreshTimerId = 1004;
    static constexpr int kRefreshDelayMs = 500;

    explicit CPlumdialView(CPlumdialDoc& document, QWidget* parent = nullptr);
    ~CPlumdialView() override;

    // Opens the store, starts the companion, loads the category file and builds the screens
    // (the clock shown). When the store cannot be opened nothing else happens.
    void OnInitialUpdate();

    void SwitchScreen(int screen) override;
    void SaveAndMinimize() override;
    void PostDataChanged() override;

    // The menu bar a screen shows below it, built from its resource (207 for every screen);
    // empty when there is no such bar.
    static PopupMenu CreateScreenMenuBar(int menuBarId);

    void SetScale(int scale);
    int scale() const { return scale_; }

    // The screens; null before OnInitialUpdate built them (or when the store failed).
    MonthCalendarScreen* monthScreen() const { return month_; }
    ScheduleListWindow* scheduleScreen() const { return schedule_; }
    ClockScreen* clockScreen() const { return clock_; }
    SettingsScreen* settingsScreen() const { return settings_; }
    HostedScreen* visibleScreen() const;

    bool storeOpen() const { return storeOpen_; }
    // Whether OnInitialUpdate starts the companion; a screenshot run starts none.
    void SetStartsCompanion(bool starts) { startsCompanion_ = starts; }
    bool refreshPending() const { return refreshTimer_.isActive(); }
    int refreshRemainingMs() const { return refreshTimer_.remainingTime(); }

signals:
    // After the refresh timer reloaded the screens.
    void Refreshed();
    // After SwitchScreen: the screen now shown, or null when none is.
    void VisibleScreenChanged(moru::HostedScreen* screen);

protected:
    bool event(QEvent* event) override;
    // The main view's close ends the program.
    void closeEvent(QCloseEvent* event) override;

private:
    void OnDataChanged();
    void Refresh();
    void AddScreen(HostedScreen* screen, bool shown);
    std::array<HostedScreen*, 4> screens() const;  // null entries for screens not built

    CPlumdialDoc& document_;
    // The screens in the view's own order; children of the view.
    MonthCalendarScreen* month_ = nullptr;
    ScheduleListWindow* schedule_ = nullptr;
    ClockScreen* clock_ = nullptr;
    SettingsScreen* settings_ = nullptr;
    QTimer refreshTimer_;
    bool storeOpen_ = false;
    bool startsCompanion_ = true;
    int scale_ = 1;
};

}  // namespace moru
