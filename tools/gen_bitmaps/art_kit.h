#pragma once
// The drawing kit shared by all of the program's artwork: one small palette, the bundled
// fonts at pixel sizes, and primitives that land on whole pixels. Straight lines and boxes
// are filled rectangles (never stroked, so nothing blurs); antialiasing is switched on only
// inside RoundPainter for circles and curves.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>

namespace moru::art {

// The palette. Screen colours that the artwork must agree with are repeated here on purpose
// (the selected row, Saturday's numbers, the marker colours), so that pictures and painted
// areas meet without a seam.
inline const QColor kWhite{255, 255, 255};
inline const QColor kInk{40, 40, 40};            // outlines and text
inline const QColor kFace{236, 236, 236};        // button and tab faces
inline const QColor kEdge{150, 150, 150};        // button borders, separators
inline const QColor kBoxLine{176, 176, 176};     // the empty marker boxes of a day cell
inline const QColor kAccent{0, 96, 191};         // highlighted tab, pressed button, selected row
inline const QColor kAccentSoft{70, 163, 250};   // the selected day; Saturday
inline const QColor kAccentDeep{38, 100, 180};   // the clock's hands and dial ring
inline const QColor kAccentPale{226, 238, 251};  // quiet fills behind blue artwork
inline const QColor kDisabled{170, 170, 170};    // a control that is switched off
inline const QColor kSunday{255, 0, 0};
inline const QColor kSaturday = kAccentSoft;
inline const QColor kGold{240, 176, 0};    // the reminder bell
inline const QColor kGreen{0, 150, 60};    // the recurrence arrows, play
inline const QColor kDanger{210, 30, 30};  // delete, stop

// The five day-cell marker colours, in item-kind order (alarm, holiday, anniversary,
// appointment, memo); the month grid fills its markers with exactly these.
inline const QColor kMarker[5] = {
    {0, 0, 255}, {255, 0, 0}, {255, 0, 255}, {255, 255, 0}, {0, 255, 0}};

enum class Face { Sans, Comic };  // Liberation Sans stands for Arial, Comic Neue for Comic
enum class Weight { Regular, Bold };

// A font at an exact pixel size, without antialiasing, like the fonts the screens draw with.
QFont ArtFont(Face face, int pixelSize, Weight weight);

// The resolution the artwork is drawn at: 1 for the screens' own pixels, 2 and 3 for windows
// shown at those scales. Every canvas is made at this device pixel ratio, so the drawing code
// works in the bitmap's logical pixels at any ratio.
int ArtRatio();
void SetArtRatio(int ratio);

// A white (or `fill`) RGB canvas of the given logical size, at the art ratio.
QImage NewCanvas(int width, int height, const QColor& fill = kWhite);
// A canvas's width in logical pixels.
int LogicalWidth(const QImage& image);
// The part of a canvas under a logical rectangle, at the canvas's ratio.
QImage CopyLogical(const QImage& image, const QRect& logical);

// A painter with antialiasing off and text antialiasing off.
class CrispPainter : public QPainter {
public:
    explicit CrispPainter(QImage* image);
};

// Switches antialiasing on for the painter's lifetime, for circles and curves.
class RoundPainter {
public:
    explicit RoundPainter(QPainter& painter);
    ~RoundPainter();
    RoundPainter(const RoundPainter&) = delete;
    RoundPainter& operator=(const RoundPainter&) = delete;

private:
    QPainter& painter_;
};

// Rectangles here are inclusive of their last row and column, as one reads pixel art.
void Fill(QPainter& painter, int x0, int y0, int x1, int y1, const QColor& color);
void Frame(QPainter& painter, int x0, int y0, int x1, int y1, const QColor& color);
// A frame with its four corner pixels left out: a one-pixel rounded box.
void SoftFrame(QPainter& painter, int x0, int y0, int x1, int y1, const QColor& color);

// Single-line text in `box` with Qt alignment flags.
void Text(QPainter& painter, const QRect& box, const QString& text, const QFont& font,
          const QColor& color, int align = Qt::AlignCenter);

// An antialiased rounded rectangle whose stroke lies on whole pixels: `box` is the pixel
// rectangle the stroke's outside edge covers.
void RoundBox(QPainter& painter, const QRect& box, double radius, double penWidth,
              const QColor& pen, const QColor& fill);

// A solid triangle drawn from pixel rows, pointing left or right, with its point at `tip`
// and `half` rows above and below it.
enum class Pointing { Left, Right };
void Arrowhead(QPainter& painter, QPoint tip, int half, Pointing pointing, const QColor& color);

// A push button's two looks share one frame: normal (light face, grey border) and pressed
// (blue face, moved one pixel down and right). `drawContent` paints the picture inside `box`
// in the given ink on the given paper.
enum class ButtonLook { Normal, Pressed };
using ContentPainter =
    std::function<void(QPainter&, const QRect& box, const QColor& ink, const QColor& paper)>;
void Button(QPainter& painter, const QRect& box, ButtonLook look, const ContentPainter& content);

// A masked icon for AND-then-OR blitting. The icon is drawn (antialiased where it wants) on
// a transparent cell; every touched pixel and a one-pixel white halo around it become the
// icon, so it stays readable on both the white and the blue row backgrounds. The image is
// black outside the icon and the mask is black exactly where the icon is.
struct MaskedIcon {
    QImage image;
    QImage mask;
};
MaskedIcon MakeMaskedIcon(QSize size, const std::function<void(QPainter&)>& draw);

}  // namespace moru::art
