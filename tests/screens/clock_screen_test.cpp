// The clock screen inside the real main view and store: what the back buffer shows (hands,
// faces, tab highlight, date) and how taps and key releases act on it.
#include "screens/clock_screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/plumdial_doc.h"
#include "app/plumdial_view.h"
#include "platform/datetime.h"
#include "platform/qt/profile.h"
#include "platform/scripted_ui_host.h"
#include "resources/bitmaps.h"
#include "screens/tab_bar.h"
#include "tests/support/pixel_failure.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

const QColor kMainPen(38, 100, 180);
const QColor kEdgePen(38, 120, 225);
const QColor kSecondPen(38, 115, 205);
const QColor kDigits(20, 50, 150);

SystemTime At(int hour, int minute, int second) {
    return MakeSystemTime(2004, 1, 5, hour, minute, second);
}

class ClockScreenTest : public testing::Test {
protected:
    void SetUp() override {
        // The companion is not under test; start something harmless in its place.
        setenv("MORU_RINGSET", "/bin/true", 1);
    }

    ClockScreen& StartView() {
        view_ = std::make_unique<CPlumdialView>(document_);
        view_->OnInitialUpdate();
        EXPECT_NE(view_->clockScreen(), nullptr);
        view_->show();
        return *view_->clockScreen();
    }

    void TearDown() override {
        if (view_ && view_->clockScreen()) {
            test::SaveImageIfFailed(view_->clockScreen()->backBuffer());
        }
    }

    QImage Paint(ClockScreen& clock) {
        clock.PaintNow();
        return clock.backBuffer();
    }

    test::TempDeviceRoot root_;
    ScriptedUiHost ui_;
    LocalTimePin pin_{At(3, 0, 0)};
    CPlumdialDoc document_;
    std::unique_ptr<CPlumdialView> view_;
};

// ---- The analog face ----

TEST_F(ClockScreenTest, ThreeOClockHourHandRunsRightFromTheCentre) {
    ClockScreen& clock = StartView();
    ASSERT_TRUE(clock.isAnalog);
    const QImage image = Paint(clock);
    // The hour hand's body from the base (122, 135) towards the tip (164, 135).
    EXPECT_EQ(image.pixelColor(130, 135), kMainPen);
    EXPECT_EQ(image.pixelColor(160, 135), kMainPen);
    // Nothing of a hand beyond the tip.
    for (const QColor& hand : {kMainPen, kEdgePen, kSecondPen}) {
        EXPECT_NE(image.pixelColor(166, 135), hand);
    }
    // Minute and second hands both point up; the second hand is drawn last, over the other.
    EXPECT_EQ(image.pixelColor(120, 100), kSecondPen);
    EXPECT_EQ(image.pixelColor(120, 77), kSecondPen);
}

TEST_F(ClockScreenTest, HandsFollowTheClockAtEachPaint) {
    ClockScreen& clock = StartView();
    {
        LocalTimePin later(At(0, 0, 30));
        const QImage image = Paint(clock);
        // Second hand straight down: from (120, 137) to (120, 194).
        EXPECT_EQ(image.pixelColor(120, 180), kSecondPen);
        // Hour and minute hands straight up, in the main pen.
        EXPECT_EQ(image.pixelColor(120, 100), kMainPen);
        // At 03:00 nothing was drawn to the right of the centre any more.
        EXPECT_NE(image.pixelColor(150, 135), kMainPen);
    }
}

TEST_F(ClockScreenTest, FaceButtonShowsTheImageOfTheOtherFace) {
    ClockScreen& clock = StartView();
    const QImage& button = Bitmap(154);
    ASSERT_FALSE(button.isNull());
    EXPECT_EQ(Paint(clock).copy(200, 5, 30, 30), button.copy(0, 0, 30, 30));
    clock.isAnalog = false;
    EXPECT_EQ(Paint(clock).copy(200, 5, 30, 30), button.copy(30, 0, 30, 30));
}

