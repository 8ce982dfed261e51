// The month calendar screen against the real store in a temporary device root, with a pinned
// clock: what lands on the back buffer (fills, numbers, markers, blank cells, the today
// button), and what real taps and keys do to the selected and displayed dates.
#include "screens/month_calendar_screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/main_frame.h"
#include "app/plumdial_doc.h"
#include "app/plumdial_view.h"
#include "platform/scripted_ui_host.h"
#include "resources/bitmaps.h"
#include "screens/day_list.h"
#include "store/category_store.h"
#include "store/store_connection.h"
#include "tests/support/pixel_failure.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

namespace fs = std::filesystem;

const QColor kBlue{0, 0, 255}, kRed{255, 0, 0}, kMagenta{255, 0, 255}, kYellow{255, 255, 0},
    kGreen{0, 255, 0}, kSelected{70, 163, 250}, kToday{204, 204, 204}, kGrey{150, 150, 150};

class RecordingHost : public ScreenHost {
public:
    void SwitchScreen(int screen) override { switched.push_back(screen); }
    void SaveAndMinimize() override {}
    void PostDataChanged() override {}
    std::vector<int> switched;
};

SystemTime Noon(int y, int m, int d) {
    return MakeSystemTime(y, m, d, 12);
}

class MonthScreenTest : public testing::Test {
protected:
    MonthScreenTest() {
        Calendar().currentScreen = kMonthScreen;
        EXPECT_TRUE(OpenStoreConnection());
    }
    ~MonthScreenTest() override { CloseStoreConnection(); }
    void TearDown() override {
        if (screen_) {
            test::SaveImageIfFailed(screen_->backBuffer());
        }
    }

    // A screen whose today is the given date, painted once.
    MonthCalendarScreen& Open(int y, int m, int d) {
        pin_.emplace(Noon(y, m, d));
        screen_ = std::make_unique<MonthCalendarScreen>(host_, nullptr);
        screen_->show();
        screen_->PaintNow();
        return *screen_;
    }
    void Repaint(bool requery) {
        screen_->needsFullRedraw = true;
        screen_->needsRequery = requery;
        screen_->PaintNow();
    }

    uint32_t Add(double start, double end, OidList* kind = nullptr) {
        auto item = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
        item->SetSubject(u"Item");
        item->SetStart(start);
        item->SetEnd(end);
        EXPECT_TRUE(item->Save().ok());
        if (kind) {
            kind->push_back(item->Oid());
        }
        return item->Oid();
    }

    QColor Px(int x, int y) const { return QColor(screen_->backBuffer().pixel(x, y)); }
    CellRect Cell(int y, int m, int d) const {
        const DisplayedDate shown = screen_->displayed();
        for (int row = 0; row < kGridRows; ++row) {
            for (int col = 0; col < kGridColumns; ++col) {
                if (DateOfCell(screen_->dayNumbers(), shown.year, shown.month, row, col)
                        .SameDay(y, m, d)) {
                    return CellRectOf(row, col);
                }
            }
        }
        ADD_FAILURE() << "no cell for " << y << "-" << m << "-" << d;
        return {};
    }
    QColor Fill(const CellRect& c) const { return Px(c.left + 28, c.top + 8); }
    QColor Marker(const CellRect& c, ItemKind kind) const {
        const CellRect m = MarkerRect(c, kind);
        return Px(m.left + 2, m.bottom - 2);
    }
    // Pixels of one colour in the day number's corner of a cell.
    int Count(const CellRect& c, const QColor& colour) const {
        int n = 0;
        for (int y = c.top + 1; y < c.top + 20; ++y) {
            for (int x = c.left + 2; x < c.left + 25; ++x) {
                n += Px(x, y) == colour;
            }
        }
        return n;
    }
    // Inside the grid lines (the line above a cell is the row above's bottom line).
    bool Blank(const CellRect& c) const {
        for (int y = c.top + 1; y < c.bottom; ++y) {
            for (int x = c.left + 1; x < c.right; ++x) {
                if (Px(x, y) != Qt::white) {
                    return false;
                }
            }
        }
        return true;
    }
    void Tap(int x, int y) { QTest::mouseClick(screen_.get(), Qt::LeftButton, {}, QPoint(x, y)); }
    void Key(Qt::Key key) { QTest::keyClick(screen_.get(), key); }

