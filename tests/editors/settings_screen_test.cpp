// The settings screen against the real store and memo folder in a temporary device root:
// the counted captions (and the appointment count when the lists name items that are gone),
// what Delete removes for each choice of boxes, a store that refuses deletes, and what the
// window does meanwhile (busy cursor, notices held back, repaints, one refresh at the end).
#include "editors/settings_screen.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <filesystem>

#include "app/main_frame.h"
#include "app/plumdial_doc.h"
#include "app/plumdial_view.h"
#include "platform/scripted_ui_host.h"
#include "screens/month_calendar_screen.h"
#include "store/category_store.h"
#include "store/memo_files.h"
#include "store/store_connection.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

namespace fs = std::filesystem;

class RecordingHost : public ScreenHost {
public:
    void SwitchScreen(int screen) override { switched.push_back(screen); }
    void SaveAndMinimize() override { ++minimized; }
    void PostDataChanged() override { ++dataChanged; }
    std::vector<int> switched;
    int minimized = 0;
    int dataChanged = 0;
};

}  // namespace

void PrintTo(const KindCounts& c, std::ostream* out) {
    *out << "{alarms " << c.alarms << ", holidays " << c.holidays << ", anniversaries "
         << c.anniversaries << ", appointments " << c.appointments << ", memos " << c.memos << "}";
}

namespace {

double At(int y, int m, int d, int h = 9) {
    return *MakeDate(y, m, d, h);
}

class SettingsScreenTest : public testing::Test {
protected:
    SettingsScreenTest() {
        poom::ClearFaults();
        Calendar().currentScreen = kSettingsScreen;
        EXPECT_TRUE(OpenStoreConnection());
        fs::create_directories(MemoFolder());
    }
    ~SettingsScreenTest() override {
        screen_.reset();
        poom::ClearFaults();
        CloseStoreConnection();
    }

    SettingsScreen& Open() {
        screen_ = std::make_unique<SettingsScreen>(host_, nullptr);
        screen_->show();
        screen_->PaintNow();
        return *screen_;
    }

    uint32_t Add(int day, OidList* kind = nullptr, bool recurring = false) {
        auto item = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
        item->SetSubject(u"Item");
        item->SetStart(At(2025, 3, day));
        item->SetEnd(At(2025, 3, day, 10));
        if (recurring) {
            item->GetRecurrencePattern().SetRecurrenceType(poom::kRecursDaily);
        }
        EXPECT_TRUE(item->Save().ok());
        if (kind) {
            kind->push_back(item->Oid());
        }
        return item->Oid();
    }
    fs::path MemoFolder() const { return root_.path() / "My Documents" / "MoruCalendar"; }
    void AddMemo(const std::string& name) { test::WriteFileBytes(MemoFolder() / name, "ink"); }
    long StoreCount() { return *TheStoreConnection().folder->Items()->Count(); }
    bool Exists(uint32_t oid) { return TheStoreConnection().application->GetItemFromOid(oid).ok(); }

    void Check(const std::vector<int>& ids) {
        for (int id : ids) {
            screen_->checkBox(id)->setChecked(true);
        }
    }
    std::u16string Caption(int id) const { return screen_->checkBox(id)->text().toStdU16String(); }

