#pragma once
// What the companion remembers between runs about reminders, so that a restart neither repeats
// a reminder nor forgets one: the reminders already shown, the snoozed ones with the time they
// come back, and the time up to which it last looked. Kept in <root>/Windows/reminders.txt,
// a small text file replaced atomically on every change:
//
//   moru-reminders 1
//   looked 2026-03-10T09:00:00
//   shown <oid> <start> <due>
//   snoozed <oid> <start> <due> <back>
//
// Times are local wall-clock times to the second. Lines that cannot be read are skipped with
// a note on stderr; a file of another version is read as empty.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/result.h"
#include "ringset/reminders.h"

namespace moru {

inline constexpr std::u16string_view kReminderStateDevicePath = u"\\Windows\\reminders.txt";

struct ReminderState {
    std::optional<int64_t> lookedUntil;      // seconds; when the companion last looked
    std::set<ReminderKey> shown;             // reminders already on the desktop
    std::map<ReminderKey, int64_t> snoozed;  // reminder -> seconds when it comes back

    bool operator==(const ReminderState&) const = default;
};

std::filesystem::path ReminderStateFile();

// The text form above, and back. Parsing never fails: what cannot be read is left out and
// said in `notes`.
std::string EncodeReminderState(const ReminderState& state);
ReminderState DecodeReminderState(std::string_view text, std::string* notes = nullptr);

// A missing file is an empty state.
Result<ReminderState> LoadReminderState(const std::filesystem::path& file);
// Replaces the file atomically (platform/atomic_file.h), so a reader (or a crash) sees the
// old state or the new, never part of one.
Status SaveReminderState(const std::filesystem::path& file, const ReminderState& state);
// Removes what saves that died left beside the file. Returns how many were removed.
int RemoveStaleReminderTemporaries(const std::filesystem::path& file);

}  // namespace moru