    ScopedCalendarState state_;  // a fresh set of process-wide values for each test
    test::TempDeviceRoot root_;
    ScriptedUiHost ui_;
    RecordingHost host_;
    std::optional<LocalTimePin> pin_;
    std::unique_ptr<MonthCalendarScreen> screen_;
};

double At(int y, int m, int d, int h = 0, int min = 0) {
    return *MakeDate(y, m, d, h, min);
}

TEST_F(MonthScreenTest, CellsShowSelectionTodayWeekendsAndNeighbourMonths) {
    Open(2015, 2, 10);                              // February 2015 starts on a Sunday
    EXPECT_EQ(Fill(Cell(2015, 2, 10)), kSelected);  // today, selected at start
    EXPECT_EQ(Fill(Cell(2015, 2, 11)), Qt::white);
    EXPECT_GT(Count(Cell(2015, 2, 1), kRed), 0);       // Sunday
    EXPECT_GT(Count(Cell(2015, 2, 7), kSelected), 0);  // Saturday
    EXPECT_EQ(Cell(2015, 3, 1), CellRectOf(4, 0));     // two rows of March follow
    EXPECT_GT(Count(Cell(2015, 3, 1), kGrey), 0);
    EXPECT_EQ(Count(Cell(2015, 3, 1), kRed), 0);
    // The cell strip's empty boxes, and grid lines everywhere but along the top edge.
    const CellRect c = Cell(2015, 2, 11);
    EXPECT_EQ(Px(c.left + 1, c.top + 21), QColor(Bitmap(150).pixel(0, 0)));
    EXPECT_EQ(Px(4, 100), Qt::black);
    EXPECT_EQ(Px(235, 100), Qt::black);
    EXPECT_EQ(Px(100, 214), Qt::black);
    EXPECT_NE(Px(100, 58), Qt::black);

    Tap(c.left + 10, c.top + 10);
    screen_->PaintNow();
    EXPECT_EQ(Fill(Cell(2015, 2, 11)), kSelected);
    EXPECT_EQ(Fill(Cell(2015, 2, 10)), kToday);
    EXPECT_EQ(screen_->dayList().day, 11);
}

TEST_F(MonthScreenTest, KindMarkersInTheirSlotsAndHolidaysInRed) {
    Add(At(2015, 2, 16, 9), At(2015, 2, 16, 10), &Calendar().AlarmOids);
    Add(At(2015, 2, 16, 11), At(2015, 2, 16, 12), &Calendar().HolidayOids);
    Add(At(2015, 2, 16, 13), At(2015, 2, 16, 14), &Calendar().AnniversaryOids);
    Add(At(2015, 2, 16, 15), At(2015, 2, 16, 16));
    const uint32_t both = Add(At(2015, 2, 18, 9), At(2015, 2, 18, 10), &Calendar().AlarmOids);
    Calendar().HolidayOids.push_back(both);
    Add(At(2015, 3, 3), At(2015, 3, 4), &Calendar().HolidayOids);  // on a neighbouring month's cell
    test::WriteFileBytes(root_.path() / "My Documents/MoruCalendar/20150216_101010.pwi", "ink");
    Open(2015, 2, 10);

    const CellRect day = Cell(2015, 2, 16);
    EXPECT_EQ(Marker(day, Alarm), kBlue);
    EXPECT_EQ(Marker(day, Holiday), kRed);
    EXPECT_EQ(Marker(day, Anniversary), kMagenta);
    EXPECT_EQ(Marker(day, Appointment), kYellow);
    EXPECT_EQ(Marker(day, Memo), kGreen);
    EXPECT_GT(Count(day, kRed), 0);
    EXPECT_EQ(Count(day, Qt::black), 0);  // the whole number was redrawn
    // In both lists: an alarm's marker, a holiday's number.
    const CellRect twice = Cell(2015, 2, 18);
    EXPECT_EQ(Marker(twice, Alarm), kBlue);
    EXPECT_NE(Marker(twice, Holiday), kRed);
    EXPECT_GT(Count(twice, kRed), 0);
    // The small font of a neighbouring month: red covers every grey pixel of the number.
    const CellRect march = Cell(2015, 3, 3);
    EXPECT_GT(Count(march, kRed), 0);
    EXPECT_EQ(Count(march, kGrey), 0);
    EXPECT_NE(Marker(Cell(2015, 2, 15), Holiday), kRed);
}

