// The appointment editor over a full calendar (100,000 one-off appointments and 500 recurring
// series written by moru-gen-store): opening to the first paint, for a new item and for a
// changed one fetched from the store; a row tap and the repaint after it; a save, including
// the store's commit.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QLineEdit>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "bench/bench_widgets.h"
#include "editors/appointment_editor.h"
#include "platform/device_root.h"
#include "platform/scripted_ui_host.h"
#include "store/store_connection.h"

namespace {

using namespace moru;
using namespace moru::bench;
namespace fs = std::filesystem;

constexpr long kAppointments = 100000;
constexpr long kSeries = 500;

const fs::path& TheRoot() {
    static Root root = [] {
        std::string pattern = (fs::temp_directory_path() / "moru-bench-editor-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        const fs::path own = fs::read_symlink("/proc/self/exe").parent_path();
        const std::string command = (own / "moru-gen-store").string() + " --root '" + pattern +
                                    "' --appointments " + std::to_string(kAppointments) +
                                    " --series " + std::to_string(kSeries) +
                                    " --from 2020-01-01 --years 10 >/dev/null";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "bench_appointment_editor: moru-gen-store failed\n");
            std::abort();
        }
        fs::create_directories(fs::path(pattern) / "Windows");
        return Root{pattern};
    }();
    return root.path;
}

// The store open on the generated root, and an item of it to change.
AppointmentRecord Prepare() {
    App();
    SetDeviceRoot(TheRoot());
    CloseStoreConnection();
    if (!OpenStoreConnection()) {
        std::abort();
    }
    static ScriptedUiHost ui;
    AppointmentRecord record;
    const auto items = TheStoreConnection().folder->Items();
    const auto item = items->Item(kAppointments / 2);
    if (!item || LoadAppointment(item->Oid(), record) == 0) {
        std::abort();
    }
    return record;
}

void BM_OpenToFirstPaint(benchmark::State& state) {
    const AppointmentRecord record = Prepare();
    const bool changing = state.range(0) != 0;
    for (auto _ : state) {
        AppointmentEditor editor(EditorModeFor(Appointment, changing));
        editor.record = record;
        if (!editor.Open()) {
            state.SkipWithError("the editor did not open");
            break;
        }
        editor.PaintNow();
    }
    state.SetLabel(changing ? "changed item" : "new item");
}

void BM_RowTapAndRepaint(benchmark::State& state) {
    const AppointmentRecord record = Prepare();
    AppointmentEditor editor(EditorModeFor(Appointment, true));
    editor.record = record;
    editor.Open();
    editor.PaintNow();
    // The rows with a control of their own (the memo row would open the memo editor).
    const int rows[][2] = {{100, 15},  {100, 40}, {170, 40},  {100, 66},  {170, 66},
                           {100, 118}, {80, 144}, {130, 144}, {170, 144}, {100, 170}};
    size_t i = 0;
    for (auto _ : state) {
        editor.PenDownAt(rows[i][0], rows[i][1]);
        editor.PaintNow();
        i = (i + 1) % std::size(rows);
    }
}

void BM_Save(benchmark::State& state) {
    Prepare();
    for (auto _ : state) {
        state.PauseTiming();
        auto editor = std::make_unique<AppointmentEditor>(EditorModeFor(Appointment, false));
        editor->Open();
        editor->subjectEdit()->setText(QStringLiteral("Benchmark"));
        state.ResumeTiming();
        editor->accept();
        if (editor->result() != kIdOk) {
            state.SkipWithError("the save was refused");
            break;
        }
        state.PauseTiming();
        editor.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_OpenToFirstPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RowTapAndRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
