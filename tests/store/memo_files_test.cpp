// Memo file naming and lookup in the data folder of a temporary device root, and the shared
// buffer through which note data passes.
#include "store/memo_files.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "platform/device_root.h"
#include "platform/text.h"
#include "store/category_store.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

namespace fs = std::filesystem;

SystemTime Time(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return MakeSystemTime(y, mo, d, h, mi, s);
}

class MemoFilesTest : public testing::Test {
protected:
    MemoFilesTest() : savedFolder_(Calendar().dataFolder) {
        Calendar().dataFolder = u"\\My Documents\\MoruCalendar";
        fs::create_directories(Folder());
    }
    ~MemoFilesTest() override { Calendar().dataFolder = savedFolder_; }

    fs::path Folder() const { return TranslateDevicePath(Calendar().dataFolder); }
    void Touch(const std::string& name) { test::WriteFileBytes(Folder() / name, "ink"); }
    // Makes a memo the way the day item menu does: a new name, then a file under it.
    std::string MakeMemo(const SystemTime& date, const SystemTime& time) {
        const std::u16string path = MemoFileName(date, time);
        test::WriteFileBytes(TranslateDevicePath(path), "ink");
        return fs::path(ToUtf8(path.substr(path.rfind(u'\\') + 1))).string();
    }

    test::TempDeviceRoot root_;
    std::u16string savedFolder_;
};

TEST_F(MemoFilesTest, NameIsTheDayAndSecondOfCreationInTheDataFolder) {
    EXPECT_EQ(MemoFileName(Time(2004, 12, 31), Time(2004, 12, 31, 23, 59, 59)),
              u"\\My Documents\\MoruCalendar\\20041231_235959.pwi");
    // The day is the memo's day, the time the clock's: they need not be the same date.
    EXPECT_EQ(MemoFileName(Time(2004, 1, 5), Time(2010, 6, 7, 9, 30, 12)),
              u"\\My Documents\\MoruCalendar\\20040105_093012.pwi");
}

TEST_F(MemoFilesTest, SameSecondTwiceGetsASecondNameOfTheSameDay) {
    const std::string first = MakeMemo(Time(2004, 1, 5), Time(2004, 1, 5, 9, 30, 12));
    const std::string second = MakeMemo(Time(2004, 1, 5), Time(2004, 1, 5, 9, 30, 12));
    const std::string third = MakeMemo(Time(2004, 1, 5), Time(2004, 1, 5, 9, 30, 12));
    EXPECT_EQ(first, "20040105_093012.pwi");
    EXPECT_EQ(second, "20040105_093012_2.pwi");
    EXPECT_EQ(third, "20040105_093012_3.pwi");
    EXPECT_LT(first, second);
    // All three are the day's memos, and none was overwritten.
    std::vector<std::u16string> found = FindDayMemos(2004, 1, 5);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::u16string>{u"20040105_093012.pwi", u"20040105_093012_2.pwi",
                                                  u"20040105_093012_3.pwi"}));
}

TEST_F(MemoFilesTest, TwoMemosOfADayAreListedForThatDayOnly) {
    MakeMemo(Time(2004, 1, 5), Time(2004, 1, 5, 9, 30, 12));
    MakeMemo(Time(2004, 1, 5), Time(2004, 1, 5, 9, 30, 13));
    std::vector<std::u16string> found = FindDayMemos(2004, 1, 5);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::u16string>{u"20040105_093012.pwi", u"20040105_093013.pwi"}));
    EXPECT_TRUE(FindDayMemos(2004, 1, 4).empty());
    EXPECT_TRUE(FindDayMemos(2004, 1, 6).empty());
    EXPECT_TRUE(HasMemo(2004, 1, 5));
    EXPECT_FALSE(HasMemo(2004, 1, 4));
    EXPECT_FALSE(HasMemo(2004, 1, 6));
}

TEST_F(MemoFilesTest, OnlyPwiFilesAreMemos) {
    Touch("20040105_093012.txt");
    Touch("20040105_093012.pwi.bak");
    fs::create_directories(Folder() / "20040105_folder.pwi");
    EXPECT_FALSE(HasMemo(2004, 1, 5));
    EXPECT_TRUE(FindDayMemos(2004, 1, 5).empty());
    EXPECT_FALSE(MemoListing::Read().HasMemo(2004, 1, 5));
    // The pattern is "<day>*.pwi": anything may stand between, in any case of the extension.
    Touch("20040105.PWI");
    EXPECT_TRUE(HasMemo(2004, 1, 5));
    EXPECT_EQ(FindDayMemos(2004, 1, 5), (std::vector<std::u16string>{u"20040105.PWI"}));
}

