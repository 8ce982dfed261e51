// The store under the load of a full calendar: the month screen's query, the companion's
// query for today and tomorrow, reading one appointment by identifier, opening the store, and
// `moru-device list` over a month's 42 days as a whole process.
// Each runs against a store of 10,000 and of 100,000 one-off appointments plus 500 recurring
// series, built once per process by the same generator moru-gen-store uses.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_root.h"
#include "platform/locale_format.h"
#include "platform/poom/poom.h"
// The generator is compiled in here so the benchmark measures exactly the store that
// moru-gen-store writes.
#include "tools/gen_store/generator.cpp"  // NOLINT(bugprone-suspicious-include)

namespace {

using namespace moru;

constexpr long kSeries = 500;
constexpr uint64_t kSeed = 1;
// A ten-year window from 2020; the queries look at 2025, in its middle.
constexpr int kWindowYear = 2020;
constexpr int kQueryYear = 2025;

struct Fixture {
    std::filesystem::path root;
    std::filesystem::path storeFile;
    std::shared_ptr<poom::Application> application;
    std::optional<poom::Folder> folder;
    std::vector<uint32_t> oids;  // every identifier in the store, for the single reads
    bool kept = false;           // a store of MORU_BENCH_STORES, left for the next run

    ~Fixture() {
        application.reset();
        if (!kept) {
            std::error_code ignored;
            std::filesystem::remove_all(root, ignored);
        }
    }
};

// With MORU_BENCH_STORES set to a folder, each size's store is generated there once and used
// again by later runs (generating the 100,000-item store takes longer than all the
// measurements); without it every run builds its stores afresh in a temporary folder.
std::optional<std::filesystem::path> KeptStoreRoot(long appointments) {
    const char* folder = std::getenv("MORU_BENCH_STORES");
    if (folder == nullptr || *folder == '\0') {
        return std::nullopt;
    }
    return std::filesystem::path(folder) / ("store-" + std::to_string(appointments) + "-" +
                                            std::to_string(kSeries) + "-" + std::to_string(kSeed));
}

// One generated store per size, kept for the whole run.
Fixture& StoreOf(long appointments) {
    static std::map<long, std::unique_ptr<Fixture>> stores;
    auto& slot = stores[appointments];
    if (slot) {
        return *slot;
    }
    slot = std::make_unique<Fixture>();
    const std::optional<std::filesystem::path> kept = KeptStoreRoot(appointments);
    if (kept) {
        slot->root = *kept;
        slot->kept = true;
    } else {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "moru-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        slot->root = pattern;
    }
    slot->storeFile = TranslateDevicePath(slot->root, kStoreFileDevicePath);
    // A kept store is complete once its marker exists: a run that died while generating
    // leaves no marker, and its store is built again.
    const std::filesystem::path complete = slot->root / "generated";
    const bool reuse = kept && std::filesystem::exists(complete);
    if (kept && !reuse) {
        std::error_code ignored;
        std::filesystem::remove_all(slot->root, ignored);
    }
    auto application = poom::Application::Create(slot->storeFile);
    if (!application || !(*application)->Logon()) {
        std::fprintf(stderr, "bench_store: cannot create the store\n");
        std::abort();
    }
    genstore::GeneratorOptions options;
    options.appointments = appointments;
    options.series = kSeries;
    options.seed = kSeed;
    options.from.year = kWindowYear;
    options.from.month = 1;
    options.from.day = 1;
    options.years = 10;
    if (!reuse) {
        if (auto made = genstore::GenerateStore(**application, options); !made) {
            std::fprintf(stderr, "bench_store: %s\n", made.error().message.c_str());
            std::abort();
        }
        if (kept) {
            std::FILE* marker = std::fopen(complete.c_str(), "w");
            if (marker != nullptr) {
                std::fclose(marker);
            }
        }
    }
    slot->application = *application;
    slot->folder = *slot->application->GetDefaultFolder(poom::kCalendarFolder);
    auto items = slot->folder->Items();
    for (long i = 1;; ++i) {
        auto item = items->Item(i);
        if (!item) {
            break;
        }
        slot->oids.push_back(item->Oid());
    }
    return *slot;
}

SystemTime Day(int year, int month, int day) {
    return *VariantTimeToSystemTime(*MakeDate(year, month, day));
}

// The month screen's restriction for (year, month): from the first of the previous month,
// up to the end of its 42-day grid, ending on or after the grid's first day.
std::u16string MonthRestriction(int year, int month) {
    const int64_t first = DayNumber(year, month, 1);
    const int64_t gridStart = first - WeekdayOf(year, month, 1);
    const int64_t gridEnd = gridStart + 42;
    int py = year;
    int pm = month - 1;
    if (pm == 0) {
        pm = 12;
        --py;
    }
    auto text = [](int64_t dayNumber) {
        int y = 0;
        int m = 0;
        int d = 0;
        CivilFromDayNumber(dayNumber, y, m, d);
        return FormatShortDate(Day(y, m, d));
    };
    return u"[Start] >= " + text(DayNumber(py, pm, 1)) + u" and [Start] <= " + text(gridEnd) +
           u" and [End] >= " + text(gridStart) + u"\n";
}

// Items, Restrict, IncludeRecurrences, then Item(1), Item(2), ... reading what the screen
// reads; returns how many items came back.
template <class Read>
long Walk(const poom::Folder& folder, const std::u16string& restriction, Read read) {
    auto items = folder.Items();
    auto restricted = items->Restrict(restriction);
    if (!restricted) {
        std::abort();
    }
    restricted->SetIncludeRecurrences(true);
    long count = 0;
    for (long i = 1;; ++i) {
        auto item = restricted->Item(i);
        if (!item) {
            break;
        }
        read(*item);
        ++count;
    }
    return count;
}

void BM_MonthQuery(benchmark::State& state) {
    Fixture& store = StoreOf(state.range(0));
    std::vector<std::u16string> months;
    for (int month = 1; month <= 12; ++month) {
        months.push_back(MonthRestriction(kQueryYear, month));
    }
    size_t next = 0;
    long items = 0;
    for (auto _ : state) {
        items +=
            Walk(*store.folder, months[next++ % months.size()], [](const poom::Appointment& a) {
                benchmark::DoNotOptimize(a.Oid());
                benchmark::DoNotOptimize(a.Start());
                benchmark::DoNotOptimize(a.End());
            });
    }
    state.counters["items"] =
        benchmark::Counter(static_cast<double>(items) / static_cast<double>(state.iterations()));
}

// The companion's refresh: today and tomorrow, Start and ReminderSet of every item (the worst
// case, when nothing qualifies and the walk runs to the end).
void BM_CompanionQuery(benchmark::State& state) {
    Fixture& store = StoreOf(state.range(0));
    std::vector<std::u16string> days;
    for (int day = 1; day <= 28; ++day) {
        days.push_back(u"[Start] >= " + FormatShortDate(Day(kQueryYear, 6, day)) +
                       u" and [Start] <= " + FormatShortDate(Day(kQueryYear, 6, day + 1)) + u"\n");
    }
    size_t next = 0;
    long items = 0;
    for (auto _ : state) {
        items += Walk(*store.folder, days[next++ % days.size()], [](const poom::Appointment& a) {
            benchmark::DoNotOptimize(a.Start());
            benchmark::DoNotOptimize(a.ReminderSet());
        });
    }
    state.counters["items"] =
        benchmark::Counter(static_cast<double>(items) / static_cast<double>(state.iterations()));
}

// What LoadAppointment reads for one identifier, the pattern included for a series.
void BM_ReadOneAppointment(benchmark::State& state) {
    Fixture& store = StoreOf(state.range(0));
    size_t next = 0;
    for (auto _ : state) {
        // A stride through the identifiers, so each read lands somewhere else in the file.
        const uint32_t oid = store.oids[(next += 7919) % store.oids.size()];
        auto item = store.application->GetItemFromOid(oid);
        if (!item) {
            std::abort();
        }
        benchmark::DoNotOptimize(item->Oid());
        benchmark::DoNotOptimize(item->Subject());
        benchmark::DoNotOptimize(item->Location());
        benchmark::DoNotOptimize(item->Categories());
        benchmark::DoNotOptimize(item->Start());
        benchmark::DoNotOptimize(item->End());
        if (item->ReminderSet()) {
            benchmark::DoNotOptimize(item->ReminderSoundFile());
            benchmark::DoNotOptimize(item->ReminderMinutesBeforeStart());
        }
        if (item->IsRecurring()) {
            const poom::RecurrencePattern pattern = item->GetRecurrencePattern();
            benchmark::DoNotOptimize(pattern.RecurrenceType());
            benchmark::DoNotOptimize(pattern.DayOfWeekMask());
            benchmark::DoNotOptimize(pattern.Interval());
            benchmark::DoNotOptimize(pattern.DayOfMonth());
            benchmark::DoNotOptimize(pattern.Instance());
            benchmark::DoNotOptimize(pattern.MonthOfYear());
            benchmark::DoNotOptimize(pattern.NoEndDate());
            benchmark::DoNotOptimize(pattern.Occurrences());
            benchmark::DoNotOptimize(pattern.PatternEndDate());
        }
        benchmark::DoNotOptimize(item->Sensitivity());
        benchmark::DoNotOptimize(item->AllDayEvent());
    }
}

// Create, Logon and GetDefaultFolder, as the calendar and the companion start; the Logoff
// that follows is not counted.
void BM_OpenStore(benchmark::State& state) {
    Fixture& store = StoreOf(state.range(0));
    for (auto _ : state) {
        std::shared_ptr<poom::Application> application;
        {
            auto created = poom::Application::Create(store.storeFile);
            if (!created || !(*created)->Logon()) {
                std::abort();
            }
            application = *created;
            auto folder = application->GetDefaultFolder(poom::kCalendarFolder);
            benchmark::DoNotOptimize(folder.ok());
        }
        state.PauseTiming();
        application->Logoff();
        application.reset();
        state.ResumeTiming();
    }
}

// `moru-device list` over the 42 days of a month's grid as a whole process (start, open, walk,
// print), run against the same store: the CPU time of the child, user and system, per run.
void BM_ListProcess(benchmark::State& state) {
    Fixture& store = StoreOf(state.range(0));
    const std::string tool = std::string(MORU_BINARY_DIR) + "/moru-device";
    const std::string root = store.root.string();
    for (auto _ : state) {
        rusage before{};
        getrusage(RUSAGE_CHILDREN, &before);
        // posix_spawn rather than fork: a forked child first copies this process's page
        // tables (the benchmark holds the whole store), and that copy would count as the
        // tool's time.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> words = {tool,     "--root",     root,   "list",
                                          "--from", "2025-06-01", "--to", "2025-07-12"};
        std::vector<char*> argv;
        argv.reserve(words.size() + 1);
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        pid_t child = 0;
        const int spawned =
            posix_spawn(&child, tool.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            state.SkipWithError("moru-device could not be started");
            return;
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("moru-device list failed");
            return;
        }
        rusage after{};
        getrusage(RUSAGE_CHILDREN, &after);
        auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
        state.SetIterationTime(seconds(after.ru_utime) + seconds(after.ru_stime) -
                               seconds(before.ru_utime) - seconds(before.ru_stime));
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10'000)->Arg(100'000)->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_MonthQuery)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompanionQuery)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadOneAppointment)->Apply(Sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenStore)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListProcess)->Apply(Sizes)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
