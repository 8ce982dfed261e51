// The clock screen's pictures: the analog dial, the frame behind the digital time and the
// button that switches between the two.
#include <QPainterPath>
#include <QPen>
#include <cmath>
#include <numbers>

#include "tools/gen_bitmaps/art_kit.h"
#include "tools/gen_bitmaps/catalogue.h"
#include "tools/gen_bitmaps/pictograms.h"

namespace moru::art {
namespace {

// Dial. The screen draws the hands from pixel (100, 100) of this image, the hour hand 45 and
// the other two 60 pixels long, so everything printed on the dial stays outside radius 63.
constexpr int kDialSize = 200;
const QPointF kDialCentre{100.5, 100.5};  // the middle of pixel (100, 100)
constexpr double kRimRadius = 95.0;       // centre line of the 3-pixel rim
constexpr double kTickOuter = 90.0;
constexpr double kHourTickInner = 82.0;
constexpr double kMinuteTickInner = 87.0;
constexpr double kNumeralRadius = 73.0;  // centre of each numeral's box
constexpr int kNumeralSize = 16;         // Comic, bold, pixels
constexpr double kHubRadius = 4.0;
const QColor kDialFill{247, 250, 254};
const QColor kMinuteTick{170, 180, 195};

// Digital panel: a light double rounded frame; the screen prints the time over its white
// inside with an opaque white background.
const QColor kPanelOuter{150, 188, 232};
const QColor kPanelInner{214, 228, 246};

QPointF OnDial(double degrees, double radius) {
    const double radians = degrees * std::numbers::pi / 180.0;
    return kDialCentre + QPointF(std::sin(radians) * radius, -std::cos(radians) * radius);
}

QImage ClockFace() {
    QImage image = NewCanvas(kDialSize, kDialSize);
    CrispPainter painter(&image);
    {
        RoundPainter round(painter);
        painter.setPen(QPen(kAccentDeep, 3.0));
        painter.setBrush(kDialFill);
        painter.drawEllipse(kDialCentre, kRimRadius, kRimRadius);
        for (int minute = 0; minute < 60; ++minute) {
            const bool hour = minute % 5 == 0;
            painter.setPen(hour ? QPen(kAccentDeep, 3.0, Qt::SolidLine, Qt::FlatCap)
                                : QPen(kMinuteTick, 1.2, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(OnDial(minute * 6.0, hour ? kHourTickInner : kMinuteTickInner),
                             OnDial(minute * 6.0, kTickOuter));
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(kAccentDeep);
        painter.drawEllipse(kDialCentre, kHubRadius, kHubRadius);
    }
    const QFont numerals = ArtFont(Face::Comic, kNumeralSize, Weight::Bold);
    for (int hour = 1; hour <= 12; ++hour) {
        const QPointF at = OnDial(hour * 30.0, kNumeralRadius);
        const QRect box(static_cast<int>(std::lround(at.x())) - 12,
                        static_cast<int>(std::lround(at.y())) - 10, 24, 20);
        Text(painter, box, QString::number(hour), numerals, kInk);
    }
    return image;
}

QImage DigitalPanel() {
    QImage image = NewCanvas(220, 180);
    CrispPainter painter(&image);
    RoundBox(painter, QRect(0, 0, 220, 180), 16.0, 2.0, kPanelOuter, kWhite);
    RoundBox(painter, QRect(5, 5, 210, 170), 12.0, 1.0, kPanelInner, kWhite);
    return image;
}

// "Show the digital time": a small lit display with two digit pairs.
void DigitalSign(QPainter& painter, const QRect& box, const QColor& ink, const QColor& paper) {
    const int x = box.left() + 4;
    const int y = box.top() + 8;
    Fill(painter, x, y, x + 21, y + 13, ink);
    Fill(painter, x + 1, y + 1, x + 20, y + 12, paper == kAccent ? kAccent : kWhite);
    Text(painter, QRect(x + 1, y, 20, 14), QStringLiteral("12:30"),
         ArtFont(Face::Sans, 8, Weight::Bold), paper == kAccent ? kWhite : kAccentDeep);
}

// "Show the dial": a small clock.
void SmallClock(QPainter& painter, const QRect& box, const QColor& ink, const QColor& paper) {
    const QPointF centre(box.left() + 14.5, box.top() + 14.5);
    {
        RoundPainter round(painter);
        painter.setPen(QPen(paper == kAccent ? kWhite : kAccentDeep, 2.0));
        painter.setBrush(paper == kAccent ? kAccent : kWhite);
        painter.drawEllipse(centre, 9.0, 9.0);
    }
    const int cx = box.left() + 14;
    const int cy = box.top() + 14;
    Fill(painter, cx, cy - 6, cx, cy, ink);  // minute hand, to twelve
    Fill(painter, cx, cy, cx + 4, cy, ink);  // hour hand, to three
}

QImage FaceSwitch() {
    QImage image = NewCanvas(60, 30);
    CrispPainter painter(&image);
    Button(painter, QRect(0, 0, 30, 30), ButtonLook::Normal, DigitalSign);
    Button(painter, QRect(30, 0, 30, 30), ButtonLook::Normal, SmallClock);
    return image;
}

}  // namespace

std::vector<BitmapArt> ClockArt() {
    return {
        {145, {200, 200}, ClockFace},
        {153, {220, 180}, DigitalPanel},
        {154, {60, 30}, FaceSwitch},
    };
}

}  // namespace moru::art
