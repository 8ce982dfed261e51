// The month grid's rules: month lengths, the numbers in the six-week grid, which date a cell
// stands for, the tap rule, which cells an item marks, and paging with the arrow keys.
#include "screens/month_grid.h"

#include <gtest/gtest.h>

#include "platform/datetime.h"
#include "screens/hosted_screen.h"

namespace moru {
namespace {

// ---- February for the year in use ----

struct FebruaryCase {
    const char* name;
    int year;
    int days;
};

class FebruaryTest : public testing::TestWithParam<FebruaryCase> {};

TEST_P(FebruaryTest, SetsFebruaryForTheYear) {
    SetFebruaryFor(GetParam().year);
    EXPECT_EQ(DaysInMonth[1], GetParam().days);
    // The other eleven entries never change.
    EXPECT_EQ(DaysInMonth[0], 31);
    EXPECT_EQ(DaysInMonth[3], 30);
    EXPECT_EQ(DaysInMonth[11], 31);
}

INSTANTIATE_TEST_SUITE_P(Years, FebruaryTest,
                         testing::Values(FebruaryCase{"century_not_leap_1900", 1900, 28},
                                         FebruaryCase{"four_hundred_leap_2000", 2000, 29},
                                         FebruaryCase{"ordinary_leap_2004", 2004, 29},
                                         FebruaryCase{"common_2015", 2015, 28},
                                         FebruaryCase{"century_not_leap_2100", 2100, 28}),
                         [](const testing::TestParamInfo<FebruaryCase>& param) {
                             return param.param.name;
                         });

TEST(DayNumbersTest, FebruaryComputedForTheGridYearNotTheLastOneSet) {
    SetFebruaryFor(2015);
    const DayNumbers leap = ComputeDayNumbers(2000, 2);  // starts on a Tuesday
    EXPECT_EQ(leap[4][2], 29);
    EXPECT_EQ(leap[4][3], 1);                              // March follows the 29th
    const DayNumbers common = ComputeDayNumbers(1900, 2);  // starts on a Thursday
    EXPECT_EQ(common[4][3], 28);
    EXPECT_EQ(common[4][4], 1);
}

// ---- The numbers in the grid ----

TEST(DayNumbersTest, February2015FillsFourRowsThenTwoRowsOfMarch) {
    const DayNumbers n = ComputeDayNumbers(2015, 2);  // 1 February 2015 is a Sunday
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 7; ++col) {
            EXPECT_EQ(n[row][col], row * 7 + col + 1) << row << "," << col;
        }
    }
    for (int col = 0; col < 7; ++col) {
        EXPECT_EQ(n[4][col], col + 1);
        EXPECT_EQ(n[5][col], col + 8);
    }
}

TEST(DayNumbersTest, LeadingCellsCarryThePreviousMonthsLastDays) {
    const DayNumbers jan = ComputeDayNumbers(2004, 1);  // Thursday; December has 31 days
    EXPECT_EQ(jan[0][0], 28);
    EXPECT_EQ(jan[0][3], 31);
    EXPECT_EQ(jan[0][4], 1);
    const DayNumbers mar = ComputeDayNumbers(2004, 3);  // Monday; February 2004 has 29
    EXPECT_EQ(mar[0][0], 29);
    EXPECT_EQ(mar[0][1], 1);
    EXPECT_EQ(mar[5][6], 10);  // trailing April days run on to the last cell
}

// ---- The date of a cell ----

struct CellDateCase {
    const char* name;
    int displayedYear;
    int displayedMonth;
    int row;
    int col;
    int year;  // expected; day 0 means "no valid date"
    int month;
    int day;
    CellMonth which;
};

class CellDateTest : public testing::TestWithParam<CellDateCase> {};

