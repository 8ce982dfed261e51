#include "screens/month_calendar_screen.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScrollBar>
#include <QSocketNotifier>

#include "app/fonts.h"
#include "platform/datetime.h"
#include "platform/locale_format.h"
#include "platform/process.h"
#include "platform/qt/drawing.h"
#include "resources/bitmaps.h"
#include "screens/day_item_menu.h"
#include "screens/day_list.h"
#include "store/restriction_text.h"
#include "store/store_connection.h"

namespace moru {
namespace {

// Layout of the screen, in logical pixels.
constexpr DeviceRect kHeaderBand{0, 0, 205, 42};  // cleared before the date is drawn
constexpr DeviceRect kDateText{20, 5, 220, 30};   // the selected date, centred
constexpr QPoint kTodayButtonAt{205, 5};          // bitmap 156, 26 x 26
constexpr int kTodayButtonSize = 26;
constexpr int kTodayPressedSourceX = 26;             // the pressed half of bitmap 156
constexpr DeviceRect kTodayButton{205, 5, 231, 31};  // invalidated while pressed
constexpr QPoint kWeekdayHeaderAt{0, 42};            // bitmap 147, 240 x 16
constexpr DeviceRect kWeekdayHeaderSource{0, 0, 240, 16};
constexpr QPoint kLegendAt{0, 215};  // bitmap 148, 240 x 26
constexpr DeviceRect kLegendSource{0, 0, 240, 26};
constexpr DeviceRect kDayListPlace = DeviceRect::FromSize(0, 30, 240, 210);     // hidden
constexpr DeviceRect kScrollBarPlace = DeviceRect::FromSize(222, 31, 15, 207);  // hidden
constexpr QPoint kCellStripOffset{1, 21};  // top 32 x 5 of bitmap 150
constexpr DeviceRect kCellStripSource{0, 0, 32, 5};
constexpr int kNumberInset = 2;  // the day number starts 2 pixels right of the cell's left
constexpr DeviceRect kGridArea{kGridLeft, kGridTop, kGridRight + 1, kGridBottom + 1};

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

// Tap regions; both edges are outside.
constexpr DeviceRect kDateTextTap{30, 5, 195, 31};
constexpr DeviceRect kTodayButtonTap{205, 5, 231, 31};

constexpr int kDateBufferChars = 20;

DeviceRect NumberRect(const CellRect& cell) {
    return {cell.left + kNumberInset, cell.top, cell.right, cell.bottom};
}

const QFont& NumberFont(bool small) {
    return small ? FontArial9Bold() : FontArial10Bold();
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
    today_ = displayed_;
    SetFebruaryFor(displayed_.year);

    dayList_ = new DayList(this);
    dayList_->setGeometry(gdi::ToQRect(kDayListPlace));
    dayList_->hide();
    dayListScrollBar_ = new QScrollBar(Qt::Vertical, this);
    dayListScrollBar_->setGeometry(gdi::ToQRect(kScrollBarPlace));
    dayListScrollBar_->hide();

    RefillDayList();
}

MonthCalendarScreen::~MonthCalendarScreen() = default;

void MonthCalendarScreen::RefillDayList() {
    dayList_->year = selected_.year;
    dayList_->month = selected_.month;
    dayList_->day = selected_.day;
    dayList_->selected = 0;
    dayList_->firstVisible = 0;
    dayList_->detailMode = 0;
    dayList_->QueryDay(this);
}

void MonthCalendarScreen::MemosChanged() {
    needsFullRedraw = true;
    needsGridRedraw = true;
    Invalidate();
}

// ---- refresh: what the screen reads -----------------------------------------------------------

bool MonthCalendarScreen::RefreshPending() const {
    // Only a grid redraw shows what the store, the memo folder and the clock say.
    return needsFullRedraw && (needsRequery || needsGridRedraw);
}

void MonthCalendarScreen::Refresh() {
    WaitCursor busy;
    if (needsRequery) {
        dayNumbers_ = ComputeDayNumbers(displayed_.year, displayed_.month);
    }
    const SystemTime today = GetLocalTime();
    today_ = {today.year, today.month, today.day};
    ReadMemoDays();
    if (needsRequery) {
        QueryMonth();
    }
}

void MonthCalendarScreen::ReadMemoDays() {
    memoIndex_.Update();
    WatchMemoFolder();
    for (int row = 0; row < kGridRows; ++row) {
        for (int col = 0; col < kGridColumns; ++col) {
            const CellDate date =
                DateOfCell(dayNumbers_, displayed_.year, displayed_.month, row, col);
            memoDays_[row * kGridColumns + col] =
                date.valid() && memoIndex_.HasMemo(date.year, date.month, date.day);
        }
    }
}

void MonthCalendarScreen::WatchMemoFolder() {
    const int fd = memoIndex_.changeDescriptor();
    if (fd != memoNotifierFd_) {
        delete memoNotifier_;
        memoNotifier_ = nullptr;
        memoNotifierFd_ = fd;
        if (fd >= 0) {
            memoNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            connect(memoNotifier_, &QSocketNotifier::activated, this, [this] {
                // The notices are read by the next refresh; until then the descriptor stays
                // readable, so the notifier rests.
                memoNotifier_->setEnabled(false);
                MemosChanged();
            });
        }
    }
    if (memoNotifier_) {
        memoNotifier_->setEnabled(true);
    }
}

void MonthCalendarScreen::QueryMonth() {
    monthItems_.reset();
    items_.clear();
    const StoreConnection& connection = TheStoreConnection();
    if (!connection.folder) {
        return;
    }
    const MonthWindow window = MonthWindowOf(displayed_.year, displayed_.month);
    const std::u16string restriction = RestrictionText()
                                           .StartOnOrAfter(DateAt(window.prevFirst))
                                           .StartOnOrBefore(DateAt(window.gridEnd))
                                           .EndOnOrAfter(DateAt(window.gridStart))
                                           .Text(RestrictionText::Ending::LineFeed);
    monthItems_ = RestrictAppointments(*connection.folder, restriction);
    if (!monthItems_) {
        return;
    }
    ForEachItem(*monthItems_, [this](const poom::Appointment& item) {
        const uint32_t oid = item.Oid();
        items_.push_back({item.Start(), item.End(), KindOf(oid), IsHoliday(oid)});
        return true;
    });
}

// ---- layout: the state as cells and markers -------------------------------------------------

MonthCalendarScreen::View MonthCalendarScreen::CurrentView() const {
    View view;
    view.displayed = displayed_;
    view.selected = selected_;
    view.today = today_;
    view.dayNumbers = dayNumbers_;
    view.memo = memoDays_;
    view.items = &items_;
    view.todayButtonPressed = todayButtonPressed_ && todayButtonTracking_;
    return view;
}

MonthCalendarScreen::Layout MonthCalendarScreen::LayoutFor(const View& view) {
    Layout layout;
    const SystemTime date =
        MakeSystemTime(view.selected.year, view.selected.month, view.selected.day);
    layout.header = FormatDate(date, u"ddd, MMM, dd, yyyy", kDateBufferChars);
    layout.todaySourceX = view.todayButtonPressed ? kTodayPressedSourceX : 0;

    for (int row = 0; row < kGridRows; ++row) {
        for (int col = 0; col < kGridColumns; ++col) {
            Cell& cell = layout.cells[row * kGridColumns + col];
            cell.rect = CellRectOf(row, col);
            const CellDate cellDate =
                DateOfCell(view.dayNumbers, view.displayed.year, view.displayed.month, row, col);
            cell.valid = cellDate.valid();
            if (!cell.valid) {
                continue;
            }
            cell.number = view.dayNumbers[row][col];
            cell.memo = view.memo[row * kGridColumns + col];
            cell.fill = kCellFill;
            cell.text = kWeekdayText;
            if (cellDate.SameDay(view.selected.year, view.selected.month, view.selected.day)) {
                cell.fill = kSelectedFill;
                cell.text = kSelectedText;
                continue;
            }
            if (cellDate.SameDay(view.today.year, view.today.month, view.today.day)) {
                cell.fill = kTodayFill;
            }
            if (cellDate.which != CellMonth::Displayed) {
                cell.text = kNeighbourText;
                cell.small = true;
            } else if (cellDate.dayOfWeek == 0) {
                cell.text = kSundayText;
            } else if (cellDate.dayOfWeek == 6) {
                cell.text = kSaturdayText;
            }
        }
    }

    if (view.items == nullptr) {
        return layout;
    }
    const MonthWindow window = MonthWindowOf(view.displayed.year, view.displayed.month);
    for (const MonthItem& item : *view.items) {
        for (const MarkedCell& marked : MarkedCells(item.start, item.end, window.gridStart)) {
            const Cell& cell = layout.cells[marked.row * kGridColumns + marked.col];
            // A cell without a date is blank; a marker there would belong to no day shown.
            if (!cell.valid) {
                continue;
            }
            Marker marker;
            marker.rect = MarkerRect(cell.rect, item.kind);
            marker.colour = kKindMarkers[item.kind];
            marker.holiday = item.holiday;
            marker.numberRect = NumberRect(cell.rect);
            marker.small = marked.month != view.displayed.month;
            marker.day = marked.day;
            layout.markers.push_back(marker);
        }
    }
    return layout;
}

// ---- painting: the layout, and nothing else -------------------------------------------------

void MonthCalendarScreen::PaintScreen(QPainter& painter) {
    const Layout layout = LayoutFor(CurrentView());
    if (needsFullRedraw) {
        DrawStaticParts(painter);
    }
    DrawHeader(painter, layout);
    if (needsFullRedraw && (needsRequery || needsGridRedraw)) {
        DrawGrid(painter, layout);
        DrawMarkers(painter, layout);
    }
    needsFullRedraw = needsGridRedraw = needsRequery = false;
}

void MonthCalendarScreen::DrawStaticParts(QPainter& painter) {
    gdi::Blit(painter, kWeekdayHeaderAt, Bitmap(kWeekdayHeaderBitmap), kWeekdayHeaderSource);
    gdi::Blit(painter, kLegendAt, Bitmap(kLegendBitmap), kLegendSource);
}

void MonthCalendarScreen::DrawHeader(QPainter& painter, const Layout& layout) {
    gdi::FillRect(painter, kHeaderBand, Qt::white);
    gdi::DrawText(painter, QString::fromStdU16String(layout.header), kDateText,
                  gdi::DT_CENTER | gdi::DT_VCENTER | gdi::DT_SINGLELINE, FontComic13Bold(),
                  Qt::black);
    gdi::Blit(painter, kTodayButtonAt, Bitmap(kTodayButtonBitmap),
              DeviceRect::FromSize(layout.todaySourceX, 0, kTodayButtonSize, kTodayButtonSize));
}

void MonthCalendarScreen::DrawGrid(QPainter& painter, const Layout& layout) {
    // Cells without a date are left blank: without this they would keep whatever the
    // previously shown month drew there.
    gdi::FillRect(painter, kGridArea, kCellFill);
    for (const Cell& cell : layout.cells) {
        if (!cell.valid) {
            continue;
        }
        gdi::FillRect(painter, cell.rect, cell.fill);
        gdi::Blit(painter, QPoint(cell.rect.left, cell.rect.top) + kCellStripOffset,
                  Bitmap(kCellStripBitmap), kCellStripSource);
        if (cell.memo) {
            gdi::FillRect(painter, MarkerRect(cell.rect, Memo), kMemoMarker);
        }
        gdi::DrawText(painter, QString::number(cell.number), NumberRect(cell.rect),
                      gdi::DT_LEFT | gdi::DT_SINGLELINE, NumberFont(cell.small), cell.text);
    }
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

void MonthCalendarScreen::DrawMarkers(QPainter& painter, const Layout& layout) {
    for (const Marker& marker : layout.markers) {
        if (marker.holiday) {
            gdi::DrawText(painter, QString::number(marker.day), marker.numberRect,
                          gdi::DT_LEFT | gdi::DT_SINGLELINE, NumberFont(marker.small),
                          kHolidayText);
        }
        gdi::FillRect(painter, marker.rect, marker.colour);
    }
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
    if (kDateTextTap.ContainsOpen(x, y)) {
        StartDeviceProgram(kClockDevicePath);
        // The clock may change today's date; the next paint re-reads everything.
        needsFullRedraw = true;
        needsRequery = true;
        return;
    }
    if (kTodayButtonTap.ContainsOpen(x, y)) {
        todayButtonPressed_ = true;
        todayButtonTracking_ = true;
        Invalidate(kTodayButton);
    }
}

void MonthCalendarScreen::PenMove(int x, int y) {
    if (todayButtonTracking_) {
        todayButtonPressed_ = kTodayButtonTap.ContainsOpen(x, y);
        Invalidate(kTodayButton);
    }
}

void MonthCalendarScreen::PenUp(int x, int y) {
    if (kTodayButtonTap.ContainsOpen(x, y) && todayButtonTracking_) {
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
