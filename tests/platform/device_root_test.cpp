#include "platform/device_root.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace moru {
namespace {

TEST(DeviceRoot, TranslatesDevicePathsUnderTheRoot) {
    const std::filesystem::path root = "/tmp/r";
    EXPECT_EQ(TranslateDevicePath(root, u"\\My Documents\\MoruCalendar\\MoruCalendar.dat"),
              "/tmp/r/My Documents/MoruCalendar/MoruCalendar.dat");
    // The fallback folder keeps its trailing backslash and is then joined with "\".
    EXPECT_EQ(TranslateDevicePath(root, u"\\My Documents\\\\MoruCalendar.dat"),
              "/tmp/r/My Documents/MoruCalendar.dat");
    EXPECT_EQ(TranslateDevicePath(root, u"\\Windows\\..\\..\\etc\\passwd"),
              "/tmp/r/Windows/etc/passwd");
    EXPECT_EQ(TranslateDevicePath(root, u"\\"), "/tmp/r");
}

TEST(DeviceRoot, CommandLineBeatsEnvironmentBeatsXdg) {
    setenv("MORU_ROOT", "/tmp/from-env", 1);
    EXPECT_EQ(ResolveDeviceRoot(std::string("/tmp/from-cli")), "/tmp/from-cli");
    EXPECT_EQ(ResolveDeviceRoot(std::nullopt), "/tmp/from-env");
    unsetenv("MORU_ROOT");
    setenv("XDG_DATA_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(ResolveDeviceRoot(std::nullopt), "/tmp/xdg/moru-calendar");
    unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace moru
