// The category lists against the real store in a temporary device root: the sort orders, the
// pruning of identifiers whose appointments are gone, adding, replacing and deleting (and
// what reaches "MoruCalendar.dat"), the keys, the rows as drawn, and the item popup menu.
#include "screens/category_list.h"

#include <QTest>

#include "app/fonts.h"
#include "resources/menus.h"
#include "screens/hosted_screen.h"
#include "screens/list_drawing.h"
#include "tests/screens/schedule_fixture.h"

namespace moru {
namespace {

using test::At;
using test::Px;

const QColor kSelectedFill{0, 96, 191};
const QColor kEmptyGrey{204, 204, 204};

class CategoryListTest : public test::StoreFixture {
protected:
    CategoryList& Make(ItemKind kind) {
        list_ = std::make_unique<CategoryList>(kind, nullptr);
        list_->FillList();
        return *list_;
    }
    std::vector<std::u16string> Subjects() const {
        std::vector<std::u16string> subjects;
        for (const AppointmentRecord& item : list_->items()) {
            subjects.push_back(item.subject);
        }
        return subjects;
    }
    const QImage& Painted() {
        list_->PaintNow();
        return list_->backBuffer();
    }
    void Tap(int x, int y) { QTest::mouseClick(list_.get(), Qt::LeftButton, {}, QPoint(x, y)); }

