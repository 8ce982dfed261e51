#pragma once
// Starting the built programs as separate processes for the two-process tests: the
// environment of the test with some variables replaced, stdout and stderr into files.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_root.h"

namespace moru::test {

inline std::string BinaryPath(const std::string& name) {
    return std::string(MORU_BINARY_DIR) + "/" + name;
}

// The test's environment with each "NAME=value" of `overrides` replacing its namesake
// ("NAME=" alone removes it).
inline std::vector<std::string> ChildEnvironment(const std::vector<std::string>& overrides) {
    std::vector<std::string> env;
    auto overridden = [&](std::string_view entry) {
        for (const auto& o : overrides) {
            const std::string name = o.substr(0, o.find('=') + 1);
            if (entry.starts_with(name)) {
                return true;
            }
        }
        return false;
    };
    for (char** e = environ; e && *e; ++e) {
        if (!overridden(*e)) {
            env.emplace_back(*e);
        }
    }
    for (const auto& o : overrides) {
        if (o.back() != '=') {
            env.push_back(o);
        }
    }
    return env;
}

// Starts the program with stdout and stderr going to the given files; -1 on failure.
inline pid_t StartProgram(const std::vector<std::string>& args,
                          const std::vector<std::string>& overrides,
                          const std::filesystem::path& outFile,
                          const std::filesystem::path& errFile) {
    std::vector<std::string> env = ChildEnvironment(overrides);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    std::vector<std::string> argsCopy = args;
    for (auto& a : argsCopy) {
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
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit code once the process has ended, or nothing when it still runs after `timeout`
// (a process ended by a signal gives 128 + the signal).
inline std::optional<int> WaitExit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (done < 0 || std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Waits, a little at a time, until `ready` holds; false when it did not within `timeout`.
template <class Predicate>
bool Eventually(Predicate ready, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

struct ProgramRun {
    int exitCode = -1;  // -1 when it had to be killed
    std::string out;
    std::string err;
};

// Runs the program to its end (killed after 10 s) and gives what it printed.
inline ProgramRun RunProgram(const std::vector<std::string>& args,
                             const std::vector<std::string>& overrides,
                             const std::filesystem::path& scratch) {
    const std::filesystem::path out = scratch / "run.out";
    const std::filesystem::path err = scratch / "run.err";
    ProgramRun run;
    const pid_t pid = StartProgram(args, overrides, out, err);
    if (pid < 0) {
        return run;
    }
    if (auto code = WaitExit(pid, std::chrono::seconds(10))) {
        run.exitCode = *code;
    } else {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    run.out = ReadFileBytes(out);
    run.err = ReadFileBytes(err);
    return run;
}

}  // namespace moru::test
