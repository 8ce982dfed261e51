// The detail dialog against the real store in a temporary device root: the four text rows for
// one-off, all-day and recurring items, the painted images' press, slide and release rule, the
// read-only ink body, and an appointment that is gone.
#include "screens/appointment_detail.h"

#include <gtest/gtest.h>

#include "platform/qt/ink_note.h"
#include "platform/scripted_ui_host.h"
#include "resources/bitmaps.h"
#include "store/memo_files.h"
#include "store/store_connection.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

double At(int y, int m, int d, int h = 0, int min = 0) {
    return *MakeDate(y, m, d, h, min);
}

class DetailTest : public testing::Test {
protected:
    DetailTest() { EXPECT_TRUE(OpenStoreConnection()); }
    ~DetailTest() override { CloseStoreConnection(); }

    // Saves an appointment (daily when asked) and opens a prepared dialog on its record.
    AppointmentDetail& Show(double start, double end, bool allDay = false, bool daily = false,
                            const std::u16string& subject = u"Dentist",
                            std::vector<uint8_t> ink = {}) {
        auto item = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
        item->SetSubject(subject);
        item->SetStart(start);
        item->SetEnd(end);
        item->SetAllDayEvent(allDay);
        if (daily) {
            poom::RecurrencePattern pattern = item->GetRecurrencePattern();
            pattern.SetRecurrenceType(poom::kRecursDaily);
            pattern.SetInterval(1);
            pattern.SetNoEndDate(true);
        }
        EXPECT_TRUE(item->SetBodyInk(std::move(ink)).ok());
        EXPECT_TRUE(item->Save().ok());
        AppointmentRecord record;
        EXPECT_NE(LoadAppointment(item->Oid(), record), 0u);
        dialog_ = std::make_unique<AppointmentDetail>();
        dialog_->record = record;
        dialog_->Prepare();
        return *dialog_;
    }
    std::array<std::u16string, 4> Shown() {
        return AppointmentDetail::LayoutFor(dialog_->record, dialog_->startText(),
                                            dialog_->endText(), dialog_->buttons())
            .rows;
    }

    test::TempDeviceRoot root_;
    ScriptedUiHost ui_;
    std::unique_ptr<AppointmentDetail> dialog_;
};

using Rows = std::array<std::u16string, 4>;

TEST_F(DetailTest, OneOffItemsShowStartAndEndWithTheirTimes) {
    Show(At(2015, 2, 10, 9), At(2015, 2, 10, 10));
    EXPECT_EQ(Shown(),
              (Rows{u"Dentist", u"2015.02.10(Tue),AM 9:00", u"~ 2015.02.10(Tue),AM 10:00", u""}));
    // The same instant twice: the second row has nothing to add.
    Show(At(2015, 2, 10, 9), At(2015, 2, 10, 9));
    EXPECT_EQ(Shown(), (Rows{u"Dentist", u"2015.02.10(Tue),AM 9:00", u"", u""}));
}

TEST_F(DetailTest, AllDayItemsShowTheirDatesAndAllDayEvent) {
    Show(At(2015, 2, 10), At(2015, 2, 10, 23, 59), /*allDay=*/true);
    EXPECT_EQ(Shown(), (Rows{u"Dentist", u"2015.02.10(Tue)", u"All Day Event", u""}));
    Show(At(2015, 2, 10), At(2015, 2, 12, 23, 59), /*allDay=*/true);
    EXPECT_EQ(Shown(),
              (Rows{u"Dentist", u"2015.02.10(Tue) ~ 2015.02.12(Thu)", u"All Day Event", u""}));
}

TEST_F(DetailTest, RecurringItemsShowTheRuleTheFirstDayAndTheHours) {
    Show(At(2015, 2, 10, 9), At(2015, 2, 10, 9, 30), false, /*daily=*/true);
    Rows rows = Shown();
    EXPECT_FALSE(rows[1].empty());  // the recurrence in words
    EXPECT_EQ(rows[2], u"from 2015.02.10");
    EXPECT_EQ(rows[3], u"at AM 9:00");  // under an hour
    Show(At(2015, 2, 10, 9), At(2015, 2, 10, 11), false, /*daily=*/true);
    EXPECT_EQ(Shown()[3], u"at AM 9:00 for 2 hour(s)");
}

