// The settings screen's bulk delete on a full calendar: every appointment of a store of
// 10,000 (written by moru-gen-store) and 1,000 memo files, through the screen's own Delete,
// with the window shown. Besides the time of the whole deletion it reports the longest time
// the event loop did not run (a 1 ms timer stamps every turn; the longest gap between stamps
// is the longest the window could not repaint), how often the screen repainted meanwhile, and
// whether the busy cursor was up at every turn.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "bench/bench_widgets.h"
#include "editors/settings_screen.h"
#include "platform/device_root.h"
#include "platform/scripted_ui_host.h"
#include "store/calendar_state.h"
#include "store/store_connection.h"

namespace {

using namespace moru;
using namespace moru::bench;
namespace fs = std::filesystem;

fs::path MakeTempDir(const char* stem) {
    std::string pattern = (fs::temp_directory_path() / (std::string(stem) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    return pattern;
}

// A store of `appointments` one-off items, generated once and copied for every run.
struct StoreTemplate {
    fs::path root;
    ~StoreTemplate() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

const fs::path& TemplateRoot(long appointments) {
    static StoreTemplate made;
    if (made.root.empty()) {
        made.root = MakeTempDir("moru-bench-delete-template");
        const std::string command = (OwnDirectory() / "moru-gen-store").string() + " --root '" +
                                    made.root.string() + "' --appointments " +
                                    std::to_string(appointments) + " --series 0 >/dev/null";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "bench_settings_delete: moru-gen-store failed\n");
            std::abort();
        }
    }
    return made.root;
}

// Counts the screen's real paints (through the window system, not PaintNow).
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

void BM_DeleteAllAppointmentsAndMemos(benchmark::State& state) {
    App();
    const long appointments = state.range(0);
    const long memos = state.range(1);
    const fs::path& source = TemplateRoot(appointments);
    ScriptedUiHost ui;  // answers the confirmation with Yes
    double longestGapMs = 0;
    double paints = 0;
    bool busyThroughout = true;

    for (auto _ : state) {
        state.PauseTiming();
        const fs::path root = MakeTempDir("moru-bench-delete");
        fs::copy(source, root, fs::copy_options::recursive);
        const fs::path folder = root / "My Documents" / "MoruCalendar";
        fs::create_directories(folder);
        for (long i = 0; i < memos; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "2025%02ld%02ld_%06ld.pwi", 1 + i % 12, 1 + i % 28, i);
            std::ofstream(folder / name) << "ink";
        }
        SetDeviceRoot(root);
        ScopedCalendarState calendar;
        if (!OpenStoreConnection()) {
            std::abort();
        }
        NoHost host;
        {
            SettingsScreen screen(host, nullptr);
            screen.show();
            PaintCounter counter;
            screen.installEventFilter(&counter);
            QCoreApplication::processEvents();
            if (screen.counts().appointments != appointments || screen.counts().memos != memos) {
                std::fprintf(stderr, "bench_settings_delete: the screen counts %ld and %ld\n",
                             screen.counts().appointments, screen.counts().memos);
                std::abort();
            }
            screen.checkBox(SettingsScreen::kAppointmentsBox)->setChecked(true);
            screen.checkBox(SettingsScreen::kMemosBox)->setChecked(true);
            counter.paints = 0;

            QElapsedTimer clock;
            qint64 lastTurn = 0;
            qint64 longest = 0;
            QTimer turn;
            turn.setTimerType(Qt::PreciseTimer);
            turn.setInterval(1);
            QObject::connect(&turn, &QTimer::timeout, [&] {
                const qint64 now = clock.nsecsElapsed();
                longest = std::max(longest, now - lastTurn);
                lastTurn = now;
                const QCursor* cursor = QGuiApplication::overrideCursor();
                busyThroughout &= cursor != nullptr && cursor->shape() == Qt::WaitCursor;
            });
            turn.start();
            clock.start();
            state.ResumeTiming();

            screen.OnDelete();

            state.PauseTiming();
            longest = std::max(longest, clock.nsecsElapsed() - lastTurn);
            turn.stop();
            longestGapMs = std::max(longestGapMs, static_cast<double>(longest) / 1e6);
            paints = counter.paints;
            if (screen.counts().appointments != 0 || screen.counts().memos != 0) {
                std::fprintf(stderr, "bench_settings_delete: %ld appointments and %ld memos left\n",
                             screen.counts().appointments, screen.counts().memos);
                std::abort();
            }
        }
        CloseStoreConnection();
        std::error_code ignored;
        fs::remove_all(root, ignored);
        state.ResumeTiming();
    }
    state.counters["appointments"] = static_cast<double>(appointments);
    state.counters["memos"] = static_cast<double>(memos);
    state.counters["longest_frozen_ms"] = longestGapMs;
    state.counters["paints_during_delete"] = paints;
    state.counters["busy_cursor_throughout"] = busyThroughout ? 1 : 0;
}

BENCHMARK(BM_DeleteAllAppointmentsAndMemos)
    ->Args({10000, 1000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
