#include "app/plumdial_view.h"

#include <QCloseEvent>
#include <QCoreApplication>

#include "app/fonts.h"
#include "app/plumdial_doc.h"
#include "app/window_messages.h"
#include "editors/settings_screen.h"
#include "platform/process.h"
#include "platform/qt/pixel_surface.h"
#include "resources/menus.h"
#include "screens/clock_screen.h"
#include "screens/month_calendar_screen.h"
#include "screens/schedule_list_window.h"
#include "store/category_store.h"
#include "store/memo_files.h"
#include "store/store_connection.h"

namespace moru {

CPlumdialView::CPlumdialView(CPlumdialDoc& document, QWidget* parent)
    : QWidget(parent), document_(document) {
    state().currentScreen = 0;
    CreateSharedFonts();
    state().refreshSuppressed = 0;

    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setFixedSize(HostedScreen::kWidth, HostedScreen::kHeight);

    // A precise timer: the refresh is promised 500 ms after the last notice, not roughly.
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setTimerType(Qt::PreciseTimer);
    refreshTimer_.setInterval(kRefreshDelayMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &CPlumdialView::Refresh);
}

CPlumdialView::~CPlumdialView() {
    // The screens may hold store objects (the month's collection); they go before the
    // connection they came from.
    delete clock_;
    delete month_;
    delete schedule_;
    delete settings_;
    if (storeOpen_) {
        CloseStoreConnection();
    }
}

void CPlumdialView::OnInitialUpdate() {
    (void)document_.OnNewDocument();
    if (!OpenStoreConnection()) {
        return;  // its message has been shown; the view stays empty
    }
    storeOpen_ = true;
    if (startsCompanion_) {
        (void)StartDeviceProgram(kRingsetDevicePath);
    }
    (void)LoadCategoryStore();
    RemoveStaleMemoTemporaries();

    settings_ = new SettingsScreen(*this, this);
    AddScreen(settings_, false);
    schedule_ = new ScheduleListWindow(*this, this);
    AddScreen(schedule_, false);
    month_ = new MonthCalendarScreen(*this, this);
    AddScreen(month_, false);
    clock_ = new ClockScreen(*this, this);
    AddScreen(clock_, true);
    emit VisibleScreenChanged(clock_);
}

void CPlumdialView::AddScreen(HostedScreen* screen, bool shown) {
    screen->SetScale(scale_);
    screen->move(0, 0);
    screen->setVisible(shown);
}

std::array<HostedScreen*, 4> CPlumdialView::screens() const {
    return {clock_, schedule_, month_, settings_};
}

HostedScreen* CPlumdialView::visibleScreen() const {
    for (HostedScreen* screen : screens()) {
        if (screen && !screen->isHidden()) {
            return screen;
        }
    }
    return nullptr;
}

void CPlumdialView::SwitchScreen(int screen) {
    for (HostedScreen* each : screens()) {
        if (each) {
            each->hide();
        }
    }
    HostedScreen* shown = nullptr;
    switch (screen) {
        case kClockScreen:
            shown = clock_;
            break;
        case kScheduleScreen:
        case 4:  // the schedule list's second number
            shown = schedule_;
            break;
        case kMonthScreen:
            if (month_) {
                month_->needsRequery = true;
            }
            shown = month_;
            break;
        case kSettingsScreen:
            shown = settings_;
            break;
        default:
            break;
    }
    if (shown) {
        shown->show();
        // The keys (the month's arrows, the clock's face toggle) go to the screen on show.
        shown->setFocus(Qt::OtherFocusReason);
    }
    emit VisibleScreenChanged(shown);
}

void CPlumdialView::SaveAndMinimize() {
    (void)SaveCategoryStore();
    // The screens are children of the view and the view of the frame: minimising the
    // window minimises them all, and they come back as they were.
    window()->showMinimized();
}

void CPlumdialView::PostDataChanged() {
    QCoreApplication::postEvent(this, new WindowMessageEvent(kDataChangedMessage));
}

PopupMenu CPlumdialView::CreateScreenMenuBar(int menuBarId) {
    return LoadMenu(menuBarId);
}

void CPlumdialView::SetScale(int scale) {
    scale_ = std::max(1, scale);
    SetWindowScale(scale_);  // dialogs opened later come up at the same size
    setFixedSize(HostedScreen::kWidth * scale_, HostedScreen::kHeight * scale_);
    for (HostedScreen* screen : screens()) {
        if (screen) {
            screen->SetScale(scale_);
        }
    }
}

bool CPlumdialView::event(QEvent* event) {
    if (event->type() == EventTypeOf(kDataChangedMessage)) {
        OnDataChanged();
        return true;
    }
    return QWidget::event(event);
}

void CPlumdialView::OnDataChanged() {
    // Every notice restarts the wait, so a burst ends in one refresh after its last notice;
    // while the bulk delete runs, a notice only cancels what was pending.
    refreshTimer_.stop();
    if (state().refreshSuppressed == 0) {
        refreshTimer_.start();
    }
}

void CPlumdialView::Refresh() {
    refreshTimer_.stop();
    // moru-device changes the lists on disk and then announces a store change; the lists are
    // taken in before the screens read them.
    (void)RefreshCategoryStore();
    if (month_) {
        // The month re-reads its items on its next paint.
        month_->needsFullRedraw = true;
        month_->needsRequery = true;
        month_->update();
    }
    if (schedule_) {
        schedule_->ReloadList();
        schedule_->update();
    }
    emit Refreshed();
}

void CPlumdialView::closeEvent(QCloseEvent* event) {
    // Every clean end passes here (Ctrl+Q, --quit, SIGTERM and SIGINT): the kinds are written
    // once more, so nothing depends on a screen's close request having come first. Without an
    // open store the file was never read, and writing it would empty the lists.
    if (storeOpen_) {
        (void)SaveCategoryStore();
    }
    event->accept();
    QCoreApplication::exit(0);
}

}  // namespace moru
