// The editor's pure rules: which row a tap falls in and what it opens, the Recur texts for a
// start date, the reminder's amount and unit both ways, the half-hour rounding, the span and
// duration rules.
#include "editors/editor_layout.h"

#include <gtest/gtest.h>

#include "editors/appointment_writes.h"

namespace moru {
namespace {

using T = EditorTarget;

TEST(EditorTapTest, RowsColumnsAndTheLabelColumn) {
    struct Row {
        ItemKind kind;
        bool once, allDay;
        int x, y;
        EditorTarget target;
    };
    const Row rows[] = {
        // The label column never opens a control.
        {Alarm, true, false, 64, 20, T::None},
        {Appointment, true, false, 0, 40, T::None},
        // Above the first row counts as the first row.
        {Alarm, true, false, 65, 0, T::SubjectEdit},
        {Holiday, true, false, 100, 14, T::SubjectEdit},
        {Anniversary, true, false, 100, 40, T::SubjectEdit},  // (40 - 15) / 26 = 0
        {Alarm, true, false, 100, 41, T::StartDate},
        {Alarm, true, false, 100, 67, T::StartTime},
        {Alarm, true, false, 100, 93, T::RecurList},
        {Holiday, true, false, 100, 67, T::RecurList},
        // The reminder row's three columns.
        {Holiday, true, false, 114, 93, T::YesNoList},
        {Holiday, true, false, 115, 93, T::AmountEdit},
        {Holiday, true, false, 153, 93, T::UnitList},
        // The sound row: the list, then play, then stop.
        {Alarm, true, false, 195, 119, T::SoundList},
        {Alarm, true, false, 196, 119, T::PlaySound},
        {Alarm, true, false, 214, 119, T::StopSound},
        {Alarm, true, false, 100, 145, T::Memo},
        {Alarm, true, false, 100, 171, T::None},  // below the last row
        // An appointment's Start and End rows.
        {Appointment, true, false, 147, 36, T::StartDate},
        {Appointment, true, false, 148, 36, T::StartTime},
        {Appointment, true, true, 200, 36, T::StartDate},
        {Appointment, false, false, 70, 62, T::EndTime},
        {Appointment, false, true, 70, 62, T::None},
        {Appointment, true, false, 100, 88, T::None},  // the check box's row
        {Appointment, true, false, 100, 114, T::RecurList},
        {Appointment, true, false, 100, 140, T::YesNoList},
        {Appointment, true, false, 100, 192, T::Memo},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        EXPECT_EQ(TargetAt(r.kind, r.once, r.allDay, r.x, r.y), r.target) << "row " << i;
    }
}

TEST(EditorTapTest, ARecurringAppointmentsTimeSpansTheValueColumn) {
    EXPECT_EQ(ControlRect(Appointment, T::StartTime, true), DeviceRect::FromSize(150, 36, 80, 24));
    EXPECT_EQ(ControlRect(Appointment, T::StartTime, false), DeviceRect::FromSize(65, 36, 165, 24));
    EXPECT_EQ(ControlRect(Holiday, T::AmountEdit, true), DeviceRect::FromSize(118, 93, 35, 20));
    EXPECT_EQ(ControlRect(Appointment, T::SoundList, true), DeviceRect::FromSize(65, 166, 125, 24));
}

TEST(RepeatChoiceTextTest, WeekdayDayAndMonthFillTheTexts) {
    const auto sunday = RepeatChoiceTexts(MakeSystemTime(2015, 3, 1));
    EXPECT_EQ(sunday[0], u"Once");
    EXPECT_EQ(sunday[1], u"Everyday");
    EXPECT_EQ(sunday[2], u"Every Sunday");
    EXPECT_EQ(sunday[3], u"Weekdays(Mon-Fri)");
    EXPECT_EQ(sunday[4], u"Day 1 of every month");
    EXPECT_EQ(sunday[5], u"The 1st Sun. of every month");
    EXPECT_EQ(sunday[6], u"Mar. 1 of every year");
    EXPECT_EQ(sunday[7], u"The 1st Sun. of every Mar.");
    EXPECT_EQ(sunday[8], u"<Edit Pattern...>");
    // Days 29 to 31 fall in the last week, which the store numbers 5.
    for (int day : {29, 30, 31}) {
        const auto texts = RepeatChoiceTexts(MakeSystemTime(2015, 3, day));
        EXPECT_NE(texts[5].find(u"The last "), std::u16string::npos) << day;
        EXPECT_NE(texts[7].find(u"The last "), std::u16string::npos) << day;
        EXPECT_EQ(InstanceOfDay(day), 5) << day;
    }
    EXPECT_EQ(RepeatChoiceTexts(MakeSystemTime(2015, 3, 28))[5], u"The 4th Sat. of every month");
}

TEST(ReminderTest, StoredMinutesOpenAsAmountAndUnit) {
    const int rows[][3] = {{0, 0, kUnitMinutes}, {45, 45, kUnitMinutes}, {90, 90, kUnitMinutes},
                           {120, 2, kUnitHours}, {1440, 1, kUnitDays},   {2880, 2, kUnitDays}};
    for (const auto& [minutes, amount, unit] : rows) {
        const ReminderAmount split = SplitReminderMinutes(minutes);
        EXPECT_EQ(split.amount, amount) << minutes;
        EXPECT_EQ(split.unit, unit) << minutes;
    }
}

TEST(ReminderTest, AmountsAreReadInTheirRange) {
    struct Row {
        const char16_t* text;
        int unit;
        std::optional<int> minutes;
    };
    const Row rows[] = {{u"0", kUnitMinutes, 0},
                        {u"9999", kUnitMinutes, 9999},
                        {u"12", kUnitHours, 720},
                        {u"2", kUnitDays, 2880},
                        {u"10000", kUnitMinutes, {}},
                        {u"", kUnitMinutes, {}},
                        {u"99999999999999999999", kUnitDays, {}}};
    for (const Row& row : rows) {
        EXPECT_EQ(ReminderMinutes(row.text, row.unit).minutes, row.minutes);
    }
    EXPECT_EQ(ReminderMinutes(u"10000", 0).message, u"Please enter an integer between 0 and 9999.");
}

TEST(OpeningTimeTest, MinutesAreCutToTheHalfHourBelow) {
    EXPECT_EQ(RoundedToHalfHour(MakeSystemTime(2015, 3, 1, 9, 29, 59)),
              MakeSystemTime(2015, 3, 1, 9, 0));
    EXPECT_EQ(RoundedToHalfHour(MakeSystemTime(2015, 3, 1, 9, 30, 1)),
              MakeSystemTime(2015, 3, 1, 9, 30));
}

TEST(SpanTest, ThirtyOneDaysAreTooLongAndMinutesAreWhole) {
    const double start = *MakeDate(2015, 3, 1, 9, 0);
    EXPECT_TRUE(SpanTooLong(*MakeDate(2015, 4, 1, 9, 0) - start));
    EXPECT_FALSE(SpanTooLong(*MakeDate(2015, 4, 1, 8, 59) - start));
    EXPECT_FALSE(SpanTooLong(*MakeDate(2015, 2, 1, 9, 0) - start));  // backwards passes here
    EXPECT_EQ(DurationMinutes(*MakeDate(2015, 4, 1, 8, 59) - start), 44639);
    EXPECT_EQ(DurationMinutes(*MakeDate(2015, 3, 1, 10, 0) - start), 60);
    EXPECT_EQ(DurationMinutes(*MakeDate(2015, 3, 1, 9, 0, 59) - start), 0);
}

TEST(EditorFaceTest, RecurringAppointmentsShowTheirTimeAlone) {
    EditorFaceState state;
    state.kind = Appointment;
    state.once = false;
    state.startTime = MakeSystemTime(2015, 3, 1, 14, 5);
    EditorFace face = BuildEditorFace(state);
    auto has = [&](const QString& text) {
        return std::any_of(face.texts.begin(), face.texts.end(),
                           [&](const FaceText& t) { return t.text == text; });
    };
    EXPECT_TRUE(has(QStringLiteral("02:05 PM")));
    state.allDay = true;
    face = BuildEditorFace(state);
    EXPECT_TRUE(has(QStringLiteral("All day recurring")));
    EXPECT_EQ(face.lineColour, QColor(153, 153, 153));
    // A reminder turned off greys its amount and unit.
    state.reminderOn = false;
    face = BuildEditorFace(state);
    const auto amount = std::find_if(face.texts.begin(), face.texts.end(),
                                     [](const FaceText& t) { return t.rect.left == 118; });
    ASSERT_NE(amount, face.texts.end());
    EXPECT_EQ(amount->colour, QColor(153, 153, 153));
    // The sound icons show their grey halves for "Sound off".
    EXPECT_EQ(face.icons[0].source.left, 16);
}

}  // namespace
}  // namespace moru