    std::unique_ptr<CategoryList> list_;
};

// ---- sort orders ----

TEST_F(CategoryListTest, AlarmsSortByTimeOfDayKeepingTheOrderOfEqualTimes) {
    OidList& alarms = Calendar().AlarmOids;
    Add(u"nine", At(2015, 1, 1, 9, 0), At(2015, 1, 1, 9, 0), &alarms);
    Add(u"half seven a", At(2015, 3, 5, 7, 30), At(2015, 3, 5, 7, 30), &alarms);
    Add(u"half seven b", At(2014, 2, 5, 7, 30), At(2014, 2, 5, 7, 30), &alarms);
    Add(u"late", At(2013, 6, 1, 23, 59), At(2013, 6, 1, 23, 59), &alarms);
    Add(u"midnight", At(2016, 6, 1, 0, 0), At(2016, 6, 1, 0, 0), &alarms);
    Make(Alarm);
    EXPECT_EQ(Subjects(), (std::vector<std::u16string>{u"midnight", u"half seven a",
                                                       u"half seven b", u"nine", u"late"}));
    EXPECT_EQ(list_->LayoutFor().rows.size(), 4u) << "four rows until the owner scrolls";
}

TEST_F(CategoryListTest, HolidaysSortByTheWholeDateAndTime) {
    OidList& holidays = Calendar().HolidayOids;
    Add(u"christmas", At(2004, 12, 25, 0, 0), At(2004, 12, 26), &holidays);
    Add(u"new year", At(2004, 1, 1, 23, 0), At(2004, 1, 2), &holidays);
    Make(Holiday);
    EXPECT_EQ(Subjects(), (std::vector<std::u16string>{u"new year", u"christmas"}));
}

// ---- pruning and unreadable stores ----

TEST_F(CategoryListTest, FillDropsIdentifiersWhoseAppointmentsAreGoneAndSavesTheFile) {
    OidList& anniversaries = Calendar().AnniversaryOids;
    const uint32_t kept = Add(u"kept", At(2015, 1, 1), At(2015, 1, 2), &anniversaries);
    const uint32_t gone = Add(u"gone", At(2015, 2, 1), At(2015, 2, 2), &anniversaries);
    ASSERT_TRUE(SaveCategoryStore());
    ASSERT_TRUE(DeleteAppointment(gone));  // as another program would
    Make(Anniversary);
    EXPECT_EQ(anniversaries, OidList{kept});
    EXPECT_EQ(FileLists()[2], std::vector<uint32_t>{kept});
    EXPECT_EQ(Subjects(), std::vector<std::u16string>{u"kept"});
}

TEST_F(CategoryListTest, AStoreThatCannotBeReadKeepsEveryIdentifier) {
    OidList& alarms = Calendar().AlarmOids;
    Add(u"a", At(2015, 1, 1, 8), At(2015, 1, 1, 8), &alarms);
    const OidList before = alarms;
    poom::SetFault(poom::FaultPoint::GetItemFromOid, true);
    Make(Alarm);
    EXPECT_EQ(alarms, before);
    EXPECT_TRUE(list_->items().empty());
}

// ---- adding, replacing, deleting ----

TEST_F(CategoryListTest, AddAppendsTheIdentifierSortsTheRowAndSavesAtOnce) {
    OidList& alarms = Calendar().AlarmOids;
    Add(u"noon", At(2015, 1, 1, 12), At(2015, 1, 1, 12), &alarms);
    Make(Alarm);
    const uint32_t added = Add(u"dawn", At(2015, 5, 1, 6), At(2015, 5, 1, 6));
    AppointmentRecord record;
    ASSERT_NE(LoadAppointment(added, record), 0u);
    ASSERT_TRUE(list_->AddOrReplaceItem(added, record, CategoryList::AddMode::Add));
    EXPECT_EQ(Subjects(), (std::vector<std::u16string>{u"dawn", u"noon"}));
    EXPECT_EQ(alarms.back(), added);
    EXPECT_EQ(FileLists()[0], std::vector<uint32_t>(alarms.begin(), alarms.end()));
}

TEST_F(CategoryListTest, AddRefusesAnIdentifierThatAnotherKindHolds) {
    const uint32_t holiday = Add(u"h", At(2015, 5, 1), At(2015, 5, 2), &Calendar().HolidayOids);
    Make(Anniversary);
    AppointmentRecord record;
    ASSERT_NE(LoadAppointment(holiday, record), 0u);
    EXPECT_FALSE(list_->AddOrReplaceItem(holiday, record, CategoryList::AddMode::Add));
    EXPECT_TRUE(Calendar().AnniversaryOids.empty());
    EXPECT_TRUE(list_->items().empty());
}

TEST_F(CategoryListTest, ReplacingKeepsTheRowForAnniversariesAndResortsAlarms) {
    OidList& anniversaries = Calendar().AnniversaryOids;
    Add(u"first", At(2015, 1, 1), At(2015, 1, 2), &anniversaries);
    const uint32_t moved = Add(u"second", At(2015, 2, 1), At(2015, 2, 2), &anniversaries);
    Add(u"third", At(2015, 3, 1), At(2015, 3, 2), &anniversaries);
    Make(Anniversary);
    list_->viewport().selected = 1;
    {
        auto item = TheStoreConnection().application->GetItemFromOid(moved);
        item->SetStart(*SystemTimeToVariantTime(At(2015, 12, 1)));
        item->SetEnd(*SystemTimeToVariantTime(At(2015, 12, 2)));
        item->SetSubject(u"second, moved");
        ASSERT_TRUE(item->Save().ok());
    }
    AppointmentRecord record;
    ASSERT_NE(LoadAppointment(moved, record), 0u);
    ASSERT_TRUE(list_->AddOrReplaceItem(moved, record, CategoryList::AddMode::Replace));
    EXPECT_EQ(Subjects(), (std::vector<std::u16string>{u"first", u"second, moved", u"third"}));
    EXPECT_EQ(list_->viewport().selected, 1);

    OidList& alarms = Calendar().AlarmOids;
    const uint32_t early = Add(u"early", At(2015, 1, 1, 6), At(2015, 1, 1, 6), &alarms);
    Add(u"late", At(2015, 1, 1, 20), At(2015, 1, 1, 20), &alarms);
    Make(Alarm);
    list_->viewport().selected = 0;
    {
        auto item = TheStoreConnection().application->GetItemFromOid(early);
        item->SetStart(*SystemTimeToVariantTime(At(2015, 1, 1, 22)));
        item->SetEnd(*SystemTimeToVariantTime(At(2015, 1, 1, 22)));
        ASSERT_TRUE(item->Save().ok());
    }
    ASSERT_NE(LoadAppointment(early, record), 0u);
    ASSERT_TRUE(list_->AddOrReplaceItem(early, record, CategoryList::AddMode::Replace));
    EXPECT_EQ(Subjects(), (std::vector<std::u16string>{u"late", u"early"}));
}

TEST_F(CategoryListTest, DeleteRemovesFromStoreListAndFileUnlessTheStoreRefuses) {
    OidList& holidays = Calendar().HolidayOids;
    const uint32_t a = Add(u"a", At(2015, 1, 1), At(2015, 1, 2), &holidays);
    const uint32_t b = Add(u"b", At(2015, 2, 1), At(2015, 2, 2), &holidays);
    Make(Holiday);
    list_->viewport().selected = 1;

    poom::SetFault(poom::FaultPoint::Delete, true);
    EXPECT_FALSE(list_->DeleteSelectedItem());
    EXPECT_EQ(list_->items().size(), 2u);
    EXPECT_EQ(holidays, (OidList{a, b}));
    EXPECT_TRUE(InStore(b));

    poom::ClearFaults();
    EXPECT_TRUE(list_->DeleteSelectedItem());
    EXPECT_EQ(Subjects(), std::vector<std::u16string>{u"a"});
    EXPECT_EQ(holidays, OidList{a});
    EXPECT_EQ(FileLists()[1], std::vector<uint32_t>{a});
    EXPECT_FALSE(InStore(b));
    EXPECT_FALSE(list_->viewport().HasSelection()) << "the selection points past the end";
    EXPECT_FALSE(list_->DeleteSelectedItem());
    EXPECT_TRUE(InStore(a));
}

// ---- keys ----

TEST_F(CategoryListTest, DownPastTheFourthRowMovesTheTopAndTellsTheOwner) {
    for (int i = 0; i < 7; ++i) {
        Add(u"x", At(2015, 1, 1, 1 + i), At(2015, 1, 1, 1 + i), &Calendar().AlarmOids);
    }
    Make(Alarm);
    std::vector<int> updates;
    list_->onScrollUpdate = [&](int first) { updates.push_back(first); };
    list_->viewport().selected = 3;
    EXPECT_TRUE(list_->MoveSelection(VK_DOWN));
    EXPECT_EQ(list_->viewport().selected, 4);
    EXPECT_EQ(list_->viewport().firstVisible, 1);
    EXPECT_EQ(updates, std::vector<int>{1});
    list_->viewport().selected = 0;
    list_->viewport().firstVisible = 0;
    EXPECT_TRUE(list_->MoveSelection(VK_UP));
    EXPECT_EQ(list_->viewport().selected, 0);
    EXPECT_FALSE(list_->MoveSelection(VK_LEFT));
}

// ---- rows as drawn ----

TEST_F(CategoryListTest, EmptyListShowsItsLabelCentredOnTheTopLine) {
    Make(Anniversary);
    const QImage& image = Painted();
    EXPECT_EQ(Px(image, 120, 0), Qt::black);  // the top border
    EXPECT_GT(test::CountColour(image, 60, 1, 180, 17, kEmptyGrey), 10);
    int left = 240;
    int right = 0;
    for (int y = 1; y < 17; ++y) {
        for (int x = 0; x < 240; ++x) {
            if (Px(image, x, y) == kEmptyGrey) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    EXPECT_NEAR((left + right) / 2.0, 120.0, 2.0) << "centred across";
    EXPECT_EQ(test::CountColour(image, 0, 20, 240, 204, kEmptyGrey), 0) << "on the top line";
    EXPECT_EQ(list_->LayoutFor().emptyLabel, u"No registered anniversary");
}

TEST_F(CategoryListTest, RowsFillTheSelectionAndDrawIconsFromX207) {
    test::ItemSpec ringing;
    ringing.subject = u"ringing";
    ringing.start = ringing.end = At(2015, 1, 1, 19, 30);
    ringing.reminder = true;
    Add(ringing, &Calendar().AlarmOids);
    Add(u"quiet", At(2015, 1, 1, 20), At(2015, 1, 1, 20), &Calendar().AlarmOids);
    Make(Alarm);
    const QImage& image = Painted();
    EXPECT_EQ(Px(image, 100, 25), kSelectedFill);  // row 0 is selected
    EXPECT_EQ(Px(image, 100, 76), Qt::white);
    EXPECT_EQ(Px(image, 100, 51), Qt::black);  // the line between the rows
    // The bell of the first row covers x 207..218 from y 5; the quiet row has none.
    const int bell = 144 - test::CountColour(image, 207, 5, 219, 17, kSelectedFill);
    EXPECT_GT(bell, 10);
    EXPECT_EQ(test::CountColour(image, 206, 5, 207, 17, kSelectedFill), 12) << "starts at 207";
    EXPECT_EQ(test::CountColour(image, 195, 56, 240, 68, Qt::white), 45 * 12);

    const CategoryList::Layout layout = list_->LayoutFor();
    EXPECT_EQ(layout.rows[0].lines[0], u"(19:30) ringing");
    EXPECT_EQ(layout.rows[0].lines[1], u"2015.01.01(Thu), 07:30 PM");
    EXPECT_TRUE(layout.rows[0].lines[2].empty());
}

TEST_F(CategoryListTest, ASeriesShowsItsPatternAndItsRange) {
    test::ItemSpec open;
    open.subject = u"every day";
    open.start = open.end = At(2015, 3, 2, 0, 0);
    open.dailyFor = -1;
    Add(open, &Calendar().HolidayOids);
    test::ItemSpec ending = open;
    ending.start = ending.end = At(2015, 4, 2);
    ending.dailyFor = 3;
    Add(ending, &Calendar().HolidayOids);
    Make(Holiday);
    const CategoryList::Layout layout = list_->LayoutFor();
    ASSERT_EQ(layout.rows.size(), 2u);
    EXPECT_EQ(layout.rows[0].lines[1], u"Everyday");
    EXPECT_EQ(layout.rows[0].lines[2], u"from 2015.03.02");
    EXPECT_EQ(layout.rows[1].lines[2], u"from 2015.04.02 until 2015.04.04");
}

// ---- the pen and the popup menu ----

TEST_F(CategoryListTest, TapsSelectByRowAndOpenTheMenuBesideThePen) {
    for (int i = 0; i < 7; ++i) {
        Add(u"x", At(2015, 1, 1, 1 + i), At(2015, 1, 1, 1 + i), &Calendar().AlarmOids);
    }
    Make(Alarm);
    std::vector<int> commands;
    list_->onCommand = [&](int command) { commands.push_back(command); };
    list_->viewport().firstVisible = 2;
    ui_.menuAnswers = {command::kModify};
    Tap(119, 150);
    EXPECT_EQ(list_->viewport().selected, 4);
    ASSERT_EQ(ui_.menus.size(), 1u);
    EXPECT_EQ(ui_.menus[0].align, MenuAlign::Left);
    EXPECT_EQ(ui_.menus[0].x, 124);
    EXPECT_EQ(ui_.menus[0].y, 150 + 66 - 26);
    EXPECT_EQ(commands, std::vector<int>{command::kModify});
    Tap(120, 10);
    EXPECT_EQ(ui_.menus[1].align, MenuAlign::Right);
    EXPECT_EQ(ui_.menus[1].x, 115);
    std::vector<std::u16string> captions;
    for (const PopupMenu::Item& item : ui_.menus[1].menu.items) {
        captions.push_back(item.text);
    }
    EXPECT_EQ(captions, (std::vector<std::u16string>{u"View...", u"Modify...", u"Delete..."}));
}

TEST_F(CategoryListTest, ATapBelowTheLastItemSelectsNothing) {
    for (int i = 0; i < 3; ++i) {
        Add(u"x", At(2015, 1, 1, 1 + i), At(2015, 1, 1, 1 + i), &Calendar().AlarmOids);
    }
    Make(Alarm);
    list_->viewport().selected = 1;
    Tap(50, 200);
    EXPECT_EQ(list_->viewport().selected, 1);
    EXPECT_TRUE(ui_.menus.empty());
}

// ---- ShortenToWidth ----

TEST(ShortenToWidthTest, CutsAtTheWidthWithDotsOrAtALineBreak) {
    const QFont& font = FontArial10Bold();
    const std::u16string wide(40, u'W');
    const std::u16string cut = ShortenToWidth(font, wide, 130);
    ASSERT_GT(cut.size(), 3u);
    EXPECT_EQ(cut.substr(cut.size() - 3), u"...");
    EXPECT_LT(cut.size(), wide.size());
    // The cut is where the first characters reached the width.
    const std::u16string kept = cut.substr(0, cut.size() - 3);
    EXPECT_GE(QFontMetrics(font).horizontalAdvance(QString::fromStdU16String(kept)), 130);
    EXPECT_LT(QFontMetrics(font).horizontalAdvance(QString::fromStdU16String(kept.substr(1))), 130);

    EXPECT_EQ(ShortenToWidth(font, u"short\nnote", 130), u"short\nnote") << "fits: unchanged";
    EXPECT_EQ(ShortenToWidth(font, u"line\r" + wide, 130), u"line") << "a break comes first";
    EXPECT_EQ(ShortenToWidth(font, u"", 130), u"");
}

}  // namespace
}  // namespace moru
