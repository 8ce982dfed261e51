#include "screens/month_calendar_screen.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScrollBar>

#include "app/fonts.h"
#include "editors/memo_files.h"
#include "platform/datetime.h"
#include "platform/locale_format.h"
#include "platform/process.h"
#include "platform/qt/drawing.h"
#include "resources/bitmaps.h"
#include "screens/day_item_menu.h"
#include "screens/day_list.h"
#include "screens/tab_bar.h"
#include "store/store_connection.h"

namespace moru {
namespace {

using gdi::WinRect;

// Layout of the screen, in logical pixels.
constexpr QRect kHeaderBand = WinRect(0, 0, 205, 42);  // cleared before the date is drawn
constexpr QRect kDateText = WinRect(20, 5, 220, 30);   // the selected date, centred
constexpr QPoint kTodayButtonAt{205, 5};               // bitmap 156, 26 x 26
constexpr int kTodayButtonSize = 26;
constexpr int kTodayPressedSourceX = 26;                  // the pressed half of bitmap 156
constexpr QRect kTodayButton = WinRect(205, 5, 231, 31);  // invalidated while pressed
constexpr QPoint kWeekdayHeaderAt{0, 42};                 // bitmap 147, 240 x 16
constexpr QPoint kLegendAt{0, 215};                       // bitmap 148, 240 x 26
constexpr QRect kDayListPlace{0, 30, 240, 210};           // (x, y, w, h), hidden
constexpr QRect kScrollBarPlace{222, 31, 15, 207};        // (x, y, w, h), hidden
constexpr QPoint kCellStripOffset{1, 21};                 // top 32 x 5 of bitmap 150
constexpr QRect kCellStripSource{0, 0, 32, 5};
constexpr int kNumberInset = 2;  // the day number starts 2 pixels right of the cell's left

// Bitmaps.
constexpr int kWeekdayHeaderBitmap = 147;
constexpr int kLegendBitmap = 148;
constexpr int kCellStripBitmap = 150;
constexpr int kTodayButtonBitmap = 156;

// Colours.
const QColor kSelectedFill{70, 163, 250};
const QColor kTodayFill{204, 204, 204};
const QColor kCellFill{255, 255, 255};
const QColor kSelectedText{255, 255, 255};
const QColor kSundayText{255, 0, 0};
const QColor kSaturdayText{70, 163, 250};
const QColor kWeekdayText{0, 0, 0};
const QColor kNeighbourText{150, 150, 150};
const QColor kHolidayText{255, 0, 0};
const QColor kGridLine{0, 0, 0};
const QColor kMemoMarker{0, 255, 0};
const QColor kKindMarkers[] = {
    {0, 0, 255},    // alarm
    {255, 0, 0},    // holiday
    {255, 0, 255},  // anniversary
    {255, 255, 0},  // appointment
};

// Tap regions, as open intervals.
bool InDateText(int x, int y) {
    return x > 30 && x < 195 && y > 5 && y < 31;
}
bool InTodayButton(int x, int y) {
    return y > 5 && y < 31 && x > 205 && x < 231;
}

QRect ToQRect(const CellRect& r) {
    return WinRect(r.left, r.top, r.right, r.bottom);
}

SystemTime DateAt(int64_t dayNumber) {
    int year = 0;
    int month = 0;
    int day = 0;
    CivilFromDayNumber(dayNumber, year, month, day);
    return MakeSystemTime(year, month, day);
}

// The busy cursor while the grid is redrawn, put back however the redraw ends.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

MonthCalendarScreen::MonthCalendarScreen(ScreenHost& host, QWidget* parent)
    : HostedScreen(host, kMonthScreen, parent) {
    const SystemTime today = GetLocalTime();
    displayed_ = {today.year, today.month, today.day};
    selected_ = displayed_;
    monthItems_.reset();
    SetFebruaryFor(displayed_.year);

    dayList_ = new DayList(this);
    dayList_->setGeometry(kDayListPlace);
    dayList_->hide();
    dayListScrollBar_ = new QScrollBar(Qt::Vertical, this);
    dayListScrollBar_->setGeometry(kScrollBarPlace);
    dayListScrollBar_->hide();

    RefillDayList();
}

void MonthCalendarScreen::RefillDayList() {
    dayList_->year = selected_.year;
    dayList_->month = selected_.month;
    dayList_->day = selected_.day;
    dayList_->selected = 0;
    dayList_->firstVisible = 0;
    dayList_->detailMode = 0;
    dayList_->QueryDay(this);
}

// ---- painting -------------------------------------------------------------------------------

void MonthCalendarScreen::paintEvent(QPaintEvent* /*event*/) {
    QPainter window(this);
    windowPainter_ = &window;
    Paint();
    PresentBackBuffer();  // the whole finished buffer, in one transfer
    windowPainter_ = nullptr;
}

void MonthCalendarScreen::PresentBackBuffer() {
    // Only while the window is being painted is there a painter to show the buffer through;
    // PaintNow (tests, benchmarks) draws into the buffer alone.
    if (windowPainter_ != nullptr) {
        windowPainter_->drawImage(QRect(0, 0, kWidth * scale(), kHeight * scale()), buffer());
    }
}

void MonthCalendarScreen::Paint() {
    QPainter painter(&buffer());
    if (needsFullRedraw) {
        DrawStaticParts(painter);
        if (needsRequery) {
            dayNumbers_ = ComputeDayNumbers(displayed_.year, displayed_.month);
        }
    }
    DrawHeader(painter);
    if (needsFullRedraw && (needsRequery || needsGridRedraw)) {
        WaitCursor busy;
        DrawGrid(painter);
        if (needsRequery) {
            // Let the grid show while the store is read.
            painter.end();
            PresentBackBuffer();
            painter.begin(&buffer());
            QueryMonth();
        }
        DrawMarkers(painter);
    }
    firstPaint = needsFullRedraw = needsGridRedraw = needsRequery = false;
}

void MonthCalendarScreen::DrawStaticParts(QPainter& painter) {
    DrawTabBar(painter, currentScreen);
    gdi::Blit(painter, kWeekdayHeaderAt, Bitmap(kWeekdayHeaderBitmap), {0, 0, 240, 16});
    gdi::Blit(painter, kLegendAt, Bitmap(kLegendBitmap), {0, 0, 240, 26});
}

void MonthCalendarScreen::DrawHeader(QPainter& painter) {
    gdi::FillRect(painter, kHeaderBand, Qt::white);
    const SystemTime date = MakeSystemTime(selected_.year, selected_.month, selected_.day);
    constexpr int kDateBufferChars = 20;
    const std::u16string text = FormatDate(date, u"ddd, MMM, dd, yyyy", kDateBufferChars);
    gdi::DrawText(painter, QString::fromStdU16String(text), kDateText,
                  gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE, FontComic13Bold(),
                  Qt::black);
    const int sourceX = todayButtonPressed_ && todayButtonTracking_ ? kTodayPressedSourceX : 0;
    gdi::Blit(painter, kTodayButtonAt, Bitmap(kTodayButtonBitmap),
              {sourceX, 0, kTodayButtonSize, kTodayButtonSize});
}

void MonthCalendarScreen::DrawGrid(QPainter& painter) {
    // Cells without a date are left blank: without this they would keep whatever the
    // previously shown month drew there.
    gdi::FillRect(painter, WinRect(kGridLeft, kGridTop, kGridRight + 1, kGridBottom + 1),
                  kCellFill);
    const SystemTime today = GetLocalTime();
    // One directory read answers the memo test of every cell.
    const MemoListing memos = MemoListing::Read();
    for (int row = 0; row < kGridRows; ++row) {
        for (int col = 0; col < kGridColumns; ++col) {
            cellRects_[row][col] = CellRectOf(row, col);
            const CellDate date =
                DateOfCell(dayNumbers_, displayed_.year, displayed_.month, row, col);
            if (!date.valid()) {
                continue;
            }
            DrawCell(painter, row, col, date, date.SameDay(today.year, today.month, today.day),
                     memos.HasMemo(date.year, date.month, date.day));
        }
    }
    DrawGridLines(painter);
}

void MonthCalendarScreen::DrawCell(QPainter& painter, int row, int col, const CellDate& date,
                                   bool isToday, bool hasMemo) {
    const CellRect& cell = cellRects_[row][col];
    const QFont* font = &FontArial10Bold();
    QColor fill = kCellFill;
    QColor text = kWeekdayText;
    if (date.SameDay(selected_.year, selected_.month, selected_.day)) {
        fill = kSelectedFill;
        text = kSelectedText;
    } else {
        if (isToday) {
            fill = kTodayFill;
        }
        if (date.which != CellMonth::Displayed) {
            text = kNeighbourText;
            font = &FontArial9Bold();
        } else if (date.dayOfWeek == 0) {
            text = kSundayText;
        } else if (date.dayOfWeek == 6) {
            text = kSaturdayText;
        }
    }
    gdi::FillRect(painter, ToQRect(cell), fill);
    gdi::Blit(painter, QPoint(cell.left, cell.top) + kCellStripOffset, Bitmap(kCellStripBitmap),
              kCellStripSource);
    if (hasMemo) {
        gdi::FillRect(painter, ToQRect(MarkerRect(cell, Memo)), kMemoMarker);
    }
    gdi::DrawText(painter, QString::number(dayNumbers_[row][col]),
                  WinRect(cell.left + kNumberInset, cell.top, cell.right, cell.bottom),
                  gdi::DT_LEFT | gdi::DT_SINGLELINE, *font, text);
}

void MonthCalendarScreen::DrawGridLines(QPainter& painter) {
    // No line runs along the grid's top edge: the weekday header sits there.
    for (int row = 0; row < kGridRows; ++row) {
        const int y = kGridTop + kCellHeight * (row + 1);
        gdi::Line(painter, {kGridLeft, y}, {kGridRight + 1, y}, kGridLine);
    }
    gdi::Line(painter, {kGridLeft, kGridTop}, {kGridLeft, kGridBottom}, kGridLine);
    for (int col = 0; col < kGridColumns; ++col) {
        const int x = kGridLeft + kCellWidth * (col + 1);
        gdi::Line(painter, {x, kGridTop}, {x, kGridBottom}, kGridLine);
    }
}

void MonthCalendarScreen::QueryMonth() {
    monthItems_.reset();
    const StoreConnection& connection = TheStoreConnection();
    if (!connection.folder) {
        return;
    }
    const MonthWindow window = MonthWindowOf(displayed_.year, displayed_.month);
    const std::u16string restriction =
        u"[Start] >= " + FormatRestrictionDate(DateAt(window.prevFirst)) + u" and [Start] <= " +
        FormatRestrictionDate(DateAt(window.gridEnd)) + u" and [End] >= " +
        FormatRestrictionDate(DateAt(window.gridStart)) + u"\n";
    monthItems_ = RestrictAppointments(*connection.folder, restriction);
}

void MonthCalendarScreen::DrawMarkers(QPainter& painter) {
    if (!monthItems_) {
        return;
    }
    const MonthWindow window = MonthWindowOf(displayed_.year, displayed_.month);
    ForEachItem(*monthItems_, [&](const poom::Appointment& item) {
        const uint32_t oid = item.Oid();
        const bool holiday = IsHoliday(oid);
        const ItemKind kind = KindOf(oid);
        for (const MarkedCell& marked : MarkedCells(item.Start(), item.End(), window.gridStart)) {
            // A cell without a date is blank; a marker there would belong to no day shown.
            if (!DateOfCell(dayNumbers_, displayed_.year, displayed_.month, marked.row, marked.col)
                     .valid()) {
                continue;
            }
            const CellRect& cell = cellRects_[marked.row][marked.col];
            if (holiday) {
                const QFont& font =
                    marked.month == displayed_.month ? FontArial10Bold() : FontArial9Bold();
                gdi::DrawText(painter, QString::number(marked.day),
                              WinRect(cell.left + kNumberInset, cell.top, cell.right, cell.bottom),
                              gdi::DT_LEFT | gdi::DT_SINGLELINE, font, kHolidayText);
            }
            gdi::FillRect(painter, ToQRect(MarkerRect(cell, kind)), kKindMarkers[kind]);
        }
        return true;
    });
}

// ---- pen and keys ---------------------------------------------------------------------------

void MonthCalendarScreen::PenDown(int x, int y) {
    if (HandleTabBarPress(x, y)) {
        return;
    }
    if (InGridBand(y)) {
        const std::optional<GridCell> cell = CellAtPoint(x, y);
        if (!cell) {
            return;
        }
        const CellDate date =
            DateOfCell(dayNumbers_, displayed_.year, displayed_.month, cell->row, cell->col);
        if (!date.valid()) {
            return;  // an undrawn cell names no day to select
        }
        selected_ = {date.year, date.month, date.day};
        RefillDayList();
        needsGridRedraw = true;
        needsFullRedraw = true;
        lastTap_ = {x, y};
        Invalidate();
        ShowDayItemMenu(*this);
        return;
    }
    if (InDateText(x, y)) {
        StartDeviceProgram(kClockDevicePath);
        // The clock may change today's date; the next paint re-reads everything.
        needsFullRedraw = true;
        needsRequery = true;
        return;
    }
    if (InTodayButton(x, y)) {
        todayButtonPressed_ = true;
        todayButtonTracking_ = true;
        Invalidate(kTodayButton);
    }
}

void MonthCalendarScreen::PenMove(int x, int y) {
    if (todayButtonTracking_) {
        todayButtonPressed_ = InTodayButton(x, y);
        Invalidate(kTodayButton);
    }
}

void MonthCalendarScreen::PenUp(int x, int y) {
    if (InTodayButton(x, y) && todayButtonTracking_) {
        GoToToday();
    }
    todayButtonPressed_ = false;
    todayButtonTracking_ = false;
}

void MonthCalendarScreen::GoToToday() {
    const SystemTime today = GetLocalTime();
    displayed_ = {today.year, today.month, today.day};
    selected_ = displayed_;
    needsFullRedraw = true;
    needsRequery = true;
    ShowMonthNumbers();
    Invalidate();
}

void MonthCalendarScreen::ShowMonthNumbers() {
    // A tap may arrive before the paint that would recompute the numbers; read with the old
    // month's numbers it would name a day that does not exist (31 February).
    dayNumbers_ = ComputeDayNumbers(displayed_.year, displayed_.month);
}

void MonthCalendarScreen::KeyDown(int virtualKey) {
    displayed_ = NavigateMonth(displayed_, virtualKey);
    const bool arrow = virtualKey == VK_LEFT || virtualKey == VK_UP || virtualKey == VK_RIGHT ||
                       virtualKey == VK_DOWN;
    if (arrow) {
        needsFullRedraw = true;
        needsRequery = true;
        selected_ = displayed_;
        ShowMonthNumbers();
    }
    RefillDayList();
    Invalidate();
}

}  // namespace moru
