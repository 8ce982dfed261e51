#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "tests/support/temp_root.h"

namespace moru {
namespace {

constexpr std::u16string_view kReminders = u"\\ControlPanel\\Notifications\\Reminders";

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

RegistryKey CreateKey(std::u16string_view path) {
    Result<RegistryKey> key = RegistryKey::Create(RegistryRoot::CurrentUser, path);
    EXPECT_TRUE(key.ok()) << (key.ok() ? "" : key.error().message);
    return std::move(*key);
}

struct RoundTripCase {
    const char* label;
    std::u16string name;
    RegistryValue value;
};

class RegistryRoundTrip : public testing::TestWithParam<RoundTripCase> {};

// Every value comes back through a fresh handle (so through the file) with its exact type
// and bytes, whatever its shape.
TEST_P(RegistryRoundTrip, KeepsTypeAndExactBytes) {
    test::TempDeviceRoot root;
    const RoundTripCase& c = GetParam();
    ASSERT_TRUE(CreateKey(kReminders).SetValue(c.name, c.value.type, c.value.data).ok());

    Result<RegistryKey> reopened = RegistryKey::Open(RegistryRoot::CurrentUser, kReminders);
    ASSERT_TRUE(reopened.ok());
    Result<RegistryValue> read = reopened->QueryValue(c.name);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(read->type, c.value.type);
    EXPECT_EQ(read->data, c.value.data);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegistryRoundTrip,
    testing::Values(
        // Strings as the companion writes them, and every shape a caller may hand in.
        RoundTripCase{"sz_without_zero", u"Wave", {kRegSz, RegSzBytes(u"alarm1.wav")}},
        RoundTripCase{"sz_with_terminating_zero",
                      u"Wave",
                      {kRegSz, RegSzBytes(std::u16string(u"a.wav\0", 6))}},
        RoundTripCase{"sz_empty", u"Wave", {kRegSz, {}}},
        RoundTripCase{"sz_odd_length", u"Wave", {kRegSz, Bytes({0x61, 0x00, 0x62})}},
        RoundTripCase{"sz_quotes_backslashes_controls",
                      u"Wave",
                      {kRegSz, RegSzBytes(u"\\Windows\\\"x\"\t\n\r\x01 y")}},
        RoundTripCase{
            "sz_non_ascii_and_pair", u"Wave", {kRegSz, RegSzBytes(u"Caf\u00e9 \U0001F514")}},
        RoundTripCase{"sz_lone_surrogate", u"Wave", {kRegSz, RegSzBytes(u"a\xD800z")}},
        RoundTripCase{"expand_sz", u"Path", {kRegExpandSz, RegSzBytes(u"%ROOT%\\x")}},
        RoundTripCase{
            "multi_sz", u"List", {kRegMultiSz, RegSzBytes(std::u16string(u"a\0b\0\0", 5))}},
        // Numbers and raw bytes.
        RoundTripCase{"dword", u"Count", {kRegDword, Bytes({0x19, 0x00, 0x00, 0x80})}},
        RoundTripCase{"dword_short", u"Count", {kRegDword, Bytes({0x01, 0x02})}},
        RoundTripCase{"binary", u"Blob", {kRegBinary, Bytes({0x00, 0xFF, 0x0A, 0x22})}},
        RoundTripCase{"none_empty", u"Nothing", {kRegNone, {}}},
        RoundTripCase{"unnamed_type", u"Odd", {0x1234, Bytes({0x01})}},
        // Names with characters the file format must escape; the unnamed default value.
        RoundTripCase{"name_with_quote", u"a \"b\" = c\\d", {kRegSz, RegSzBytes(u"v")}},
        RoundTripCase{"default_value", u"", {kRegSz, RegSzBytes(u"v")}}),
    [](const testing::TestParamInfo<RoundTripCase>& param) { return param.param.label; });

TEST(Registry, FileIsReadableTextWithExactByteCounts) {
    test::TempDeviceRoot root;
    RegistryKey key = CreateKey(kReminders);
    ASSERT_TRUE(key.SetString(u"Wave", u"alarm1.wav").ok());
    ASSERT_TRUE(key.SetDword(u"Count", 25).ok());

    const std::string text = test::ReadFileBytes(RegistryFile());
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\ControlPanel\\Notifications\\Reminders]\n"
                        "\"Wave\" = REG_SZ 20 \"alarm1.wav\"\n"
                        "\"Count\" = REG_DWORD 4 25\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(RegistryFile(), root.path() / "Windows" / "registry.txt");
}

TEST(Registry, KeyAndValueNamesIgnoreCaseAndStraySeparators) {
    test::TempDeviceRoot root;
    ASSERT_TRUE(CreateKey(kReminders).SetString(u"Wave", u"alarm1.wav").ok());

    Result<RegistryKey> same =
        RegistryKey::Open(RegistryRoot::CurrentUser, u"controlpanel\\\\NOTIFICATIONS\\reminders\\");
    ASSERT_TRUE(same.ok());
    Result<RegistryValue> value = same->QueryValue(u"WAVE");
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(RegSzText(value->data), u"alarm1.wav");

    // Writing through the other spelling replaces the value instead of adding a second one.
    ASSERT_TRUE(same->SetString(u"wave", u"alarm2.wav").ok());
    Result<std::vector<std::u16string>> names = same->ValueNames();
    ASSERT_TRUE(names.ok());
    EXPECT_EQ(names->size(), 1u);

    // A parent of a recorded key exists; an unrecorded key and value do not.
    EXPECT_TRUE(RegistryKey::Open(RegistryRoot::CurrentUser, u"\\ControlPanel").ok());
    Result<RegistryKey> missing = RegistryKey::Open(RegistryRoot::CurrentUser, u"\\Control");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ENOENT);
    Result<RegistryValue> noValue = same->QueryValue(u"Volume");
    ASSERT_FALSE(noValue.ok());
    EXPECT_EQ(noValue.error().code, ENOENT);
}

