// The reminder service against the real store in a temporary root, a private session bus with
// a real notification server (python3-dbusmock), and a pinned clock that each test moves by
// hand: a Run() at a time stands for the companion's timer firing then.
#include "ringset/reminder_service.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/poom/poom.h"
#include "platform/registry.h"
#include "platform/sound.h"
#include "ringset/reminder_wave.h"
#include "tests/ringset/child_process.h"
#include "tests/ringset/session_bus.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

using test::PrivateSessionBus;
using test::ShownNotice;

DateTime At(int day, int hour, int minute, int second = 0) {
    return DateTime::FromParts(2026, 3, day, hour, minute, second);
}

void PlaceSound(const test::TempDeviceRoot& root, const char* name) {
    std::filesystem::create_directories(root.path() / "Windows");
    test::WriteFileBytes(root.path() / "Windows" / name, "RIFF");
}

void SetWave(std::u16string_view value) {
    Result<RegistryKey> key = RegistryKey::Create(RegistryRoot::CurrentUser, kRemindersKey);
    ASSERT_TRUE(key.ok());
    ASSERT_TRUE(key->SetString(kWaveValueName, value).ok());
}

// The calendar's category file with the given alarms (holidays and anniversaries empty).
void WriteAlarmList(const test::TempDeviceRoot& root, const std::vector<uint32_t>& alarms) {
    std::string bytes;
    auto word = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    };
    word(static_cast<uint32_t>(alarms.size()));
    for (uint32_t oid : alarms) {
        word(oid);
    }
    bytes += ';';
    for (int i = 0; i < 2; ++i) {
        word(0);
        bytes += ';';
    }
    const auto folder = root.path() / "My Documents" / "MoruCalendar";
    std::filesystem::create_directories(folder);
    test::WriteFileBytes(folder / "MoruCalendar.dat", bytes);
}

class ReminderServiceTest : public testing::Test {
protected:
    void SetUp() override {
        bus_ = std::make_unique<PrivateSessionBus>(root_.path(),
                                                   PrivateSessionBus::Server::Notifications);
        ASSERT_TRUE(bus_->ok()) << bus_->problem();
        setenv("DBUS_SESSION_BUS_ADDRESS", bus_->address().c_str(), 1);
        auto app = poom::Application::Create();
        ASSERT_TRUE(app.ok());
        app_ = *app;
        ASSERT_TRUE(app_->Logon().ok());
        auto folder = app_->GetDefaultFolder(poom::kCalendarFolder);
        ASSERT_TRUE(folder.ok());
        folder_ = *folder;
    }
    void TearDown() override { unsetenv("DBUS_SESSION_BUS_ADDRESS"); }

    uint32_t Add(std::u16string subject, const DateTime& start, long minutes, bool daily = false) {
        auto item = app_->CreateItem(poom::kAppointmentItem);
        EXPECT_TRUE(item.ok());
        item->SetSubject(std::move(subject));
        item->SetStart(start.date());
        item->SetEnd((start + DateTimeSpan(0, 1, 0, 0)).date());
        item->SetReminderSet(true);
        item->SetReminderMinutesBeforeStart(minutes);
        if (daily) {
            poom::RecurrencePattern pattern = item->GetRecurrencePattern();
            pattern.SetRecurrenceType(poom::kRecursDaily);
            pattern.SetInterval(1);
            pattern.SetNoEndDate(true);
        }
        EXPECT_TRUE(item->Save().ok());
        return item->Oid();
    }

