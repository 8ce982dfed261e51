#include "ringset/single_instance.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "platform/atomic_file.h"
#include "platform/device_root.h"

namespace moru {
namespace {

// How often the quitting side looks again: for the holder to record its id after taking the
// lock, and for the holder to end after the close request. Only `--quit` waits like this; the
// resident companion never polls.
constexpr std::chrono::milliseconds kQuitPollInterval{10};
constexpr std::chrono::milliseconds kHolderIdWait{500};

Error ErrnoError(const std::string& what, const std::filesystem::path& file) {
    const int code = errno == 0 ? EIO : errno;
    return Error{code, what + " " + file.string() + ": " + std::strerror(code)};
}

bool TryLock(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

std::optional<pid_t> ReadHolderId(int fd) {
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0) {
        return std::nullopt;
    }
    char* end = nullptr;
    const long pid = std::strtol(text, &end, 10);
    if (pid <= 0 || end == text || *end != '\n') {
        return std::nullopt;  // not written yet, or cut short
    }
    return static_cast<pid_t>(pid);
}

// True when the process has our lock file open: the id in the file may be left over from an
// earlier copy whose number has since gone to another program, which must not be signalled.
bool HoldsFile(pid_t pid, const struct stat& lockFile) {
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    bool holds = false;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat target {};
        const std::string link = folder + "/" + entry->d_name;
        if (entry->d_name[0] != '.' && ::stat(link.c_str(), &target) == 0 &&
            target.st_dev == lockFile.st_dev && target.st_ino == lockFile.st_ino) {
            holds = true;
            break;
        }
    }
    ::closedir(dir);
    return holds;
}

}  // namespace

std::filesystem::path InstanceLockFile() {
    return TranslateDevicePath(kInstanceLockDevicePath);
}

Result<std::optional<InstanceLock>> InstanceLock::Acquire(const std::filesystem::path& lockFile) {
    if (Status folder = MakePrivateFolders(lockFile.parent_path()); !folder.ok()) {
        return Error{folder.error().code, "instance lock: " + folder.error().message};
    }
    // Never through a link: the holder truncates the file to write its id into it.
    const Result<int> opened = OpenNoFollow(lockFile, O_RDWR | O_CREAT);
    if (!opened.ok()) {
        return Error{opened.error().code, "instance lock: " + opened.error().message};
    }
    const int fd = *opened;
    if (!TryLock(fd)) {
        const int code = errno;
        ::close(fd);
        if (code == EWOULDBLOCK) {
            return std::optional<InstanceLock>();
        }
        errno = code;
        return ErrnoError("cannot lock", lockFile);
    }
    const std::string id = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, id.data(), id.size(), 0) != static_cast<ssize_t>(id.size())) {
        Error error = ErrnoError("cannot record the process id in", lockFile);
        ::close(fd);
        return error;
    }
    return std::optional<InstanceLock>(InstanceLock(fd));
}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // releases the lock
    }
}

Result<QuitOutcome> RequestQuit(const std::filesystem::path& lockFile,
                                std::chrono::milliseconds wait) {
    const int fd = ::open(lockFile.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return QuitOutcome::NotRunning;
        }
        return ErrnoError("cannot open the instance lock", lockFile);
    }
    struct CloseOnExit {
        int fd;
        ~CloseOnExit() { ::close(fd); }
    } closer{fd};
    struct stat identity {};
    if (::fstat(fd, &identity) != 0) {
        return ErrnoError("cannot examine", lockFile);
    }

    // The holder writes its id right after taking the lock; give it that moment.
    std::optional<pid_t> holder;
    for (auto waited = std::chrono::milliseconds(0);; waited += kQuitPollInterval) {
        if (TryLock(fd)) {
            return QuitOutcome::NotRunning;
        }
        holder = ReadHolderId(fd);
        if ((holder && HoldsFile(*holder, identity)) || waited >= kHolderIdWait) {
            break;
        }
        std::this_thread::sleep_for(kQuitPollInterval);
    }
    if (!holder || !HoldsFile(*holder, identity)) {
        return Error{ESRCH, "the companion holding " + lockFile.string() + " cannot be identified"};
    }
    if (::kill(*holder, SIGTERM) != 0) {
        return ErrnoError("cannot signal the companion holding", lockFile);
    }
    for (auto waited = std::chrono::milliseconds(0); waited < wait; waited += kQuitPollInterval) {
        if (TryLock(fd)) {
            return QuitOutcome::Closed;
        }
        std::this_thread::sleep_for(kQuitPollInterval);
    }
    return TryLock(fd) ? QuitOutcome::Closed : QuitOutcome::StillRunning;
}

}  // namespace moru
