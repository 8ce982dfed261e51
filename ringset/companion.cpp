#include "ringset/companion.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/device_root.h"
#include "platform/text.h"
#include "platform/ui_host.h"
#include "ringset/reminder_service.h"
#include "ringset/reminder_wave.h"
#include "ringset/single_instance.h"

namespace moru {
namespace {

// How long `ringset --quit` waits for the running copy to finish its shutdown.
constexpr std::chrono::milliseconds kQuitWait{5000};

std::u16string FormatMessage(std::u16string_view text, int code) {
    std::u16string out(text);
    const size_t at = out.find(u"%d");
    if (at != std::u16string::npos) {
        out.replace(at, 2, FromUtf8(std::to_string(code)));
    }
    return out;
}

// A descriptor that closes itself.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

void Report(const char* what) {
    std::fprintf(stderr, "ringset: %s: %s\n", what, std::strerror(errno));
}

}  // namespace

bool Companion::OnCreate() {
    Result<std::shared_ptr<poom::Application>> created = poom::Application::Create();
    if (!created.ok()) {
        lastResult_ = created.error().code;
        ShowError(kCreateFailedText, created.error().code);
        return false;
    }
    application_ = std::move(*created);
    lastResult_ = 0;

    if (Status logon = application_->Logon(); !logon.ok()) {
        lastResult_ = logon.error().code;
        ShowError(kLogonFailedText, logon.error().code);
        return false;
    }
    loggedOn_ = true;

    Result<poom::Folder> folder = application_->GetDefaultFolder(poom::kCalendarFolder);
    if (!folder.ok()) {
        lastResult_ = folder.error().code;
        ShowError(kFolderFailedText, folder.error().code);
        return false;
    }
    folder_ = std::move(*folder);

    // The first refresh happens now, so the value is right before the first tick.
    UpdateReminderWave(*folder_);
    return true;
}

void Companion::OnTimer(int timerId) {
    if (timerId == kRefreshTimerId && folder_) {
        UpdateReminderWave(*folder_);
    }
}

void Companion::OnDestroy() {
    folder_.reset();
    if (application_ && loggedOn_) {
        application_->Logoff();
        loggedOn_ = false;
    }
    application_.reset();
}

void Companion::ShowError(std::u16string_view text, int code) {
    CurrentUiHost().MessageBox(FormatMessage(text, code), kRingsetTitle, kMbOk);
}

namespace {

// Milliseconds from `now` until the local wall-clock time `when`, through the C library's
// time zone rules, so a change of UTC offset between the two (daylight saving) is counted.
int64_t MillisecondsUntil(const DateTime& when, const SystemTime& now) {
    auto epoch = [](int year, int month, int day, int hour, int minute, int second) {
        tm broken{};
        broken.tm_year = year - 1900;
        broken.tm_mon = month - 1;
        broken.tm_mday = day;
        broken.tm_hour = hour;
        broken.tm_min = minute;
        broken.tm_sec = second;
        broken.tm_isdst = -1;
        return static_cast<int64_t>(::mktime(&broken));
    };
    const int64_t target =
        epoch(when.year(), when.month(), when.day(), when.hour(), when.minute(), when.second());
    const int64_t from = epoch(now.year, now.month, now.day, now.hour, now.minute, now.second);
    return (target - from) * 1000 - now.milliseconds;
}

// Arms the reminder timer for `when` (now or sooner: at once). The timer counts on the boot
// clock, which goes on while the machine sleeps, so a reminder due during a suspend fires on
// resume; clock settings are seen through the clock timer instead.
void ArmReminderTimer(int fd, const std::optional<DateTime>& when) {
    itimerspec due{};
    if (when) {
        const int64_t ms = std::max<int64_t>(1, MillisecondsUntil(*when, GetLocalTime()));
        due.it_value.tv_sec = static_cast<time_t>(ms / 1000);
        due.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    }
    if (::timerfd_settime(fd, 0, &due, nullptr) != 0) {
        Report("cannot set the reminder timer");
    }
}

// A wall-clock timer far in the future whose only use is to be cancelled when the clock is
// set (by the user, by NTP): reminders are kept in wall-clock time and must be rescheduled.
void ArmClockWatch(int fd) {
    itimerspec far{};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    far.it_value.tv_sec = now.tv_sec + 365L * 86400;
    if (::timerfd_settime(fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &far, nullptr) != 0) {
        Report("cannot watch for clock changes");
    }
}

}  // namespace

int RunCompanion() {
    // Close requests are taken as events of the loop below, never as interruptions: blocked
    // from the start, one that arrives during start-up waits until the connection is made.
    sigset_t closeSignals;
    sigemptyset(&closeSignals);
    sigaddset(&closeSignals, SIGTERM);
    sigaddset(&closeSignals, SIGINT);
    sigaddset(&closeSignals, SIGHUP);
    if (::sigprocmask(SIG_BLOCK, &closeSignals, nullptr) != 0) {
        Report("cannot block the close signals");
        return 1;
    }

    Result<std::optional<InstanceLock>> lock = InstanceLock::Acquire(InstanceLockFile());
    if (!lock.ok()) {
        std::fprintf(stderr, "ringset: %s\n", lock.error().message.c_str());
        return 1;
    }
    if (!lock->has_value()) {
        return 0;  // another copy already runs for this root
    }

    const Descriptor signals(::signalfd(-1, &closeSignals, SFD_CLOEXEC));
    const Descriptor timer(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC));
    const Descriptor reminderTimer(::timerfd_create(CLOCK_BOOTTIME, TFD_CLOEXEC));
    const Descriptor clockWatch(::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC));
    if (signals.get() < 0 || timer.get() < 0 || reminderTimer.get() < 0 || clockWatch.get() < 0) {
        Report("cannot set up the event loop");
        return 1;
    }

    Companion companion;
    std::unique_ptr<ReminderService> reminders;
    std::unique_ptr<poom::ChangeWatcher> changes;
    if (companion.OnCreate()) {
        itimerspec period{};
        period.it_interval.tv_sec = kRefreshPeriodMs / 1000;
        period.it_interval.tv_nsec = (kRefreshPeriodMs % 1000) * 1000000L;
        period.it_value = period.it_interval;
        if (::timerfd_settime(timer.get(), 0, &period, nullptr) != 0) {
            Report("cannot start the refresh timer");
        }
        // Without change notices a change is still seen at the next reminder or clock change;
        // the companion goes on.
        Result<std::unique_ptr<poom::ChangeWatcher>> watcher =
            poom::ChangeWatcher::Open(poom::DefaultStoreFile());
        if (watcher.ok()) {
            changes = std::move(*watcher);
        } else {
            std::fprintf(stderr, "ringset: %s\n", watcher.error().message.c_str());
        }
        reminders = std::make_unique<ReminderService>(*companion.folder(), ReminderStateFile());
        ArmClockWatch(clockWatch.get());
        // The watcher is open before this first look, so a change made during it is seen at
        // the loop's first turn, never lost.
        ArmReminderTimer(reminderTimer.get(), reminders->Run());
    }

    // Sleeps until a timer, a store change, an answer from the desktop or a close request;
    // nothing else wakes the process.
    enum { kSignals, kRefresh, kReminder, kClock, kChanges, kBus, kEventCount };
    pollfd events[kEventCount] = {{signals.get(), POLLIN, 0},
                                  {timer.get(), POLLIN, 0},
                                  {reminderTimer.get(), POLLIN, 0},
                                  {clockWatch.get(), POLLIN, 0},
                                  {changes ? changes->fd() : -1, POLLIN, 0},
                                  {-1, 0, 0}};
    for (;;) {
        events[kBus].fd = reminders ? reminders->notifier().fd() : -1;
        events[kBus].events = reminders ? reminders->notifier().events() : 0;
        if (::poll(events, kEventCount, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            Report("waiting for events failed");
            break;
        }
        if (events[kSignals].revents & POLLIN) {
            signalfd_siginfo request{};
            if (::read(signals.get(), &request, sizeof request) == sizeof request) {
                break;
            }
        }
        if (events[kRefresh].revents & POLLIN) {
            // Ticks missed while the machine slept come back as one count: one refresh
            // covers them all.
            uint64_t expirations = 0;
            if (::read(timer.get(), &expirations, sizeof expirations) == sizeof expirations) {
                companion.OnTimer(kRefreshTimerId);
            }
        }
        if (!reminders) {
            continue;
        }
        bool run = false;
        if (events[kReminder].revents & POLLIN) {
            uint64_t expirations = 0;
            run |= ::read(reminderTimer.get(), &expirations, sizeof expirations) > 0;
        }
        if (events[kClock].revents & POLLIN) {
            // A set clock cancels the watch (the read fails with ECANCELED); it is armed again.
            uint64_t expirations = 0;
            (void)::read(clockWatch.get(), &expirations, sizeof expirations);
            ArmClockWatch(clockWatch.get());
            run = true;
        }
        if (changes && (events[kChanges].revents & POLLIN)) {
            run |= changes->Drain();
        }
        if (events[kBus].fd >= 0 && events[kBus].revents != 0) {
            run |= reminders->ProcessBus();
        }
        // Notices are drained before the run, never after: a change committed while the run
        // reads the store must bring another run. (The service's own state file is beside the
        // store; the watcher does not count it as a change.)
        if (run) {
            ArmReminderTimer(reminderTimer.get(), reminders->Run());
        }
    }
    reminders.reset();
    companion.OnDestroy();
    return 0;
}

int QuitCompanion() {
    const std::filesystem::path lockFile = InstanceLockFile();
    Result<QuitOutcome> outcome = RequestQuit(lockFile, kQuitWait);
    if (!outcome.ok()) {
        std::fprintf(stderr, "ringset: %s\n", outcome.error().message.c_str());
        return 1;
    }
    switch (*outcome) {
        case QuitOutcome::Closed:
            return 0;
        case QuitOutcome::NotRunning:
            std::fprintf(stderr, "ringset: no companion runs for %s\n",
                         DeviceRoot().string().c_str());
            return 1;
        case QuitOutcome::StillRunning:
            std::fprintf(stderr, "ringset: the companion for %s did not end within %lld ms\n",
                         DeviceRoot().string().c_str(), static_cast<long long>(kQuitWait.count()));
            return 1;
    }
    return 1;
}

}  // namespace moru
