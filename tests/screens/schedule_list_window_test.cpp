// The schedule list window against the real store: the kind arrows and keys, the scroll bar's
// range and its selection rule, the reference period's rules, the new button, every command
// with its prompts and confirmations, and Copy to a kind from the agenda through to the month
// calendar's marker after the main view's refresh.
#include "screens/schedule_list_window.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimeEdit>

#include "app/main_frame.h"
#include "app/plumdial_doc.h"
#include "app/plumdial_view.h"
#include "editors/appointment_editor.h"
#include "platform/text.h"
#include "resources/menus.h"
#include "screens/appointment_detail.h"
#include "screens/category_list.h"
#include "screens/month_calendar_screen.h"
#include "screens/period_agenda.h"
#include "tests/screens/schedule_fixture.h"

namespace moru {
namespace {

using test::At;

class WindowTest : public test::StoreFixture {
protected:
    ScheduleListWindow& Open() {
        window_ = std::make_unique<ScheduleListWindow>(host_, nullptr);
        window_->show();
        window_->PaintNow();
        return *window_;
    }
    void Tap(int x, int y) { QTest::mouseClick(window_.get(), Qt::LeftButton, {}, QPoint(x, y)); }
    void Key(Qt::Key key) { QTest::keyClick(window_.get(), key); }
    void AddAlarms(int n) {
        for (int i = 0; i < n; ++i) {
            Add(u"alarm", At(2015, 1, 1, i % 24, i), At(2015, 1, 1, i % 24, i),
                &Calendar().AlarmOids);
        }
    }
    // Today's appointments: the agenda's period when the window opens.
    void AddToday(int n) {
        for (int i = 0; i < n; ++i) {
            Add(u"today", At(2015, 12, 9, 13, i), At(2015, 12, 9, 14, i));
        }
    }
    void TapAgendaRow(int row) {
        QTest::mouseClick(&window_->agenda(), Qt::LeftButton, {}, QPoint(30, row * 34 + 10));
    }

    test::RecordingHost host_;
    std::unique_ptr<ScheduleListWindow> window_;
};

// ---- kinds ----

TEST_F(WindowTest, ArrowsAndKeysStepThroughTheKindsAndWrap) {
    ScheduleListWindow& w = Open();
    EXPECT_EQ(w.tab(), Alarm);
    EXPECT_TRUE(w.fromPicker().isHidden());
    Tap(178, 20);  // previous
    EXPECT_EQ(w.tab(), Appointment);
    EXPECT_FALSE(w.fromPicker().isHidden());
    EXPECT_FALSE(w.agenda().isHidden());
    Tap(196, 20);  // next
    EXPECT_EQ(w.tab(), Alarm);
    EXPECT_FALSE(w.kindList(Alarm).isHidden());
    Key(Qt::Key_Right);
    EXPECT_EQ(w.tab(), Holiday);
    EXPECT_TRUE(w.kindList(Alarm).isHidden());
    Key(Qt::Key_Left);
    Key(Qt::Key_Left);
    EXPECT_EQ(w.tab(), Appointment);
    EXPECT_EQ(w.LayoutFor().title, u"Appointment");
    EXPECT_EQ(w.LayoutFor().kindIconSourceX, 75);
}

TEST_F(WindowTest, ATapOnItsOwnTabChangesNothing) {
    Open();
    Tap(60, 250);
    EXPECT_TRUE(host_.switched.empty());
    Tap(130, 250);
    EXPECT_EQ(host_.switched, std::vector<int>{kMonthScreen});
}

// ---- the scroll bar ----

TEST_F(WindowTest, ScrollRangesFollowTheListsRows) {
    AddAlarms(10);
    AddToday(10);
    Add(u"h", At(2015, 1, 1), At(2015, 1, 2), &Calendar().HolidayOids);
    ScheduleListWindow& w = Open();
    EXPECT_EQ(w.scrollBar().maximum(), 6);
    Key(Qt::Key_Right);
    EXPECT_EQ(w.scrollBar().maximum(), 0);
    Key(Qt::Key_Left);
    Key(Qt::Key_Left);
    EXPECT_EQ(w.scrollBar().maximum(), 5);
}

TEST_F(WindowTest, PagingKeepsTheSelectedRowsDistanceFromTheTop) {
    AddAlarms(10);
    ScheduleListWindow& w = Open();
    ListViewport& view = w.kindList(Alarm).viewport();
    w.scrollBar().setValue(3);
    EXPECT_EQ(view.firstVisible, 3);
    EXPECT_EQ(view.selected, 3) << "the top row's selection stays in the top row";
    view.selected = 4;
    w.scrollBar().triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(view.firstVisible, 6);
    EXPECT_EQ(view.selected, 7);
    view.selected = 1;
    w.scrollBar().triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(view.firstVisible, 5);
    EXPECT_EQ(view.selected, 1) << "above the old top: stays";
    EXPECT_EQ(ScheduleListWindow::SelectionAfterScroll(8, 3, 6, 10), 9) << "never past the end";
    EXPECT_EQ(ScheduleListWindow::SelectionAfterScroll(9, 6, 8, 10), 9);
}

TEST_F(WindowTest, KeysMoveTheSelectionAndTheThumb) {
    AddAlarms(6);
    ScheduleListWindow& w = Open();
    for (int i = 0; i < 4; ++i) {
        Key(Qt::Key_Down);
    }
    EXPECT_EQ(w.kindList(Alarm).viewport().selected, 4);
    EXPECT_EQ(w.scrollBar().value(), 1);
}

// ---- the reference period ----

TEST_F(WindowTest, APeriodOfMoreThan31DaysIsCutBackAfterAMessage) {
    ScheduleListWindow& w = Open();
    Key(Qt::Key_Left);
    w.fromPicker().setDate(QDate(2015, 1, 1));
    w.toPicker().setDate(QDate(2015, 2, 1));
    w.ToDateClosed();
    EXPECT_TRUE(ui_.messages.empty()) << "31.99 days is accepted";
    w.toPicker().setDate(QDate(2015, 2, 2));
    w.ToDateClosed();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"reference period cannot exceed 1 month");
    EXPECT_EQ(w.toPicker().date(), QDate(2015, 1, 31));

