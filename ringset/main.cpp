// ringset: keeps the device's reminder sound set to the sound of the day's next appointment.
// Started by the calendar with no arguments and the device root in $MORU_ROOT; people may
// also give --root DIR, and --quit closes the copy running for that root.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/build_info.h"
#include "platform/device_root.h"
#include "ringset/companion.h"

namespace {

constexpr const char* kUsage = "usage: ringset [--root DIR] [--quit] | --help | --version\n";

}  // namespace

int main(int argc, char** argv) {
    std::optional<std::string> root;
    bool quit = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--root" && i + 1 < argc) {
            root = argv[++i];
        } else if (arg.starts_with("--root=")) {
            root = std::string(arg.substr(7));
        } else if (arg == "--quit") {
            quit = true;
        } else if (arg == "--version") {
            std::printf("ringset (Moru Calendar) %.*s\n", static_cast<int>(moru::kVersion.size()),
                        moru::kVersion.data());
            return 0;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "ringset: unknown argument \"%s\"\n%s", argv[i], kUsage);
            return 2;
        }
    }
    moru::SetDeviceRoot(moru::ResolveDeviceRoot(root));
    return quit ? moru::QuitCompanion() : moru::RunCompanion();
}
