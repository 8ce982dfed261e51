#include "platform/qt/ink_render.h"

#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <vector>

namespace moru::ink {
namespace {

// A stroke is filled as one outline polygon (its centre line offset by half the width on
// each side, with round ends) rather than stroked with a pen: Qt's stroker offsets curves and
// computes every round join with trigonometry, which made a note of 2,000 strokes take a
// fifth of a second to draw; the outline fills in about a tenth of that.
constexpr double kPiecesPerPixel = 1.0 / 3.0;  // a curve is cut into pieces of about 3 pixels
constexpr int kMaxPieces = 6;
constexpr int kCapSteps = 4;  // a round end is a half circle of four steps

struct Centre {
    std::vector<QPointF> points;
    std::vector<double> half;  // half the line width at each point
};

QPointF Mid(const QPointF& a, const QPointF& b) {
    return (a + b) / 2.0;
}

// The quadratic curve from `from` to `to` around `control`, without its first point.
void AppendCurve(Centre& centre, QPointF from, QPointF control, QPointF to, double half) {
    const QPointF span = to - from;
    const double length =
        std::hypot(span.x(), span.y()) + std::hypot(control.x() - from.x(), control.y() - from.y());
    const int pieces = std::clamp(static_cast<int>(length * kPiecesPerPixel / 2.0), 1, kMaxPieces);
    for (int k = 1; k <= pieces; ++k) {
        const double t = static_cast<double>(k) / pieces;
        const double u = 1.0 - t;
        centre.points.push_back(u * u * from + 2.0 * u * t * control + t * t * to);
        centre.half.push_back(half);
    }
}

QPointF Direction(const Centre& centre, size_t i) {
    const size_t n = centre.points.size();
    const QPointF d = centre.points[std::min(i + 1, n - 1)] - centre.points[i > 0 ? i - 1 : 0];
    const double length = std::hypot(d.x(), d.y());
    return length > 1e-9 ? d / length : QPointF(1, 0);
}

// Fills the outline of a centre line; returns the widget rectangle it covers.
QRectF FillOutline(QPainter& painter, const Centre& centre, const QColor& colour) {
    const size_t n = centre.points.size();
    if (n == 0) {
        return {};
    }
    QPolygonF outline;
    outline.reserve(2 * static_cast<qsizetype>(n) + 2 * kCapSteps);
    std::vector<QPointF> rightSide(n);
    for (size_t i = 0; i < n; ++i) {
        const QPointF d = Direction(centre, i);
        const QPointF normal(-d.y() * centre.half[i], d.x() * centre.half[i]);
        outline << centre.points[i] + normal;
        rightSide[i] = centre.points[i] - normal;
    }
    auto cap = [&](size_t i, double sign) {
        const QPointF d = Direction(centre, i) * sign;
        const QPointF normal(-d.y(), d.x());
        for (int k = 1; k < kCapSteps; ++k) {
            const double angle = M_PI * k / kCapSteps;
            outline << centre.points[i] +
                           centre.half[i] * (normal * std::cos(angle) + d * std::sin(angle));
        }
    };
    cap(n - 1, 1.0);
    for (size_t i = n; i-- > 0;) {
        outline << rightSide[i];
    }
    cap(0, -1.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(outline, Qt::WindingFill);
    return outline.boundingRect().adjusted(-2, -2, 2, 2);  // antialiasing's fringe
}

}  // namespace

double WidthAt(const InkStroke& stroke, const InkPoint& point, const View& view) {
    const double factor = 0.5 + static_cast<double>(point.pressure) / 65535.0;
    return std::max(1.0, stroke.width * view.scale * factor);
}

QRectF DrawSegment(QPainter& painter, const InkStroke& stroke, size_t index, const View& view,
                   const QColor& colour) {
    if (index == 0 || index >= stroke.points.size()) {
        return {};
    }
    const QPointF control = view.ToWidget(stroke.points[index - 1]);
    const QPointF here = view.ToWidget(stroke.points[index]);
    const QPointF from =
        index >= 2 ? Mid(view.ToWidget(stroke.points[index - 2]), control) : control;
    const double half = WidthAt(stroke, stroke.points[index - 1], view) / 2.0;
    Centre centre;
    centre.points.push_back(from);
    centre.half.push_back(half);
    AppendCurve(centre, from, control, Mid(control, here), half);
    return FillOutline(painter, centre, colour);
}

QRectF DrawTail(QPainter& painter, const InkStroke& stroke, const View& view,
                const QColor& colour) {
    if (stroke.points.empty()) {
        return {};
    }
    const size_t n = stroke.points.size();
    const QPointF last = view.ToWidget(stroke.points[n - 1]);
    const QPointF from = n >= 2 ? Mid(view.ToWidget(stroke.points[n - 2]), last) : last;
    const double half = WidthAt(stroke, stroke.points[n - 1], view) / 2.0;
    Centre centre;
    centre.points = {from};
    centre.half = {half};
    if (from != last) {
        centre.points.push_back(last);  // else a tap: the two round ends make a dot
        centre.half.push_back(half);
    }
    return FillOutline(painter, centre, colour);
}

void DrawStroke(QPainter& painter, const InkStroke& stroke, const View& view,
                const QColor& colour) {
    const size_t n = stroke.points.size();
    if (n == 0) {
        return;
    }
    Centre centre;
    QPointF previous = view.ToWidget(stroke.points[0]);
    QPointF from = previous;
    centre.points.push_back(from);
    centre.half.push_back(WidthAt(stroke, stroke.points[0], view) / 2.0);
    for (size_t i = 1; i < n; ++i) {
        const QPointF here = view.ToWidget(stroke.points[i]);
        const QPointF to = Mid(previous, here);
        AppendCurve(centre, from, previous, to, WidthAt(stroke, stroke.points[i - 1], view) / 2.0);
        from = to;
        previous = here;
    }
    if (n >= 2) {
        centre.points.push_back(previous);
        centre.half.push_back(WidthAt(stroke, stroke.points[n - 1], view) / 2.0);
    }
    FillOutline(painter, centre, colour);
}

QRectF StrokeBounds(const InkStroke& stroke) {
    if (stroke.points.empty()) {
        return {};
    }
    int32_t left = stroke.points[0].x;
    int32_t right = left;
    int32_t top = stroke.points[0].y;
    int32_t bottom = top;
    for (const InkPoint& p : stroke.points) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    const double pad = stroke.width * 0.75 + kInkUnitsPerPixel;
    return QRectF(QPointF(left - pad, top - pad), QPointF(right + pad, bottom + pad));
}

}  // namespace moru::ink