TEST_F(ClockScreenTest, DigitalFaceShowsDigitsAndNoHands) {
    ClockScreen& clock = StartView();
    clock.isAnalog = false;
    const QImage image = Paint(clock);
    int digitPixels = 0;
    int handPixels = 0;
    for (int y = 35; y < 241; ++y) {
        for (int x = 0; x < 240; ++x) {
            const QColor c = image.pixelColor(x, y);
            digitPixels += c == kDigits;
            handPixels += c == kMainPen || c == kSecondPen || c == kEdgePen;
        }
    }
    EXPECT_GT(digitPixels, 200);
    EXPECT_EQ(handPixels, 0);
}

TEST_F(ClockScreenTest, DateIsDrawnRightAlignedInItsBox) {
    ClockScreen& clock = StartView();
    const QImage image = Paint(clock);
    int rightmostDark = -1;
    for (int y = 10; y < 30; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                rightmostDark = std::max(rightmostDark, x);
            }
        }
    }
    // "Mon, Jan, 05, 2004" ends close to the box's right edge at 190.
    EXPECT_GE(rightmostDark, 180);
    EXPECT_LT(rightmostDark, 190);
}

// ---- The tab bar: the highlighted image of currentScreen, the plain bar elsewhere ----

TEST_F(ClockScreenTest, TabBarHighlightsTheCurrentScreen) {
    ClockScreen& clock = StartView();
    const QImage& bar = Bitmap(139);
    ASSERT_FALSE(bar.isNull());
    for (int current = 0; current < 4; ++current) {
        SCOPED_TRACE(current);
        Calendar().currentScreen = current;
        const QImage image = Paint(clock);
        for (int tab = 0; tab < 4; ++tab) {
            const QImage shown = image.copy(tab * 60, 241, 60, 26);
            if (tab == current) {
                const QImage& highlight = Bitmap(HighlightedTabBitmap(tab));
                ASSERT_FALSE(highlight.isNull());
                EXPECT_EQ(shown, highlight.copy(0, 0, 60, 26));
            } else {
                EXPECT_EQ(shown, bar.copy(tab * 60, 0, 60, 26));
            }
        }
    }
    Calendar().currentScreen = 0;
}

// ---- Taps at the top: the date starts the clock settings program, the button toggles ----

enum class TapEffect { Nothing, StartsClockProgram, TogglesFace };

struct TapCase {
    const char* name;
    int x, y;
    TapEffect effect;
};

class ClockTapTest : public ClockScreenTest, public testing::WithParamInterface<TapCase> {};

TEST_P(ClockTapTest, TapActsByPlace) {
    const TapCase& c = GetParam();
    // A stand-in clock settings program that leaves a mark when it runs.
    const auto marker = root_.path() / "clock-started";
    const auto program = root_.path() / "Windows" / "Clock.exe";
    test::WriteFileBytes(program, "#!/bin/sh\ntouch \"$MORU_ROOT/clock-started\"\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);

    ClockScreen& clock = StartView();
    const bool analogBefore = clock.isAnalog;
    QTest::mouseClick(&clock, Qt::LeftButton, Qt::NoModifier, QPoint(c.x, c.y));

    EXPECT_EQ(clock.isAnalog, c.effect == TapEffect::TogglesFace ? !analogBefore : analogBefore);
    EXPECT_EQ(Calendar().currentScreen, 0);
    EXPECT_EQ(view_->visibleScreen(), &clock);
    // The program is started without waiting; give it time to leave its mark.
    bool started = false;
    const auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::milliseconds(c.effect == TapEffect::StartsClockProgram ? 5000 : 300);
    while (!started && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        started = std::filesystem::exists(marker);
    }
    EXPECT_EQ(started, c.effect == TapEffect::StartsClockProgram);
}

INSTANTIATE_TEST_SUITE_P(
    Places, ClockTapTest,
    testing::Values(TapCase{"date_middle", 100, 20, TapEffect::StartsClockProgram},
                    TapCase{"date_top_left_corner", 21, 6, TapEffect::StartsClockProgram},
                    TapCase{"date_bottom_right_corner", 189, 34, TapEffect::StartsClockProgram},
                    TapCase{"left_of_date", 20, 20, TapEffect::Nothing},
                    TapCase{"above_date", 100, 5, TapEffect::Nothing},
                    TapCase{"below_date", 100, 35, TapEffect::Nothing},
                    TapCase{"between_date_and_button", 200, 20, TapEffect::Nothing},
                    TapCase{"button_left_edge", 201, 6, TapEffect::TogglesFace},
                    TapCase{"button_right_edge", 229, 34, TapEffect::TogglesFace},
                    TapCase{"right_of_button", 230, 20, TapEffect::Nothing},
                    TapCase{"dial", 120, 135, TapEffect::Nothing}),
    [](const testing::TestParamInfo<TapCase>& param) { return param.param.name; });

// ---- Arrow keys: each release toggles the face once ----

TEST_F(ClockScreenTest, EachArrowKeyReleaseTogglesTheFace) {
    ClockScreen& clock = StartView();
    bool expected = clock.isAnalog;
    for (const Qt::Key key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down}) {
        QTest::keyPress(&clock, key);
        EXPECT_EQ(clock.isAnalog, expected) << "a press alone changes nothing";
        QTest::keyRelease(&clock, key);
        expected = !expected;
        EXPECT_EQ(clock.isAnalog, expected);
    }
    QTest::keyRelease(&clock, Qt::Key_A);
    QTest::keyRelease(&clock, Qt::Key_Return);
    EXPECT_EQ(clock.isAnalog, expected) << "other keys leave the face alone";
}

