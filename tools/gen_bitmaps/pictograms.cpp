#include "tools/gen_bitmaps/pictograms.h"

#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <cmath>
#include <numbers>

#include "tools/gen_bitmaps/art_kit.h"

namespace moru::art {

void ClockGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor& paper) {
    const int x = at.x();
    const int y = at.y();
    {
        RoundPainter round(painter);
        painter.setPen(QPen(ink, 1.6));
        painter.setBrush(paper);
        // The dial's centre is the middle of pixel (7, 8) so that the hands, one pixel wide,
        // run down its exact middle.
        painter.drawEllipse(QPointF(x + 7.5, y + 8.5), 6.6, 6.6);
    }
    Fill(painter, x + 7, y + 4, x + 7, y + 8, ink);   // minute hand, to twelve
    Fill(painter, x + 7, y + 8, x + 10, y + 8, ink);  // hour hand, to three
}

void ListGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor&) {
    const int x = at.x();
    const int y = at.y();
    for (int row = 0; row < 3; ++row) {
        const int top = y + 3 + row * 4;
        Fill(painter, x + 1, top, x + 2, top + 1, ink);   // bullet
        Fill(painter, x + 5, top, x + 14, top + 1, ink);  // line of text
    }
}

void CalendarGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor& paper) {
    const int x = at.x();
    const int y = at.y();
    Fill(painter, x + 1, y + 2, x + 14, y + 14, ink);    // page
    Fill(painter, x + 2, y + 6, x + 13, y + 13, paper);  // below the header band
    Fill(painter, x + 4, y + 1, x + 4, y + 3, paper);    // binding rings cut in the band
    Fill(painter, x + 11, y + 1, x + 11, y + 3, paper);
    Fill(painter, x + 4, y + 0, x + 4, y + 0, ink);
    Fill(painter, x + 11, y + 0, x + 11, y + 0, ink);
    // Day cells: a 4 x 2 grid of two-pixel squares.
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 4; ++col) {
            const int cx = x + 3 + col * 3;
            const int cy = y + 7 + row * 3;
            Fill(painter, cx, cy, cx + 1, cy + 1, ink);
        }
    }
}

void GearGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor& paper) {
    RoundPainter round(painter);
    const QPointF centre(at.x() + 8.0, at.y() + 8.0);
    constexpr int kTeeth = 8;
    constexpr double kOuter = 7.6;  // tip of a tooth
    constexpr double kInner = 5.4;  // root between teeth
    QPolygonF outline;
    for (int i = 0; i < kTeeth * 4; ++i) {
        // Each tooth is four corners: root, tip, tip, root, a quarter period apart.
        const double angle = (i - 0.5) * std::numbers::pi * 2.0 / (kTeeth * 4);
        const double radius = (i % 4 == 1 || i % 4 == 2) ? kOuter : kInner;
        outline << centre + QPointF(std::cos(angle) * radius, std::sin(angle) * radius);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPolygon(outline);
    painter.setBrush(paper);
    painter.drawEllipse(centre, 2.3, 2.3);
}

void KeyboardGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor& paper) {
    const int x = at.x();
    const int y = at.y();
    SoftFrame(painter, x + 0, y + 3, x + 15, y + 12, ink);
    Fill(painter, x + 1, y + 4, x + 14, y + 11, paper);
    // Two rows of keys and a space bar.
    for (int col = 0; col < 6; ++col) {
        Fill(painter, x + 2 + col * 2, y + 5, x + 2 + col * 2, y + 5, ink);
        Fill(painter, x + 3 + col * 2, y + 7, x + 3 + col * 2, y + 7, ink);
    }
    Fill(painter, x + 4, y + 9, x + 11, y + 9, ink);
}

void PenGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor& paper) {
    RoundPainter round(painter);
    // A pen lying from the top right down to its nib at the bottom left.
    QPainterPath body;
    body.moveTo(at.x() + 13.5, at.y() + 0.5);
    body.lineTo(at.x() + 15.5, at.y() + 2.5);
    body.lineTo(at.x() + 5.0, at.y() + 13.0);
    body.lineTo(at.x() + 1.0, at.y() + 15.0);
    body.lineTo(at.x() + 3.0, at.y() + 11.0);
    body.closeSubpath();
    painter.setPen(QPen(ink, 1.0));
    painter.setBrush(ink);
    painter.drawPath(body);
    painter.setPen(QPen(paper, 1.0));
    painter.drawLine(QPointF(at.x() + 11.0, at.y() + 3.0), QPointF(at.x() + 13.0, at.y() + 5.0));
}

}  // namespace moru::art
