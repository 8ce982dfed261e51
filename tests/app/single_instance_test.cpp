// Where the single-instance lock and socket live when the session has no runtime directory:
// a folder private to the user, never a predictable name someone else can hold.
#include "app/single_instance.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/support/temp_root.h"

namespace moru {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one scope, or unsets it when given nothing.
class EnvGuard {
public:
    EnvGuard(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            previous_ = old;
            had_ = true;
        }
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~EnvGuard() { had_ ? setenv(name_, previous_.c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::string previous_;
    bool had_ = false;
};

struct PlacementCase {
    const char* label;
    // Prepares what is already at the temporary directory's predictable name.
    std::function<void(const fs::path& predictable, const fs::path& elsewhere)> plant;
    bool usesPredictable;  // whether the predictable folder may be used afterwards
};

class SingleInstancePlacement : public testing::TestWithParam<PlacementCase> {};

TEST_P(SingleInstancePlacement, LockAndSocketLiveInAFolderOnlyTheUserCanEnter) {
    test::TempDeviceRoot root;
    const fs::path temp = root.path() / "tmp";
    const fs::path home = root.path() / "home";
    fs::create_directories(temp);
    fs::create_directories(home);
    const fs::path predictable = temp / ("moru-calendar-" + std::to_string(::geteuid()));
    const fs::path elsewhere = root.path() / "elsewhere";
    fs::create_directories(elsewhere);
    GetParam().plant(predictable, elsewhere);
    if (GetParam().usesPredictable == false && std::string(GetParam().label) == "another_owner" &&
        ::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a folder to another user";
    }

    EnvGuard runtime("XDG_RUNTIME_DIR", nullptr);
    EnvGuard tmpdir("TMPDIR", temp.c_str());
    EnvGuard homeDir("HOME", home.c_str());
    EnvGuard cache("XDG_CACHE_HOME", nullptr);
    const mode_t previousMask = ::umask(0);
    const fs::path name = SingleInstance::ServerName(root.path()).toStdString();
    ::umask(previousMask);

    const fs::path folder = name.parent_path();
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0) << folder;
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_uid, ::geteuid());
    EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    EXPECT_EQ(folder == predictable, GetParam().usesPredictable) << folder;
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

INSTANTIATE_TEST_SUITE_P(
    Plantings, SingleInstancePlacement,
    testing::Values(PlacementCase{"nothing_there", [](const fs::path&, const fs::path&) {}, true},
                    PlacementCase{"a_link_to_another_folder",
                                  [](const fs::path& at, const fs::path& to) {
                                      fs::create_directory_symlink(to, at);
                                  },
                                  false},
                    PlacementCase{"a_folder_open_to_all",
                                  [](const fs::path& at, const fs::path&) {
                                      fs::create_directory(at);
                                      ::chmod(at.c_str(), 0777);
                                  },
                                  false},
                    PlacementCase{"another_owner",
                                  [](const fs::path& at, const fs::path&) {
                                      fs::create_directory(at);
                                      ::chmod(at.c_str(), 0700);
                                      [[maybe_unused]] const int changed =
                                          ::chown(at.c_str(), 65534, 65534);
                                  },
                                  false}),
    [](const auto& param) { return std::string(param.param.label); });

}  // namespace
}  // namespace moru
