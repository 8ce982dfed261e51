#pragma once
// `moru-device [--root DIR] reg ...`: reads and writes registry values of the device root,
// the way the programs do.
//   reg get KEY NAME          prints TYPE<TAB>BYTES<TAB>VALUE; exit 1 when there is no value
//   reg set KEY NAME VALUE    writes VALUE as REG_SZ: 2n bytes for n characters, no zero
//   reg delete KEY NAME       removes the value; exit 1 when there is none
//   reg list KEY              prints NAME<TAB>TYPE<TAB>BYTES<TAB>VALUE per value
// KEY is written as the programs write it, e.g. "\ControlPanel\Notifications\Reminders".
// Bad arguments give one line on stderr and exit 2; registry failures exit 1.
#include <ostream>
#include <string>
#include <vector>

namespace moru {

// `args` are the words after "reg".
int RunRegistryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace moru
