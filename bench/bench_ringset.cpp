// The companion's costs: one reminder-sound refresh over a large store, the reminder service's
// walk, the resident memory of the idle program, and the time from a reminder's due time to
// its notice.
//
// The stores (10,000 one-off appointments and 500 recurring series over the year 2024, and
// 100,000 + 500 for the reminder figures) are made by the built moru-gen-store in temporary
// device roots, once per run.
//   refresh/morning: 08:00, the walk stops at the first reminder still to come.
//   refresh/evening: 23:59:59, nothing of today is left; the walk reaches tomorrow.
//   idle_rss: the built `ringset` on the small store after its first refresh; VmRSS in kB.
//   reminders/find_day: the reminders due in one day of the large store.
//   reminders/run: one run of the reminder service on the large store (the walk from a day
//     back to a day ahead, the state file written and flushed), nothing left to show.
//   idle_rss_100k: `ringset` on the large store after it has shown the last day's reminders
//     (no session bus: each is tried once); VmRSS in kB.
//   due_to_notify: `ringset` on the real clock with a private session bus and python3-dbusmock
//     as the notification server; an item due 1.5 s ahead is added, and the time from its due
//     time to the server's log of the Notify call is measured (ms, mean of the iterations).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/datetime.h"
#include "platform/device_root.h"
#include "platform/poom/poom.h"
#include "platform/registry.h"
#include "ringset/reminder_service.h"
#include "ringset/reminder_state.h"
#include "ringset/reminder_wave.h"
#include "ringset/reminders.h"

namespace {

using namespace moru;

std::filesystem::path BinDir() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

pid_t Spawn(std::vector<std::string> args, const std::filesystem::path& root,
            std::vector<std::string> extra = {"MORU_LOCAL_TIME=2024-06-12 08:00:00"},
            const char* out = "/dev/null") {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        if (!std::string_view(*e).starts_with("MORU_") &&
            !std::string_view(*e).starts_with("DBUS_SESSION_BUS_ADDRESS=")) {
            env.emplace_back(*e);
        }
    }
    env.push_back("MORU_ROOT=" + root.string());
    env.insert(env.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    envp.reserve(env.size() + 1);
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out, O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::filesystem::path TemporaryRoot() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "moru-bench-ringset-XXXXXX").string();
    return mkdtemp(pattern.data()) == nullptr ? std::filesystem::path()
                                              : std::filesystem::path(pattern);
}

// A generated store's device root; empty when it could not be made.
std::filesystem::path GeneratedRoot(const char* appointments) {
    std::filesystem::path root = TemporaryRoot();
    if (root.empty()) {
        return root;
    }
    const pid_t pid =
        Spawn({(BinDir() / "moru-gen-store").string(), "--root", root.string(), "--appointments",
               appointments, "--series", "500", "--from", "2024-01-01", "--years", "1"},
              root);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return std::filesystem::path();
    }
    return root;
}

const std::filesystem::path& StoreRoot() {
    static const std::filesystem::path root = GeneratedRoot("10000");
    return root;
}

const std::filesystem::path& LargeStoreRoot() {
    static const std::filesystem::path root = GeneratedRoot("100000");
    return root;
}

void Refresh(benchmark::State& state, const SystemTime& now) {
    if (StoreRoot().empty()) {
        state.SkipWithError("moru-gen-store could not build the store");
        return;
    }
    SetDeviceRoot(StoreRoot());
    auto app = poom::Application::Create();
    if (!app.ok() || !(*app)->Logon().ok()) {
        state.SkipWithError("the store did not open");
        return;
    }
    auto folder = (*app)->GetDefaultFolder(poom::kCalendarFolder);
    LocalTimePin pin(now);
    for (auto _ : state) {
        UpdateReminderWave(*folder);
    }
    (*app)->Logoff();
}

void BM_RefreshMorning(benchmark::State& state) {
    Refresh(state, *DateTime::FromParts(2024, 6, 12, 8, 0, 0).ToSystemTime());
}
BENCHMARK(BM_RefreshMorning)->Name("refresh/morning")->Unit(benchmark::kMicrosecond);

