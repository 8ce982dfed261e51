#include "screens/clock_hands.h"

#include <cmath>

namespace moru {
namespace {

ClockPoint AlongHand(int angle, int length) {
    const double radians = angle * kDegreesToRadians;
    return {kDialCentre.x + static_cast<int>(std::sin(radians) * length),
            kDialCentre.y - static_cast<int>(std::cos(radians) * length)};
}

}  // namespace

ClockHand ComputeHand(int angle, int length) {
    ClockHand hand;
    hand.angle = angle;
    hand.tip = AlongHand(angle, length);
    hand.base = AlongHand(angle, kHandBaseOffset);
    const ClockPoint b = hand.base;
    // The side points sit 2 pixels off the base, roughly across the hand, by the sector it
    // points into; the three lines to the tip then give the hand a tapering width.
    const bool pointsNorthEastOrSouthWest =
        (angle >= 21 && angle <= 70) || (angle >= 201 && angle <= 250);
    const bool pointsEastOrWest = (angle >= 71 && angle <= 110) || (angle >= 251 && angle <= 290);
    const bool pointsSouthEastOrNorthWest =
        (angle >= 111 && angle <= 160) || (angle >= 291 && angle <= 340);
    if (pointsNorthEastOrSouthWest) {
        hand.side1 = {b.x - 2, b.y - 2};
        hand.side2 = {b.x + 2, b.y + 2};
    } else if (pointsEastOrWest) {
        hand.side1 = {b.x, b.y - 2};
        hand.side2 = {b.x, b.y + 2};
    } else if (pointsSouthEastOrNorthWest) {
        hand.side1 = {b.x + 2, b.y - 2};
        hand.side2 = {b.x - 2, b.y + 2};
    } else {
        hand.side1 = {b.x - 2, b.y};
        hand.side2 = {b.x + 2, b.y};
    }
    return hand;
}

ClockHands ComputeClockHands(int hour, int minute, int second) {
    ClockHands hands;
    hands.hour = ComputeHand((hour * 30) % 360 + minute / 2, kHourHandLength);
    hands.minute = ComputeHand(minute * 6, kMinuteHandLength);
    hands.second = ComputeHand(second * 6, kSecondHandLength);
    return hands;
}

}  // namespace moru
