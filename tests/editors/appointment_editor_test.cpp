// The appointment editor against the real store in a temporary device root, with a pinned
// clock: what it opens with, what taps show, what a save writes (read back through the store
// and through moru-device as a separate process), its refusals, the memo row, the sound
// preview and the recurrence wizard as it reaches them.
#include "editors/appointment_editor.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QLineEdit>
#include <QTimeEdit>
#include <map>
#include <sstream>

#include "editors/drop_down_list.h"
#include "editors/memo_editor.h"
#include "editors/pattern_page.h"
#include "editors/recurrence_wizard.h"
#include "platform/device_root.h"
#include "platform/scripted_ui_host.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "store/calendar_state.h"
#include "store/memo_files.h"
#include "tests/support/temp_root.h"
#include "tests/tools/tool_process.h"

namespace moru {
namespace {

namespace fs = std::filesystem;

class EditorTest : public testing::Test {
protected:
    EditorTest() {
        fs::create_directories(root_.path() / "Windows");
        test::WriteFileBytes(root_.path() / "Windows" / "Bell.wav", "RIFF");
        EXPECT_TRUE(OpenStoreConnection());
    }
    ~EditorTest() override { CloseStoreConnection(); }

    std::unique_ptr<AppointmentEditor> Open(EditorMode mode,
                                            const AppointmentRecord* item = nullptr) {
        auto editor = std::make_unique<AppointmentEditor>(mode);
        if (item) {
            editor->record = *item;
        }
        EXPECT_TRUE(editor->Open());
        return editor;
    }

    static void SetStart(AppointmentEditor& e, int y, int m, int d, int h, int min) {
        e.startDateEdit()->setDate(QDate(y, m, d));
        e.startTimeEdit()->setTime(QTime(h, min));
    }
    static void SetEnd(AppointmentEditor& e, int y, int m, int d, int h, int min) {
        e.endDateEdit()->setDate(QDate(y, m, d));
        e.endTimeEdit()->setTime(QTime(h, min));
    }
    // Saves; true when the dialog ended with OK.
    static bool Save(AppointmentEditor& e) {
        e.accept();
        return e.result() == kIdOk;
    }

    // The saved item as another process sees it.
    std::map<std::string, std::string> Shown(uint32_t oid) {
        const test::ToolRun run =
            test::RunTool(test::ToolPath("moru-device"),
                          {"--root", root_.path().string(), "show", std::to_string(oid)});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::map<std::string, std::string> fields;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            if (const size_t colon = line.find(": "); colon != std::string::npos) {
                fields[line.substr(0, colon)] = line.substr(colon + 2);
            }
        }
        return fields;
    }

    AppointmentRecord Load(uint32_t oid) {
        AppointmentRecord record;
        EXPECT_EQ(LoadAppointment(oid, record), oid);
        return record;
    }

    uint32_t SavedNew(EditorMode mode, const std::function<void(AppointmentEditor&)>& edit) {
        auto editor = Open(mode);
        editor->subjectEdit()->setText(QStringLiteral("Item"));
        edit(*editor);
        EXPECT_TRUE(Save(*editor))
            << (ui_.messages.empty() ? "" : ToUtf8(ui_.messages.back().text));
        return editor->savedOid();
    }

