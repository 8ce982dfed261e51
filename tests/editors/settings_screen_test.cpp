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
    // The calendar most tests start from: 3 alarms, 2 holidays (one a series), 1
    // anniversary, 4 appointments (one a series), 2 memos and a file that is no memo.
    struct Kinds {
        std::vector<uint32_t> alarms, holidays, anniversaries, appointments;
    };
    Kinds Fill() {
        CalendarState& s = Calendar();
        Kinds k;
        for (int day = 1; day <= 10; ++day) {
            OidList* list = day <= 3   ? &s.AlarmOids
                            : day <= 5 ? &s.HolidayOids
                            : day == 6 ? &s.AnniversaryOids
                                       : nullptr;
            std::vector<uint32_t>& kind = day <= 3   ? k.alarms
                                          : day <= 5 ? k.holidays
                                          : day == 6 ? k.anniversaries
                                                     : k.appointments;
            kind.push_back(Add(day, list, day == 5 || day == 9));
        }
        AddMemo("20250301_090000.pwi");
        AddMemo("20250302_090000.PWI");
        AddMemo("notes.txt");
        fs::create_directories(MemoFolder() / "folder.pwi");
        return k;
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

TEST_F(SettingsScreenTest, CountsTheListsTheUnlistedStoreItemsAndTheMemoFiles) {
    Fill();
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
    EXPECT_EQ(Caption(SettingsScreen::kAppointmentsBox), u"All appointments ( 2 item(s) )");
    // The same rule deletes: exactly the two counted go, the alarm stays.
    Check({SettingsScreen::kAppointmentsBox});
    screen_->OnDelete();
    EXPECT_EQ(StoreCount(), 1);
    EXPECT_TRUE(Exists(alarm));
}

// ---- Delete ----

struct DeleteCase {
    const char* name;  // printed as the case's name
    std::vector<int> boxes;
    KindCounts left;  // what remains: in the lists and the store, and memo files
};

class DeleteChoiceTest : public SettingsScreenTest,
                         public testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteChoiceTest, RemovesTheChosenKindsOnly) {
    const Kinds kinds = Fill();
    Open();
    Check(GetParam().boxes);
    screen_->OnDelete();

    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"Are you sure to delete?");
    EXPECT_EQ(ui_.messages[0].caption, u"Delete");
    EXPECT_EQ(ui_.messages[0].style, kMbYesNo);
    const KindCounts& left = GetParam().left;
    EXPECT_EQ(screen_->counts(), left);
    auto existing = [this](const std::vector<uint32_t>& oids) {
        return std::count_if(oids.begin(), oids.end(), [this](uint32_t o) { return Exists(o); });
    };
    EXPECT_EQ(existing(kinds.alarms), left.alarms);
    EXPECT_EQ(existing(kinds.holidays), left.holidays);
    EXPECT_EQ(existing(kinds.anniversaries), left.anniversaries);
    EXPECT_EQ(existing(kinds.appointments), left.appointments);
    EXPECT_TRUE(fs::exists(MemoFolder() / "notes.txt"));
    // The boxes are cleared, one notice is posted, and the held-back refresh is free again.
    for (int id = SettingsScreen::kAlarmsBox; id <= SettingsScreen::kMemosBox; ++id) {
        EXPECT_FALSE(screen_->checkBox(id)->isChecked()) << id;
    }
    EXPECT_EQ(host_.dataChanged, 1);
    EXPECT_EQ(Calendar().refreshSuppressed, 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // Answered No, a second Delete does nothing at all.
    Check({SettingsScreen::kMemosBox});
    ui_.messageAnswers.push_back(kIdNo);
    AddMemo("20250303_090000.pwi");
    screen_->OnDelete();
    EXPECT_TRUE(fs::exists(MemoFolder() / "20250303_090000.pwi"));
    EXPECT_EQ(host_.dataChanged, 1);
}

using B = SettingsScreen;
INSTANTIATE_TEST_SUITE_P(
    Boxes, DeleteChoiceTest,
    testing::Values(
        // clang-format off
        DeleteCase{"none_only_refreshes", {}, {3, 2, 1, 4, 2}},
        DeleteCase{"appointments_leave_the_listed_kinds", {B::kAppointmentsBox}, {3, 2, 1, 0, 2}},
        DeleteCase{"alarms", {B::kAlarmsBox}, {0, 2, 1, 4, 2}},
        DeleteCase{"holidays_with_a_series", {B::kHolidaysBox}, {3, 0, 1, 4, 2}},
        DeleteCase{"anniversaries_and_memos", {B::kAnniversariesBox, B::kMemosBox}, {3, 2, 0, 4, 0}},
        DeleteCase{"everything", {B::kAlarmsBox, B::kHolidaysBox, B::kAnniversariesBox,
                                  B::kAppointmentsBox, B::kMemosBox}, {0, 0, 0, 0, 0}}),
    // clang-format on
    [](const testing::TestParamInfo<DeleteCase>& row) { return std::string(row.param.name); });

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
    poom::ClearFaults();

    // Items fails: no appointment is counted (not minus the lists), none deleted.
    poom::SetFault(poom::FaultPoint::Items, true);
    screen_->PaintNow();
    EXPECT_EQ(Caption(SettingsScreen::kAppointmentsBox), u"All appointments ( 0 item(s) )");
    Check({SettingsScreen::kAppointmentsBox});
    screen_->OnDelete();
    poom::ClearFaults();
    EXPECT_EQ(StoreCount(), 2);
}

// ---- The window meanwhile ----

TEST_F(SettingsScreenTest, DuringTheDeletionTheWindowRepaintsBusyWithNoticesHeldBack) {
    Fill();
    for (int i = 0; i < 600; ++i) {
        AddMemo("20250301_" + std::to_string(100000 + i) + ".pwi");
    }
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
    LocalTimePin pin(MakeSystemTime(2025, 3, 12, 12));
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
        if (day <= 5) {
            Calendar().AlarmOids.push_back(item->Oid());
        }
    }
    const fs::path memos = root.path() / "My Documents" / "MoruCalendar";
    for (int i = 0; i < 1500; ++i) {
        test::WriteFileBytes(memos / ("20250312_" + std::to_string(100000 + i) + ".pwi"), "ink");
    }
    MonthCalendarScreen& month = *view.monthScreen();
    month.needsFullRedraw = month.needsRequery = true;
    month.PaintNow();
    const CellRect marker = MarkerRect(CellRectOf(2, 3), Memo);  // 12 March 2025
    auto memoMarker = [&] {
        return QColor(month.backBuffer().pixel(marker.left + 2, marker.bottom - 2));
    };
    ASSERT_EQ(memoMarker(), QColor(0, 255, 0));
    QTest::qWait(CPlumdialView::kRefreshDelayMs + 100);  // the refresh for the adding is over

    view.SwitchScreen(kSettingsScreen);
    SettingsScreen& settings = *view.settingsScreen();
    for (int id : {SettingsScreen::kAlarmsBox, SettingsScreen::kAppointmentsBox,
                   SettingsScreen::kMemosBox}) {
        settings.checkBox(id)->setChecked(true);
    }
    QSignalSpy refreshed(&view, &CPlumdialView::Refreshed);
    // Each turn of the event loop between the steps takes its time, as on a slow device, so
    // that the deletion outlasts the refresh delay: a notice let through would refresh
    // half-way.
    QTimer slowTurns;
    slowTurns.setInterval(0);
    QObject::connect(&slowTurns, &QTimer::timeout, [] { QThread::msleep(250); });
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
}

}  // namespace
}  // namespace moru
