#include "platform/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/registry.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

bool IsLink(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Sets the umask for one scope.
class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) : previous_(::umask(mask)) {}
    ~UmaskGuard() { ::umask(previous_); }

private:
    mode_t previous_;
};

// A file outside the root that a planted link points at; it must never change.
struct Victim {
    explicit Victim(const fs::path& root)
        : path(root.parent_path() / (root.filename().string() + "-victim")) {
        test::WriteFileBytes(path, "precious");
    }
    ~Victim() { fs::remove(path); }
    bool intact() const { return test::ReadFileBytes(path) == "precious"; }
    fs::path path;
};

// ---- Planted links: never written through ----

TEST(AtomicFile, ReplaceOverAPlantedLinkPutsAFileInItsPlace) {
    test::TempDeviceRoot root;
    Victim victim(root.path());
    const fs::path file = root.path() / "registry.txt";
    fs::create_symlink(victim.path, file);

    ASSERT_TRUE(ReplaceFileAtomically(file, "new").ok());
    EXPECT_TRUE(victim.intact());
    EXPECT_FALSE(IsLink(file));
    EXPECT_EQ(test::ReadFileBytes(file), "new");
}

TEST(AtomicFile, OpenRefusesALinkInTheLastComponent) {
    test::TempDeviceRoot root;
    Victim victim(root.path());
    const fs::path file = root.path() / "appointments.db-notify";
    fs::create_symlink(victim.path, file);

    for (int flags : {O_WRONLY | O_CREAT, O_RDWR | O_CREAT | O_TRUNC, O_RDONLY}) {
        Result<int> fd = OpenNoFollow(file, flags);
        ASSERT_FALSE(fd.ok()) << flags;
        EXPECT_EQ(fd.error().code, ELOOP);
    }
    EXPECT_TRUE(victim.intact());
}

TEST(AtomicFile, PlaceNewFileLeavesAnythingThereAlone) {
    test::TempDeviceRoot root;
    const fs::path dangling = root.path() / "Clock.exe";
    fs::create_symlink(root.path() / "nowhere", dangling);
    const fs::path existing = root.path() / "alarm1.wav";
    test::WriteFileBytes(existing, "user's");

    for (const fs::path& file : {dangling, existing}) {
        Result<Placed> placed = PlaceNewFile(file, "ours", 0600);
        ASSERT_TRUE(placed.ok()) << placed.error().message;
        EXPECT_EQ(*placed, Placed::AlreadyThere) << file;
    }
    EXPECT_TRUE(IsLink(dangling));
    EXPECT_FALSE(fs::exists(root.path() / "nowhere"));
    EXPECT_EQ(test::ReadFileBytes(existing), "user's");
    EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), fs::directory_iterator()), 2);
}

// ---- Modes: private whatever the umask, existing ones kept ----

struct ModeCase {
    const char* label;
    mode_t umask;
};

class AtomicFileModes : public testing::TestWithParam<ModeCase> {};

TEST_P(AtomicFileModes, NewFoldersAndFilesArePrivate) {
    test::TempDeviceRoot root;
    UmaskGuard guard(GetParam().umask);
    const fs::path folder = root.path() / "My Documents" / "MoruCalendar";
    ASSERT_TRUE(MakePrivateFolders(folder).ok());
    EXPECT_EQ(ModeOf(root.path() / "My Documents"), 0700u);
    EXPECT_EQ(ModeOf(folder), 0700u);

    ASSERT_TRUE(ReplaceFileAtomically(folder / "MoruCalendar.dat", "x").ok());
    EXPECT_EQ(ModeOf(folder / "MoruCalendar.dat"), 0600u);

    Result<int> fd = OpenNoFollow(folder / "ringset.lock", O_RDWR | O_CREAT);
    ASSERT_TRUE(fd.ok());
    ::close(*fd);
    EXPECT_EQ(ModeOf(folder / "ringset.lock"), 0600u);

    ASSERT_TRUE(PlaceNewFile(folder / "Clock.exe", "#!/bin/sh\n", 0700).ok());
    EXPECT_EQ(ModeOf(folder / "Clock.exe"), 0700u);
}

INSTANTIATE_TEST_SUITE_P(Umasks, AtomicFileModes,
                         testing::Values(ModeCase{"open", 0}, ModeCase{"usual", 022},
                                         ModeCase{"strict", 0277}),
                         [](const auto& param) { return std::string(param.param.label); });

TEST(AtomicFile, ReplaceKeepsTheModeTheFileHad) {
    test::TempDeviceRoot root;
    const fs::path file = root.path() / "registry.txt";
    test::WriteFileBytes(file, "old");
    ::chmod(file.c_str(), 0640);
    ASSERT_TRUE(ReplaceFileAtomically(file, "new").ok());
    EXPECT_EQ(ModeOf(file), 0640u);
}

// ---- Temporaries a crash left behind ----

TEST(AtomicFile, StaleTemporariesGoAndLiveOnesStay) {
    test::TempDeviceRoot root;
    const fs::path file = root.path() / "registry.txt";
    const fs::path stale = root.path() / "registry.txt.tmp-Ab3dE9";
    const fs::path live = root.path() / "registry.txt.tmp-Zz0000";
    const fs::path legacy = root.path() / "registry.txt.tmp";
    const fs::path unrelated = root.path() / "registry.txt.tmp-toolong1";
    for (const fs::path& p : {stale, live, legacy, unrelated}) {
        test::WriteFileBytes(p, "half");
    }
    Victim victim(root.path());
    const fs::path planted = root.path() / "registry.txt.tmp-LinkXX";
    fs::create_symlink(victim.path, planted);
    const int writer = ::open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);

    const int removed = RemoveStaleTemporaries(
        file, [](std::string_view name) { return name == "registry.txt.tmp"; });
    ::close(writer);

    EXPECT_EQ(removed, 2);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(legacy));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(unrelated));
    EXPECT_TRUE(IsLink(planted));
    EXPECT_TRUE(victim.intact());
}

TEST(AtomicFile, AFailedReplaceLeavesWhatWasThereAndNoTemporary) {
    test::TempDeviceRoot root;
    // A folder where the file should be: the rename fails after the temporary was written.
    const fs::path file = root.path() / "MoruCalendar.dat";
    fs::create_directories(file / "inside");
    const Status written = ReplaceFileAtomically(file, "new");
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error().code, EISDIR);
    EXPECT_TRUE(fs::is_directory(file / "inside"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), fs::directory_iterator()), 1);
}

// ---- The registry goes through it ----

TEST(AtomicFile, RegistryWritesNeitherThroughItsOldTemporaryNorItsLock) {
    test::TempDeviceRoot root;
    Victim victim(root.path());
    const fs::path windows = root.path() / "Windows";
    fs::create_directories(windows);
    fs::create_symlink(victim.path, windows / "registry.txt.tmp");

    Result<RegistryKey> key = RegistryKey::Create(RegistryRoot::CurrentUser, u"\\A");
    ASSERT_TRUE(key.ok()) << key.error().message;
    ASSERT_TRUE(key->SetString(u"Wave", u"alarm1.wav").ok());
    EXPECT_TRUE(victim.intact());
    EXPECT_EQ(ModeOf(windows / "registry.txt"), 0600u);
    EXPECT_EQ(ModeOf(windows / "registry.txt.lock"), 0600u);

    fs::remove(windows / "registry.txt.lock");
    fs::create_symlink(victim.path, windows / "registry.txt.lock");
    const Status refused = key->SetString(u"Wave", u"alarm2.wav");
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, ELOOP);
    EXPECT_TRUE(victim.intact());
}

}  // namespace
}  // namespace moru
