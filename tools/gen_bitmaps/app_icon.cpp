#include "tools/gen_bitmaps/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <cmath>
#include <numbers>

#include "tools/gen_bitmaps/art_kit.h"

namespace moru::art {
namespace {

// The drawing is made on a 64 x 64 grid and scaled to the size asked for.
constexpr double kGrid = 64.0;

// Which of the 4 x 3 day cells carry a marker, and in which kind's colour (-1 for none).
constexpr int kCellMarks[3][4] = {{-1, 0, -1, 1}, {2, -1, 3, -1}, {-1, 4, -1, -1}};

void Page(QPainter& painter, bool detailed) {
    // A soft shadow, then the white page with a grey edge.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawRoundedRect(QRectF(5, 8, 56, 54), 6, 6);
    painter.setPen(QPen(kEdge, detailed ? 1.0 : 1.5));
    painter.setBrush(kWhite);
    painter.drawRoundedRect(QRectF(3.5, 6.5, 56, 54), 6, 6);

    // The header band, rounded at the top only.
    QPainterPath band;
    band.addRoundedRect(QRectF(3.5, 6.5, 56, 16), 6, 6);
    QPainterPath square;
    square.addRect(QRectF(3.5, 14.5, 56, 8));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kAccent);
    painter.drawPath(band.united(square));

    // Binder rings through the band.
    for (const double x : {17.0, 46.0}) {
        painter.setBrush(kWhite);
        painter.drawEllipse(QPointF(x, 12.5), 3.0, 3.0);
        painter.setPen(QPen(kInk, detailed ? 2.0 : 2.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(x, 3.0), QPointF(x, 12.5));
        painter.setPen(Qt::NoPen);
    }
}

void Days(QPainter& painter, bool detailed) {
    // Four columns and three rows of day cells under the band.
    const double left = 9.0;
    const double top = 27.0;
    const double cell = detailed ? 9.0 : 10.0;
    const double gap = detailed ? 3.0 : 2.5;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
            const QRectF box(left + col * (cell + gap), top + row * (cell + gap), cell, cell);
            const int kind = kCellMarks[row][col];
            painter.setPen(Qt::NoPen);
            painter.setBrush(kind < 0 ? kFace : kMarker[kind]);
            painter.drawRect(box);
            if (detailed && kind < 0) {
                painter.setPen(QPen(kBoxLine, 0.6));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(box);
            }
        }
    }
}

void Clock(QPainter& painter) {
    const QPointF centre(50.0, 50.0);
    painter.setPen(QPen(kAccentDeep, 2.2));
    painter.setBrush(kWhite);
    painter.drawEllipse(centre, 11.0, 11.0);
    // Twelve, three, six and nine.
    painter.setPen(QPen(kInk, 1.2, Qt::SolidLine, Qt::RoundCap));
    for (int quarter = 0; quarter < 4; ++quarter) {
        const double angle = quarter * std::numbers::pi / 2;
        const QPointF dir(std::sin(angle), -std::cos(angle));
        painter.drawLine(centre + dir * 8.0, centre + dir * 9.5);
    }
    // Ten past ten.
    painter.setPen(QPen(kInk, 2.0, Qt::SolidLine, Qt::RoundCap));
    const double hour = (10 + 10 / 60.0) / 12 * 2 * std::numbers::pi;
    const double minute = 10 / 60.0 * 2 * std::numbers::pi;
    painter.drawLine(centre, centre + QPointF(std::sin(hour), -std::cos(hour)) * 5.5);
    painter.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(std::sin(minute), -std::cos(minute)) * 8.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kDanger);
    painter.drawEllipse(centre, 1.3, 1.3);
}

}  // namespace

QImage AppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(size / kGrid, size / kGrid);
    // Below 32 pixels the cell outlines and the clock would be a blur of single pixels.
    const bool detailed = size >= 32;
    Page(painter, detailed);
    Days(painter, detailed);
    if (detailed) {
        Clock(painter);
    }
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace moru::art
