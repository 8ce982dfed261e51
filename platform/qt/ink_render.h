#pragma once
// How ink strokes become pixels, shared by the ink note's full redraw and its drawing while
// the pen moves, so that a stroke looks the same whether it was just written or reloaded.
//
// A stroke is drawn as a chain of quadratic curves through the midpoints of its points, with
// each point as the control of its curve: the line passes smoothly by every sampled point
// instead of turning sharp corners between them. The width follows each curve's control
// point's pressure, and the ends are round, so pressure changes along the stroke read as a
// swelling line, not steps. Segment i (i >= 1) ends at the midpoint of points i-1 and i; the
// stroke's tail, from the last midpoint to the last point, is drawn once the pen lifts.
#include <QPainter>
#include <QPointF>
#include <QRectF>

#include "platform/ink_format.h"

namespace moru::ink {

// Where content units land in the widget: widget = units * scale - offset.
struct View {
    double scale = 1.0 / kInkUnitsPerPixel;  // widget pixels per content unit
    QPointF offset;                          // widget pixels scrolled away

    QPointF ToWidget(const InkPoint& p) const {
        return {p.x * scale - offset.x(), p.y * scale - offset.y()};
    }
};

// Line width in widget pixels at a point: the stroke's nominal width at middle pressure,
// half of it with no pressure, one and a half times at full pressure; never under one pixel.
double WidthAt(const InkStroke& stroke, const InkPoint& point, const View& view);

// The whole stroke, tail included.
void DrawStroke(QPainter& painter, const InkStroke& stroke, const View& view, const QColor& colour);
// Only segment `index` (1 <= index < points), as drawn when point `index` arrived. Returns the
// widget rectangle it touched (for an update of just that much).
QRectF DrawSegment(QPainter& painter, const InkStroke& stroke, size_t index, const View& view,
                   const QColor& colour);
// The tail from the last midpoint to the last point (a single point: a dot).
QRectF DrawTail(QPainter& painter, const InkStroke& stroke, const View& view, const QColor& colour);

// The stroke's extent in content units, its widest line included.
QRectF StrokeBounds(const InkStroke& stroke);

}  // namespace moru::ink