TEST_P(CellDateTest, Date) {
    const CellDateCase& c = GetParam();
    const DayNumbers numbers = ComputeDayNumbers(c.displayedYear, c.displayedMonth);
    const CellDate date = DateOfCell(numbers, c.displayedYear, c.displayedMonth, c.row, c.col);
    EXPECT_EQ(date.which, c.which);
    EXPECT_EQ(date.day, c.day);
    if (c.day != 0) {
        EXPECT_EQ(date.year, c.year);
        EXPECT_EQ(date.month, c.month);
        EXPECT_EQ(date.dayOfWeek, WeekdayOf(c.year, c.month, c.day));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cells, CellDateTest,
    testing::Values(
        // the previous month, across the year boundary
        CellDateCase{"december_before_january", 2004, 1, 0, 0, 2003, 12, 28, CellMonth::Previous},
        // the next month, across the year boundary
        CellDateCase{"january_after_december", 2004, 12, 5, 6, 2005, 1, 8, CellMonth::Next},
        CellDateCase{"march_after_february_2015", 2015, 2, 4, 0, 2015, 3, 1, CellMonth::Next},
        CellDateCase{"small_number_in_row_3_is_this_month", 2015, 2, 3, 0, 2015, 2, 22,
                     CellMonth::Displayed},
        CellDateCase{"large_number_in_row_4_is_this_month", 2004, 1, 4, 6, 2004, 1, 31,
                     CellMonth::Displayed},
        // the limits of the neighbouring months
        CellDateCase{"december_1900_before_january_1901", 1901, 1, 0, 0, 0, 0, 0,
                     CellMonth::Previous},
        CellDateCase{"first_cell_of_january_1901_month", 1901, 1, 0, 2, 1901, 1, 1,
                     CellMonth::Displayed},
        CellDateCase{"january_2999_after_december_2998", 2998, 12, 5, 6, 0, 0, 0, CellMonth::Next},
        CellDateCase{"february_1900_before_march_1900", 1900, 3, 0, 0, 0, 0, 0,
                     CellMonth::Previous},
        CellDateCase{"december_2998_before_january_2999", 2999, 1, 0, 0, 2998, 12, 30,
                     CellMonth::Previous}),
    [](const testing::TestParamInfo<CellDateCase>& param) { return param.param.name; });

// ---- Geometry and the tap rule ----

TEST(CellGeometryTest, CellsAre33By26FromTheGridCorner) {
    EXPECT_EQ(CellRectOf(0, 0), (CellRect{4, 58, 37, 84}));
    EXPECT_EQ(CellRectOf(5, 6), (CellRect{202, 188, 235, 214}));
    const CellRect cell = CellRectOf(2, 3);
    EXPECT_EQ(MarkerRect(cell, Alarm),
              (CellRect{cell.left + 2, cell.bottom - 4, cell.left + 7, cell.bottom}));
    EXPECT_EQ(MarkerRect(cell, Holiday).left, cell.left + 8);
    EXPECT_EQ(MarkerRect(cell, Anniversary).left, cell.left + 14);
    EXPECT_EQ(MarkerRect(cell, Appointment).left, cell.left + 20);
    EXPECT_EQ(MarkerRect(cell, Memo),
              (CellRect{cell.left + 26, cell.bottom - 4, cell.left + 31, cell.bottom}));
}

struct TapCase {
    const char* name;
    int x;
    int y;
    int row;  // -1: no cell
    int col;
};

class TapTest : public testing::TestWithParam<TapCase> {};

TEST_P(TapTest, Cell) {
    const TapCase& c = GetParam();
    ASSERT_TRUE(InGridBand(c.y));
    const std::optional<GridCell> cell = CellAtPoint(c.x, c.y);
    if (c.row < 0) {
        EXPECT_FALSE(cell.has_value());
        return;
    }
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ(cell->row, c.row);
    EXPECT_EQ(cell->col, c.col);
}

INSTANTIATE_TEST_SUITE_P(Points, TapTest,
                         testing::Values(TapCase{"left_margin_truncates_to_column_0", 2, 60, 0, 0},
                                         TapCase{"x_0", 0, 100, 1, 0},
                                         TapCase{"last_pixel_of_column_0", 36, 83, 0, 0},
                                         TapCase{"first_pixel_of_column_1", 37, 84, 1, 1},
                                         TapCase{"last_column", 234, 213, 5, 6},
                                         TapCase{"right_grid_line", 235, 100, -1, 0},
                                         TapCase{"beyond_the_grid", 236, 100, -1, 0}),
                         [](const testing::TestParamInfo<TapCase>& param) {
                             return param.param.name;
                         });

TEST(CellGeometryTest, GridBandIsOpenAtBothEnds) {
    EXPECT_FALSE(InGridBand(58));
    EXPECT_TRUE(InGridBand(59));
    EXPECT_TRUE(InGridBand(213));
    EXPECT_FALSE(InGridBand(214));
}

// ---- The month window ----

TEST(MonthWindowTest, JanuaryReachesBackIntoDecember) {
    const MonthWindow w = MonthWindowOf(2004, 1);
    EXPECT_EQ(w.prevFirst, DayNumber(2003, 12, 1));
    EXPECT_EQ(w.gridStart, DayNumber(2003, 12, 28));
    EXPECT_EQ(w.gridEnd, DayNumber(2004, 2, 8));
    const MonthWindow feb = MonthWindowOf(2015, 2);  // starts on Sunday: no leading cells
    EXPECT_EQ(feb.gridStart, DayNumber(2015, 2, 1));
}

// ---- Which cells an item marks ----

double At(int y, int m, int d, int h = 0, int min = 0) {
    return *MakeDate(y, m, d, h, min);
}

std::vector<int> Days(const std::vector<MarkedCell>& cells) {
    std::vector<int> days;
    for (const MarkedCell& c : cells) {
        days.push_back(c.day);
    }
    return days;
}

TEST(MarkedCellsTest, SameClockTimeOnALaterDayDoesNotMarkTheLastDay) {
    const int64_t gridStart = MonthWindowOf(2015, 5).gridStart;  // 26 April 2015
    EXPECT_EQ(Days(MarkedCells(At(2015, 5, 5, 10), At(2015, 5, 7, 10), gridStart)),
              (std::vector<int>{5, 6}));
    EXPECT_EQ(Days(MarkedCells(At(2015, 5, 5, 9), At(2015, 5, 7, 10), gridStart)),
              (std::vector<int>{5, 6, 7}));
    // An all-day item ends at the next midnight and marks its one day.
    EXPECT_EQ(Days(MarkedCells(At(2015, 5, 5), At(2015, 5, 6), gridStart)), (std::vector<int>{5}));
    // A zero-length item still marks its day; so does one within a day.
    EXPECT_EQ(Days(MarkedCells(At(2015, 5, 5, 10), At(2015, 5, 5, 10), gridStart)),
              (std::vector<int>{5}));
    // Same hour, different minute: the last day counts.
    EXPECT_EQ(Days(MarkedCells(At(2015, 5, 5, 10, 0), At(2015, 5, 6, 10, 30), gridStart)),
              (std::vector<int>{5, 6}));
}

TEST(MarkedCellsTest, CellsFollowTheGridFromItsFirstSunday) {
    const int64_t gridStart = MonthWindowOf(2015, 5).gridStart;  // 26 April 2015
    const std::vector<MarkedCell> cells =
        MarkedCells(At(2015, 5, 9, 9), At(2015, 5, 10, 12), gridStart);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0], (MarkedCell{1, 6, 2015, 5, 9}));   // a Saturday
    EXPECT_EQ(cells[1], (MarkedCell{2, 0, 2015, 5, 10}));  // the next row's Sunday
}

