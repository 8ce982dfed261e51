#pragma once
// The small argument reader behind moru-device's commands: options with or without a value,
// numbers and dates checked in full, and a one-line reason for everything refused.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace moru::device {

// Exit codes every command shares; scripts rely on them.
inline constexpr int kExitOk = 0;
inline constexpr int kExitStoreFailure = 1;  // the store could not be opened or refused a change
inline constexpr int kExitBadArguments = 2;  // unknown option, impossible value, unknown identifier

// Why a command line was refused, in words for stderr.
struct ArgumentError {
    std::string message;
};

// Walks the words after a command name. Options may come in any order; a word that does not
// start with "--" is a positional argument.
class ArgumentReader {
public:
    explicit ArgumentReader(std::vector<std::string> words) : words_(std::move(words)) {}

    bool AtEnd() const { return next_ >= words_.size(); }
    // The next word; the caller decides whether it is an option it knows.
    const std::string& Take() { return words_[next_++]; }
    // The value after an option; an error when the option is the last word.
    std::optional<std::string> TakeValue(std::string_view option, ArgumentError& error);

private:
    std::vector<std::string> words_;
    size_t next_ = 0;
};

bool IsOption(std::string_view word);

// The words before a command's own: an optional --root DIR, then the command.
struct CommandLine {
    std::optional<std::string> root;
    std::string command;
    std::vector<std::string> rest;  // the command's own words
};
// Nothing, with the reason on err, when --root has no folder or no command is given.
std::optional<CommandLine> SplitCommandLine(const std::vector<std::string>& words,
                                            std::ostream& err);

// A whole decimal number within [min, max]; nothing for trailing text, signs where they do not
// belong, or a value out of range.
std::optional<int64_t> ParseInteger(std::string_view text, int64_t min, int64_t max);

// A store identifier: a non-zero unsigned 32-bit decimal number.
std::optional<uint32_t> ParseOid(std::string_view text);

}  // namespace moru::device
