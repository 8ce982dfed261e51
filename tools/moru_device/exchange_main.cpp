// moru-device-exchange: moru-device's import and export. They alone need libical (and the
// Unicode libraries it loads), so they run here, in a program of their own, and every other
// command of moru-device starts without those libraries. moru-device becomes this program with
// its own command line; see tools/moru_device/main.cpp for the commands and exit codes.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/device_root.h"
#include "tools/moru_device/arguments.h"
#include "tools/moru_device/ical_command.h"

int main(int argc, char** argv) {
    using namespace moru;
    const std::optional<device::CommandLine> line =
        device::SplitCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cerr);
    if (!line) {
        return device::kExitBadArguments;
    }
    if (!device::IsExchangeCommand(line->command)) {
        std::cerr << "moru-device-exchange: runs moru-device's import and export only "
                     "(moru-device help)\n";
        return device::kExitBadArguments;
    }
    SetDeviceRoot(ResolveDeviceRoot(line->root));
    return device::RunExchangeCommand(line->command, line->rest, std::cin, std::cout, std::cerr);
}
