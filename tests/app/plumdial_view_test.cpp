// The main view and its frame, against the real store in a temporary device root: start-up
// order and its failure, screen switching, the DataChanged debounce and its suppression, the
// forwarded store notices, the refresh, and the close rules.
#include "app/plumdial_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "app/main_frame.h"
#include "app/plumdial_doc.h"
#include "app/window_messages.h"
#include "editors/settings_screen.h"
#include "platform/poom/poom.h"
#include "platform/scripted_ui_host.h"
#include "resources/menus.h"
#include "screens/clock_screen.h"
#include "screens/month_calendar_screen.h"
#include "screens/schedule_list_window.h"
#include "store/category_sharing.h"
#include "store/category_store.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

class ViewTest : public testing::Test {
protected:
    void SetUp() override {
        // The companion is not under test; start something harmless in its place.
        setenv("MORU_RINGSET", "/bin/true", 1);
        frame_ = std::make_unique<CMainFrame>(document_);
    }
    void TearDown() override {
        frame_.reset();
        poom::ClearFaults();
        Calendar().refreshSuppressed = 0;
    }

    CPlumdialView& StartView() {
        view().OnInitialUpdate();
        frame_->show();
        return view();
    }
    CPlumdialView& view() { return frame_->view(); }

    // Delivers DataChanged notices already posted.
    static void Deliver() { QCoreApplication::sendPostedEvents(); }

    std::filesystem::path CategoryFile() const {
        return root_.path() / "My Documents" / "MoruCalendar" / "MoruCalendar.dat";
    }

    test::TempDeviceRoot root_;
    ScriptedUiHost ui_;
    CPlumdialDoc document_;
    std::unique_ptr<CMainFrame> frame_;
};

// ---- Start-up ----

TEST_F(ViewTest, StartUpShowsTheClockAloneAndWritesAMissingCategoryFile) {
    Calendar().currentScreen = 3;
    frame_ = std::make_unique<CMainFrame>(document_);  // the view is built with the flag set
    CPlumdialView& v = StartView();
    EXPECT_EQ(Calendar().currentScreen, 0) << "the view starts on the clock's tab";
    ASSERT_NE(v.clockScreen(), nullptr);
    EXPECT_EQ(v.visibleScreen(), v.clockScreen());
    EXPECT_TRUE(v.monthScreen()->isHidden());
    EXPECT_TRUE(v.scheduleScreen()->isHidden());
    EXPECT_TRUE(v.settingsScreen()->isHidden());
    EXPECT_EQ(test::ReadFileBytes(CategoryFile()).size(), 15u);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ViewTest, StoreFailureStopsStartUpAfterItsMessage) {
    poom::SetFault(poom::FaultPoint::Logon, true);
    CPlumdialView& v = StartView();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text.rfind(u"Error occurred [001:", 0), 0u);
    EXPECT_EQ(v.visibleScreen(), nullptr);
    EXPECT_EQ(v.clockScreen(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(CategoryFile())) << "no category file without a store";
}

// ---- SwitchScreen ----

struct SwitchCase {
    const char* name;
    int screen;
    int shown;  // screen number of the one visible afterwards, -1 for none
};

class SwitchScreenTest : public ViewTest, public testing::WithParamInterface<SwitchCase> {};

TEST_P(SwitchScreenTest, ShowsExactlyTheChosenScreen) {
    CPlumdialView& v = StartView();
    v.monthScreen()->needsRequery = false;
    v.SwitchScreen(GetParam().screen);
    HostedScreen* shown = v.visibleScreen();
    if (GetParam().shown < 0) {
        EXPECT_EQ(shown, nullptr);
    } else {
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->screenNumber(), GetParam().shown);
    }
    int visible = 0;
    for (HostedScreen* s : std::initializer_list<HostedScreen*>{
             v.clockScreen(), v.scheduleScreen(), v.monthScreen(), v.settingsScreen()}) {
        visible += !s->isHidden();
    }
    EXPECT_EQ(visible, GetParam().shown < 0 ? 0 : 1);
    // Only a switch to the month asks it to re-read its month.
    EXPECT_EQ(v.monthScreen()->needsRequery, GetParam().screen == kMonthScreen);
}

