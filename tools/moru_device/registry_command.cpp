#include "tools/moru_device/registry_command.h"

#include "tools/moru_device/appointment_commands.h"

#include <string_view>

#include "platform/registry.h"
#include "platform/text.h"

namespace moru {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // no such value, or the registry could not be read or written
constexpr int kExitBadArguments = 2;

constexpr const char* kRegistryUsage = R"(usage: moru-device [--root DIR] reg COMMAND
  get KEY NAME          print TYPE<TAB>BYTES<TAB>VALUE (exit 1 when there is no such value)
  set KEY NAME VALUE    write VALUE as REG_SZ, two bytes per character, no terminating zero
  delete KEY NAME       remove the value (exit 1 when there is none)
  list KEY              print NAME<TAB>TYPE<TAB>BYTES<TAB>VALUE for every value of the key
KEY as the programs write it, e.g. "\ControlPanel\Notifications\Reminders"
)";

struct Verb {
    std::string_view name;
    size_t arguments;
};
constexpr Verb kVerbs[] = {{"get", 2}, {"set", 3}, {"delete", 2}, {"list", 1}};

// The value in one line: text with its control characters escaped (a terminating zero shows
// as \0), a double word as a number, anything else as hex bytes.
std::string DisplayValue(const RegistryValue& value) {
    const bool textual =
        value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz;
    if (textual && value.data.size() % 2 == 0) {
        return device::EscapeControlCharacters(RegSzText(value.data));
    }
    if (value.type == kRegDword && value.data.size() == 4) {
        return std::to_string(value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                              (static_cast<uint32_t>(value.data[3]) << 24));
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (size_t i = 0; i < value.data.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += kHex[value.data[i] >> 4];
        out += kHex[value.data[i] & 0xF];
    }
    return out;
}

std::string Describe(const RegistryValue& value) {
    return RegTypeName(value.type) + "\t" + std::to_string(value.data.size()) + "\t" +
           DisplayValue(value);
}

int Failed(std::ostream& err, const Error& error) {
    err << "moru-device reg: " << device::OneLine(error.message) << "\n";
    return kExitFailure;
}

}  // namespace

int RunRegistryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && (args[0] == "help" || args[0] == "--help" || args[0] == "-h")) {
        out << kRegistryUsage;
        return kExitOk;
    }
    const Verb* verb = nullptr;
    for (const auto& known : kVerbs) {
        if (!args.empty() && args[0] == known.name) {
            verb = &known;
        }
    }
    if (verb == nullptr) {
        err << "moru-device reg: expected get, set, delete or list (moru-device reg help)\n";
        return kExitBadArguments;
    }
    if (args.size() != verb->arguments + 1) {
        err << "moru-device reg " << verb->name << ": expected " << verb->arguments
            << (verb->arguments == 1 ? " argument" : " arguments") << ", got " << args.size() - 1
            << " (moru-device reg help)\n";
        return kExitBadArguments;
    }
    const std::u16string keyPath = FromUtf8(args[1]);
    for (char16_t c : keyPath) {
        if (c < 0x20) {
            err << "moru-device reg: a key cannot hold control characters\n";
            return kExitBadArguments;
        }
    }

    if (verb->name == "set") {
        Result<RegistryKey> key = RegistryKey::Create(RegistryRoot::CurrentUser, keyPath);
        if (!key.ok()) {
            return Failed(err, key.error());
        }
        Status written = key->SetString(FromUtf8(args[2]), FromUtf8(args[3]));
        return written.ok() ? kExitOk : Failed(err, written.error());
    }

    Result<RegistryKey> key = RegistryKey::Open(RegistryRoot::CurrentUser, keyPath);
    if (!key.ok()) {
        return Failed(err, key.error());
    }
    if (verb->name == "get") {
        Result<RegistryValue> value = key->QueryValue(FromUtf8(args[2]));
        if (!value.ok()) {
            return Failed(err, value.error());
        }
        out << Describe(*value) << "\n";
        return kExitOk;
    }
    if (verb->name == "delete") {
        Status removed = key->DeleteValue(FromUtf8(args[2]));
        return removed.ok() ? kExitOk : Failed(err, removed.error());
    }
    Result<std::vector<std::u16string>> names = key->ValueNames();
    if (!names.ok()) {
        return Failed(err, names.error());
    }
    for (const auto& name : *names) {
        Result<RegistryValue> value = key->QueryValue(name);
        if (value.ok()) {
            out << device::EscapeControlCharacters(name) << "\t" << Describe(*value) << "\n";
        }
    }
    return kExitOk;
}

}  // namespace moru