    test::TempDeviceRoot root_;
    ScriptedUiHost ui_;
    LocalTimePin pin_{MakeSystemTime(2015, 3, 1, 9, 44, 31)};  // a Sunday
};

// ---- opening ----

TEST_F(EditorTest, NewItemsOpenAtTheHalfHourBelowNowWithTheirKindsReminder) {
    auto alarm = Open(EditorModeFor(Alarm, false));
    EXPECT_EQ(alarm->startDateEdit()->date(), QDate(2015, 3, 1));
    EXPECT_EQ(alarm->startTimeEdit()->time(), QTime(9, 30, 0));
    EXPECT_EQ(alarm->yesNoList()->currentText(), QStringLiteral("Yes"));
    EXPECT_EQ(alarm->amountEdit()->text(), QStringLiteral("15"));
    EXPECT_EQ(alarm->soundList()->currentText(), QStringLiteral("Sound off"));
    EXPECT_EQ(alarm->soundList()->count(), 2);  // "Sound off" and the one .wav
    EXPECT_EQ(alarm->recurList()->currentIndex(), RepeatOnce);
    EXPECT_EQ(alarm->recurList()->itemText(2), QStringLiteral("Every Sunday"));
    EXPECT_EQ(alarm->shownControl(), nullptr);

    auto holiday = Open(EditorModeFor(Holiday, false));
    EXPECT_EQ(holiday->yesNoList()->currentText(), QStringLiteral("No"));
    EXPECT_EQ(holiday->amountEdit()->text(), QStringLiteral("12"));
    EXPECT_EQ(holiday->unitList()->currentText(), QStringLiteral("Hour(s)"));
    EXPECT_FALSE(holiday->amountEdit()->isEnabled());
    EXPECT_FALSE(holiday->soundList()->isEnabled());

    // The new item's pattern is preset from its start, ready for the wizard.
    const poom::RecurrencePattern* pattern = holiday->pattern();
    ASSERT_NE(pattern, nullptr);
    EXPECT_EQ(pattern->RecurrenceType(), poom::kRecursWeekly);
    EXPECT_EQ(pattern->DayOfWeekMask(), 1);  // Sunday
    EXPECT_EQ(pattern->Instance(), 1);
    EXPECT_EQ(pattern->MonthOfYear(), 3);
}

TEST_F(EditorTest, ChangedItemsOpenWithTheirReminderSplitIntoAmountAndUnit) {
    struct Row {
        int minutes;
        const char16_t* amount;
        const char16_t* unit;
    };
    const Row rows[] = {{0, u"0", u"Minute(s)"},   {45, u"45", u"Minute(s)"},
                        {90, u"90", u"Minute(s)"}, {120, u"2", u"Hour(s)"},
                        {1440, u"1", u"Day(s)"},   {2880, u"2", u"Day(s)"}};
    for (const Row& row : rows) {
        const uint32_t oid = SavedNew(EditorModeFor(Appointment, false), [&](AppointmentEditor& e) {
            e.yesNoList()->setCurrentIndex(0);
            e.amountEdit()->setText(QString::number(row.minutes));
            e.unitList()->setCurrentIndex(kUnitMinutes);
        });
        const AppointmentRecord stored = Load(oid);
        ASSERT_EQ(stored.reminderMinutes, row.minutes);
        auto changed = Open(EditorModeFor(Appointment, true), &stored);
        EXPECT_EQ(changed->yesNoList()->currentText(), QStringLiteral("Yes")) << row.minutes;
        EXPECT_EQ(changed->amountEdit()->text(), QString::fromUtf16(row.amount)) << row.minutes;
        EXPECT_EQ(changed->unitList()->currentText(), QString::fromUtf16(row.unit)) << row.minutes;
    }
}

TEST_F(EditorTest, AChangedItemGoneFromTheStoreIsReportedAndNeverEdited) {
    AppointmentRecord gone;
    gone.oid = 4242;
    AppointmentEditor editor(EditorModeFor(Alarm, true));
    editor.record = gone;
    EXPECT_EQ(editor.Exec(), kIdCancel);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_NE(ui_.messages[0].text.find(u"no longer"), std::u16string::npos);
    editor.accept();  // an OK that reaches it anyway saves nothing
    EXPECT_EQ(editor.savedOid(), 0u);
}

TEST_F(EditorTest, TheRecurTextsFollowTheStartDateEachTimeTheListDropsDown) {
    auto editor = Open(EditorModeFor(Appointment, false));
    editor->recurList()->setCurrentIndex(RepeatMonthlyNth);
    SetStart(*editor, 2015, 3, 31, 9, 0);  // a Tuesday in the last week
    EXPECT_EQ(editor->recurList()->itemText(2), QStringLiteral("Every Sunday"));
    emit editor->recurList()->droppedDown();
    EXPECT_EQ(editor->recurList()->itemText(2), QStringLiteral("Every Tuesday"));
    EXPECT_EQ(editor->recurList()->itemText(5), QStringLiteral("The last Tue. of every month"));
    EXPECT_EQ(editor->recurList()->currentIndex(),
              RepeatMonthlyNth);  // a new item keeps its choice
}

TEST_F(EditorTest, AChangedSeriesOpensOnItsPatternsDatesWithItsLength) {
    const uint32_t oid = SavedNew(EditorModeFor(Appointment, false), [](AppointmentEditor& e) {
        SetStart(e, 2015, 3, 3, 9, 0);
        SetEnd(e, 2015, 3, 4, 10, 30);  // a day and an hour and a half
        e.recurList()->setCurrentIndex(RepeatWeekly);
    });
    const AppointmentRecord stored = Load(oid);
    auto editor = Open(EditorModeFor(Appointment, true), &stored);
    EXPECT_EQ(editor->recurList()->currentIndex(), RepeatWeekly);
    EXPECT_EQ(editor->startDateEdit()->date(), QDate(2015, 3, 3));
    EXPECT_EQ(editor->startTimeEdit()->time(), QTime(9, 0));
    EXPECT_EQ(editor->endDateEdit()->date(), QDate(2015, 3, 4));
    EXPECT_EQ(editor->endTimeEdit()->time(), QTime(10, 30));
    // A series shows its times alone; its time picker spans the value column.
    editor->PenDownAt(70, 40);
    EXPECT_EQ(editor->shownControl(), editor->startTimeEdit());
}

TEST_F(EditorTest, AChangedOneOffAlarmKeepsItsTimeInTheWizardsPattern) {
    const uint32_t oid = SavedNew(EditorModeFor(Alarm, false),
                                  [](AppointmentEditor& e) { SetStart(e, 2015, 3, 5, 6, 45); });
    const AppointmentRecord stored = Load(oid);
    auto editor = Open(EditorModeFor(Alarm, true), &stored);
    ui_.dialogHandler = [](ModalDialog& dialog) {
        auto& wizard = dynamic_cast<RecurrenceWizard&>(dialog);
        wizard.Open();
        wizard.accept();  // the seeded pattern as it is: weekly on the start's weekday
        return wizard.result();
    };
    editor->recurList()->setCurrentIndex(RepeatOther);
    editor->recurList()->hidePopup();
    QCoreApplication::processEvents();
    ASSERT_TRUE(Save(*editor));
    const auto shown = Shown(oid);
    EXPECT_EQ(shown.at("Pattern.StartTime").substr(11), "06:45:00");
    EXPECT_EQ(shown.at("Pattern.DayOfWeekMask"), "16");  // Thursday
    EXPECT_EQ(Load(oid).repeatChoice, RepeatWeekly);
}

// ---- taps ----

TEST_F(EditorTest, TapsShowOneControlAndTheLabelColumnShowsNone) {
    auto editor = Open(EditorModeFor(Holiday, false));
    editor->PenDownAt(100, 3);  // above the first row: the first row
    EXPECT_EQ(editor->shownControl(), editor->subjectEdit());
    editor->PenDownAt(40, 70);  // the label column hides and shows nothing
    EXPECT_EQ(editor->shownControl(), nullptr);
    struct Row {
        int x, y;
        QWidget* expected;
    };
    const Row rows[] = {{100, 45, editor->startDateEdit()}, {100, 70, editor->recurList()},
                        {80, 97, editor->yesNoList()},      {130, 97, editor->amountEdit()},
                        {170, 97, editor->unitList()},      {150, 123, editor->soundList()}};
    for (const Row& row : rows) {
        editor->PenDownAt(row.x, row.y);
        EXPECT_EQ(editor->shownControl(), row.expected) << row.x << "," << row.y;
    }
}

TEST_F(EditorTest, AnAppointmentsStartRowShowsTheDateOrTheTimeByColumn) {
    auto editor = Open(EditorModeFor(Appointment, false));
    editor->PenDownAt(100, 40);
    EXPECT_EQ(editor->shownControl(), editor->startDateEdit());
    editor->PenDownAt(160, 40);
    EXPECT_EQ(editor->shownControl(), editor->startTimeEdit());
    editor->PenDownAt(160, 66);
    EXPECT_EQ(editor->shownControl(), editor->endTimeEdit());
    editor->allDayBox()->setChecked(true);  // hides every control
    EXPECT_EQ(editor->shownControl(), nullptr);
    editor->PenDownAt(160, 40);  // all day: the date only
    EXPECT_EQ(editor->shownControl(), editor->startDateEdit());
}

// ---- start and end ----

TEST_F(EditorTest, MovingStartPastEndDragsTheEndAndBack) {
    auto editor = Open(EditorModeFor(Appointment, false));
    SetStart(*editor, 2015, 3, 1, 9, 0);
    SetEnd(*editor, 2015, 3, 1, 10, 0);
    SetStart(*editor, 2015, 3, 2, 11, 0);
    EXPECT_EQ(editor->endDateEdit()->date(), QDate(2015, 3, 2));
    EXPECT_EQ(editor->endTimeEdit()->time(), QTime(11, 0));
    SetEnd(*editor, 2015, 3, 1, 8, 0);
    EXPECT_EQ(editor->startDateEdit()->date(), QDate(2015, 3, 1));
    EXPECT_EQ(editor->startTimeEdit()->time(), QTime(8, 0));
}

// ---- saving ----

TEST_F(EditorTest, ThirtyOneDaysAreRefusedAndOneMinuteLessIsSaved) {
    auto editor = Open(EditorModeFor(Appointment, false));
    editor->subjectEdit()->setText(QStringLiteral("Trip"));
    SetStart(*editor, 2015, 3, 1, 9, 0);
    SetEnd(*editor, 2015, 4, 1, 9, 0);
    EXPECT_FALSE(Save(*editor));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"Cannot save. Appointments cannot be longer than 31 days.");
    EXPECT_EQ(ui_.messages[0].style, kMbOk | kMbIconExclamation);

