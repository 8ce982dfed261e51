#include "editors/range_page.h"

#include <QButtonGroup>
#include <QDateTimeEdit>
#include <QPainter>
#include <QRadioButton>

#include "app/fonts.h"
#include "editors/drop_down_list.h"
#include "editors/pattern_page.h"
#include "editors/recurrence_wizard.h"
#include "platform/datetime.h"
#include "platform/qt/drawing.h"

namespace moru {
namespace {

constexpr DeviceRect kHeading = DeviceRect::FromSize(10, 8, 200, 20);
constexpr DeviceRect kNoEndButton = DeviceRect::FromSize(10, 34, 200, 24);
constexpr DeviceRect kEndsOnButton = DeviceRect::FromSize(10, 62, 90, 24);
constexpr DeviceRect kEndDate = DeviceRect::FromSize(100, 62, 130, 24);
constexpr DeviceRect kEndsAfterButton = DeviceRect::FromSize(10, 90, 90, 24);
constexpr DeviceRect kOccurrences = DeviceRect::FromSize(100, 90, 50, 24);
constexpr DeviceRect kOccurrencesLabel = DeviceRect::FromSize(153, 94, 87, 20);

QDateTime ToQDateTime(double date) {
    const SystemTime t = VariantTimeToSystemTime(date).value_or(MakeSystemTime(2000, 1, 1));
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
}

double FromQDateTime(const QDateTime& value) {
    const QDate d = value.date();
    const QTime t = value.time();
    return MakeDate(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()).value_or(0.0);
}

}  // namespace

RangePage::RangePage(poom::RecurrencePattern& pattern) : pattern_(pattern) {}

RangePage::~RangePage() {
    delete noEnd_;
    delete endsOn_;
    delete endsAfter_;
    delete endDateEdit_;
    delete occurrences_;
    delete group_;
}

void RangePage::Create(RecurrenceWizard& wizard) {
    wizard_ = &wizard;
    const QFont& font = FontArial10();
    noEnd_ = new QRadioButton(QStringLiteral("Does not end"), &wizard);
    endsOn_ = new QRadioButton(QStringLiteral("Ends on"), &wizard);
    endsAfter_ = new QRadioButton(QStringLiteral("Ends after"), &wizard);
    group_ = new QButtonGroup();
    for (QRadioButton* button : {noEnd_, endsOn_, endsAfter_}) {
        button->setFont(font);
        group_->addButton(button);
    }
    endDateEdit_ = new QDateTimeEdit(&wizard);
    endDateEdit_->setCalendarPopup(true);
    endDateEdit_->setDisplayFormat(QStringLiteral("yyyy.MM.dd"));
    endDateEdit_->setFont(font);
    occurrences_ = new DropDownList(&wizard);
    occurrences_->setEditable(true);
    occurrences_->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 1; i <= 10; ++i) {
        occurrences_->addItem(QString::number(i));
    }
    occurrences_->setFont(font);
    wizard.PlacePageControl(noEnd_, kNoEndButton, &font);
    wizard.PlacePageControl(endsOn_, kEndsOnButton, &font);
    wizard.PlacePageControl(endDateEdit_, kEndDate, &font);
    wizard.PlacePageControl(endsAfter_, kEndsAfterButton, &font);
    wizard.PlacePageControl(occurrences_, kOccurrences, &font);

    const bool noEndDate = pattern_.NoEndDate();
    const double start = pattern_.PatternStartDate();
    const long count = pattern_.Occurrences();
    const SystemTime s = VariantTimeToSystemTime(start).value_or(MakeSystemTime(2000, 1, 1));
    const double endOfStartDay = MakeDate(s.year, s.month, s.day, 23, 59, 59).value_or(start);
    endDateEdit_->setDateTime(ToQDateTime(endOfStartDay + kDefaultEndDays));
    occurrences_->setEditText(QStringLiteral("10"));
    occurrences_->setCurrentIndex(occurrences_->findText(QStringLiteral("10")));
    if (!noEndDate && count > 0) {
        endsAfter_->setChecked(true);
        const QString text = QString::number(count);
        const int index = occurrences_->findText(text);
        occurrences_->setCurrentIndex(index);
        if (index < 0) {
            occurrences_->setEditText(text);
        }
        endDateEdit_->setDateTime(ToQDateTime(pattern_.PatternEndDate()));
    } else if (!noEndDate) {
        endsOn_->setChecked(true);
        endDateEdit_->setDateTime(ToQDateTime(pattern_.PatternEndDate()));
    } else {
        noEnd_->setChecked(true);
    }
    TakeValues();
}

void RangePage::SetShown(bool shown) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{noEnd_, endsOn_, endsAfter_, endDateEdit_, occurrences_}) {
        control->setVisible(shown);
    }
    if (wizard_) {
        wizard_->RepaintFace();
    }
}

RangePage::EndChoice RangePage::endChoice() const {
    if (endsAfter_->isChecked()) {
        return kEndsAfter;
    }
    return endsOn_->isChecked() ? kEndsOn : kNoEnd;
}

bool RangePage::TakeValues() {
    choice_ = endChoice();
    endDate_ = FromQDateTime(endDateEdit_->dateTime());
    occurrencesText_ = occurrences_->currentText();
    return true;
}

void RangePage::Apply() {
    TakeValues();
    switch (choice_) {
        case kNoEnd:
            pattern_.SetNoEndDate(true);
            break;
        case kEndsOn:
            pattern_.SetNoEndDate(false);
            pattern_.SetPatternEndDate(endDate_);
            break;
        case kEndsAfter:
            pattern_.SetNoEndDate(false);
            pattern_.SetOccurrences(DecimalValue(occurrencesText_));
            break;
    }
}

void RangePage::Paint(QPainter& painter) const {
    const unsigned flags = gdi::DT_LEFT | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX;
    gdi::DrawText(painter, QStringLiteral("The pattern"), kHeading, flags, FontArial10Bold(),
                  Qt::black);
    gdi::DrawText(painter, QStringLiteral("occurrence(s)"), kOccurrencesLabel, flags, FontArial10(),
                  Qt::black);
}

void RangePage::PenDown(int /*x*/, int /*y*/) {}

}  // namespace moru
