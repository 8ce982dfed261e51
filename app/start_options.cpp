#include "app/start_options.h"

#include <charconv>

namespace moru {
namespace {

Error UsageError(std::string message) {
    return Error{22 /* EINVAL */, std::move(message)};
}

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

const char* const kUsageText =
    "usage: moru-calendar [--root DIR] [--scale N] [--screenshot FILE [--screen N]]\n"
    "       moru-calendar [--root DIR] --quit\n"
    "       moru-calendar --help | --version\n"
    "  --root DIR         device root (default: $MORU_ROOT, else ~/.local/share/moru-calendar)\n"
    "  --scale N          show the 240 x 267 screen N times enlarged (1 is pixel-exact)\n"
    "  --screenshot FILE  start without a window, write screen N to FILE (PNG) and end\n"
    "  --screen N         0 clock (default), 1 schedule list, 2 month calendar, 3 settings\n"
    "  --quit             end the calendar running for the device root\n"
    "  --version          print the version and end\n";

Result<StartOptions> ParseStartOptions(const std::vector<std::string>& arguments) {
    StartOptions options;
    bool screenGiven = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> inlineValue;
        if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 < arguments.size()) {
                return arguments[++i];
            }
            return std::nullopt;
        };
        if (name == "--quit" || name == "--help" || name == "-h" || name == "--version") {
            if (inlineValue) {
                return UsageError(name + " takes no value");
            }
            (name == "--quit"      ? options.quit
             : name == "--version" ? options.version
                                   : options.help) = true;
        } else if (name == "--root" || name == "--screenshot") {
            const auto text = value();
            if (!text || text->empty()) {
                return UsageError(name + " needs a value");
            }
            (name == "--root" ? options.root : options.screenshot) = *text;
        } else if (name == "--screen" || name == "--scale") {
            const auto text = value();
            const std::optional<int> number = text ? ParseInt(*text) : std::nullopt;
            if (!number) {
                return UsageError(name + " needs a whole number");
            }
            if (name == "--screen") {
                if (*number < 0 || *number > 4) {
                    return UsageError("--screen must be 0 to 4");
                }
                options.screen = *number;
                screenGiven = true;
            } else {
                if (*number < 1 || *number > kMaxScale) {
                    return UsageError("--scale must be 1 to " + std::to_string(kMaxScale));
                }
                options.scale = *number;
            }
        } else {
            return UsageError("unknown argument: " + arguments[i]);
        }
    }
    if (screenGiven && !options.screenshot) {
        return UsageError("--screen needs --screenshot");
    }
    if (options.quit && options.screenshot) {
        return UsageError("--quit and --screenshot exclude each other");
    }
    return options;
}

}  // namespace moru
