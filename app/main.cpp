// moru-calendar: the calendar program. See app/start_options.h for the command line.
#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "app/display_start_guard.h"

#include "app/first_start.h"
#include "app/main_frame.h"
#include "app/plumdial_app.h"
#include "app/plumdial_view.h"
#include "app/single_instance.h"
#include "app/start_options.h"
#include "app/termination_signal.h"
#include "platform/build_info.h"
#include "platform/device_root.h"
#include "platform/qt/qt_ui_host.h"

// An exception that escapes main (out of memory) ends the program with the runtime's message.
int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape)
    using namespace moru;
    const Result<StartOptions> parsed =
        ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed) {
        std::fprintf(stderr, "moru-calendar: %s\n%s", parsed.error().message.c_str(), kUsageText);
        return 2;
    }
    const StartOptions& options = *parsed;
    if (options.help) {
        std::fputs(kUsageText, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("moru-calendar (Moru Calendar) %.*s\n", static_cast<int>(kVersion.size()),
                    kVersion.data());
        return 0;
    }
    // The device root comes first: everything after it reads or writes under it.
    SetDeviceRoot(ResolveDeviceRoot(options.root));

    // Qt sees only the program name: the command line is the calendar's own.
    int qtArgc = 1;
    if (options.quit) {
        QCoreApplication core(qtArgc, argv);
        if (!SingleInstance::Ask(DeviceRoot(), SingleInstance::Request::Quit)) {
            std::fprintf(stderr, "moru-calendar: no calendar is running for %s\n",
                         DeviceRoot().string().c_str());
            return 1;
        }
        return 0;
    }
    if (options.screenshot) {
        // A screenshot needs no display, and must not depend on one being there.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Without a display, one line and status 1 rather than Qt's abort.
    std::optional<DisplayStartGuard> displayGuard(std::in_place, "moru-calendar");
    QApplication application(qtArgc, argv);
    displayGuard.reset();
    QApplication::setApplicationName(QStringLiteral("moru-calendar"));
    QApplication::setApplicationVersion(
        QString::fromLatin1(kVersion.data(), static_cast<qsizetype>(kVersion.size())));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("moru-calendar"));

    QtUiHost uiHost;
    SetUiHost(&uiHost);
    struct UiHostReset {
        ~UiHostReset() { SetUiHost(nullptr); }
    } resetUiHost;

    CPlumdialApp calendar(options);
    if (!calendar.InitInstance()) {
        return 0;  // the running calendar came to the front
    }
    // Only the calendar that owns the root fills it in; a screenshot run does too, so a root
    // first used for a screenshot is no different afterwards. Each placed file is flushed to
    // the disk, which on a fresh root costs more than the whole start: it comes after the
    // first paint, never before it.
    auto placeFirstStartFiles = [] {
        (void)PlaceBundledSounds();
        (void)PlaceClockLauncher();
    };
    if (options.screenshot) {
        const int written = calendar.WriteScreenshot(*options.screenshot, options.screen);
        placeFirstStartFiles();
        return written;
    }
    QTimer::singleShot(0, &application, placeFirstStartFiles);
    TerminationSignal termination;
    QObject::connect(&termination, &TerminationSignal::Received, &calendar.frame()->view(),
                     &QWidget::close);
    return QApplication::exec();
}
