// The month screen under a full calendar: a full requery and repaint (grid, memo tests, month
// query, markers), a repaint alone, and a day tap (day list query, grid and markers from the
// kept items), over stores of 1,000 and 10,000 one-off appointments plus 500 recurring series
// written by moru-gen-store, and data folders of 0, 5,000 and 20,000 memo files.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QMouseEvent>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

#include "bench/bench_widgets.h"
#include "platform/device_root.h"
#include "screens/month_calendar_screen.h"
#include "store/category_store.h"
#include "store/store_connection.h"

namespace {

using namespace moru;
using namespace moru::bench;
namespace fs = std::filesystem;

constexpr long kSeries = 500;
// The generated window is 2020..2029; the screen shows June 2025, in its middle.
constexpr int kWindowYear = 2020;
constexpr int kShownYear = 2025;
constexpr int kShownMonth = 6;

// One device root per store size, generated once and removed at exit; the memo files in it
// are set to the count each benchmark asks for.
struct Root {
    fs::path path;
    long memos = 0;
};

struct Roots {
    std::map<long, Root> bySize;
    ~Roots() {
        std::error_code ignored;
        for (auto& [size, root] : bySize) {
            fs::remove_all(root.path, ignored);
        }
    }
};

Root& RootOf(long appointments) {
    static Roots roots;
    Root& root = roots.bySize[appointments];
    if (!root.path.empty()) {
        return root;
    }
    std::string pattern = (fs::temp_directory_path() / "moru-bench-month-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    root.path = pattern;
    const std::string command = (OwnDirectory() / "moru-gen-store").string() + " --root '" +
                                root.path.string() + "' --appointments " +
                                std::to_string(appointments) + " --series " +
                                std::to_string(kSeries) + " --from " + std::to_string(kWindowYear) +
                                "-01-01 --years 10 >/dev/null";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "bench_month_screen: moru-gen-store failed\n");
        std::abort();
    }
    return root;
}

// Exactly `wanted` memo files, spread over the window's days (a few on the shown month).
void SetMemos(Root& root, long wanted) {
    const fs::path folder = root.path / "My Documents" / "MoruCalendar";
    if (root.memos > wanted) {
        fs::remove_all(folder);
        root.memos = 0;
    }
    fs::create_directories(folder);
    const int64_t first = DayNumber(kWindowYear, 1, 1);
    for (long i = root.memos; i < wanted; ++i) {
        int y = 0;
        int m = 0;
        int d = 0;
        CivilFromDayNumber(first + (i * 7919) % 3650, y, m, d);
        char name[64];
        std::snprintf(name, sizeof name, "%d%02d%02d_%06ld.pwi", y, m, d, i % 1000000);
        std::ofstream(folder / name) << "ink";
    }
    root.memos = wanted;
}

struct Screen {
    NoHost host;
    std::optional<LocalTimePin> pin;
    std::unique_ptr<MonthCalendarScreen> screen;
};

// A month screen on the root, with the store open and one paint done.
std::unique_ptr<Screen> OpenScreen(long appointments, long memos) {
    App();
    Root& root = RootOf(appointments);
    SetMemos(root, memos);
    SetDeviceRoot(root.path);
    CloseStoreConnection();
    if (!OpenStoreConnection()) {
        std::abort();
    }
    auto s = std::make_unique<Screen>();
    SystemTime today;
    today.year = kShownYear;
    today.month = kShownMonth;
    today.day = 15;
    today.hour = 12;
    s->pin.emplace(today);
    s->screen = std::make_unique<MonthCalendarScreen>(s->host, nullptr);
    s->screen->PaintNow();
    return s;
}

void SetCounters(benchmark::State& state) {
    state.counters["appointments"] = static_cast<double>(state.range(0));
    state.counters["memos"] = static_cast<double>(state.range(1));
}

void BM_FullRequeryAndRepaint(benchmark::State& state) {
    auto s = OpenScreen(state.range(0), state.range(1));
    for (auto _ : state) {
        s->screen->needsFullRedraw = true;
        s->screen->needsRequery = true;
        s->screen->PaintNow();
    }
    SetCounters(state);
}

// A repaint without a new query (the clock's minute, a window uncovered): what must cost the
// same with 20,000 memo files as with none.
void BM_Repaint(benchmark::State& state) {
    auto s = OpenScreen(state.range(0), state.range(1));
    for (auto _ : state) {
        s->screen->needsFullRedraw = true;
        s->screen->PaintNow();
    }
    SetCounters(state);
}

void BM_DayTap(benchmark::State& state) {
    auto s = OpenScreen(state.range(0), state.range(1));
    int cell = 0;
    for (auto _ : state) {
        // Walk over the grid's 42 cells so that every kind of day is tapped.
        const CellRect rect = CellRectOf(cell / kGridColumns, cell % kGridColumns);
        const QPointF at(rect.left + 10, rect.top + 10);
        QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(s->screen.get(), &press);
        QApplication::sendEvent(s->screen.get(), &release);
        s->screen->PaintNow();
        cell = (cell + 1) % kGridCells;
    }
    SetCounters(state);
}

void Sizes(benchmark::internal::Benchmark* bench) {
    for (long appointments : {1000L, 10000L}) {
        for (long memos : {0L, 5000L, 20000L}) {
            bench->Args({appointments, memos});
        }
    }
    bench->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_FullRequeryAndRepaint)->Apply(Sizes);
BENCHMARK(BM_Repaint)->Apply(Sizes);
BENCHMARK(BM_DayTap)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
