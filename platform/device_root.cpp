#include "platform/device_root.h"

#include <cstdlib>

#include "platform/text.h"

namespace moru {
namespace {

std::filesystem::path& CurrentRoot() {
    static std::filesystem::path root = ResolveDeviceRoot(std::nullopt);
    return root;
}

}  // namespace

std::filesystem::path ResolveDeviceRoot(const std::optional<std::string>& commandLineRoot) {
    if (commandLineRoot && !commandLineRoot->empty()) {
        return std::filesystem::absolute(*commandLineRoot).lexically_normal();
    }
    if (const char* env = std::getenv("MORU_ROOT"); env && *env) {
        return std::filesystem::absolute(env).lexically_normal();
    }
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".local" / "share";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    return (base / "moru-calendar").lexically_normal();
}

void SetDeviceRoot(const std::filesystem::path& root) {
    CurrentRoot() = std::filesystem::absolute(root).lexically_normal();
}

const std::filesystem::path& DeviceRoot() {
    return CurrentRoot();
}

std::filesystem::path TranslateDevicePath(const std::filesystem::path& root,
                                          std::u16string_view devicePath) {
    std::filesystem::path result = root;
    std::u16string part;
    auto flush = [&] {
        if (!part.empty() && part != u"." && part != u"..") {
            result /= ToUtf8(part);
        }
        part.clear();
    };
    for (char16_t c : devicePath) {
        if (c == u'\\' || c == u'/') {
            flush();
        } else {
            part += c;
        }
    }
    flush();
    return result;
}

std::filesystem::path TranslateDevicePath(std::u16string_view devicePath) {
    return TranslateDevicePath(DeviceRoot(), devicePath);
}

}  // namespace moru
