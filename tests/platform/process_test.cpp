#include "platform/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "tests/support/temp_root.h"

namespace moru {
namespace {

// A program that reports how it was started: its device root, its arguments, its parent and
// session, and whether a descriptor the test left open reached it.
constexpr const char* kReporter = R"sh(#!/bin/sh
out="$MORU_ROOT/started-$(basename "$0").txt"
{
  echo "root=$MORU_ROOT"
  echo "args=$#"
  echo "ppid=$PPID"
  echo "sid=$(cut -d' ' -f6 /proc/$$/stat)"
  if [ -e "/proc/$$/fd/$MORU_TEST_OPEN_FD" ]; then echo "leaked=yes"; else echo "leaked=no"; fi
  if [ -t 0 ] || [ -n "$(head -c 1)" ]; then echo "stdin=live"; else echo "stdin=null"; fi
} > "$out.tmp"
mv "$out.tmp" "$out"
)sh";

void WriteProgram(const std::filesystem::path& file, int mode) {
    test::WriteFileBytes(file, kReporter);
    ::chmod(file.c_str(), mode);
}

// The report of a started program, as key=value pairs; empty when none came within 5 s.
std::map<std::string, std::string> AwaitReport(const std::filesystem::path& file) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!std::filesystem::exists(file) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::map<std::string, std::string> report;
    std::istringstream lines(test::ReadFileBytes(file));
    for (std::string line; std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            report[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return report;
}

class StartDeviceProgramTest : public testing::Test {
protected:
    void SetUp() override {
        // A descriptor without close-on-exec, as a careless library might leave one.
        openFd_ = ::open("/dev/null", O_RDONLY);
        setenv("MORU_TEST_OPEN_FD", std::to_string(openFd_).c_str(), 1);
        // The child must get the root we use, not one inherited from the environment.
        setenv("MORU_ROOT", "/nonexistent-root", 1);
    }
    void TearDown() override {
        ::close(openFd_);
        unsetenv("MORU_TEST_OPEN_FD");
        unsetenv("MORU_ROOT");
        unsetenv("MORU_RINGSET");
    }

    test::TempDeviceRoot root_;
    int openFd_ = -1;
};

TEST_F(StartDeviceProgramTest, ClockStartsDetachedWithTheRootAndNothingElse) {
    WriteProgram(root_.path() / "Windows" / "Clock.exe", 0755);
    ASSERT_TRUE(StartDeviceProgram(kClockDevicePath));

    // Nothing is left for us to reap: the program is not our child.
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    auto report = AwaitReport(root_.path() / "started-Clock.exe.txt");
    ASSERT_FALSE(report.empty()) << "the program did not run";
    EXPECT_EQ(report["root"], root_.path().string());
    EXPECT_EQ(report["args"], "0");
    EXPECT_NE(report["ppid"], std::to_string(::getpid()));
    EXPECT_NE(report["sid"], std::to_string(::getsid(0)));
    EXPECT_EQ(report["leaked"], "no");
    EXPECT_EQ(report["stdin"], "null");
}

TEST_F(StartDeviceProgramTest, RingsetComesFromTheOverrideAndPathsIgnoreCase) {
    const std::filesystem::path companion = root_.path() / "bin" / "ringset";
    WriteProgram(companion, 0755);
    setenv("MORU_RINGSET", companion.c_str(), 1);
    ASSERT_TRUE(StartDeviceProgram(u"\\program files\\VELNOR\\MoruCalendar//Ringset.exe"));
    auto report = AwaitReport(root_.path() / "started-ringset.txt");
    EXPECT_EQ(report["root"], root_.path().string());
}

// A script that reads our output (`moru-calendar --screenshot x | tail`) must see it end
// when we end, although the companion we started runs on.
TEST_F(StartDeviceProgramTest, AStartedProgramDoesNotHoldOurOutputPipeOpen) {
    test::WriteFileBytes(root_.path() / "Windows" / "Clock.exe",
                         "#!/bin/sh\necho $$ > \"$MORU_ROOT/sleeper.pid\"\nexec sleep 30\n");
    ::chmod((root_.path() / "Windows" / "Clock.exe").c_str(), 0755);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    std::fflush(stdout);
    const int savedStdout = ::dup(STDOUT_FILENO);
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::close(pipeFds[1]);
    const bool started = StartDeviceProgram(kClockDevicePath);
    ::dup2(savedStdout, STDOUT_FILENO);  // our own copy of the write end is gone now
    ::close(savedStdout);
    ASSERT_TRUE(started);

    const std::filesystem::path pidFile = root_.path() / "sleeper.pid";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (test::ReadFileBytes(pidFile).empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const pid_t sleeper = std::atoi(test::ReadFileBytes(pidFile).c_str());
    ASSERT_GT(sleeper, 0);

    pollfd readEnd{pipeFds[0], POLLIN, 0};
    const int ready = ::poll(&readEnd, 1, 2000);
    char byte = 0;
    const ssize_t got = ready > 0 ? ::read(pipeFds[0], &byte, 1) : -1;
    ::kill(sleeper, SIGTERM);
    ::close(pipeFds[0]);
    EXPECT_EQ(got, 0) << "the pipe did not reach its end while the started program ran";
}

TEST_F(StartDeviceProgramTest, NothingStartsWithoutAnExecutableProgram) {
    EXPECT_FALSE(StartDeviceProgram(kClockDevicePath));  // missing
    WriteProgram(root_.path() / "Windows" / "Clock.exe", 0644);
    EXPECT_FALSE(StartDeviceProgram(kClockDevicePath));  // present but not executable
    std::filesystem::create_directories(root_.path() / "Windows" / "Folder.exe");
    EXPECT_FALSE(StartDeviceProgram(u"\\Windows\\Folder.exe"));  // a folder
    setenv("MORU_RINGSET", (root_.path() / "missing").c_str(), 1);
    EXPECT_FALSE(StartDeviceProgram(kRingsetDevicePath));
}

}  // namespace
}  // namespace moru
