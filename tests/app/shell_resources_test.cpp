// The shell's small rules and data: the command line, the window's enlargement, the profile
// file, the menus as other screens address them, and the shared fonts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>

#include "app/fonts.h"
#include "app/plumdial_app.h"
#include "app/start_options.h"
#include "platform/qt/profile.h"
#include "resources/menus.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

// ---- Command line ----

struct OptionsCase {
    const char* name;
    std::vector<std::string> args;
    bool ok;
    std::optional<std::string> root;
    std::optional<std::string> screenshot;
    int screen;
    int scale;
    bool quit;
};

class StartOptionsTest : public testing::TestWithParam<OptionsCase> {};

TEST_P(StartOptionsTest, Parses) {
    const OptionsCase& c = GetParam();
    const Result<StartOptions> parsed = ParseStartOptions(c.args);
    ASSERT_EQ(parsed.ok(), c.ok) << (parsed.ok() ? "" : parsed.error().message);
    if (!c.ok) {
        EXPECT_NE(parsed.error().code, 0);
        return;
    }
    EXPECT_EQ(parsed->root, c.root);
    EXPECT_EQ(parsed->screenshot, c.screenshot);
    EXPECT_EQ(parsed->screen, c.screen);
    EXPECT_EQ(parsed->scale, c.scale);
    EXPECT_EQ(parsed->quit, c.quit);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, StartOptionsTest,
    testing::Values(
        OptionsCase{"nothing", {}, true, {}, {}, 0, 0, false},
        OptionsCase{
            "root_and_scale", {"--root", "/r", "--scale", "3"}, true, "/r", {}, 0, 3, false},
        OptionsCase{"equals_form", {"--root=/r", "--scale=1"}, true, "/r", {}, 0, 1, false},
        OptionsCase{
            "screenshot_default_clock", {"--screenshot", "a.png"}, true, {}, "a.png", 0, 0, false},
        OptionsCase{"screenshot_of_month",
                    {"--screenshot", "a.png", "--screen", "2"},
                    true,
                    {},
                    "a.png",
                    2,
                    0,
                    false},
        OptionsCase{"quit", {"--root", "/r", "--quit"}, true, "/r", {}, 0, 0, true},
        // Refusals.
        OptionsCase{"screen_without_screenshot", {"--screen", "2"}, false, {}, {}, 0, 0, false},
        OptionsCase{"screen_out_of_range",
                    {"--screenshot", "a", "--screen", "5"},
                    false,
                    {},
                    {},
                    0,
                    0,
                    false},
        OptionsCase{"screen_not_a_number",
                    {"--screenshot", "a", "--screen", "2x"},
                    false,
                    {},
                    {},
                    0,
                    0,
                    false},
        OptionsCase{"scale_zero", {"--scale", "0"}, false, {}, {}, 0, 0, false},
        OptionsCase{"scale_too_large", {"--scale", "17"}, false, {}, {}, 0, 0, false},
        OptionsCase{"root_missing_value", {"--root"}, false, {}, {}, 0, 0, false},
        OptionsCase{"root_empty", {"--root="}, false, {}, {}, 0, 0, false},
        OptionsCase{"quit_with_value", {"--quit=1"}, false, {}, {}, 0, 0, false},
        OptionsCase{"version_with_value", {"--version=1"}, false, {}, {}, 0, 0, false},
        OptionsCase{
            "quit_and_screenshot", {"--quit", "--screenshot", "a"}, false, {}, {}, 0, 0, false},
        OptionsCase{"unknown", {"--rot", "/r"}, false, {}, {}, 0, 0, false},
        OptionsCase{"stray_word", {"calendar"}, false, {}, {}, 0, 0, false}),
    [](const testing::TestParamInfo<OptionsCase>& param) { return param.param.name; });

// ---- The window's enlargement: the largest whole scale that fits comfortably ----