INSTANTIATE_TEST_SUITE_P(Screens, SwitchScreenTest,
                         testing::Values(SwitchCase{"clock", 0, 0}, SwitchCase{"schedule", 1, 1},
                                         SwitchCase{"month", 2, 2}, SwitchCase{"settings", 3, 3},
                                         SwitchCase{"four_is_the_schedule_list", 4, 1},
                                         SwitchCase{"five_shows_none", 5, -1},
                                         SwitchCase{"negative_shows_none", -1, -1}),
                         [](const testing::TestParamInfo<SwitchCase>& param) {
                             return param.param.name;
                         });

// ---- The tab bar on the clock ----

TEST_F(ViewTest, TapOnTheMonthTabOfTheClockShowsTheMonthReadyToRequery) {
    CPlumdialView& v = StartView();
    v.monthScreen()->needsRequery = false;
    QTest::mouseClick(v.clockScreen(), Qt::LeftButton, Qt::NoModifier, QPoint(130, 250));
    EXPECT_EQ(Calendar().currentScreen, 2);
    EXPECT_EQ(v.visibleScreen(), v.monthScreen());
    EXPECT_TRUE(v.monthScreen()->needsRequery);
}

TEST_F(ViewTest, TapOnTheClocksOwnTabChangesNothing) {
    CPlumdialView& v = StartView();
    QTest::mouseClick(v.clockScreen(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 250));
    EXPECT_EQ(Calendar().currentScreen, 0);
    EXPECT_EQ(v.visibleScreen(), v.clockScreen());
}

TEST_F(ViewTest, TapOnTheTopRowOfTheTabBarIsNotATabTap) {
    // The bar is drawn from y 241, but a tap counts only below it (241 < y < 267).
    CPlumdialView& v = StartView();
    QTest::mouseClick(v.clockScreen(), Qt::LeftButton, Qt::NoModifier, QPoint(130, 241));
    EXPECT_EQ(v.visibleScreen(), v.clockScreen());
    QTest::mouseClick(v.clockScreen(), Qt::LeftButton, Qt::NoModifier, QPoint(190, 242));
    EXPECT_EQ(v.visibleScreen(), v.settingsScreen());
    EXPECT_EQ(Calendar().currentScreen, 3);
    Calendar().currentScreen = 0;
}

// ---- DataChanged: a burst gives one refresh, 500 ms after its last notice ----

TEST_F(ViewTest, BurstOfNoticesGivesOneRefreshAfterTheLast) {
    CPlumdialView& v = StartView();
    QSignalSpy refreshed(&v, &CPlumdialView::Refreshed);
    QElapsedTimer sinceLast;
    for (int i = 0; i < 5; ++i) {
        if (i > 0) {
            QTest::qWait(100);
        }
        v.PostDataChanged();
        // Posted, not handled on the spot: the wait started by the previous notice runs on.
        EXPECT_EQ(v.refreshPending(), i > 0);
        if (i > 0) {
            EXPECT_LT(v.refreshRemainingMs(), CPlumdialView::kRefreshDelayMs - 50);
        }
        Deliver();
        sinceLast.start();
        ASSERT_TRUE(v.refreshPending());
        EXPECT_GT(v.refreshRemainingMs(), CPlumdialView::kRefreshDelayMs - 50) << "restarted";
        EXPECT_EQ(refreshed.count(), 0);
    }
    ASSERT_TRUE(refreshed.wait(2000));
    EXPECT_GE(sinceLast.elapsed(), CPlumdialView::kRefreshDelayMs - 5);
    QTest::qWait(200);
    EXPECT_EQ(refreshed.count(), 1);
}

TEST_F(ViewTest, SuppressedNoticeCancelsThePendingRefreshAndStartsNothing) {
    CPlumdialView& v = StartView();
    QSignalSpy refreshed(&v, &CPlumdialView::Refreshed);
    v.PostDataChanged();
    Deliver();
    ASSERT_TRUE(v.refreshPending());

    Calendar().refreshSuppressed = 1;
    v.PostDataChanged();
    Deliver();
    EXPECT_FALSE(v.refreshPending());
    QTest::qWait(CPlumdialView::kRefreshDelayMs + 150);
    EXPECT_EQ(refreshed.count(), 0);

    Calendar().refreshSuppressed = 0;
    v.PostDataChanged();
    Deliver();
    EXPECT_TRUE(v.refreshPending());
    EXPECT_TRUE(refreshed.wait(2000));
}

