#include "store/memo_index.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/device_root.h"
#include "store/calendar_state.h"
#include "store/memo_files.h"

namespace moru {
namespace {

constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                   IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

MemoIndex::MemoIndex() {
    notifyFd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notifyFd_ < 0) {
        std::fprintf(stderr,
                     "moru: cannot watch the memo folder (%s); it is read at every redraw\n",
                     std::strerror(errno));
    }
}

MemoIndex::~MemoIndex() {
    if (notifyFd_ >= 0) {
        close(notifyFd_);
    }
}

void MemoIndex::Unwatch() {
    if (watch_ >= 0 && notifyFd_ >= 0) {
        inotify_rm_watch(notifyFd_, watch_);
    }
    watch_ = -1;
    watchedFolder_.clear();
}

void MemoIndex::ReadAfresh(const std::string& folder) {
    Unwatch();
    if (notifyFd_ >= 0) {
        // Watch first, then read: nothing that changes in between is missed.
        watch_ = inotify_add_watch(notifyFd_, folder.c_str(), kFolderEvents);
        if (watch_ >= 0) {
            watchedFolder_ = folder;
        }
    }
    names_.clear();
    ForEachMemoFileName([this](std::string_view name) {
        names_.emplace(name);
        return true;
    });
    bool changed = false;
    if (watch_ >= 0) {
        (void)DrainNotices(changed);
    }
}

bool MemoIndex::DrainNotices(bool& changed) {
    alignas(inotify_event) char buffer[16 * 1024];
    bool trusted = true;
    for (;;) {
        const ssize_t length = read(notifyFd_, buffer, sizeof buffer);
        if (length <= 0) {
            return trusted;  // EAGAIN: nothing more for now
        }
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                trusted = false;
                continue;
            }
            if (event->len == 0 || (event->mask & IN_ISDIR) || event->wd != watch_) {
                continue;
            }
            const std::string name = event->name;
            if (!IsMemoFileName(name)) {
                continue;
            }
            if (event->mask & (IN_CREATE | IN_MOVED_TO)) {
                changed |= names_.insert(name).second;
            } else if (event->mask & (IN_DELETE | IN_MOVED_FROM)) {
                changed |= names_.erase(name) != 0;
            }
        }
    }
}

bool MemoIndex::Update() {
    const std::string folder = TranslateDevicePath(Calendar().dataFolder).string();
    if (watchedFolder_ != folder) {
        ReadAfresh(folder);
        return true;
    }
    bool changed = false;
    if (!DrainNotices(changed)) {
        ReadAfresh(folder);
        return true;
    }
    return changed;
}

bool MemoIndex::HasMemo(int year, int month, int day) const {
    const std::string prefix = MemoDayPrefix(year, month, day);
    for (auto it = names_.lower_bound(prefix); it != names_.end() && it->starts_with(prefix);
         ++it) {
        if (MemoOfDay(*it, prefix)) {
            return true;
        }
    }
    return false;
}

}  // namespace moru
