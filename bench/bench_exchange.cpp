// moru-device import and export at full size: importing a file of 10,000 events into an
// empty store (one transaction, UIDs looked up one by one), and exporting the store of
// 100,000 one-off appointments plus 500 series that moru-gen-store builds. Both run the
// commands' own functions in this process, minus only the process start.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/device_root.h"
#include "platform/poom/poom.h"
#include "tools/moru_device/ical_command.h"
// The generator is compiled in here so the benchmark exports exactly the store that
// moru-gen-store writes.
#include "tools/gen_store/generator.cpp"  // NOLINT(bugprone-suspicious-include)

namespace {

using namespace moru;

std::filesystem::path NewRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "moru-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    return pattern;
}

// A generated store in its own root; built in one transaction, which is also what makes
// 100,500 saves take seconds rather than minutes.
struct GeneratedStore {
    std::filesystem::path root;
    explicit GeneratedStore(long appointments, long series) : root(NewRoot()) {
        SetDeviceRoot(root);
        auto application = poom::Application::Create();
        if (!application || !(*application)->Logon()) {
            std::abort();
        }
        auto transaction = (*application)->BeginTransaction();
        genstore::GeneratorOptions options;
        options.appointments = appointments;
        options.series = series;
        options.from.year = 2020;
        options.from.month = 1;
        options.from.day = 1;
        if (!transaction || !genstore::GenerateStore(**application, options) ||
            !transaction->Commit()) {
            std::fprintf(stderr, "bench_exchange: cannot build the store\n");
            std::abort();
        }
    }
    ~GeneratedStore() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

// A file of 10,000 events, as our own export writes them (9,500 one-off items of every
// shape and 500 series of every pattern form, with reminders and sounds).
const std::filesystem::path& ImportFile() {
    static const std::filesystem::path file = [] {
        GeneratedStore source(9500, 500);
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("moru-bench-import-" + std::to_string(getpid()) + ".ics");
        std::ofstream out(path, std::ios::binary);
        std::ostringstream err;
        SetDeviceRoot(source.root);
        if (device::RunExport({}, out, err) != 0) {
            std::fprintf(stderr, "bench_exchange: %s", err.str().c_str());
            std::abort();
        }
        return path;
    }();
    return file;
}

void BM_Import10000Events(benchmark::State& state) {
    const std::filesystem::path& file = ImportFile();
    for (auto _ : state) {
        state.PauseTiming();
        const std::filesystem::path root = NewRoot();
        SetDeviceRoot(root);
        std::istringstream in;
        std::ostringstream err;
        state.ResumeTiming();
        if (device::RunImport({file.string()}, in, err) != 0) {
            std::fprintf(stderr, "bench_exchange: %s", err.str().c_str());
            std::abort();
        }
        state.PauseTiming();
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
        state.ResumeTiming();
    }
    state.counters["events"] = 10000;
}

void BM_Export100500Items(benchmark::State& state) {
    static GeneratedStore store(100000, 500);
    SetDeviceRoot(store.root);
    size_t bytes = 0;
    for (auto _ : state) {
        std::ofstream out("/dev/null", std::ios::binary);
        std::ostringstream err;
        if (device::RunExport({}, out, err) != 0) {
            std::fprintf(stderr, "bench_exchange: %s", err.str().c_str());
            std::abort();
        }
        bytes = static_cast<size_t>(out.tellp());
    }
    state.counters["items"] = 100500;
    benchmark::DoNotOptimize(bytes);
}

BENCHMARK(BM_Import10000Events)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Export100500Items)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