void BM_RefreshEvening(benchmark::State& state) {
    Refresh(state, *DateTime::FromParts(2024, 6, 12, 23, 59, 59).ToSystemTime());
}
BENCHMARK(BM_RefreshEvening)->Name("refresh/evening")->Unit(benchmark::kMicrosecond);

long ResidentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

void BM_IdleCompanionResidentMemory(benchmark::State& state) {
    if (StoreRoot().empty()) {
        state.SkipWithError("moru-gen-store could not build the store");
        return;
    }
    SetDeviceRoot(StoreRoot());
    long rss = -1;
    for (auto _ : state) {
        std::filesystem::remove(RegistryFile());
        const pid_t pid = Spawn({(BinDir() / "ringset").string()}, StoreRoot());
        // Ready once its first refresh has written the sound.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(RegistryFile()) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        rss = ResidentKilobytes(pid);
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    if (rss < 0) {
        state.SkipWithError("ringset did not start");
        return;
    }
    state.counters["VmRSS_kB"] = static_cast<double>(rss);
}
BENCHMARK(BM_IdleCompanionResidentMemory)
    ->Name("idle_rss")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

struct LargeStore {
    std::shared_ptr<poom::Application> app;
    std::optional<poom::Folder> folder;
};

std::optional<LargeStore> OpenLargeStore(benchmark::State& state) {
    if (LargeStoreRoot().empty()) {
        state.SkipWithError("moru-gen-store could not build the large store");
        return std::nullopt;
    }
    SetDeviceRoot(LargeStoreRoot());
    auto app = poom::Application::Create();
    if (!app.ok() || !(*app)->Logon().ok()) {
        state.SkipWithError("the store did not open");
        return std::nullopt;
    }
    auto folder = (*app)->GetDefaultFolder(poom::kCalendarFolder);
    return LargeStore{*app, *folder};
}

void BM_FindRemindersOfADay(benchmark::State& state) {
    std::optional<LargeStore> store = OpenLargeStore(state);
    if (!store) {
        return;
    }
    const DateTime from = DateTime::FromParts(2024, 6, 12, 8, 0, 0);
    size_t found = 0;
    for (auto _ : state) {
        Result<ReminderList> list = FindReminders(*store->folder, from, from + DateTimeSpan(1.0));
        found = list.ok() ? list->reminders.size() : 0;
    }
    state.counters["reminders"] = static_cast<double>(found);
}
BENCHMARK(BM_FindRemindersOfADay)->Name("reminders/find_day")->Unit(benchmark::kMillisecond);

void BM_ReminderServiceRun(benchmark::State& state) {
    std::optional<LargeStore> store = OpenLargeStore(state);
    if (!store) {
        return;
    }
    // Without a bus the first run only says so; the runs measured have nothing left to show.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    LocalTimePin pin(*DateTime::FromParts(2024, 6, 12, 8, 0, 0).ToSystemTime());
    std::filesystem::remove(ReminderStateFile());
    ReminderService service(*store->folder, ReminderStateFile());
    service.Run();
    for (auto _ : state) {
        benchmark::DoNotOptimize(service.Run());
    }
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
}
BENCHMARK(BM_ReminderServiceRun)->Name("reminders/run")->Unit(benchmark::kMillisecond);

void BM_IdleCompanionResidentMemoryLargeStore(benchmark::State& state) {
    if (LargeStoreRoot().empty()) {
        state.SkipWithError("moru-gen-store could not build the large store");
        return;
    }
    SetDeviceRoot(LargeStoreRoot());
    long rss = -1;
    for (auto _ : state) {
        std::filesystem::remove(ReminderStateFile());
        std::filesystem::remove(RegistryFile());
        const pid_t pid = Spawn({(BinDir() / "ringset").string()}, LargeStoreRoot(),
                                {"MORU_LOCAL_TIME=2024-06-12 08:00:00",
                                 "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus"});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(ReminderStateFile()) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        rss = ResidentKilobytes(pid);
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    if (rss < 0) {
        state.SkipWithError("ringset did not start");
        return;
    }
    state.counters["VmRSS_kB"] = static_cast<double>(rss);
}
BENCHMARK(BM_IdleCompanionResidentMemoryLargeStore)
    ->Name("idle_rss_100k")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool NotificationServerUp(const std::string& address) {
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) {
        return false;
    }
    int owned = 0;
    if (sd_bus_set_address(bus, address.c_str()) >= 0 && sd_bus_set_bus_client(bus, 1) >= 0 &&
        sd_bus_start(bus) >= 0) {
        sd_bus_message* reply = nullptr;
        if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply, "s",
                               "org.freedesktop.Notifications") >= 0) {
            sd_bus_message_read(reply, "b", &owned);
        }
        sd_bus_message_unref(reply);
    }
    sd_bus_flush_close_unref(bus);
    return owned != 0;
}

