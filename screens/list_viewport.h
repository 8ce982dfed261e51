#pragma once
// The window onto a list of rows that the category lists, the period agenda and the day list
// share: how many items there are, which one is in the top row, which one is highlighted, and
// the rules that move them. A plain value with no widget, so the lists, their scroll bars and
// the tests all read the same numbers.
//
// Invariants kept by every operation: 0 <= firstVisible <= ScrollMax(). `selected` may point
// past the end (after a deletion); then no row is highlighted.
#include <algorithm>
#include <optional>

#include "platform/device_rect.h"

namespace moru {

struct ListViewport {
    int count = 0;         // items in the list
    int firstVisible = 0;  // the item in the top row
    int selected = 0;      // the highlighted item
    int rows = 4;          // rows on one page
    int rowHeight = 51;    // pixels per row

    // Rows that show an item: min(count - firstVisible, rows), never negative.
    int shownRows() const { return std::clamp(count - firstVisible, 0, rows); }
    // The largest firstVisible: the last page shows the last item in its bottom row.
    int ScrollMax() const { return std::max(0, count - rows); }
    bool HasSelection() const { return selected >= 0 && selected < count; }

    // The item under a point `y` pixels below the list's top: row y / rowHeight from the top
    // row; nothing above the list or below its last item.
    std::optional<int> IndexAt(int y) const {
        if (y < 0 || rowHeight <= 0) {
            return std::nullopt;
        }
        const int index = firstVisible + y / rowHeight;
        return index < count ? std::optional<int>(index) : std::nullopt;
    }
    // Row r's rectangle in a list `width` pixels wide.
    DeviceRect RowRect(int row, int width) const {
        return {0, row * rowHeight, width, (row + 1) * rowHeight};
    }

    // The up and down keys: the highlight moves one item, and the top row follows when the
    // highlight would leave the page. Nothing moves at either end. Returns true when the top
    // row changed (the owner then moves its scroll thumb).
    enum class Step { Up, Down };
    bool MoveSelection(Step step) {
        if (step == Step::Up) {
            if (selected < 1) {
                return false;
            }
            --selected;
            if (selected < firstVisible) {
                firstVisible = selected;
                return true;
            }
            return false;
        }
        if (selected >= count - 1) {
            return false;
        }
        ++selected;
        if (selected > firstVisible + rows - 1) {
            ++firstVisible;
            return true;
        }
        return false;
    }

    // The same rule for a key press: the up (38) and down (40) keys are the list's, whether or
    // not anything moved; any other key is not.
    struct KeyMove {
        bool handled = false;         // the key was up or down
        bool selectionMoved = false;  // the highlight is on another item (repaint)
        bool topMoved = false;        // the top row changed (move the scroll thumb)
    };
    KeyMove MoveSelectionByKey(int virtualKey) {
        constexpr int kUpKey = 38;
        constexpr int kDownKey = 40;
        if (virtualKey != kUpKey && virtualKey != kDownKey) {
            return {};
        }
        const int before = selected;
        const bool top = MoveSelection(virtualKey == kUpKey ? Step::Up : Step::Down);
        return {true, selected != before, top};
    }

    // Scrolling (the scroll bar's line, page and thumb): the top row, clamped to the list.
    // Returns true when it changed.
    bool ScrollTo(int first) {
        const int clamped = std::clamp(first, 0, ScrollMax());
        const bool changed = clamped != firstVisible;
        firstVisible = clamped;
        return changed;
    }
    bool ScrollBy(int delta) { return ScrollTo(firstVisible + delta); }

    void Reset(int itemCount) {
        count = itemCount;
        firstVisible = 0;
        selected = 0;
    }
};

}  // namespace moru