TEST(ComfortableScaleTest, FitsTheWindowInThreeQuartersOfTheDesktop) {
    EXPECT_EQ(ComfortableScale({800, 600}), 1);
    EXPECT_EQ(ComfortableScale({1920, 1050}), 2);
    EXPECT_EQ(ComfortableScale({3840, 2100}), 5);
    EXPECT_EQ(ComfortableScale({320, 200}), 1) << "never below 1";
    EXPECT_EQ(ComfortableScale({100000, 100000}), kMaxScale);
}

// A scale asked for on the command line comes down until the window (267 * scale, plus 32
// for the menu bar and 40 for the title bar) fits in the available height and width.
TEST(FittingScaleTest, LowersARequestedScaleUntilTheWindowFits) {
    struct Case {
        int requested;
        QSize available;
        int expected;
    };
    for (const Case& c : {Case{16, {1920, 1050}, 3},  // 3 * 267 + 72 = 873 <= 1050 < 1140
                          Case{3, {1920, 873}, 3},    // exactly fits
                          Case{3, {1920, 872}, 2},    // one pixel short
                          Case{4, {700, 2000}, 2},    // the width decides: 960 > 700
                          Case{2, {3840, 2100}, 2},   // room to spare: kept
                          Case{5, {320, 200}, 1},     // nothing fits: still 1
                          Case{kMaxScale, {100000, 100000}, kMaxScale}}) {
        SCOPED_TRACE(testing::Message() << c.requested << " on " << c.available.width() << "x"
                                        << c.available.height());
        EXPECT_EQ(FittingScale(c.requested, c.available), c.expected);
        // What the calendar picks for itself never exceeds what fits either.
        EXPECT_LE(ComfortableScale(c.available), FittingScale(kMaxScale, c.available));
    }
}

// ---- Profile ----

TEST(ProfileTest, MissingFileSectionOrEntryGivesTheDefault) {
    test::TempDeviceRoot root;
    EXPECT_EQ(GetProfileInt(u"clock", u"isAnalog", 1), 1);
    ASSERT_TRUE(WriteProfileInt(u"other", u"isAnalog", 0));
    EXPECT_EQ(GetProfileInt(u"clock", u"isAnalog", 1), 1);
    ASSERT_TRUE(WriteProfileInt(u"clock", u"something", 0));
    EXPECT_EQ(GetProfileInt(u"clock", u"isAnalog", 1), 1);
}

TEST(ProfileTest, ReadsHandWrittenValuesAndIgnoresGarbage) {
    test::TempDeviceRoot root;
    const auto file = root.path() / "Windows" / "profile.ini";
    test::WriteFileBytes(file, "[clock]\nisAnalog=0\nsize = 12 \nbad=abc\n");
    EXPECT_EQ(GetProfileInt(u"clock", u"isAnalog", 1), 0);
    EXPECT_EQ(GetProfileInt(u"clock", u"size", 0), 12);
    EXPECT_EQ(GetProfileInt(u"clock", u"bad", 7), 7);
}

// ---- Menus: the item and day menus as the lists and the month screen address them ----

struct MenuEntry {
    int commandId;  // 0 for a separator
    std::u16string text;
};

void ExpectMenu(const PopupMenu& menu, const std::vector<MenuEntry>& expected) {
    ASSERT_EQ(menu.items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(menu.items[i].separator, expected[i].commandId == 0);
        if (expected[i].commandId != 0) {
            EXPECT_EQ(menu.items[i].commandId, expected[i].commandId);
            EXPECT_EQ(menu.items[i].text, expected[i].text);
            EXPECT_FALSE(menu.items[i].gray);
        }
    }
}

TEST(MenusTest, ItemMenuScheduleByPosition) {
    ExpectMenu(LoadSubMenu(kItemMenus, 0), {{32804, u"View..."},
                                            {32771, u"Modify..."},
                                            {32772, u"Delete..."},
                                            {32774, u"Pause"},
                                            {0, u""},
                                            {32773, u"Copy to Alarm"},
                                            {32775, u"Copy to Holiday"},
                                            {32776, u"Copy to Anniversary"}});
}