TEST_F(MonthScreenTest, MemoMadeOrRemovedElsewhereShowsWithoutATap) {
    const fs::path folder = root_.path() / "My Documents/MoruCalendar";
    fs::create_directories(folder);  // made at start-up with the category file
    Open(2015, 2, 10);
    const CellRect day = Cell(2015, 2, 20);
    ASSERT_NE(Marker(day, Memo), kGreen);
    // The folder's notice reaches the screen through the event loop; the paint then shows it.
    auto markerAfterEvents = [&](bool shown) {
        for (int waited = 0; waited < 2000; waited += 20) {
            QTest::qWait(20);
            screen_->PaintNow();
            if ((Marker(day, Memo) == kGreen) == shown) {
                return true;
            }
        }
        return false;
    };
    test::WriteFileBytes(folder / "20150220_080000.pwi", "ink");
    EXPECT_TRUE(markerAfterEvents(true));
    fs::remove(folder / "20150220_080000.pwi");
    EXPECT_TRUE(markerAfterEvents(false));
}

TEST_F(MonthScreenTest, AnItemEndingAtItsStartingClockTimeDoesNotMarkItsLastDay) {
    Add(At(2015, 2, 5, 10), At(2015, 2, 7, 10));
    Add(At(2015, 2, 12, 9), At(2015, 2, 14, 10));
    Open(2015, 2, 10);
    for (const auto& [day, marked] : std::vector<std::pair<int, bool>>{
             {4, false}, {5, true}, {6, true}, {7, false}, {12, true}, {13, true}, {14, true}}) {
        EXPECT_EQ(Marker(Cell(2015, 2, day), Appointment) == kYellow, marked) << day;
    }
}

TEST_F(MonthScreenTest, StoreIsReadOnlyWhenAFullRedrawAsksForIt) {
    Open(2015, 2, 10);
    Add(At(2015, 2, 20, 9), At(2015, 2, 20, 10));
    Tap(Cell(2015, 2, 11).left + 10, Cell(2015, 2, 11).top + 10);  // markers from the kept items
    screen_->PaintNow();
    EXPECT_NE(Marker(Cell(2015, 2, 20), Appointment), kYellow);
    screen_->needsRequery = true;  // alone, as switching to the screen sets it
    screen_->PaintNow();
    EXPECT_FALSE(screen_->needsRequery);
    Repaint(false);
    EXPECT_NE(Marker(Cell(2015, 2, 20), Appointment), kYellow);
    Repaint(true);
    EXPECT_EQ(Marker(Cell(2015, 2, 20), Appointment), kYellow);
    // The markers stay through later day taps.
    Tap(Cell(2015, 2, 12).left + 10, Cell(2015, 2, 12).top + 10);
    screen_->PaintNow();
    EXPECT_EQ(Marker(Cell(2015, 2, 20), Appointment), kYellow);
}

TEST_F(MonthScreenTest, DayTapSelectsTheCellAndRefillsTheDayList) {
    Add(At(2015, 2, 1, 9), At(2015, 2, 1, 10));
    Open(2015, 2, 10);
    Tap(2, 60);  // left of the grid still counts as column 0
    EXPECT_EQ(screen_->selected(), (DisplayedDate{2015, 2, 1}));
    EXPECT_EQ(screen_->lastTap(), QPoint(2, 60));
    ASSERT_EQ(screen_->dayList().items.size(), 1u);
    Tap(236, 100);
    EXPECT_EQ(screen_->selected(), (DisplayedDate{2015, 2, 1}));
    Tap(Cell(2015, 3, 2).left + 5, Cell(2015, 3, 2).top + 5);  // a March cell
    EXPECT_EQ(screen_->selected(), (DisplayedDate{2015, 3, 2}));
    EXPECT_EQ(screen_->displayed().month, 2);
    EXPECT_TRUE(screen_->dayList().items.empty());
}

