// Change notices between the processes that share a store. Every writer, after its commit,
// rewrites a small file beside the database; a watcher is an inotify descriptor on the
// database's folder that reports when that file was closed after writing. The same path
// serves changes made inside one process, so there is only one way a notice arrives.
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/device_root.h"
#include "platform/poom/poom.h"
#include "platform/poom/session.h"

namespace moru::poom {

namespace detail {

std::filesystem::path NotifyFileOf(const std::filesystem::path& storeFile) {
    return storeFile.string() + "-notify";
}

void TouchNotifyFile(const std::filesystem::path& storeFile) {
    // The content is a counter only so that each touch really writes; watchers react to the
    // close, not to what the file says.
    static std::atomic<uint64_t> touches{0};
    const uint64_t value = ++touches;
    // Never through a link: a planted one would have every commit write into its target.
    const Result<int> fd = OpenNoFollow(NotifyFileOf(storeFile), O_WRONLY | O_CREAT);
    if (!fd.ok()) {
        return;  // the change itself is committed; a missing notice only delays a refresh
    }
    [[maybe_unused]] const ssize_t written = pwrite(*fd, &value, sizeof value, 0);
    close(*fd);
}

}  // namespace detail

void AnnounceStoreChange(const std::filesystem::path& storeFile) {
    detail::TouchNotifyFile(storeFile);
}

Result<std::unique_ptr<ChangeWatcher>> ChangeWatcher::Open(const std::filesystem::path& storeFile) {
    const std::filesystem::path folder = storeFile.parent_path();
    if (Status made = MakePrivateFolders(folder); !made.ok()) {
        return Error{made.error().code, "change watcher: " + made.error().message};
    }
    std::unique_ptr<ChangeWatcher> watcher(new ChangeWatcher());
    watcher->fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watcher->fd_ < 0) {
        return Error{errno, std::string("change watcher: inotify: ") + std::strerror(errno)};
    }
    watcher->watch_ = inotify_add_watch(watcher->fd_, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    if (watcher->watch_ < 0) {
        return Error{
            errno, "change watcher: cannot watch " + folder.string() + ": " + std::strerror(errno)};
    }
    watcher->notifyName_ = detail::NotifyFileOf(storeFile).filename().string();
    return watcher;
}

ChangeWatcher::~ChangeWatcher() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

int ChangeWatcher::fd() const {
    return fd_;
}

bool ChangeWatcher::Drain() {
    bool changed = false;
    alignas(inotify_event) char buffer[4096];
    while (true) {
        const ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got <= 0) {
            break;  // EAGAIN: nothing more queued
        }
        for (ssize_t offset = 0; offset < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            if (event->len > 0 && notifyName_ == event->name) {
                changed = true;
            }
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                changed = true;  // events were lost; assume the worst
            }
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return changed;
}

std::filesystem::path DefaultStoreFile() {
    return TranslateDevicePath(kStoreFileDevicePath);
}

}  // namespace moru::poom
