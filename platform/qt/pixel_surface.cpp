#include "platform/qt/pixel_surface.h"

#include <algorithm>
#include <cmath>

namespace moru {
namespace {

int windowScale = 1;

}  // namespace

PixelSurface::PixelSurface(QSize logicalSize) : logicalSize_(logicalSize) {}

void PixelSurface::SetScale(int scale) {
    scale = std::max(1, scale);
    if (scale != scale_) {
        scale_ = scale;
        image_ = QImage();
    }
}

QImage& PixelSurface::image() {
    if (image_.isNull()) {
        image_ = QImage(logicalSize_ * scale_, QImage::Format_RGB32);
        image_.setDevicePixelRatio(scale_);
        image_.fill(Qt::white);
    }
    return image_;
}

QPoint PixelSurface::LogicalPoint(const QPointF& widgetPoint) const {
    // Floor, not truncation: a point just left of or above the window stays outside it.
    return {static_cast<int>(std::floor(widgetPoint.x() / scale_)),
            static_cast<int>(std::floor(widgetPoint.y() / scale_))};
}

QRect PixelSurface::WidgetRect(const DeviceRect& logical) const {
    return {logical.left * scale_, logical.top * scale_, logical.width() * scale_,
            logical.height() * scale_};
}

QRect PixelSurface::WidgetRect(const QRect& logical) const {
    return {logical.topLeft() * scale_, logical.size() * scale_};
}

void PixelSurface::Present(QPainter& window) {
    // The target is given in window pixels, which the buffer holds one to one at any scale.
    window.drawImage(QRect(QPoint(0, 0), widgetSize()), image());
}

int WindowScale() {
    return windowScale;
}

void SetWindowScale(int scale) {
    windowScale = std::max(1, scale);
}

}  // namespace moru