    test::TempDeviceRoot root_;
    ScopedCalendarState calendar_;  // lists, data folder and connection of this test alone
    ScriptedUiHost ui_;
    RecordingHost host_;
    std::unique_ptr<SettingsScreen> screen_;
};

// ---- Captions ----

TEST_F(SettingsScreenTest, CaptionsCarryTheirKindsCount) {
    const struct {
        int id;
        long count;
        std::u16string_view caption;
    } rows[] = {
        {SettingsScreen::kAlarmsBox, 3, u"All alarms ( 3 item(s) )"},
        {SettingsScreen::kHolidaysBox, 0, u"All holidays ( 0 item(s) )"},
        {SettingsScreen::kAnniversariesBox, 1, u"All anniversaries ( 1 item(s) )"},
        {SettingsScreen::kAppointmentsBox, 12345, u"All appointments ( 12345 item(s) )"},
        {SettingsScreen::kMemosBox, 7, u"All memos ( 7 item(s) )"},
        {SettingsScreen::kDeleteButton, 1, u""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SettingsScreen::CountedCaption(row.id, row.count), row.caption) << row.id;
    }
}

TEST_F(SettingsScreenTest, CountsTheListsTheUnlistedStoreItemsAndTheMemoFiles) {
    CalendarState& s = Calendar();
    for (int i = 0; i < 3; ++i)
        Add(1 + i, &s.AlarmOids);
    for (int i = 0; i < 2; ++i)
        Add(5 + i, &s.HolidayOids);
    Add(8, &s.AnniversaryOids);
    for (int i = 0; i < 4; ++i)
        Add(10 + i, nullptr, i == 0);  // a series is one item
    AddMemo("20250301_090000.pwi");
    AddMemo("20250302_090000.PWI");
    AddMemo("notes.txt");
    fs::create_directories(MemoFolder() / "folder.pwi");
    Open();
    EXPECT_EQ(StoreCount(), 10);
    EXPECT_EQ(Caption(SettingsScreen::kAlarmsBox), u"All alarms ( 3 item(s) )");
    EXPECT_EQ(Caption(SettingsScreen::kHolidaysBox), u"All holidays ( 2 item(s) )");
    EXPECT_EQ(Caption(SettingsScreen::kAnniversariesBox), u"All anniversaries ( 1 item(s) )");
    EXPECT_EQ(Caption(SettingsScreen::kAppointmentsBox), u"All appointments ( 4 item(s) )");
    EXPECT_EQ(Caption(SettingsScreen::kMemosBox), u"All memos ( 2 item(s) )");

    // Every paint counts again: an appointment added by another screen shows at once.
    Add(20);
    screen_->PaintNow();
    EXPECT_EQ(screen_->counts().appointments, 5);
}

// Lists naming items that are gone, twice, or in two lists must not make the appointment
// count fall below the number of unlisted items (it once went negative).
TEST_F(SettingsScreenTest, AppointmentCountIsTheUnlistedItemsWhateverTheListsHold) {
    CalendarState& s = Calendar();
    const uint32_t alarm = Add(1, &s.AlarmOids);
    s.AlarmOids.push_back(alarm);    // named twice
    s.HolidayOids.push_back(alarm);  // and in a second list
    const uint32_t gone = Add(2, &s.AnniversaryOids);
    TheStoreConnection().application->GetItemFromOid(gone)->Delete();
    s.HolidayOids.push_back(987654);  // never existed
    Add(3);
    Add(4);
    Open();
    EXPECT_EQ(screen_->counts().appointments, 2);
    EXPECT_EQ(UnlistedAppointments().size(), 2u);
    EXPECT_EQ(Caption(SettingsScreen::kAppointmentsBox), u"All appointments ( 2 item(s) )");

    s.AlarmOids.clear();
    s.HolidayOids.assign({1111, 2222, 3333});
    s.AnniversaryOids.clear();
    screen_->PaintNow();
    EXPECT_EQ(screen_->counts().appointments, 3) << "the former alarm is an appointment now";
}

// ---- Delete ----

struct DeleteCase {
    const char* name;  // printed as the case's name
    std::vector<int> boxes;
    // What remains afterwards: alarms, holidays, anniversaries (list sizes and items),
    // unlisted appointments, memo files.
    long alarms, holidays, anniversaries, appointments, memos;
};

class DeleteChoiceTest : public SettingsScreenTest,
                         public testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteChoiceTest, RemovesTheChosenKindsOnly) {
    CalendarState& s = Calendar();
    std::vector<uint32_t> alarms, holidays, anniversaries, appointments;
    for (int i = 0; i < 3; ++i)
        alarms.push_back(Add(1 + i, &s.AlarmOids));
    for (int i = 0; i < 2; ++i)
        holidays.push_back(Add(5 + i, &s.HolidayOids, i == 1));
    anniversaries.push_back(Add(8, &s.AnniversaryOids));
    for (int i = 0; i < 4; ++i)
        appointments.push_back(Add(10 + i, nullptr, i == 2));
    AddMemo("20250301_090000.pwi");
    AddMemo("20250302_090000.pwi");
    AddMemo("keep.txt");
    Open();
    Check(GetParam().boxes);
    screen_->OnDelete();

    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"Are you sure to delete?");
    EXPECT_EQ(ui_.messages[0].caption, u"Delete");
    EXPECT_EQ(ui_.messages[0].style, kMbYesNo);
    const KindCounts left{GetParam().alarms, GetParam().holidays, GetParam().anniversaries,
                          GetParam().appointments, GetParam().memos};
    EXPECT_EQ(screen_->counts(), left);
    EXPECT_EQ(CountKinds(), left);
    auto existing = [this](const std::vector<uint32_t>& oids) {
        return std::count_if(oids.begin(), oids.end(), [this](uint32_t o) { return Exists(o); });
    };
    EXPECT_EQ(existing(alarms), left.alarms);
    EXPECT_EQ(existing(holidays), left.holidays);
    EXPECT_EQ(existing(anniversaries), left.anniversaries);
    EXPECT_EQ(existing(appointments), left.appointments);
    EXPECT_TRUE(fs::exists(MemoFolder() / "keep.txt"));
    // The boxes are cleared, one notice is posted, and the held-back refresh is free again.
    for (int id = SettingsScreen::kAlarmsBox; id <= SettingsScreen::kMemosBox; ++id) {
        EXPECT_FALSE(screen_->checkBox(id)->isChecked()) << id;
    }
    EXPECT_EQ(host_.dataChanged, 1);
    EXPECT_EQ(Calendar().refreshSuppressed, 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, DeleteChoiceTest,
    testing::Values(DeleteCase{"none_only_refreshes", {}, 3, 2, 1, 4, 2},
                    DeleteCase{"appointments_leave_the_listed_kinds",
                               {SettingsScreen::kAppointmentsBox},
                               3,
                               2,
                               1,
                               0,
                               2},
                    DeleteCase{"alarms", {SettingsScreen::kAlarmsBox}, 0, 2, 1, 4, 2},
                    DeleteCase{
                        "holidays_with_a_series", {SettingsScreen::kHolidaysBox}, 3, 0, 1, 4, 2},
                    DeleteCase{"anniversaries_and_memos",
                               {SettingsScreen::kAnniversariesBox, SettingsScreen::kMemosBox},
                               3,
                               2,
                               0,
                               4,
                               0},
                    DeleteCase{"everything",
                               {SettingsScreen::kAlarmsBox, SettingsScreen::kHolidaysBox,
                                SettingsScreen::kAnniversariesBox, SettingsScreen::kAppointmentsBox,
                                SettingsScreen::kMemosBox},
                               0,
                               0,
                               0,
                               0,
                               0}),
    [](const testing::TestParamInfo<DeleteCase>& row) { return std::string(row.param.name); });

