#include "editors/pattern_page.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <cmath>

#include "app/fonts.h"
#include "editors/drop_down_list.h"
#include "editors/recurrence_wizard.h"
#include "platform/qt/drawing.h"
#include "platform/ui_host.h"
#include "resources/bitmaps.h"

namespace moru {
namespace {

constexpr std::u16string_view kOneDayAtLeast = u"At least one day must be selected.";

// The strip's four tabs, right and bottom edges excluded: the last column of each tab
// belongs to none.
constexpr std::array<DeviceRect, 4> kTabRects = {
    DeviceRect{0, 0, 59, 24}, DeviceRect{60, 0, 119, 24}, DeviceRect{120, 0, 179, 24},
    DeviceRect{180, 0, 239, 24}};
constexpr std::array<int, 4> kStripBitmaps = {166, 164, 165, 163};  // Daily .. Yearly
constexpr std::array<int, 7> kWeekdayOff = {236, 254, 263, 264, 265, 266, 255};
constexpr std::array<int, 7> kWeekdayOn = {270, 268, 272, 273, 271, 267, 269};
constexpr int kWeekdayTop = 76;
constexpr int kWeekdayLeft = 8;
constexpr int kWeekdayPitch = 32;
constexpr int kWeekdaySize = 24;

// Rows of the tabs' controls, below the strip.
constexpr int kLine1 = 36;
constexpr int kLine2 = 70;
constexpr int kLine3 = 98;

struct StaticText {
    int tab;
    DeviceRect rect;
    const char* text;
};
constexpr StaticText kStatics[] = {
    {PatternPage::kDaily, DeviceRect::FromSize(10, kLine1 + 4, 45, 20), "Every"},
    {PatternPage::kDaily, DeviceRect::FromSize(120, kLine1 + 4, 60, 20), "day(s)"},
    {PatternPage::kWeekly, DeviceRect::FromSize(10, kLine1 + 4, 45, 20), "Every"},
    {PatternPage::kWeekly, DeviceRect::FromSize(120, kLine1 + 4, 60, 20), "week(s)"},
    {PatternPage::kMonthly, DeviceRect::FromSize(99, kLine1 + 4, 45, 20), "of every"},
    {PatternPage::kMonthly, DeviceRect::FromSize(189, kLine1 + 4, 51, 20), "month(s)"},
    {PatternPage::kMonthly, DeviceRect::FromSize(53, kLine3 + 4, 46, 20), "of every"},
    {PatternPage::kMonthly, DeviceRect::FromSize(148, kLine3 + 4, 60, 20), "month(s)"},
    {PatternPage::kYearly, DeviceRect::FromSize(65, kLine3 + 4, 20, 20), "of"},
};

QStringList Numbers(int first, int last) {
    QStringList list;
    for (int i = first; i <= last; ++i) {
        list << QString::number(i);
    }
    return list;
}
const QStringList kIntervals = {"1", "2", "3", "4", "5", "10", "15", "20"};
const QStringList kWeeks = {"First", "Second", "Third", "Fourth", "Last"};
const QStringList kWeekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                               "Thursday", "Friday", "Saturday"};
const QStringList kMonths = {"January", "February", "March",     "April",   "May",      "June",
                             "July",    "August",   "September", "October", "November", "December"};

// Shows the entry whose text is `text`; an editable list keeps a value none shows as typed.
void SetListText(DropDownList* list, const QString& text) {
    const int index = list->findText(text, Qt::MatchExactly);
    if (index >= 0) {
        list->setCurrentIndex(index);
    } else if (list->isEditable()) {
        list->setCurrentIndex(-1);
        list->setEditText(text);
    }
}

// The entry the list's text names, -1 when typed text matches none.
int Position(const DropDownList* list) {
    return list->isEditable() ? list->findText(list->currentText(), Qt::MatchExactly)
                              : list->currentIndex();
}

long BitOf(int position) {
    return position >= 0 && position < 31 ? (1L << position) : 0;
}

}  // namespace

long DecimalValue(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (value > 100000000L) {
            break;  // far beyond any count a pattern holds
        }
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return negative ? -value : value;
}

PatternPage::PatternPage(poom::RecurrencePattern& pattern) : pattern_(pattern) {}

