// The ink note control on the offscreen platform: strokes written with real pointer events
// land in its pixels and in its content, the content round-trips through its bytes, damaged
// bytes are kept, and undo, the clipboard, zoom and the read-only variant behave.
#include "platform/qt/ink_note.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

namespace moru {
namespace {

class InkNoteTest : public testing::Test {
protected:
    InkNoteTest() {
        QApplication::clipboard()->clear();
        note_.resize(240, 200);
        note_.show();
        note_.SetInputMode(InkNote::kWritingMode);
        note_.SetPenWidth(2);
    }

    QWidget* surface() { return note_.viewport(); }
    void Draw(QPoint from, QPoint to, int steps = 8) {
        QTest::mousePress(surface(), Qt::LeftButton, {}, from);
        for (int i = 1; i <= steps; ++i) {
            const QPoint at = from + (to - from) * i / steps;
            QMouseEvent move(QEvent::MouseMove, at, surface()->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(surface(), &move);
        }
        QTest::mouseRelease(surface(), Qt::LeftButton, {}, to);
    }
    int DarkPixels(const QRect& area) {
        const QImage image = surface()->grab().toImage();
        int dark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                dark += qGray(image.pixel(x, y)) < 100;
            }
        }
        return dark;
    }
    // The ink in one column across a line: how dark, summed, so that width shows.
    int InkAcross(int x, int top, int bottom) {
        const QImage image = surface()->grab().toImage();
        int ink = 0;
        for (int y = top; y <= bottom; ++y) {
            ink += 255 - qGray(image.pixel(x, y));
        }
        return ink;
    }
    void Type(const QString& text) { QTest::keyClicks(&note_, text); }