    SetEnd(*editor, 2015, 4, 1, 8, 59);
    ASSERT_TRUE(Save(*editor));
    const auto shown = Shown(editor->savedOid());
    EXPECT_EQ(shown.at("Duration"), "44639");
    EXPECT_EQ(shown.at("Subject"), "Trip");
    EXPECT_EQ(shown.at("BusyStatus"), "2");
    EXPECT_EQ(shown.at("ReminderSet"), "false");
    EXPECT_EQ(shown.at("IsRecurring"), "false");
    EXPECT_EQ(editor->savedRecord().oid, editor->savedOid());
    EXPECT_EQ(editor->savedRecord().end, MakeSystemTime(2015, 4, 1, 8, 59));
}

TEST_F(EditorTest, AnEmptySubjectIsRefusedAndOneBlankIsSaved) {
    auto editor = Open(EditorModeFor(Anniversary, false));
    EXPECT_FALSE(Save(*editor));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"Subject is empty...");
    EXPECT_EQ(ui_.messages[0].style, kMbOk);
    editor->subjectEdit()->setText(QStringLiteral(" "));
    ASSERT_TRUE(Save(*editor));
    const auto shown = Shown(editor->savedOid());
    EXPECT_EQ(shown.at("Subject"), " ");
    EXPECT_EQ(shown.at("AllDayEvent"), "true");
    EXPECT_EQ(shown.at("Start"), shown.at("End"));  // midnight to midnight
    EXPECT_TRUE(editor->isNew());
}

