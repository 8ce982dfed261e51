#pragma once
// One companion per device root. The running copy holds an exclusive lock on
// <root>/Windows/ringset.lock for its whole life and keeps its process id in that file, so a
// second copy sees the lock taken and ends, and `ringset --quit` can find the copy to close.
// The kernel drops the lock when the process ends, however it ends.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/result.h"

namespace moru {

inline constexpr std::u16string_view kInstanceLockDevicePath = u"\\Windows\\ringset.lock";

// The lock file of the current device root.
std::filesystem::path InstanceLockFile();

class InstanceLock {
public:
    // The lock when this copy is the only one; nothing when another copy holds it.
    static Result<std::optional<InstanceLock>> Acquire(const std::filesystem::path& lockFile);

    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_ = -1;
};

enum class QuitOutcome {
    Closed,        // the running copy was asked to close and has ended
    NotRunning,    // no copy runs for this root
    StillRunning,  // asked, but it had not ended when the wait ran out
};

// Sends the running copy the same close request as SIGTERM and waits up to `wait` for it
// to end.
Result<QuitOutcome> RequestQuit(const std::filesystem::path& lockFile,
                                std::chrono::milliseconds wait);

}  // namespace moru