    // Another process's change, through the command line tool.
    void OtherProcess(const std::vector<std::string>& args) {
        std::vector<std::string> argv{test::BinaryPath("moru-device")};
        argv.insert(argv.end(), args.begin(), args.end());
        const test::ProgramRun run =
            test::RunProgram(argv, {"MORU_ROOT=" + root_.path().string()}, root_.path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }

    std::optional<DateTime> RunAt(const DateTime& now) {
        now_ = *now.ToSystemTime();
        return service_->Run();
    }
    void StartService() {
        service_ = std::make_unique<ReminderService>(*folder_, ReminderStateFile());
    }
    std::vector<ShownNotice> Shown() const { return bus_->Shown(); }

    test::TempDeviceRoot root_;
    std::unique_ptr<PrivateSessionBus> bus_;
    std::shared_ptr<poom::Application> app_;
    std::optional<poom::Folder> folder_;
    SystemTime now_ = *At(1, 0, 0).ToSystemTime();
    LocalTimePin pin_{[this] { return now_; }};
    std::unique_ptr<ReminderService> service_;
};

// A one-off appointment with its reminder 10 minutes before: nothing before its time, shown
// at it, with the start and kind, not as missed; the timer is asked for exactly that time.
TEST_F(ReminderServiceTest, OneOffRingsTenMinutesBefore) {
    Add(u"Dentist", At(10, 14, 0), 10);
    StartService();
    EXPECT_EQ(RunAt(At(10, 13, 40)), At(10, 13, 50));
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(RunAt(At(10, 13, 50)), At(11, 13, 50));  // nothing left: the look-ahead's end
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].summary, "Dentist");
    EXPECT_EQ(Shown()[0].body, "Today 14:00, Appointment");
    EXPECT_EQ(Shown()[0].actions, R"(["dismiss", "Dismiss", "snooze", "Snooze 5 minutes"])");
}

// An alarm rings at its start and says it is an alarm.
TEST_F(ReminderServiceTest, AlarmRingsAtItsStart) {
    const uint32_t oid = Add(u"Wake up", At(10, 7, 0), 0);
    WriteAlarmList(root_, {oid});
    StartService();
    EXPECT_EQ(RunAt(At(10, 6, 59, 59)), At(10, 7, 0));
    EXPECT_TRUE(Shown().empty());
    RunAt(At(10, 7, 0));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].body, "Today 07:00, Alarm");
}

// A daily series rings for each day's occurrence; on its third day, that day's time.
TEST_F(ReminderServiceTest, DailySeriesOnItsThirdDay) {
    Add(u"Pills", At(8, 9, 0), 15, /*daily=*/true);
    StartService();
    EXPECT_EQ(RunAt(At(8, 8, 0)), At(8, 8, 45));
    RunAt(At(8, 8, 45));
    EXPECT_EQ(RunAt(At(9, 8, 45)), At(10, 8, 45));
    RunAt(At(10, 8, 45));
    ASSERT_EQ(Shown().size(), 3u);
    for (const ShownNotice& notice : Shown()) {
        EXPECT_EQ(notice.body, "Today 09:00, Appointment");
    }
}

// An item another process adds one second before it is due is found at the change notice
// and rings on time; one deleted before its time never shows.
TEST_F(ReminderServiceTest, AddedJustBeforeAndDeletedBeforeItsTime) {
    StartService();
    RunAt(At(10, 9, 0));
    OtherProcess({"add", "--subject", "Call", "--start", "2026-03-10 10:00:00", "--reminder", "0"});
    EXPECT_EQ(RunAt(At(10, 9, 59, 59)), At(10, 10, 0));  // the change notice's run
    RunAt(At(10, 10, 0));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].summary, "Call");

    const uint32_t gone = Add(u"Cancelled", At(10, 11, 0), 5);
    EXPECT_EQ(RunAt(At(10, 10, 30)), At(10, 10, 55));
    OtherProcess({"delete", std::to_string(gone)});
    EXPECT_EQ(RunAt(At(10, 10, 31)), At(11, 10, 31));
    RunAt(At(10, 10, 55));
    EXPECT_EQ(Shown().size(), 1u);
}

// Suspended across its time (the clock jumps two hours): shown once, as missed.
TEST_F(ReminderServiceTest, SleptThroughItsTimeShowsItOnceAsMissed) {
    Add(u"Standup", At(10, 10, 0), 0);
    StartService();
    EXPECT_EQ(RunAt(At(10, 9, 30)), At(10, 10, 0));
    RunAt(At(10, 11, 30));
    RunAt(At(10, 11, 31));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].body, "Missed: Today 10:00, Appointment");
}