TEST_F(EditorTest, TheRecordHandedBackDescribesTheItemAsStored) {
    auto holiday = Open(EditorModeFor(Holiday, false));
    holiday->subjectEdit()->setText(QStringLiteral("Christmas"));
    holiday->startDateEdit()->setDate(QDate(2015, 12, 25));
    ASSERT_TRUE(Save(*holiday));
    const AppointmentRecord& saved = holiday->savedRecord();
    EXPECT_EQ(saved.start, MakeSystemTime(2015, 12, 25));
    EXPECT_EQ(saved.end, MakeSystemTime(2015, 12, 25));
    EXPECT_EQ(saved.allDay, 1);
    EXPECT_EQ(saved.recurring, 0);
    EXPECT_EQ(saved.recurrenceType, -1);
    EXPECT_EQ(saved.instance, 4);        // (25 - 1) / 7 + 1
    EXPECT_EQ(saved.dayOfWeekMask, 32);  // a Friday
    const AppointmentRecord stored = Load(holiday->savedOid());
    EXPECT_EQ(stored.start, saved.start);
    EXPECT_EQ(stored.end, saved.end);

    auto alarm = Open(EditorModeFor(Alarm, false));
    alarm->subjectEdit()->setText(QStringLiteral("Wake"));
    SetStart(*alarm, 2015, 3, 1, 6, 0);  // before the end pickers' 09:30
    ASSERT_TRUE(Save(*alarm));
    EXPECT_EQ(alarm->savedRecord().end, MakeSystemTime(2015, 3, 1, 6, 0));
    EXPECT_EQ(alarm->savedRecord().reminderSet, 1);
    EXPECT_EQ(alarm->savedRecord().soundOn, 0);
}

