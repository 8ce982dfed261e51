#include "ringset/companion.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/device_root.h"
#include "platform/text.h"
#include "platform/ui_host.h"
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
    if (signals.get() < 0 || timer.get() < 0) {
        Report("cannot set up the event loop");
        return 1;
    }

    Companion companion;
    if (companion.OnCreate()) {
        itimerspec period{};
        period.it_interval.tv_sec = kRefreshPeriodMs / 1000;
        period.it_interval.tv_nsec = (kRefreshPeriodMs % 1000) * 1000000L;
        period.it_value = period.it_interval;
        if (::timerfd_settime(timer.get(), 0, &period, nullptr) != 0) {
            Report("cannot start the refresh timer");
        }
    }

    // Sleeps until the timer or a close request; nothing else wakes the process.
    pollfd events[2] = {{signals.get(), POLLIN, 0}, {timer.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(events, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            Report("waiting for events failed");
            break;
        }
        if (events[0].revents & POLLIN) {
            signalfd_siginfo request{};
            if (::read(signals.get(), &request, sizeof request) == sizeof request) {
                break;
            }
        }
        if (events[1].revents & POLLIN) {
            // Ticks missed while the machine slept come back as one count: one refresh
            // covers them all.
            uint64_t expirations = 0;
            if (::read(timer.get(), &expirations, sizeof expirations) == sizeof expirations) {
                companion.OnTimer(kRefreshTimerId);
            }
        }
    }
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
