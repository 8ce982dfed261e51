// The pieces every screen shares (the tab bar and its highlighted tabs) and the month
// calendar's fixed pictures: the weekday header, the marker legend, the empty marker boxes
// under each day and the today button.
#include <QFontMetrics>
#include <QString>
#include <array>

#include "tools/gen_bitmaps/art_kit.h"
#include "tools/gen_bitmaps/catalogue.h"
#include "tools/gen_bitmaps/pictograms.h"

namespace moru::art {
namespace {

// Tab bar: four tabs of 60 x 26, a pictogram and a one-word label each.
constexpr int kTabWidth = 60;
constexpr int kTabHeight = 26;
constexpr int kTabGlyphTop = 6;  // the 16 x 16 pictogram's top within a tab
constexpr int kTabGlyphGap = 3;  // between the pictogram and the label
constexpr int kTabGlyphSize = 16;
using Glyph = void (*)(QPainter&, QPoint, const QColor&, const QColor&);
constexpr std::array<Glyph, 4> kTabGlyphs = {ClockGlyph, ListGlyph, CalendarGlyph, GearGlyph};
const std::array<QString, 4> kTabLabels = {QStringLiteral("Clock"), QStringLiteral("List"),
                                           QStringLiteral("Month"), QStringLiteral("Tools")};

// Month grid geometry the header and strip line up with: 33-pixel columns from x 4, whose
// black lines run at x 4, 37, ..., 235.
constexpr int kGridLeft = 4;
constexpr int kCellWidth = 33;
constexpr int kGridRight = kGridLeft + 7 * kCellWidth - 1;  // 235, the last column line
const QColor kGridLine{0, 0, 0};

// Cell strip: five boxes sharing walls every 6 pixels; each box's 5 x 4 inside is exactly
// where the grid paints a marker (cell left + 2 + 6k, bottom - 4). The sixth row is the
// box bottom; the grid's own line takes its place on screen, since only five rows are drawn.
constexpr int kStripBoxes = 5;
constexpr int kStripPitch = 6;

void DrawTab(QPainter& painter, int index, bool highlighted) {
    const int x = index * kTabWidth;
    const QColor ink = highlighted ? kWhite : kInk;
    const QColor paper = highlighted ? kAccent : kFace;
    if (highlighted) {
        Fill(painter, x, 0, x + kTabWidth - 1, kTabHeight - 1, kAccent);
        Fill(painter, x, 0, x + kTabWidth - 1, 0, kAccentDeep);
    }
    // The pictogram and label are centred together, so short and long labels balance.
    const QFont font = ArtFont(Face::Sans, 11, Weight::Bold);
    const int labelWidth = QFontMetrics(font).horizontalAdvance(kTabLabels[index]);
    const int left = x + (kTabWidth - kTabGlyphSize - kTabGlyphGap - labelWidth) / 2;
    kTabGlyphs[index](painter, QPoint(left, kTabGlyphTop), ink, paper);
    const int labelLeft = left + kTabGlyphSize + kTabGlyphGap;
    Text(painter, QRect(labelLeft, 0, x + kTabWidth - labelLeft, kTabHeight), kTabLabels[index],
         font, ink, Qt::AlignLeft | Qt::AlignVCenter);
}

QImage TabBar() {
    QImage image = NewCanvas(4 * kTabWidth, kTabHeight, kFace);
    CrispPainter painter(&image);
    Fill(painter, 0, 0, LogicalWidth(image) - 1, 0, kEdge);  // the bar's top edge
    for (int tab = 0; tab < 4; ++tab) {
        if (tab > 0) {
            // An etched separator: a grey line with white beside it.
            Fill(painter, tab * kTabWidth - 1, 5, tab * kTabWidth - 1, 20, kEdge);
            Fill(painter, tab * kTabWidth, 5, tab * kTabWidth, 20, kWhite);
        }
        DrawTab(painter, tab, false);
    }
    return image;
}

// One highlighted tab, drawn in place on a whole bar and cut out, so that it lines up with
// the bar to the pixel.
QImage HighlightedTab(int index) {
    QImage bar = TabBar();
    {
        CrispPainter painter(&bar);
        DrawTab(painter, index, true);
    }
    return CopyLogical(bar, QRect(index * kTabWidth, 0, kTabWidth, kTabHeight));
}

QImage WeekdayHeader() {
    QImage image = NewCanvas(240, 16);
    CrispPainter painter(&image);
    const std::array<QString, 7> names = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    Fill(painter, kGridLeft, 0, kGridRight, 14, kFace);
    for (int day = 0; day < 7; ++day) {
        const int left = kGridLeft + day * kCellWidth;
        const QColor color = day == 0 ? kSunday : (day == 6 ? kSaturday : kInk);
        Text(painter, QRect(left + 1, 0, kCellWidth - 1, 15), names[day],
             ArtFont(Face::Sans, 11, Weight::Bold), color);
    }
    // The column lines and the bottom line close the grid, which draws no top edge itself.
    for (int line = 0; line <= 7; ++line) {
        Fill(painter, kGridLeft + line * kCellWidth, 0, kGridLeft + line * kCellWidth, 15,
             kGridLine);
    }
    Fill(painter, kGridLeft, 15, kGridRight, 15, kGridLine);
    return image;
}

// One empty marker box whose inside (5 x 4) starts at (x + 1, y + 1).
void MarkerBox(QPainter& painter, int x, int y, const QColor& inside) {
    Frame(painter, x, y, x + kStripPitch, y + 5, kBoxLine);
    Fill(painter, x + 1, y + 1, x + 5, y + 4, inside);
}

QImage Legend() {
    QImage image = NewCanvas(240, 26);
    CrispPainter painter(&image);
    const std::array<QString, 5> names = {"Alarm", "Holiday", "Anniversary", "Appointment", "Memo"};
    // Two rows of up to three entries, on the grid's column rhythm (every 77 pixels from x 6).
    constexpr int kColumnLeft = 8;
    constexpr int kColumnWidth = 78;
    constexpr int kRowTop[2] = {2, 14};
    for (int kind = 0; kind < 5; ++kind) {
        const int x = kColumnLeft + (kind % 3) * kColumnWidth;
        const int y = kRowTop[kind / 3];
        MarkerBox(painter, x, y + 2, kMarker[kind]);
        Text(painter, QRect(x + 10, y - 1, kColumnWidth - 10, 12), names[kind],
             ArtFont(Face::Sans, 11, Weight::Regular), kInk, Qt::AlignLeft | Qt::AlignVCenter);
    }
    return image;
}

QImage CellStrip() {
    QImage image = NewCanvas(32, 6);
    CrispPainter painter(&image);
    for (int box = 0; box < kStripBoxes; ++box) {
        MarkerBox(painter, box * kStripPitch, 0, kWhite);
    }
    return image;
}

// A page with a header band and one day picked out: "back to today".
void TodayContent(QPainter& painter, const QRect& box, const QColor& ink, const QColor& paper) {
    const int x = box.left() + 5;
    const int y = box.top() + 5;
    Fill(painter, x, y + 1, x + 15, y + 15, ink);
    Fill(painter, x + 1, y + 5, x + 14, y + 14, paper);
    Fill(painter, x + 4, y, x + 4, y + 2, ink);
    Fill(painter, x + 11, y, x + 11, y + 2, ink);
    Fill(painter, x + 4, y + 2, x + 4, y + 3, paper);
    Fill(painter, x + 11, y + 2, x + 11, y + 3, paper);
    const QColor today = paper == kAccent ? kWhite : kSunday;
    Fill(painter, x + 5, y + 7, x + 10, y + 12, today);
}

QImage TodayButton() {
    QImage image = NewCanvas(52, 26);
    CrispPainter painter(&image);
    Button(painter, QRect(0, 0, 26, 26), ButtonLook::Normal, TodayContent);
    Button(painter, QRect(26, 0, 26, 26), ButtonLook::Pressed, TodayContent);
    return image;
}

}  // namespace

std::vector<BitmapArt> ScreenArt() {
    return {
        {139, {240, 26}, TabBar},
        {144, {60, 26}, [] { return HighlightedTab(0); }},
        {140, {60, 26}, [] { return HighlightedTab(1); }},
        {141, {60, 26}, [] { return HighlightedTab(2); }},
        {142, {60, 26}, [] { return HighlightedTab(3); }},
        {147, {240, 16}, WeekdayHeader},
        {148, {240, 26}, Legend},
        {150, {32, 6}, CellStrip},
        {156, {52, 26}, TodayButton},
    };
}

}  // namespace moru::art
