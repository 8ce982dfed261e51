#pragma once
// Where the clock's hands lie for a time of day: pure geometry, no drawing.
//
// Angles are whole degrees clockwise from twelve o'clock. They become radians through the
// clock's own constant 0.01745327777777778 (3.14159 / 180, a little under pi / 180), and every
// product becomes a pixel by truncation toward zero. Both matter: at 03:00 the hour hand's
// sine comes out just below 1, so its tip lands at x 164, not 165.
namespace moru {

struct ClockPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ClockPoint&) const = default;
};

struct ClockHand {
    int angle = 0;     // degrees clockwise from twelve
    ClockPoint tip;    // the outer end
    ClockPoint base;   // 3 pixels out from the centre along the hand
    ClockPoint side1;  // the hour and minute hands are drawn as three lines to the tip:
    ClockPoint side2;  // side1 -> tip, base -> tip, side2 -> tip (unused for the second hand)
};

struct ClockHands {
    ClockHand hour;
    ClockHand minute;
    ClockHand second;
};

inline constexpr ClockPoint kDialCentre{120, 135};
inline constexpr int kHourHandLength = 45;
inline constexpr int kMinuteHandLength = 60;
inline constexpr int kSecondHandLength = 60;
inline constexpr int kHandBaseOffset = 3;
inline constexpr double kDegreesToRadians = 0.01745327777777778;

// hour 0..23, minute 0..59, second 0..59.
ClockHands ComputeClockHands(int hour, int minute, int second);

// One hand of `angle` and `length`, with its side points chosen by the angle's sector.
ClockHand ComputeHand(int angle, int length);

}  // namespace moru
