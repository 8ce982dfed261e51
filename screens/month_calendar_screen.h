#pragma once
// The month calendar: the program's main screen (tab 2). The selected date in words with a
// today button, a six-week grid in which every day with an alarm, holiday, anniversary,
// appointment or memo carries a coloured marker, the colour legend and the tab bar. A day tap
// selects the day and opens the day item menu; the arrow keys page through months and years;
// a tap on the date text starts the clock settings program.
#include <QPoint>
#include <optional>

#include "platform/poom/poom.h"
#include "screens/hosted_screen.h"
#include "screens/month_grid.h"

class QScrollBar;

namespace moru {

class DayList;

class MonthCalendarScreen : public HostedScreen {
    Q_OBJECT

public:
    MonthCalendarScreen(ScreenHost& host, QWidget* parent);

    // Redraw flags; the main view's refresh sets needsFullRedraw and needsRequery.
    bool firstPaint = true;
    bool needsFullRedraw = true;  // redraw the static parts and allow a grid redraw
    bool needsGridRedraw = true;  // redraw the cells without re-reading the store
    bool needsRequery = true;     // recompute the day numbers and re-read the month

    DisplayedDate displayed() const { return displayed_; }
    DisplayedDate selected() const { return selected_; }
    // The selected day's records, from which the day item menu is built.
    const DayList& dayList() const { return *dayList_; }
    // Where the last day tap landed: the anchor of the day item menu.
    QPoint lastTap() const { return lastTap_; }
    bool todayButtonPressed() const { return todayButtonPressed_; }
    const DayNumbers& dayNumbers() const { return dayNumbers_; }
    const CellRect& cellRect(int row, int col) const { return cellRects_[row][col]; }

protected:
    void Paint() override;
    void PenDown(int x, int y) override;
    void PenMove(int x, int y) override;
    void PenUp(int x, int y) override;
    void KeyDown(int virtualKey) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawStaticParts(QPainter& painter);
    void DrawHeader(QPainter& painter);
    void DrawGrid(QPainter& painter);
    void DrawCell(QPainter& painter, int row, int col, const CellDate& date, bool isToday,
                  bool hasMemo);
    void DrawGridLines(QPainter& painter);
    void QueryMonth();
    void DrawMarkers(QPainter& painter);
    // Shows the back buffer in the window now, when a paint of the window is under way.
    void PresentBackBuffer();

    void RefillDayList();
    void GoToToday();
    // Recomputes the grid's numbers for the displayed month (and February for its year).
    void ShowMonthNumbers();

    DisplayedDate displayed_;          // the month on show; its day is what the keys carry
    DisplayedDate selected_;           // highlighted, written in the header, listed by the day list
    bool todayButtonPressed_ = false;  // draw the today button pressed
    bool todayButtonTracking_ = false;  // the pen went down on the today button
    QPoint lastTap_;

    DayNumbers dayNumbers_{};
    CellRect cellRects_[kGridRows][kGridColumns]{};  // refilled on every grid redraw
    // The restricted collection of the last month query, kept until the next one so that a
    // day tap redraws the markers without asking the store again. Empty when the store is
    // not open or the query failed.
    std::optional<poom::ItemCollection> monthItems_;

    DayList* dayList_ = nullptr;              // hidden child: the selected day's records
    QScrollBar* dayListScrollBar_ = nullptr;  // hidden, as the day list is
    QPainter* windowPainter_ = nullptr;       // the window's painter while a paint event runs
};

}  // namespace moru
