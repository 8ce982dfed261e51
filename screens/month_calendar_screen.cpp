#include "screens/month_calendar_screen.h"

#include <QPainter>

#include "screens/tab_bar.h"

namespace moru {

MonthCalendarScreen::MonthCalendarScreen(ScreenHost& host, QWidget* parent)
    : HostedScreen(host, kMonthScreen, parent) {}

void MonthCalendarScreen::Paint() {
    QPainter painter(&buffer());
    DrawTabBar(painter, currentScreen);
    firstPaint = needsFullRedraw = needsGridRedraw = needsRequery = false;
}

void MonthCalendarScreen::PenDown(int x, int y) { HandleTabBarPress(x, y); }

}  // namespace moru
