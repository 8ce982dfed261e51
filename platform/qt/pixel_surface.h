#pragma once
// The back buffer of a pixel-drawn screen, pane or dialog. Everything is drawn into it in the
// logical pixels of the 240-pixel-wide design; the window shows it at an integer scale.
//
// At scale 1 the buffer is exactly the logical picture (one image pixel per logical pixel),
// which is what tests read. At a larger scale the buffer is made at that device pixel ratio:
// a painter on it still works in logical pixels, but text, lines and fills are rasterised at
// full resolution instead of enlarging a small picture pixel by pixel, and bitmaps drawn at
// that ratio keep their detail. Presenting copies the finished buffer to the window in one
// transfer, so the user never sees a half-drawn picture.
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

#include "platform/device_rect.h"

namespace moru {

class PixelSurface {
public:
    explicit PixelSurface(QSize logicalSize);

    QSize logicalSize() const { return logicalSize_; }
    // The window's size for this surface at the current scale.
    QSize widgetSize() const { return logicalSize_ * scale_; }

    // A new scale drops the buffer; the next image() makes a fresh one (white).
    void SetScale(int scale);
    int scale() const { return scale_; }

    // The buffer, made white on first use and kept for the owner's life.
    QImage& image();
    // The buffer as last painted; a null image before the first paint.
    const QImage& lastImage() const { return image_; }
    bool created() const { return !image_.isNull(); }

    // The logical point of a pointer event at `widgetPoint` (window pixels).
    QPoint LogicalPoint(const QPointF& widgetPoint) const;
    // The window pixels a logical rectangle covers (for update regions and child controls).
    QRect WidgetRect(const DeviceRect& logical) const;
    QRect WidgetRect(const QRect& logical) const;

    // Copies the whole buffer to the window at its origin, in one transfer.
    void Present(QPainter& window);

private:
    QSize logicalSize_;
    int scale_ = 1;
    QImage image_;
};

// The scale of the calendar's window, for dialogs that open over it: set by the main frame
// whenever it changes the scale, 1 until then.
int WindowScale();
void SetWindowScale(int scale);

}  // namespace moru