// A restart after a reminder was shown does not show it again; the state file says why.
TEST_F(ReminderServiceTest, RestartAfterDeliveryDoesNotRepeat) {
    const uint32_t oid = Add(u"Review", At(10, 15, 0), 30);
    StartService();
    RunAt(At(10, 14, 30));
    ASSERT_EQ(Shown().size(), 1u);
    StartService();
    RunAt(At(10, 14, 45));
    EXPECT_EQ(Shown().size(), 1u);
    EXPECT_NE(
        test::ReadFileBytes(ReminderStateFile())
            .find("shown " + std::to_string(oid) + " 2026-03-10T15:00:00 2026-03-10T14:30:00"),
        std::string::npos);
}

// The state file is written without following links: an old version's "reminders.txt.new"
// that is a planted link is removed at start, not written through, and the state is private.
TEST_F(ReminderServiceTest, StateFileIsNeverWrittenThroughALinkAndStaysPrivate) {
    const std::filesystem::path state = ReminderStateFile();
    std::filesystem::create_directories(state.parent_path());
    const std::filesystem::path victim =
        root_.path().parent_path() / (root_.path().filename().string() + "-victim");
    test::WriteFileBytes(victim, "precious");
    std::filesystem::path legacy = state;
    legacy += ".new";
    std::filesystem::create_symlink(victim, legacy);
    std::filesystem::create_symlink(victim, state);
    Add(u"Review", At(10, 15, 0), 30);
    StartService();
    RunAt(At(10, 14, 30));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(test::ReadFileBytes(victim), "precious");
    std::filesystem::remove(victim);
    EXPECT_TRUE(std::filesystem::is_symlink(legacy)) << "a link is not ours to remove";
    struct stat info {};
    ASSERT_EQ(::lstat(state.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    std::filesystem::remove(legacy);
    test::WriteFileBytes(legacy, "left by a crash");
    StartService();
    RunAt(At(10, 14, 45));
    EXPECT_FALSE(std::filesystem::exists(legacy));
}

// Snooze brings the reminder back once, five minutes later; a dismiss ends it.
TEST_F(ReminderServiceTest, SnoozeComesBackOnceFiveMinutesLater) {
    Add(u"Tea", At(10, 16, 0), 0);
    Add(u"Walk", At(10, 16, 1), 0);
    StartService();
    RunAt(At(10, 16, 0));
    RunAt(At(10, 16, 1));
    ASSERT_EQ(Shown().size(), 2u);
    ASSERT_TRUE(bus_->Answer(1, "snooze"));
    ASSERT_TRUE(bus_->Answer(2, "dismiss"));
    ASSERT_TRUE(test::Eventually([&] { return service_->ProcessBus(); }, std::chrono::seconds(5)));
    EXPECT_EQ(RunAt(At(10, 16, 2)), At(10, 16, 6));  // five minutes after the answer
    RunAt(At(10, 16, 6));
    RunAt(At(10, 16, 20));
    ASSERT_EQ(Shown().size(), 3u);
    EXPECT_EQ(Shown()[2].summary, "Tea");
    EXPECT_EQ(Shown()[2].body, "Today 16:00, Appointment");
    // A snooze survives a restart.
    ASSERT_TRUE(bus_->Answer(3, "snooze"));
    ASSERT_TRUE(test::Eventually([&] { return service_->ProcessBus(); }, std::chrono::seconds(5)));
    StartService();
    EXPECT_EQ(RunAt(At(10, 16, 21)), At(10, 16, 25));
}

// After a long absence: the last day's reminders one by one as missed, older ones counted in
// one summary that offers no snooze.
TEST_F(ReminderServiceTest, LongAbsenceSummarisesWhatIsOlderThanADay) {
    StartService();
    RunAt(At(5, 12, 0));
    Add(u"Old one", At(6, 9, 0), 0);
    Add(u"Old two", At(7, 9, 0), 0);
    Add(u"Recent", At(9, 20, 0), 0);
    RunAt(At(10, 8, 0));
    const std::vector<ShownNotice> shown = Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].summary, "Recent");
    EXPECT_EQ(shown[0].body, "Missed: 2026.03.09(Mon) 20:00, Appointment");
    EXPECT_EQ(shown[1].summary, "Missed reminders");
    EXPECT_EQ(shown[1].body, "2 more reminders were missed");
    EXPECT_EQ(shown[1].actions, "[]");
}

