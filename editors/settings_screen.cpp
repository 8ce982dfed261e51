#include "editors/settings_screen.h"

#include <QPainter>

#include "platform/qt/drawing.h"
#include "screens/tab_bar.h"

namespace moru {

SettingsScreen::SettingsScreen(ScreenHost& host, QWidget* parent)
    : HostedScreen(host, kSettingsScreen, parent) {}

void SettingsScreen::Paint() {
    QImage& image = buffer();
    QPainter painter(&image);
    gdi::FillRect(painter, image.rect(), Qt::white);
    DrawTabBar(painter, currentScreen);
}

void SettingsScreen::PenDown(int x, int y) {
    if (!HandleTabBarPress(x, y)) {
        HostedScreen::PenDown(x, y);
    }
}

}  // namespace moru
