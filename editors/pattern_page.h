#pragma once
// The wizard's first page: how often the item repeats, on four tabs (Daily, Weekly, Monthly,
// Yearly) chosen from a tab strip. It opens on the tab the pattern's type names, with every
// tab's controls filled from the pattern, and on apply writes only what the current tab
// (and, on Monthly and Yearly, its ticked form) says; the other fields keep what the pattern
// had.
#include <QString>
#include <array>
#include <vector>

#include "editors/wizard_page.h"
#include "platform/datetime.h"
#include "platform/device_rect.h"
#include "platform/poom/poom.h"

class QButtonGroup;
class QRadioButton;
class QWidget;

namespace moru {

class DropDownList;

class PatternPage : public WizardPage {
public:
    static constexpr int kDialogId = 265;
    enum Tab { kDaily = 0, kWeekly = 1, kMonthly = 2, kYearly = 3 };

    explicit PatternPage(poom::RecurrencePattern& pattern);
    ~PatternPage() override;

    void Create(RecurrenceWizard& wizard) override;
    void SetShown(bool shown) override;
    bool TakeValues() override;
    void Apply() override;
    void Paint(QPainter& painter) const override;
    void PenDown(int x, int y) override;

    // The tab a tap on the strip at x picks; -1 for the strip's gaps at x 59, 119, 179 and
    // past 239.
    static int TabAt(int x, int y);
    static DeviceRect WeekdayImageRect(int weekday);

    int tab() const { return tab_; }
    bool weekdayFlag(int weekday) const { return flags_[static_cast<size_t>(weekday)]; }

    // The controls, for scripts and tests.
    DropDownList* dailyInterval() const { return dailyInterval_; }
    DropDownList* weeklyInterval() const { return weeklyInterval_; }
    QRadioButton* monthlyDay() const { return monthlyDay_; }
    DropDownList* monthDay() const { return monthDay_; }
    DropDownList* monthDayInterval() const { return monthDayInterval_; }
    QRadioButton* monthlyThe() const { return monthlyThe_; }
    DropDownList* monthWeek() const { return monthWeek_; }
    DropDownList* monthWeekday() const { return monthWeekday_; }
    DropDownList* monthTheInterval() const { return monthTheInterval_; }
    QRadioButton* yearlyDate() const { return yearlyDate_; }
    DropDownList* yearMonth() const { return yearMonth_; }
    DropDownList* yearDay() const { return yearDay_; }
    QRadioButton* yearlyNth() const { return yearlyNth_; }
    DropDownList* yearWeek() const { return yearWeek_; }
    DropDownList* yearWeekday() const { return yearWeekday_; }
    DropDownList* yearNthMonth() const { return yearNthMonth_; }

private:
    // What the controls held when last taken: texts of the number lists, positions of the
    // named ones (-1 when typed text matches no entry).
    struct Values {
        QString dailyInterval, weeklyInterval, monthDay, monthDayInterval, monthTheInterval,
            yearDay;
        int monthWeek = 0, monthWeekday = 0, yearMonth = 0, yearWeek = 0, yearWeekday = 0,
            yearNthMonth = 0;
        bool monthlyThe = false;  // else "Day"
        bool yearlyNth = false;   // else the month-and-day form
    };

    DropDownList* MakeList(const QStringList& items, bool editable);
    void Fill();
    void ShowTab();
    void ToggleWeekday(int weekday);
    void Tick(QRadioButton* button);
    std::vector<QWidget*> TabControls(int tab) const;

    poom::RecurrencePattern& pattern_;
    RecurrenceWizard* wizard_ = nullptr;
    bool shown_ = false;

    // Read from the pattern when the page is made.
    int type_ = 0;
    SystemTime start_;
    long interval_ = 1;
    long mask_ = 0;
    long dayOfMonth_ = 1;
    long instance_ = 1;
    long monthOfYear_ = 1;
    int tab_ = kDaily;
    std::array<bool, 7> flags_{};  // Sunday first
    Values values_;

    std::vector<QWidget*> controls_;  // every control, deleted with the page
    QButtonGroup* monthlyGroup_ = nullptr;
    QButtonGroup* yearlyGroup_ = nullptr;
    DropDownList* dailyInterval_ = nullptr;
    DropDownList* weeklyInterval_ = nullptr;
    QRadioButton* monthlyDay_ = nullptr;
    DropDownList* monthDay_ = nullptr;
    DropDownList* monthDayInterval_ = nullptr;
    QRadioButton* monthlyThe_ = nullptr;
    DropDownList* monthWeek_ = nullptr;
    DropDownList* monthWeekday_ = nullptr;
    DropDownList* monthTheInterval_ = nullptr;
    QRadioButton* yearlyDate_ = nullptr;
    DropDownList* yearMonth_ = nullptr;
    DropDownList* yearDay_ = nullptr;
    QRadioButton* yearlyNth_ = nullptr;
    DropDownList* yearWeek_ = nullptr;
    DropDownList* yearWeekday_ = nullptr;
    DropDownList* yearNthMonth_ = nullptr;
};

// A list's text read as a decimal integer, as the device reads a number typed anywhere:
// leading blanks and a sign, then digits up to the first other character; no digits is 0.
long DecimalValue(const QString& text);

}  // namespace moru