PatternPage::~PatternPage() {
    for (QWidget* control : controls_) {
        delete control;
    }
    delete monthlyGroup_;
    delete yearlyGroup_;
}

int PatternPage::TabAt(int x, int y) {
    for (size_t tab = 0; tab < kTabRects.size(); ++tab) {
        if (kTabRects[tab].Contains(x, y)) {
            return static_cast<int>(tab);
        }
    }
    return -1;
}

DeviceRect PatternPage::WeekdayImageRect(int weekday) {
    return DeviceRect::FromSize(kWeekdayLeft + weekday * kWeekdayPitch, kWeekdayTop, kWeekdaySize,
                                kWeekdaySize);
}

DropDownList* PatternPage::MakeList(const QStringList& items, bool editable) {
    auto* list = new DropDownList(wizard_);
    list->setEditable(editable);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->addItems(items);
    list->setFont(FontArial10());
    controls_.push_back(list);
    return list;
}

void PatternPage::Create(RecurrenceWizard& wizard) {
    wizard_ = &wizard;
    type_ = pattern_.RecurrenceType();
    start_ =
        VariantTimeToSystemTime(pattern_.PatternStartDate()).value_or(MakeSystemTime(2000, 1, 1));
    interval_ = pattern_.Interval();
    mask_ = pattern_.DayOfWeekMask();
    dayOfMonth_ = pattern_.DayOfMonth();
    instance_ = pattern_.Instance();
    monthOfYear_ = pattern_.MonthOfYear();
    switch (type_) {
        case poom::kRecursDaily:
            tab_ = mask_ == 62 ? kWeekly : kDaily;
            break;
        case poom::kRecursWeekly:
            tab_ = kWeekly;
            break;
        case poom::kRecursMonthly:
        case poom::kRecursMonthNth:
            tab_ = kMonthly;
            break;
        default:
            tab_ = kYearly;
            break;
    }

    const QFont& font = FontArial10();
    auto radio = [&](const char* text) {
        auto* button = new QRadioButton(QString::fromLatin1(text), wizard_);
        button->setFont(font);
        controls_.push_back(button);
        return button;
    };
    auto place = [&](QWidget* control, int x, int y, int w) {
        wizard.PlacePageControl(control, DeviceRect::FromSize(x, y, w, 24), &font);
    };
    dailyInterval_ = MakeList(kIntervals, true);
    weeklyInterval_ = MakeList(kIntervals, true);
    place(dailyInterval_, 55, kLine1, 60);
    place(weeklyInterval_, 55, kLine1, 60);

    monthlyDay_ = radio("Day");
    monthDay_ = MakeList(Numbers(1, 31), true);
    monthDayInterval_ = MakeList(kIntervals, true);
    monthlyThe_ = radio("The");
    monthWeek_ = MakeList(kWeeks, false);
    monthWeekday_ = MakeList(kWeekdays, false);
    monthTheInterval_ = MakeList(kIntervals, true);
    place(monthlyDay_, 5, kLine1, 48);
    place(monthDay_, 53, kLine1, 44);
    place(monthDayInterval_, 144, kLine1, 44);
    place(monthlyThe_, 5, kLine2, 48);
    place(monthWeek_, 53, kLine2, 70);
    place(monthWeekday_, 125, kLine2, 110);
    place(monthTheInterval_, 100, kLine3, 44);

    yearlyDate_ = radio("Every");
    yearMonth_ = MakeList(kMonths, true);
    yearDay_ = MakeList(Numbers(1, 31), true);
    yearlyNth_ = radio("Every");
    yearWeek_ = MakeList(kWeeks, true);
    yearWeekday_ = MakeList(kWeekdays, true);
    yearNthMonth_ = MakeList(kMonths, true);
    place(yearlyDate_, 5, kLine1, 60);
    place(yearMonth_, 65, kLine1, 100);
    place(yearDay_, 168, kLine1, 50);
    place(yearlyNth_, 5, kLine2, 60);
    place(yearWeek_, 65, kLine2, 75);
    place(yearWeekday_, 142, kLine2, 95);
    place(yearNthMonth_, 88, kLine3, 110);

    monthlyGroup_ = new QButtonGroup();
    monthlyGroup_->addButton(monthlyDay_);
    monthlyGroup_->addButton(monthlyThe_);
    yearlyGroup_ = new QButtonGroup();
    yearlyGroup_->addButton(yearlyDate_);
    yearlyGroup_->addButton(yearlyNth_);

    // Using a line's lists ticks its form.
    auto ticks = [&](DropDownList* list, QRadioButton* form, bool typing) {
        QObject::connect(list, &DropDownList::closedUp, wizard_, [this, form] { Tick(form); });
        if (typing && list->lineEdit()) {
            QObject::connect(list->lineEdit(), &QLineEdit::textEdited, wizard_,
                             [this, form] { Tick(form); });
        }
    };
    ticks(monthDay_, monthlyDay_, false);
    ticks(monthDayInterval_, monthlyDay_, true);
    ticks(monthWeek_, monthlyThe_, false);
    ticks(monthWeekday_, monthlyThe_, false);
    ticks(monthTheInterval_, monthlyThe_, true);
    ticks(yearMonth_, yearlyDate_, false);
    ticks(yearDay_, yearlyDate_, false);
    ticks(yearNthMonth_, yearlyNth_, false);
    ticks(yearWeek_, yearlyNth_, false);
    ticks(yearWeekday_, yearlyNth_, false);

    Fill();
    TakeValues();
    ShowTab();
}