TEST_F(ClockScreenTest, HoldingAnArrowKeyTogglesOncePerRelease) {
    ClockScreen& clock = StartView();
    const bool before = clock.isAnalog;
    // While a key is held the system repeats it as press/release pairs marked auto-repeat.
    for (int i = 0; i < 5; ++i) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&clock, &release);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&clock, &press);
    }
    EXPECT_EQ(clock.isAnalog, before);
    QTest::keyRelease(&clock, Qt::Key_Up);
    EXPECT_EQ(clock.isAnalog, !before);
}

TEST_F(ClockScreenTest, UnmarkedRepeatPairsOfAHeldKeyToggleOnce) {
    ClockScreen& clock = StartView();
    const bool before = clock.isAnalog;
    // X11 does not always mark a held key's repeats: each comes as a release and a press of
    // the same key with the same timestamp, neither of them flagged as a repeat.
    quint64 time = 1000;
    QKeyEvent firstPress(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    firstPress.setTimestamp(time);
    QApplication::sendEvent(&clock, &firstPress);
    for (int i = 0; i < 5; ++i) {
        time += 33;
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier);
        release.setTimestamp(time);
        QApplication::sendEvent(&clock, &release);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        press.setTimestamp(time);
        QApplication::sendEvent(&clock, &press);
        QTest::qWait(50);  // longer than a release waits for its pair
        EXPECT_EQ(clock.isAnalog, before) << "repeat " << i;
    }
    QKeyEvent lastRelease(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier);
    lastRelease.setTimestamp(time + 500);
    QApplication::sendEvent(&clock, &lastRelease);
    for (int waited = 0; waited < 1000 && clock.isAnalog == before; waited += 10) {
        QTest::qWait(10);
    }
    QTest::qWait(50);
    EXPECT_EQ(clock.isAnalog, !before) << "the real release toggles once";

    // Two real presses of the same key, each with its own time, toggle twice.
    for (const quint64 at : {time + 1000, time + 2000}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        press.setTimestamp(at);
        QApplication::sendEvent(&clock, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier);
        release.setTimestamp(at + 80);
        QApplication::sendEvent(&clock, &release);
        QTest::qWait(50);
    }
    EXPECT_EQ(clock.isAnalog, !before);
}

// ---- The profile chooses the face at start ----

TEST_F(ClockScreenTest, ProfileChoosesTheStartingFace) {
    ASSERT_TRUE(WriteProfileInt(u"clock", u"isAnalog", 0));
    EXPECT_FALSE(StartView().isAnalog);
}

TEST_F(ClockScreenTest, FaceToggleIsNotWrittenBack) {
    ClockScreen& clock = StartView();
    QTest::mouseClick(&clock, Qt::LeftButton, Qt::NoModifier, QPoint(215, 20));
    ASSERT_FALSE(clock.isAnalog);
    EXPECT_EQ(GetProfileInt(u"clock", u"isAnalog", 1), 1);
}

}  // namespace
}  // namespace moru