TEST_F(DetailTest, ALongSubjectIsCutWithDots) {
    Show(At(2015, 2, 10, 9), At(2015, 2, 10, 10), false, false,
         u"A very long subject that cannot possibly fit into the row of the dialog");
    const std::u16string shown = Shown()[0];
    EXPECT_TRUE(shown.ends_with(u"...")) << std::string(shown.begin(), shown.end());
    EXPECT_LT(shown.size(), dialog_->record.subject.size());
}

TEST_F(DetailTest, TheImagesFireOnlyWhenPressedAndReleasedOnTheSameOne) {
    AppointmentDetail& dialog = Show(At(2015, 2, 10, 9), At(2015, 2, 10, 10));
    // A pixel where the pressed look differs from the normal one.
    const QImage& pencil = Bitmap(213, 1);
    QPoint differs(-1, -1);
    for (int y = 0; y < 20 && differs.x() < 0; ++y) {
        for (int x = 0; x < 20; ++x) {
            if (pencil.pixel(x, y) != pencil.pixel(x + 20, y)) {
                differs = {x, y};
                break;
            }
        }
    }
    ASSERT_GE(differs.x(), 0);
    auto shown = [&] {
        dialog.PaintNow();
        return dialog.backBuffer().pixel(216 + differs.x(), 16 + differs.y());
    };
    EXPECT_EQ(shown(), pencil.pixel(differs));
    dialog.PenDownAt(220, 20);
    EXPECT_EQ(shown(), pencil.pixel(differs + QPoint(20, 0)));
    dialog.PenMoveAt(100, 100);  // slid off: the normal look again
    EXPECT_EQ(shown(), pencil.pixel(differs));
    dialog.PenUpAt(100, 100);
    EXPECT_EQ(dialog.result(), 0);
    dialog.PenDownAt(225, 45);  // down on delete, up on modify
    dialog.PenUpAt(220, 20);
    EXPECT_EQ(dialog.result(), 0);

    dialog.PenDownAt(235, 35);  // the inclusive corners
    dialog.PenUpAt(217, 17);
    EXPECT_EQ(dialog.result(), AppointmentDetail::kModifyResult);
    dialog.PenDownAt(217, 40);
    dialog.PenUpAt(235, 58);
    EXPECT_EQ(dialog.result(), AppointmentDetail::kDeleteResult);
}

TEST_F(DetailTest, TheInkBodyIsShownReadOnly) {
    const std::vector<uint8_t> ink =
        EncodeInk({u"", {InkStroke{0, 48, {{16 * 20, 16 * 30}, {16 * 200, 16 * 30}}}}});
    AppointmentDetail& dialog =
        Show(At(2015, 2, 10, 9), At(2015, 2, 10, 10), false, false, u"Dentist", ink);
    ASSERT_NE(dialog.inkNote(), nullptr);
    EXPECT_TRUE(dialog.inkNote()->readOnly());
    EXPECT_EQ(dialog.inkNote()->ContentBytes(), ink);
    EXPECT_EQ(
        std::vector<uint8_t>(SharedMemoBuffer.bytes().begin(), SharedMemoBuffer.bytes().end()),
        ink);
    EXPECT_EQ(dialog.inkNote()->geometry(), QRect(0, 75, 240, 168));
    dialog.show();
    const QImage note = dialog.inkNote()->viewport()->grab().toImage();
    EXPECT_LT(qGray(note.pixel(100, 30)), 100);
}

TEST_F(DetailTest, AnItemThatIsGoneShowsItsSubjectWithoutDatesOrNote) {
    AppointmentDetail dialog;
    dialog.record.subject = u"Vanished";
    dialog.record.oid = 424242;
    dialog.record.recurrenceType = -1;
    dialog.Prepare();
    EXPECT_TRUE(dialog.startText().empty());
    EXPECT_EQ(dialog.inkNote(), nullptr);
    EXPECT_EQ(AppointmentDetail::LayoutFor(dialog.record, u"", u"", {}).rows[0], u"Vanished");
    dialog.PenDownAt(220, 20);
    dialog.PenUpAt(220, 20);
    EXPECT_EQ(dialog.result(), AppointmentDetail::kModifyResult);
}

}  // namespace
}  // namespace moru
