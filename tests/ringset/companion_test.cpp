// The companion's handlers in this process, then the built `ringset` as a separate process:
// single instance, start-time refresh, the store failure message, close requests.
#include "ringset/companion.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <regex>
#include <sstream>
#include <string>

#include "platform/datetime.h"
#include "platform/poom/poom.h"
#include "platform/registry.h"
#include "platform/scripted_ui_host.h"
#include "ringset/reminder_wave.h"
#include "tests/ringset/child_process.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

using namespace std::chrono_literals;

constexpr const char* kNow = "2024-03-13 10:00:00";

SystemTime At(int hour, int minute) {
    return *DateTime::FromParts(2024, 3, 13, hour, minute).ToSystemTime();
}

void AddReminder(const SystemTime& start, std::u16string sound) {
    auto app = poom::Application::Create();
    ASSERT_TRUE(app.ok());
    ASSERT_TRUE((*app)->Logon().ok());
    auto item = (*app)->CreateItem(poom::kAppointmentItem);
    ASSERT_TRUE(item.ok());
    const DateTime begin = DateTime::FromSystemTime(start);
    item->SetSubject(u"meeting");
    item->SetStart(begin.date());
    item->SetEnd((begin + DateTimeSpan(0, 1, 0, 0)).date());
    item->SetReminderSet(true);
    item->SetReminderSoundFile(std::move(sound));
    ASSERT_TRUE(item->Save().ok());
    (*app)->Logoff();
}

std::optional<std::u16string> Wave() {
    auto key = RegistryKey::Open(RegistryRoot::CurrentUser, kRemindersKey);
    if (!key.ok()) {
        return std::nullopt;
    }
    auto value = key->QueryValue(kWaveValueName);
    return value.ok() ? std::optional<std::u16string>(RegSzText(value->data)) : std::nullopt;
}

// ---- The handlers, in this process ----

TEST(CompanionHandlers, StartRefreshesAtOnceAndTheTimerAgain) {
    test::TempDeviceRoot root;
    ScriptedUiHost host;
    LocalTimePin pin(At(10, 0));
    AddReminder(At(11, 0), u"first.wav");

    Companion companion;
    ASSERT_TRUE(companion.OnCreate());
    EXPECT_EQ(Wave(), u"first.wav");

    AddReminder(At(10, 30), u"sooner.wav");
    companion.OnTimer(kRefreshTimerId + 1);  // not the refresh timer
    EXPECT_EQ(Wave(), u"first.wav");
    companion.OnTimer(kRefreshTimerId);
    EXPECT_EQ(Wave(), u"sooner.wav");
    companion.OnDestroy();
    EXPECT_FALSE(companion.connected());
    EXPECT_TRUE(host.messages.empty());
}

// ---- The program, as a separate process ----

class RingsetProcess : public testing::Test {
protected:
    std::vector<std::string> Env(const std::string& extra = "MORU_STORE_FAULTS=") const {
        return {"MORU_ROOT=" + root_.path().string(), std::string("MORU_LOCAL_TIME=") + kNow,
                extra};
    }
    pid_t Start(const std::string& extra = "MORU_STORE_FAULTS=") {
        ++started_;
        const std::string n = std::to_string(started_);
        return test::StartProgram({test::BinaryPath("ringset")}, Env(extra),
                                  root_.path() / ("out" + n), root_.path() / ("err" + n));
    }
    std::string Stderr(int n) const {
        return test::ReadFileBytes(root_.path() / ("err" + std::to_string(n)));
    }
    static bool Alive(pid_t pid) {
        int status = 0;
        return ::waitpid(pid, &status, WNOHANG) == 0;
    }

    test::TempDeviceRoot root_;
    int started_ = 0;
};

TEST_F(RingsetProcess, WritesBeforeTheFirstTickThenSleeps) {
    AddReminder(At(14, 0), u"\\Windows\\b.wav");
    const auto begun = std::chrono::steady_clock::now();
    const pid_t pid = Start();
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(test::Eventually([] { return Wave().has_value(); }, 10s));
    EXPECT_LT(std::chrono::steady_clock::now() - begun,
              std::chrono::milliseconds(kRefreshPeriodMs));
    EXPECT_EQ(Wave(), u"\\Windows\\b.wav");

    // Idle, it sleeps until its timer: no wake-ups at all over a second.
    auto switches = [pid] {
        std::istringstream status(test::ReadFileBytes("/proc/" + std::to_string(pid) + "/status"));
        long total = 0;
        for (std::string line; std::getline(status, line);) {
            if (line.find("ctxt_switches:") != std::string::npos) {
                total += std::stol(line.substr(line.find(':') + 1));
            }
        }
        return total;
    };
    std::this_thread::sleep_for(500ms);  // let it finish settling in
    const long before = switches();
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(switches(), before);

    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::WaitExit(pid, 5s), 0);
    EXPECT_EQ(Stderr(1), "");
}

