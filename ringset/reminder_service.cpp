#include "ringset/reminder_service.h"

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "platform/device_root.h"
#include "platform/locale_format.h"
#include "platform/registry.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "ringset/item_kinds.h"
#include "ringset/reminder_wave.h"
#include "store/word_tables.h"

namespace moru {
namespace {

constexpr std::u16string_view kSoundFolder = u"\\Windows\\";
constexpr std::u16string_view kMissedSummary = u"Missed reminders";

int64_t Seconds(const DateTime& time) {
    return DateToSeconds(time.date());
}

DateTime FromSeconds(int64_t seconds) {
    return DateTime::FromDate(SecondsToDate(seconds));
}

// The registry's reminder sound as a device path: a bare name is a file in \Windows, as the
// editor lists them; a value that already names a folder is taken as it stands.
std::u16string WaveDevicePath() {
    Result<RegistryKey> key = RegistryKey::Open(RegistryRoot::CurrentUser, kRemindersKey);
    if (!key.ok()) {
        return {};
    }
    Result<RegistryValue> value = key->QueryValue(kWaveValueName);
    if (!value.ok() || value->type != kRegSz) {
        return {};
    }
    std::u16string name = RegSzText(value->data);
    if (name.empty()) {
        return {};
    }
    return name.find(u'\\') == std::u16string::npos ? std::u16string(kSoundFolder) + name : name;
}

}  // namespace

std::u16string NoticeBody(const Reminder& reminder, ItemKind kind, bool missed,
                          const SystemTime& now) {
    std::u16string body = missed ? u"Missed: " : u"";
    const std::optional<SystemTime> start = reminder.start.ToSystemTime();
    if (start) {
        const bool today =
            start->year == now.year && start->month == now.month && start->day == now.day;
        body += today ? std::u16string(u"Today") : FormatDate(*start, u"yyyy.MM.dd(ddd)");
        if (!reminder.allDay) {
            body += u' ';
            body += FormatTime(*start, u"HH:mm");
        }
    }
    if (kind >= Alarm && kind <= Appointment) {
        body += u", ";
        body += KindNames[static_cast<size_t>(kind)];
    }
    return body;
}

ReminderService::ReminderService(poom::Folder calendarFolder, std::filesystem::path stateFile)
    : folder_(std::move(calendarFolder)),
      stateFile_(std::move(stateFile)),
      notifier_([this](uint32_t id,
                       std::string_view action) { answers_.emplace_back(id, std::string(action)); },
                [this](uint32_t id) { notices_.erase(id); }) {}

std::optional<DateTime> ReminderService::Run() {
    const SystemTime nowTime = GetLocalTime();
    const DateTime now = DateTime::FromSystemTime(nowTime);
    if (!now.valid()) {
        return std::nullopt;
    }
    const int64_t nowS = Seconds(now);
    // A store or state file that cannot be read now is tried again shortly, not only at the
    // next change.
    const DateTime retry = FromSeconds(nowS + kRetrySeconds);
    if (!stateLoaded_) {
        // One companion runs per root, so no save of this file is under way.
        RemoveStaleReminderTemporaries(stateFile_);
        Result<ReminderState> loaded = LoadReminderState(stateFile_);
        if (!loaded.ok()) {
            // Going on without it would repeat every reminder of the day.
            std::fprintf(stderr, "ringset: %s\n", loaded.error().message.c_str());
            return retry;
        }
        state_ = std::move(*loaded);
        stateLoaded_ = true;
    }
    const int64_t dayBack = nowS - kMissedWindowSeconds;
    // A first run has nothing to count: it looks one day back and no further.
    const int64_t looked = std::min(state_.lookedUntil.value_or(dayBack), nowS);
    const int64_t from =
        looked < dayBack ? std::max(looked + 1, nowS - kSummaryWindowSeconds) : dayBack;
    Result<ReminderList> found =
        FindReminders(folder_, FromSeconds(from), FromSeconds(nowS + kLookAheadSeconds));
    if (!found.ok()) {
        std::fprintf(stderr, "ringset: cannot read the reminders: %s\n",
                     found.error().message.c_str());
        return retry;
    }

    std::optional<int64_t> next;
    auto wakeAt = [&](int64_t seconds) { next = next ? std::min(*next, seconds) : seconds; };
    int summarised = 0;
    int missedShown = 0;
    bool rang = false;
    std::map<ReminderKey, const Reminder*> recent;  // for snoozes coming back
    for (const Reminder& reminder : found->reminders) {
        const ReminderKey key = KeyOf(reminder);
        if (key.due >= dayBack) {
            recent.emplace(key, &reminder);
        }
        if (state_.shown.contains(key)) {
            continue;
        }
        if (key.due > nowS) {
            wakeAt(key.due);
            continue;
        }
        if (key.due < dayBack) {
            if (key.due > looked) {
                ++summarised;
            }
            continue;
        }
        const bool missed = nowS - key.due > kLateSeconds;
        state_.shown.insert(key);
        if (missed && ++missedShown > kMaxMissedShown) {
            ++summarised;
            continue;
        }
        Show(reminder, missed, nowTime, rang);
    }

    // Snoozed reminders come back once; one deleted or moved meanwhile does not.
    for (auto it = state_.snoozed.begin(); it != state_.snoozed.end();) {
        const auto reminder = recent.find(it->first);
        if (reminder == recent.end()) {
            it = state_.snoozed.erase(it);
        } else if (it->second <= nowS) {
            Show(*reminder->second, nowS - it->second > kLateSeconds, nowTime, rang);
            it = state_.snoozed.erase(it);
        } else {
            wakeAt(it->second);
            ++it;
        }
    }
    if (summarised > 0) {
        ShowSummary(summarised);
    }

    // Nothing older than the missed window can come back, so it need not be remembered.
    std::erase_if(state_.shown, [&](const ReminderKey& key) { return key.due < dayBack; });
    state_.lookedUntil = nowS;
    Save();
    // The companion stays resident between runs that are hours apart: what the walk needed
    // goes back to the system rather than sitting idle in this process.
    folder_.ReleaseMemory();
    ::malloc_trim(0);
    wakeAt(nowS + kLookAheadSeconds);
    return FromSeconds(*next);
}

bool ReminderService::ProcessBus() {
    notifier_.Process();
    bool rescheduled = false;
    std::vector<std::pair<uint32_t, std::string>> answers;
    answers.swap(answers_);
    for (const auto& [id, action] : answers) {
        const auto notice = notices_.find(id);
        if (notice == notices_.end()) {
            continue;  // not ours, or already answered
        }
        if (action == kSnoozeAction) {
            const DateTime now = DateTime::FromSystemTime(GetLocalTime());
            state_.snoozed[notice->second] = Seconds(now) + kSnoozeMinutes * 60;
            rescheduled = true;
        }
        notices_.erase(notice);
    }
    if (rescheduled) {
        Save();
    }
    return rescheduled;
}

void ReminderService::Show(const Reminder& reminder, bool missed, const SystemTime& now,
                           bool& rang) {
    RingSound(rang);
    const ItemKind kind = ItemKinds::Read().KindOf(reminder.oid);
    Notice notice;
    notice.summary = reminder.subject;
    notice.body = NoticeBody(reminder, kind, missed, now);
    notice.offerSnooze = true;
    Result<uint32_t> id = notifier_.Notify(notice);
    if (!id.ok()) {
        SayNoDesktop(id.error());
        return;
    }
    saidNoDesktop_ = false;
    notices_[*id] = KeyOf(reminder);
}

void ReminderService::ShowSummary(int count) {
    Notice notice;
    notice.summary = std::u16string(kMissedSummary);
    notice.body = FromUtf8(std::to_string(count)) +
                  (count == 1 ? u" more reminder was missed" : u" more reminders were missed");
    Result<uint32_t> id = notifier_.Notify(notice);
    if (!id.ok()) {
        SayNoDesktop(id.error());
    }
}

// One ring for all the reminders shown together: a new sound would only cut off the last.
void ReminderService::RingSound(bool& rang) {
    if (rang) {
        return;
    }
    rang = true;
    const std::u16string sound = WaveDevicePath();
    std::error_code error;
    if (!sound.empty() && std::filesystem::is_regular_file(TranslateDevicePath(sound), error)) {
        PlaySoundFile(sound);
    }
}

void ReminderService::SayNoDesktop(const Error& error) {
    if (!saidNoDesktop_) {
        std::fprintf(stderr,
                     "ringset: reminders cannot be shown on the desktop (%s); they ring with "
                     "their sound only until the desktop answers\n",
                     error.message.c_str());
        saidNoDesktop_ = true;
    }
}

void ReminderService::Save() {
    if (Status saved = SaveReminderState(stateFile_, state_); !saved.ok()) {
        std::fprintf(stderr, "ringset: %s\n", saved.error().message.c_str());
    }
}

}  // namespace moru