TEST_F(EditorTest, ANewAlarmWithSoundOffRemindsSilentlyAtItsTime) {
    const uint32_t oid = SavedNew(EditorModeFor(Alarm, false), [](AppointmentEditor&) {});
    const auto shown = Shown(oid);
    EXPECT_EQ(shown.at("ReminderSet"), "true");
    EXPECT_EQ(shown.at("ReminderOptions"), "21");
    EXPECT_EQ(shown.at("ReminderSoundFile"), "");
    EXPECT_EQ(shown.at("ReminderMinutesBeforeStart"), "0");
    EXPECT_EQ(shown.at("Start"), shown.at("End"));
}

TEST_F(EditorTest, AChosenSoundIsSavedByNameWithTheSoundBit) {
    const uint32_t oid = SavedNew(EditorModeFor(Holiday, false), [](AppointmentEditor& e) {
        e.yesNoList()->setCurrentIndex(0);
        e.amountEdit()->setText(QStringLiteral("2"));
        e.unitList()->setCurrentIndex(kUnitDays);
        e.soundList()->setCurrentIndex(1);
    });
    const auto shown = Shown(oid);
    EXPECT_EQ(shown.at("ReminderOptions"), "29");
    EXPECT_EQ(shown.at("ReminderSoundFile"), "Bell.wav");
    EXPECT_EQ(shown.at("ReminderMinutesBeforeStart"), "2880");
    // The changed item finds its sound again, in any case.
    AppointmentRecord stored = Load(oid);
    stored.soundFile = u"BELL.WAV";
    auto changed = Open(EditorModeFor(Holiday, true), &stored);
    EXPECT_EQ(changed->soundList()->currentIndex(), 1);
}

TEST_F(EditorTest, AReminderAmountOutsideTheRangeStopsTheSave) {
    auto editor = Open(EditorModeFor(Appointment, false));
    editor->subjectEdit()->setText(QStringLiteral("Call"));
    editor->yesNoList()->setCurrentIndex(0);
    editor->amountEdit()->setText(QStringLiteral("10000"));
    EXPECT_FALSE(Save(*editor));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"Please enter an integer between 0 and 9999.");
    editor->amountEdit()->setText(QStringLiteral("9999"));
    EXPECT_TRUE(Save(*editor));
}

TEST_F(EditorTest, TheSimpleChoicesWriteTheirPatterns) {
    struct Row {
        int choice;
        int type;
        int mask;
    };
    // 1 March 2015 is a Sunday: its bit is 1, and choice 3 is Monday to Friday whatever the day.
    const Row rows[] = {{1, 0, 1}, {2, 1, 1}, {3, 1, 62}, {4, 2, 1},
                        {5, 3, 1}, {6, 5, 1}, {7, 6, 1}};
    for (const Row& row : rows) {
        const uint32_t oid = SavedNew(EditorModeFor(Appointment, false), [&](AppointmentEditor& e) {
            SetStart(e, 2015, 3, 1, 9, 0);
            SetEnd(e, 2015, 3, 1, 10, 0);
            e.recurList()->setCurrentIndex(row.choice);
        });
        const auto shown = Shown(oid);
        EXPECT_EQ(shown.at("Pattern.RecurrenceType"), std::to_string(row.type)) << row.choice;
        EXPECT_EQ(shown.at("Pattern.DayOfWeekMask"), std::to_string(row.mask)) << row.choice;
        EXPECT_EQ(shown.at("Pattern.NoEndDate"), "true");
        EXPECT_EQ(shown.at("Pattern.Duration"), "60");
        const AppointmentRecord stored = Load(oid);
        EXPECT_EQ(stored.repeatChoice, row.choice);
    }
}

