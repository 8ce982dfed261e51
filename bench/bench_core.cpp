// The calendar's own bookkeeping around the store: loading a full record (with its pattern and
// repeat choice), classifying identifiers against long kind lists (the month screen does this
// for every item it shows), and reading and saving the category file, which is written on
// every screen close.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/datetime.h"
#include "platform/device_root.h"
#include "platform/scripted_ui_host.h"
#include "store/category_store.h"
#include "store/describe_recurrence.h"
#include "store/store_connection.h"

namespace {

using namespace moru;

// A device root of its own for the whole run.
const std::filesystem::path& BenchRoot() {
    static const std::filesystem::path root = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "moru-bench-core-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        SetDeviceRoot(pattern);
        return std::filesystem::path(pattern);
    }();
    return root;
}

void FillLists(size_t perList) {
    Calendar().AlarmOids.clear();
    Calendar().HolidayOids.clear();
    Calendar().AnniversaryOids.clear();
    for (uint32_t i = 0; i < perList; ++i) {
        Calendar().AlarmOids.push_back(3 * i + 1);
        Calendar().HolidayOids.push_back(3 * i + 2);
        Calendar().AnniversaryOids.push_back(3 * i + 3);
    }
}

// A weekly series and a one-off appointment; LoadAppointment of each.
void BM_LoadAppointment(benchmark::State& state) {
    BenchRoot();
    ScriptedUiHost host;
    if (!OpenStoreConnection()) {
        state.SkipWithError("cannot open the store");
        return;
    }
    auto item = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
    const double start = *MakeDate(2024, 3, 12, 10);
    item->SetSubject(u"Weekly");
    item->SetStart(start);
    item->SetEnd(start + 1.0 / 24);
    item->SetReminderSet(true);
    item->SetReminderSoundFile(u"\\Windows\\Alarm1.wav");
    if (state.range(0) == 1) {
        poom::RecurrencePattern pattern = item->GetRecurrencePattern();
        pattern.SetRecurrenceType(poom::kRecursWeekly);
        pattern.SetDayOfWeekMask(4);
        pattern.SetNoEndDate(true);
    }
    if (!item->Save()) {
        state.SkipWithError("cannot save");
        return;
    }
    const uint32_t oid = item->Oid();
    AppointmentRecord record;
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadAppointment(oid, record));
    }
    CloseStoreConnection();
}
BENCHMARK(BM_LoadAppointment)->Arg(0)->Arg(1)->ArgNames({"recurring"});

// The worst case of the linear search: an identifier in no list walks all three.
void BM_KindOfUnlisted(benchmark::State& state) {
    FillLists(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(KindOf(0));
    }
}
BENCHMARK(BM_KindOfUnlisted)->Arg(100)->Arg(1000)->Arg(10000);

void BM_SaveCategoryStore(benchmark::State& state) {
    BenchRoot();
    ScriptedUiHost host;
    FillLists(static_cast<size_t>(state.range(0)));
    LoadCategoryStore();  // makes the folder
    FillLists(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(SaveCategoryStore());
    }
}
BENCHMARK(BM_SaveCategoryStore)->Arg(0)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_LoadCategoryStore(benchmark::State& state) {
    BenchRoot();
    ScriptedUiHost host;
    LoadCategoryStore();
    FillLists(static_cast<size_t>(state.range(0)));
    SaveCategoryStore();
    for (auto _ : state) {
        benchmark::DoNotOptimize(LoadCategoryStore());
    }
}
BENCHMARK(BM_LoadCategoryStore)->Arg(0)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_DescribeRecurrence(benchmark::State& state) {
    AppointmentRecord record;
    record.recurrenceType = poom::kRecursWeekly;
    record.interval = 2;
    record.dayOfWeekMask = 0x7F;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DescribeRecurrence(record));
    }
}
BENCHMARK(BM_DescribeRecurrence);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(BenchRoot(), ignored);
    return 0;
}
