#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/build_info.h"
#include "platform/device_root.h"

namespace moru {
namespace {

// Exit statuses of the intermediate process, so the caller learns whether the program began.
constexpr int kSpawnedStatus = 0;
constexpr int kSpawnFailedStatus = 127;

constexpr std::string_view kRingsetExecutable = "ringset";
constexpr std::string_view kRingsetOverrideVariable = "MORU_RINGSET";
constexpr std::string_view kRootVariable = "MORU_ROOT";

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

// Device paths name the same file whatever their case or separators ("\windows/clock.exe").
bool SameDevicePath(std::u16string_view a, std::u16string_view b) {
    auto next = [](std::u16string_view s, size_t& i) -> int {
        while (i < s.size() && (s[i] == u'\\' || s[i] == u'/') && i + 1 < s.size() &&
               (s[i + 1] == u'\\' || s[i + 1] == u'/')) {
            ++i;  // doubled separators count once
        }
        if (i >= s.size()) {
            return -1;
        }
        const char16_t c = s[i++];
        return c == u'/' ? u'\\' : FoldAscii(c);
    };
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        const int x = next(a, i);
        const int y = next(b, j);
        if (x != y) {
            return false;
        }
        if (x < 0) {
            return true;
        }
    }
}

bool IsExecutableFile(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(file.c_str(), X_OK) == 0;
}

std::filesystem::path OwnDirectory() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}

}  // namespace

std::vector<std::filesystem::path> HelperProgramCandidates(std::string_view executable) {
    const std::filesystem::path own = OwnDirectory();
    return {(own / kCompanionDirFromBin / executable).lexically_normal(), own / executable};
}

namespace {

// The places the companion may be, in the order they are tried: the one a test names, else
// the installed calendar's helper folder, else beside the running program (a build tree).
std::vector<std::filesystem::path> CompanionCandidates() {
    if (const char* custom = std::getenv(std::string(kRingsetOverrideVariable).c_str());
        custom && *custom) {
        return {custom};
    }
    return HelperProgramCandidates(kRingsetExecutable);
}

// Without its companion the calendar still works, but reminders no longer ring with their
// own sounds; say so once, where the person who started it (or the session log) sees it.
void ReportMissingCompanion(const std::vector<std::filesystem::path>& tried) {
    static std::atomic<bool> reported{false};
    if (reported.exchange(true)) {
        return;
    }
    std::string places;
    for (const auto& place : tried) {
        places += (places.empty() ? "" : " or ") + place.string();
    }
    std::fprintf(stderr,
                 "moru-calendar: the companion ringset was not found (%s is not an executable "
                 "file); reminders will not take their appointments' sounds\n",
                 places.c_str());
}

// The real program behind a device path; empty when there is none to start.
std::filesystem::path ProgramFor(std::u16string_view devicePath) {
    if (SameDevicePath(devicePath, kRingsetDevicePath)) {
        const std::vector<std::filesystem::path> candidates = CompanionCandidates();
        for (const auto& candidate : candidates) {
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
        ReportMissingCompanion(candidates);
        return {};
    }
    // "\Windows\Clock.exe" and every other program live under the device root.
    const std::filesystem::path program = TranslateDevicePath(devicePath);
    return IsExecutableFile(program) ? program : std::filesystem::path();
}

// Our environment with MORU_ROOT naming the current device root, so the child works on the
// same root as we do even when ours came from --root.
std::vector<std::string> ChildEnvironment() {
    std::vector<std::string> env;
    const std::string prefix = std::string(kRootVariable) + "=";
    for (char** entry = environ; entry && *entry; ++entry) {
        if (std::string_view(*entry).starts_with(prefix)) {
            continue;
        }
        env.emplace_back(*entry);
    }
    env.push_back(prefix + DeviceRoot().string());
    return env;
}

}  // namespace

bool StartDeviceProgram(std::u16string_view devicePath) {
    const std::filesystem::path program = ProgramFor(devicePath);
    if (program.empty()) {
        return false;
    }

    // Everything the child needs is prepared before fork, so the intermediate process only
    // makes system calls.
    const std::string programText = program.string();
    std::vector<std::string> envText = ChildEnvironment();
    std::vector<char*> envp;
    envp.reserve(envText.size() + 1);
    for (auto& entry : envText) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    char* argv[] = {const_cast<char*>(programText.c_str()), nullptr};

    // The child gets nothing of ours: no open files beyond stdout and stderr (our lock files
    // must not stay held by it after we end), stdin from /dev/null, default signal handling
    // and an empty signal mask. Our stdout and stderr it shares only when they are terminals:
    // a pipe or file there belongs to whoever started us (a script reading our output), and a
    // program that outlives us must not keep that reader waiting for the end of it.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    for (const int output : {STDOUT_FILENO, STDERR_FILENO}) {
        if (::isatty(output) == 0) {
            posix_spawn_file_actions_addopen(&actions, output, "/dev/null", O_WRONLY, 0);
        }
    }
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    sigdelset(&signals, SIGKILL);
    sigdelset(&signals, SIGSTOP);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    // An intermediate process starts the program in a session of its own and ends at once;
    // the program is then nobody's child here, so it outlives us and never lingers as our
    // zombie.
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::setsid();
        pid_t child = 0;
        const int spawned =
            ::posix_spawn(&child, argv[0], &actions, &attributes, argv, envp.data());
        ::_exit(spawned == 0 ? kSpawnedStatus : kSpawnFailedStatus);
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (middle < 0) {
        return false;
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == kSpawnedStatus;
}

}  // namespace moru
