// The programs as `cmake --install` (and so the package) lays them out, installed into a
// temporary DESTDIR and run from there: every piece where the desktop looks for it, valid
// desktop entries, each program's version, the calendar starting the companion from its
// helper folder, and a calendar whose companion is missing saying so once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_root.h"
#include "tests/tools/tool_process.h"

namespace moru::test {
namespace {

namespace fs = std::filesystem;

const std::string kInstalledCompanion = MORU_FULL_LIBEXECDIR "/moru-calendar/ringset";
const std::string kInstalledExchange = MORU_FULL_LIBEXECDIR "/moru-calendar/moru-device-exchange";

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

bool AwaitTrue(const std::function<bool()>& condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

// A calendar started as from the desktop's menu (on the offscreen platform), for one root,
// with its stderr kept in a file. It is ended with --quit when the test is done with it.
class RunningCalendar {
public:
    RunningCalendar(const fs::path& program, const fs::path& root)
        : program_(program), root_(root), errFile_(root / "calendar.err") {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errFile_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> words{program.string(), "--root", root.string()};
        std::vector<char*> argv;
        argv.reserve(words.size() + 1);
        for (auto& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~RunningCalendar() { (void)Quit(); }

    // True once the calendar has finished starting: it writes its category file then.
    bool AwaitStarted() const {
        const fs::path file = root_ / "My Documents" / "MoruCalendar" / "MoruCalendar.dat";
        return pid_ != 0 && AwaitTrue([&] { return fs::exists(file); });
    }

    // Ends it the way a person would; its exit status, -1 when it did not end normally.
    int Quit() {
        if (pid_ == 0) {
            return -1;
        }
        (void)RunTool(program_.string(), {"--root", root_.string(), "--quit"});
        int status = 0;
        const pid_t ended = waitpid(pid_, &status, 0);
        pid_ = 0;
        return ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Errors() const { return ReadFileBytes(errFile_); }

private:
    fs::path program_;
    fs::path root_;
    fs::path errFile_;
    pid_t pid_ = 0;
};

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
        {kInstalledExchange, true},
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
    EXPECT_FALSE(fs::exists(Staged(MORU_FULL_BINDIR "/moru-device-exchange")));

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

// Import and export run in the helper program of the installed helper folder.
TEST_F(InstallTest, TheInstalledDeviceToolExchangesThroughItsInstalledHelper) {
    TempDeviceRoot root;
    const std::string tool = Staged(MORU_FULL_BINDIR "/moru-device").string();
    const std::string rootArg = root.path().string();
    ASSERT_EQ(RunTool(tool, {"--root", rootArg, "add", "--subject", "Exchanged", "--start",
                             "2030-01-02 10:00"})
                  .exitCode,
              0);
    const ToolRun exported = RunTool(tool, {"--root", rootArg, "export"});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_NE(exported.out.find("SUMMARY:Exchanged"), std::string::npos) << exported.out;
}

TEST_F(InstallTest, TheInstalledCalendarStartsTheInstalledCompanion) {
    TempDeviceRoot root;
    RunningCalendar calendar(Staged(MORU_FULL_BINDIR "/moru-calendar"), root.path());
    ASSERT_TRUE(calendar.AwaitStarted()) << calendar.Errors();

    // The companion it started is the one in the helper folder, working on the same root.
    const fs::path companion = Staged(kInstalledCompanion);
    ASSERT_TRUE(AwaitTrue([&] { return FindProcess(companion, root.path()) != 0; }))
        << "no " << companion << " runs for " << root.path() << "; " << calendar.Errors();
    EXPECT_EQ(calendar.Quit(), 0);
    EXPECT_EQ(calendar.Errors().find("companion"), std::string::npos) << calendar.Errors();

    // It outlives the calendar, and ends when asked.
    EXPECT_NE(FindProcess(companion, root.path()), 0);
    const ToolRun quit = RunTool(companion.string(), {"--root", root.path().string(), "--quit"});
    EXPECT_EQ(quit.exitCode, 0) << quit.err;
    EXPECT_TRUE(AwaitTrue([&] { return FindProcess(companion, root.path()) == 0; }));
}

TEST_F(InstallTest, ACalendarWithoutItsCompanionSaysSoOnce) {
    TempDeviceRoot root;
    // The calendar alone in a folder of its own: no helper folder, nothing beside it.
    const fs::path alone = root.path() / "alone" / "bin" / "moru-calendar";
    fs::create_directories(alone.parent_path());
    fs::copy_file(Staged(MORU_FULL_BINDIR "/moru-calendar"), alone);
    const fs::path device = root.path() / "device";
    fs::create_directories(device);

    RunningCalendar calendar(alone, device);
    ASSERT_TRUE(calendar.AwaitStarted()) << "it works without its companion";
    EXPECT_EQ(calendar.Quit(), 0);
    const std::string err = calendar.Errors();
    const std::string report = "moru-calendar: the companion ringset was not found";
    ASSERT_NE(err.find(report), std::string::npos) << err;
    EXPECT_EQ(err.find(report, err.find(report) + 1), std::string::npos) << err;
    EXPECT_NE(err.find((alone.parent_path() / "ringset").string()), std::string::npos)
        << "it names where it looked: " << err;
}

}  // namespace
}  // namespace moru::test
