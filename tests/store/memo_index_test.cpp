// The memo index against the real data folder: after every kind of change made behind its
// back (new files, removals, renames in and out, directories and other files), it answers
// exactly as a fresh search of the folder does.
#include "store/memo_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/device_root.h"
#include "store/calendar_state.h"
#include "store/memo_files.h"
#include "store/restriction_text.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

namespace fs = std::filesystem;

class MemoIndexTest : public testing::Test {
protected:
    MemoIndexTest() { fs::create_directories(Folder()); }
    fs::path Folder() const { return TranslateDevicePath(Calendar().dataFolder); }
    void Touch(const std::string& name) { std::ofstream(Folder() / name) << "x"; }

    // The index agrees with the folder on every day of January 2004.
    void ExpectAgrees(MemoIndex& index, const char* when) {
        index.Update();
        for (int day = 1; day <= 31; ++day) {
            EXPECT_EQ(index.HasMemo(2004, 1, day), HasMemo(2004, 1, day))
                << when << ", 2004-01-" << day;
        }
    }

    ScopedCalendarState state_;
    test::TempDeviceRoot root_;
};

TEST_F(MemoIndexTest, FollowsChangesMadeBehindItsBack) {
    Touch("20040105_093012.pwi");
    MemoIndex index;
    ExpectAgrees(index, "at the first read");
    EXPECT_TRUE(index.HasMemo(2004, 1, 5));

    Touch("20040106_080000.PWI");
    Touch("20040107_080000.txt");
    fs::create_directory(Folder() / "20040108_080000.pwi");
    ExpectAgrees(index, "after new files");
    EXPECT_TRUE(index.HasMemo(2004, 1, 6)) << "the extension in any case";
    EXPECT_FALSE(index.HasMemo(2004, 1, 7));
    EXPECT_FALSE(index.HasMemo(2004, 1, 8)) << "a directory is no memo";

    fs::remove(Folder() / "20040105_093012.pwi");
    ExpectAgrees(index, "after a removal");
    EXPECT_FALSE(index.HasMemo(2004, 1, 5));

    const fs::path outside = root_.path() / "elsewhere.pwi";
    std::ofstream(outside) << "x";
    fs::rename(outside, Folder() / "20040109_120000.pwi");
    fs::rename(Folder() / "20040106_080000.PWI", root_.path() / "gone.pwi");
    ExpectAgrees(index, "after renames in and out");
    EXPECT_TRUE(index.HasMemo(2004, 1, 9));
    EXPECT_FALSE(index.HasMemo(2004, 1, 6));
}

TEST_F(MemoIndexTest, ReadsAfreshWhenTheFolderIsReplaced) {
    Touch("20040110_000000.pwi");
    MemoIndex index;
    ExpectAgrees(index, "at the first read");
    fs::remove_all(Folder());
    fs::create_directories(Folder());
    Touch("20040111_000000.pwi");
    ExpectAgrees(index, "after the folder was made anew");
    EXPECT_TRUE(index.HasMemo(2004, 1, 11));
    EXPECT_FALSE(index.HasMemo(2004, 1, 10));
}

TEST_F(MemoIndexTest, ManyChangesAtOnceLoseNothing) {
    MemoIndex index;
    index.Update();
    for (int i = 0; i < 3000; ++i) {
        Touch("200401" + std::string(i % 2 ? "12" : "13") + "_" + std::to_string(100000 + i) +
              ".pwi");
    }
    for (int i = 0; i < 3000; i += 2) {
        fs::remove(Folder() / ("20040113_" + std::to_string(100000 + i) + ".pwi"));
    }
    ExpectAgrees(index, "after thousands of changes");
    EXPECT_EQ(index.size(), 1500u);
}

// ---- Restriction texts ----

TEST(RestrictionTextTest, JoinsBoundsInTheStoresShortDate) {
    const SystemTime first = MakeSystemTime(2015, 1, 25);
    const SystemTime last = MakeSystemTime(2015, 3, 8);
    EXPECT_EQ(RestrictionText().StartOnOrBefore(last).EndOnOrAfter(first).Text(),
              u"[Start] <= 3/8/2015 and [End] >= 1/25/2015");
    EXPECT_EQ(RestrictionText().StartOnOrAfter(first).Text(RestrictionText::Ending::LineFeed),
              u"[Start] >= 1/25/2015\n");
    EXPECT_EQ(RestrictionText().Text(), u"");
}

}  // namespace
}  // namespace moru
