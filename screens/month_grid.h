#pragma once
// The month calendar's grid as plain numbers, free of widgets, so that what the screen draws
// and what a tap selects come from the same rules.
//
// Dates are civil dates of the proleptic Gregorian calendar (year, month 1..12, day 1..31);
// weekdays run 0 = Sunday .. 6 = Saturday. Whole days are counted as platform day numbers
// (DayNumber: days since 30 December 1899). The grid is always 6 rows of 7 columns, Sunday
// first. The screen can show January 1900 to December 2999; a cell of a neighbouring month
// only gets a date when that month's year lies in 1901..2998, so the grid never names a day
// outside the range the store and the date formatter are used with.
//
// Rectangles are DeviceRects: (left, top, right, bottom) in the screen's logical pixels with
// right and bottom exclusive, as every drawing helper takes them.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/device_rect.h"
#include "store/appointment_record.h"

namespace moru {

inline constexpr int kGridRows = 6;
inline constexpr int kGridColumns = 7;
inline constexpr int kGridCells = kGridRows * kGridColumns;

// The months the arrow keys can reach, and the years a neighbouring month's cell may fall in.
inline constexpr int kFirstShownYear = 1900;
inline constexpr int kLastShownYear = 2999;
inline constexpr int kFirstNeighbourYear = 1901;
inline constexpr int kLastNeighbourYear = 2998;

// The twelve month lengths, January first. The February entry belongs to whichever year was
// last given to SetFebruaryFor; every user sets it for its own year before reading.
extern std::array<int, 12> DaysInMonth;
void SetFebruaryFor(int year);

// The numbers printed in the grid, [row][column].
using DayNumbers = std::array<std::array<int, kGridColumns>, kGridRows>;
// Leading cells carry the previous month's last days, then the month, then 1, 2, 3, ...
DayNumbers ComputeDayNumbers(int year, int month);

enum class CellMonth { Previous, Displayed, Next };

struct CellDate {
    int year = 0;
    int month = 0;
    int day = 0;        // 0: the cell has no valid date and is not drawn
    int dayOfWeek = 0;  // 0 = Sunday; only meaningful when day != 0
    CellMonth which = CellMonth::Displayed;

    bool valid() const { return day != 0; }
    bool SameDay(int y, int m, int d) const {
        return day != 0 && year == y && month == m && day == d;
    }
};

// Which date a cell of the displayed month's grid stands for: a large number in row 0 is the
// previous month, a small one in rows 4 and 5 the next.
CellDate DateOfCell(const DayNumbers& numbers, int displayedYear, int displayedMonth, int row,
                    int col);

// A cell's rectangle, in the device's one rectangle form.
using CellRect = DeviceRect;

// Grid geometry: cells of 33 x 26 pixels from (4, 58); the grid spans x 4..235, y 58..214.
inline constexpr int kGridLeft = 4;
inline constexpr int kGridTop = 58;
inline constexpr int kCellWidth = 33;
inline constexpr int kCellHeight = 26;
inline constexpr int kGridRight = kGridLeft + kGridColumns * kCellWidth;  // 235, the last line
inline constexpr int kGridBottom = kGridTop + kGridRows * kCellHeight;    // 214, the last line

CellRect CellRectOf(int row, int col);

struct GridCell {
    int row = 0;
    int col = 0;
};

// True for a pen down in the grid band (58 < y < 214); the band is tested before the column.
inline bool InGridBand(int y) {
    return y > kGridTop && y < kGridBottom;
}
// The cell under a pen down in the grid band; nothing when the column falls outside 0..6
// (x = 236 and beyond). The column division truncates toward zero, so x 0..36 is column 0.
std::optional<GridCell> CellAtPoint(int x, int y);

// The five marker slots at the foot of a cell, matching the boxes of the cell strip and the
// legend: alarm, holiday, anniversary, appointment, memo, each 5 x 4 pixels.
CellRect MarkerRect(const CellRect& cell, ItemKind kind);

// The stretch of days the month query and the markers work on, as day numbers.
struct MonthWindow {
    int64_t prevFirst = 0;  // the first day of the previous month
    int64_t gridStart = 0;  // the date of the top-left cell (a Sunday)
    int64_t gridEnd = 0;    // gridStart + 42, the day after the last cell
};
MonthWindow MonthWindowOf(int year, int month);

// One grid cell an item marks.
struct MarkedCell {
    int row = 0;
    int col = 0;
    int year = 0;
    int month = 0;
    int day = 0;

    bool operator==(const MarkedCell&) const = default;
};

// The cells an item from `start` to `end` (DATE values) marks in a grid that begins on
// `gridStart`: every day from the start's date to the end's date, except that an item ending
// at the same clock time (hour and minute) on a later day does not mark its last day, so an
// all-day item ending at midnight stops on the day before.
std::vector<MarkedCell> MarkedCells(double start, double end, int64_t gridStart);

// The displayed month and the day number the keys carry from month to month.
struct DisplayedDate {
    int year = 0;
    int month = 0;
    int day = 0;

    bool operator==(const DisplayedDate&) const = default;
};

// An arrow key (VK_LEFT .. VK_DOWN) pages by month or year. Leaving the range by a month lands
// on January 1900 or December 2999; by a year, on 1900 or 2999 in the same month. Any other
// key leaves the month alone. Either way the day is then clamped to the month's length.
DisplayedDate NavigateMonth(DisplayedDate current, int virtualKey);

}  // namespace moru