TEST_F(EditorTest, TheRecurListOfAChangedItemComesBackToItsStoredChoice) {
    const uint32_t oid = SavedNew(EditorModeFor(Alarm, false), [](AppointmentEditor& e) {
        e.recurList()->setCurrentIndex(RepeatWeekly);
    });
    const AppointmentRecord stored = Load(oid);
    auto editor = Open(EditorModeFor(Alarm, true), &stored);
    EXPECT_EQ(editor->recurList()->currentIndex(), RepeatWeekly);
    editor->recurList()->setCurrentIndex(RepeatDaily);
    emit editor->recurList()->droppedDown();
    EXPECT_EQ(editor->recurList()->currentIndex(), RepeatWeekly);
}

TEST_F(EditorTest, ARefusedStoreSaveKeepsTheDialogOpen) {
    auto editor = Open(EditorModeFor(Appointment, false));
    editor->subjectEdit()->setText(QStringLiteral("Meeting"));
    poom::SetFault(poom::FaultPoint::Save, true);
    EXPECT_FALSE(Save(*editor));
    poom::ClearFaults();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text,
              u"Cannot save. Please check the Start/End date and Recurrence pattern.");
    EXPECT_TRUE(Save(*editor));
}

TEST_F(EditorTest, CancelDiscardsANewItemAndKeepsAChangedOne) {
    auto editor = Open(EditorModeFor(Appointment, false));
    editor->subjectEdit()->setText(QStringLiteral("Never"));
    editor->reject();
    EXPECT_EQ(editor->result(), kIdCancel);
    EXPECT_EQ(TheStoreConnection().folder->Items()->Count().value(), 0);

    const uint32_t oid = SavedNew(EditorModeFor(Appointment, false), [](AppointmentEditor&) {});
    const AppointmentRecord stored = Load(oid);
    auto changed = Open(EditorModeFor(Appointment, true), &stored);
    changed->subjectEdit()->setText(QStringLiteral("Changed"));
    changed->reject();
    EXPECT_EQ(Shown(oid).at("Subject"), "Item");
}

// ---- memo, sound and the wizard ----

TEST_F(EditorTest, TheMemoRowEditsTheInkBodyThatTheSaveStores) {
    auto editor = Open(EditorModeFor(Appointment, false));
    editor->subjectEdit()->setText(QStringLiteral("Sketch"));
    const std::vector<uint8_t> ink = {1, 2, 3, 4};
    ui_.dialogHandler = [&](ModalDialog& dialog) {
        auto* memo = dynamic_cast<MemoEditor*>(&dialog);
        EXPECT_NE(memo, nullptr);
        EXPECT_TRUE(memo && memo->memoPath.empty());
        SharedMemoBuffer.Assign(ink);
        return kIdOk;
    };
    editor->PenDownAt(100, 200);  // the memo row
    EXPECT_EQ(ui_.dialogs, std::vector<std::string>{"MemoEditor"});
    ASSERT_TRUE(Save(*editor));
    EXPECT_EQ(Shown(editor->savedOid()).at("BodyInk"), "4 bytes");

    // Too much ink for the store is refused with its message and the editor stays usable.
    ui_.dialogHandler = [&](ModalDialog&) {
        SharedMemoBuffer.Assign(std::vector<uint8_t>(poom::kMaxInkBodyBytes + 1, 7));
        return kIdOk;
    };
    const AppointmentRecord stored = Load(editor->savedOid());
    auto changed = Open(EditorModeFor(Appointment, true), &stored);
    changed->PenDownAt(100, 200);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"Cannot save. Memo exceeded memory limitation.");
    ASSERT_TRUE(Save(*changed));
    EXPECT_EQ(Shown(editor->savedOid()).at("BodyInk"), "4 bytes");
}