TEST(MarkedCellsTest, ItemsReachingPastTheGridAreClipped) {
    const int64_t gridStart = MonthWindowOf(2015, 5).gridStart;
    // From before the grid into its first two days.
    const std::vector<MarkedCell> early =
        MarkedCells(At(2015, 4, 20, 9), At(2015, 4, 27, 12), gridStart);
    ASSERT_EQ(early.size(), 2u);
    EXPECT_EQ(early[0], (MarkedCell{0, 0, 2015, 4, 26}));
    // Ten years long: every one of the 42 cells, once.
    const std::vector<MarkedCell> all =
        MarkedCells(At(2010, 1, 1, 9), At(2020, 1, 1, 12), gridStart);
    ASSERT_EQ(all.size(), 42u);
    EXPECT_EQ(all.back(), (MarkedCell{5, 6, 2015, 6, 6}));
    // Entirely after the grid.
    EXPECT_TRUE(MarkedCells(At(2015, 6, 7, 9), At(2015, 6, 8, 9), gridStart).empty());
}

// ---- Paging with the arrow keys ----

struct KeyCase {
    const char* name;
    DisplayedDate from;
    int key;
    DisplayedDate to;
};

class NavigateTest : public testing::TestWithParam<KeyCase> {};

TEST_P(NavigateTest, Key) {
    EXPECT_EQ(NavigateMonth(GetParam().from, GetParam().key), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, NavigateTest,
    testing::Values(
        // the carried day is clamped to the month
        KeyCase{"jan_31_right_common_year", {2015, 1, 31}, VK_RIGHT, {2015, 2, 28}},
        KeyCase{"jan_31_right_leap_year", {2004, 1, 31}, VK_RIGHT, {2004, 2, 29}},
        KeyCase{"feb_29_up_to_common_year", {2004, 2, 29}, VK_UP, {2003, 2, 28}},
        KeyCase{"december_right_to_january", {2004, 12, 15}, VK_RIGHT, {2005, 1, 15}},
        KeyCase{"january_left_to_december", {2004, 1, 15}, VK_LEFT, {2003, 12, 15}},
        // the low end
        KeyCase{"up_at_january_1900_stays", {1900, 1, 10}, VK_UP, {1900, 1, 10}},
        KeyCase{"left_at_january_1901_is_january_1900", {1901, 1, 10}, VK_LEFT, {1900, 1, 10}},
        KeyCase{"up_at_march_1901_is_march_1900", {1901, 3, 10}, VK_UP, {1900, 3, 10}},
        KeyCase{"left_at_january_1900_stays", {1900, 1, 10}, VK_LEFT, {1900, 1, 10}},
        // the high end
        KeyCase{"down_at_2999_stays", {2999, 6, 10}, VK_DOWN, {2999, 6, 10}},
        KeyCase{
            "right_at_december_2998_is_december_2999", {2998, 12, 31}, VK_RIGHT, {2999, 12, 31}},
        KeyCase{"down_at_2998_is_2999", {2998, 3, 10}, VK_DOWN, {2999, 3, 10}},
        KeyCase{"right_at_december_2999_stays", {2999, 12, 10}, VK_RIGHT, {2999, 12, 10}},
        // other keys only clamp
        KeyCase{"other_key", {2004, 2, 29}, 0, {2004, 2, 29}}),
    [](const testing::TestParamInfo<KeyCase>& param) { return param.param.name; });

TEST(NavigateTest, TheCarriedDayStaysClampedAfterALongerMonth) {
    DisplayedDate d{2015, 1, 31};
    d = NavigateMonth(d, VK_RIGHT);
    d = NavigateMonth(d, VK_RIGHT);
    EXPECT_EQ(d, (DisplayedDate{2015, 3, 28}));
}

}  // namespace
}  // namespace moru
