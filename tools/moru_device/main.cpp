// moru-device: the command line over the device stand-ins, for people, scripts, tests and
// benchmarks. It opens the same store (and registry) the calendar and the companion use, in
// the device root chosen by --root, $MORU_ROOT or the XDG data folder.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/build_info.h"
#include "platform/device_root.h"
#include "tools/moru_device/appointment_commands.h"
#include "tools/moru_device/arguments.h"
#include "tools/moru_device/ical_command.h"

#if __has_include("tools/moru_device/registry_command.h")
#include "tools/moru_device/registry_command.h"
#define MORU_DEVICE_HAS_REGISTRY 1
#endif

namespace {

constexpr const char* kUsage = R"(usage: moru-device [--root DIR] COMMAND ...
  add --subject TEXT --start "YYYY-MM-DD HH:MM[:SS]" [--end "YYYY-MM-DD HH:MM[:SS]"]
      [--all-day] [--reminder MINUTES] [--sound NAME]
      [--recur daily|weekly|monthly|monthly-nth|yearly|yearly-nth] [--interval N]
      [--mask N] [--day N] [--instance N] [--month N] [--until YYYY-MM-DD | --count N]
  list [--from YYYY-MM-DD --to YYYY-MM-DD]
  query "RESTRICTION TEXT" [--recurrences]
  show OID
  delete OID
  count
  reminders [--from DATE|"DATE HH:MM[:SS]" --to DATE|"DATE HH:MM[:SS]"]
  import FILE.ics|- [--kind alarm|holiday|anniversary|appointment]
  export [FILE.ics|-] [--from YYYY-MM-DD --to YYYY-MM-DD] [--kind KIND] [--utc]
  reg get KEY NAME | reg set KEY NAME VALUE | reg delete KEY NAME | reg list KEY
  help | --version
exit status: 0 done, 1 the store failed, 2 bad arguments, an unknown identifier or a file
  that is not iCalendar, 3 import kept none of the file's items
)";

}  // namespace

int main(int argc, char** argv) {
    using namespace moru;
    std::vector<std::string> words(argv + 1, argv + argc);
    std::optional<std::string> root;
    size_t next = 0;
    if (next < words.size() && words[next] == "--root") {
        if (next + 1 >= words.size() || words[next + 1].empty()) {
            std::cerr << "moru-device: --root needs a folder\n";
            return device::kExitBadArguments;
        }
        root = words[next + 1];
        next += 2;
    }
    if (next >= words.size()) {
        std::cerr << "moru-device: no command given (moru-device help)\n";
        return device::kExitBadArguments;
    }
    const std::string command = words[next];
    const std::vector<std::string> rest(words.begin() + static_cast<long>(next) + 1, words.end());
    if (command == "help" || command == "--help" || command == "-h") {
        std::cout << kUsage;
        return device::kExitOk;
    }
    if (command == "--version") {
        std::cout << "moru-device (Moru Calendar) " << kVersion << '\n';
        return device::kExitOk;
    }
    SetDeviceRoot(ResolveDeviceRoot(root));

    if (device::IsExchangeCommand(command)) {
        return device::RunExchangeCommand(command, rest, std::cin, std::cout, std::cerr);
    }
    if (device::IsAppointmentCommand(command)) {
        return device::RunAppointmentCommand(command, rest, std::cout, std::cerr);
    }
#ifdef MORU_DEVICE_HAS_REGISTRY
    if (command == "reg") {
        return RunRegistryCommand(rest, std::cout, std::cerr);
    }
#endif
    std::cerr << "moru-device: unknown command " << device::OneLine(command)
              << " (moru-device help)\n";
    return device::kExitBadArguments;
}
