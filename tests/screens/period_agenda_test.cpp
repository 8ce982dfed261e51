// The period agenda against the real store: the agenda line's four forms, when an occurrence
// counts as past, which occurrences a period lists (the 31-day look-back, series expanded,
// a multi-day occurrence once), a failing query, the rows as drawn and the popup menu.
#include "screens/period_agenda.h"

#include <QTest>
#include <algorithm>

#include "platform/text.h"

#include "resources/menus.h"
#include "screens/hosted_screen.h"
#include "tests/screens/schedule_fixture.h"

namespace moru {
namespace {

using test::At;
using test::Px;

const QColor kSelectedFill{0, 96, 191};
const QColor kPastGrey{150, 150, 150};
const QColor kEmptyGrey{204, 204, 204};

AppointmentRecord Occurrence(SystemTime start, SystemTime end, bool allDay = false) {
    AppointmentRecord record;
    record.start = start;
    record.end = end;
    record.allDay = allDay ? 1 : 0;
    return record;
}

// ---- FormatAgendaLine ----

struct LineCase {
    const char* name;
    AppointmentRecord record;
    std::u16string expected;
};

class AgendaLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(AgendaLineTest, Formats) {
    EXPECT_EQ(FormatAgendaLine(GetParam().record), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, AgendaLineTest,
    testing::Values(
        // Within one day: both times, the designator first, no leading zero.
        LineCase{"same day", Occurrence(At(2015, 12, 7, 9), At(2015, 12, 7, 10, 30)),
                 u"(12/7, Mon.) AM 9:00 - AM 10:30"},
        // Over midnight, under a day: hours.
        LineCase{"over midnight", Occurrence(At(2015, 12, 7, 22), At(2015, 12, 8, 2)),
                 u"(12/7, Mon.) at PM 10:00 for 4 hour(s)"},
        // A day or more: whole days plus one.
        LineCase{"exactly a day", Occurrence(At(2015, 12, 1, 10), At(2015, 12, 2, 10)),
                 u"(12/1, Tue.) at AM 10:00 for 2 days"},
        LineCase{"48 hours", Occurrence(At(2015, 12, 1, 10), At(2015, 12, 3, 10)),
                 u"(12/1, Tue.) at AM 10:00 for 3 days"},
        LineCase{"all day", Occurrence(At(2015, 12, 7), At(2015, 12, 8), true),
                 u"(12/7, Mon.) All day"}),
    [](const testing::TestParamInfo<LineCase>& row) {
        std::string name = row.param.name;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST(PastOccurrenceTest, AllDayItemsArePastOnlyAfterTheLastSecondOfTheirEndDate) {
    const AppointmentRecord allDay = Occurrence(At(2015, 12, 7), At(2015, 12, 7), true);
    EXPECT_FALSE(IsPastOccurrence(allDay, At(2015, 12, 7, 23, 59, 59)));
    EXPECT_TRUE(IsPastOccurrence(allDay, At(2015, 12, 8)));
    const AppointmentRecord timed = Occurrence(At(2015, 12, 7, 9), At(2015, 12, 7, 10));
    EXPECT_FALSE(IsPastOccurrence(timed, At(2015, 12, 7, 10)));
    EXPECT_TRUE(IsPastOccurrence(timed, At(2015, 12, 7, 10, 0, 1)));
}

// ---- the query ----

class PeriodAgendaTest : public test::StoreFixture {
protected:
    PeriodAgendaTest() : agenda_(nullptr) {}
    void Query(SystemTime from, SystemTime to) { agenda_.QueryPeriod(from, to); }
    std::vector<std::u16string> Subjects() const {
        std::vector<std::u16string> subjects;
        for (const AppointmentRecord& item : agenda_.items()) {
            subjects.push_back(item.subject);
        }
        return subjects;
    }
    const QImage& Painted() {
        agenda_.PaintNow();
        return agenda_.backBuffer();
    }

    PeriodAgenda agenda_;
};

TEST_F(PeriodAgendaTest, LooksBack31DaysForItemsStillRunning) {
    // The period is 1..5 February 2015.
    Add(u"31 back", At(2015, 1, 1, 9), At(2015, 2, 3, 9));
    Add(u"32 back", At(2014, 12, 31, 9), At(2015, 2, 3, 9));
    Add(u"ended before", At(2015, 1, 20, 9), At(2015, 1, 31, 9));
    Add(u"inside", At(2015, 2, 5, 9), At(2015, 2, 5, 10));
    Add(u"after", At(2015, 2, 6, 9), At(2015, 2, 6, 10));
    Query(At(2015, 2, 1), At(2015, 2, 5, 23, 59, 59));
    EXPECT_EQ(Subjects(), (std::vector<std::u16string>{u"31 back", u"inside"}));
}

TEST_F(PeriodAgendaTest, ASeriesGivesOneRowPerOccurrenceWithItsOwnDate) {
    test::ItemSpec daily;
    daily.subject = u"daily";
    daily.start = At(2015, 1, 1, 8);
    daily.end = At(2015, 1, 1, 9);
    daily.dailyFor = -1;
    Add(daily);
    Query(At(2015, 3, 2), At(2015, 3, 6, 23, 59, 59));
    ASSERT_EQ(agenda_.items().size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(agenda_.items()[static_cast<size_t>(i)].start.day, 2 + i);
        EXPECT_EQ(agenda_.items()[static_cast<size_t>(i)].start.hour, 8);
    }
}

TEST_F(PeriodAgendaTest, AMultiDayItemIsListedOnce) {
    Add(u"trip", At(2015, 3, 1, 10), At(2015, 3, 4, 10));
    Query(At(2015, 3, 1), At(2015, 3, 5, 23, 59, 59));
    EXPECT_EQ(Subjects(), std::vector<std::u16string>{u"trip"});
    EXPECT_TRUE(agenda_.IsDuplicate(agenda_.items()[0]));
    AppointmentRecord other = agenda_.items()[0];
    other.subject = u"Trip";  // compared case by case
    EXPECT_FALSE(agenda_.IsDuplicate(other));
}

TEST_F(PeriodAgendaTest, AFailingQueryShowsNoSchedule) {
    Add(u"there", At(2015, 3, 2, 10), At(2015, 3, 2, 11));
    poom::SetFault(poom::FaultPoint::Restrict, true);
    Query(At(2015, 3, 1), At(2015, 3, 5, 23, 59, 59));
    EXPECT_TRUE(agenda_.items().empty());
    const QImage& image = Painted();
    EXPECT_GT(test::CountColour(image, 60, 1, 180, 17, kEmptyGrey), 10);
    EXPECT_EQ(test::CountColour(image, 0, 20, 240, 170, kEmptyGrey), 0);
}

// ---- rows as drawn ----

TEST_F(PeriodAgendaTest, PastRowsAreGreyUnlessSelected) {
    // The clock stands at noon on 9 December 2015.
    Add(u"morning", At(2015, 12, 9, 8), At(2015, 12, 9, 9));
    Add(u"past too", At(2015, 12, 9, 10), At(2015, 12, 9, 11));
    Add(u"evening", At(2015, 12, 9, 18), At(2015, 12, 9, 19));
    Query(At(2015, 12, 9), At(2015, 12, 9, 23, 59, 59));
    ASSERT_EQ(agenda_.items().size(), 3u);
    const QImage& image = Painted();
    EXPECT_EQ(Px(image, 100, 20), kSelectedFill);  // row 0
    EXPECT_EQ(test::CountColour(image, 5, 1, 200, 34, kPastGrey), 0) << "selected: white";
    EXPECT_GT(test::CountColour(image, 5, 35, 200, 51, kPastGrey), 20) << "row 1 is past";
    EXPECT_EQ(test::CountColour(image, 5, 69, 200, 102, kPastGrey), 0) << "row 2 is ahead";
    const PeriodAgenda::Layout layout = agenda_.LayoutFor();
    EXPECT_TRUE(layout.rows[0].past);
    EXPECT_TRUE(layout.rows[1].past);
    EXPECT_FALSE(layout.rows[2].past);
}

TEST_F(PeriodAgendaTest, KindLettersShowBesideTheBell) {
    test::ItemSpec ringing;
    ringing.subject = u"ringing";
    ringing.start = At(2015, 12, 10, 9);
    ringing.end = At(2015, 12, 10, 10);
    ringing.reminder = true;
    Add(ringing, &Calendar().HolidayOids);
    Add(u"again", At(2015, 12, 10, 11), At(2015, 12, 10, 12));
    Query(At(2015, 12, 10), At(2015, 12, 10, 23, 59, 59));
    agenda_.viewport().selected = 1;
    const QImage& image = Painted();
    // The bell at 207, then the red "H" 13 pixels to the left.
    EXPECT_GT(test::CountColour(image, 194, 5, 206, 17, QColor(255, 0, 0)), 5);
    EXPECT_EQ(test::CountColour(image, 194, 39, 219, 51, kSelectedFill), 25 * 12)
        << "none on row 1";
}

// ---- keys and the pen ----

TEST_F(PeriodAgendaTest, DownPastTheFifthRowMovesTheTop) {
    for (int i = 0; i < 7; ++i) {
        Add(u"x", At(2015, 12, 10, 1 + i), At(2015, 12, 10, 1 + i, 30));
    }
    Query(At(2015, 12, 10), At(2015, 12, 10, 23, 59, 59));
    std::vector<int> updates;
    agenda_.onScrollUpdate = [&](int first) { updates.push_back(first); };
    agenda_.viewport().selected = 4;
    EXPECT_TRUE(agenda_.MoveSelection(VK_DOWN));
    EXPECT_EQ(agenda_.viewport().selected, 5);
    EXPECT_EQ(agenda_.viewport().firstVisible, 1);
    EXPECT_EQ(updates, std::vector<int>{1});
}

TEST_F(PeriodAgendaTest, TheMenuOffersEveryCommandOnlyForAPlainAppointment) {
    const uint32_t alarm =
        Add(u"alarm", At(2015, 12, 10, 8), At(2015, 12, 10, 8), &Calendar().AlarmOids);
    Add(u"plain", At(2015, 12, 10, 9), At(2015, 12, 10, 10));
    Query(At(2015, 12, 10), At(2015, 12, 10, 23, 59, 59));
    agenda_.show();
    QTest::mouseClick(&agenda_, Qt::LeftButton, {}, QPoint(150, 40));  // the plain one
    QTest::mouseClick(&agenda_, Qt::LeftButton, {}, QPoint(30, 10));   // the alarm
    ASSERT_EQ(ui_.menus.size(), 2u);
    const PopupMenu& plain = ui_.menus[0].menu;
    ASSERT_EQ(plain.items.size(), 7u);
    EXPECT_EQ(plain.items[3].separator, true) << "Pause is gone";
    for (const PopupMenu::Item& item : plain.items) {
        EXPECT_FALSE(item.gray) << ToUtf8(item.text);
    }
    EXPECT_EQ(ui_.menus[0].align, MenuAlign::Right);
    EXPECT_EQ(ui_.menus[0].x, 145);
    EXPECT_EQ(ui_.menus[0].y, 40 + 96 - 26);
    for (const PopupMenu::Item& item : ui_.menus[1].menu.items) {
        EXPECT_TRUE(item.gray || item.separator) << ToUtf8(item.text);
    }
    EXPECT_EQ(agenda_.tappedItem.oid, alarm);
    EXPECT_EQ(ui_.menus[1].x, 35);
}

}  // namespace
}  // namespace moru
