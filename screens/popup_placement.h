#pragma once
// Where a popup menu opens for a tap. The handheld placed its item menus at fixed offsets from
// the tap (y + 66 in a category list, y + 96 in the agenda, y + 29 on the month calendar),
// offsets that counted the device's 26-pixel top bar above the program's window. Here the
// screen has no such bar, so the same menus open at the same place relative to the content:
// (x + 5, y + offset - 26) left-aligned for a tap left of the middle, (x - 5, y + offset - 26)
// right-aligned otherwise, in the screen's logical pixels, which the UI host maps to the
// desktop through the window's origin and scale.
#include "platform/ui_host.h"

namespace moru {

struct PopupPlacement {
    MenuAlign align = MenuAlign::Left;
    int x = 0;
    int y = 0;

    bool operator==(const PopupPlacement&) const = default;
};

inline constexpr int kDeviceTopBarHeight = 26;
inline constexpr int kPopupSideGap = 5;
inline constexpr int kPopupMiddle = 120;  // taps at x < 120 open to the right of the pen

// (x, y) is the tap in the coordinates the offset was given for (a list's own, or the
// screen's); `deviceOffset` is the handheld's number (66, 96, 29).
constexpr PopupPlacement ItemPopupPlacement(int x, int y, int deviceOffset) {
    const int top = y + deviceOffset - kDeviceTopBarHeight;
    if (x < kPopupMiddle) {
        return {MenuAlign::Left, x + kPopupSideGap, top};
    }
    return {MenuAlign::Right, x - kPopupSideGap, top};
}

}  // namespace moru