TEST_F(SettingsScreenTest, NoKeepsEverythingAndPostsNothing) {
    Add(1, &Calendar().AlarmOids);
    Add(2);
    AddMemo("20250301_090000.pwi");
    Open();
    Check(
        {SettingsScreen::kAlarmsBox, SettingsScreen::kAppointmentsBox, SettingsScreen::kMemosBox});
    ui_.messageAnswers.push_back(kIdNo);
    screen_->OnDelete();
    EXPECT_EQ(StoreCount(), 2);
    EXPECT_EQ(Calendar().AlarmOids.size(), 1u);
    EXPECT_TRUE(fs::exists(MemoFolder() / "20250301_090000.pwi"));
    EXPECT_TRUE(screen_->checkBox(SettingsScreen::kAlarmsBox)->isChecked());
    EXPECT_EQ(host_.dataChanged, 0);
}

TEST_F(SettingsScreenTest, TheEmptiedListsReachTheCategoryFile) {
    ASSERT_TRUE(SaveCategoryStore());
    Add(1, &Calendar().AlarmOids);
    Add(2, &Calendar().HolidayOids);
    ASSERT_TRUE(SaveCategoryStore());
    const fs::path file = MemoFolder() / "MoruCalendar.dat";
    EXPECT_EQ(test::ReadFileBytes(file).size(), 23u);
    Open();
    Check({SettingsScreen::kAlarmsBox});
    screen_->OnDelete();
    EXPECT_EQ(test::ReadFileBytes(file).size(), 19u) << "alarms empty, the holiday kept";
}

// ---- A store that refuses ----

