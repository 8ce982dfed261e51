#pragma once
// The device's rectangle: (left, top, right, bottom) in logical pixels, right and bottom
// exclusive, so DeviceRect{0, 0, 240, 204} covers 240 x 204 pixels. Every screen, list and
// dialog keeps its rectangles in this one form; drawing takes it as it is.
//
// Hit tests differ between the screens the program was drawn for, and the difference is
// visible to the user at the edges, so every test names its edges:
//   Contains          left <= x < right,  top <= y < bottom  (the rectangle's own pixels)
//   ContainsOpen      left <  x < right,  top <  y < bottom  (both edges excluded)
//   ContainsInclusive left <= x <= right, top <= y <= bottom (both edges included)
// A tap rule given as "x a..b" (inclusive) is written Inclusive(a, ..., b, ...); one given as
// "a < x < b" is written with ContainsOpen on the rectangle (a, ..., b, ...).
namespace moru {

struct DeviceRect {
    int left = 0;
    int top = 0;
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive

    // A rectangle given by position and size, as layout tables give "(x, y, w, h)".
    static constexpr DeviceRect FromSize(int x, int y, int width, int height) {
        return {x, y, x + width, y + height};
    }

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool empty() const { return right <= left || bottom <= top; }

    constexpr bool Contains(int x, int y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    constexpr bool ContainsOpen(int x, int y) const {
        return x > left && x < right && y > top && y < bottom;
    }
    constexpr bool ContainsInclusive(int x, int y) const {
        return x >= left && x <= right && y >= top && y <= bottom;
    }

    constexpr DeviceRect Translated(int dx, int dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }

    constexpr bool operator==(const DeviceRect&) const = default;
};

}  // namespace moru
