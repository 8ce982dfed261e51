// The companion's costs: one reminder-sound refresh over a large store, and the resident
// memory of the idle program.
//
// The store (10,000 one-off appointments and 500 recurring series over the year 2024) is made
// by the built moru-gen-store in a temporary device root, once per run.
//   refresh/morning: 08:00, the walk stops at the first reminder still to come.
//   refresh/evening: 23:59:59, nothing of today is left; the walk reaches tomorrow.
//   idle_rss: the built `ringset` on that store after its first refresh; VmRSS in kB.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
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
#include "ringset/reminder_wave.h"

extern char** environ;

namespace {

using namespace moru;

std::filesystem::path BinDir() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

pid_t Spawn(std::vector<std::string> args, const std::filesystem::path& root) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        if (!std::string_view(*e).starts_with("MORU_")) {
            env.emplace_back(*e);
        }
    }
    env.push_back("MORU_ROOT=" + root.string());
    env.push_back("MORU_LOCAL_TIME=2024-06-12 08:00:00");
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The generated store's device root, made on first use; empty when it could not be made.
const std::filesystem::path& StoreRoot() {
    static const std::filesystem::path root = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "moru-bench-ringset-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            return std::filesystem::path();
        }
        const pid_t pid =
            Spawn({(BinDir() / "moru-gen-store").string(), "--root", pattern, "--appointments",
                   "10000", "--series", "500", "--from", "2024-01-01", "--years", "1"},
                  pattern);
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            return std::filesystem::path();
        }
        return std::filesystem::path(pattern);
    }();
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

}  // namespace

BENCHMARK_MAIN();
