// `moru-device reg`, run as the built program against a temporary device root.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "tests/ringset/child_process.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

constexpr const char* kKey = "\\ControlPanel\\Notifications\\Reminders";

class RegistryCommand : public testing::Test {
protected:
    test::ProgramRun Reg(std::vector<std::string> words) {
        std::vector<std::string> args = {test::BinaryPath("moru-device"), "--root",
                                         root_.path().string(), "reg"};
        args.insert(args.end(), words.begin(), words.end());
        return test::RunProgram(args, {"MORU_ROOT="}, scratch_.path());
    }

    test::TempDeviceRoot scratch_;  // where the runs' output goes
    test::TempDeviceRoot root_;     // the device root the runs work on (current in this process)
};

TEST_F(RegistryCommand, SetWritesRegSzTheWayTheCompanionDoesAndGetShowsIt) {
    test::ProgramRun set = Reg({"set", kKey, "Wave", "alarm1.wav"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "");

    auto key =
        RegistryKey::Open(RegistryRoot::CurrentUser, u"\\ControlPanel\\Notifications\\Reminders");
    ASSERT_TRUE(key.ok());
    auto value = key->QueryValue(u"Wave");
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(value->type, kRegSz);
    EXPECT_EQ(value->data, RegSzBytes(u"alarm1.wav"));

    test::ProgramRun get = Reg({"get", kKey, "Wave"});
    EXPECT_EQ(get.exitCode, 0);
    EXPECT_EQ(get.out, "REG_SZ\t20\talarm1.wav\n");
}

TEST_F(RegistryCommand, GetShowsOtherShapesExactly) {
    auto key =
        RegistryKey::Create(RegistryRoot::CurrentUser, u"\\ControlPanel\\Notifications\\Reminders");
    ASSERT_TRUE(key.ok());
    ASSERT_TRUE(key->SetString(u"Zero", std::u16string(u"a.wav\0", 6)).ok());
    ASSERT_TRUE(key->SetDword(u"Volume", 25).ok());
    ASSERT_TRUE(key->SetValue(u"Odd", kRegSz, std::vector<uint8_t>{0x61, 0x00, 0x62}).ok());
    ASSERT_TRUE(key->SetString(u"Accent", u"Caf\u00e9").ok());
    // A character outside the basic plane is two UTF-16 units; it prints as one character.
    ASSERT_TRUE(key->SetString(u"Bell", u"\U0001F514.wav").ok());

    EXPECT_EQ(Reg({"get", kKey, "Bell"}).out, "REG_SZ\t12\t\xF0\x9F\x94\x94.wav\n");
    EXPECT_EQ(Reg({"get", kKey, "Zero"}).out, "REG_SZ\t12\ta.wav\\0\n");
    EXPECT_EQ(Reg({"get", kKey, "volume"}).out, "REG_DWORD\t4\t25\n");
    EXPECT_EQ(Reg({"get", kKey, "Odd"}).out, "REG_SZ\t3\t61,00,62\n");
    EXPECT_EQ(Reg({"get", kKey, "Accent"}).out, "REG_SZ\t8\tCaf\xC3\xA9\n");
    EXPECT_EQ(Reg({"list", kKey}).out,
              "Zero\tREG_SZ\t12\ta.wav\\0\n"
              "Volume\tREG_DWORD\t4\t25\n"
              "Odd\tREG_SZ\t3\t61,00,62\n"
              "Accent\tREG_SZ\t8\tCaf\xC3\xA9\n"
              "Bell\tREG_SZ\t12\t\xF0\x9F\x94\x94.wav\n");
}

TEST_F(RegistryCommand, MissingValueOrKeyExitsOne) {
    for (const auto& words :
         std::vector<std::vector<std::string>>{{"get", kKey, "Wave"}, {"delete", kKey, "Wave"}}) {
        test::ProgramRun run = Reg(words);
        EXPECT_EQ(run.exitCode, 1) << words[0];
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    ASSERT_EQ(Reg({"set", kKey, "Wave", "a.wav"}).exitCode, 0);
    EXPECT_EQ(Reg({"get", kKey, "Volume"}).exitCode, 1);
    EXPECT_EQ(Reg({"delete", kKey, "Wave"}).exitCode, 0);
    EXPECT_EQ(Reg({"get", kKey, "Wave"}).exitCode, 1);
}

TEST_F(RegistryCommand, BadArgumentsGiveOneLineAndExitTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"fetch", kKey, "Wave"},
        {"get", kKey},
        {"get", kKey, "Wave", "extra"},
        {"set", kKey, "Wave"},
        {"list"},
        {"get", "\\Control\nPanel", "Wave"},
    };
    for (const auto& words : bad) {
        test::ProgramRun run = Reg(words);
        EXPECT_EQ(run.exitCode, 2) << (words.empty() ? "(none)" : words[0]);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(RegistryFile()));
}

}  // namespace
}  // namespace moru
