// What a calendar puts into a fresh device root: the bundled reminder sounds, copied only into
// a \Windows folder without sounds and never over anything, and a Clock.exe launcher that
// opens the desktop's date and time settings. Failures are reported, never fatal.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/first_start.h"
#include "tests/support/temp_root.h"

// The resources live in a static library; without a reference the linker would leave them
// behind. (Q_INIT_RESOURCE must be used outside any namespace.)
static void LinkResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace moru::test {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> BundledSounds() {
    LinkResources();
    std::map<std::string, std::string> sounds;
    const QDir bundled(QStringLiteral(":/sounds"));
    for (const QString& name : bundled.entryList(QDir::Files)) {
        QFile file(bundled.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        sounds[name.toStdString()] = file.readAll().toStdString();
    }
    return sounds;
}

// Every entry of a folder with its content; folders show as "<folder>".
std::map<std::string, std::string> FilesIn(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files[entry.path().filename().string()] =
            entry.is_directory() ? std::string("<folder>") : ReadFileBytes(entry.path());
    }
    return files;
}

class FirstStartTest : public testing::Test {
protected:
    void SetUp() override { LinkResources(); }
    fs::path Windows() const { return root_.path() / "Windows"; }
    fs::path Clock() const { return Windows() / "Clock.exe"; }

    TempDeviceRoot root_;
};

TEST_F(FirstStartTest, AFreshRootGetsEveryBundledSoundExactlyAndOnlyOnce) {
    const auto bundled = BundledSounds();
    ASSERT_GE(bundled.size(), 5u);
    EXPECT_EQ(PlaceBundledSounds(), static_cast<int>(bundled.size()));
    // Exactly the bundled files: nothing half-written or temporary is left beside them.
    EXPECT_EQ(FilesIn(Windows()), bundled);
    EXPECT_EQ(PlaceBundledSounds(), 0);
}

TEST_F(FirstStartTest, OnlyAFolderWithoutWaveFilesGetsTheSoundsAndNothingIsReplaced) {
    struct Case {
        std::string present;  // a name ending in "/" is a folder
        bool placed;
    };
    const Case cases[] = {
        {"Alarm.WAV", false},  {"ring.Wav", false},
        {"chime.wav", false},  // a bundled name with the user's own content
        {"notes.txt", true},   {"chime.wav.bak", true},
        {"folder.wav/", true},  // the editor lists files only...
        {"chime.wav/", true},   // ...and a bundled name taken by a folder stays a folder
    };
    const auto bundled = BundledSounds();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.present);
        TempDeviceRoot root;
        const fs::path windows = root.path() / "Windows";
        fs::create_directories(windows);
        if (c.present.ends_with('/')) {
            fs::create_directories(windows / c.present);
        } else {
            WriteFileBytes(windows / c.present, "the user's own");
        }
        const auto before = FilesIn(windows);
        auto expected = before;
        if (c.placed) {
            expected.insert(bundled.begin(), bundled.end());  // keeps what is there
        }
        EXPECT_EQ(PlaceBundledSounds(), static_cast<int>(expected.size() - before.size()));
        EXPECT_EQ(FilesIn(windows), expected);
    }
}

TEST_F(FirstStartTest, TheClockLauncherIsPlacedExecutableAndNeverReplaced) {
    ASSERT_TRUE(PlaceClockLauncher());
    EXPECT_EQ(::access(Clock().c_str(), X_OK), 0);
    EXPECT_TRUE(ReadFileBytes(Clock()).starts_with("#!/bin/sh\n"));
    EXPECT_EQ(FilesIn(Windows()).size(), 1u);  // no temporary file left beside it

    // The user's own program, or even a link to one that is gone, stays as it is.
    WriteFileBytes(Clock(), "#!/bin/sh\nexec my-clock\n");
    EXPECT_FALSE(PlaceClockLauncher());
    EXPECT_EQ(ReadFileBytes(Clock()), "#!/bin/sh\nexec my-clock\n");
    fs::remove(Clock());
    fs::create_symlink(root_.path() / "gone", Clock());
    EXPECT_FALSE(PlaceClockLauncher());
    EXPECT_TRUE(fs::is_symlink(Clock()));
    EXPECT_FALSE(fs::exists(root_.path() / "gone"));
}

