// moru-device: the command line over the device stand-ins, for people, scripts, tests and
// benchmarks. It opens the same store (and registry) the calendar and the companion use, in
// the device root chosen by --root, $MORU_ROOT or the XDG data folder.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/build_info.h"
#include "platform/device_root.h"
#include "platform/process.h"
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

// Import and export run in their helper program, which this process becomes with the same
// command line: its input, output and exit status are the command's own. Returns only when
// no helper could be started.
int RunExchangeProgram(char** argv) {
    const std::vector<std::filesystem::path> candidates =
        moru::HelperProgramCandidates(moru::device::kExchangeProgram);
    std::string tried;
    for (const std::filesystem::path& program : candidates) {
        ::execv(program.c_str(), argv);
        tried += (tried.empty() ? "" : ", ") + program.string() + ": " + std::strerror(errno);
    }
    std::cerr << "moru-device: import and export need " << moru::device::kExchangeProgram
              << ", which could not be started (" << moru::device::OneLine(tried) << ")\n";
    return moru::device::kExitStoreFailure;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace moru;
    const std::optional<device::CommandLine> line =
        device::SplitCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cerr);
    if (!line) {
        return device::kExitBadArguments;
    }
    const std::string& command = line->command;
    const std::vector<std::string>& rest = line->rest;
    if (command == "help" || command == "--help" || command == "-h") {
        std::cout << kUsage;
        return device::kExitOk;
    }
    if (command == "--version") {
        std::cout << "moru-device (Moru Calendar) " << kVersion << '\n';
        return device::kExitOk;
    }
    if (device::IsExchangeCommand(command)) {
        return RunExchangeProgram(argv);
    }
    SetDeviceRoot(ResolveDeviceRoot(line->root));
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