TEST_F(RingsetProcess, SecondCopyEndsAtOnceAndTheFirstKeepsRunning) {
    const pid_t first = Start();
    ASSERT_GT(first, 0);
    ASSERT_TRUE(test::Eventually(
        [&] { return !test::ReadFileBytes(root_.path() / "Windows" / "ringset.lock").empty(); },
        10s));
    const pid_t second = Start();
    EXPECT_EQ(test::WaitExit(second, 5s), 0);
    EXPECT_EQ(Stderr(2), "");
    EXPECT_TRUE(Alive(first));

    // --quit closes the copy of this root and waits for it.
    test::ProgramRun quit =
        test::RunProgram({test::BinaryPath("ringset"), "--quit"}, Env(), root_.path());
    EXPECT_EQ(quit.exitCode, 0) << quit.err;
    EXPECT_EQ(test::WaitExit(first, 5s), 0);

    // With none left, --quit says so.
    quit = test::RunProgram({test::BinaryPath("ringset"), "--quit"}, Env(), root_.path());
    EXPECT_EQ(quit.exitCode, 1);
    EXPECT_NE(quit.err.find("no companion runs"), std::string::npos) << quit.err;
}

TEST_F(RingsetProcess, CopiesForDifferentRootsRunSideBySide) {
    test::TempDeviceRoot other;
    const pid_t mine = Start();
    const pid_t theirs =
        test::StartProgram({test::BinaryPath("ringset"), "--root", other.path().string()}, Env(),
                           root_.path() / "o", root_.path() / "e");
    auto locked = [](const std::filesystem::path& r) {
        return !test::ReadFileBytes(r / "Windows" / "ringset.lock").empty();
    };
    ASSERT_TRUE(
        test::Eventually([&] { return locked(root_.path()) && locked(other.path()); }, 10s));
    EXPECT_TRUE(Alive(mine));
    EXPECT_TRUE(Alive(theirs));
    ::kill(mine, SIGTERM);
    ::kill(theirs, SIGTERM);
    EXPECT_EQ(test::WaitExit(mine, 5s), 0);
    EXPECT_EQ(test::WaitExit(theirs, 5s), 0);
}

TEST_F(RingsetProcess, CloseSignalsEndWithZero) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const pid_t pid = Start();
        ASSERT_TRUE(test::Eventually(
            [&] { return !test::ReadFileBytes(root_.path() / "Windows" / "ringset.lock").empty(); },
            10s));
        ::kill(pid, signal);
        EXPECT_EQ(test::WaitExit(pid, 5s), 0) << "signal " << signal;
        std::filesystem::remove(root_.path() / "Windows" / "ringset.lock");
    }
}

struct UnavailableCase {
    const char* label;
    bool damageStore;
    const char* faults;
};

class RingsetUnavailableStore : public RingsetProcess,
                                public testing::WithParamInterface<UnavailableCase> {};

// One message, then idle: the registry is never written, and a close still ends with 0.
TEST_P(RingsetUnavailableStore, OneMessageAndNoRegistryWrite) {
    AddReminder(At(14, 0), u"\\Windows\\b.wav");
    if (GetParam().damageStore) {
        const auto store = poom::DefaultStoreFile();
        std::filesystem::remove(store.string() + "-wal");
        std::filesystem::remove(store.string() + "-shm");
        test::WriteFileBytes(store, std::string(4096, 'x'));
    }
    const pid_t pid = Start(std::string("MORU_STORE_FAULTS=") + GetParam().faults);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(test::Eventually([&] { return !Stderr(1).empty(); }, 10s));
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(Alive(pid));
    EXPECT_FALSE(std::filesystem::exists(RegistryFile()));

    ::kill(pid, SIGTERM);
    EXPECT_EQ(test::WaitExit(pid, 5s), 0);
    EXPECT_TRUE(std::regex_match(Stderr(1),
                                 std::regex(R"(Ringset: Error occurred \[002:-?[1-9][0-9]*\]\n)")))
        << Stderr(1);
}

INSTANTIATE_TEST_SUITE_P(Causes, RingsetUnavailableStore,
                         testing::Values(UnavailableCase{"logon_fault", false, "Logon"},
                                         UnavailableCase{"damaged_store", true, ""}),
                         [](const testing::TestParamInfo<UnavailableCase>& param) {
                             return param.param.label;
                         });

}  // namespace
}  // namespace moru
