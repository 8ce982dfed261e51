// The schedule list under a full calendar: a reload of all four lists (three kind lists of
// 1,000 items each and a 31-day period), a paint of each list, and a key press through to the
// repainted list, over a store of 100,000 one-off appointments and 500 recurring series
// written by moru-gen-store.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QDateEdit>
#include <QKeyEvent>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "bench/bench_widgets.h"
#include "platform/device_root.h"
#include "screens/category_list.h"
#include "screens/period_agenda.h"
#include "screens/schedule_list_window.h"
#include "store/category_store.h"
#include "store/store_connection.h"

namespace {

using namespace moru;
using namespace moru::bench;
namespace fs = std::filesystem;

constexpr long kAppointments = 100000;
constexpr long kSeries = 500;
constexpr size_t kItemsPerKind = 1000;
// The generated window is 2020..2029; the period is a month in its middle.
constexpr int kWindowYear = 2020;
const QDate kPeriodFrom(2025, 6, 1);
const QDate kPeriodTo(2025, 7, 1);

// The generated store, made once; every eleventh appointment goes into a kind list in turn
// (1,000 per kind).
const fs::path& GeneratedRoot() {
    static Root root = [] {
        Root made;
        std::string pattern = (fs::temp_directory_path() / "moru-bench-list-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        made.path = pattern;
        const fs::path tool = fs::read_symlink("/proc/self/exe").parent_path() / "moru-gen-store";
        const std::string command =
            tool.string() + " --root '" + made.path.string() + "' --appointments " +
            std::to_string(kAppointments) + " --series " + std::to_string(kSeries) + " --from " +
            std::to_string(kWindowYear) + "-01-01 --years 10 >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "bench_schedule_list: moru-gen-store failed\n");
            std::abort();
        }
        return made;
    }();
    return root.path;
}

struct Window {
    NoHost host;
    std::optional<LocalTimePin> pin;
    std::unique_ptr<ScheduleListWindow> window;
};

std::unique_ptr<Window> OpenWindow() {
    App();
    SetDeviceRoot(GeneratedRoot());
    CloseStoreConnection();
    if (!OpenStoreConnection() || !LoadCategoryStore()) {
        std::abort();
    }
    CalendarState& state = Calendar();
    state.AlarmOids.clear();
    state.HolidayOids.clear();
    state.AnniversaryOids.clear();
    auto items = TheStoreConnection().folder->Items();
    std::array<OidList*, 3> lists{&state.AlarmOids, &state.HolidayOids, &state.AnniversaryOids};
    for (long i = 1; state.AlarmOids.size() < kItemsPerKind; ++i) {
        const std::optional<poom::Appointment> item = items->Item(i * 11);
        if (!item) {
            std::abort();
        }
        lists[static_cast<size_t>(i % 3)]->push_back(item->Oid());
    }
    auto w = std::make_unique<Window>();
    w->pin.emplace(MakeSystemTime(2025, 6, 15, 12));
    w->window = std::make_unique<ScheduleListWindow>(w->host, nullptr);
    w->window->fromPicker().setDate(kPeriodFrom);
    w->window->toPicker().setDate(kPeriodTo);
    w->window->ToDateClosed();
    w->window->show();
    return w;
}

void BM_ReloadAllLists(benchmark::State& state) {
    auto w = OpenWindow();
    for (auto _ : state) {
        w->window->ReloadList();
    }
    state.counters["kind items"] = static_cast<double>(w->window->kindList(Alarm).items().size());
    state.counters["period items"] = static_cast<double>(w->window->agenda().items().size());
}

// The two halves of a reload, apart.
void BM_FillKindLists(benchmark::State& state) {
    auto w = OpenWindow();
    for (auto _ : state) {
        const poom::ReadBatch batch = TheStoreConnection().application->BeginReadBatch();
        for (ItemKind kind : {Alarm, Holiday, Anniversary}) {
            w->window->kindList(kind).FillList();
        }
    }
}

void BM_QueryPeriod(benchmark::State& state) {
    auto w = OpenWindow();
    for (auto _ : state) {
        w->window->agenda().QueryPeriod(MakeSystemTime(2025, 6, 1),
                                        MakeSystemTime(2025, 7, 1, 23, 59, 59));
    }
}

void BM_PaintList(benchmark::State& state) {
    auto w = OpenWindow();
    const auto kind = static_cast<ItemKind>(state.range(0));
    PixelPane* pane = kind == Appointment ? static_cast<PixelPane*>(&w->window->agenda())
                                          : &w->window->kindList(kind);
    for (auto _ : state) {
        pane->PaintNow();
    }
}

void BM_KeyToRepaint(benchmark::State& state) {
    auto w = OpenWindow();
    const auto kind = static_cast<ItemKind>(state.range(0));
    w->window->ShowTab(kind);
    PixelPane* pane = kind == Appointment ? static_cast<PixelPane*>(&w->window->agenda())
                                          : &w->window->kindList(kind);
    int step = 0;
    for (auto _ : state) {
        // Down through the first pages and back up, so the top row moves too.
        const Qt::Key key = (step++ / 8) % 2 == 0 ? Qt::Key_Down : Qt::Key_Up;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w->window.get(), &press);
        pane->PaintNow();
    }
}

BENCHMARK(BM_ReloadAllLists)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillKindLists)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_QueryPeriod)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaintList)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KeyToRepaint)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
