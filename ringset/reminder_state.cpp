#include "ringset/reminder_state.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/device_root.h"

namespace moru {
namespace {

constexpr std::string_view kHeader = "moru-reminders 1";

std::string TimeWord(int64_t seconds) {
    const std::optional<SystemTime> time = VariantTimeToSystemTime(SecondsToDate(seconds));
    if (!time) {
        return "invalid";
    }
    std::string text = FormatDateTimeText(*time);
    text[10] = 'T';  // one word per field
    return text;
}

std::optional<int64_t> ParseTimeWord(std::string word) {
    if (word.size() != 19 || word[10] != 'T') {
        return std::nullopt;
    }
    word[10] = ' ';
    const std::optional<SystemTime> time = ParseDateTimeText(word);
    if (!time) {
        return std::nullopt;
    }
    const std::optional<double> date = SystemTimeToVariantTime(*time);
    return date ? std::optional<int64_t>(DateToSeconds(*date)) : std::nullopt;
}

std::optional<uint32_t> ParseOidWord(const std::string& word) {
    if (word.empty() || word.size() > 10 || word.find_first_not_of("0123456789") != word.npos) {
        return std::nullopt;
    }
    const unsigned long long value = std::stoull(word);
    if (value == 0 || value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

std::optional<ReminderKey> ParseKey(std::istringstream& words) {
    std::string oid, start, due;
    if (!(words >> oid >> start >> due)) {
        return std::nullopt;
    }
    const std::optional<uint32_t> o = ParseOidWord(oid);
    const std::optional<int64_t> s = ParseTimeWord(start);
    const std::optional<int64_t> d = ParseTimeWord(due);
    if (!o || !s || !d) {
        return std::nullopt;
    }
    return ReminderKey{*o, *s, *d};
}

std::string KeyWords(const ReminderKey& key) {
    return std::to_string(key.oid) + ' ' + TimeWord(key.start) + ' ' + TimeWord(key.due);
}

Error ErrnoError(const std::string& what, const std::filesystem::path& file) {
    const int code = errno == 0 ? EIO : errno;
    return Error{code, what + " " + file.string() + ": " + std::strerror(code)};
}

}  // namespace

std::filesystem::path ReminderStateFile() {
    return TranslateDevicePath(kReminderStateDevicePath);
}

std::string EncodeReminderState(const ReminderState& state) {
    std::string out(kHeader);
    out += '\n';
    if (state.lookedUntil) {
        out += "looked " + TimeWord(*state.lookedUntil) + '\n';
    }
    for (const ReminderKey& key : state.shown) {
        out += "shown " + KeyWords(key) + '\n';
    }
    for (const auto& [key, back] : state.snoozed) {
        out += "snoozed " + KeyWords(key) + ' ' + TimeWord(back) + '\n';
    }
    return out;
}

ReminderState DecodeReminderState(std::string_view text, std::string* notes) {
    ReminderState state;
    auto note = [&](int line, const std::string& why) {
        if (notes != nullptr) {
            *notes += "line " + std::to_string(line) + ": " + why + '\n';
        }
    };
    std::istringstream lines{std::string(text)};
    std::string line;
    if (!std::getline(lines, line) || line != kHeader) {
        if (!text.empty()) {
            note(1, "not a reminder state of this version; starting afresh");
        }
        return state;
    }
    for (int number = 2; std::getline(lines, line); ++number) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        std::string rest;
        if (kind == "looked") {
            std::string when;
            words >> when;
            if (const std::optional<int64_t> seconds = ParseTimeWord(when);
                seconds && !(words >> rest)) {
                state.lookedUntil = *seconds;
                continue;
            }
        } else if (kind == "shown") {
            if (const std::optional<ReminderKey> key = ParseKey(words); key && !(words >> rest)) {
                state.shown.insert(*key);
                continue;
            }
        } else if (kind == "snoozed") {
            const std::optional<ReminderKey> key = ParseKey(words);
            std::string back;
            words >> back;
            if (const std::optional<int64_t> seconds = ParseTimeWord(back);
                key && seconds && !(words >> rest)) {
                state.snoozed[*key] = *seconds;
                continue;
            }
        }
        note(number, "cannot be read, left out: \"" + line + "\"");
    }
    return state;
}

Result<ReminderState> LoadReminderState(const std::filesystem::path& file) {
    std::FILE* in = std::fopen(file.c_str(), "rbe");
    if (in == nullptr) {
        if (errno == ENOENT) {
            return ReminderState{};
        }
        return ErrnoError("cannot read", file);
    }
    std::string text;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
        text.append(buffer, got);
    }
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) {
        return ErrnoError("cannot read", file);
    }
    std::string notes;
    ReminderState state = DecodeReminderState(text, &notes);
    if (!notes.empty()) {
        std::fprintf(stderr, "ringset: %s:\n%s", file.c_str(), notes.c_str());
    }
    return state;
}

Status SaveReminderState(const std::filesystem::path& file, const ReminderState& state) {
    if (Status folder = MakePrivateFolders(file.parent_path()); !folder.ok()) {
        return folder;
    }
    return ReplaceFileAtomically(file, EncodeReminderState(state));
}

int RemoveStaleReminderTemporaries(const std::filesystem::path& file) {
    // Earlier versions wrote the new state to "<file>.new", with no lock of their own.
    const std::string legacy = file.filename().string() + ".new";
    return RemoveStaleTemporaries(file,
                                  [&legacy](std::string_view name) { return name == legacy; });
}

}  // namespace moru
