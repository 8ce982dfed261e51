// The bitmaps compiled into the calendar: each at the size its screen copies from, and the
// few pixel facts the screens rely on (mask polarity, marker boxes where the markers land,
// weekday colours, a dial clear of the hands).
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QRect>
#include <array>
#include <cmath>
#include <functional>
#include <utility>

#include "resources/bitmaps.h"

// Pulls the resource object out of the static library; without a reference the linker
// would leave it behind and every Bitmap() would be null. (Q_INIT_RESOURCE must be used
// outside any namespace.)
static void LinkResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace {

struct Expected {
    int id;
    int width;
    int height;
};

std::ostream& operator<<(std::ostream& out, const Expected& e) {
    return out << e.id << " (" << e.width << "x" << e.height << ")";
}

// Sizes as the screens copy from them; sub-images lie side by side within these.
// clang-format off
constexpr Expected kBitmaps[] = {
    // Tab bar and highlighted tabs
    {139, 240, 26}, {144, 60, 26}, {140, 60, 26}, {141, 60, 26}, {142, 60, 26},
    // Month calendar
    {147, 240, 16}, {148, 240, 26}, {150, 32, 6}, {156, 52, 26},
    // Clock
    {145, 200, 200}, {153, 220, 180}, {154, 60, 30},
    // Schedule list: status icons over their masks, kind icons, new button, kind arrows
    {149, 96, 24}, {151, 125, 25}, {152, 52, 26}, {155, 32, 16},
    // Detail dialog buttons; the editor's stop and play icons
    {212, 40, 20}, {213, 40, 20}, {214, 32, 16}, {215, 32, 16},
    // Recurrence tab strips (yearly, weekly, monthly, daily)
    {163, 240, 24}, {164, 240, 24}, {165, 240, 24}, {166, 240, 24},
    // Weekday toggles, not selected then selected, Sunday to Saturday
    {236, 24, 24}, {254, 24, 24}, {263, 24, 24}, {264, 24, 24}, {265, 24, 24}, {266, 24, 24},
    {255, 24, 24}, {270, 24, 24}, {268, 24, 24}, {272, 24, 24}, {273, 24, 24}, {271, 24, 24},
    {267, 24, 24}, {269, 24, 24},
    // Memo toolbar: keyboard, pen
    {203, 32, 16},
};
// clang-format on

class BitmapSize : public testing::TestWithParam<Expected> {};

TEST_P(BitmapSize, IsCompiledInAtItsExactSize) {
    LinkResources();
    const Expected e = GetParam();
    const QImage& image = moru::Bitmap(e.id);
    ASSERT_FALSE(image.isNull()) << "bitmap " << e.id << " is missing from the resources";
    EXPECT_EQ(image.width(), e.width);
    EXPECT_EQ(image.height(), e.height);
}

INSTANTIATE_TEST_SUITE_P(AllBitmaps, BitmapSize, testing::ValuesIn(kBitmaps),
                         [](const testing::TestParamInfo<Expected>& param) {
                             return "Bitmap" + std::to_string(param.param.id);
                         });

bool IsWhite(QRgb pixel) {
    return (pixel & 0xFFFFFF) == 0xFFFFFF;
}

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(QColor)>& test) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += test(QColor(image.pixel(x, y))) ? 1 : 0;
        }
    }
    return count;
}

bool Reddish(QColor c) {
    return c.red() > 180 && c.green() < 90 && c.blue() < 90;
}
bool Bluish(QColor c) {
    return c.blue() > 180 && c.red() < 140 && c.blue() - c.red() > 80;
}

// The weekday header's labels sit over the grid's 33-pixel columns from x 4: Sunday's in
// red, Saturday's in blue, the others in neither.
TEST(WeekdayHeader, ColoursSundayRedAndSaturdayBlueInTheirColumns) {
    LinkResources();
    const QImage& header = moru::Bitmap(147);
    ASSERT_FALSE(header.isNull());
    auto column = [](int day) { return QRect(4 + 33 * day + 1, 0, 32, 15); };
    EXPECT_GT(CountPixels(header, column(0), Reddish), 10);
    EXPECT_GT(CountPixels(header, column(6), Bluish), 10);
    for (int day = 1; day <= 5; ++day) {
        EXPECT_EQ(CountPixels(header, column(day), Reddish), 0) << "day " << day;
        EXPECT_EQ(CountPixels(header, column(day), Bluish), 0) << "day " << day;
    }
}

