#include "platform/sound.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/temp_root.h"

namespace moru {
namespace {

using Action = SoundRequest::Action;

// A short, valid PCM wave: 16-bit mono at 8 kHz, a tenth of a second of a square tone.
std::string TinyWave() {
    const uint32_t samples = 800;
    const uint32_t dataBytes = samples * 2;
    std::string out;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    };
    auto put16 = [&](uint16_t v) {
        out.push_back(static_cast<char>(v & 0xFF));
        out.push_back(static_cast<char>(v >> 8));
    };
    out += "RIFF";
    put32(36 + dataBytes);
    out += "WAVEfmt ";
    put32(16);
    put16(1);  // PCM
    put16(1);  // mono
    put32(8000);
    put32(16000);
    put16(2);
    put16(16);
    out += "data";
    put32(dataBytes);
    for (uint32_t i = 0; i < samples; ++i) {
        put16((i / 10) % 2 ? 0x2000 : 0xE000);
    }
    return out;
}

void PlaceSound(const test::TempDeviceRoot& root, const char* name) {
    std::filesystem::create_directories(root.path() / "Windows");
    test::WriteFileBytes(root.path() / "Windows" / name, TinyWave());
}

struct PlayCase {
    const char* label;
    std::u16string devicePath;
    const char* file;  // the name it translates to in <root>/Windows
    bool played;       // what PlaySoundFile answers
};

class SoundPlay : public testing::TestWithParam<PlayCase> {};

// Every request is recorded as asked, translated under the root, and answered as the real
// call would answer it.
TEST_P(SoundPlay, RecordsTheRequestAndAnswersForTheFile) {
    test::TempDeviceRoot root;
    PlaceSound(root, "Alarm1.wav");
    std::filesystem::create_directories(root.path() / "Windows" / "Folder.wav");
    const PlayCase& c = GetParam();

    SoundRecorder recorder;
    EXPECT_EQ(PlaySoundFile(c.devicePath), c.played);
    const std::vector<SoundRequest> got = recorder.requests();
    ASSERT_EQ(got.size(), 1u);
    const SoundRequest& request = got.front();
    EXPECT_EQ(request.action, Action::Play);
    EXPECT_EQ(request.devicePath, c.devicePath);
    EXPECT_EQ(request.file, root.path() / "Windows" / c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SoundPlay,
    testing::Values(PlayCase{"present", u"\\Windows\\Alarm1.wav", "Alarm1.wav", true},
                    PlayCase{"doubled_separators", u"\\\\Windows\\\\Alarm1.wav", "Alarm1.wav",
                             true},
                    PlayCase{"missing", u"\\Windows\\Alarm9.wav", "Alarm9.wav", false},
                    PlayCase{"a_folder_not_a_file", u"\\Windows\\Folder.wav", "Folder.wav", false},
                    // The name is matched exactly, as the file system does.
                    PlayCase{"other_case", u"\\Windows\\alarm1.wav", "alarm1.wav", false}),
    [](const testing::TestParamInfo<PlayCase>& row) { return std::string(row.param.label); });

// Stops come in the order they were asked, between the plays, and an empty name only stops.
TEST(Sound, KeepsPlaysAndStopsInOrder) {
    test::TempDeviceRoot root;
    PlaceSound(root, "Alarm1.wav");
    PlaceSound(root, "Alarm2.wav");
    SoundRecorder recorder;
    EXPECT_TRUE(PlaySoundFile(u"\\Windows\\Alarm1.wav"));
    EXPECT_TRUE(PlaySoundFile(u"\\Windows\\Alarm2.wav"));
    StopSound();
    EXPECT_TRUE(PlaySoundFile(u""));

    const std::vector<SoundRequest> got = recorder.requests();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].devicePath, u"\\Windows\\Alarm1.wav");
    EXPECT_EQ(got[1].devicePath, u"\\Windows\\Alarm2.wav");
    EXPECT_EQ(got[2], (SoundRequest{Action::Stop, {}, {}}));
    EXPECT_EQ(got[3], (SoundRequest{Action::Stop, {}, {}}));
}

// A recorder sees only what was asked while it lived.
TEST(Sound, RecorderStartsEmptyAndEndsWithItsScope) {
    test::TempDeviceRoot root;
    PlaceSound(root, "Alarm1.wav");
    {
        SoundRecorder first;
        PlaySoundFile(u"\\Windows\\Alarm1.wav");
        ASSERT_EQ(first.requests().size(), 1u);
    }
    SoundRecorder second;
    EXPECT_TRUE(second.requests().empty());
}

// The form a child process uses: one line per request in the file named by the environment.
TEST(Sound, RecordsToTheEnvironmentFileWithoutARecorder) {
    test::TempDeviceRoot root;
    PlaceSound(root, "Alarm1.wav");
    const std::filesystem::path log = root.path() / "sounds.log";
    setenv("MORU_SOUND_RECORD", log.c_str(), 1);
    EXPECT_TRUE(PlaySoundFile(u"\\Windows\\Alarm1.wav"));
    EXPECT_FALSE(PlaySoundFile(u"\\Windows\\None.wav"));
    StopSound();
    unsetenv("MORU_SOUND_RECORD");
    EXPECT_EQ(test::ReadFileBytes(log),
              "play " + (root.path() / "Windows/Alarm1.wav").string() + "\nplay " +
                  (root.path() / "Windows/None.wav").string() + "\nstop\n");
}

std::filesystem::path FindProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "";
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        std::filesystem::path candidate = std::filesystem::path(rest.substr(0, colon)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
    }
    return {};
}

// Against a real sound server with nothing to hear: a PulseAudio daemon with only a null sink,
// on a socket of the test's own. Runs only where PulseAudio and libcanberra's PulseAudio
// driver are installed.
TEST(Sound, PlaysThroughAPulseAudioNullSink) {
    const std::filesystem::path daemon = FindProgram("pulseaudio");
    if (daemon.empty() || !std::filesystem::exists(
                              "/usr/lib/x86_64-linux-gnu/libcanberra-0.30/libcanberra-pulse.so")) {
        GTEST_SKIP() << "PulseAudio or libcanberra's PulseAudio driver is not installed";
    }
    test::TempDeviceRoot root;
    PlaceSound(root, "Alarm1.wav");
    const std::filesystem::path home = root.path() / "pulse-home";
    std::filesystem::create_directories(home);
    const std::string socket = (home / "native").string();

    const pid_t server = ::fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        const std::string native = "module-native-protocol-unix auth-anonymous=1 socket=" + socket;
        ::execl(daemon.c_str(), "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                "--disable-shm", "--use-pid-file=no", "--log-target=stderr", "-L",
                "module-null-sink", "-L", native.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const bool ready = std::filesystem::exists(socket);
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    setenv("CANBERRA_DRIVER", "pulse", 1);
    const bool played = ready && PlaySoundFile(u"\\Windows\\Alarm1.wav");
    StopSound();
    unsetenv("PULSE_SERVER");
    unsetenv("CANBERRA_DRIVER");
    ::kill(server, SIGTERM);
    int status = 0;
    ::waitpid(server, &status, 0);
    ASSERT_TRUE(ready) << "the PulseAudio daemon did not start";
    EXPECT_TRUE(played);
}

}  // namespace
}  // namespace moru
