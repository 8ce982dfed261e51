// The day list's query on the real store: which appointments touch a day, in what order and
// with which times, and what happens when the store cannot deliver.
#include "screens/day_list.h"

#include <gtest/gtest.h>

#include "platform/scripted_ui_host.h"
#include "store/category_store.h"
#include "store/store_connection.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

double At(int y, int m, int d, int h = 0, int min = 0) {
    return *MakeDate(y, m, d, h, min);
}

class DayListTest : public testing::Test {
protected:
    DayListTest() { EXPECT_TRUE(OpenStoreConnection()); }
    ~DayListTest() override {
        CloseStoreConnection();
        poom::ClearFaults();
    }

    poom::Appointment Make(const char16_t* subject, double start, double end) {
        auto item = TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
        item->SetSubject(subject);
        item->SetStart(start);
        item->SetEnd(end);
        return *item;
    }
    void Add(const char16_t* subject, double start, double end) {
        EXPECT_TRUE(Make(subject, start, end).Save().ok());
    }
    std::vector<std::u16string> Subjects(int y, int m, int d) {
        DayList list(nullptr);
        list.year = y;
        list.month = m;
        list.day = d;
        list.QueryDay(&list);
        EXPECT_EQ(list.owner, &list);
        std::vector<std::u16string> subjects;
        for (const AppointmentRecord& record : list.items) {
            subjects.push_back(record.subject);
        }
        return subjects;
    }

    test::TempDeviceRoot root_;
    ScriptedUiHost ui_;
};

TEST_F(DayListTest, ListsWhatTouchesTheDayInStoreOrder) {
    Add(u"evening", At(2015, 2, 10, 18), At(2015, 2, 10, 19));
    Add(u"morning", At(2015, 2, 10, 8), At(2015, 2, 10, 9));
    Add(u"spanning", At(2015, 2, 8, 12), At(2015, 2, 12, 12));
    Add(u"ends at the day's midnight", At(2015, 2, 9, 10), At(2015, 2, 10));
    Add(u"next day", At(2015, 2, 11), At(2015, 2, 11, 1));
    EXPECT_EQ(Subjects(2015, 2, 10),
              (std::vector<std::u16string>{u"spanning", u"morning", u"evening"}));
    EXPECT_TRUE(Subjects(2015, 2, 7).empty());
}

TEST_F(DayListTest, RecurringItemKeepsItsOwnTimes) {
    poom::Appointment series = Make(u"daily", At(2015, 2, 1, 9), At(2015, 2, 1, 10));
    poom::RecurrencePattern pattern = series.GetRecurrencePattern();
    pattern.SetRecurrenceType(poom::kRecursDaily);
    pattern.SetPatternStartDate(At(2015, 2, 1, 9));
    pattern.SetStartTime(At(2015, 2, 1, 9));
    pattern.SetDuration(60);
    pattern.SetInterval(1);
    pattern.SetNoEndDate(true);
    ASSERT_TRUE(series.Save().ok());
    const AppointmentArray items = QueryDayItems(2015, 2, 10);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].oid, series.Oid());
    EXPECT_EQ(items[0].start.day, 1);  // the series' start, not the occurrence's
    EXPECT_EQ(items[0].recurring, 1);
}

TEST_F(DayListTest, ItemsThatDoNotLoadAreLeftOut) {
    Add(u"morning", At(2015, 2, 10, 8), At(2015, 2, 10, 9));
    poom::SetFault(poom::FaultPoint::GetItemFromOid, true);
    EXPECT_TRUE(QueryDayItems(2015, 2, 10).empty());
}

TEST_F(DayListTest, FailingOrClosedStoreGivesAnEmptyList) {
    Add(u"morning", At(2015, 2, 10, 8), At(2015, 2, 10, 9));
    poom::SetFault(poom::FaultPoint::Restrict, true);
    EXPECT_TRUE(QueryDayItems(2015, 2, 10).empty());
    poom::ClearFaults();
    CloseStoreConnection();
    EXPECT_TRUE(QueryDayItems(2015, 2, 10).empty());
}

}  // namespace
}  // namespace moru
