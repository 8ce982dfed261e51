#pragma once
// The wizard's second page: until when the item repeats. It never ends, ends on a date (at
// the end of that day unless the date picker says otherwise), or ends after a number of
// occurrences.
#include <QString>

#include "editors/wizard_page.h"
#include "platform/poom/poom.h"

class QButtonGroup;
class QDateTimeEdit;
class QRadioButton;
class QWidget;

namespace moru {

class DropDownList;

class RangePage : public WizardPage {
public:
    static constexpr int kDialogId = 266;
    enum EndChoice { kNoEnd = 0, kEndsOn = 1, kEndsAfter = 2 };
    // A date-only end first offered two months after the start, at the end of its day.
    static constexpr int kDefaultEndDays = 61;

    explicit RangePage(poom::RecurrencePattern& pattern);
    ~RangePage() override;

    void Create(RecurrenceWizard& wizard) override;
    void SetShown(bool shown) override;
    bool TakeValues() override;
    void Apply() override;
    void Paint(QPainter& painter) const override;
    void PenDown(int x, int y) override;

    EndChoice endChoice() const;
    QRadioButton* noEndButton() const { return noEnd_; }
    QRadioButton* endsOnButton() const { return endsOn_; }
    QRadioButton* endsAfterButton() const { return endsAfter_; }
    QDateTimeEdit* endDateEdit() const { return endDateEdit_; }
    DropDownList* occurrencesList() const { return occurrences_; }

private:
    poom::RecurrencePattern& pattern_;
    RecurrenceWizard* wizard_ = nullptr;

    // The fields, as last taken from the controls.
    EndChoice choice_ = kNoEnd;
    double endDate_ = 0.0;  // a DATE
    QString occurrencesText_ = QStringLiteral("10");

    QRadioButton* noEnd_ = nullptr;
    QRadioButton* endsOn_ = nullptr;
    QRadioButton* endsAfter_ = nullptr;
    QDateTimeEdit* endDateEdit_ = nullptr;
    DropDownList* occurrences_ = nullptr;
    QButtonGroup* group_ = nullptr;
};

}  // namespace moru