    InkNote note_;
};

TEST_F(InkNoteTest, AStrokeDrawnWithThePointerShowsInThePixelsAndTheContent) {
    EXPECT_EQ(DarkPixels({20, 40, 100, 20}), 0);
    Draw({20, 50}, {120, 50});
    EXPECT_GT(DarkPixels({30, 46, 80, 9}), 100);  // a solid line along the way
    EXPECT_EQ(DarkPixels({20, 70, 100, 20}), 0);  // and nothing below it

    const InkContent content = note_.Content();
    ASSERT_EQ(content.strokes.size(), 1u);
    const InkStroke& stroke = content.strokes[0];
    EXPECT_EQ(stroke.width, 2 * kInkUnitsPerPixel);
    EXPECT_EQ(stroke.points.front(), (InkPoint{20 * kInkUnitsPerPixel, 50 * kInkUnitsPerPixel}));
    EXPECT_EQ(stroke.points.back(), (InkPoint{120 * kInkUnitsPerPixel, 50 * kInkUnitsPerPixel}));
    EXPECT_TRUE(note_.modified());
}

TEST_F(InkNoteTest, ContentRoundTripsThroughItsBytesIntoAnotherNote) {
    Draw({10, 10}, {60, 90});
    Draw({100, 20}, {30, 30}, 3);
    note_.SetInputMode(InkNote::kTypingMode);
    note_.SetCaretShown(1);
    Type("Buy milk");

    const uint32_t size = note_.ContentSize();
    std::vector<uint8_t> block(size);
    ASSERT_EQ(note_.CopyContent(size, block.data()), size);
    EXPECT_EQ(note_.CopyContent(size - 1, block.data()), 0u);  // never half a note

    InkNote other;
    ASSERT_TRUE(other.LoadContent(block));
    EXPECT_EQ(other.Content(), note_.Content());
    EXPECT_EQ(other.Content().text, u"Buy milk");
    EXPECT_EQ(other.ContentBytes(), block);
    EXPECT_FALSE(other.modified());
    EXPECT_FALSE(other.CanUndo());
}

TEST_F(InkNoteTest, DamagedBytesShowAnEmptyNoteAndAreHandedBackUntilChanged) {
    const std::vector<uint8_t> foreign{'I', 'n', 'k', 'X', 0, 1, 2, 3, 250, 251};
    EXPECT_FALSE(note_.LoadContent(foreign));
    EXPECT_TRUE(note_.loadFailed());
    EXPECT_TRUE(note_.Content().empty());
    EXPECT_EQ(note_.ContentBytes(), foreign);
    EXPECT_EQ(note_.ContentSize(), foreign.size());

    Draw({10, 10}, {50, 10});
    EXPECT_EQ(DecodeInk(note_.ContentBytes())->strokes.size(), 1u);
}

TEST_F(InkNoteTest, UndoAndRedoStepThroughStrokesAndTypedRuns) {
    Draw({10, 10}, {50, 10});
    Draw({10, 30}, {50, 30});
    note_.SetInputMode(InkNote::kTypingMode);
    Type("abc");  // one run of typing is one step
    EXPECT_EQ(note_.Content().text, u"abc");
    note_.Undo();
    EXPECT_EQ(note_.Content().text, u"");
    EXPECT_EQ(note_.Content().strokes.size(), 2u);
    note_.Undo();
    EXPECT_EQ(note_.Content().strokes.size(), 1u);
    EXPECT_TRUE(note_.CanRedo());
    note_.Redo();
    note_.Redo();
    EXPECT_EQ(note_.Content().text, u"abc");
    EXPECT_FALSE(note_.CanRedo());
    QTest::keyClick(&note_, Qt::Key_Backspace);
    QTest::keyClick(&note_, Qt::Key_Left);
    QTest::keyClick(&note_, Qt::Key_Return);
    EXPECT_EQ(note_.Content().text, u"a\nb");
    // The line break is a line on screen: a tap at the second line's start puts the caret
    // before "b".
    QTest::mouseClick(surface(), Qt::LeftButton, {}, QPoint(4, 28));
    EXPECT_EQ(note_.caretPosition(), 2);
}

TEST_F(InkNoteTest, ClipboardCarriesStrokesAndText) {
    Draw({10, 10}, {50, 10});
    note_.SetInputMode(InkNote::kTypingMode);
    Type("hello");
    EXPECT_FALSE(note_.HasSelection());
    EXPECT_FALSE(note_.CanPaste());

    note_.SelectAll();
    ASSERT_TRUE(note_.HasSelection());
    const InkContent before = note_.Content();
    note_.Cut();
    EXPECT_TRUE(note_.Content().empty());
    EXPECT_EQ(QApplication::clipboard()->text(), "hello");
    ASSERT_TRUE(note_.CanPaste());
    note_.Paste();
    EXPECT_EQ(note_.Content(), before);
    EXPECT_EQ(note_.selectedStrokes(), std::vector<size_t>{0});  // pasted ink comes selected
    note_.Clear();
    EXPECT_TRUE(note_.Content().strokes.empty());

    QApplication::clipboard()->setText("plain");  // text from another program
    note_.Paste();
    EXPECT_EQ(note_.Content().text, u"helloplain");
}

TEST_F(InkNoteTest, ADragInTypingModeSelectsTheStrokesItTouches) {
    Draw({10, 10}, {50, 10});
    Draw({10, 150}, {50, 150});
    note_.SetInputMode(InkNote::kTypingMode);
    Draw({5, 130}, {80, 170}, 2);
    EXPECT_EQ(note_.selectedStrokes(), std::vector<size_t>{1});
    EXPECT_EQ(note_.Content().strokes.size(), 2u);  // selecting draws nothing
    note_.Clear();
    ASSERT_EQ(note_.Content().strokes.size(), 1u);
    EXPECT_EQ(note_.Content().strokes[0].points.front().y, 10 * kInkUnitsPerPixel);
}

TEST_F(InkNoteTest, ZoomScalesWhatIsDrawnAndWhatIsShown) {
    note_.SetZoom(200);
    Draw({20, 40}, {100, 40});
    const InkStroke stroke = note_.Content().strokes.at(0);
    EXPECT_EQ(stroke.points.front().x, 10 * kInkUnitsPerPixel);  // half, in the note's units
    EXPECT_EQ(stroke.points.back().x, 50 * kInkUnitsPerPixel);
    note_.SetZoom(100);
    QApplication::processEvents();
    EXPECT_GT(DarkPixels({12, 17, 36, 6}), 30);
    EXPECT_EQ(DarkPixels({60, 10, 60, 50}), 0);
}

TEST_F(InkNoteTest, TheReadOnlyNoteShowsInkButTakesNone) {
    Draw({20, 50}, {120, 50});
    const std::vector<uint8_t> bytes = note_.ContentBytes();
    InkNote viewer(nullptr, InkNote::Access::ReadOnly);
    viewer.resize(240, 200);
    viewer.show();
    viewer.LoadContent(bytes);
    viewer.SetInputMode(InkNote::kWritingMode);
    QTest::mousePress(viewer.viewport(), Qt::LeftButton, {}, {10, 120});
    QTest::mouseRelease(viewer.viewport(), Qt::LeftButton, {}, {90, 120});
    QTest::keyClicks(&viewer, "x");
    EXPECT_EQ(viewer.ContentBytes(), bytes);
    EXPECT_FALSE(viewer.CanUndo());
    EXPECT_FALSE(viewer.CanPaste());
    const QImage shown = viewer.viewport()->grab().toImage();
    EXPECT_LT(qGray(shown.pixel(70, 50)), 100);
}

TEST_F(InkNoteTest, TabletPressureWidensTheLine) {
    const QPointingDevice pen(
        "test pen", 77, QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Pen,
        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3);
    auto send = [&](QEvent::Type type, QPointF at, qreal pressure) {
        QTabletEvent event(type, &pen, at, surface()->mapToGlobal(at), pressure, 0, 0, 0, 0, 0,
                           Qt::NoModifier, Qt::LeftButton,
                           type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton);
        QApplication::sendEvent(surface(), &event);
    };
    send(QEvent::TabletPress, {20, 40}, 0.9);
    for (int x = 30; x <= 120; x += 10) {
        send(QEvent::TabletMove, {static_cast<qreal>(x), 40}, 0.9);
    }
    send(QEvent::TabletRelease, {120, 40}, 0.9);
    const InkContent content = note_.Content();
    ASSERT_EQ(content.strokes.size(), 1u);
    EXPECT_EQ(content.strokes[0].points[1].pressure, static_cast<uint16_t>(0.9 * 65535));
    // A firm pen draws wider than the mouse does.
    Draw({20, 100}, {120, 100});
    EXPECT_GT(InkAcross(60, 34, 46), InkAcross(60, 94, 106) * 5 / 4);
}

}  // namespace
}  // namespace moru