// The grid paints each marker as a 5 x 4 block at cell left + 2 + 6k, bottom - 4, and puts
// the strip at (left + 1, top + 21): in strip pixels the markers cover x 1 + 6k .. 5 + 6k,
// y 1..4. The boxes must frame exactly those blocks and leave them white.
TEST(CellStrip, BoxesFrameTheMarkerPositions) {
    LinkResources();
    const QImage& strip = moru::Bitmap(150);
    ASSERT_FALSE(strip.isNull());
    for (int box = 0; box < 5; ++box) {
        const int left = 6 * box;
        for (int y = 0; y <= 4; ++y) {
            EXPECT_FALSE(IsWhite(strip.pixel(left, y))) << "left wall of box " << box;
            EXPECT_FALSE(IsWhite(strip.pixel(left + 6, y))) << "right wall of box " << box;
        }
        for (int x = left + 1; x <= left + 5; ++x) {
            EXPECT_FALSE(IsWhite(strip.pixel(x, 0))) << "top of box " << box;
            for (int y = 1; y <= 4; ++y) {
                EXPECT_TRUE(IsWhite(strip.pixel(x, y))) << "inside of box " << box;
            }
        }
    }
}

// The legend explains the markers, so it must show each marker colour itself.
TEST(Legend, ShowsEveryMarkerColour) {
    LinkResources();
    const QImage& legend = moru::Bitmap(148);
    ASSERT_FALSE(legend.isNull());
    const std::array<QColor, 5> markers = {QColor(0, 0, 255), QColor(255, 0, 0),
                                           QColor(255, 0, 255), QColor(255, 255, 0),
                                           QColor(0, 255, 0)};
    for (const QColor& marker : markers) {
        EXPECT_GE(CountPixels(legend, legend.rect(), [&](QColor c) { return c == marker; }), 20)
            << marker.name().toStdString();
    }
}

// A highlighted tab is laid over the bar's own 60-pixel segment; it must look clearly
// different there, or the current screen would not show.
TEST(TabBar, HighlightedTabsDifferFromTheBarBeneath) {
    LinkResources();
    const QImage& bar = moru::Bitmap(139);
    const std::array<int, 4> highlighted = {144, 140, 141, 142};
    for (int tab = 0; tab < 4; ++tab) {
        const QImage& image = moru::Bitmap(highlighted[tab]);
        ASSERT_FALSE(image.isNull());
        const QImage beneath = bar.copy(tab * 60, 0, 60, 26);
        int changed = 0;
        for (int y = 0; y < 26; ++y) {
            for (int x = 0; x < 60; ++x) {
                changed += image.pixel(x, y) != beneath.pixel(x, y) ? 1 : 0;
            }
        }
        EXPECT_GT(changed, 60 * 26 / 2) << "tab " << tab;
    }
}

// The hands are drawn over the dial from (100, 100), up to 60 pixels long: the dial must be
// plain there, apart from the hub at the centre.
TEST(ClockFace, LeavesTheHandsSweepPlain) {
    LinkResources();
    const QImage& face = moru::Bitmap(145);
    ASSERT_FALSE(face.isNull());
    const QRgb plain = face.pixel(100, 140);
    int marked = 0;
    for (int y = 38; y <= 162; ++y) {
        for (int x = 38; x <= 162; ++x) {
            const double r = std::hypot(x - 100, y - 100);
            if (r > 6 && r <= 62 && face.pixel(x, y) != plain) {
                ++marked;
            }
        }
    }
    EXPECT_EQ(marked, 0);
    EXPECT_NE(face.pixel(100, 100), plain) << "no hub at the dial's centre";
}