TEST_F(EditorTest, ThePlayAndStopIconsPreviewTheChosenSound) {
    SoundRecorder recorder;
    auto editor = Open(EditorModeFor(Alarm, false));
    editor->soundList()->setCurrentIndex(1);
    editor->PenDownAt(200, 125);  // play
    editor->PenDownAt(220, 125);  // stop
    editor->soundList()->setCurrentIndex(0);
    editor->PenDownAt(200, 125);  // play with "Sound off" only stops
    const auto requests = recorder.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].action, SoundRequest::Action::Stop);
    EXPECT_EQ(requests[1].action, SoundRequest::Action::Play);
    EXPECT_EQ(requests[1].devicePath, u"\\Windows\\Bell.wav");
    EXPECT_EQ(requests[2].action, SoundRequest::Action::Stop);
    EXPECT_EQ(requests[3].action, SoundRequest::Action::Stop);
}

TEST_F(EditorTest, EditPatternRunsTheWizardOnTheItemsPatternAndCancelRestoresTheChoice) {
    auto editor = Open(EditorModeFor(Alarm, false));
    editor->subjectEdit()->setText(QStringLiteral("Rent"));
    SetStart(*editor, 2015, 3, 10, 7, 15);
    ui_.dialogHandler = [](ModalDialog& dialog) {
        auto& wizard = dynamic_cast<RecurrenceWizard&>(dialog);
        wizard.Open();
        auto* page = dynamic_cast<PatternPage*>(wizard.page(0));
        page->PenDown(150, 10);                 // the Monthly tab
        page->monthDay()->setCurrentIndex(14);  // day 15
        wizard.Next();
        wizard.Next();  // "Done"
        return wizard.result();
    };
    editor->recurList()->setCurrentIndex(RepeatOther);
    editor->recurList()->hidePopup();
    QCoreApplication::processEvents();
    EXPECT_EQ(ui_.dialogs, std::vector<std::string>{"RecurrenceWizard"});
    EXPECT_EQ(editor->recurList()->currentIndex(), RepeatOther);
    ASSERT_TRUE(Save(*editor));
    const auto shown = Shown(editor->savedOid());
    EXPECT_EQ(shown.at("Pattern.RecurrenceType"), "2");
    EXPECT_EQ(shown.at("Pattern.DayOfMonth"), "15");
    // The alarm's occurrences ring at its time and last no time at all.
    EXPECT_EQ(shown.at("Pattern.StartTime").substr(11), "07:15:00");
    EXPECT_EQ(shown.at("Pattern.Duration"), "0");

    auto another = Open(EditorModeFor(Alarm, false));
    ui_.dialogHandler = [](ModalDialog&) { return kIdCancel; };
    another->recurList()->setCurrentIndex(RepeatOther);
    another->recurList()->hidePopup();
    QCoreApplication::processEvents();
    EXPECT_EQ(another->recurList()->currentIndex(), RepeatOnce);
}

// ---- the painted face ----

TEST_F(EditorTest, TheFacePaintsItsUnderlinesAndTheMemoLink) {
    auto editor = Open(EditorModeFor(Appointment, false));
    editor->PaintNow();
    const QImage& face = editor->backBuffer();
    // The subject row's underline (row top 10, 23 pixels down) in the appointments' grey.
    EXPECT_EQ(QColor(face.pixel(100, 33)), QColor(153, 153, 153));
    bool blue = false;
    for (int y = 196; y < 215 && !blue; ++y) {
        for (int x = 65; x < 140 && !blue; ++x) {
            blue = QColor(face.pixel(x, y)) == QColor(50, 50, 255);
        }
    }
    EXPECT_TRUE(blue) << "no \"Edit memo...\" text";
}

}  // namespace
}  // namespace moru
