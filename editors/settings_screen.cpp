#include "editors/settings_screen.h"

#include <QPainter>

#include "platform/qt/drawing.h"

namespace moru {

SettingsScreen::SettingsScreen(ScreenHost& host, QWidget* parent)
    : HostedScreen(host, kSettingsScreen, parent) {}

void SettingsScreen::PaintScreen(QPainter& painter) {
    gdi::FillRect(painter, {0, 0, kWidth, kHeight}, Qt::white);
}

void SettingsScreen::PenDown(int x, int y) {
    if (!HandleTabBarPress(x, y)) {
        HostedScreen::PenDown(x, y);
    }
}

}  // namespace moru