TEST(Registry, HandEditedLinesSurviveAndDamagedOnesAreIgnored) {
    test::TempDeviceRoot root;
    test::WriteFileBytes(RegistryFile(),
                         "; my notes\n"
                         "[HKEY_CURRENT_USER\\ControlPanel\\Notifications\\Reminders]\n"
                         "; keep this comment\n"
                         "\"Wave\" = REG_SZ 30 \"alarm1.wav\"\n"  // byte count disagrees
                         "\"Volume\" = REG_DWORD 4 0x10\n"
                         "[HKEY_LOCAL_MACHINE\\Other]\n"
                         "\"Wave\" = REG_SZ 2 \"x\"\n");
    Result<RegistryKey> key = RegistryKey::Open(RegistryRoot::CurrentUser, kReminders);
    ASSERT_TRUE(key.ok());
    EXPECT_EQ(key->QueryValue(u"Wave").error().code, ENOENT);
    Result<RegistryValue> volume = key->QueryValue(u"Volume");
    ASSERT_TRUE(volume.ok());
    EXPECT_EQ(volume->data, Bytes({0x10, 0, 0, 0}));

    ASSERT_TRUE(key->SetString(u"Wave", u"b.wav").ok());
    const std::string text = test::ReadFileBytes(RegistryFile());
    for (const char* kept :
         {"; my notes\n", "; keep this comment\n", "\"Wave\" = REG_SZ 30 \"alarm1.wav\"\n",
          "[HKEY_LOCAL_MACHINE\\Other]\n\"Wave\" = REG_SZ 2 \"x\"\n",
          "\"Wave\" = REG_SZ 10 \"b.wav\"\n"}) {
        EXPECT_NE(text.find(kept), std::string::npos) << kept << " missing from\n" << text;
    }
    EXPECT_EQ(RegSzText(key->QueryValue(u"Wave")->data), u"b.wav");
}

TEST(Registry, UnchangedValueLeavesTheFileAlone) {
    test::TempDeviceRoot root;
    RegistryKey key = CreateKey(kReminders);
    ASSERT_TRUE(key.SetString(u"Wave", u"alarm1.wav").ok());
    struct stat before {};
    ASSERT_EQ(::stat(RegistryFile().c_str(), &before), 0);
    ASSERT_TRUE(key.SetString(u"Wave", u"alarm1.wav").ok());
    struct stat after {};
    ASSERT_EQ(::stat(RegistryFile().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);  // every real write renames a new file in

    ASSERT_TRUE(key.SetString(u"Wave", u"alarm2.wav").ok());
    ASSERT_EQ(::stat(RegistryFile().c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
}

// Two processes writing different values at the same time: with the lock around each
// read-modify-write no update is lost, and a reader never meets a half-written file.
TEST(Registry, ConcurrentWritersFromTwoProcessesLoseNothing) {
    test::TempDeviceRoot root;
    CreateKey(kReminders);
    constexpr int kWritesPerProcess = 80;
    std::vector<pid_t> writers;
    for (int w = 0; w < 2; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            Result<RegistryKey> key = RegistryKey::Open(RegistryRoot::CurrentUser, kReminders);
            int failures = key.ok() ? 0 : 1;
            for (int i = 0; key.ok() && i < kWritesPerProcess; ++i) {
                const std::u16string name =
                    (w == 0 ? u"first" : u"second") +
                    std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                    std::u16string(1, static_cast<char16_t>(u'0' + i / 26));
                failures += key->SetDword(name, static_cast<uint32_t>(i)).ok() ? 0 : 1;
            }
            ::_exit(failures == 0 ? 0 : 1);
        }
        writers.push_back(pid);
    }

    Result<RegistryKey> reader = RegistryKey::Open(RegistryRoot::CurrentUser, kReminders);
    ASSERT_TRUE(reader.ok());
    size_t seen = 0;
    for (int round = 0; round < 200; ++round) {
        Result<std::vector<std::u16string>> names = reader->ValueNames();
        ASSERT_TRUE(names.ok()) << names.error().message;
        ASSERT_GE(names->size(), seen) << "a value vanished while the writers ran";
        seen = names->size();
    }
    for (pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    Result<std::vector<std::u16string>> names = reader->ValueNames();
    ASSERT_TRUE(names.ok());
    EXPECT_EQ(names->size(), 2u * kWritesPerProcess);
}

}  // namespace
}  // namespace moru