void PatternPage::Fill() {
    const int w = start_.dayOfWeek % 7;
    const QString interval = QString::number(interval_);
    SetListText(dailyInterval_, interval);
    SetListText(weeklyInterval_, interval);
    for (int day = 0; day < 7; ++day) {
        flags_[static_cast<size_t>(day)] = mask_ == 0 ? day == w : ((mask_ >> day) & 1) != 0;
    }
    const int week =
        instance_ >= 1 && instance_ <= 5 ? static_cast<int>(instance_) - 1 : (start_.day - 1) / 7;
    (type_ == poom::kRecursMonthNth ? monthlyThe_ : monthlyDay_)->setChecked(true);
    SetListText(monthDay_, QString::number(start_.day));
    SetListText(monthDayInterval_, interval);
    SetListText(monthTheInterval_, interval);
    monthWeek_->setCurrentIndex(std::min(week, 4));
    monthWeekday_->setCurrentIndex(w);

    (type_ == poom::kRecursYearNth ? yearlyNth_ : yearlyDate_)->setChecked(true);
    SetListText(yearMonth_, kMonths.value(start_.month - 1));
    SetListText(yearNthMonth_, kMonths.value(start_.month - 1));
    SetListText(yearDay_, QString::number(start_.day));
    SetListText(yearWeek_, kWeeks.value(std::min(week, 4)));
    SetListText(yearWeekday_, kWeekdays.value(w));
}

std::vector<QWidget*> PatternPage::TabControls(int tab) const {
    switch (tab) {
        case kDaily:
            return {dailyInterval_};
        case kWeekly:
            return {weeklyInterval_};
        case kMonthly:
            return {monthlyDay_, monthDay_,     monthDayInterval_, monthlyThe_,
                    monthWeek_,  monthWeekday_, monthTheInterval_};
        default:
            return {yearlyDate_, yearMonth_,   yearDay_,     yearlyNth_,
                    yearWeek_,   yearWeekday_, yearNthMonth_};
    }
}

void PatternPage::ShowTab() {
    for (QWidget* control : controls_) {
        control->hide();
    }
    if (shown_) {
        for (QWidget* control : TabControls(tab_)) {
            control->show();
        }
    }
    if (wizard_) {
        wizard_->RepaintFace();
    }
}

void PatternPage::SetShown(bool shown) {
    shown_ = shown;
    ShowTab();
}

bool PatternPage::TakeValues() {
    values_.dailyInterval = dailyInterval_->currentText();
    values_.weeklyInterval = weeklyInterval_->currentText();
    values_.monthDay = monthDay_->currentText();
    values_.monthDayInterval = monthDayInterval_->currentText();
    values_.monthTheInterval = monthTheInterval_->currentText();
    values_.yearDay = yearDay_->currentText();
    values_.monthWeek = Position(monthWeek_);
    values_.monthWeekday = Position(monthWeekday_);
    values_.yearMonth = Position(yearMonth_);
    values_.yearWeek = Position(yearWeek_);
    values_.yearWeekday = Position(yearWeekday_);
    values_.yearNthMonth = Position(yearNthMonth_);
    values_.monthlyThe = monthlyThe_->isChecked();
    values_.yearlyNth = yearlyNth_->isChecked();
    return true;
}

