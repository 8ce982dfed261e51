#include "editors/appointment_editor.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimeEdit>

#include "app/fonts.h"
#include "editors/appointment_writes.h"
#include "editors/drop_down_list.h"
#include "editors/memo_editor.h"
#include "editors/pattern_page.h"
#include "editors/range_page.h"
#include "editors/recurrence_wizard.h"
#include "platform/qt/drawing.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "platform/ui_host.h"
#include "resources/bitmaps.h"
#include "store/calendar_state.h"
#include "store/memo_files.h"

namespace moru {
namespace {

constexpr QSize kDialogSize{240, 267};
// OK and Cancel below the rows, clear of the appointment layout's memo row (y 192..218).
constexpr DeviceRect kOkButton = DeviceRect::FromSize(100, 236, 62, 24);
constexpr DeviceRect kCancelButton = DeviceRect::FromSize(168, 236, 62, 24);

constexpr int kSubjectMaxChars = 259;
constexpr int kSoundOff = 0;
constexpr int kYes = 0;
constexpr int kNo = 1;
constexpr std::u16string_view kSoundFolder = u"\\Windows\\";

constexpr std::u16string_view kMemoRefused = u"Cannot save. Memo exceeded memory limitation.";
constexpr std::u16string_view kItemMissing = u"Cannot edit. The item is no longer in the calendar.";
constexpr std::u16string_view kCannotCreate = u"Cannot create a new item in the calendar.";

// The pickers' dates fit their 83-pixel column beside the calendar button in a smaller face.
const QFont& PickerFont() {
    static const QFont font = [] {
        QFont smaller = FontArial10();
        smaller.setPixelSize(11);
        return smaller;
    }();
    return font;
}

QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QDate ToQDate(const SystemTime& t) {
    return QDate(t.year, t.month, t.day);
}
QTime ToQTime(const SystemTime& t) {
    return QTime(t.hour, t.minute, t.second);
}
SystemTime FromParts(const QDate& date, const QTime& time) {
    return MakeSystemTime(date.year(), date.month(), date.day(), time.hour(), time.minute(),
                          time.second());
}
double ToDate(const SystemTime& t) {
    return MakeDate(t.year, t.month, t.day, t.hour, t.minute, t.second).value_or(0.0);
}
SystemTime Broken(double date) {
    return VariantTimeToSystemTime(date).value_or(SystemTime{});
}

bool SameTextIgnoringCase(const QString& a, const std::u16string& b) {
    return a.compare(Q(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

AppointmentEditor::AppointmentEditor(EditorMode mode, QWidget* parent)
    : PixelDialog(kDialogSize, "AppointmentEditor", parent), mode_(mode), kind_(KindOfMode(mode)) {
    setWindowTitle(QStringLiteral("Moru Calendar"));
    CreateControls();
    ConnectControls();
    HideEditingControls();
}

AppointmentEditor::~AppointmentEditor() {
    if (soundPlaying_) {
        StopSound();
    }
}

void AppointmentEditor::CreateControls() {
    const QFont& font = FontArial10();
    subject_ = new QLineEdit(this);
    subject_->setMaxLength(kSubjectMaxChars);
    startDate_ = new QDateEdit(this);
    endDate_ = new QDateEdit(this);
    for (QDateEdit* date : {startDate_, endDate_}) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(QStringLiteral("yyyy.MM.dd"));
    }
    startTime_ = new QTimeEdit(this);
    endTime_ = new QTimeEdit(this);
    const QString timeFormat =
        kind_ == Alarm ? QStringLiteral("hh:mm:ss AP") : QStringLiteral("hh:mm AP");
    for (QTimeEdit* time : {startTime_, endTime_}) {
        time->setDisplayFormat(timeFormat);
    }
    allDay_ = new QCheckBox(QStringLiteral("All day"), this);
    recur_ = new DropDownList(this);
    yesNo_ = new DropDownList(this);
    yesNo_->addItems({QStringLiteral("Yes"), QStringLiteral("No")});
    amount_ = new QLineEdit(this);
    amount_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), amount_));
    unit_ = new DropDownList(this);
    unit_->addItems(
        {QStringLiteral("Minute(s)"), QStringLiteral("Hour(s)"), QStringLiteral("Day(s)")});
    sound_ = new DropDownList(this);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    ok_->setDefault(true);
    PlaceControl(ok_, kOkButton, &font);
    PlaceControl(cancel_, kCancelButton, &font);
    for (QWidget* control :
         std::initializer_list<QWidget*>{subject_, startDate_, endDate_, startTime_, endTime_,
                                         allDay_, recur_, yesNo_, amount_, unit_, sound_}) {
        control->setFont(font);
    }
}

void AppointmentEditor::ConnectControls() {
    connect(ok_, &QPushButton::clicked, this, &AppointmentEditor::accept);
    connect(cancel_, &QPushButton::clicked, this, &AppointmentEditor::reject);
    connect(subject_, &QLineEdit::textChanged, this, [this] { Invalidate(); });
    connect(startDate_, &QDateEdit::dateChanged, this, &AppointmentEditor::StartChanged);
    connect(startTime_, &QTimeEdit::timeChanged, this, &AppointmentEditor::StartChanged);
    connect(endDate_, &QDateEdit::dateChanged, this, &AppointmentEditor::EndChanged);
    connect(endTime_, &QTimeEdit::timeChanged, this, &AppointmentEditor::EndChanged);
    connect(allDay_, &QCheckBox::toggled, this, [this] {
        HideEditingControls();
        Invalidate();
    });
    connect(recur_, &DropDownList::droppedDown, this, &AppointmentEditor::FillRepeatChoices);
    connect(recur_, &DropDownList::closedUp, this, &AppointmentEditor::RecurClosedUp);
    connect(recur_, &QComboBox::currentIndexChanged, this, [this] { Invalidate(); });
    connect(yesNo_, &QComboBox::currentIndexChanged, this, [this] {
        UpdateReminderEnabling();
        Invalidate();
    });
    connect(amount_, &QLineEdit::textChanged, this, [this] { Invalidate(); });
    connect(unit_, &QComboBox::currentIndexChanged, this, [this] { Invalidate(); });
    connect(sound_, &QComboBox::currentIndexChanged, this, [this] {
        UpdateReminderEnabling();
        Invalidate();
    });
}

int AppointmentEditor::Exec() {
    if (!Open()) {
        return kIdCancel;
    }
    return exec();
}

bool AppointmentEditor::Open() {
    if (opened_) {
        return *opened_;
    }
    opened_ = false;
    HideEditingControls();
    subject_->clear();
    const SystemTime rounded = RoundedToHalfHour(GetLocalTime());
    SetStartPickers(rounded, rounded);
    SetEndPickers(rounded, rounded);
    SetQuietly(allDay_, [&] { allDay_->setChecked(false); });

    FillRepeatChoices();
    FillSoundList();
    SetReminderControls();

    if (!isNew() && !FetchChangedItem()) {
        CurrentUiHost().MessageBox(kItemMissing, u"", kMbOk | kMbIconExclamation);
        return false;
    }
    PlaceForKind();
    if (isNew() && !CreateNewItem()) {
        CurrentUiHost().MessageBox(kCannotCreate, u"", kMbOk | kMbIconExclamation);
        return false;
    }
    if (recur_->currentIndex() == RepeatOnce) {
        PresetOncePattern(*pattern_, item_->Start(), item_->End());
    }
    FillRepeatChoices();
    subject_->setCursorPosition(0);
    opened_ = true;
    Invalidate();
    return true;
}

bool AppointmentEditor::FetchChangedItem() {
    const StoreConnection& connection = Calendar().connection;
    if (!connection.application) {
        return false;
    }
    auto item = connection.application->GetItemFromOid(record.oid);
    if (!item) {
        std::fprintf(stderr, "moru: the item %u to change cannot be read: %s\n", record.oid,
                     item.error().message.c_str());
        return false;
    }
    item_ = *item;
    pattern_ = item_->GetRecurrencePattern();
    SetQuietly(subject_, [&] { subject_->setText(Q(record.subject)); });
    if (recur_->currentIndex() != RepeatOnce) {
        // A series' dates are its pattern's: the stored start is the first occurrence's.
        const SystemTime patternStart = Broken(pattern_->PatternStartDate());
        const SystemTime patternTime = Broken(pattern_->StartTime());
        SetStartPickers(patternStart, patternTime);
        if (kind_ == Appointment) {
            SystemTime first = patternStart;
            first.hour = record.start.hour;
            first.minute = record.start.minute;
            first.second = 0;
            SystemTime recordStart = record.start, recordEnd = record.end;
            recordStart.second = recordEnd.second = 0;
            const double length = ToDate(recordEnd) - ToDate(recordStart);
            SetEndPickers(Broken(ToDate(first) + length), Broken(pattern_->EndTime()));
        }
    } else {
        SetStartPickers(record.start, record.start);
        SetEndPickers(record.end, record.end);
    }
    if (mode_ == EditorModeFor(Appointment, true)) {
        SetQuietly(allDay_, [&] { allDay_->setChecked(record.allDay != 0); });
    }
    return true;
}

bool AppointmentEditor::CreateNewItem() {
    const StoreConnection& connection = Calendar().connection;
    if (!connection.application) {
        return false;
    }
    auto item = connection.application->CreateItem(poom::kAppointmentItem);
    if (!item) {
        std::fprintf(stderr, "moru: a new item cannot be made: %s\n", item.error().message.c_str());
        return false;
    }
    item_ = *item;
    PresetNewItem();
    pattern_ = item_->GetRecurrencePattern();
    return true;
}

// The new item carries the dialog's first values at once, so that a pattern preset from it
// describes what the user sees; the save writes them all again.
void AppointmentEditor::PresetNewItem() {
    const double start = ToDate(StartValue());
    const double end = ToDate(EndValue());
    item_->SetSubject(subject_->text().toStdU16String());
    item_->SetLocation(u"");
    item_->SetCategories(u"");
    item_->SetStart(start);
    item_->SetDuration(DurationMinutes(end - start));
    item_->SetEnd(end);
    item_->SetAllDayEvent(kind_ == Appointment ? allDay_->isChecked() : kind_ != Alarm);
    item_->SetSensitivity(kSensitivityNormal);
    item_->SetBusyStatus(kBusyStatusBusy);
    const bool reminds = kind_ == Alarm || yesNo_->currentIndex() == kYes;
    const long minutes =
        kind_ == Alarm ? 0
                       : ReminderMinutes(amount_->text().toStdU16String(), unit_->currentIndex())
                             .minutes.value_or(0);
    WriteReminder(*item_,
                  {reminds, soundChosen() ? sound_->currentText().toStdU16String() : u"", minutes});
    item_->SetBody(u"");
}

void AppointmentEditor::SetStartPickers(const SystemTime& date, const SystemTime& time) {
    SetQuietly(startDate_, [&] { startDate_->setDate(ToQDate(date)); });
    SetQuietly(startTime_, [&] { startTime_->setTime(ToQTime(time)); });
}

void AppointmentEditor::SetEndPickers(const SystemTime& date, const SystemTime& time) {
    SetQuietly(endDate_, [&] { endDate_->setDate(ToQDate(date)); });
    SetQuietly(endTime_, [&] { endTime_->setTime(ToQTime(time)); });
}

const QFont* AppointmentEditor::FontFor(const QWidget* control) const {
    const bool picker = control == startDate_ || control == startTime_ || control == endDate_ ||
                        control == endTime_;
    return picker ? &PickerFont() : &FontArial10();
}

void AppointmentEditor::PlaceForKind() {
    const bool once = recur_->currentIndex() == RepeatOnce;
    const auto place = [&](QWidget* control, EditorTarget target) {
        PlaceControl(control, ControlRect(kind_, target, once), FontFor(control));
    };
    place(subject_, EditorTarget::SubjectEdit);
    place(startDate_, EditorTarget::StartDate);
    place(startTime_, EditorTarget::StartTime);
    place(recur_, EditorTarget::RecurList);
    place(sound_, EditorTarget::SoundList);
    if (kind_ != Alarm) {
        place(yesNo_, EditorTarget::YesNoList);
        place(amount_, EditorTarget::AmountEdit);
        place(unit_, EditorTarget::UnitList);
    }
    if (kind_ == Appointment) {
        place(endDate_, EditorTarget::EndDate);
        place(endTime_, EditorTarget::EndTime);
        PlaceControl(allDay_, AllDayBoxRect(), &FontArial10());
        allDay_->show();
    }
}

void AppointmentEditor::HideEditingControls() {
    for (QWidget* control :
         std::initializer_list<QWidget*>{subject_, startDate_, startTime_, endDate_, endTime_,
                                         recur_, yesNo_, amount_, unit_, sound_}) {
        control->hide();
    }
    if (kind_ != Appointment) {
        allDay_->hide();
    }
}

QWidget* AppointmentEditor::shownControl() const {
    for (QWidget* control :
         std::initializer_list<QWidget*>{subject_, startDate_, startTime_, endDate_, endTime_,
                                         recur_, yesNo_, amount_, unit_, sound_}) {
        if (!control->isHidden()) {
            return control;
        }
    }
    return nullptr;
}

void AppointmentEditor::PenDown(int x, int y) {
    HideEditingControls();
    const EditorTarget target =
        TargetAt(kind_, recur_->currentIndex() == RepeatOnce, allDay_->isChecked(), x, y);
    Show(target);
    Invalidate();
}

void AppointmentEditor::Show(EditorTarget target) {
    const bool once = recur_->currentIndex() == RepeatOnce;
    auto reveal = [&](QWidget* control) {
        PlaceControl(control, ControlRect(kind_, target, once), FontFor(control));
        control->show();
        control->setFocus(Qt::MouseFocusReason);
        // A shown picker takes typed digits into its first field at once, as a tapped
        // device picker does; the arrow keys step that field.
        if (auto* picker = qobject_cast<QDateTimeEdit*>(control)) {
            picker->setSelectedSection(picker->sectionAt(0));
        }
    };
    switch (target) {
        case EditorTarget::SubjectEdit:
            reveal(subject_);
            break;
        case EditorTarget::StartDate:
            reveal(startDate_);
            break;
        case EditorTarget::StartTime:
            reveal(startTime_);
            break;
        case EditorTarget::EndDate:
            reveal(endDate_);
            break;
        case EditorTarget::EndTime:
            reveal(endTime_);
            break;
        case EditorTarget::RecurList:
            reveal(recur_);
            break;
        case EditorTarget::YesNoList:
            reveal(yesNo_);
            break;
        case EditorTarget::AmountEdit:
            reveal(amount_);
            break;
        case EditorTarget::UnitList:
            reveal(unit_);
            break;
        case EditorTarget::SoundList:
            reveal(sound_);
            break;
        case EditorTarget::PlaySound:
            PlayChosenSound();
            break;
        case EditorTarget::StopSound:
            StopChosenSound();
            break;
        case EditorTarget::Memo:
            EditMemo();
            break;
        case EditorTarget::None:
            break;
    }
}

void AppointmentEditor::FillRepeatChoices() {
    const int previous = recur_->count() == 0 ? 0 : recur_->currentIndex();
    const auto texts = RepeatChoiceTexts(StartDateValue());
    SetQuietly(recur_, [&] {
        recur_->clear();
        for (const std::u16string& text : texts) {
            recur_->addItem(Q(text));
        }
        recur_->setCurrentIndex(isNew() ? std::max(previous, 0) : record.repeatChoice);
    });
    Invalidate();
}

void AppointmentEditor::FillSoundList() {
    SetQuietly(sound_, [&] {
        sound_->clear();
        sound_->addItem(QStringLiteral("Sound off"));
        for (const std::u16string& name : ReminderSoundNames()) {
            sound_->addItem(Q(name));
        }
        sound_->setCurrentIndex(kSoundOff);
        if (!isNew()) {
            for (int i = 1; i < sound_->count(); ++i) {
                if (SameTextIgnoringCase(sound_->itemText(i), record.soundFile)) {
                    sound_->setCurrentIndex(i);
                    break;
                }
            }
        }
    });
}

void AppointmentEditor::SetReminderControls() {
    ReminderAmount amount{15, kUnitMinutes};
    int yesNo = kYes;
    if (!isNew()) {
        yesNo = record.reminderSet == 1 ? kYes : kNo;
        amount = SplitReminderMinutes(record.reminderMinutes);
    } else if (kind_ != Alarm) {
        yesNo = kNo;
        amount = {12, kUnitHours};
    }
    SetQuietly(yesNo_, [&] { yesNo_->setCurrentIndex(yesNo); });
    SetQuietly(amount_, [&] { amount_->setText(QString::number(amount.amount)); });
    SetQuietly(unit_, [&] { unit_->setCurrentIndex(amount.unit); });
    UpdateReminderEnabling();
}

void AppointmentEditor::UpdateReminderEnabling() {
    // An alarm always reminds; its sound list is never turned off.
    const bool on = kind_ == Alarm || yesNo_->currentIndex() == kYes;
    amount_->setEnabled(on);
    unit_->setEnabled(on);
    sound_->setEnabled(on);
}

bool AppointmentEditor::soundChosen() const {
    return sound_->currentIndex() > kSoundOff;
}

void AppointmentEditor::PlayChosenSound() {
    if (!soundChosen()) {
        StopChosenSound();
        return;
    }
    StopSound();
    const std::u16string path =
        std::u16string(kSoundFolder) + sound_->currentText().toStdU16String();
    // A sound that cannot be played is not worth a message: the preview just stays silent.
    PlaySoundFile(path);
    soundPlaying_ = true;
}

void AppointmentEditor::StopChosenSound() {
    StopSound();
    soundPlaying_ = false;
}

void AppointmentEditor::StartChanged() {
    if (hasTimeOfDay() && ToDate(StartValue()) > ToDate(EndValue())) {
        SetEndPickers(StartValue(), StartValue());
    }
    Invalidate();
}

void AppointmentEditor::EndChanged() {
    if (hasTimeOfDay() && ToDate(StartValue()) > ToDate(EndValue())) {
        SetStartPickers(EndValue(), EndValue());
    }
    Invalidate();
}

SystemTime AppointmentEditor::StartDateValue() const {
    return FromParts(startDate_->date(), QTime(0, 0));
}

SystemTime AppointmentEditor::EndDateValue() const {
    return FromParts(endDate_->date(), QTime(0, 0));
}

SystemTime AppointmentEditor::StartValue() const {
    return hasTimeOfDay() ? FromParts(startDate_->date(), startTime_->time()) : StartDateValue();
}

SystemTime AppointmentEditor::EndValue() const {
    switch (kind_) {
        case Appointment:
            return FromParts(endDate_->date(), endTime_->time());
        case Alarm:
            return StartValue();
        default:
            return StartDateValue();
    }
}

void AppointmentEditor::RecurClosedUp() {
    if (recur_->currentIndex() != RepeatOther || !pattern_) {
        Invalidate();
        return;
    }
    SeedPattern();
    RecurrenceWizard wizard(this);
    wizard.AddPage(std::make_unique<PatternPage>(*pattern_), u" ", PatternPage::kDialogId);
    wizard.AddPage(std::make_unique<RangePage>(*pattern_), u" ", RangePage::kDialogId);
    if (CurrentUiHost().RunModal(wizard) != kIdOk) {
        SetQuietly(recur_,
                   [&] { recur_->setCurrentIndex(isNew() ? RepeatOnce : record.repeatChoice); });
    }
    Invalidate();
}

// The wizard starts from the item as the pickers now show it, unless it edits a series the
// store already holds, whose pattern it opens as it is.
void AppointmentEditor::SeedPattern() {
    // A pattern cleared by an earlier refused save of a one-off is made again first.
    pattern_ = item_->GetRecurrencePattern();
    if (!isNew() && record.repeatChoice != RepeatOnce) {
        return;
    }
    // Occurrences start at the time of day of the pattern and last its duration, so both are
    // seeded from the values the save writes: an alarm or appointment keeps its time, and
    // only an appointment has an end of its own.
    PresetOncePattern(*pattern_, ToDate(StartValue()), ToDate(EndValue()));
}

void AppointmentEditor::EditMemo() {
    SharedMemoBuffer.Empty();
    if (auto ink = item_->GetBodyInk()) {
        SharedMemoBuffer.Assign(*ink);
    }
    MemoEditor editor(this);
    editor.memoPath.clear();
    if (CurrentUiHost().RunModal(editor) != kIdOk) {
        return;
    }
    const auto bytes = SharedMemoBuffer.bytes();
    if (!item_->SetBodyInk(std::vector<uint8_t>(bytes.begin(), bytes.end()))) {
        CurrentUiHost().MessageBox(kMemoRefused, u"", kMbOk | kMbIconExclamation);
    }
}

EditorFaceState AppointmentEditor::faceState() const {
    EditorFaceState face;
    face.kind = kind_;
    face.subject = subject_->text();
    face.startDate = StartDateValue();
    face.startTime = FromParts(startDate_->date(), startTime_->time());
    face.endDate = EndDateValue();
    face.endTime = FromParts(endDate_->date(), endTime_->time());
    face.allDay = allDay_->isChecked();
    face.once = recur_->currentIndex() == RepeatOnce;
    face.recurText = recur_->currentText();
    face.yesNoText = yesNo_->currentText();
    face.reminderOn = yesNo_->currentIndex() == kYes;
    face.amountText = amount_->text();
    face.unitText = unit_->currentText();
    face.soundText = sound_->currentText();
    face.soundChosen = soundChosen();
    return face;
}

void AppointmentEditor::Paint(QPainter& painter) {
    const EditorFace face = BuildEditorFace(faceState());
    gdi::FillRect(painter, {0, 0, kDialogSize.width(), kDialogSize.height()}, Qt::white);
    for (const DeviceRect& fill : face.whiteFills) {
        gdi::FillRect(painter, fill, Qt::white);
    }
    for (const FaceText& text : face.texts) {
        gdi::DrawText(painter, text.text, text.rect,
                      gdi::DT_LEFT | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX, FontArial10(),
                      text.colour);
    }
    for (const FaceLine& line : face.lines) {
        gdi::Line(painter, line.from, line.to, face.lineColour);
    }
    for (const FaceIcon& icon : face.icons) {
        gdi::Blit(painter, icon.at, Bitmap(icon.bitmap), icon.source);
    }
}

void AppointmentEditor::accept() {
    if (!opened_.value_or(false)) {
        return;
    }
    if (SaveAppointment()) {
        Close(kIdOk);
    }
}

void AppointmentEditor::reject() {
    // The item was never saved (new) or keeps what the store holds (changed): dropping the
    // handles leaves the store as it was.
    Close(kIdCancel);
}

void AppointmentEditor::Close(int result) {
    if (soundPlaying_) {
        StopChosenSound();
    }
    pattern_.reset();
    item_.reset();
    done(result);
}

bool AppointmentEditor::SaveAppointment() {
    SaveInputs inputs;
    inputs.kind = kind_;
    inputs.subject = subject_->text().left(kSubjectMaxChars).toStdU16String();
    inputs.start = ToDate(StartValue());
    inputs.end = ToDate(EndValue());
    inputs.allDay = allDay_->isChecked();
    inputs.reminderYes = yesNo_->currentIndex() == kYes;
    inputs.amountText = amount_->text().toStdU16String();
    inputs.unit = unit_->currentIndex();
    inputs.soundName = soundChosen() ? sound_->currentText().toStdU16String() : u"";
    inputs.choice = recur_->currentIndex();
    if (const auto refusal = WriteAndSave(*item_, pattern_, inputs)) {
        CurrentUiHost().MessageBox(refusal->text, u"", refusal->style);
        return false;
    }

    SavedItemValues values;
    values.subject = inputs.subject;
    // The record says what the store now holds: an alarm ends as it starts and a holiday or
    // anniversary lies at midnight, whatever the pickers they do not show still hold.
    values.start = StartValue();
    values.end = EndValue();
    values.reminderSet = kind_ == Alarm || inputs.reminderYes;
    values.soundText = sound_->currentText().toStdU16String();
    values.soundChosen = soundChosen();
    values.allDay = kind_ == Appointment ? inputs.allDay : kind_ != Alarm;
    values.repeatChoice = inputs.choice;
    savedRecord_ = BuildSavedRecord(values, *item_);
    savedOid_ = savedRecord_.oid;
    return true;
}

}  // namespace moru
