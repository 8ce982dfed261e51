#pragma once
// Drawing with the device's conventions on a QPainter over a screen's back buffer:
// rectangles are (left, top, right, bottom) with right and bottom exclusive, lines leave out
// their last pixel, text is placed with the DT_* flag meanings, and masked bitmaps are put
// down with AND then OR. Every screen draws through these so that all agree to the pixel.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QString>
#include <optional>

#include "platform/device_rect.h"

namespace moru::gdi {

// Text placement flags, with the device's values.
inline constexpr unsigned DT_LEFT = 0x000;
inline constexpr unsigned DT_CENTER = 0x001;
inline constexpr unsigned DT_RIGHT = 0x002;
inline constexpr unsigned DT_VCENTER = 0x004;
inline constexpr unsigned DT_BOTTOM = 0x008;
inline constexpr unsigned DT_SINGLELINE = 0x020;
inline constexpr unsigned DT_NOPREFIX = 0x800;

// The same pixels as a QRect, for Qt calls (widget geometry, update regions).
constexpr QRect ToQRect(const DeviceRect& rect) {
    return {rect.left, rect.top, rect.width(), rect.height()};
}

void FillRect(QPainter& painter, const DeviceRect& rect, const QColor& color);
// A solid pen line from `from` towards `to`, leaving out the last pixel.
void Line(QPainter& painter, QPoint from, QPoint to, const QColor& color, int width = 1);

// Draws text in `rect` with the DT_* flags. Without
// DT_SINGLELINE the text starts at the rectangle's top and wraps at its width. With a
// background colour the text's box is filled first (opaque mode); without, it is transparent.
void DrawText(QPainter& painter, const QString& text, const DeviceRect& rect, unsigned flags,
              const QFont& font, const QColor& textColor,
              std::optional<QColor> background = std::nullopt);

// Copies `source` (a part of `image`, in the image's logical pixels) to `dest`. An image
// drawn at a higher resolution (device pixel ratio 2 or 3) keeps its sharpness on a scaled
// back buffer and covers the same logical pixels.
void Blit(QPainter& painter, QPoint dest, const QImage& image, const DeviceRect& source);
// Puts down a masked image: the mask ANDed onto the target (black keeps the image's place,
// white keeps the target), then the image ORed on top.
void BlitMasked(QPainter& painter, QPoint dest, const QImage& mask, const QImage& image,
                const DeviceRect& source);

// A font as the device makes it: height in pixels; a non-zero width narrows or widens the
// face so that its average character width is `width` pixels.
QFont MakeFont(const QString& face, int weight, int pixelHeight, int width = 0);

// The pixel height of a font of `points` on a screen of `dotsPerInch`: -(points x dpi) / 72,
// truncated toward zero (the device's negative logical height).
int LogicalFontHeight(int points, int dotsPerInch = 96);

}  // namespace moru::gdi