TEST_F(ViewTest, RefreshMakesTheMonthRequeryAndTheScheduleListReload) {
    CPlumdialView& v = StartView();
    MonthCalendarScreen& month = *v.monthScreen();
    month.needsFullRedraw = month.needsRequery = false;
    const int reloads = v.scheduleScreen()->reloadCount();
    QSignalSpy refreshed(&v, &CPlumdialView::Refreshed);
    v.PostDataChanged();
    ASSERT_TRUE(refreshed.wait(2000));
    EXPECT_TRUE(month.needsFullRedraw);
    EXPECT_TRUE(month.needsRequery);
    EXPECT_EQ(v.scheduleScreen()->reloadCount(), reloads + 1);
}

// ---- Store notices, wherever posted, reach the view as DataChanged ----

class ForwardedMessageTest : public ViewTest, public testing::WithParamInterface<int> {};

TEST_P(ForwardedMessageTest, NoticePostedAnywhereBecomesDataChanged) {
    CPlumdialView& v = StartView();
    // Posted to a screen, not to the view: the frame sees it pass.
    QCoreApplication::postEvent(v.clockScreen(), new WindowMessageEvent(GetParam(), 7, 9));
    Deliver();  // the notice itself
    Deliver();  // the DataChanged it was turned into
    EXPECT_TRUE(v.refreshPending());
}

INSTANTIATE_TEST_SUITE_P(Messages, ForwardedMessageTest,
                         testing::Values(WM_USER + 1, WM_USER + 3, WM_USER + 6));

TEST_F(ViewTest, OtherUserMessagesAreNotForwarded) {
    CPlumdialView& v = StartView();
    for (const int message : {WM_USER, WM_USER + 2, WM_USER + 4, WM_USER + 5, WM_USER + 7}) {
        QCoreApplication::postEvent(frame_.get(), new WindowMessageEvent(message));
    }
    Deliver();
    Deliver();
    EXPECT_FALSE(v.refreshPending());
}

TEST_F(ViewTest, StoreChangeRefreshesTheScreens) {
    CPlumdialView& v = StartView();
    ASSERT_TRUE(frame_->WatchStore());
    QSignalSpy refreshed(&v, &CPlumdialView::Refreshed);

    // A second connection, as another program would have, adds an appointment.
    auto other = poom::Application::Create();
    ASSERT_TRUE(other);
    ASSERT_TRUE((*other)->Logon());
    auto item = (*other)->CreateItem(poom::kAppointmentItem);
    ASSERT_TRUE(item);
    item->SetSubject(u"Dentist");
    item->SetStart(38000.5);
    item->SetEnd(38000.6);
    ASSERT_TRUE(item->Save());

    EXPECT_TRUE(refreshed.wait(3000));
}

// What moru-device import does while the calendar runs: an item in the store, its identifier
// in the holiday list on disk, a notice. The refresh takes the list in and the next save keeps
// it rather than writing the calendar's older copy.
TEST_F(ViewTest, ListsChangedByAnotherProgramAreTakenInAndKept) {
    CPlumdialView& v = StartView();
    ASSERT_TRUE(frame_->WatchStore());
    QSignalSpy refreshed(&v, &CPlumdialView::Refreshed);
    auto other = *poom::Application::Create();
    ASSERT_TRUE(other->Logon());
    auto item = *other->CreateItem(poom::kAppointmentItem);
    item.SetSubject(u"Imported holiday");
    item.SetAllDayEvent(true);
    ASSERT_TRUE(item.Save());
    auto alarm = *other->CreateItem(poom::kAppointmentItem);
    alarm.SetSubject(u"Own alarm");
    ASSERT_TRUE(alarm.Save());
    ASSERT_TRUE(refreshed.wait(3000));
    // The calendar's own change, not saved yet (a real item: a refresh prunes the others).
    Calendar().AlarmOids.push_back(alarm.Oid());

    ASSERT_TRUE(UpdateCategoryFile(
        moru::CategoryFile(), [&](CategoryLists& lists) { lists.holidays.push_back(item.Oid()); }));
    poom::AnnounceStoreChange(poom::DefaultStoreFile());
    ASSERT_TRUE(refreshed.wait(3000));
    EXPECT_EQ(Calendar().HolidayOids, OidList{item.Oid()});

    ASSERT_TRUE(SaveCategoryStore());
    const CategoryDisk disk = ReadCategoryDisk(moru::CategoryFile());
    EXPECT_EQ(disk.lists.holidays, OidList{item.Oid()});
    EXPECT_EQ(disk.lists.alarms, OidList{alarm.Oid()});
}

