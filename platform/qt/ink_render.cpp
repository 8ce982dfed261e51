#include "platform/qt/ink_render.h"

#include <QPainterPath>
#include <QPen>
#include <algorithm>

namespace moru::ink {
namespace {

QPointF Mid(const QPointF& a, const QPointF& b) {
    return (a + b) / 2.0;
}

QPen PenFor(const QColor& colour, double width) {
    QPen pen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    return pen;
}

QRectF Around(const QPointF& a, const QPointF& b, const QPointF& c, double width) {
    const double left = std::min({a.x(), b.x(), c.x()});
    const double top = std::min({a.y(), b.y(), c.y()});
    const double right = std::max({a.x(), b.x(), c.x()});
    const double bottom = std::max({a.y(), b.y(), c.y()});
    const double pad = width / 2.0 + 2.0;  // half the line, plus antialiasing's fringe
    return QRectF(QPointF(left - pad, top - pad), QPointF(right + pad, bottom + pad));
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
    const QPointF to = Mid(control, here);
    const double width = WidthAt(stroke, stroke.points[index - 1], view);
    QPainterPath path(from);
    path.quadTo(control, to);
    painter.strokePath(path, PenFor(colour, width));
    return Around(from, control, to, width);
}

QRectF DrawTail(QPainter& painter, const InkStroke& stroke, const View& view,
                const QColor& colour) {
    if (stroke.points.empty()) {
        return {};
    }
    const size_t n = stroke.points.size();
    const QPointF last = view.ToWidget(stroke.points[n - 1]);
    const QPointF from = n >= 2 ? Mid(view.ToWidget(stroke.points[n - 2]), last) : last;
    const double width = WidthAt(stroke, stroke.points[n - 1], view);
    painter.setPen(PenFor(colour, width));
    if (from == last) {
        painter.drawPoint(last);  // a tap leaves a dot as wide as the line
    } else {
        painter.drawLine(from, last);
    }
    return Around(from, last, last, width);
}

void DrawStroke(QPainter& painter, const InkStroke& stroke, const View& view,
                const QColor& colour) {
    for (size_t i = 1; i < stroke.points.size(); ++i) {
        DrawSegment(painter, stroke, i, view, colour);
    }
    DrawTail(painter, stroke, view, colour);
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
