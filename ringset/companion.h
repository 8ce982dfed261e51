#pragma once
// The companion program: a resident process with no window that holds its own connection to
// the appointment store and runs the reminder-sound selection at its start and then every
// 25 seconds, until it is asked to close (SIGTERM, SIGINT, SIGHUP, or `ringset --quit`).
// It also hosts the reminder service (ringset/reminder_service.h): it wakes at each
// reminder's time, when the store changes and when the clock is set, and at nothing else.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/poom/poom.h"

namespace moru {

// The periodic refresh, with the number the device gives its timer.
inline constexpr int kRefreshTimerId = 1010;
inline constexpr int kRefreshPeriodMs = 25000;

// The companion's title, also the caption of its messages.
inline constexpr std::u16string_view kRingsetTitle = u"Ringset";

// Messages for the three steps of the store connection, each with the failing call's code.
inline constexpr std::u16string_view kCreateFailedText = u"Error occurred [001:%d]";
inline constexpr std::u16string_view kLogonFailedText = u"Error occurred [002:%d]";
inline constexpr std::u16string_view kFolderFailedText = u"Error occurred [003:%d]";

// The companion's state and its three handlers, in the order the loop calls them.
class Companion {
public:
    // Connects to the store: application object, logon, calendar folder. On the first
    // failure shows that step's message once and stays idle; otherwise refreshes once.
    // True when the refresh timer is to run.
    bool OnCreate();
    // Refreshes on the refresh timer; other timers are not ours.
    void OnTimer(int timerId);
    // Releases the folder, logs off and releases the application object, in that order.
    void OnDestroy();

    bool connected() const { return folder_.has_value(); }
    // The calendar folder while connected.
    const std::optional<poom::Folder>& folder() const { return folder_; }
    int32_t lastResult() const { return lastResult_; }

private:
    void ShowError(std::u16string_view text, int code);

    std::shared_ptr<poom::Application> application_;
    std::optional<poom::Folder> folder_;  // the calendar folder
    bool loggedOn_ = false;
    int32_t lastResult_ = 0;  // result code of the last store call; 0 after a success
};

// The resident program for the current device root: the single-instance check, the
// companion's start, its timer and its close request. Returns the exit code: 0 for a normal
// close and for a second copy that ends at once.
int RunCompanion();

// Sends the close request to the companion of the current device root and waits for it to
// end. Returns the exit code: 0 when it ended, 1 when none runs or it did not end.
int QuitCompanion();

}  // namespace moru
