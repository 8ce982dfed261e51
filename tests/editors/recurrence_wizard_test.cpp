// The recurrence wizard and its two pages on a real store pattern: which tab and entries a
// pattern opens with, what each tab writes and leaves alone, the weekday toggles, the tab
// strip's edges, the buttons, and Cancel writing nothing.
#include "editors/recurrence_wizard.h"

#include <gtest/gtest.h>

#include <QDateTimeEdit>
#include <QPushButton>
#include <QRadioButton>

#include "editors/drop_down_list.h"
#include "editors/pattern_page.h"
#include "editors/range_page.h"
#include "platform/scripted_ui_host.h"
#include "store/calendar_state.h"
#include "tests/support/temp_root.h"

namespace moru {
namespace {

struct Seed {
    int type = poom::kRecursWeekly;
    long mask = 0;
    long interval = 1;
    long instance = 1;
    SystemTime start = MakeSystemTime(2015, 3, 11, 9);  // a Wednesday
};

class WizardTest : public testing::Test {
protected:
    WizardTest() { EXPECT_TRUE(OpenStoreConnection()); }
    ~WizardTest() override { CloseStoreConnection(); }

    // A wizard with both pages on a fresh pattern seeded as given, opened.
    RecurrenceWizard& Make(const Seed& seed, bool bothPages = true) {
        item_ = *TheStoreConnection().application->CreateItem(poom::kAppointmentItem);
        pattern_ = item_->GetRecurrencePattern();
        const double start = *SystemTimeToVariantTime(seed.start);
        pattern_->SetRecurrenceType(seed.type);
        pattern_->SetPatternStartDate(start);
        pattern_->SetNoEndDate(true);
        pattern_->SetInterval(seed.interval);
        pattern_->SetDayOfWeekMask(seed.mask);
        pattern_->SetDayOfMonth(seed.start.day);
        pattern_->SetInstance(seed.instance);
        pattern_->SetMonthOfYear(seed.start.month);
        wizard_ = std::make_unique<RecurrenceWizard>();
        wizard_->AddPage(std::make_unique<PatternPage>(*pattern_), u" ", PatternPage::kDialogId);
        if (bothPages) {
            wizard_->AddPage(std::make_unique<RangePage>(*pattern_), u" ", RangePage::kDialogId);
        }
        wizard_->Open();
        return *wizard_;
    }
    PatternPage& Pattern() { return *dynamic_cast<PatternPage*>(wizard_->page(0)); }
    RangePage& Range() { return *dynamic_cast<RangePage*>(wizard_->page(1)); }