TEST_F(MemoFilesTest, NoDataFolderMeansNoMemos) {
    fs::remove_all(Folder());
    EXPECT_FALSE(HasMemo(2004, 1, 5));
    EXPECT_TRUE(FindDayMemos(2004, 1, 5).empty());
    EXPECT_EQ(MemoListing::Read().size(), 0u);
}

TEST_F(MemoFilesTest, FallbackFolderWithTrailingSeparator) {
    Calendar().dataFolder = u"\\My Documents\\";
    fs::create_directories(Folder());
    const std::u16string path = MemoFileName(Time(2004, 1, 5), Time(2004, 1, 5, 9, 30, 12));
    test::WriteFileBytes(TranslateDevicePath(path), "ink");
    EXPECT_TRUE(fs::exists(root_.path() / "My Documents" / "20040105_093012.pwi"));
    EXPECT_TRUE(HasMemo(2004, 1, 5));
}

// A folder that cannot be looked into (here a link that points at itself) answers neither
// "free" nor "taken"; the first name comes back and the write that follows reports the fault.
TEST_F(MemoFilesTest, NameInAFolderThatCannotBeExaminedIsTheFirstOne) {
    fs::create_symlink("Loop", root_.path() / "Loop");
    Calendar().dataFolder = u"\\Loop\\MoruCalendar";
    EXPECT_EQ(MemoFileName(Time(2004, 1, 5), Time(2004, 1, 5, 9, 30, 12)),
              u"\\Loop\\MoruCalendar\\20040105_093012.pwi");
    EXPECT_FALSE(HasMemo(2004, 1, 5));
}

TEST_F(MemoFilesTest, ListingAnswersAsHasMemoDoes) {
    Touch("20040105_093012.pwi");
    Touch("20040115_000000.pwi");
    Touch("2004010.pwi");  // a shorter name is no day's memo
    Touch("20041231_235959.txt");
    Touch("20041231_x.pwi");
    const MemoListing listing = MemoListing::Read();
    for (int day = 1; day <= 31; ++day) {
        EXPECT_EQ(listing.HasMemo(2004, 1, day), HasMemo(2004, 1, day)) << "January " << day;
        EXPECT_EQ(listing.HasMemo(2004, 12, day), HasMemo(2004, 12, day)) << "December " << day;
    }
    EXPECT_TRUE(listing.HasMemo(2004, 12, 31));
    EXPECT_FALSE(listing.HasMemo(2004, 1, 1));
}

// Writing replaces the whole file through a temporary one in the same folder: afterwards the
// file holds exactly the new bytes and nothing else is left in the folder.
TEST_F(MemoFilesTest, WritingReplacesTheMemoWholeAndLeavesNoTemporaryFile) {
    const std::u16string path = MemoPath(u"20040105_093012.pwi");
    const std::vector<uint8_t> first{1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<uint8_t> second{9, 9};
    ASSERT_TRUE(WriteMemoFile(path, first).ok());
    ASSERT_TRUE(WriteMemoFile(path, second).ok());
    EXPECT_EQ(test::ReadFileBytes(TranslateDevicePath(path)), std::string("\x09\x09"));
    EXPECT_EQ(*ReadMemoFile(path), second);
    ASSERT_TRUE(WriteMemoFile(path, {}).ok());  // an empty note truncates
    EXPECT_EQ(fs::file_size(TranslateDevicePath(path)), 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1);
    EXPECT_EQ(FindDayMemos(2004, 1, 5).size(), 1u);
}

TEST_F(MemoFilesTest, AFailedWriteKeepsTheOldMemoAndSaysWhy) {
    const std::u16string path = MemoPath(u"20040105_093012.pwi");
    ASSERT_TRUE(WriteMemoFile(path, std::vector<uint8_t>{1, 2, 3}).ok());
    Status written;
    if (::geteuid() == 0) {
        // Root writes into read-only folders; a file size limit stops even root's write.
        struct rlimit saved {};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const struct rlimit tiny { 1, saved.rlim_max };
        void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
        written = WriteMemoFile(path, std::vector<uint8_t>{7, 7, 7, 7});
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    } else {
        fs::permissions(Folder(), fs::perms::owner_read | fs::perms::owner_exec);
        written = WriteMemoFile(path, std::vector<uint8_t>{7});
        fs::permissions(Folder(), fs::perms::owner_all);
    }
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder()), fs::directory_iterator()), 1)
        << "the failed write's temporary is left behind";
    EXPECT_NE(written.error().message.find("20040105_093012.pwi"), std::string::npos);
    EXPECT_EQ(*ReadMemoFile(path), (std::vector<uint8_t>{1, 2, 3}));
}