TEST_F(MonthScreenTest, ArrowKeysCarryTheDayClampedToEachMonth) {
    Open(2015, 1, 31);
    Key(Qt::Key_Right);
    EXPECT_EQ(screen_->selected(), (DisplayedDate{2015, 2, 28}));
    Key(Qt::Key_Right);
    EXPECT_EQ(screen_->selected(), (DisplayedDate{2015, 3, 28}));
    EXPECT_EQ(screen_->dayList().month, 3);
    Key(Qt::Key_Down);
    EXPECT_EQ(screen_->displayed(), (DisplayedDate{2016, 3, 28}));
    screen_->PaintNow();
    EXPECT_EQ(Fill(Cell(2016, 3, 28)), kSelected);
}

// A tap that arrives before the new month has been painted still names a day of that month:
// 31 January's cell, read with February's numbers, would otherwise select 31 February.
TEST_F(MonthScreenTest, TapBeforeThePaintOfANewMonthSelectsARealDay) {
    Open(2015, 1, 31);
    Key(Qt::Key_Right);
    Tap(CellRectOf(4, 6).left + 10, CellRectOf(4, 6).top + 10);
    EXPECT_EQ(screen_->selected(), (DisplayedDate{2015, 3, 7}));
    QTest::mouseClick(screen_.get(), Qt::LeftButton, {}, QPoint(218, 18));  // back to today
    Tap(CellRectOf(4, 6).left + 10, CellRectOf(4, 6).top + 10);
    EXPECT_EQ(screen_->selected(), (DisplayedDate{2015, 1, 31}));
}

struct LimitCase {
    const char* name;
    DisplayedDate today;
    Qt::Key key;
    DisplayedDate shown;
};

class MonthLimitTest : public MonthScreenTest, public testing::WithParamInterface<LimitCase> {};

TEST_P(MonthLimitTest, KeysStopAtTheEndsOfTheRange) {
    const LimitCase& c = GetParam();
    Open(c.today.year, c.today.month, c.today.day);
    Key(c.key);
    EXPECT_EQ(screen_->displayed(), c.shown);
    Key(c.key);  // and stay there
    EXPECT_EQ(screen_->displayed(), c.shown);
    screen_->PaintNow();
}

INSTANTIATE_TEST_SUITE_P(
    Limits, MonthLimitTest,
    testing::Values(LimitCase{"left_from_january_1901", {1901, 1, 10}, Qt::Key_Left, {1900, 1, 10}},
                    LimitCase{"up_from_march_1901", {1901, 3, 10}, Qt::Key_Up, {1900, 3, 10}},
                    LimitCase{
                        "right_from_december_2998", {2998, 12, 10}, Qt::Key_Right, {2999, 12, 10}},
                    LimitCase{"down_from_2998", {2998, 6, 10}, Qt::Key_Down, {2999, 6, 10}}),
    [](const testing::TestParamInfo<LimitCase>& param) { return param.param.name; });

TEST_F(MonthScreenTest, NeighbourCellsBeyondTheRangeAreBlankAndSelectNothing) {
    // Even when the store has an item on those days, and after a month that drew there.
    Add(At(1900, 12, 31, 9), At(1900, 12, 31, 10));
    Open(1901, 2, 10);
    Key(Qt::Key_Left);
    screen_->PaintNow();
    ASSERT_EQ(screen_->displayed().month, 1);  // 1 January 1901 is a Tuesday
    EXPECT_TRUE(Blank(CellRectOf(0, 0)));
    EXPECT_TRUE(Blank(CellRectOf(0, 1)));
    EXPECT_FALSE(Blank(CellRectOf(0, 2)));
    Tap(10, 70);
    EXPECT_EQ(screen_->selected(), (DisplayedDate{1901, 1, 10}));

    screen_.reset();
    Open(2998, 12, 10);  // 31 December 2998 is a Monday: the rest of row 5 is January 2999
    EXPECT_FALSE(Blank(CellRectOf(5, 1)));
    EXPECT_TRUE(Blank(CellRectOf(5, 2)));
    EXPECT_TRUE(Blank(CellRectOf(5, 6)));
}

TEST_F(MonthScreenTest, TabBarOnlySwitchesToOtherScreens) {
    Open(2015, 2, 10);
    Tap(150, 250);
    EXPECT_EQ(Calendar().currentScreen, kMonthScreen);
    EXPECT_TRUE(host_.switched.empty());
    Tap(10, 250);
    EXPECT_EQ(Calendar().currentScreen, kClockScreen);
    EXPECT_EQ(host_.switched, std::vector<int>{kClockScreen});
}

