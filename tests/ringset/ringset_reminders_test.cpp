// The built `ringset` as its own process, ringing reminders: with a private session bus and a
// recording notification server, on the real clock (the timer and the store's change notices)
// and on a pinned one (missed reminders, restarts); and with no bus at all.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <ctime>
#include <string>

#include "platform/datetime.h"
#include "tests/ringset/child_process.h"
#include "tests/ringset/session_bus.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

using namespace std::chrono_literals;
using test::PrivateSessionBus;

class RingsetReminders : public testing::Test {
protected:
    pid_t Start(std::vector<std::string> env) {
        env.push_back("MORU_ROOT=" + root_.path().string());
        ++started_;
        const std::string n = std::to_string(started_);
        const pid_t pid =
            test::StartProgram({test::BinaryPath("ringset")}, env, root_.path() / ("out" + n),
                               root_.path() / ("err" + n));
        // Ready once the first look at the reminders is saved.
        EXPECT_TRUE(test::Eventually([&] { return Inode(StateFile()) != lastState_; }, 10s));
        lastState_ = Inode(StateFile());
        return pid;
    }
    std::string Stderr(int n) const {
        return test::ReadFileBytes(root_.path() / ("err" + std::to_string(n)));
    }
    void Stop(pid_t pid) {
        ::kill(pid, SIGTERM);
        EXPECT_EQ(test::WaitExit(pid, 5s), 0);
    }
    void Device(const std::vector<std::string>& args) {
        std::vector<std::string> argv{test::BinaryPath("moru-device")};
        argv.insert(argv.end(), args.begin(), args.end());
        const test::ProgramRun run =
            test::RunProgram(argv, {"MORU_ROOT=" + root_.path().string()}, root_.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    std::filesystem::path StateFile() const { return root_.path() / "Windows" / "reminders.txt"; }
    static ino_t Inode(const std::filesystem::path& file) {
        struct stat info {};
        return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
    }

    test::TempDeviceRoot root_;
    int started_ = 0;
    ino_t lastState_ = 0;
};

// On the real clock: an item another process adds about a second before it is due reaches
// the companion through the change notice, and its timer rings it at its time, not before.
TEST_F(RingsetReminders, AddedByAnotherProcessRingsAtItsTime) {
    PrivateSessionBus bus(root_.path(), PrivateSessionBus::Server::Notifications);
    ASSERT_TRUE(bus.ok()) << bus.problem();
    const pid_t pid = Start({"DBUS_SESSION_BUS_ADDRESS=" + bus.address(), "MORU_LOCAL_TIME="});

    const time_t due = ::time(nullptr) + 2;
    tm utc{};
    ::gmtime_r(&due, &utc);
    char start[32];
    std::strftime(start, sizeof start, "%Y-%m-%d %H:%M:%S", &utc);
    Device({"add", "--subject", "Kettle", "--start", start, "--reminder", "0"});

    ASSERT_TRUE(test::Eventually([&] { return !bus.Shown().empty(); }, 10s)) << Stderr(1);
    const test::ShownNotice notice = bus.Shown().front();
    EXPECT_EQ(notice.summary, "Kettle");
    EXPECT_EQ(notice.body.find("Missed"), std::string::npos) << notice.body;
    EXPECT_GE(notice.at, static_cast<double>(due) - 0.01);
    Stop(pid);
    EXPECT_EQ(Stderr(1), "");
}

// On a pinned clock: a reminder two hours old is shown once as missed, and a restart does
// not show it again.
TEST_F(RingsetReminders, MissedOnceAndNotAgainAfterARestart) {
    PrivateSessionBus bus(root_.path(), PrivateSessionBus::Server::Notifications);
    ASSERT_TRUE(bus.ok()) << bus.problem();
    Device({"add", "--subject", "Standup", "--start", "2026-03-10 10:00", "--reminder", "0"});
    const std::vector<std::string> env{"DBUS_SESSION_BUS_ADDRESS=" + bus.address(),
                                       "MORU_LOCAL_TIME=2026-03-10 12:00:00"};
    pid_t pid = Start(env);
    ASSERT_EQ(bus.Shown().size(), 1u);
    EXPECT_EQ(bus.Shown()[0].body, "Missed: Today 10:00, Appointment");
    Stop(pid);

    pid = Start(env);
    EXPECT_EQ(bus.Shown().size(), 1u);
    Stop(pid);
}

// No session bus: the companion keeps running, says so once, and still rings the sound that
// its own refresh chose.
TEST_F(RingsetReminders, WithoutABusItRingsAndSaysSoOnce) {
    std::filesystem::create_directories(root_.path() / "Windows");
    test::WriteFileBytes(root_.path() / "Windows" / "Alarm1.wav", "RIFF");
    Device({"add", "--subject", "One", "--start", "2026-03-10 10:10", "--reminder", "10", "--sound",
            "Alarm1.wav"});
    Device({"add", "--subject", "Two", "--start", "2026-03-10 10:20", "--reminder", "20"});
    const std::filesystem::path sounds = root_.path() / "sounds.log";
    const pid_t pid =
        Start({"DBUS_SESSION_BUS_ADDRESS=unix:path=" + (root_.path() / "no-bus").string(),
               "MORU_LOCAL_TIME=2026-03-10 10:00:00", "MORU_SOUND_RECORD=" + sounds.string()});
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), 0) << "the companion ended";
    EXPECT_EQ(test::ReadFileBytes(sounds),
              "play " + (root_.path() / "Windows" / "Alarm1.wav").string() + "\n");
    const std::string said = Stderr(1);
    const size_t first = said.find("cannot be shown on the desktop");
    ASSERT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find("cannot be shown", first + 1), std::string::npos) << said;
    Stop(pid);
}

}  // namespace
}  // namespace moru
