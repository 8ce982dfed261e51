#include "store/category_store.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <ostream>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/device_root.h"
#include "platform/scripted_ui_host.h"
#include "platform/text.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

constexpr char kCorrupted[] = "MoruCalendar.dat corrputed";
constexpr char kCannotOpen[] = "Cannot open MoruCalendar.dat";

std::string U32(uint32_t value) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<char>(value >> shift));
    }
    return bytes;
}

std::string Section(const OidList& oids) {
    std::string bytes = U32(static_cast<uint32_t>(oids.size()));
    for (uint32_t oid : oids) {
        bytes += U32(oid);
    }
    return bytes + ";";
}

std::string FileOf(const OidList& alarms, const OidList& holidays, const OidList& anniversaries) {
    return Section(alarms) + Section(holidays) + Section(anniversaries);
}

std::vector<std::string> Texts(const ScriptedUiHost& host) {
    std::vector<std::string> texts;
    for (const auto& message : host.messages) {
        texts.push_back(ToUtf8(message.text));
    }
    return texts;
}

class CategoryStoreTest : public testing::Test {
protected:
    void SetUp() override {
        Calendar().dataFolder = u"\\My Documents\\MoruCalendar";
        Calendar().AlarmOids.clear();
        Calendar().HolidayOids.clear();
        Calendar().AnniversaryOids.clear();
    }

    fs::path Folder() const { return root.path() / "My Documents" / "MoruCalendar"; }
    fs::path File() const { return Folder() / "MoruCalendar.dat"; }
    fs::path DamagedCopy() const { return Folder() / "MoruCalendar.dat.damaged"; }

    // The lock file that writers share stays beside the file; it is not a leftover.
    size_t EntriesInFolder() const {
        return static_cast<size_t>(
            std::count_if(fs::directory_iterator(Folder()), {}, [](const fs::directory_entry& e) {
                return e.path().filename() != "MoruCalendar.dat.lock";
            }));
    }

    test::TempDeviceRoot root;
    ScriptedUiHost host;
};

TEST_F(CategoryStoreTest, FirstStartWritesThreeEmptySections) {
    ASSERT_FALSE(fs::exists(root.path() / "My Documents"));
    EXPECT_TRUE(LoadCategoryStore());
    EXPECT_EQ(ReadFileBytes(File()), std::string("\0\0\0\0;\0\0\0\0;\0\0\0\0;", 15));
    EXPECT_TRUE(Calendar().AlarmOids.empty() && Calendar().HolidayOids.empty() &&
                Calendar().AnniversaryOids.empty());
    EXPECT_TRUE(host.messages.empty());
}

// Lists of 2, 0 and 1 identifiers: count, identifiers and ';' for each, 13 + 5 + 9 bytes.
TEST_F(CategoryStoreTest, SaveWritesSectionsInOrder) {
    ASSERT_TRUE(LoadCategoryStore());
    Calendar().AlarmOids = {0x04030201, 0xFFFFFFFF};
    Calendar().HolidayOids.clear();
    Calendar().AnniversaryOids = {7};
    ASSERT_TRUE(SaveCategoryStore());
    const std::string expected(
        "\x02\0\0\0\x01\x02\x03\x04\xFF\xFF\xFF\xFF;"
        "\0\0\0\0;"
        "\x01\0\0\0\x07\0\0\0;",
        27);
    EXPECT_EQ(ReadFileBytes(File()), expected);
    EXPECT_EQ(EntriesInFolder(), 1u) << "no temporary file may stay behind";
}

// What a load leaves in the lists. Every list starts out holding 99 so that a section the
// reader never reached can be told from one it emptied.
struct LoadCase {
    const char* name;
    std::string bytes;
    bool ok;
    OidList alarms, holidays, anniversaries;
};

// Test names already say which case failed; the whole row is noise in the log.
void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

class CategoryLoadTest : public CategoryStoreTest, public testing::WithParamInterface<LoadCase> {};

TEST_P(CategoryLoadTest, ListsAndMessages) {
    const LoadCase& c = GetParam();
    WriteFileBytes(File(), c.bytes);
    Calendar().AlarmOids = Calendar().HolidayOids = Calendar().AnniversaryOids = {99};

    EXPECT_EQ(LoadCategoryStore(), c.ok);
    EXPECT_EQ(Calendar().AlarmOids, c.alarms);
    EXPECT_EQ(Calendar().HolidayOids, c.holidays);
    EXPECT_EQ(Calendar().AnniversaryOids, c.anniversaries);
    EXPECT_EQ(Texts(host),
              c.ok ? std::vector<std::string>{} : std::vector<std::string>{kCorrupted});
    // Reading never changes the file, damaged or not.
    EXPECT_EQ(ReadFileBytes(File()), c.bytes);
    EXPECT_EQ(fs::exists(DamagedCopy()), !c.ok);
}

