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

#include "platform/atomic_file.h"
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

// The device's \Windows folder, made when missing; empty (with errno set) when it cannot be.
std::filesystem::path WindowsFolder() {
    std::filesystem::path folder = TranslateDevicePath(kWindowsDevicePath);
    if (Status made = MakePrivateFolders(folder); !made.ok()) {
        errno = made.error().code;
        return {};
    }
    return folder;
}

// Removes what a placing that died left beside `file`, in this version's naming and in the
// hidden ".<name>.XXXXXX" of earlier versions.
void RemoveStalePlacings(const std::filesystem::path& file) {
    std::string hidden = ".";
    hidden += file.filename().string();
    hidden += '.';
    RemoveStaleTemporaries(file, [&hidden](std::string_view name) {
        constexpr size_t kRandomPart = 6;
        return name.size() == hidden.size() + kRandomPart && name.starts_with(hidden);
    });
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
    const QDir bundled(QString::fromLatin1(kSoundResources));
    for (const QString& name : bundled.entryList(QDir::Files, QDir::Name)) {
        RemoveStalePlacings(folder / name.toStdString());
    }
    if (HoldsSounds(folder)) {
        return 0;
    }
    int placed = 0;
    for (const QString& name : bundled.entryList(QDir::Files, QDir::Name)) {
        QFile resource(bundled.filePath(name));
        if (!resource.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "moru-calendar: cannot read the bundled sound %s\n",
                         qPrintable(resource.fileName()));
            continue;
        }
        const QByteArray bytes = resource.readAll();
        const std::filesystem::path file = folder / name.toStdString();
        const Result<Placed> result =
            PlaceNewFile(file, std::string_view(bytes.constData(), bytes.size()), kPrivateFileMode);
        if (!result.ok()) {
            // The folder refuses new files; the other sounds would fail the same way.
            Report("the reminder sound " + name.toStdString(), folder, result.error().code);
            return placed;
        }
        placed += *result == Placed::Written ? 1 : 0;
    }
    return placed;
}

bool PlaceClockLauncher() {
    const std::filesystem::path file = TranslateDevicePath(kClockDevicePath);
    RemoveStalePlacings(file);
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
    // Executable for its owner only, like every other file of the device root.
    const Result<Placed> placed = PlaceNewFile(file, kClockLauncher, 0700);
    if (!placed.ok()) {
        Report("the clock launcher", folder, placed.error().code);
        return false;
    }
    return *placed == Placed::Written;
}

}  // namespace moru