    w.fromPicker().setDate(QDate(2014, 12, 1));
    w.FromDateClosed();
    EXPECT_EQ(w.fromPicker().date(), QDate(2015, 1, 1));
    w.fromPicker().setDate(QDate(2015, 3, 10));
    w.FromDateClosed();
    EXPECT_EQ(w.toPicker().date(), QDate(2015, 3, 10)) << "a from-date after the to-date";
}

TEST_F(WindowTest, ThePeriodChosenIsTheAgendasPeriod) {
    Add(u"march", At(2015, 3, 4, 9), At(2015, 3, 4, 10));
    ScheduleListWindow& w = Open();
    EXPECT_TRUE(w.agenda().items().empty());
    w.toPicker().setDate(QDate(2015, 3, 31));
    w.fromPicker().setDate(QDate(2015, 3, 1));
    w.FromDateClosed();
    ASSERT_EQ(w.agenda().items().size(), 1u);
    EXPECT_EQ(w.agenda().items()[0].subject, u"march");
}

// ---- the new button and New ----

TEST_F(WindowTest, NewRunsTheEditorForTheTabsKindOnlyWhenReleasedOnTheButton) {
    ScheduleListWindow& w = Open();
    std::vector<int> modes;
    ui_.dialogHandler = [&](ModalDialog& dialog) {
        auto* editor = dynamic_cast<AppointmentEditor*>(&dialog);
        EXPECT_NE(editor, nullptr);
        if (editor) {
            modes.push_back(editor->mode());
            EXPECT_EQ(editor->fromMonthScreen, 0);
        }
        return kIdCancel;
    };
    QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(220, 20));
    EXPECT_EQ(w.LayoutFor().newButtonSourceX, 26) << "pressed";
    QMouseEvent away(QEvent::MouseMove, QPointF(100, 100), QPointF(100, 100), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &away);
    EXPECT_EQ(w.LayoutFor().newButtonSourceX, 0) << "slid off";
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(modes.empty());

    Tap(220, 20);
    Key(Qt::Key_Left);
    Tap(211, 33);  // the button's inclusive corner
    EXPECT_EQ(modes, (std::vector<int>{0, 6}));
    EXPECT_EQ(host_.dataChanged, 2);
}

// ---- commands that need a selection ----

TEST_F(WindowTest, CommandsWithoutASelectionShowTheirPrompt) {
    ScheduleListWindow& w = Open();
    w.OnCommand(command::kModify);
    w.OnCommand(command::kView);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    w.OnCommand(command::kView);
    Key(Qt::Key_Right);
    w.OnCommand(command::kDelete);
    std::vector<std::u16string> texts;
    for (const auto& message : ui_.messages) {
        texts.push_back(message.text);
    }
    EXPECT_EQ(texts, (std::vector<std::u16string>{u"Select alarm to modify", u"Select alarm to see",
                                                  u"Select anniversary to see",
                                                  u"Select appointment to delete"}));
    EXPECT_TRUE(ui_.dialogs.empty());
}

