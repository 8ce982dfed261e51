#pragma once
// What every benchmark of a screen or dialog sets up alike: the one QApplication on the
// offscreen platform, a screen host that goes nowhere, the folder of the benchmark's own
// program (where the generators are built), and a device root removed when the run ends.
#include <errno.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <system_error>

#include "app/screen_host.h"

namespace moru::bench {

inline QApplication& App() {
    static int argc = 1;
    static char* argv[] = {program_invocation_short_name, nullptr};
    static QApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

// The screens' calls to their host have nothing to act on in a benchmark.
class NoHost : public ScreenHost {
public:
    void SwitchScreen(int) override {}
    void SaveAndMinimize() override {}
    void PostDataChanged() override {}
};

inline std::filesystem::path OwnDirectory() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

// A generated device root, removed with this object (at exit, for a static one).
struct Root {
    std::filesystem::path path;
    ~Root() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace moru::bench
