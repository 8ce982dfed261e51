#pragma once
// Runs one of the built tools as its own process, the way a script would, and hands back its
// exit status and everything it wrote.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_root.h"

namespace moru::test {

struct ToolRun {
    int exitCode = -1;  // -1 when the program could not start or did not exit normally
    std::string out;
    std::string err;
};

inline std::string ToolPath(const std::string& name) {
    return std::string(MORU_BINARY_DIR) + "/" + name;
}

// Output goes through files rather than pipes, so a long listing can never block the child.
// stdinFile, when given, becomes the program's standard input.
inline ToolRun RunTool(const std::string& program, const std::vector<std::string>& args,
                       const std::string& stdinFile = "") {
    static int serial = 0;
    const auto scratch = std::filesystem::temp_directory_path() /
                         ("moru-tool-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    std::filesystem::create_directories(scratch);
    const std::string outFile = (scratch / "out").string();
    const std::string errFile = (scratch / "err").string();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!stdinFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, 0, stdinFile.c_str(), O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    ToolRun run;
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            run.exitCode = WEXITSTATUS(status);
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = ReadFileBytes(outFile);
    run.err = ReadFileBytes(errFile);
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return run;
}

}  // namespace moru::test
