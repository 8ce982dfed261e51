#pragma once
// The calendar's command line:
//   moru-calendar [--root DIR] [--scale N] [--screenshot FILE [--screen N]] | --quit
//   moru-calendar --help | --version
#include <optional>
#include <string>
#include <vector>

#include "platform/result.h"

namespace moru {

struct StartOptions {
    std::optional<std::string> root;        // --root DIR: the device root
    std::optional<std::string> screenshot;  // --screenshot FILE: render headlessly, then end
    int screen = 0;                         // --screen N: the screen the screenshot shows
    int scale = 0;                          // --scale N; 0 chooses one to suit the display
    bool quit = false;                      // --quit: ask the running calendar to end
    bool help = false;
    bool version = false;  // --version: print the version and end
};

inline constexpr int kMaxScale = 16;

// Reads the arguments after the program name. Both "--opt VALUE" and "--opt=VALUE" work.
Result<StartOptions> ParseStartOptions(const std::vector<std::string>& arguments);

extern const char* const kUsageText;

}  // namespace moru