// A memo folder may come from an archive with a link where a memo is: the write puts a private
// file in the link's place and never writes through it.
TEST_F(MemoFilesTest, WritingOverAPlantedLinkReplacesTheLinkAndKeepsTheMemoPrivate) {
    const fs::path victim = root_.path().parent_path() / (root_.path().filename().string() + "-v");
    test::WriteFileBytes(victim, "precious");
    fs::create_symlink(victim, Folder() / "20040105_093012.pwi");
    const std::u16string path = MemoPath(u"20040105_093012.pwi");
    ASSERT_TRUE(WriteMemoFile(path, std::vector<uint8_t>{1, 2}).ok());
    EXPECT_EQ(test::ReadFileBytes(victim), "precious");
    fs::remove(victim);
    struct stat info {};
    ASSERT_EQ(::lstat(TranslateDevicePath(path).c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Temporaries a crash left (this version's and earlier versions' names) go; one a living
// writer holds, and every memo, stays.
TEST_F(MemoFilesTest, StaleTemporariesOfMemoWritesAreRemoved) {
    Touch("20040105_093012.pwi");
    Touch("20040105_093012.pwi.tmp-a1B2c3");
    Touch(".20040106_101010.pwi.Zx9Yw8");
    Touch("20040107_000000.pwi.tmp-LIVE01");
    Touch("notes.txt");
    const int live = ::open((Folder() / "20040107_000000.pwi.tmp-LIVE01").c_str(), O_RDONLY);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    EXPECT_EQ(RemoveStaleMemoTemporaries(), 2);
    ::close(live);
    std::vector<std::string> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(Folder())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"20040105_093012.pwi",
                                              "20040107_000000.pwi.tmp-LIVE01", "notes.txt"}));
}

TEST_F(MemoFilesTest, ReadingAndDeletingReportWhatWentWrong) {
    const Result<std::vector<uint8_t>> missing = ReadMemoFile(MemoPath(u"nothing.pwi"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ENOENT);
    EXPECT_TRUE(DeleteMemoFile(MemoPath(u"nothing.pwi")).ok());  // already gone
    Touch("20040105_093012.pwi");
    EXPECT_TRUE(ReadMemoFile(MemoPath(u"20040105_093012.pwi")).ok());
    EXPECT_TRUE(DeleteMemoFile(MemoPath(u"20040105_093012.pwi")).ok());
    EXPECT_FALSE(HasMemo(2004, 1, 5));
}

TEST(MemoBufferTest, AllocatesZeroedBlocksAndEmptyingFreesThem) {
    MemoBuffer buffer;
    uint8_t* block = buffer.Allocate(16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(buffer.count(), 16u);
    EXPECT_TRUE(std::all_of(block, block + 16, [](uint8_t b) { return b == 0; }));
    block[0] = 7;
    buffer.SetCount(4);  // what the control really wrote
    EXPECT_EQ(buffer.bytes().size(), 4u);
    buffer.SetCount(100);  // never past the block
    EXPECT_EQ(buffer.count(), 16u);
    buffer.Empty();
    EXPECT_EQ(buffer.count(), 0u);
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(buffer.Allocate(0), nullptr);
    const uint8_t note[] = {1, 2, 3};
    SharedMemoBuffer.Assign(note);
    EXPECT_EQ(
        std::vector<uint8_t>(SharedMemoBuffer.bytes().begin(), SharedMemoBuffer.bytes().end()),
        (std::vector<uint8_t>{1, 2, 3}));
    SharedMemoBuffer.Empty();
}

}  // namespace
}  // namespace moru
