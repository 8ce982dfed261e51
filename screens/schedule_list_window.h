#pragma once
// The schedule list (tab 1, also reached as screen 4): the kind lists and the period agenda.
// For now it shows its tab bar and answers the tab, close and OK like every screen; the
// lists come with their own work.
#include "screens/hosted_screen.h"

namespace moru {

class ScheduleListWindow : public HostedScreen {
    Q_OBJECT

public:
    ScheduleListWindow(ScreenHost& host, QWidget* parent);

    // Re-reads the lists from the store and the category lists (the main view's refresh).
    void ReloadList();

    // How many times the lists were reloaded since the window was built.
    int reloadCount() const { return reloadCount_; }

protected:
    void PaintScreen(QPainter& painter) override;
    void PenDown(int x, int y) override;

private:
    int reloadCount_ = 0;
};

}  // namespace moru
