#pragma once
// The month calendar: the program's main screen (tab 2).
#include "screens/hosted_screen.h"

namespace moru {

class MonthCalendarScreen : public HostedScreen {
    Q_OBJECT

public:
    MonthCalendarScreen(ScreenHost& host, QWidget* parent);

    // Redraw flags; the main view's refresh sets needsFullRedraw and needsRequery.
    bool firstPaint = true;
    bool needsFullRedraw = true;   // redraw the static parts and allow a grid redraw
    bool needsGridRedraw = true;   // redraw the cells without re-reading the store
    bool needsRequery = true;      // recompute the day numbers and re-read the month

protected:
    void Paint() override;
    void PenDown(int x, int y) override;
};

}  // namespace moru