// A store that fails a query is tried again a minute later; what was due then rings.
TEST_F(ReminderServiceTest, FailingStoreIsTriedAgainAMinuteLater) {
    Add(u"Later", At(10, 12, 0), 0);
    StartService();
    poom::SetFault(poom::FaultPoint::Restrict, true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunAt(At(10, 12, 0)), At(10, 12, 1));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot read the reminders"),
              std::string::npos);
    poom::ClearFaults();
    RunAt(At(10, 12, 1));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].body, "Today 12:00, Appointment");
}

// The sound is the registry's "Wave", from \Windows; none when it is empty or names no file.
struct SoundCase {
    const char* label;
    std::u16string wave;
    std::vector<std::u16string> played;
};

class ReminderSound : public ReminderServiceTest, public testing::WithParamInterface<SoundCase> {};

TEST_P(ReminderSound, PlaysTheWaveValue) {
    PlaceSound(root_, "Alarm1.wav");
    Add(u"Ring", At(10, 9, 0), 0);
    StartService();
    RunAt(At(10, 8, 0));
    SetWave(GetParam().wave);  // after the run: the companion's own refresh would write it
    SoundRecorder recorder;
    RunAt(At(10, 9, 0));
    std::vector<std::u16string> played;
    for (const SoundRequest& request : recorder.requests()) {
        played.push_back(request.devicePath);
    }
    EXPECT_EQ(played, GetParam().played);
    EXPECT_EQ(Shown().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Wave, ReminderSound,
    testing::Values(SoundCase{"bare_name", u"Alarm1.wav", {u"\\Windows\\Alarm1.wav"}},
                    SoundCase{"device_path", u"\\Windows\\Alarm1.wav", {u"\\Windows\\Alarm1.wav"}},
                    SoundCase{"empty", u"", {}}, SoundCase{"no_such_file", u"Alarm7.wav", {}}),
    [](const testing::TestParamInfo<SoundCase>& row) { return std::string(row.param.label); });

// No session bus at all: the reminders still ring with their sound, the missing desktop is
// said once, and the next reminder tries the bus again.
TEST(ReminderServiceWithoutBus, RingsTheSoundAndSaysSoOnce) {
    test::TempDeviceRoot root;
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (root.path() / "no-bus").string()).c_str(),
           1);
    PlaceSound(root, "Alarm1.wav");
    SetWave(u"Alarm1.wav");
    auto app = poom::Application::Create();
    ASSERT_TRUE(app.ok() && (*app)->Logon().ok());
    for (int hour : {9, 10}) {
        auto item = (*app)->CreateItem(poom::kAppointmentItem);
        item->SetSubject(u"Quiet");
        item->SetStart(At(10, hour, 0).date());
        item->SetEnd(At(10, hour, 30).date());
        item->SetReminderSet(true);
        item->SetReminderMinutesBeforeStart(0);
        ASSERT_TRUE(item->Save().ok());
    }
    SystemTime now = *At(10, 9, 0).ToSystemTime();
    LocalTimePin pin([&] { return now; });
    ReminderService service(*(*app)->GetDefaultFolder(poom::kCalendarFolder), ReminderStateFile());
    SoundRecorder recorder;
    testing::internal::CaptureStderr();
    EXPECT_EQ(service.Run(), At(10, 10, 0));
    now = *At(10, 10, 0).ToSystemTime();
    service.Run();
    const std::string said = testing::internal::GetCapturedStderr();
    unsetenv("DBUS_SESSION_BUS_ADDRESS");

    EXPECT_EQ(recorder.requests().size(), 2u);
    const size_t first = said.find("cannot be shown on the desktop");
    ASSERT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find("cannot be shown on the desktop", first + 1), std::string::npos) << said;
    EXPECT_FALSE(service.notifier().connected());
}

}  // namespace
}  // namespace moru
