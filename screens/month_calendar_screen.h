#pragma once
// The month calendar: the program's main screen (tab 2). The selected date in words with a
// today button, a six-week grid in which every day with an alarm, holiday, anniversary,
// appointment or memo carries a coloured marker, the colour legend and the tab bar. A day tap
// selects the day and opens the day item menu; the arrow keys page through months and years;
// a tap on the date text starts the clock settings program.
//
// On the screen frame: Refresh() reads today's date, the memo days and (when the month must be
// read again) the month's items; LayoutFor() turns that state into cells and markers;
// PaintScreen() draws the parts the redraw flags name from that layout; the pen handlers hit-test
// the same layout.
#include <QColor>
#include <QPoint>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "screens/hosted_screen.h"
#include "screens/month_grid.h"
#include "store/memo_index.h"

class QScrollBar;
class QSocketNotifier;

namespace moru {

class DayList;

class MonthCalendarScreen : public HostedScreen {
    Q_OBJECT

public:
    MonthCalendarScreen(ScreenHost& host, QWidget* parent);
    ~MonthCalendarScreen() override;

    // Redraw flags; the main view's refresh sets needsFullRedraw and needsRequery.
    bool needsFullRedraw = true;  // redraw the static parts and allow a grid redraw
    bool needsGridRedraw = true;  // redraw the cells without re-reading the store
    bool needsRequery = true;     // recompute the day numbers and re-read the month

    DisplayedDate displayed() const { return displayed_; }
    DisplayedDate selected() const { return selected_; }
    // The selected day's records, from which the day item menu is built.
    const DayList& dayList() const { return *dayList_; }
    DayList& dayList() { return *dayList_; }
    // Where the last day tap landed: the anchor of the day item menu.
    QPoint lastTap() const { return lastTap_; }
    bool todayButtonPressed() const { return todayButtonPressed_; }
    const DayNumbers& dayNumbers() const { return dayNumbers_; }
    CellRect cellRect(int row, int col) const { return CellRectOf(row, col); }

    // A memo was added or removed by this program: the grid shows the day's marker at the
    // next paint, without waiting for the folder's notice.
    void MemosChanged();
    // Posts DataChanged to the main view for the day item menu's commands.
    void PostDataChanged() { host().PostDataChanged(); }

    // One item of the month as the markers need it.
    struct MonthItem {
        double start = 0;
        double end = 0;
        ItemKind kind = Appointment;
        bool holiday = false;  // draws the day number red
    };

    // What the screen reads before it paints, and what it paints from.
    struct View {
        DisplayedDate displayed;
        DisplayedDate selected;
        DisplayedDate today;
        DayNumbers dayNumbers{};
        std::array<bool, kGridCells> memo{};  // [row * 7 + col]: the cell's day has a memo
        const std::vector<MonthItem>* items = nullptr;
        bool todayButtonPressed = false;
    };

    struct Cell {
        CellRect rect;
        bool valid = false;  // a cell without a date is left blank
        QColor fill;
        QColor text;
        bool small = false;  // a neighbouring month's number, in the 9-point face
        int number = 0;
        bool memo = false;
    };
    struct Marker {
        CellRect rect;  // the kind's slot at the foot of the cell
        QColor colour;
        bool holiday = false;  // also redraws the day number in red
        CellRect numberRect;
        bool small = false;
        int day = 0;
    };
    struct Layout {
        std::u16string header;  // the selected date in words
        int todaySourceX = 0;   // the normal or the pressed half of the today button
        std::array<Cell, kGridCells> cells;
        std::vector<Marker> markers;
    };
    static Layout LayoutFor(const View& view);

protected:
    bool RefreshPending() const override;
    void Refresh() override;
    void PaintScreen(QPainter& painter) override;
    void PenDown(int x, int y) override;
    void PenMove(int x, int y) override;
    void PenUp(int x, int y) override;
    void KeyDown(int virtualKey) override;

private:
    View CurrentView() const;
    void QueryMonth();
    void ReadMemoDays();
    void DrawStaticParts(QPainter& painter);
    void DrawHeader(QPainter& painter, const Layout& layout);
    void DrawGrid(QPainter& painter, const Layout& layout);
    void DrawMarkers(QPainter& painter, const Layout& layout);
    void WatchMemoFolder();

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
    // What the last refresh read.
    DisplayedDate today_;
    std::array<bool, kGridCells> memoDays_{};
    std::vector<MonthItem> items_;
    // The restricted collection of the last month query, kept until the next one. Empty when
    // the store is not open or the query failed.
    std::optional<poom::ItemCollection> monthItems_;

    MemoIndex memoIndex_;
    QSocketNotifier* memoNotifier_ = nullptr;  // the memo folder changed from outside
    int memoNotifierFd_ = -1;

    DayList* dayList_ = nullptr;              // hidden child: the selected day's records
    QScrollBar* dayListScrollBar_ = nullptr;  // hidden, as the day list is
};

}  // namespace moru
