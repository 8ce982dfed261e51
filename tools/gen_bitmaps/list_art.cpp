// The schedule list window's pictures and the small icons its rows carry: the status icons
// with their masks, the five kind icons, the new button and the kind arrows; and the two
// buttons of the appointment detail dialog.
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <array>
#include <cmath>
#include <numbers>

#include "tools/gen_bitmaps/art_kit.h"
#include "tools/gen_bitmaps/catalogue.h"

namespace moru::art {
namespace {

// Status icons: eight 12 x 12 images in the top half, their masks in the bottom half, in
// this column order.
constexpr int kStatusSize = 12;
enum StatusColumn { kBell, kRepeat, kAlarmLetter, kHolidayLetter, kAnniversaryLetter, kBang1 };
constexpr int kStatusColumns = 8;

// Kind icons: 25 x 25 each, in item-kind order, and their fills (the marker colours made a
// little deeper, since here they fill large shapes rather than 5 x 4 spots).
constexpr int kKindSize = 25;
const QColor kAlarmFill{30, 70, 230};
const QColor kHolidayFill{225, 35, 35};
const QColor kAnniversaryFill{215, 45, 205};
const QColor kAppointmentFill{250, 210, 0};
const QColor kMemoFill{40, 175, 70};
const QColor kPageLine{190, 190, 190};

void Bell(QPainter& painter) {
    RoundPainter round(painter);
    QPainterPath body;
    body.moveTo(1.5, 9.5);
    body.cubicTo(3.0, 8.5, 3.0, 7.0, 3.0, 5.5);
    body.cubicTo(3.0, 1.8, 9.0, 1.8, 9.0, 5.5);
    body.cubicTo(9.0, 7.0, 9.0, 8.5, 10.5, 9.5);
    body.closeSubpath();
    painter.setPen(QPen(kInk, 1.0));
    painter.setBrush(kGold);
    painter.drawPath(body);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    painter.drawEllipse(QPointF(6.0, 10.6), 1.4, 1.2);  // clapper
}

// A circular arrow's head at `degrees` (Qt's angles: counter-clockwise from three o'clock),
// pointing on around the circle.
QPolygonF ArrowTip(QPointF centre, double radius, double degrees) {
    const double a = degrees * std::numbers::pi / 180.0;
    const QPointF radial(std::cos(a), -std::sin(a));
    const QPointF along(-std::sin(a), -std::cos(a));
    const QPointF at = centre + radial * radius;
    return QPolygonF() << at + along * 2.6 << at + radial * 2.4 << at - radial * 2.4;
}

void RepeatArrows(QPainter& painter) {
    RoundPainter round(painter);
    const QPointF centre(6.0, 6.0);
    constexpr double kRadius = 3.6;
    const QRectF circle(centre.x() - kRadius, centre.y() - kRadius, 2 * kRadius, 2 * kRadius);
    painter.setPen(QPen(kGreen, 1.7, Qt::SolidLine, Qt::FlatCap));
    painter.setBrush(Qt::NoBrush);
    for (double start : {30.0, 210.0}) {
        QPainterPath arc;
        arc.arcMoveTo(circle, start);
        arc.arcTo(circle, start, 120.0);
        painter.drawPath(arc);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(kGreen);
    painter.drawPolygon(ArrowTip(centre, kRadius, 150.0));
    painter.drawPolygon(ArrowTip(centre, kRadius, 330.0));
}

void Letter(QPainter& painter, const QString& letter, const QColor& color) {
    Text(painter, QRect(0, 0, kStatusSize, kStatusSize), letter,
         ArtFont(Face::Sans, 12, Weight::Bold), color);
}

void Bang(QPainter& painter, const QColor& color) {
    Fill(painter, 5, 1, 6, 7, color);
    Fill(painter, 5, 9, 6, 10, color);
}

QImage StatusIcons() {
    const std::array<std::function<void(QPainter&)>, kStatusColumns> icons = {
        Bell,
        RepeatArrows,
        [](QPainter& p) { Letter(p, QStringLiteral("A"), kMarker[0]); },
        [](QPainter& p) { Letter(p, QStringLiteral("H"), kMarker[1]); },
        [](QPainter& p) { Letter(p, QStringLiteral("A"), kMarker[2]); },
        [](QPainter& p) { Bang(p, kDanger); },
        [](QPainter& p) { Bang(p, QColor(240, 130, 0)); },
        [](QPainter& p) { Bang(p, kAccentDeep); },
    };
    QImage image = NewCanvas(kStatusColumns * kStatusSize, 2 * kStatusSize, Qt::black);
    QPainter painter(&image);
    for (int column = 0; column < kStatusColumns; ++column) {
        const MaskedIcon icon = MakeMaskedIcon(QSize(kStatusSize, kStatusSize), icons[column]);
        painter.drawImage(column * kStatusSize, 0, icon.image);
        painter.drawImage(column * kStatusSize, kStatusSize, icon.mask);
    }
    return image;
}

void AlarmClock(QPainter& painter) {
    RoundPainter round(painter);
    painter.setPen(QPen(kInk, 1.0));
    painter.setBrush(kAlarmFill);
    painter.drawEllipse(QPointF(5.5, 5.0), 3.6, 3.6);  // bells
    painter.drawEllipse(QPointF(19.5, 5.0), 3.6, 3.6);
    painter.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(7.0, 21.0), QPointF(5.0, 23.5));  // feet
    painter.drawLine(QPointF(18.0, 21.0), QPointF(20.0, 23.5));
    painter.setPen(QPen(kAlarmFill, 2.6));
    painter.setBrush(kWhite);
    painter.drawEllipse(QPointF(12.5, 14.0), 8.2, 8.2);
    painter.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(12.5, 14.0), QPointF(12.5, 9.0));
    painter.drawLine(QPointF(12.5, 14.0), QPointF(16.0, 14.0));
}

void Flag(QPainter& painter) {
    Fill(painter, 4, 2, 5, 22, kInk);  // pole
    Fill(painter, 2, 23, 8, 23, kInk);
    RoundPainter round(painter);
    QPainterPath flag;
    flag.moveTo(6.0, 3.0);
    flag.cubicTo(10.0, 0.5, 15.0, 6.0, 21.5, 3.0);
    flag.lineTo(21.5, 13.5);
    flag.cubicTo(15.0, 16.5, 10.0, 11.0, 6.0, 13.5);
    flag.closeSubpath();
    painter.setPen(QPen(kInk, 1.0));
    painter.setBrush(kHolidayFill);
    painter.drawPath(flag);
}

void Gift(QPainter& painter) {
    Fill(painter, 4, 11, 20, 22, kInk);  // box
    Fill(painter, 5, 12, 19, 21, kAnniversaryFill);
    Fill(painter, 3, 8, 21, 11, kInk);  // lid
    Fill(painter, 4, 9, 20, 10, kAnniversaryFill);
    Fill(painter, 11, 9, 13, 21, kWhite);  // ribbon
    RoundPainter round(painter);
    painter.setPen(QPen(kInk, 1.0));
    painter.setBrush(kWhite);
    painter.drawEllipse(QRectF(6.5, 3.0, 6.0, 5.0));  // bow
    painter.drawEllipse(QRectF(12.5, 3.0, 6.0, 5.0));
}

void Datebook(QPainter& painter) {
    Fill(painter, 3, 4, 21, 22, kInk);  // page
    Fill(painter, 4, 10, 20, 21, kWhite);
    Fill(painter, 4, 5, 20, 9, kAppointmentFill);
    Fill(painter, 8, 2, 9, 6, kInk);  // rings
    Fill(painter, 15, 2, 16, 6, kInk);
    for (int line = 0; line < 3; ++line) {
        Fill(painter, 7, 13 + line * 3, line == 2 ? 13 : 17, 13 + line * 3, kPageLine);
    }
}

void Notepad(QPainter& painter) {
    Fill(painter, 3, 3, 17, 22, kInk);  // page
    Fill(painter, 4, 7, 16, 21, kWhite);
    Fill(painter, 4, 4, 16, 6, kMemoFill);
    for (int line = 0; line < 4; ++line) {
        Fill(painter, 6, 10 + line * 3, 14, 10 + line * 3, kPageLine);
    }
    RoundPainter round(painter);
    QPainterPath pencil;  // lying across the page's lower right, nib down
    pencil.moveTo(21.0, 5.5);
    pencil.lineTo(23.5, 8.0);
    pencil.lineTo(13.5, 18.0);
    pencil.lineTo(10.0, 19.5);
    pencil.lineTo(11.0, 15.5);
    pencil.closeSubpath();
    painter.setPen(QPen(kInk, 1.0));
    painter.setBrush(kMemoFill);
    painter.drawPath(pencil);
}

QImage KindIcons() {
    QImage image = NewCanvas(5 * kKindSize, kKindSize);
    CrispPainter painter(&image);
    const std::array<void (*)(QPainter&), 5> icons = {AlarmClock, Flag, Gift, Datebook, Notepad};
    for (int kind = 0; kind < 5; ++kind) {
        painter.save();
        painter.translate(kind * kKindSize, 0);
        painter.setClipRect(0, 0, kKindSize, kKindSize);
        icons[kind](painter);
        painter.restore();
    }
    return image;
}

void Plus(QPainter& painter, const QRect& box, const QColor& ink, const QColor&) {
    const QColor color = ink == kWhite ? kWhite : kAccent;
    const int x = box.left();
    const int y = box.top();
    Fill(painter, x + 6, y + 12, x + 19, y + 13, color);
    Fill(painter, x + 12, y + 6, x + 13, y + 19, color);
}

QImage NewButton() {
    QImage image = NewCanvas(52, 26);
    CrispPainter painter(&image);
    Button(painter, QRect(0, 0, 26, 26), ButtonLook::Normal, Plus);
    Button(painter, QRect(26, 0, 26, 26), ButtonLook::Pressed, Plus);
    return image;
}

QImage KindArrows() {
    QImage image = NewCanvas(32, 16);
    CrispPainter painter(&image);
    for (int half = 0; half < 2; ++half) {
        {
            RoundPainter round(painter);
            painter.setPen(Qt::NoPen);
            painter.setBrush(kAccentPale);
            painter.drawEllipse(QRectF(half * 16 + 0.5, 0.5, 15.0, 15.0));
        }
        if (half == 0) {
            Arrowhead(painter, QPoint(5, 7), 5, Pointing::Left, kAccent);
        } else {
            Arrowhead(painter, QPoint(16 + 10, 7), 5, Pointing::Right, kAccent);
        }
    }
    return image;
}

void Cross(QPainter& painter, const QRect& box, const QColor& ink, const QColor&) {
    RoundPainter round(painter);
    painter.setPen(QPen(ink == kWhite ? kWhite : kDanger, 2.6, Qt::SolidLine, Qt::RoundCap));
    const QPointF a = QPointF(box.topLeft()) + QPointF(5.5, 5.5);
    painter.drawLine(a, a + QPointF(9.0, 9.0));
    painter.drawLine(a + QPointF(9.0, 0.0), a + QPointF(0.0, 9.0));
}

void PencilWithTick(QPainter& painter, const QRect& box, const QColor& ink, const QColor&) {
    const bool pressed = ink == kWhite;
    RoundPainter round(painter);
    painter.translate(box.topLeft());
    QPainterPath pencil;
    pencil.moveTo(13.0, 2.5);
    pencil.lineTo(15.5, 5.0);
    pencil.lineTo(7.0, 13.5);
    pencil.lineTo(3.5, 14.5);
    pencil.lineTo(4.5, 11.0);
    pencil.closeSubpath();
    painter.setPen(QPen(pressed ? kAccentDeep : kInk, 1.0));
    painter.setBrush(pressed ? kWhite : kGold);
    painter.drawPath(pencil);
    painter.setPen(
        QPen(pressed ? kWhite : kGreen, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF()
                         << QPointF(10.5, 14.0) << QPointF(12.5, 16.0) << QPointF(16.5, 11.0));
}

QImage TwoLookButton(const ContentPainter& content) {
    QImage image = NewCanvas(40, 20);
    CrispPainter painter(&image);
    Button(painter, QRect(0, 0, 20, 20), ButtonLook::Normal, content);
    Button(painter, QRect(20, 0, 20, 20), ButtonLook::Pressed, content);
    return image;
}

}  // namespace

std::vector<BitmapArt> ListArt() {
    return {
        {149, {96, 24}, StatusIcons},
        {151, {125, 25}, KindIcons},
        {152, {52, 26}, NewButton},
        {155, {32, 16}, KindArrows},
        {212, {40, 20}, [] { return TwoLookButton(Cross); }},
        {213, {40, 20}, [] { return TwoLookButton(PencilWithTick); }},
    };
}

}  // namespace moru::art