TEST_F(WindowTest, DeleteAsksFirstAndDeletesOnlyOnYes) {
    const uint32_t oid = Add(u"h", At(2015, 1, 1), At(2015, 1, 2), &Calendar().HolidayOids);
    ScheduleListWindow& w = Open();
    Key(Qt::Key_Right);
    ui_.messageAnswers = {kIdNo, kIdYes};
    w.OnCommand(command::kDelete);
    EXPECT_TRUE(InStore(oid));
    EXPECT_EQ(ui_.messages[0].text, u"Are you sure to delete?");
    EXPECT_EQ(ui_.messages[0].caption, u"Delete");
    EXPECT_EQ(ui_.messages[0].style, kMbYesNo);
    w.OnCommand(command::kDelete);
    EXPECT_FALSE(InStore(oid));
    EXPECT_TRUE(Calendar().HolidayOids.empty());
    EXPECT_TRUE(w.kindList(Holiday).items().empty());
    EXPECT_EQ(host_.dataChanged, 1);
}

TEST_F(WindowTest, DeletingAnAppointmentRequeriesThePeriod) {
    AddToday(2);
    ScheduleListWindow& w = Open();
    Key(Qt::Key_Left);
    w.OnCommand(command::kDelete);  // the default answer is Yes
    EXPECT_EQ(w.agenda().items().size(), 1u);
}

TEST_F(WindowTest, ViewOpensTheDetailThenTheEditorOrTheDelete) {
    const uint32_t oid = Add(u"alarm", At(2015, 1, 1, 7), At(2015, 1, 1, 7), &Calendar().AlarmOids);
    ScheduleListWindow& w = Open();
    std::vector<std::string> opened;
    int detailResult = AppointmentDetail::kModifyResult;
    ui_.dialogHandler = [&](ModalDialog& dialog) {
        opened.push_back(dialog.DialogName());
        if (auto* detail = dynamic_cast<AppointmentDetail*>(&dialog)) {
            EXPECT_EQ(detail->record.oid, oid);
            return detailResult;
        }
        if (auto* editor = dynamic_cast<AppointmentEditor*>(&dialog)) {
            EXPECT_EQ(editor->mode(), 1);
            EXPECT_EQ(editor->record.oid, oid);
        }
        return kIdCancel;
    };
    w.OnCommand(command::kView);
    EXPECT_EQ(opened, (std::vector<std::string>{"AppointmentDetail", "AppointmentEditor"}));
    EXPECT_TRUE(InStore(oid));

    detailResult = AppointmentDetail::kDeleteResult;
    ui_.messageAnswers = {kIdNo};
    w.OnCommand(command::kView);
    EXPECT_TRUE(InStore(oid));
    w.OnCommand(command::kView);
    EXPECT_FALSE(InStore(oid));
    w.ReloadList();
    EXPECT_TRUE(Calendar().AlarmOids.empty()) << "the reload drops the deleted identifier";
}

// ---- Copy to a kind ----

TEST_F(WindowTest, CopyPutsTheAgendasItemInOneKindOnly) {
    ScheduleListWindow& w = Open();
    w.OnCommand(command::kCopyToAlarm);  // an empty agenda has nothing selected
    EXPECT_TRUE(Calendar().AlarmOids.empty());
    EXPECT_EQ(host_.dataChanged, 0);
    AddToday(1);
    w.ReloadList();
    Key(Qt::Key_Left);
    const uint32_t oid = w.agenda().items()[0].oid;
    ui_.menuAnswers = {command::kCopyToHoliday};
    TapAgendaRow(0);
    EXPECT_EQ(Calendar().HolidayOids, OidList{oid});
    EXPECT_EQ(FileLists()[1], std::vector<uint32_t>{oid}) << "saved at once";
    ASSERT_EQ(w.kindList(Holiday).items().size(), 1u);
    EXPECT_EQ(host_.dataChanged, 1);

    w.OnCommand(command::kCopyToAnniversary);  // the same row, now a holiday
    EXPECT_TRUE(Calendar().AnniversaryOids.empty());
    EXPECT_EQ(host_.dataChanged, 1);
    auto all = TheStoreConnection().application->GetDefaultFolder(poom::kCalendarFolder)->Items();
    EXPECT_EQ(*all->Count(), 1) << "no store item is made";
}

TEST_F(WindowTest, ItemSavedAddsANewItemToTheTabsList) {
    ScheduleListWindow& w = Open();
    Key(Qt::Key_Right);
    const uint32_t oid = Add(u"new", At(2016, 1, 1), At(2016, 1, 2));
    AppointmentRecord record;
    ASSERT_NE(LoadAppointment(oid, record), 0u);
    w.ItemSaved(oid, record, true);
    EXPECT_EQ(Calendar().HolidayOids, OidList{oid});
    EXPECT_EQ(FileLists()[1], std::vector<uint32_t>{oid});
    ASSERT_EQ(w.kindList(Holiday).items().size(), 1u);
}