// The server's log time of the last Notify call, seconds since the epoch; 0 when none.
double LastNotifyTime(const std::filesystem::path& log) {
    const std::string text = ReadAll(log);
    const size_t at = text.rfind(" Notify ");
    if (at == std::string::npos) {
        return 0;
    }
    const size_t line = text.rfind('\n', at);
    return std::stod(text.substr(line == std::string::npos ? 0 : line + 1));
}

void BM_DueToNotify(benchmark::State& state) {
    std::filesystem::path root = TemporaryRoot();
    const std::filesystem::path log = root / "notifications.log";
    const pid_t daemon =
        Spawn({"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"}, root, {},
              (root / "bus.address").c_str());
    std::string address;
    for (int i = 0; i < 200 && address.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string printed = ReadAll(root / "bus.address");
        if (printed.find('\n') != std::string::npos) {
            address = printed.substr(0, printed.find('\n'));
        }
    }
    const pid_t mock = Spawn({"/usr/bin/python3", "-m", "dbusmock", "--template",
                              "notification_daemon", "-l", log.string()},
                             root, {"DBUS_SESSION_BUS_ADDRESS=" + address});
    for (int i = 0; i < 400 && !NotificationServerUp(address); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    const pid_t companion =
        Spawn({(BinDir() / "ringset").string()}, root, {"DBUS_SESSION_BUS_ADDRESS=" + address});
    SetDeviceRoot(root);
    for (int i = 0; i < 200 && !std::filesystem::exists(ReminderStateFile()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    auto app = poom::Application::Create();
    if (address.empty() || !NotificationServerUp(address) || !app.ok() || !(*app)->Logon().ok()) {
        state.SkipWithError("the private bus, the notification server or the store did not start");
    } else {
        double total = 0;
        double worst = 0;
        int measured = 0;
        for (auto _ : state) {
            const time_t due = ::time(nullptr) + 2;
            tm local{};
            ::localtime_r(&due, &local);
            auto item = (*app)->CreateItem(poom::kAppointmentItem);
            const DateTime start =
                DateTime::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                    local.tm_hour, local.tm_min, local.tm_sec);
            item->SetSubject(u"due");
            item->SetStart(start.date());
            item->SetEnd(start.date());
            item->SetReminderSet(true);
            item->SetReminderMinutesBeforeStart(0);
            (void)item->Save();
            double shown = 0;
            for (int i = 0; i < 500 && shown < static_cast<double>(due); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                shown = LastNotifyTime(log);
            }
            if (shown < static_cast<double>(due)) {
                state.SkipWithError("a reminder was not shown within five seconds of its time");
                break;
            }
            const double latency = (shown - static_cast<double>(due)) * 1000.0;
            total += latency;
            worst = std::max(worst, latency);
            ++measured;
        }
        state.counters["due_to_notify_ms"] = measured ? total / measured : 0;
        state.counters["worst_ms"] = worst;
        (*app)->Logoff();
    }
    for (pid_t pid : {companion, mock, daemon}) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_DueToNotify)->Name("due_to_notify")->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
