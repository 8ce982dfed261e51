#include "screens/tab_bar.h"

#include "platform/qt/drawing.h"
#include "resources/bitmaps.h"

namespace moru {

int HighlightedTabBitmap(int tab) {
    switch (tab) {
        case 0:
            return 144;
        case 1:
            return 140;
        case 2:
            return 141;
        case 3:
            return 142;
        default:
            return 0;
    }
}

void DrawTabBar(QPainter& painter, int currentTab) {
    gdi::Blit(painter, {0, kTabBarTop}, Bitmap(139), DeviceRect::FromSize(0, 0, 240, 26));
    if (const int id = HighlightedTabBitmap(currentTab)) {
        gdi::Blit(painter, {currentTab * kTabWidth, kTabBarTop}, Bitmap(id),
                  DeviceRect::FromSize(0, 0, 60, 26));
    }
}

}  // namespace moru