const std::string kGood = FileOf({1, 2}, {3}, {4, 5, 6});

INSTANTIATE_TEST_SUITE_P(
    Files, CategoryLoadTest,
    testing::Values(
        // Whole files.
        LoadCase{"three_sections", kGood, true, {1, 2}, {3}, {4, 5, 6}},
        LoadCase{"trailing_bytes_ignored", kGood + "junk", true, {1, 2}, {3}, {4, 5, 6}},
        LoadCase{"little_endian",
                 FileOf({0x04030201}, {}, {}).replace(4, 4, "\x01\x02\x03\x04"),
                 true,
                 {0x04030201},
                 {},
                 {}},
        // Cut short.
        LoadCase{"empty_file", "", false, {}, {99}, {99}},
        LoadCase{"count_cut_short", std::string("\x01\0", 2), false, {}, {99}, {99}},
        LoadCase{"cut_inside_holiday_identifier",
                 Section({1, 2}) + U32(3) + U32(10) + std::string("\x0B\0", 2),
                 false,
                 {1, 2},
                 {10},
                 {99}},
        LoadCase{"third_section_missing", Section({1}) + Section({2}), false, {1}, {2}, {}},
        LoadCase{"final_separator_missing",
                 kGood.substr(0, kGood.size() - 1),
                 false,
                 {1, 2},
                 {3},
                 {4, 5, 6}},
        // Counts the file cannot back up read only what is there.
        LoadCase{
            "huge_count", Section({}) + U32(0xFFFFFFFF) + U32(8) + U32(9), false, {}, {8, 9}, {99}},
        // Bad separators.
        LoadCase{"holiday_separator_not_semicolon",
                 Section({1}) + U32(1) + U32(2) + ":",
                 false,
                 {1},
                 {2},
                 {99}},
        LoadCase{"alarm_separator_zero", U32(0) + std::string(1, '\0'), false, {}, {99}, {99}}),
    [](const testing::TestParamInfo<LoadCase>& param) { return std::string(param.param.name); });

TEST_F(CategoryStoreTest, NextSaveDropsTrailingBytesAndKeepsDamagedCopyIntact) {
    const std::string damaged = Section({1, 2}) + U32(3) + U32(10);  // holidays cut short
    WriteFileBytes(File(), damaged);
    EXPECT_FALSE(LoadCategoryStore());
    ASSERT_EQ(ReadFileBytes(DamagedCopy()), damaged);

    ASSERT_TRUE(SaveCategoryStore());
    EXPECT_EQ(ReadFileBytes(File()), FileOf({1, 2}, {10}, {}));
    EXPECT_EQ(ReadFileBytes(DamagedCopy()), damaged);

    WriteFileBytes(File(), kGood + "junk");
    EXPECT_TRUE(LoadCategoryStore());
    ASSERT_TRUE(SaveCategoryStore());
    EXPECT_EQ(ReadFileBytes(File()), kGood);
}

// Removing an entry in memory (as the lists do when an appointment has gone) reaches the file
// only with the next save, and then takes nothing else with it.
TEST_F(CategoryStoreTest, RemovalReachesTheFileAtTheNextSave) {
    WriteFileBytes(File(), FileOf({1, 2, 3}, {4}, {}));
    ASSERT_TRUE(LoadCategoryStore());
    RemoveAt(Calendar().AlarmOids, 1);
    EXPECT_EQ(ReadFileBytes(File()), FileOf({1, 2, 3}, {4}, {}));
    ASSERT_TRUE(SaveCategoryStore());
    EXPECT_EQ(ReadFileBytes(File()), FileOf({1, 3}, {4}, {}));
}

TEST_F(CategoryStoreTest, FolderThatCannotBeMadeFallsBackToMyDocuments) {
    WriteFileBytes(root.path() / "My Documents" / "MoruCalendar", "a file in the folder's place");
    EXPECT_TRUE(LoadCategoryStore());
    EXPECT_EQ(Calendar().dataFolder, u"\\My Documents\\");
    EXPECT_EQ(ReadFileBytes(root.path() / "My Documents" / "MoruCalendar.dat").size(), 15u);
    EXPECT_TRUE(host.messages.empty());
}

