#pragma once
// The settings screen (tab 3): the counts of each kind and the bulk delete. For now it shows
// its tab bar and answers the tab, close and OK like every screen; the counts and the delete
// come with their own work.
#include "screens/hosted_screen.h"

namespace moru {

class SettingsScreen : public HostedScreen {
    Q_OBJECT

public:
    SettingsScreen(ScreenHost& host, QWidget* parent);

protected:
    void PaintScreen(QPainter& painter) override;
    void PenDown(int x, int y) override;
};

}  // namespace moru