// ---- Close rules ----

class CloseRequestTest : public ViewTest, public testing::WithParamInterface<int> {};

TEST_P(CloseRequestTest, ClosingAnyScreenWritesTheCategoryFileAndMinimises) {
    CPlumdialView& v = StartView();
    v.SwitchScreen(GetParam());
    HostedScreen* screen = v.visibleScreen();
    ASSERT_NE(screen, nullptr);
    // Nothing changed since start-up; the file is written all the same.
    std::filesystem::remove(CategoryFile());
    screen->CloseRequest();
    EXPECT_EQ(test::ReadFileBytes(CategoryFile()).size(), 15u);
    EXPECT_TRUE(frame_->isMinimized());
    EXPECT_EQ(v.visibleScreen(), screen) << "the program keeps running as it was";
}

INSTANTIATE_TEST_SUITE_P(Screens, CloseRequestTest, testing::Values(0, 1, 2, 3));

TEST_F(ViewTest, WindowCloseButtonIsTheVisibleScreensCloseRequest) {
    CPlumdialView& v = StartView();
    v.SwitchScreen(kMonthScreen);
    std::filesystem::remove(CategoryFile());
    frame_->close();
    EXPECT_TRUE(std::filesystem::exists(CategoryFile()));
    EXPECT_TRUE(frame_->isMinimized());
    EXPECT_FALSE(v.isHidden()) << "the view is not closed";
}

TEST_F(ViewTest, EnterOnAScreenIsItsOkAndSavesLikeClose) {
    CPlumdialView& v = StartView();
    std::filesystem::remove(CategoryFile());
    QTest::keyClick(v.clockScreen(), Qt::Key_Return);
    EXPECT_TRUE(std::filesystem::exists(CategoryFile()));
}

// ---- The menu bar below the screen ----

TEST_F(ViewTest, MenuBarHoldsTheFrameMenusThenTheScreensBar) {
    StartView();
    const PopupMenu bar = frame_->MenuBarContent();
    ASSERT_EQ(bar.items.size(), 3u);
    EXPECT_EQ(bar.items[0].text, u"Edit");
    EXPECT_EQ(bar.items[1].text, u"Tools");
    EXPECT_EQ(bar.items[2].text, u"About");
    // Only About has a handler; the rest are gray.
    for (const PopupMenu::Item& item : bar.items[0].submenu->items) {
        EXPECT_TRUE(item.gray);
    }
    EXPECT_TRUE(bar.items[1].submenu->FindCommand(command::kSaveAs)->gray);
    EXPECT_FALSE(bar.items[1].submenu->FindCommand(command::kAbout)->gray);
    EXPECT_FALSE(bar.items[2].submenu->FindCommand(command::kAbout)->gray);
    EXPECT_EQ(frame_->menuBar()->actions().size(), 3);
}

TEST_F(ViewTest, ScreenFillsTheClientAreaFromTheTopLeftWithTheBarBelow) {
    CPlumdialView& v = StartView();
    frame_->SetScale(2);
    QApplication::processEvents();
    EXPECT_EQ(v.geometry(), QRect(0, 0, 480, 534));
    EXPECT_EQ(v.clockScreen()->geometry(), QRect(0, 0, 480, 534));
    EXPECT_GE(frame_->menuBar()->geometry().top(), 534);
    // A tap at widget point (261, 501) is the screen's (130, 250): the month tab.
    QTest::mouseClick(v.clockScreen(), Qt::LeftButton, Qt::NoModifier, QPoint(261, 501));
    EXPECT_EQ(v.visibleScreen(), v.monthScreen());
    Calendar().currentScreen = 0;
}

}  // namespace
}  // namespace moru
