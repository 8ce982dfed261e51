// moru-device's bash completion, loaded into a real bash with the bash-completion library,
// as an interactive shell would: what it offers after each kind of word.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/tools/tool_process.h"

namespace moru::test {
namespace {

const char* const kLibrary = "/usr/share/bash-completion/bash_completion";

// The words bash would offer after `line` (the last word is the one being completed).
std::string Offered(const std::string& line) {
    const std::string script = std::string("source ") + kLibrary + " 2>/dev/null; source " +
                               MORU_SOURCE_DIR "/packaging/moru-device.bash; " +
                               "read -r -a COMP_WORDS <<<\"$1\"; " +
                               "[[ $1 == *' ' ]] && COMP_WORDS+=(''); " +
                               "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMP_LINE=$1; " +
                               "COMP_POINT=${#1}; _moru_device; echo \"${COMPREPLY[*]}\"";
    const ToolRun run = RunTool("/bin/bash", {"-c", script, "bash", line});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return run.out.empty() ? run.out : run.out.substr(0, run.out.size() - 1);
}

TEST(MoruDeviceCompletionTest, OffersWhatFitsTheWordBeingTyped) {
    ASSERT_TRUE(std::filesystem::exists(kLibrary)) << "scripts/setup.sh installs bash-completion";
    struct Case {
        const char* line;
        const char* offered;
    };
    for (const Case& c : {
             Case{"moru-device ", "add list query show delete count reg help"},
             Case{"moru-device --root /tmp/r re", "reg"},
             Case{"moru-device -", "--root --help"},
             Case{"moru-device reg ", "get set delete list"},
             Case{"moru-device reg get ", ""},
             Case{"moru-device add --recur monthly", "monthly monthly-nth"},
             Case{"moru-device add --sub", "--subject"},
             Case{"moru-device add --subject ", ""},  // free text: nothing to offer
             Case{"moru-device list --", "--from --to"},
             Case{"moru-device query x --rec", "--recurrences"},
         }) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(Offered(c.line), c.offered);
    }
}

}  // namespace
}  // namespace moru::test