void PatternPage::Apply() {
    TakeValues();
    switch (tab_) {
        case kDaily:
            pattern_.SetRecurrenceType(poom::kRecursDaily);
            pattern_.SetInterval(DecimalValue(values_.dailyInterval));
            break;
        case kWeekly: {
            pattern_.SetRecurrenceType(poom::kRecursWeekly);
            pattern_.SetInterval(DecimalValue(values_.weeklyInterval));
            long mask = 0;
            for (int day = 0; day < 7; ++day) {
                mask |= flags_[static_cast<size_t>(day)] ? BitOf(day) : 0;
            }
            pattern_.SetDayOfWeekMask(mask);
            break;
        }
        case kMonthly:
            if (!values_.monthlyThe) {
                pattern_.SetRecurrenceType(poom::kRecursMonthly);
                pattern_.SetInterval(DecimalValue(values_.monthDayInterval));
                pattern_.SetDayOfMonth(DecimalValue(values_.monthDay));
            } else {
                pattern_.SetRecurrenceType(poom::kRecursMonthNth);
                pattern_.SetInterval(DecimalValue(values_.monthTheInterval));
                pattern_.SetInstance(values_.monthWeek + 1);
                pattern_.SetDayOfWeekMask(BitOf(values_.monthWeekday));
            }
            break;
        default:
            if (!values_.yearlyNth) {
                pattern_.SetRecurrenceType(poom::kRecursYearly);
                pattern_.SetMonthOfYear(values_.yearMonth + 1);
                pattern_.SetDayOfMonth(DecimalValue(values_.yearDay));
            } else {
                pattern_.SetRecurrenceType(poom::kRecursYearNth);
                pattern_.SetMonthOfYear(values_.yearNthMonth + 1);
                pattern_.SetInstance(values_.yearWeek + 1);
                pattern_.SetDayOfWeekMask(BitOf(values_.yearWeekday));
            }
            break;
    }
}

void PatternPage::Paint(QPainter& painter) const {
    const QImage& strip = Bitmap(kStripBitmaps[static_cast<size_t>(tab_)]);
    gdi::Blit(painter, QPoint(0, 0), strip, {0, 0, strip.width(), strip.height()});
    for (const StaticText& text : kStatics) {
        if (text.tab == tab_) {
            gdi::DrawText(painter, QString::fromLatin1(text.text), text.rect,
                          gdi::DT_LEFT | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX, FontArial10(),
                          Qt::black);
        }
    }
    if (tab_ == kWeekly) {
        for (int day = 0; day < 7; ++day) {
            const size_t i = static_cast<size_t>(day);
            const QImage& image = Bitmap(flags_[i] ? kWeekdayOn[i] : kWeekdayOff[i]);
            const DeviceRect place = WeekdayImageRect(day);
            gdi::Blit(painter, QPoint(place.left, place.top), image,
                      {0, 0, image.width(), image.height()});
        }
    }
}

void PatternPage::PenDown(int x, int y) {
    if (y >= 0 && y < kTabRects[0].bottom) {
        if (const int tab = TabAt(x, y); tab >= 0) {
            tab_ = tab;
        }
        ShowTab();
        return;
    }
    if (tab_ == kWeekly) {
        for (int day = 0; day < 7; ++day) {
            if (WeekdayImageRect(day).Contains(x, y)) {
                ToggleWeekday(day);
                return;
            }
        }
    }
}

void PatternPage::ToggleWeekday(int weekday) {
    bool& flag = flags_[static_cast<size_t>(weekday)];
    flag = !flag;
    if (std::none_of(flags_.begin(), flags_.end(), [](bool set) { return set; })) {
        flag = true;
        CurrentUiHost().MessageBox(kOneDayAtLeast, u"", kMbOk);
    }
    wizard_->RepaintFace();
}

void PatternPage::Tick(QRadioButton* button) {
    button->setChecked(true);
    TakeValues();
}

}  // namespace moru