TEST(MenusTest, DayMenuTemplateByPosition) {
    ExpectMenu(LoadSubMenu(kItemMenus, 1), {{32793, u"Alarm:"},
                                            {32794, u"Holiday:"},
                                            {32795, u"Anniversary:"},
                                            {32796, u"Schedule:"},
                                            {0, u""},
                                            {32802, u"Memo:"},
                                            {32798, u"Add memo..."}});
}

TEST(MenusTest, EachLoadIsTheCallersOwnCopy) {
    PopupMenu first = LoadSubMenu(kItemMenus, 0);
    first.RemoveAt(4);
    first.SetGrayAt(0, true);
    const PopupMenu second = LoadSubMenu(kItemMenus, 0);
    EXPECT_EQ(second.items.size(), 8u);
    EXPECT_FALSE(second.items[0].gray);
}

TEST(MenusTest, UnknownMenusAndPositionsAreEmpty) {
    EXPECT_TRUE(LoadMenu(999).items.empty());
    EXPECT_TRUE(LoadSubMenu(kItemMenus, 2).items.empty());
    EXPECT_TRUE(LoadSubMenu(kScreenMenuBar, 1).items.empty());
}

// ---- Shared fonts: heights from points at 96 dpi, and the narrowed clock faces ----

struct FontCase {
    const char* name;
    const QFont& (*font)();
    int pixelHeight;
    bool bold;
    const char* family;
    int averageWidth;  // 0: the face's own width
};

class SharedFontTest : public testing::TestWithParam<FontCase> {};

TEST_P(SharedFontTest, HeightWeightFaceAndWidth) {
    CreateSharedFonts(96);
    const FontCase& c = GetParam();
    const QFont& font = c.font();
    EXPECT_EQ(font.pixelSize(), c.pixelHeight);
    EXPECT_EQ(font.bold(), c.bold);
    EXPECT_EQ(font.family(), QString::fromLatin1(c.family));
    if (c.averageWidth == 0) {
        EXPECT_EQ(font.stretch(), QFont::AnyStretch);
    } else {
        // The narrowed face's average character is as wide as asked, give or take rounding.
        EXPECT_NEAR(QFontMetrics(font).averageCharWidth(), c.averageWidth, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, SharedFontTest,
    testing::Values(FontCase{"arial_9_bold", &FontArial9Bold, 12, true, "Arial", 0},
                    FontCase{"arial_10_bold", &FontArial10Bold, 13, true, "Arial", 0},
                    FontCase{"arial_10", &FontArial10, 13, false, "Arial", 0},
                    FontCase{"comic_13_bold", &FontComic13Bold, 17, true, "Comic Sans MS", 0},
                    FontCase{"comic_100_by_25", &FontComic100x25Bold, 133, true, "Comic Sans MS",
                             33},
                    FontCase{"comic_20_by_20", &FontComic20x20Bold, 26, true, "Comic Sans MS", 26}),
    [](const testing::TestParamInfo<FontCase>& param) { return param.param.name; });

TEST(SharedFontsTest, HeightsFollowTheScreensDotsPerInch) {
    CreateSharedFonts(120);
    EXPECT_EQ(FontArial10().pixelSize(), 16);  // -(10 x 120) / 72 = -16.67, truncated
    EXPECT_EQ(FontComic100x25Bold().pixelSize(), 166);
    CreateSharedFonts(96);
    EXPECT_EQ(FontArial10().pixelSize(), 13);
}

TEST(SharedFontsTest, FontsResolveToInstalledFacesNotAFallback) {
    CreateSharedFonts(96);
    // The names stay the names asked for; fontconfig maps them to the metric-compatible
    // faces the set-up script installs.
    EXPECT_TRUE(QFontInfo(FontArial10()).family().contains(QLatin1String("Liberation Sans")) ||
                QFontInfo(FontArial10()).family() == QLatin1String("Arial"));
    EXPECT_TRUE(QFontInfo(FontComic13Bold()).family().contains(QLatin1String("Comic")));
}

}  // namespace
}  // namespace moru
