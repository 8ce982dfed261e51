#pragma once
// moru-device import and export: the store's items to and from iCalendar files (RFC 5545),
// through libical. See docs/moru-device.md for the mapping, the skips and the exit codes.
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace moru::device {

// Import found items in the file but could not keep any of them (each was skipped).
inline constexpr int kExitNothingImported = 3;

// Limits that keep a damaged or hostile file from costing unbounded memory or time; each is
// far above what a calendar program writes.
inline constexpr size_t kMaxInputBytes = size_t{128} << 20;
inline constexpr size_t kMaxLineBytes = size_t{1} << 20;  // one physical line
inline constexpr int kMaxPropertiesPerComponent = 1000;

inline bool IsExchangeCommand(std::string_view command) {
    return command == "import" || command == "export";
}
// The helper program that runs them (tools/moru_device/exchange_main.cpp).
inline constexpr std::string_view kExchangeProgram = "moru-device-exchange";
int RunExchangeCommand(std::string_view command, const std::vector<std::string>& words,
                       std::istream& in, std::ostream& out, std::ostream& err);

int RunImport(const std::vector<std::string>& words, std::istream& in, std::ostream& err);
int RunExport(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace moru::device
