// The programs as `cmake --install` (and so the package) lays them out, installed into a
// temporary DESTDIR and run from there: every piece where the desktop looks for it, valid
// desktop entries, each program's version, the calendar starting the companion from its
// helper folder, and a calendar whose companion is missing saying so once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_root.h"
#include "tests/tools/tool_process.h"

namespace moru::test {
namespace {

namespace fs = std::filesystem;

const std::string kInstalledCompanion = MORU_FULL_LIBEXECDIR "/moru-calendar/ringset";

// The pid of a running process whose program is `program` and whose MORU_ROOT is `root`;
// 0 when there is none.
pid_t FindProcess(const fs::path& program, const fs::path& root) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) != program || error) {
            continue;
        }
        const std::string environment = ReadFileBytes(entry.path() / "environ");
        if (environment.find("MORU_ROOT=" + root.string() + '\0') != std::string::npos) {
            return static_cast<pid_t>(std::stol(name));
        }
    }
    return 0;
}

bool IsExecutable(const fs::path& file) {
    return fs::is_regular_file(file) && ::access(file.c_str(), X_OK) == 0;
}

class InstallTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        destdir_ = new fs::path(fs::temp_directory_path() /
                                ("moru-install-" + std::to_string(::getpid())));
        fs::remove_all(*destdir_);
        ::setenv("DESTDIR", destdir_->c_str(), 1);
        install_ = new ToolRun(RunTool(MORU_CMAKE_COMMAND, {"--install", MORU_BUILD_DIR}));
        ::unsetenv("DESTDIR");
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(*destdir_, ignored);
        delete destdir_;
        delete install_;
    }

    void SetUp() override {
        ASSERT_EQ(install_->exitCode, 0) << install_->err;
        // The programs must find their companion on their own, as after a real install.
        ::unsetenv("MORU_RINGSET");
        ::unsetenv("MORU_ROOT");
    }

    // Where an absolute installed path lies inside the DESTDIR.
    static fs::path Staged(const std::string& installed) {
        return *destdir_ / fs::path(installed).relative_path();
    }

    static fs::path* destdir_;
    static ToolRun* install_;
};

fs::path* InstallTest::destdir_ = nullptr;
ToolRun* InstallTest::install_ = nullptr;

TEST_F(InstallTest, EachPieceLiesWhereTheDesktopLooksForIt) {
    struct Piece {
        std::string path;
        bool executable;
    };
    std::vector<Piece> pieces = {
        {MORU_FULL_BINDIR "/moru-calendar", true},
        {MORU_FULL_BINDIR "/moru-device", true},
        {kInstalledCompanion, true},
        {MORU_FULL_DATAROOTDIR "/applications/moru-calendar.desktop", false},
        {MORU_FULL_SYSCONFDIR "/xdg/autostart/moru-calendar-ringset.desktop", false},
        {MORU_FULL_DATAROOTDIR "/bash-completion/completions/moru-device", false},
        {MORU_FULL_DATAROOTDIR "/doc/moru-calendar/README.md", false},
        {MORU_FULL_DATAROOTDIR "/doc/moru-calendar/device-root.md", false},
    };
    for (const char* page : {"moru-calendar", "ringset", "moru-device"}) {
        pieces.push_back({std::string(MORU_FULL_MANDIR "/man1/") + page + ".1.gz", false});
    }
    for (const Piece& piece : pieces) {
        SCOPED_TRACE(piece.path);
        const fs::path file = Staged(piece.path);
        ASSERT_TRUE(fs::is_regular_file(file));
        EXPECT_GT(fs::file_size(file), 0u);
        EXPECT_EQ(IsExecutable(file), piece.executable);
    }
    // Manual pages are compressed; the companion is not on the command search path.
    EXPECT_EQ(ReadFileBytes(Staged(MORU_FULL_MANDIR "/man1/ringset.1.gz")).substr(0, 2),
              "\x1f\x8b");
    EXPECT_FALSE(fs::exists(Staged(MORU_FULL_BINDIR "/ringset")));

    // The icon theme gets the icon in every usual size, square, with transparent corners.
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const std::string dir = std::to_string(size) + "x" + std::to_string(size);
        const QImage icon(QString::fromStdString(
            Staged(MORU_FULL_DATAROOTDIR "/icons/hicolor/" + dir + "/apps/moru-calendar.png")
                .string()));
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_EQ(icon.pixelColor(0, size - 1).alpha(), 0);
        EXPECT_EQ(icon.pixelColor(size / 2, size / 2).alpha(), 255);
    }
}