// ---- New through the real editor ----

TEST_F(WindowTest, ANewAlarmSavedByTheEditorIsInItsListTheStoreAndTheFile) {
    ScheduleListWindow& w = Open();
    ui_.dialogHandler = [&](ModalDialog& dialog) {
        auto* editor = dynamic_cast<AppointmentEditor*>(&dialog);
        if (editor == nullptr || !editor->Open()) {
            return kIdCancel;
        }
        editor->subjectEdit()->setText(QStringLiteral("Wake up"));
        editor->startDateEdit()->setDate(QDate(2015, 12, 10));
        editor->startTimeEdit()->setTime(QTime(6, 45));
        editor->accept();
        return editor->result();
    };
    Tap(220, 20);
    ASSERT_EQ(w.kindList(Alarm).items().size(), 1u)
        << (ui_.messages.empty() ? std::string() : ToUtf8(ui_.messages[0].text));
    const AppointmentRecord& shown = w.kindList(Alarm).items()[0];
    EXPECT_EQ(shown.subject, u"Wake up");
    EXPECT_EQ(Calendar().AlarmOids, OidList{shown.oid});
    EXPECT_EQ(FileLists()[0], std::vector<uint32_t>{shown.oid});
    AppointmentRecord stored;
    ASSERT_NE(LoadAppointment(shown.oid, stored), 0u);
    EXPECT_EQ(stored.start.hour, 6);
    EXPECT_EQ(stored.start.minute, 45);
    EXPECT_EQ(w.kindList(Alarm).LayoutFor().rows[0].lines[0], u"(06:45) Wake up");
    EXPECT_EQ(host_.dataChanged, 1);
}

// ---- through the main view: copy, refresh, the month's marker ----

class WindowInViewTest : public testing::Test {
protected:
    void SetUp() override { setenv("MORU_RINGSET", "/bin/true", 1); }
    test::TempDeviceRoot root_;
    ScopedCalendarState calendar_;
    ScriptedUiHost ui_;
    LocalTimePin pin_{MakeSystemTime(2015, 12, 9, 12)};
};

TEST_F(WindowInViewTest, CopyToHolidayShowsTheRedMarkerAfterTheRefresh) {
    CPlumdialDoc document;
    CMainFrame frame(document);
    CPlumdialView& view = frame.view();
    view.OnInitialUpdate();
    frame.show();
    ASSERT_TRUE(view.storeOpen());
    auto item = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
    item->SetSubject(u"party");
    item->SetStart(*MakeDate(2015, 12, 9, 15));
    item->SetEnd(*MakeDate(2015, 12, 9, 16));
    ASSERT_TRUE(item->Save().ok());

    view.SwitchScreen(kScheduleScreen);
    ScheduleListWindow& w = *view.scheduleScreen();
    w.ReloadList();
    w.ShowTab(Appointment);
    ASSERT_EQ(w.agenda().items().size(), 1u);
    ui_.menuAnswers = {command::kCopyToHoliday};
    QSignalSpy refreshed(&view, &CPlumdialView::Refreshed);
    QTest::mouseClick(&w.agenda(), Qt::LeftButton, {}, QPoint(30, 10));
    ASSERT_TRUE(refreshed.wait(2000));
    EXPECT_EQ(Calendar().HolidayOids, OidList{item->Oid()});
    ASSERT_EQ(w.kindList(Holiday).items().size(), 1u);

    MonthCalendarScreen& month = *view.monthScreen();
    month.PaintNow();
    // 9 December 2015 is in the second week of the grid, on a Wednesday.
    const CellRect cell = CellRectOf(1, 3);
    const CellRect marker = MarkerRect(cell, Holiday);
    EXPECT_EQ(QColor(month.backBuffer().pixel(marker.left + 2, marker.bottom - 2)),
              QColor(255, 0, 0));

    // A clean end (Ctrl+Q, --quit and SIGTERM all close the view) writes the kinds too, even
    // a change that reached the lists without a save of its own.
    Calendar().AnniversaryOids.push_back(item->Oid() + 100);
    view.close();
    const std::string bytes =
        test::ReadFileBytes(root_.path() / "My Documents" / "MoruCalendar" / "MoruCalendar.dat");
    ASSERT_EQ(bytes.size(), 15u + 8u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[18]), item->Oid() + 100);  // the anniversary section
}

}  // namespace
}  // namespace moru