    test::TempDeviceRoot root_;
    ScriptedUiHost ui_;
    std::optional<poom::Appointment> item_;
    std::optional<poom::RecurrencePattern> pattern_;
    std::unique_ptr<RecurrenceWizard> wizard_;
};

// ---- opening ----

TEST_F(WizardTest, APatternOpensOnTheTabItsTypeNames) {
    struct Row {
        int type;
        long mask;
        int tab;
    };
    const Row rows[] = {{0, 8, PatternPage::kDaily},   {0, 62, PatternPage::kWeekly},
                        {1, 8, PatternPage::kWeekly},  {2, 8, PatternPage::kMonthly},
                        {3, 8, PatternPage::kMonthly}, {5, 8, PatternPage::kYearly},
                        {6, 8, PatternPage::kYearly}};
    for (const Row& row : rows) {
        Make({.type = row.type, .mask = row.mask});
        EXPECT_EQ(Pattern().tab(), row.tab) << row.type << "/" << row.mask;
    }
    // Daily with Monday to Friday shows those five days selected.
    Make({.type = 0, .mask = 62});
    for (int day = 0; day < 7; ++day) {
        EXPECT_EQ(Pattern().weekdayFlag(day), day >= 1 && day <= 5) << day;
    }
}

TEST_F(WizardTest, AnEmptyMaskSelectsTheStartWeekdayOnly) {
    Make({.mask = 0});
    for (int day = 0; day < 7; ++day) {
        EXPECT_EQ(Pattern().weekdayFlag(day), day == 3) << day;  // Wednesday
    }
}

TEST_F(WizardTest, TheWeekListFollowsInstanceOrTheStartDay) {
    struct Row {
        int day;
        long instance;
        const char* week;
    };
    const Row rows[] = {
        {29, 0, "Last"}, {30, 7, "Last"}, {31, -1, "Last"}, {8, 0, "Second"}, {29, 2, "Second"}};
    for (const Row& row : rows) {
        Make({.type = 3,
              .mask = 8,
              .instance = row.instance,
              .start = MakeSystemTime(2015, 3, row.day)});
        EXPECT_EQ(Pattern().monthWeek()->currentText(), QString::fromLatin1(row.week)) << row.day;
        EXPECT_EQ(Pattern().yearWeek()->currentText(), QString::fromLatin1(row.week)) << row.day;
    }
}

TEST_F(WizardTest, AnIntervalOfTenIsChosenInTheListsNotTypedIn) {
    Make({.interval = 10});
    EXPECT_EQ(Pattern().weeklyInterval()->currentIndex(), 5);
    EXPECT_EQ(Pattern().monthDayInterval()->currentIndex(), 5);
    Make({.interval = 7});  // no entry shows 7: it stays as typed text
    EXPECT_EQ(Pattern().dailyInterval()->currentIndex(), -1);
    EXPECT_EQ(Pattern().dailyInterval()->currentText(), QStringLiteral("7"));
}

// ---- the tab strip and the weekdays ----

TEST_F(WizardTest, TheTabStripsEdgesBelongToNoTab) {
    Make({.type = 0, .mask = 8});
    for (int x : {59, 119, 179, 239}) {
        Pattern().PenDown(x, 10);
        EXPECT_EQ(Pattern().tab(), PatternPage::kDaily) << x;
    }
    const int tabs[][2] = {{0, 0}, {60, 1}, {118, 1}, {120, 2}, {180, 3}, {238, 3}};
    for (const auto& [x, tab] : tabs) {
        Pattern().PenDown(x, 23);
        EXPECT_EQ(Pattern().tab(), tab) << x;
    }
}

TEST_F(WizardTest, TheLastSelectedWeekdayCannotBeCleared) {
    Make({.mask = 8});
    const DeviceRect wednesday = PatternPage::WeekdayImageRect(3);
    Pattern().PenDown(wednesday.left + 2, wednesday.top + 2);
    EXPECT_TRUE(Pattern().weekdayFlag(3));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, u"At least one day must be selected.");
    const DeviceRect friday = PatternPage::WeekdayImageRect(5);
    Pattern().PenDown(friday.left, friday.top);
    wizard_->accept();
    EXPECT_EQ(pattern_->DayOfWeekMask(), 8 + 32);
    EXPECT_EQ(wizard_->result(), kIdOk);
}

// ---- applying ----

TEST_F(WizardTest, EachTabWritesItsFieldsAndLeavesTheRestAsPreset) {
    Make({.mask = 8, .interval = 1});
    Pattern().PenDown(200, 10);  // Yearly
    Pattern().yearlyNth()->setChecked(true);
    Pattern().yearWeek()->setCurrentIndex(4);
    Pattern().yearWeekday()->setCurrentIndex(1);
    Pattern().yearNthMonth()->setCurrentIndex(10);
    pattern_->SetInterval(3);  // whatever the pattern had stays
    wizard_->accept();
    EXPECT_EQ(pattern_->RecurrenceType(), poom::kRecursYearNth);
    EXPECT_EQ(pattern_->Instance(), 5);
    EXPECT_EQ(pattern_->DayOfWeekMask(), 2);
    EXPECT_EQ(pattern_->MonthOfYear(), 11);
    EXPECT_EQ(pattern_->Interval(), 3);
    EXPECT_EQ(pattern_->DayOfMonth(), 11);

    Make({.mask = 8});
    Pattern().PenDown(130, 10);  // Monthly, "The" line
    Pattern().monthTheInterval()->setEditText(QStringLiteral("2x"));
    Pattern().monthWeek()->setCurrentIndex(1);
    emit Pattern().monthWeek()->closedUp();  // using the line ticks "The"
    EXPECT_TRUE(Pattern().monthlyThe()->isChecked());
    wizard_->accept();
    EXPECT_EQ(pattern_->RecurrenceType(), poom::kRecursMonthNth);
    EXPECT_EQ(pattern_->Interval(), 2);  // read as a number up to the first other character
    EXPECT_EQ(pattern_->Instance(), 2);
    EXPECT_EQ(pattern_->DayOfWeekMask(), 8);

    Make({.mask = 8});
    Pattern().PenDown(10, 10);  // Daily
    Pattern().dailyInterval()->setEditText(QStringLiteral("abc"));
    wizard_->accept();
    EXPECT_EQ(pattern_->RecurrenceType(), poom::kRecursDaily);
    EXPECT_EQ(pattern_->Interval(), 0);  // not a number
}

TEST_F(WizardTest, TheRangePageOpensAndWritesEachEnd) {
    Make({});
    EXPECT_TRUE(Range().noEndButton()->isChecked());
    // The offered end date: two months after the start day, at its last second.
    EXPECT_EQ(Range().endDateEdit()->dateTime(), QDateTime(QDate(2015, 5, 11), QTime(23, 59, 59)));
    EXPECT_EQ(Range().occurrencesList()->currentText(), QStringLiteral("10"));
    wizard_->Next();
    Range().endsAfterButton()->setChecked(true);
    Range().occurrencesList()->setCurrentIndex(2);
    wizard_->Next();  // "Done"
    EXPECT_FALSE(pattern_->NoEndDate());
    EXPECT_EQ(pattern_->Occurrences(), 3);

    pattern_->SetOccurrences(0);
    Make({});
    pattern_->SetNoEndDate(false);
    pattern_->SetPatternEndDate(*MakeDate(2015, 6, 30, 23, 59, 59));
    wizard_ = std::make_unique<RecurrenceWizard>();
    wizard_->AddPage(std::make_unique<PatternPage>(*pattern_), u" ", PatternPage::kDialogId);
    wizard_->AddPage(std::make_unique<RangePage>(*pattern_), u" ", RangePage::kDialogId);
    wizard_->Open();
    EXPECT_TRUE(Range().endsOnButton()->isChecked());
    EXPECT_EQ(Range().endDateEdit()->date(), QDate(2015, 6, 30));
}

// ---- the buttons ----

TEST_F(WizardTest, NextReadsDoneOnTheLastPageAndBackUndoesIt) {
    Make({}, /*bothPages=*/false);
    EXPECT_EQ(wizard_->nextButton()->text(), QStringLiteral("Done"));
    EXPECT_FALSE(wizard_->backButton()->isEnabled());

    Make({});
    EXPECT_EQ(wizard_->nextButton()->text(), QStringLiteral("Next"));
    wizard_->Next();
    EXPECT_EQ(wizard_->activePage(), 1);
    EXPECT_EQ(wizard_->nextButton()->text(), QStringLiteral("Done"));
    EXPECT_TRUE(wizard_->backButton()->isEnabled());
    wizard_->Back();
    EXPECT_EQ(wizard_->activePage(), 0);
    EXPECT_EQ(wizard_->nextButton()->text(), QStringLiteral("Next"));
    EXPECT_FALSE(wizard_->backButton()->isEnabled());
    wizard_->Back();  // nothing on the first page
    EXPECT_EQ(wizard_->activePage(), 0);
}

TEST_F(WizardTest, CancelAfterTheRangePageLeavesThePatternsEndAsItWas) {
    Make({});
    wizard_->Next();
    Range().endsAfterButton()->setChecked(true);
    wizard_->Back();  // takes the page's values into its fields
    Pattern().PenDown(10, 10);
    wizard_->reject();
    EXPECT_EQ(wizard_->result(), kIdCancel);
    EXPECT_TRUE(pattern_->NoEndDate());
    EXPECT_EQ(pattern_->RecurrenceType(), poom::kRecursWeekly);
    EXPECT_EQ(wizard_->pageCount(), 0u);  // the pages are gone with the close
}

// ---- numbers typed into the lists ----

TEST(DecimalValueTest, ReadsLeadingDigitsAndCountsOtherTextAsZero) {
    const std::pair<const char*, long> rows[] = {{"10", 10}, {" 7", 7},  {"3rd", 3}, {"", 0},
                                                 {"x1", 0},  {"-2", -2}, {"+4", 4}};
    for (const auto& [text, value] : rows) {
        EXPECT_EQ(DecimalValue(QString::fromLatin1(text)), value) << text;
    }
}

}  // namespace
}  // namespace moru