TEST_F(InstallTest, DesktopEntriesAreValidAndNameTheInstalledPrograms) {
    const fs::path menuEntry = Staged(MORU_FULL_DATAROOTDIR "/applications/moru-calendar.desktop");
    const fs::path loginEntry =
        Staged(MORU_FULL_SYSCONFDIR "/xdg/autostart/moru-calendar-ringset.desktop");
    const fs::path validator = "/usr/bin/desktop-file-validate";
    ASSERT_TRUE(IsExecutable(validator)) << "scripts/setup.sh installs desktop-file-utils";
    for (const fs::path& entry : {menuEntry, loginEntry}) {
        SCOPED_TRACE(entry.string());
        const ToolRun run = RunTool(validator, {entry.string()});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out + run.err, "") << "warnings count too";
    }
    const std::string menu = ReadFileBytes(menuEntry);
    EXPECT_NE(menu.find("\nExec=moru-calendar\n"), std::string::npos);
    EXPECT_NE(menu.find("\nIcon=moru-calendar\n"), std::string::npos);
    // The login entry starts the companion by its full installed path.
    EXPECT_NE(ReadFileBytes(loginEntry).find("\nExec=" + kInstalledCompanion + "\n"),
              std::string::npos);
}

TEST_F(InstallTest, EveryInstalledProgramTellsItsVersion) {
    for (const auto& [program, name] :
         {std::pair{std::string(MORU_FULL_BINDIR "/moru-calendar"), "moru-calendar"},
          std::pair{kInstalledCompanion, "ringset"},
          std::pair{std::string(MORU_FULL_BINDIR "/moru-device"), "moru-device"}}) {
        SCOPED_TRACE(name);
        const ToolRun run = RunTool(Staged(program).string(), {"--version"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, std::string(name) + " (Moru Calendar) " MORU_PROJECT_VERSION "\n");
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(InstallTest, TheInstalledCalendarStartsTheInstalledCompanion) {
    TempDeviceRoot root;
    const fs::path shot = root.path() / "clock.png";
    const ToolRun run = RunTool(Staged(MORU_FULL_BINDIR "/moru-calendar").string(),
                                {"--root", root.path().string(), "--screenshot", shot.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find("companion"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::exists(shot));

    // The companion it started is the one in the helper folder, working on the same root.
    const fs::path companion = Staged(kInstalledCompanion);
    pid_t pid = 0;
    for (int i = 0; i < 250 && pid == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pid = FindProcess(companion, root.path());
    }
    ASSERT_NE(pid, 0) << "no " << companion << " runs for " << root.path();
    const ToolRun quit = RunTool(companion.string(), {"--root", root.path().string(), "--quit"});
    EXPECT_EQ(quit.exitCode, 0) << quit.err;
    for (int i = 0; i < 250 && FindProcess(companion, root.path()) != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(FindProcess(companion, root.path()), 0);
}

TEST_F(InstallTest, ACalendarWithoutItsCompanionSaysSoOnce) {
    TempDeviceRoot root;
    // The calendar alone in a folder of its own: no helper folder, nothing beside it.
    const fs::path alone = root.path() / "alone" / "bin" / "moru-calendar";
    fs::create_directories(alone.parent_path());
    fs::copy_file(Staged(MORU_FULL_BINDIR "/moru-calendar"), alone);
    const fs::path shot = root.path() / "clock.png";
    const ToolRun run = RunTool(alone.string(), {"--root", (root.path() / "device").string(),
                                                 "--screenshot", shot.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(shot)) << "the calendar works without its companion";
    const std::string report = "moru-calendar: the companion ringset was not found";
    ASSERT_NE(run.err.find(report), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(report, run.err.find(report) + 1), std::string::npos) << run.err;
    EXPECT_NE(run.err.find((root.path() / "alone" / "bin" / "ringset").string()), std::string::npos)
        << "it names where it looked: " << run.err;
}

}  // namespace
}  // namespace moru::test