// The walk used to stay on the index of an item the store would not delete, for ever.
TEST_F(SettingsScreenTest, AnItemTheStoreRefusesIsSteppedOverAndKeepsItsKind) {
    CalendarState& s = Calendar();
    const uint32_t keptAlarm = Add(1, &s.AlarmOids);
    const uint32_t alarm = Add(2, &s.AlarmOids);
    const uint32_t first = Add(3);
    const uint32_t kept = Add(4);
    const uint32_t last = Add(5);
    poom::SetDeleteRefused(kept, true);
    poom::SetDeleteRefused(keptAlarm, true);
    Open();
    Check({SettingsScreen::kAlarmsBox, SettingsScreen::kAppointmentsBox});
    screen_->OnDelete();
    EXPECT_FALSE(Exists(first));
    EXPECT_FALSE(Exists(last));
    EXPECT_FALSE(Exists(alarm));
    EXPECT_TRUE(Exists(kept));
    EXPECT_EQ(s.AlarmOids, OidList{keptAlarm}) << "the alarm still there is still an alarm";
    EXPECT_EQ(screen_->counts().alarms, 1);
    EXPECT_EQ(screen_->counts().appointments, 1);
}

TEST_F(SettingsScreenTest, AFailingStoreDeletesNothingAndTheListsStillNameTheItems) {
    CalendarState& s = Calendar();
    const uint32_t alarm = Add(1, &s.AlarmOids);
    Add(2);
    Open();
    Check({SettingsScreen::kAlarmsBox, SettingsScreen::kAppointmentsBox});
    poom::SetFault(poom::FaultPoint::Delete, true);
    screen_->OnDelete();
    EXPECT_EQ(StoreCount(), 2);
    EXPECT_EQ(s.AlarmOids, OidList{alarm});
    EXPECT_EQ(screen_->counts().appointments, 1);
    EXPECT_EQ(Calendar().refreshSuppressed, 0);
}

TEST_F(SettingsScreenTest, WhenItemsFailsNoAppointmentIsCountedOrDeleted) {
    Add(1, &Calendar().AlarmOids);
    Add(2);
    poom::SetFault(poom::FaultPoint::Items, true);
    Open();
    EXPECT_EQ(screen_->counts().appointments, 0);
    EXPECT_EQ(Caption(SettingsScreen::kAppointmentsBox), u"All appointments ( 0 item(s) )");
    Check({SettingsScreen::kAppointmentsBox});
    screen_->OnDelete();
    poom::SetFault(poom::FaultPoint::Items, false);
    EXPECT_EQ(StoreCount(), 2);
}

// ---- The window meanwhile ----

TEST_F(SettingsScreenTest, DuringTheDeletionTheWindowRepaintsBusyWithNoticesHeldBack) {
    for (int i = 0; i < 30; ++i)
        Add(1 + i % 28);
    for (int i = 0; i < 600; ++i)
        AddMemo("20250301_" + std::to_string(100000 + i) + ".pwi");
    Open();
    Check({SettingsScreen::kAppointmentsBox, SettingsScreen::kMemosBox});
    struct Seen {
        int turns = 0;
        bool busy = true;
        bool suppressed = true;
        bool deleting = true;
    } seen;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        ++seen.turns;
        seen.busy &= QGuiApplication::overrideCursor() != nullptr &&
                     QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        seen.suppressed &= Calendar().refreshSuppressed == 1;
        seen.deleting &= screen_->deleting() && !screen_->deleteButton()->isEnabled();
    });
    probe.start();
    screen_->OnDelete();
    probe.stop();
    EXPECT_GE(seen.turns, 3) << "the event loop ran between the steps";
    EXPECT_TRUE(seen.busy);
    EXPECT_TRUE(seen.suppressed);
    EXPECT_TRUE(seen.deleting);
    EXPECT_TRUE(screen_->deleteButton()->isEnabled());
    EXPECT_EQ(screen_->counts().memos, 0);
}

