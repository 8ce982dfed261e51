// The frame every screen is written on: the one rectangle convention and its named edges, the
// list viewport the lists share, where item menus open, screens that keep to their own
// process-wide values, and the back buffer at a HiDPI scale.
#include <gtest/gtest.h>

#include <QTest>

#include "platform/device_rect.h"
#include "platform/qt/pixel_surface.h"
#include "platform/scripted_ui_host.h"
#include "resources/bitmaps.h"
#include "screens/clock_screen.h"
#include "screens/list_viewport.h"
#include "screens/month_calendar_screen.h"
#include "screens/popup_placement.h"
#include "screens/tab_bar.h"
#include "store/store_connection.h"
#include "tests/support/pixel_failure.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

// ---- Rectangle edges: right and bottom exclusive; each hit test names its edges ----

struct EdgeCase {
    const char* name;
    int x, y;
    bool contains, open, inclusive;
};

class RectEdges : public testing::TestWithParam<EdgeCase> {};

TEST_P(RectEdges, EachTestKeepsItsOwnEdges) {
    constexpr DeviceRect rect{10, 20, 30, 40};
    const EdgeCase& c = GetParam();
    EXPECT_EQ(rect.Contains(c.x, c.y), c.contains);
    EXPECT_EQ(rect.ContainsOpen(c.x, c.y), c.open);
    EXPECT_EQ(rect.ContainsInclusive(c.x, c.y), c.inclusive);
}

INSTANTIATE_TEST_SUITE_P(Points, RectEdges,
                         testing::Values(EdgeCase{"inside", 15, 25, true, true, true},
                                         EdgeCase{"top_left_corner", 10, 20, true, false, true},
                                         EdgeCase{"right_edge", 30, 25, false, false, true},
                                         EdgeCase{"bottom_edge", 15, 40, false, false, true},
                                         EdgeCase{"last_pixel", 29, 39, true, true, true},
                                         EdgeCase{"left_of", 9, 25, false, false, false},
                                         EdgeCase{"below_bottom", 15, 41, false, false, false}),
                         [](const testing::TestParamInfo<EdgeCase>& param) {
                             return param.param.name;
                         });

TEST(DeviceRectTest, SizeFormCoversTheSamePixels) {
    constexpr DeviceRect bySize = DeviceRect::FromSize(222, 31, 15, 207);
    EXPECT_EQ(bySize, (DeviceRect{222, 31, 237, 238}));
    EXPECT_EQ(bySize.width(), 15);
    EXPECT_TRUE((DeviceRect{5, 5, 5, 9}).empty());
}

// ---- The list viewport: four 51-pixel rows, as the category lists use it ----

TEST(ListViewportTest, RowAtAPointCountsFromTheTopRow) {
    ListViewport view{.count = 10, .firstVisible = 2};
    EXPECT_EQ(view.IndexAt(150), 4);  // 150 / 51 = row 2
    EXPECT_EQ(view.IndexAt(0), 2);
    EXPECT_EQ(view.IndexAt(-1), std::nullopt);
    ListViewport three{.count = 3};
    EXPECT_EQ(three.IndexAt(200), std::nullopt) << "below the last item";
    EXPECT_EQ(three.shownRows(), 3);
}

TEST(ListViewportTest, KeysMoveTheHighlightAndThePageFollows) {
    ListViewport view{.count = 6, .firstVisible = 0, .selected = 3};
    EXPECT_TRUE(view.MoveSelection(ListViewport::Step::Down)) << "the top row moved";
    EXPECT_EQ(view.selected, 4);
    EXPECT_EQ(view.firstVisible, 1);
    EXPECT_TRUE(view.MoveSelection(ListViewport::Step::Down));
    EXPECT_EQ(view.firstVisible, 2);
    EXPECT_FALSE(view.MoveSelection(ListViewport::Step::Down)) << "at the end";
    EXPECT_EQ(view.selected, 5);
    EXPECT_FALSE(view.MoveSelection(ListViewport::Step::Up)) << "still on the page";
    for (int i = 0; i < 4; ++i) {
        view.MoveSelection(ListViewport::Step::Up);
    }
    EXPECT_EQ(view.selected, 0);
    EXPECT_EQ(view.firstVisible, 0);
    EXPECT_FALSE(view.MoveSelection(ListViewport::Step::Up)) << "nothing above the first";
    EXPECT_EQ(view.selected, 0);
}

