#include "tools/moru_device/arguments.h"

#include <charconv>

namespace moru::device {

std::optional<std::string> ArgumentReader::TakeValue(std::string_view option,
                                                     ArgumentError& error) {
    if (AtEnd()) {
        error.message = std::string(option) + " needs a value";
        return std::nullopt;
    }
    return Take();
}

bool IsOption(std::string_view word) {
    return word.size() > 2 && word.starts_with("--");
}

std::optional<CommandLine> SplitCommandLine(const std::vector<std::string>& words,
                                            std::ostream& err) {
    CommandLine line;
    size_t next = 0;
    if (next < words.size() && words[next] == "--root") {
        if (next + 1 >= words.size() || words[next + 1].empty()) {
            err << "moru-device: --root needs a folder\n";
            return std::nullopt;
        }
        line.root = words[next + 1];
        next += 2;
    }
    if (next >= words.size()) {
        err << "moru-device: no command given (moru-device help)\n";
        return std::nullopt;
    }
    line.command = words[next];
    line.rest.assign(words.begin() + static_cast<std::ptrdiff_t>(next) + 1, words.end());
    return line;
}

std::optional<int64_t> ParseInteger(std::string_view text, int64_t min, int64_t max) {
    // from_chars accepts a leading '-' but no '+' or blanks, which is the strictness wanted.
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<uint32_t> ParseOid(std::string_view text) {
    if (text.starts_with('-')) {
        return std::nullopt;
    }
    auto value = ParseInteger(text, 1, UINT32_MAX);
    return value ? std::optional<uint32_t>(static_cast<uint32_t>(*value)) : std::nullopt;
}

}  // namespace moru::device