TEST_F(SettingsScreenTest, RealTapsOnTheScaledControlsDeleteAndTheTabBarSwitches) {
    Add(1);
    AddMemo("20250301_090000.pwi");
    Open();
    screen_->SetScale(2);
    QCheckBox* memos = screen_->checkBox(SettingsScreen::kMemosBox);
    EXPECT_EQ(memos->geometry(), QRect(32, 2 * (34 + 4 * 28), 436, 48));
    QTest::mouseClick(memos, Qt::LeftButton, {}, QPoint(12, memos->height() / 2));
    ASSERT_TRUE(memos->isChecked());
    QTest::mouseClick(screen_->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(screen_->counts().memos, 0);
    EXPECT_EQ(StoreCount(), 1);

    QTest::mouseClick(screen_.get(), Qt::LeftButton, {}, QPoint(2 * 130, 2 * 250));
    QTest::mouseClick(screen_.get(), Qt::LeftButton, {}, QPoint(2 * 200, 2 * 250));
    EXPECT_EQ(host_.switched, std::vector<int>{kMonthScreen});
    EXPECT_EQ(Calendar().currentScreen, kSettingsScreen);
    QTest::keyClick(screen_.get(), Qt::Key_Return);
    EXPECT_EQ(host_.minimized, 1);
}

// ---- In the whole program ----

TEST(SettingsInTheViewTest, OneRefreshForTheWholeDeletionAndTheMemoMarkersGo) {
    test::TempDeviceRoot root;
    ScopedCalendarState calendar;
    ScriptedUiHost ui;
    setenv("MORU_RINGSET", "/bin/true", 1);
    const SystemTime today = MakeSystemTime(2025, 3, 12, 12);
    LocalTimePin pin(today);
    CPlumdialDoc document;
    auto frame = std::make_unique<CMainFrame>(document);
    CPlumdialView& view = frame->view();
    view.OnInitialUpdate();
    ASSERT_TRUE(frame->WatchStore());  // the store's own notices reach the view
    frame->show();
    for (int day = 1; day <= 20; ++day) {
        auto item = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
        item->SetStart(At(2025, 3, day));
        item->SetEnd(At(2025, 3, day, 10));
        ASSERT_TRUE(item->Save().ok());
    }
    test::WriteFileBytes(root.path() / "My Documents/MoruCalendar/20250312_080000.pwi", "ink");
    MonthCalendarScreen& month = *view.monthScreen();
    month.needsFullRedraw = month.needsRequery = true;
    month.PaintNow();
    CellRect cell{};
    for (int row = 0; row < kGridRows; ++row) {
        for (int col = 0; col < kGridColumns; ++col) {
            if (DateOfCell(month.dayNumbers(), 2025, 3, row, col).SameDay(2025, 3, 12)) {
                cell = CellRectOf(row, col);
            }
        }
    }
    const CellRect marker = MarkerRect(cell, Memo);
    auto memoMarker = [&] {
        return QColor(month.backBuffer().pixel(marker.left + 2, marker.bottom - 2));
    };
    ASSERT_EQ(memoMarker(), QColor(0, 255, 0));

    view.SwitchScreen(kSettingsScreen);
    SettingsScreen& settings = *view.settingsScreen();
    for (int day = 1; day <= 5; ++day) {
        auto alarm = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
        alarm->SetStart(At(2025, 4, day));
        alarm->SetEnd(At(2025, 4, day, 10));
        ASSERT_TRUE(alarm->Save().ok());
        Calendar().AlarmOids.push_back(alarm->Oid());
    }
    QTest::qWait(CPlumdialView::kRefreshDelayMs + 100);
    settings.checkBox(SettingsScreen::kAlarmsBox)->setChecked(true);
    settings.checkBox(SettingsScreen::kAppointmentsBox)->setChecked(true);
    settings.checkBox(SettingsScreen::kMemosBox)->setChecked(true);
    for (int i = 0; i < 1000; ++i) {
        test::WriteFileBytes(root.path() / ("My Documents/MoruCalendar/20250301_" +
                                            std::to_string(100000 + i) + ".pwi"),
                             "ink");
    }
    QSignalSpy refreshed(&view, &CPlumdialView::Refreshed);
    // Each turn of the event loop between the steps takes its time, as on a slow device, so
    // that the deletion outlasts the refresh delay: a notice let through would refresh
    // half-way.
    QTimer slowTurns;
    slowTurns.setInterval(0);
    QObject::connect(&slowTurns, &QTimer::timeout, [] { QThread::msleep(200); });
    slowTurns.start();
    QElapsedTimer took;
    took.start();
    settings.OnDelete();
    slowTurns.stop();
    ASSERT_GT(took.elapsed(), CPlumdialView::kRefreshDelayMs);
    EXPECT_EQ(settings.counts(), KindCounts{});
    QTest::qWait(3 * CPlumdialView::kRefreshDelayMs);
    EXPECT_EQ(refreshed.count(), 1);

    view.SwitchScreen(kMonthScreen);
    month.PaintNow();
    EXPECT_NE(memoMarker(), QColor(0, 255, 0));
    EXPECT_TRUE(UnlistedAppointments().empty());
    frame.reset();
}

}  // namespace
}  // namespace moru