TEST(ListViewportTest, ScrollingStaysInsideTheList) {
    ListViewport view{.count = 9, .rows = 5};
    EXPECT_EQ(view.ScrollMax(), 4);
    EXPECT_TRUE(view.ScrollBy(10));
    EXPECT_EQ(view.firstVisible, 4);
    EXPECT_FALSE(view.ScrollTo(7));
    EXPECT_TRUE(view.ScrollTo(-3));
    EXPECT_EQ(view.firstVisible, 0);
    ListViewport few{.count = 2, .rows = 4};
    EXPECT_EQ(few.ScrollMax(), 0);
}

// ---- Item menus open where they did relative to the content ----

TEST(PopupPlacementTest, LeftOfTheMiddleOpensRightOfThePen) {
    EXPECT_EQ(ItemPopupPlacement(119, 10, 66), (PopupPlacement{MenuAlign::Left, 124, 50}));
    EXPECT_EQ(ItemPopupPlacement(120, 10, 66), (PopupPlacement{MenuAlign::Right, 115, 50}));
    EXPECT_EQ(ItemPopupPlacement(30, 100, 29), (PopupPlacement{MenuAlign::Left, 35, 103}));
}

// ---- Screens know only their own host's values ----

class StateHost : public ScreenHost {
public:
    void SwitchScreen(int screen) override { switched.push_back(screen); }
    void SaveAndMinimize() override {}
    void PostDataChanged() override {}
    CalendarState& state() override { return values; }
    CalendarState values;
    std::vector<int> switched;
};

TEST(ScreenFrameTest, TwoScreensWithTheirOwnValuesStayIndependent) {
    test::TempDeviceRoot root;
    ScriptedUiHost ui;
    StateHost first;
    StateHost second;
    first.values.currentScreen = kClockScreen;
    second.values.currentScreen = kSettingsScreen;
    ClockScreen left(first, nullptr);
    ClockScreen right(second, nullptr);
    left.PaintNow();
    right.PaintNow();
    const QImage highlightClock = Bitmap(HighlightedTabBitmap(kClockScreen));
    const QImage highlightSettings = Bitmap(HighlightedTabBitmap(kSettingsScreen));
    EXPECT_EQ(left.backBuffer().copy(0, kTabBarTop, 60, 26), highlightClock);
    EXPECT_EQ(right.backBuffer().copy(180, kTabBarTop, 60, 26), highlightSettings);

    QTest::mouseClick(&left, Qt::LeftButton, {}, QPoint(130, 250));  // the month tab
    EXPECT_EQ(first.values.currentScreen, kMonthScreen);
    EXPECT_EQ(second.values.currentScreen, kSettingsScreen) << "the other screen's value";
    EXPECT_EQ(first.switched, std::vector<int>{kMonthScreen});
    EXPECT_TRUE(second.switched.empty());
    test::SaveImageIfFailed(left.backBuffer());
}

// ---- HiDPI: the buffer is painted at the scale, not enlarged ----

TEST(ScreenFrameTest, ScaledBufferIsPaintedAtFullResolution) {
    test::TempDeviceRoot root;
    ScriptedUiHost ui;
    ScopedCalendarState values;
    StateHost host;
    host.values.currentScreen = kMonthScreen;
    ASSERT_TRUE(OpenStoreConnection());
    {
        MonthCalendarScreen screen(host, nullptr);
        SetWindowScale(2);
        screen.SetScale(2);
        screen.PaintNow();
        const QImage& buffer = screen.backBuffer();
        EXPECT_EQ(buffer.size(), QSize(480, 534));
        EXPECT_EQ(buffer.devicePixelRatio(), 2.0);
        EXPECT_EQ(screen.size(), QSize(480, 534));

        // The tab bar is the bitmap drawn at twice the resolution, pixel for pixel...
        const QImage tab = buffer.copy(0, kTabBarTop * 2, 480, 52);
        const QImage sharp = Bitmap(139, 2).copy(0, 0, 480, 52);
        // ...apart from the highlighted month tab.
        EXPECT_EQ(tab.copy(0, 0, 240, 52), sharp.copy(0, 0, 240, 52));
        // ...and not the small picture enlarged.
        const QImage enlarged = Bitmap(139, 1).scaled(480, 52);
        EXPECT_NE(tab.copy(0, 0, 240, 52),
                  enlarged.copy(0, 0, 240, 52).convertToFormat(QImage::Format_RGB32));
        test::SaveImageIfFailed(buffer);
        SetWindowScale(1);
    }
    CloseStoreConnection();
}

}  // namespace
}  // namespace moru