// The status icons are put down by ANDing the mask (bottom half) and then ORing the image
// (top half): the mask must be pure black and white, and the image black wherever the mask
// is white, or the row's background would be tinted around each icon.
TEST(StatusIcons, MasksArePureAndImagesBlackOutsideTheirIcons) {
    LinkResources();
    const QImage& strip = moru::Bitmap(149);
    ASSERT_FALSE(strip.isNull());
    for (int column = 0; column < 8; ++column) {
        int iconPixels = 0;
        for (int y = 0; y < 12; ++y) {
            for (int x = column * 12; x < column * 12 + 12; ++x) {
                const QRgb mask = strip.pixel(x, y + 12) & 0xFFFFFF;
                ASSERT_TRUE(mask == 0 || mask == 0xFFFFFF)
                    << "grey mask pixel at " << x << "," << y + 12;
                if (mask == 0xFFFFFF) {
                    EXPECT_EQ(strip.pixel(x, y) & 0xFFFFFF, 0u)
                        << "image not black outside icon " << column << " at " << x << "," << y;
                } else {
                    ++iconPixels;
                }
            }
        }
        EXPECT_GT(iconPixels, 12) << "column " << column << " is empty";
        EXPECT_LT(iconPixels, 144) << "column " << column << " covers its whole cell";
    }
}

// The kind letters must show their marker colours, so a row's letter matches the calendar.
TEST(StatusIcons, KindLettersUseTheirMarkerColours) {
    LinkResources();
    const QImage& strip = moru::Bitmap(149);
    ASSERT_FALSE(strip.isNull());
    const std::array<std::pair<int, QColor>, 3> letters = {std::pair{2, QColor(0, 0, 255)},
                                                           std::pair{3, QColor(255, 0, 0)},
                                                           std::pair{4, QColor(255, 0, 255)}};
    for (const auto& [column, colour] : letters) {
        // A copy: clang before 16 cannot capture a structured binding.
        const QColor want = colour;
        EXPECT_GT(
            CountPixels(strip, QRect(column * 12, 0, 12, 12), [&](QColor c) { return c == want; }),
            8)
            << "column " << column;
    }
}

// Each recurrence strip highlights its own 60-pixel tab, the one the editor's tap columns
// give for it, and no other.
TEST(RecurrenceTabs, EachStripHighlightsItsOwnTab) {
    LinkResources();
    const std::array<std::pair<int, int>, 4> strips = {std::pair{166, 0}, std::pair{164, 1},
                                                       std::pair{165, 2}, std::pair{163, 3}};
    const QColor highlight(0, 96, 191);
    for (const auto& [id, current] : strips) {
        const QImage& strip = moru::Bitmap(id);
        ASSERT_FALSE(strip.isNull()) << id;
        for (int tab = 0; tab < 4; ++tab) {
            const int filled = CountPixels(strip, QRect(tab * 60, 0, 60, 23),
                                           [&](QColor c) { return c == highlight; });
            if (tab == current) {
                EXPECT_GT(filled, 60 * 23 / 2) << id << " tab " << tab;
            } else {
                EXPECT_EQ(filled, 0) << id << " tab " << tab;
            }
        }
    }
}

// A weekday's selected and not-selected images must be told apart at a glance, and the
// seven days must not share one picture.
TEST(WeekdayToggles, SelectedDiffersAndDaysAreDistinct) {
    LinkResources();
    const std::array<int, 7> off = {236, 254, 263, 264, 265, 266, 255};
    const std::array<int, 7> on = {270, 268, 272, 273, 271, 267, 269};
    for (int day = 0; day < 7; ++day) {
        const QImage& a = moru::Bitmap(off[day]);
        const QImage& b = moru::Bitmap(on[day]);
        ASSERT_FALSE(a.isNull() || b.isNull()) << "day " << day;
        auto white = [](const QImage& image) {
            return CountPixels(image, image.rect(), [](QColor c) { return c == Qt::white; });
        };
        EXPECT_GT(std::abs(white(a) - white(b)), 24 * 24 / 3) << "day " << day;
        for (int other = day + 1; other < 7; ++other) {
            EXPECT_NE(a, moru::Bitmap(off[other])) << day << " and " << other;
        }
    }
}

// Images with two looks side by side (normal and pressed, or the two faces' buttons) must
// differ between their halves.
TEST(TwoLookBitmaps, HalvesDiffer) {
    LinkResources();
    for (int id : {152, 154, 155, 156, 203, 212, 213, 214, 215}) {
        const QImage& image = moru::Bitmap(id);
        ASSERT_FALSE(image.isNull()) << id;
        const int half = image.width() / 2;
        EXPECT_NE(image.copy(0, 0, half, image.height()), image.copy(half, 0, half, image.height()))
            << id;
    }
}

}  // namespace

// This folder's test programs are built without a ready-made main; reading PNG images from
// the resources needs no application object.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
