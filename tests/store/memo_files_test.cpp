// Memo file naming and lookup in the data folder of a temporary device root, and the shared
// buffer through which note data passes.
#include "store/memo_files.h"

#include <gtest/gtest.h>

#include <algorithm>
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
