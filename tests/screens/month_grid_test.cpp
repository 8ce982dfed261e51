// The month grid's rules that the screen tests do not reach on pixels: month lengths, the
// numbers in the six-week grid, which date a cell stands for at the year and range
// boundaries, and which cells an item reaching past the grid marks.
#include "screens/month_grid.h"

#include <gtest/gtest.h>

#include "platform/datetime.h"

namespace moru {
namespace {

// ---- The numbers in the grid ----

TEST(DayNumbersTest, FebruaryComputedForTheGridYearNotTheLastOneSet) {
    SetFebruaryFor(2015);
    const DayNumbers leap = ComputeDayNumbers(2000, 2);  // starts on a Tuesday
    EXPECT_EQ(leap[4][2], 29);
    EXPECT_EQ(leap[4][3], 1);                              // March follows the 29th
    const DayNumbers common = ComputeDayNumbers(1900, 2);  // starts on a Thursday
    EXPECT_EQ(common[4][3], 28);
    EXPECT_EQ(common[4][4], 1);
}

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
        CellDateCase{"small_number_in_row_3_is_this_month", 2015, 2, 3, 0, 2015, 2, 22,
                     CellMonth::Displayed},
        CellDateCase{"large_number_in_row_4_is_this_month", 2004, 1, 4, 6, 2004, 1, 31,
                     CellMonth::Displayed},
        // the limits of the neighbouring months
        CellDateCase{"february_1900_before_march_1900", 1900, 3, 0, 0, 0, 0, 0,
                     CellMonth::Previous},
        CellDateCase{"december_2998_before_january_2999", 2999, 1, 0, 0, 2998, 12, 30,
                     CellMonth::Previous}),
    [](const testing::TestParamInfo<CellDateCase>& param) { return param.param.name; });

// ---- Which cells an item marks ----

double At(int y, int m, int d, int h = 0, int min = 0) {
    return *MakeDate(y, m, d, h, min);
}

std::vector<int> Days(const std::vector<MarkedCell>& cells) {
    std::vector<int> days;
    days.reserve(cells.size());
    for (const MarkedCell& c : cells) {
        days.push_back(c.day);
    }
    return days;
}

TEST(MarkedCellsTest, LastDayRuleAtMidnightAndWithinADay) {
    const int64_t gridStart = MonthWindowOf(2015, 5).gridStart;  // 26 April 2015
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

}  // namespace
}  // namespace moru
