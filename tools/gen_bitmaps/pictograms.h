#pragma once
// Small pictograms that several bitmaps share (the screen tabs, the today button, the clock
// switch, the memo toolbar). Each draws inside a 16 x 16 box whose top-left is `at`, in
// `ink` over `paper`; the paper colour is used to cut holes (a gear's hub, a page's cells),
// never to fill the box, so the caller's background shows around the shape.
#include <QColor>
#include <QPainter>
#include <QPoint>

namespace moru::art {

void ClockGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor& paper);
void ListGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor& paper);
void CalendarGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor& paper);
void GearGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor& paper);
void KeyboardGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor& paper);
void PenGlyph(QPainter& painter, QPoint at, const QColor& ink, const QColor& paper);

}  // namespace moru::art