TEST_F(MonthScreenTest, TodayButtonActsOnlyWhenThePenIsLiftedOnIt) {
    Open(2015, 2, 10);
    Key(Qt::Key_Down);
    const QImage normal = screen_->backBuffer().copy(205, 5, 26, 26);
    const QImage pressed = Bitmap(156).copy(26, 0, 26, 26);

    QTest::mousePress(screen_.get(), Qt::LeftButton, {}, QPoint(218, 18));
    screen_->PaintNow();
    EXPECT_EQ(screen_->backBuffer().copy(205, 5, 26, 26), pressed);
    // Slide off the button with the pen still down.
    QMouseEvent move(QEvent::MouseMove, QPointF(150, 18), QPointF(150, 18), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(screen_.get(), &move);
    QTest::mouseRelease(screen_.get(), Qt::LeftButton, {}, QPoint(150, 18));
    screen_->PaintNow();
    EXPECT_EQ(screen_->backBuffer().copy(205, 5, 26, 26), normal);
    EXPECT_EQ(screen_->displayed().year, 2016);

    Tap(218, 18);
    EXPECT_EQ(screen_->displayed(), (DisplayedDate{2015, 2, 10}));
    EXPECT_EQ(screen_->selected(), (DisplayedDate{2015, 2, 10}));
}

TEST_F(MonthScreenTest, DateTextStartsTheClockProgram) {
    const fs::path clock = root_.path() / "Windows" / "Clock.exe";
    const fs::path ran = root_.path() / "clock-ran";
    fs::create_directories(clock.parent_path());
    std::ofstream(clock) << "#!/bin/sh\ntouch '" << ran.string() << "'\n";
    fs::permissions(clock, fs::perms::owner_all);
    Open(2015, 2, 10);
    Tap(100, 15);
    EXPECT_TRUE(screen_->needsFullRedraw && screen_->needsRequery);
    QElapsedTimer waited;
    waited.start();
    while (!fs::exists(ran) && waited.elapsed() < 5000) {
        QTest::qWait(20);
    }
    EXPECT_TRUE(fs::exists(ran));
}

TEST_F(MonthScreenTest, WithoutTheStoreTheGridStillShows) {
    Add(At(2015, 2, 16, 9), At(2015, 2, 16, 10));
    CloseStoreConnection();
    Open(2015, 2, 10);
    EXPECT_EQ(Fill(Cell(2015, 2, 10)), kSelected);
    EXPECT_NE(Marker(Cell(2015, 2, 16), Appointment), kYellow);
    EXPECT_TRUE(screen_->dayList().items.empty());
}

// A change made by another program while the calendar runs reaches the month's markers
// through the view's refresh.
TEST(MonthScreenRefreshTest, ChangeFromAnotherProgramShowsItsMarker) {
    test::TempDeviceRoot root;
    ScriptedUiHost ui;
    LocalTimePin pin(Noon(2015, 2, 10));
    setenv("MORU_RINGSET", "/bin/true", 1);
    CPlumdialDoc document;
    CMainFrame frame(document);
    frame.view().OnInitialUpdate();
    ASSERT_TRUE(frame.WatchStore());
    frame.show();
    frame.view().SwitchScreen(kMonthScreen);
    QApplication::processEvents();
    MonthCalendarScreen& screen = *frame.view().monthScreen();
    const CellRect cell = CellRectOf(2, 1);  // 16 February 2015
    const CellRect marker = MarkerRect(cell, Appointment);
    auto marked = [&] {
        return QColor(screen.backBuffer().pixel(marker.left + 2, marker.bottom - 2)) == kYellow;
    };
    ASSERT_FALSE(marked());

    ASSERT_EQ(QProcess::execute(MORU_BINARY_DIR "/moru-device",
                                {"--root", QString::fromStdString(root.path().string()), "add",
                                 "--subject", "Dentist", "--start", "2015-02-16 09:00"}),
              0);
    QElapsedTimer waited;
    waited.start();
    while (!marked() && waited.elapsed() < 3000) {
        QTest::qWait(10);
    }
    EXPECT_TRUE(marked());
}

}  // namespace
}  // namespace moru