// A save that cannot be completed must leave the previous file exactly as it was. The file
// size limit makes the write itself fail, even for a user the folder permissions do not stop.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(CategoryStoreTest, FailedWriteLeavesOldFileAndShowsMessage) {
    const std::string old = FileOf({1}, {2}, {3});
    WriteFileBytes(File(), old);
    ASSERT_TRUE(LoadCategoryStore());
    Calendar().AlarmOids = {1, 2, 3, 4, 5, 6, 7, 8};
    {
        FileSizeLimit limit(20);
        EXPECT_FALSE(SaveCategoryStore());
    }
    EXPECT_EQ(ReadFileBytes(File()), old);
    EXPECT_EQ(Texts(host), std::vector<std::string>{kCannotOpen});
    EXPECT_EQ(Calendar().AlarmOids, (OidList{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(EntriesInFolder(), 1u) << "the unfinished file must be removed";
}

// A file that is there but cannot be opened (here: no descriptor left) is not a missing
// file: starting afresh must not cost the user the classification it holds.
TEST_F(CategoryStoreTest, FileThatCannotBeOpenedIsMovedAsideNotOverwritten) {
#ifdef MORU_SANITIZED
    GTEST_SKIP() << "with no descriptor left, the sanitizer's type check cannot open the pipe "
                    "it probes memory through and reports a false invalid vptr in std::ifstream";
#endif
    const std::string old = FileOf({1, 2}, {3}, {4});
    WriteFileBytes(File(), old);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    // Every descriptor below the lowest free one is in use: a limit there leaves none to open.
    const int lowestFree = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    const bool loaded = LoadCategoryStore();
    ::setrlimit(RLIMIT_NOFILE, &saved);

    EXPECT_FALSE(loaded);
    EXPECT_TRUE(Calendar().AlarmOids.empty());
    EXPECT_EQ(ReadFileBytes(Folder() / "MoruCalendar.dat.unreadable"), old);
    // The close of a screen saves what is in memory; the classification survives beside it.
    EXPECT_TRUE(SaveCategoryStore());
    EXPECT_EQ(ReadFileBytes(File()), FileOf({}, {}, {}));
    EXPECT_EQ(ReadFileBytes(Folder() / "MoruCalendar.dat.unreadable"), old);
}

// Thousands of generated files, valid ones mutated and plain noise: the reader must never
// crash or invent identifiers, must complain exactly when the layout breaks, and whatever
// it accepts must save back as the very bytes it read.
TEST_F(CategoryStoreTest, GeneratedFilesNeverOverreach) {
    ASSERT_TRUE(LoadCategoryStore());
    std::mt19937 random(20240312);
    auto below = [&](uint32_t n) {
        return std::uniform_int_distribution<uint32_t>(0, n - 1)(random);
    };
    auto randomList = [&] {
        OidList list(below(6));
        for (auto& oid : list) {
            oid = static_cast<uint32_t>(random());
        }
        return list;
    };

    constexpr int kFiles = 2000;
    int accepted = 0;
    for (int i = 0; i < kFiles; ++i) {
        std::string bytes = FileOf(randomList(), randomList(), randomList());
        switch (below(6)) {
            case 0:  // valid as it stands
                break;
            case 1:  // cut anywhere
                bytes.resize(below(static_cast<uint32_t>(bytes.size()) + 1));
                break;
            case 2:  // a few bytes changed
                for (uint32_t n = below(4) + 1; n > 0; --n) {
                    bytes[below(static_cast<uint32_t>(bytes.size()))] = static_cast<char>(random());
                }
                break;
            case 3:  // junk appended
                bytes.append(below(16), static_cast<char>(random()));
                break;
            case 4:  // a count changed to something small
                bytes[0] = static_cast<char>(below(8));
                break;
            default:  // noise
                bytes.resize(below(64));
                for (char& byte : bytes) {
                    byte = static_cast<char>(random());
                }
                break;
        }
        // A fresh file each time: rewriting a truncated one makes the file system flush it.
        fs::remove(File());
        WriteFileBytes(File(), bytes);
        fs::remove(DamagedCopy());
        Calendar().AlarmOids.clear();
        Calendar().HolidayOids.clear();
        Calendar().AnniversaryOids.clear();
        host.messages.clear();

        const bool ok = LoadCategoryStore();
        SCOPED_TRACE("file " + std::to_string(i) + " of " + std::to_string(bytes.size()) +
                     " bytes");
        const size_t loaded = Calendar().AlarmOids.size() + Calendar().HolidayOids.size() +
                              Calendar().AnniversaryOids.size();
        ASSERT_LE(loaded * 4, bytes.size());
        ASSERT_EQ(host.messages.size(), ok ? 0u : 1u);
        if (ok) {
            ++accepted;
            const std::string saved =
                FileOf(Calendar().AlarmOids, Calendar().HolidayOids, Calendar().AnniversaryOids);
            ASSERT_EQ(bytes.compare(0, saved.size(), saved), 0);
        } else {
            ASSERT_EQ(ReadFileBytes(DamagedCopy()), bytes);
        }
    }
    // The generator must exercise both outcomes to mean anything.
    EXPECT_GT(accepted, kFiles / 10);
    EXPECT_LT(accepted, kFiles * 9 / 10);
}

}  // namespace
}  // namespace moru

// This folder's test programs are built without a ready-made main; this one needs no
// QApplication.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
