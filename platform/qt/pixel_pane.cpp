#include "platform/qt/pixel_pane.h"

#include <QMouseEvent>
#include <QPainter>

namespace moru {

PixelPane::PixelPane(QSize logicalSize, QWidget* parent) : QWidget(parent), surface_(logicalSize) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(surface_.widgetSize());
}

void PixelPane::SetScale(int scale) {
    surface_.SetScale(scale);
    setFixedSize(surface_.widgetSize());
    move(logicalTopLeft_ * surface_.scale());
    update();
}

void PixelPane::PlaceAt(QPoint logicalTopLeft) {
    logicalTopLeft_ = logicalTopLeft;
    move(logicalTopLeft_ * surface_.scale());
}

void PixelPane::RefreshAndPaint() {
    if (RefreshPending()) {
        refreshPending_ = false;
        Refresh();
    }
    QPainter painter(&surface_.image());
    Paint(painter);
}

void PixelPane::PaintNow() {
    RefreshAndPaint();
}

void PixelPane::PenDown(int /*x*/, int /*y*/) {}
void PixelPane::PenMove(int /*x*/, int /*y*/) {}
void PixelPane::PenUp(int /*x*/, int /*y*/) {}

void PixelPane::Invalidate() {
    update();
}

void PixelPane::Invalidate(const DeviceRect& logicalRect) {
    update(surface_.WidgetRect(logicalRect));
}

void PixelPane::paintEvent(QPaintEvent* /*event*/) {
    RefreshAndPaint();
    QPainter window(this);
    surface_.Present(window);
}

void PixelPane::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = surface_.LogicalPoint(event->position());
        PenDown(p.x(), p.y());
    }
}

void PixelPane::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        const QPoint p = surface_.LogicalPoint(event->position());
        PenMove(p.x(), p.y());
    }
}

void PixelPane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint p = surface_.LogicalPoint(event->position());
        PenUp(p.x(), p.y());
    }
}

}  // namespace moru
