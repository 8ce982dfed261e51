#include "screens/month_grid.h"

#include <algorithm>

#include "platform/datetime.h"
#include "screens/hosted_screen.h"

namespace moru {

std::array<int, 12> DaysInMonth = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

void SetFebruaryFor(int year) {
    DaysInMonth[1] = IsLeapYear(year) ? 29 : 28;
}

DayNumbers ComputeDayNumbers(int year, int month) {
    SetFebruaryFor(year);
    DayNumbers numbers{};
    const int first = WeekdayOf(year, month, 1);
    const int previous = month == 1 ? 12 : month - 1;
    int cell = 0;
    auto put = [&numbers, &cell](int value) {
        numbers[cell / kGridColumns][cell % kGridColumns] = value;
        ++cell;
    };
    for (int i = 0; i < first; ++i) {
        put(DaysInMonth[previous - 1] - first + 1 + i);
    }
    for (int day = 1; day <= DaysInMonth[month - 1]; ++day) {
        put(day);
    }
    for (int next = 1; cell < kGridCells; ++next) {
        put(next);
    }
    return numbers;
}

CellDate DateOfCell(const DayNumbers& numbers, int displayedYear, int displayedMonth, int row,
                    int col) {
    CellDate date;
    date.year = displayedYear;
    date.month = displayedMonth;
    const int value = numbers[row][col];
    if (row == 0 && value > 7) {
        date.which = CellMonth::Previous;
        if (--date.month < 1) {
            date.month = 12;
            --date.year;
        }
        if (date.year < kFirstNeighbourYear) {
            return date;
        }
    } else if (row > 3 && value < 15) {
        date.which = CellMonth::Next;
        if (++date.month > 12) {
            date.month = 1;
            ++date.year;
        }
        if (date.year > kLastNeighbourYear) {
            return date;
        }
    }
    date.day = value;
    date.dayOfWeek = WeekdayOf(date.year, date.month, date.day);
    return date;
}

CellRect CellRectOf(int row, int col) {
    const int left = kGridLeft + kCellWidth * col;
    const int top = kGridTop + kCellHeight * row;
    return {left, top, left + kCellWidth, top + kCellHeight};
}

std::optional<GridCell> CellAtPoint(int x, int y) {
    // C++ division truncates toward zero, which is what puts x = 0..3 in column 0.
    const int col = (x - kGridLeft) / kCellWidth;
    if (col < 0 || col >= kGridColumns) {
        return std::nullopt;
    }
    const int row = (y - kGridTop) / kCellHeight;
    if (row < 0 || row >= kGridRows) {
        return std::nullopt;
    }
    return GridCell{row, col};
}

CellRect MarkerRect(const CellRect& cell, ItemKind kind) {
    constexpr int kSlotOffsets[] = {2, 8, 14, 20, 26};  // Alarm .. Memo
    constexpr int kMarkerWidth = 5;
    constexpr int kMarkerHeight = 4;
    const int index = std::clamp(static_cast<int>(kind), 0, 4);
    const int x = cell.left + kSlotOffsets[index];
    return {x, cell.bottom - kMarkerHeight, x + kMarkerWidth, cell.bottom};
}

MonthWindow MonthWindowOf(int year, int month) {
    MonthWindow window;
    const int64_t first = DayNumber(year, month, 1);
    window.prevFirst = month == 1 ? DayNumber(year - 1, 12, 1) : DayNumber(year, month - 1, 1);
    window.gridStart = first - WeekdayOf(year, month, 1);
    window.gridEnd = window.gridStart + kGridCells;
    return window;
}

std::vector<MarkedCell> MarkedCells(double start, double end, int64_t gridStart) {
    std::vector<MarkedCell> cells;
    const std::optional<SystemTime> s = VariantTimeToSystemTime(start);
    const std::optional<SystemTime> e = VariantTimeToSystemTime(end);
    if (!s || !e) {
        return cells;
    }
    const int64_t startDay = DayNumber(s->year, s->month, s->day);
    const int64_t endDay = DayNumber(e->year, e->month, e->day);
    int64_t count = endDay - startDay;
    if (s->hour == e->hour && s->minute == e->minute && count >= 1) {
        --count;
    }
    const int64_t gridEnd = gridStart + kGridCells;
    // Days before the grid are skipped by jumping over them, so that an item spanning years
    // costs no more than one that spans the grid.
    for (int64_t day = std::max(startDay, gridStart); day <= startDay + count; ++day) {
        if (day > gridEnd) {
            break;
        }
        const int64_t offset = day - gridStart;
        const int row = static_cast<int>(offset / kGridColumns);
        if (row >= kGridRows) {
            break;
        }
        MarkedCell cell;
        cell.row = row;
        // gridStart is a Sunday, so the offset within the week is the weekday.
        cell.col = static_cast<int>(offset % kGridColumns);
        CivilFromDayNumber(day, cell.year, cell.month, cell.day);
        cells.push_back(cell);
    }
    return cells;
}

DisplayedDate NavigateMonth(DisplayedDate current, int virtualKey) {
    DisplayedDate next = current;
    switch (virtualKey) {
        case VK_LEFT:
            if (--next.month < 1) {
                next.month = 12;
                --next.year;
            }
            if (next.year < kFirstNeighbourYear) {
                next.year = kFirstShownYear;
                next.month = 1;
            }
            break;
        case VK_UP:
            if (--next.year < kFirstNeighbourYear) {
                next.year = kFirstShownYear;
            }
            break;
        case VK_RIGHT:
            if (++next.month > 12) {
                next.month = 1;
                ++next.year;
            }
            if (next.year > kLastNeighbourYear) {
                next.year = kLastShownYear;
                next.month = 12;
            }
            break;
        case VK_DOWN:
            if (++next.year > kLastNeighbourYear) {
                next.year = kLastShownYear;
            }
            break;
        default:
            break;
    }
    SetFebruaryFor(next.year);
    next.day = std::min(next.day, DaysInMonth[next.month - 1]);
    return next;
}

}  // namespace moru
