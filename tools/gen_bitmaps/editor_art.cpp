// The editors' pictures: the appointment editor's play and stop icons, the recurrence
// editor's tab strips and weekday toggles, and the memo editor's two toolbar images.
#include <QFontMetrics>
#include <QPainterPath>
#include <QPolygonF>
#include <array>

#include "tools/gen_bitmaps/art_kit.h"
#include "tools/gen_bitmaps/catalogue.h"
#include "tools/gen_bitmaps/pictograms.h"

namespace moru::art {
namespace {

// Sound icons: 16 x 16, the live look on the left and the switched-off (grey) look on the
// right, shown when "Sound off" is chosen.
constexpr int kSoundIcon = 16;

// Recurrence tab strip: four 60 x 24 tabs; the editor finds a tap by these same columns.
constexpr int kStripTabWidth = 60;
constexpr int kStripHeight = 24;
enum RecurrenceTab { kDaily, kWeekly, kMonthly, kYearly };

// Weekday toggles: 24 x 24, numbered by weekday from Sunday.
constexpr int kToggleSize = 24;
constexpr std::array<int, 7> kToggleOff = {236, 254, 263, 264, 265, 266, 255};
constexpr std::array<int, 7> kToggleOn = {270, 268, 272, 273, 271, 267, 269};

void PlayShape(QPainter& painter, int left, const QColor& color) {
    RoundPainter round(painter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(QPolygonF() << QPointF(left + 4.0, 2.5) << QPointF(left + 4.0, 13.5)
                                    << QPointF(left + 13.0, 8.0));
}

void StopShape(QPainter& painter, int left, const QColor& color) {
    Fill(painter, left + 4, 4, left + 11, 11, color);
}

QImage SoundIcon(void (*shape)(QPainter&, int, const QColor&), const QColor& live) {
    QImage image = NewCanvas(2 * kSoundIcon, kSoundIcon);
    CrispPainter painter(&image);
    shape(painter, 0, live);
    shape(painter, kSoundIcon, kDisabled);
    return image;
}

QImage RecurrenceTabs(RecurrenceTab current) {
    const std::array<QString, 4> names = {"Daily", "Weekly", "Monthly", "Yearly"};
    QImage image = NewCanvas(4 * kStripTabWidth, kStripHeight, kFace);
    CrispPainter painter(&image);
    Fill(painter, 0, 0, LogicalWidth(image) - 1, 0, kEdge);
    for (int tab = 0; tab < 4; ++tab) {
        const int x = tab * kStripTabWidth;
        const bool on = tab == current;
        if (on) {
            Fill(painter, x, 0, x + kStripTabWidth - 1, kStripHeight - 1, kAccent);
        } else if (tab > 0 && tab != current + 1) {
            Fill(painter, x - 1, 5, x - 1, 18, kEdge);
            Fill(painter, x, 5, x, 18, kWhite);
        }
        Text(painter, QRect(x, 0, kStripTabWidth, kStripHeight - 1), names[tab],
             ArtFont(Face::Sans, 12, Weight::Bold), on ? kWhite : kInk);
    }
    // The strip's foot joins the current tab to the page below it.
    Fill(painter, 0, kStripHeight - 1, LogicalWidth(image) - 1, kStripHeight - 1, kAccent);
    return image;
}

QImage WeekdayToggle(int day, bool selected) {
    const std::array<QString, 7> names = {"Su", "Mo", "Tu", "We", "Th", "Fr", "Sa"};
    QImage image = NewCanvas(kToggleSize, kToggleSize);
    CrispPainter painter(&image);
    const int last = kToggleSize - 1;
    QColor text = day == 0 ? kSunday : (day == 6 ? kSaturday : kInk);
    if (selected) {
        Fill(painter, 1, 1, last - 1, last - 1, kAccent);
        SoftFrame(painter, 0, 0, last, last, kAccentDeep);
        text = kWhite;
    } else {
        SoftFrame(painter, 0, 0, last, last, kEdge);
        Fill(painter, 1, last - 1, last - 1, last - 1, QColor(214, 214, 214));
    }
    Text(painter, QRect(0, 0, kToggleSize, kToggleSize), names[day],
         ArtFont(Face::Sans, 12, Weight::Bold), text);
    return image;
}

QImage MemoToolbar() {
    QImage image = NewCanvas(32, 16);
    CrispPainter painter(&image);
    KeyboardGlyph(painter, QPoint(0, 0), kInk, kWhite);
    PenGlyph(painter, QPoint(16, 0), kInk, kWhite);
    return image;
}

}  // namespace

std::vector<BitmapArt> EditorArt() {
    std::vector<BitmapArt> art = {
        {214, {32, 16}, [] { return SoundIcon(StopShape, kDanger); }},
        {215, {32, 16}, [] { return SoundIcon(PlayShape, kGreen); }},
        {166, {240, 24}, [] { return RecurrenceTabs(kDaily); }},
        {164, {240, 24}, [] { return RecurrenceTabs(kWeekly); }},
        {165, {240, 24}, [] { return RecurrenceTabs(kMonthly); }},
        {163, {240, 24}, [] { return RecurrenceTabs(kYearly); }},
        {203, {32, 16}, MemoToolbar},
    };
    for (int day = 0; day < 7; ++day) {
        art.push_back({kToggleOff[day], {kToggleSize, kToggleSize}, [day] {
                           return WeekdayToggle(day, false);
                       }});
        art.push_back({kToggleOn[day], {kToggleSize, kToggleSize}, [day] {
                           return WeekdayToggle(day, true);
                       }});
    }
    return art;
}

}  // namespace moru::art
