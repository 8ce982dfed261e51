#include "screens/schedule_list_window.h"

#include <QPainter>

#include "platform/qt/drawing.h"
#include "screens/tab_bar.h"

namespace moru {

ScheduleListWindow::ScheduleListWindow(ScreenHost& host, QWidget* parent)
    : HostedScreen(host, kScheduleScreen, parent) {}

void ScheduleListWindow::ReloadList() {
    ++reloadCount_;
    Invalidate();
}

void ScheduleListWindow::Paint() {
    QImage& image = buffer();
    QPainter painter(&image);
    gdi::FillRect(painter, image.rect(), Qt::white);
    DrawTabBar(painter, currentScreen);
}

void ScheduleListWindow::PenDown(int x, int y) {
    if (!HandleTabBarPress(x, y)) {
        HostedScreen::PenDown(x, y);
    }
}

}  // namespace moru
