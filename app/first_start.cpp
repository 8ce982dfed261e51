#include "app/first_start.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/device_root.h"
#include "platform/process.h"

namespace moru {
namespace {

constexpr std::u16string_view kWindowsDevicePath = u"\\Windows";
constexpr char kSoundResources[] = ":/sounds";

// Opens the desktop's own date and time settings; the first program found on PATH wins,
// the current desktop's own first. It is an ordinary file of the device: replace it with
// anything executable, or with an empty non-executable file to have the tap do nothing.
constexpr std::string_view kClockLauncher = R"(#!/bin/sh
# Clock.exe of a Moru Calendar device: started by a tap on the date of the clock or the month
# calendar. Opens the desktop's date and time settings.
run() {
    command -v "$1" >/dev/null 2>&1 && exec "$@"
}
case "${XDG_CURRENT_DESKTOP:-}" in
    *KDE*) run systemsettings kcm_clock; run kcmshell6 kcm_clock; run kcmshell5 clock ;;
    *XFCE*) run xfce4-datetime-settings ;;
    *MATE*) run mate-time-admin ;;
    *Cinnamon*|*X-Cinnamon*) run cinnamon-settings calendar ;;
esac
run gnome-control-center datetime
run systemsettings kcm_clock
run kcmshell6 kcm_clock
run kcmshell5 clock
run xfce4-datetime-settings
run mate-time-admin
run cinnamon-settings calendar
echo "Clock.exe: no date and time settings program was found" >&2
exit 1
)";

void Report(const std::string& what, const std::filesystem::path& where, int error) {
    std::fprintf(stderr, "moru-calendar: cannot place %s in %s: %s\n", what.c_str(), where.c_str(),
                 std::strerror(error));
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

enum class Placed { Written, AlreadyThere, Failed };

// Gives `file` the content `bytes`, unless something of that name exists. The bytes are
// written and flushed under a hidden temporary name and then linked under the real one: the
// link fails rather than replace a file made meanwhile (by the user, or by a second calendar
// on the same root), and nobody ever sees a half-written sound. errno holds the reason when
// the result is Failed.
Placed PlaceNewFile(const std::filesystem::path& file, std::string_view bytes, mode_t mode) {
    const std::filesystem::path folder = file.parent_path();
    std::string hidden = ".";
    hidden += file.filename().string();
    hidden += ".XXXXXX";
    std::string temp = (folder / hidden).string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return Placed::Failed;
    }
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    ::close(fd);
    Placed result = Placed::Failed;
    if (ok) {
        if (::link(temp.c_str(), file.c_str()) == 0) {
            result = Placed::Written;
        } else if (errno == EEXIST) {
            result = Placed::AlreadyThere;
        } else if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, file.c_str(), RENAME_NOREPLACE) ==
                   0) {
            result = Placed::Written;  // a file system without hard links
        } else {
            result = errno == EEXIST ? Placed::AlreadyThere : Placed::Failed;
        }
        error = errno;
    }
    ::unlink(temp.c_str());
    errno = error;
    return result;
}

// The device's \Windows folder, made when missing; empty (with errno set) when it cannot be.
std::filesystem::path WindowsFolder() {
    const std::filesystem::path folder = TranslateDevicePath(kWindowsDevicePath);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        errno = error.value();
        return {};
    }
    if (!std::filesystem::is_directory(folder, error)) {
        errno = ENOTDIR;
        return {};
    }
    return folder;
}

bool IsWaveName(const std::string& name) {
    constexpr std::string_view kExtension = ".wav";
    if (name.size() <= kExtension.size()) {
        return false;
    }
    for (size_t i = 0; i < kExtension.size(); ++i) {
        const char c = name[name.size() - kExtension.size() + i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != kExtension[i]) {
            return false;
        }
    }
    return true;
}

// Whether the folder already holds a sound the editor would offer. Unreadable counts as
// yes: copying into a folder we cannot even list could only add to someone else's set.
bool HoldsSounds(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) {
        Report("the reminder sounds", folder, error.value());
        return true;
    }
    for (const auto& entry : entries) {
        std::error_code typeError;
        if (!entry.is_directory(typeError) && IsWaveName(entry.path().filename().string())) {
            return true;
        }
    }
    return false;
}

}  // namespace

int PlaceBundledSounds() {
    const std::filesystem::path folder = WindowsFolder();
    if (folder.empty()) {
        Report("the reminder sounds", TranslateDevicePath(kWindowsDevicePath), errno);
        return 0;
    }
    if (HoldsSounds(folder)) {
        return 0;
    }
    int placed = 0;
    const QDir bundled(QString::fromLatin1(kSoundResources));
    for (const QString& name : bundled.entryList(QDir::Files, QDir::Name)) {
        QFile resource(bundled.filePath(name));
        if (!resource.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "moru-calendar: cannot read the bundled sound %s\n",
                         qPrintable(resource.fileName()));
            continue;
        }
        const QByteArray bytes = resource.readAll();
        const std::filesystem::path file = folder / name.toStdString();
        switch (PlaceNewFile(file, std::string_view(bytes.constData(), bytes.size()), 0644)) {
            case Placed::Written:
                ++placed;
                break;
            case Placed::AlreadyThere:
                break;
            case Placed::Failed:
                // The folder refuses new files; the other sounds would fail the same way.
                Report("the reminder sound " + name.toStdString(), folder, errno);
                return placed;
        }
    }
    return placed;
}

bool PlaceClockLauncher() {
    const std::filesystem::path file = TranslateDevicePath(kClockDevicePath);
    struct stat info {};
    if (::lstat(file.c_str(), &info) == 0) {
        return false;  // anything there, even a dangling link, is the user's choice
    }
    if (errno != ENOENT) {
        Report("the clock launcher", file, errno);
        return false;
    }
    const std::filesystem::path folder = WindowsFolder();
    if (folder.empty()) {
        Report("the clock launcher", file.parent_path(), errno);
        return false;
    }
    const Placed placed = PlaceNewFile(file, kClockLauncher, 0755);
    if (placed == Placed::Failed) {
        Report("the clock launcher", folder, errno);
    }
    return placed == Placed::Written;
}

}  // namespace moru
