// The category file shared by the calendar and moru-device: the three-way merge, the locked
// update, and the calendar's save and refresh taking in a change made by another program.
#include "store/category_sharing.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/scripted_ui_host.h"
#include "store/calendar_state.h"
#include "store/category_store.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

// ---- The merge: base is what the calendar last read or wrote, mine its lists now, disk the
// file as another program left it.
struct MergeCase {
    const char* name;
    OidList base, mine, disk, expected;
};

void PrintTo(const MergeCase& c, std::ostream* os) {
    *os << c.name;
}

class MergeTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeTest, KeepsBothProgramsChanges) {
    const MergeCase& c = GetParam();
    // The same rule holds on each list on its own; try the case on every one.
    for (int list = 0; list < 3; ++list) {
        CategoryLists base, mine, disk;
        OidList* slots[3][3] = {{&base.alarms, &mine.alarms, &disk.alarms},
                                {&base.holidays, &mine.holidays, &disk.holidays},
                                {&base.anniversaries, &mine.anniversaries, &disk.anniversaries}};
        *slots[list][0] = c.base;
        *slots[list][1] = c.mine;
        *slots[list][2] = c.disk;
        const CategoryLists merged = MergeCategoryLists(base, mine, disk);
        const OidList* results[3] = {&merged.alarms, &merged.holidays, &merged.anniversaries};
        EXPECT_EQ(*results[list], c.expected) << "list " << list;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeTest,
    ::testing::Values(
        MergeCase{"nobody changed anything", {1, 2}, {1, 2}, {1, 2}, {1, 2}},
        MergeCase{"only the calendar added", {1}, {1, 5}, {1}, {1, 5}},
        MergeCase{"only the other program added", {1}, {1}, {1, 7, 8}, {1, 7, 8}},
        MergeCase{"both added", {1}, {1, 5}, {1, 7}, {1, 7, 5}},
        MergeCase{"both added the same", {1}, {1, 5}, {1, 5}, {1, 5}},
        MergeCase{"the calendar removed, the other added", {1, 2}, {2}, {1, 2, 9}, {2, 9}},
        MergeCase{"the other removed, the calendar added", {1, 2}, {1, 2, 3}, {2}, {2, 3}},
        MergeCase{"both removed the same", {1, 2}, {2}, {2}, {2}},
        MergeCase{"the other program's order is kept", {3, 1, 2}, {3, 1, 2}, {2, 3, 1}, {2, 3, 1}},
        MergeCase{"an empty file and a first start", {}, {4}, {}, {4}}),
    [](const ::testing::TestParamInfo<MergeCase>& row) {
        return "Case" + std::to_string(row.index);
    });

TEST(CategoryCodec, EncodesAndDecodesAndRefusesDamage) {
    const CategoryLists lists{{0x04030201, 0xFFFFFFFF}, {}, {7}};
    const std::vector<uint8_t> bytes = EncodeCategoryLists(lists);
    EXPECT_EQ(bytes.size(), 27u);
    EXPECT_EQ(DecodeCategoryLists(bytes), lists);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        EXPECT_FALSE(DecodeCategoryLists({bytes.begin(), bytes.begin() + cut}).has_value())
            << "cut at " << cut;
    }
    std::vector<uint8_t> badSeparator = bytes;
    badSeparator[12] = ',';
    EXPECT_FALSE(DecodeCategoryLists(badSeparator).has_value());
    // A count far larger than the file never makes a list larger than the file.
    EXPECT_FALSE(DecodeCategoryLists({0xFF, 0xFF, 0xFF, 0x7F, ';'}).has_value());
}

// ---- The two programs on one file.
class SharingTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = &CurrentUiHost();
        SetUiHost(&host_);
        ASSERT_TRUE(LoadCategoryStore());
    }
    void TearDown() override { SetUiHost(previous_); }

    // What moru-device does: a locked read-modify-write of the file.
    void OtherProgramAddsHoliday(uint32_t oid) {
        Status s = UpdateCategoryFile(CategoryFile(),
                                      [&](CategoryLists& lists) { lists.holidays.push_back(oid); });
        ASSERT_TRUE(s.ok()) << s.error().message;
    }

    CategoryLists OnDisk() const {
        const CategoryDisk disk = ReadCategoryDisk(CategoryFile());
        EXPECT_EQ(disk.state, CategoryDisk::State::Read);
        return disk.lists;
    }

    test::TempDeviceRoot root_;
    ScopedCalendarState state_;  // lists and their base start empty for each test
    ScriptedUiHost host_;
    UiHost* previous_ = nullptr;
};

TEST_F(SharingTest, ASaveDoesNotOverwriteAnotherProgramsChange) {
    Calendar().AlarmOids.push_back(10);  // the calendar's own, not saved yet
    OtherProgramAddsHoliday(20);
    ASSERT_TRUE(SaveCategoryStore());
    EXPECT_EQ(OnDisk(), (CategoryLists{{10}, {20}, {}}));
    EXPECT_EQ(Calendar().HolidayOids, OidList{20})
        << "the calendar now shows the other program's holiday";

    // The next save, with nothing changed elsewhere, writes the calendar's lists as they are.
    Calendar().AlarmOids.clear();
    ASSERT_TRUE(SaveCategoryStore());
    EXPECT_EQ(OnDisk(), (CategoryLists{{}, {20}, {}}));
}

TEST_F(SharingTest, ARefreshTakesInTheFileAndKeepsUnsavedChanges) {
    Calendar().AnniversaryOids.push_back(30);
    EXPECT_FALSE(RefreshCategoryStore()) << "nothing changed on disk yet";
    OtherProgramAddsHoliday(20);
    EXPECT_TRUE(RefreshCategoryStore());
    EXPECT_EQ(Calendar().HolidayOids, OidList{20});
    EXPECT_EQ(Calendar().AnniversaryOids, OidList{30});
    EXPECT_EQ(OnDisk(), (CategoryLists{{}, {20}, {}})) << "a refresh only reads";
    // What was taken in is the new base: removing it in the calendar sticks at the save.
    Calendar().HolidayOids.clear();
    ASSERT_TRUE(SaveCategoryStore());
    EXPECT_EQ(OnDisk(), (CategoryLists{{}, {}, {30}}));
}

TEST_F(SharingTest, AnUpdateRefusesADamagedFileAndLeavesIt) {
    test::WriteFileBytes(CategoryFile(), std::string("\x05\0\0\0;", 5));
    const Status s =
        UpdateCategoryFile(CategoryFile(), [](CategoryLists& lists) { lists.alarms = {1}; });
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(test::ReadFileBytes(CategoryFile()), std::string("\x05\0\0\0;", 5));
}

}  // namespace
}  // namespace moru
