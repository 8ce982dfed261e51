#include "platform/qt/drawing.h"

#include <QFontMetrics>

namespace moru::gdi {

void FillRect(QPainter& painter, const DeviceRect& rect, const QColor& color) {
    if (!rect.empty()) {
        painter.fillRect(ToQRect(rect), color);
    }
}

void Line(QPainter& painter, QPoint from, QPoint to, const QColor& color, int width) {
    if (from == to) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (width <= 1 && (from.x() == to.x() || from.y() == to.y())) {
        // Axis-parallel one-pixel lines, by far the most common, are exact rectangles.
        const int dx = to.x() > from.x() ? 1 : (to.x() < from.x() ? -1 : 0);
        const int dy = to.y() > from.y() ? 1 : (to.y() < from.y() ? -1 : 0);
        const QPoint last = to - QPoint(dx, dy);
        painter.fillRect(QRect(from, last).normalized(), color);
    } else {
        QPen pen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        painter.setPen(pen);
        // Stop one step short of `to` along the major axis, as the device's line does.
        const QPointF delta = to - from;
        const double steps = std::max(std::abs(delta.x()), std::abs(delta.y()));
        const QPointF end = QPointF(from) + delta * ((steps - 1.0) / steps);
        painter.drawLine(QPointF(from), end);
    }
    painter.restore();
}

void DrawText(QPainter& painter, const QString& text, const DeviceRect& deviceRect, unsigned flags,
              const QFont& font, const QColor& textColor, std::optional<QColor> background) {
    const QRect rect = ToQRect(deviceRect);
    painter.save();
    painter.setFont(font);
    painter.setPen(textColor);
    int align = 0;
    if (flags & DT_CENTER) {
        align |= Qt::AlignHCenter;
    } else if (flags & DT_RIGHT) {
        align |= Qt::AlignRight;
    } else {
        align |= Qt::AlignLeft;
    }
    const bool singleLine = (flags & DT_SINGLELINE) != 0;
    if (singleLine && (flags & DT_VCENTER)) {
        align |= Qt::AlignVCenter;
    } else if (singleLine && (flags & DT_BOTTOM)) {
        align |= Qt::AlignBottom;
    } else {
        align |= Qt::AlignTop;
    }
    if (!singleLine) {
        align |= Qt::TextWordWrap;
    }
    QString shown = text;
    if (!(flags & DT_NOPREFIX)) {
        // '&' marks a mnemonic on the device: hidden, and "&&" stands for one '&'.
        shown.replace(QLatin1String("&&"), QString(QChar(0xFFFF)));
        shown.remove(QLatin1Char('&'));
        shown.replace(QChar(0xFFFF), QLatin1Char('&'));
    }
    if (background) {
        const QRect box = painter.boundingRect(rect, align, shown);
        painter.fillRect(box.intersected(rect), *background);
    }
    painter.drawText(rect, align, shown);
    painter.restore();
}

namespace {

// Where `source` (logical pixels of the image) lands on the target, and which of the image's
// own pixels it covers: an image drawn at ratio r holds r x r pixels per logical pixel.
struct BlitGeometry {
    QRectF target;
    QRectF source;
};

BlitGeometry GeometryOf(QPoint dest, const QImage& image, const DeviceRect& source) {
    const qreal ratio = image.devicePixelRatio();
    return {QRectF(dest.x(), dest.y(), source.width(), source.height()),
            QRectF(source.left * ratio, source.top * ratio, source.width() * ratio,
                   source.height() * ratio)};
}

}  // namespace

void Blit(QPainter& painter, QPoint dest, const QImage& image, const DeviceRect& source) {
    if (image.isNull() || source.empty()) {
        return;
    }
    const BlitGeometry g = GeometryOf(dest, image, source);
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(g.target, image, g.source);
    painter.restore();
}

void BlitMasked(QPainter& painter, QPoint dest, const QImage& mask, const QImage& image,
                const DeviceRect& source) {
    if (mask.isNull() || image.isNull() || source.empty()) {
        return;
    }
    const BlitGeometry g = GeometryOf(dest, image, source);
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    painter.drawImage(g.target, mask.convertToFormat(QImage::Format_RGB32), g.source);
    painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    painter.drawImage(g.target, image.convertToFormat(QImage::Format_RGB32), g.source);
    painter.restore();
}

QFont MakeFont(const QString& face, int weight, int pixelHeight, int width) {
    QFont font(face);
    font.setPixelSize(std::max(1, std::abs(pixelHeight)));
    font.setWeight(weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setStyleStrategy(QFont::NoAntialias);
    if (width != 0) {
        const QFontMetrics metrics(font);
        const int natural = std::max(1, metrics.averageCharWidth());
        const int stretch = std::clamp(std::abs(width) * 100 / natural, 1, 4000);
        font.setStretch(stretch);
    }
    return font;
}

int LogicalFontHeight(int points, int dotsPerInch) {
    return -(points * dotsPerInch) / 72;
}

}  // namespace moru::gdi