// Runs the launcher as the calendar does (no arguments) with nothing but `path` on PATH and an
// empty working directory, so no program of the test machine can answer; exit status and
// stderr.
std::pair<int, std::string> RunLauncher(const fs::path& launcher, const std::string& path,
                                        const QString& desktop = QString()) {
    QTemporaryDir empty;
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QString::fromStdString(path));
    env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), desktop);
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(empty.path());
    process.start(QString::fromStdString(launcher.string()), {});
    const bool ended =
        process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAllStandardError().toStdString()};
}

TEST_F(FirstStartTest, TheLauncherOpensTheSettingsProgramItFindsOrSaysItFoundNone) {
    ASSERT_TRUE(PlaceClockLauncher());
    EXPECT_EQ(RunLauncher(Clock(), ""),
              std::make_pair(1, std::string("Clock.exe: no date and time settings program was "
                                            "found\n")));
    struct Case {
        std::vector<std::string> installed;
        QString desktop;
        std::string started;  // the program and the arguments it was given
    };
    const Case cases[] = {
        {{"gnome-control-center", "systemsettings"}, "", "gnome-control-center datetime"},
        {{"gnome-control-center", "systemsettings"}, "KDE", "systemsettings kcm_clock"},
        {{"gnome-control-center", "xfce4-datetime-settings"}, "XFCE", "xfce4-datetime-settings "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.started);
        TempDeviceRoot bin;
        const fs::path record = bin.path() / "started";
        for (const std::string& program : c.installed) {
            WriteFileBytes(bin.path() / program,
                           "#!/bin/sh\necho \"${0##*/} $*\" > '" + record.string() + "'\n");
            fs::permissions(bin.path() / program, fs::perms::owner_all);
        }
        EXPECT_EQ(RunLauncher(Clock(), bin.path().string(), c.desktop).first, 0);
        EXPECT_EQ(ReadFileBytes(record), c.started + "\n");
    }
}

TEST_F(FirstStartTest, AFolderThatTakesNoFilesIsReportedOnceNotFatal) {
    // A file where the folder belongs, then (where permissions hold) a read-only folder.
    WriteFileBytes(Windows(), "not a folder");
    for (int pass = 0; pass < 2; ++pass) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(PlaceBundledSounds(), 0);
        EXPECT_FALSE(PlaceClockLauncher());
        const std::string err = testing::internal::GetCapturedStderr();
        // One line for the sounds (the others would fail alike) and one for the launcher.
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
        EXPECT_TRUE(err.starts_with("moru-calendar: cannot place the reminder sound")) << err;
        EXPECT_NE(err.find(" in " + Windows().string() + ": "), std::string::npos) << err;
        if (pass == 0) {
            EXPECT_EQ(ReadFileBytes(Windows()), "not a folder");
            if (::geteuid() == 0) {
                break;  // permissions do not hold back root
            }
            fs::remove(Windows());
            fs::create_directories(Windows());
            fs::permissions(Windows(), fs::perms::owner_read | fs::perms::owner_exec);
        } else {
            fs::permissions(Windows(), fs::perms::owner_all);
            EXPECT_NE(err.find("Permission denied"), std::string::npos) << err;
            EXPECT_TRUE(FilesIn(Windows()).empty());
        }
    }
}

TEST(CalendarFirstStart, AScreenshotRunOfAFreshRootPlacesSoundsAndLauncher) {
    QTemporaryDir root;
    QTemporaryDir runtime;
    ASSERT_TRUE(root.isValid() && runtime.isValid());
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MORU_RINGSET"), QStringLiteral("/bin/true"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess calendar;
    calendar.setProcessEnvironment(env);
    calendar.start(QStringLiteral(MORU_BINARY_DIR "/moru-calendar"),
                   {QStringLiteral("--root"), root.path(), QStringLiteral("--screenshot"),
                    root.filePath(QStringLiteral("shot.png"))});
    ASSERT_TRUE(calendar.waitForFinished(20000));
    EXPECT_EQ(calendar.exitCode(), 0) << calendar.readAllStandardError().toStdString();

    const fs::path windows = fs::path(root.path().toStdString()) / "Windows";
    for (const auto& [name, bytes] : BundledSounds()) {
        EXPECT_EQ(ReadFileBytes(windows / name), bytes) << name;
    }
    EXPECT_EQ(::access((windows / "Clock.exe").c_str(), X_OK), 0);
}

}  // namespace
}  // namespace moru::test
