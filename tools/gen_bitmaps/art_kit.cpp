#include "tools/gen_bitmaps/art_kit.h"

#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <vector>

namespace moru::art {

QFont ArtFont(Face face, int pixelSize, Weight weight) {
    QFont font(face == Face::Comic ? QStringLiteral("Comic Neue")
                                   : QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixelSize);
    font.setWeight(weight == Weight::Bold ? QFont::Bold : QFont::Normal);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoFontMerging));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

namespace {

int artRatio = 1;

}  // namespace

int ArtRatio() {
    return artRatio;
}

void SetArtRatio(int ratio) {
    artRatio = std::max(1, ratio);
}

QImage NewCanvas(int width, int height, const QColor& fill) {
    QImage image(width * artRatio, height * artRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(artRatio);
    image.fill(fill);
    return image;
}

int LogicalWidth(const QImage& image) {
    return static_cast<int>(image.deviceIndependentSize().width());
}

QImage CopyLogical(const QImage& image, const QRect& logical) {
    const int r = static_cast<int>(image.devicePixelRatio());
    QImage part =
        image.copy(logical.x() * r, logical.y() * r, logical.width() * r, logical.height() * r);
    part.setDevicePixelRatio(r);
    return part;
}

CrispPainter::CrispPainter(QImage* image) : QPainter(image) {
    setRenderHint(QPainter::Antialiasing, false);
    setRenderHint(QPainter::TextAntialiasing, false);
}

RoundPainter::RoundPainter(QPainter& painter) : painter_(painter) {
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, true);
}

RoundPainter::~RoundPainter() {
    painter_.restore();
}

void Fill(QPainter& painter, int x0, int y0, int x1, int y1, const QColor& color) {
    if (x1 >= x0 && y1 >= y0) {
        painter.fillRect(QRect(x0, y0, x1 - x0 + 1, y1 - y0 + 1), color);
    }
}

void Frame(QPainter& painter, int x0, int y0, int x1, int y1, const QColor& color) {
    Fill(painter, x0, y0, x1, y0, color);
    Fill(painter, x0, y1, x1, y1, color);
    Fill(painter, x0, y0, x0, y1, color);
    Fill(painter, x1, y0, x1, y1, color);
}

void SoftFrame(QPainter& painter, int x0, int y0, int x1, int y1, const QColor& color) {
    Fill(painter, x0 + 1, y0, x1 - 1, y0, color);
    Fill(painter, x0 + 1, y1, x1 - 1, y1, color);
    Fill(painter, x0, y0 + 1, x0, y1 - 1, color);
    Fill(painter, x1, y0 + 1, x1, y1 - 1, color);
}

void Text(QPainter& painter, const QRect& box, const QString& text, const QFont& font,
          const QColor& color, int align) {
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(box, align | Qt::TextSingleLine, text);
    painter.restore();
}

void RoundBox(QPainter& painter, const QRect& box, double radius, double penWidth,
              const QColor& pen, const QColor& fill) {
    RoundPainter round(painter);
    // Inset by half the pen so that the stroke's outside edge meets the box's outside edge.
    const double inset = penWidth / 2.0;
    const QRectF path(box.x() + inset, box.y() + inset, box.width() - penWidth,
                      box.height() - penWidth);
    painter.setPen(penWidth > 0 ? QPen(pen, penWidth) : QPen(Qt::NoPen));
    painter.setBrush(fill);
    painter.drawRoundedRect(path, radius, radius);
}

void Arrowhead(QPainter& painter, QPoint tip, int half, Pointing pointing, const QColor& color) {
    // Each row away from the tip starts one pixel further back, giving a clean 45-degree
    // edge; all rows end on the same column, the arrow's flat back.
    for (int row = -half; row <= half; ++row) {
        const int away = std::abs(row);
        if (pointing == Pointing::Left) {
            Fill(painter, tip.x() + away, tip.y() + row, tip.x() + half, tip.y() + row, color);
        } else {
            Fill(painter, tip.x() - half, tip.y() + row, tip.x() - away, tip.y() + row, color);
        }
    }
}

void Button(QPainter& painter, const QRect& box, ButtonLook look, const ContentPainter& content) {
    if (look == ButtonLook::Normal) {
        Fill(painter, box.left() + 1, box.top() + 1, box.right() - 1, box.bottom() - 1, kFace);
        SoftFrame(painter, box.left(), box.top(), box.right(), box.bottom(), kEdge);
        // A white inner top-left edge and a darker bottom line lift the face off the screen.
        Fill(painter, box.left() + 1, box.top() + 1, box.right() - 1, box.top() + 1, kWhite);
        Fill(painter, box.left() + 1, box.bottom() - 1, box.right() - 1, box.bottom() - 1,
             QColor(214, 214, 214));
        content(painter, box, kInk, kFace);
    } else {
        Fill(painter, box.left() + 1, box.top() + 1, box.right() - 1, box.bottom() - 1, kAccent);
        SoftFrame(painter, box.left(), box.top(), box.right(), box.bottom(), kAccentDeep);
        content(painter, box.translated(1, 1), kWhite, kAccent);
    }
}

MaskedIcon MakeMaskedIcon(QSize size, const std::function<void(QPainter&)>& draw) {
    // The coverage, the halo and the mask are worked out on the canvas's own pixels.
    const QSize pixels = size * artRatio;
    QImage cell(pixels, QImage::Format_ARGB32_Premultiplied);
    cell.setDevicePixelRatio(artRatio);
    cell.fill(Qt::transparent);
    {
        QPainter painter(&cell);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        draw(painter);
    }
    const int w = pixels.width();
    const int h = pixels.height();
    // Pixels touched only faintly by antialiasing are left to the halo, so that the mask
    // never cuts a hole for a pixel that carries almost none of the icon.
    constexpr int kCoverageAlpha = 48;
    std::vector<char> covered(static_cast<size_t>(w * h), 0);
    auto at = [w](int x, int y) {
        return static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            covered[at(x, y)] = qAlpha(cell.pixel(x, y)) >= kCoverageAlpha;
        }
    }
    auto isCovered = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && covered[at(x, y)];
    };
    MaskedIcon icon{QImage(pixels, QImage::Format_RGB32), QImage(pixels, QImage::Format_RGB32)};
    icon.image.setDevicePixelRatio(artRatio);
    icon.mask.setDevicePixelRatio(artRatio);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bool halo = false;
            for (int dy = -1; dy <= 1 && !halo; ++dy) {
                for (int dx = -1; dx <= 1 && !halo; ++dx) {
                    halo = isCovered(x + dx, y + dy);
                }
            }
            if (isCovered(x, y)) {
                // Composite the icon's pixel over white: the halo colour it will sit in.
                const QRgb p = cell.pixel(x, y);
                const int a = qAlpha(p);
                auto over = [a](int c) { return c + (255 - a); };
                icon.image.setPixel(x, y, qRgb(over(qRed(p)), over(qGreen(p)), over(qBlue(p))));
                icon.mask.setPixel(x, y, qRgb(0, 0, 0));
            } else if (halo) {
                icon.image.setPixel(x, y, qRgb(255, 255, 255));
                icon.mask.setPixel(x, y, qRgb(0, 0, 0));
            } else {
                icon.image.setPixel(x, y, qRgb(0, 0, 0));
                icon.mask.setPixel(x, y, qRgb(255, 255, 255));
            }
        }
    }
    return icon;
}

}  // namespace moru::art
