#pragma once
// The tab bar along the bottom of every screen: bitmap 139 (four 60-pixel tabs: clock,
// schedule list, month calendar, settings) with the highlighted image of the current tab.
#include <QPainter>

namespace moru {

inline constexpr int kTabBarTop = 241;  // the bar is drawn at (0, 241), 240 x 26
inline constexpr int kTabWidth = 60;

// A pen down selects a tab when 241 < y < 267.
inline bool InTabBand(int y) {
    return y > kTabBarTop && y < 267;
}
inline int TabAt(int x) {
    return x / kTabWidth;
}

// The highlighted image of each tab: 0 clock 144, 1 schedule 140, 2 month 141, 3 settings 142.
int HighlightedTabBitmap(int tab);

void DrawTabBar(QPainter& painter, int currentTab);

}  // namespace moru
