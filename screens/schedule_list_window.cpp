#include "screens/schedule_list_window.h"

#include <QPainter>

#include "platform/qt/drawing.h"

namespace moru {

ScheduleListWindow::ScheduleListWindow(ScreenHost& host, QWidget* parent)
    : HostedScreen(host, kScheduleScreen, parent) {}

void ScheduleListWindow::ReloadList() {
    ++reloadCount_;
    Invalidate();
}

void ScheduleListWindow::PaintScreen(QPainter& painter) {
    gdi::FillRect(painter, {0, 0, kWidth, kHeight}, Qt::white);
}

void ScheduleListWindow::PenDown(int x, int y) {
    if (!HandleTabBarPress(x, y)) {
        HostedScreen::PenDown(x, y);
    }
}

}  // namespace moru
