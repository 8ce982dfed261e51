#pragma once
// A pixel-drawn widget: the base of the full-screen screens and of the panes inside them
// (the category lists, the agenda). It owns the one paint event and the back buffer, turns
// pointer events into pen events at logical points, and follows the window's scale.
//
// A subclass keeps its own state and supplies three things:
//   Refresh()  reads what it shows (store, memo folder, clock) into that state. The pane
//              calls it before the next paint, and only after RequestRefresh() said that
//              something changed (or the subclass's RefreshPending() says so);
//   Paint()    draws the back buffer from the state alone (no store, file or clock reads),
//              usually by computing a small layout value first;
//   the pen handlers, which hit-test against the same layout value.
#include <QWidget>

#include "platform/qt/pixel_surface.h"

namespace moru {

class PixelPane : public QWidget {
    Q_OBJECT

public:
    PixelPane(QSize logicalSize, QWidget* parent);

    // The back buffer as last painted: what tests read pixels from.
    const QImage& backBuffer() const { return surface_.lastImage(); }
    // Refreshes when asked to, then paints into the back buffer, without waiting for the
    // window (tests, benchmarks).
    void PaintNow();

    void SetScale(int scale);
    int scale() const { return surface_.scale(); }
    // Places the pane at a logical position of its parent, at the current scale.
    void PlaceAt(QPoint logicalTopLeft);

    // Asks for a Refresh() before the next paint.
    void RequestRefresh() { refreshPending_ = true; }

protected:
    virtual bool RefreshPending() const { return refreshPending_; }
    virtual void Refresh() {}
    virtual void Paint(QPainter& painter) = 0;
    virtual void PenDown(int x, int y);
    virtual void PenMove(int x, int y);
    virtual void PenUp(int x, int y);

    // The back buffer, created white on first use (for subclasses that draw outside Paint).
    QImage& buffer() { return surface_.image(); }
    PixelSurface& surface() { return surface_; }

    // Invalidate without erasing, in logical pixels.
    void Invalidate();
    void Invalidate(const DeviceRect& logicalRect);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void RefreshAndPaint();

    PixelSurface surface_;
    QPoint logicalTopLeft_;
    bool refreshPending_ = true;  // the first paint reads what the pane shows
};

}  // namespace moru
