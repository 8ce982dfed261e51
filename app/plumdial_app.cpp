#include "app/plumdial_app.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <algorithm>
#include <cstdio>

#include "app/about_dialog.h"
#include "app/main_frame.h"
#include "app/plumdial_doc.h"
#include "app/plumdial_view.h"
#include "app/single_instance.h"
#include "platform/device_root.h"
#include "platform/qt/qt_ui_host.h"
#include "resources/menus.h"
#include "screens/hosted_screen.h"

namespace moru {
namespace {

constexpr int kMenuBarAllowance = 32;  // room kept for the menu bar below the screen
// Room for the window manager's title bar and borders, which the available area leaves in.
constexpr int kDecorationAllowance = 40;

}  // namespace

int FittingScale(int requested, QSize available) {
    int scale = std::clamp(requested, 1, kMaxScale);
    while (scale > 1 && (HostedScreen::kHeight * scale + kMenuBarAllowance + kDecorationAllowance >
                             available.height() ||
                         HostedScreen::kWidth * scale > available.width())) {
        --scale;
    }
    return scale;
}

int ComfortableScale(QSize available) {
    int scale = 1;
    while (scale < kMaxScale &&
           HostedScreen::kHeight * (scale + 1) + kMenuBarAllowance <= available.height() * 3 / 4 &&
           HostedScreen::kWidth * (scale + 1) <= available.width() * 3 / 4) {
        ++scale;
    }
    return FittingScale(scale, available);
}

CPlumdialApp::CPlumdialApp(StartOptions options) : options_(std::move(options)) {}

CPlumdialApp::~CPlumdialApp() {
    // The frame (and with it the view, which closes the store) goes before the lock that
    // keeps a second calendar away.
    frame_.reset();
    document_.reset();
    instance_.reset();
}

bool CPlumdialApp::InitInstance() {
    // A screenshot renders and ends: it is not the calendar of the root, so it neither claims
    // the root from a running calendar nor defers to one, and starts no companion.
    instance_ = std::make_unique<SingleInstance>(DeviceRoot());
    if (!options_.screenshot && !instance_->Claim()) {
        (void)SingleInstance::Ask(DeviceRoot(), SingleInstance::Request::Raise);
        return false;
    }

    document_ = std::make_unique<CPlumdialDoc>();
    frame_ = std::make_unique<CMainFrame>(*document_);
    int scale = options_.scale;
    if (options_.screenshot) {
        scale = std::max(1, scale);  // pixel-exact unless a scale is asked for
    } else if (const QScreen* screen = QGuiApplication::primaryScreen(); !screen) {
        scale = std::max(scale, 1);
    } else if (scale == 0) {
        scale = ComfortableScale(screen->availableSize());
    } else if (const int fitting = FittingScale(scale, screen->availableSize()); fitting < scale) {
        std::fprintf(stderr,
                     "moru-calendar: --scale %d would make the window taller or wider than the "
                     "screen (%d x %d available); using %d\n",
                     scale, screen->availableSize().width(), screen->availableSize().height(),
                     fitting);
        scale = fitting;
    }
    frame_->SetScale(scale);
    if (auto* host = dynamic_cast<QtUiHost*>(&CurrentUiHost())) {
        host->SetScreenOrigin(&frame_->view(), scale);
    }

    connect(frame_.get(), &CMainFrame::CommandChosen, this, &CPlumdialApp::OnCommand);
    connect(instance_.get(), &SingleInstance::RaiseRequested, frame_.get(), [this] {
        frame_->showNormal();
        frame_->raise();
        frame_->activateWindow();
    });
    connect(instance_.get(), &SingleInstance::QuitRequested, &frame_->view(), &QWidget::close);

    frame_->view().SetStartsCompanion(!options_.screenshot);
    frame_->view().OnInitialUpdate();
    if (frame_->view().storeOpen()) {
        (void)frame_->WatchStore();
    }
    if (!options_.screenshot) {
        frame_->show();  // a screenshot paints the screen's buffer; no window is needed
    }
    return true;
}

void CPlumdialApp::OnCommand(int commandId) {
    if (commandId == command::kAbout) {
        OnAppAbout();
    }
}

void CPlumdialApp::OnAppAbout() {
    CAboutDialog dialog(frame_.get(), frame_ ? frame_->view().scale() : 1);
    QtModalDialog modal(dialog, "CAboutDialog");
    (void)CurrentUiHost().RunModal(modal);
}

int CPlumdialApp::WriteScreenshot(const std::string& file, int screen) {
    CPlumdialView& view = frame_->view();
    // The tab bar highlights the tab the user would have tapped; screen 4 is tab 1's.
    Calendar().currentScreen = screen == 4 ? kScheduleScreen : screen;
    view.SwitchScreen(screen);
    HostedScreen* shown = view.visibleScreen();
    if (!shown) {
        std::fprintf(stderr, "moru-calendar: no screen to show (the store could not be opened)\n");
        return 1;
    }
    shown->PaintNow();
    // The screen with its child panes and controls (the schedule list's lists and pickers),
    // as the window would show it.
    if (!shown->grab().toImage().save(QString::fromStdString(file), "PNG")) {
        std::fprintf(stderr, "moru-calendar: cannot write %s\n", file.c_str());
        return 1;
    }
    return 0;
}

}  // namespace moru
