#pragma once
// The device's fixed paths ("\My Documents\MoruCalendar", "\Windows\Clock.exe", ...) stay
// the program's own texts; they become real paths only here, under a device root directory:
// --root DIR, else $MORU_ROOT, else $XDG_DATA_HOME/moru-calendar (~/.local/share/...).
// The process has one current root, chosen at start-up; tests set their own.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace moru {

// The root a program uses when started with the given --root value (or none).
std::filesystem::path ResolveDeviceRoot(const std::optional<std::string>& commandLineRoot);

void SetDeviceRoot(const std::filesystem::path& root);
const std::filesystem::path& DeviceRoot();

// The single translation of a device path: backslashes become '/', doubled separators
// collapse, and the result is placed under the current root (a path never climbs out of it:
// ".." components are dropped).
std::filesystem::path TranslateDevicePath(std::u16string_view devicePath);
std::filesystem::path TranslateDevicePath(const std::filesystem::path& root,
                                          std::u16string_view devicePath);

// Well-known files of the stand-ins, all inside the root.
inline constexpr std::u16string_view kStoreFileDevicePath = u"\\Windows\\appointments.db";
inline constexpr std::u16string_view kRegistryFileDevicePath = u"\\Windows\\registry.txt";
inline constexpr std::u16string_view kProfileFileDevicePath = u"\\Windows\\profile.ini";

}  // namespace moru
