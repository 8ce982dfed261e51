#include "editors/editor_layout.h"

#include <charconv>

#include "platform/locale_format.h"
#include "platform/text.h"
#include "store/word_tables.h"

namespace moru {
namespace {

// The kinds without a time of day and without end controls share one layout.
bool DateOnlyKind(ItemKind kind) {
    return kind == Holiday || kind == Anniversary;
}

constexpr int kFirstRowTop = 15;
constexpr int kAppointmentFirstRowTop = 10;

// Labels are 57 x 24 at x 5, four pixels below their row's top.
constexpr int kLabelLeft = 5;
constexpr int kLabelWidth = 57;
constexpr int kLabelHeight = 24;

// Values are drawn from x 65 to 230, four pixels below the row top, one line of 24 pixels.
constexpr int kValueLeft = 65;
constexpr int kValueRight = 230;
constexpr int kValueInset = 4;
constexpr int kValueHeight = 24;
// An appointment's date column ends where its time column (x 150) begins.
constexpr int kDateColumnRight = 148;
constexpr int kTimeColumnLeft = 150;
// The reminder row: Yes/No, then the amount, then the unit.
constexpr int kYesNoRight = 115;
constexpr int kAmountLeft = 118;
constexpr int kAmountRight = 153;
constexpr int kUnitLeft = 156;
constexpr int kUnitRight = 231;
// The sound row: the list's text, then the play and stop icons.
constexpr int kSoundTextRight = 190;
constexpr int kPlayLeft = 196;
constexpr int kStopLeft = 214;
constexpr int kIconSize = 16;
constexpr int kPlayBitmap = 215;
constexpr int kStopBitmap = 214;
constexpr int kShortUnderlineRight = 235;

const QColor kBlack{0, 0, 0};
const QColor kGreyText{153, 153, 153};         // the amount and unit of a reminder turned off
const QColor kMemoBlue{50, 50, 255};           // "Edit memo..."
const QColor kLineGrey{150, 150, 150};         // alarms, holidays and anniversaries
const QColor kAppointmentLine{153, 153, 153};  // appointments

constexpr std::array<EditorRow, kRowCount> kAlarmRows = {
    EditorRow::Subject, EditorRow::StartDate, EditorRow::StartTime, EditorRow::Recur,
    EditorRow::Sound,   EditorRow::Memo,      EditorRow::None,      EditorRow::None};
constexpr std::array<EditorRow, kRowCount> kDateOnlyRows = {
    EditorRow::Subject, EditorRow::StartDate, EditorRow::Recur, EditorRow::Reminder,
    EditorRow::Sound,   EditorRow::Memo,      EditorRow::None,  EditorRow::None};
constexpr std::array<EditorRow, kRowCount> kAppointmentRows = {
    EditorRow::Subject, EditorRow::Start,    EditorRow::End,   EditorRow::AllDay,
    EditorRow::Recur,   EditorRow::Reminder, EditorRow::Sound, EditorRow::Memo};

const std::array<EditorRow, kRowCount>& RowsOf(ItemKind kind) {
    if (kind == Appointment) {
        return kAppointmentRows;
    }
    return DateOnlyKind(kind) ? kDateOnlyRows : kAlarmRows;
}

DeviceRect ValueRect(ItemKind kind, int row, int left = kValueLeft, int right = kValueRight) {
    const int top = RowTop(kind, row) + kValueInset;
    return {left, top, right, top + kValueHeight};
}

// The device's underline below a value: from three pixels left of it to five right of it,
// five pixels above its rectangle's bottom.
FaceLine Underline(const DeviceRect& value, int right) {
    return {QPoint(value.left - 3, value.bottom - 5), QPoint(right, value.bottom - 5)};
}

QString Q(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QString DateText(const SystemTime& date, std::u16string_view picture) {
    return Q(FormatDate(date, picture));
}
QString TimeText(const SystemTime& time, std::u16string_view picture) {
    return Q(FormatTime(time, picture));
}

void AddLabels(const EditorFaceState& state, EditorFace& face) {
    const ItemKind kind = state.kind;
    auto label = [&](EditorRow content, std::u16string_view text) {
        const int row = RowOf(kind, content);
        if (row >= 0) {
            const int top = RowTop(kind, row) + kValueInset;
            face.texts.push_back({DeviceRect::FromSize(kLabelLeft, top, kLabelWidth, kLabelHeight),
                                  Q(text), kBlack});
        }
    };
    label(EditorRow::Subject, u"Subject :");
    if (kind == Appointment) {
        label(EditorRow::Start, u"Start :");
        label(EditorRow::End, u"End :");
    } else {
        label(EditorRow::StartDate, u"Date :");
        label(EditorRow::StartTime, u"Time :");
    }
    label(EditorRow::Recur, u"Recur :");
    // An alarm always reminds, so it has no "Alarm :" row to label.
    label(EditorRow::Reminder, u"Alarm :");
    label(EditorRow::Memo, u"Memo :");
}

// An appointment's Start or End row: the time alone for a series (whose dates come from the
// pattern), else the date and, unless all day, the time.
void AddAppointmentTimes(const EditorFaceState& state, EditorRow content, const SystemTime& date,
                         const SystemTime& time, EditorFace& face) {
    const int row = RowOf(Appointment, content);
    const DeviceRect whole = ValueRect(Appointment, row);
    face.whiteFills.push_back(whole);
    if (!state.once) {
        face.texts.push_back(
            {whole,
             state.allDay ? QStringLiteral("All day recurring") : TimeText(time, u"hh':'mm tt"),
             kBlack});
    } else {
        face.texts.push_back({ValueRect(Appointment, row, kValueLeft, kDateColumnRight),
                              DateText(date, u"yyyy.MM.dd"), kBlack});
        if (!state.allDay) {
            face.texts.push_back({ValueRect(Appointment, row, kTimeColumnLeft, kValueRight),
                                  TimeText(time, u"hh':'mm tt"), kBlack});
        }
    }
    face.lines.push_back(Underline(whole, kValueRight + 5));
}

}  // namespace

int FirstRowTop(ItemKind kind) {
    return kind == Appointment ? kAppointmentFirstRowTop : kFirstRowTop;
}

int RowTop(ItemKind kind, int row) {
    return FirstRowTop(kind) + row * kRowPitch;
}

int RowAt(ItemKind kind, int y) {
    return (y - FirstRowTop(kind)) / kRowPitch;
}

EditorRow RowContent(ItemKind kind, int row) {
    if (row < 0 || row >= kRowCount) {
        return EditorRow::None;
    }
    return RowsOf(kind)[static_cast<size_t>(row)];
}

int RowOf(ItemKind kind, EditorRow content) {
    const auto& rows = RowsOf(kind);
    for (int row = 0; row < kRowCount; ++row) {
        if (rows[static_cast<size_t>(row)] == content) {
            return row;
        }
    }
    return -1;
}

DeviceRect ControlRect(ItemKind kind, EditorTarget control, bool once) {
    auto rowTop = [&](EditorRow content) { return RowTop(kind, RowOf(kind, content)); };
    const bool appointment = kind == Appointment;
    switch (control) {
        case EditorTarget::SubjectEdit:
            return DeviceRect::FromSize(65, rowTop(EditorRow::Subject), 165, 24);
        case EditorTarget::StartDate:
            return appointment ? DeviceRect::FromSize(65, rowTop(EditorRow::Start), 83, 24)
                               : DeviceRect::FromSize(65, rowTop(EditorRow::StartDate), 165, 24);
        case EditorTarget::StartTime:
            if (!appointment) {
                return DeviceRect::FromSize(65, rowTop(EditorRow::StartTime), 165, 24);
            }
            return once ? DeviceRect::FromSize(150, rowTop(EditorRow::Start), 80, 24)
                        : DeviceRect::FromSize(65, rowTop(EditorRow::Start), 165, 24);
        case EditorTarget::EndDate:
            return DeviceRect::FromSize(65, rowTop(EditorRow::End), 83, 24);
        case EditorTarget::EndTime:
            return once ? DeviceRect::FromSize(150, rowTop(EditorRow::End), 80, 24)
                        : DeviceRect::FromSize(65, rowTop(EditorRow::End), 165, 24);
        case EditorTarget::RecurList:
            return DeviceRect::FromSize(65, rowTop(EditorRow::Recur), 165, 24);
        case EditorTarget::YesNoList:
            return DeviceRect::FromSize(65, rowTop(EditorRow::Reminder), 50, 24);
        case EditorTarget::AmountEdit:
            return DeviceRect::FromSize(118, rowTop(EditorRow::Reminder), 35, 20);
        case EditorTarget::UnitList:
            return DeviceRect::FromSize(156, rowTop(EditorRow::Reminder), 75, 24);
        case EditorTarget::SoundList:
            return DeviceRect::FromSize(65, rowTop(EditorRow::Sound), 125, 24);
        case EditorTarget::PlaySound:
            return PlayIconPlace(kind);
        case EditorTarget::StopSound:
            return StopIconPlace(kind);
        case EditorTarget::Memo:
        case EditorTarget::None:
            break;
    }
    return {};
}

DeviceRect AllDayBoxRect() {
    return DeviceRect::FromSize(65, RowTop(Appointment, RowOf(Appointment, EditorRow::AllDay)), 165,
                                24);
}

// The icons sit two pixels below the sound row's top, three in the appointment layout.
DeviceRect PlayIconPlace(ItemKind kind) {
    const int top = kind == Appointment ? 169 : 121;
    return DeviceRect::FromSize(kPlayLeft, top, kIconSize, kIconSize);
}
DeviceRect StopIconPlace(ItemKind kind) {
    const int top = kind == Appointment ? 169 : 121;
    return DeviceRect::FromSize(kStopLeft, top, kIconSize, kIconSize);
}

EditorTarget TargetAt(ItemKind kind, bool once, bool allDay, int x, int y) {
    if (x < kLabelColumnRight) {
        return EditorTarget::None;
    }
    switch (RowContent(kind, RowAt(kind, y))) {
        case EditorRow::Subject:
            return EditorTarget::SubjectEdit;
        case EditorRow::StartDate:
            return EditorTarget::StartDate;
        case EditorRow::StartTime:
            return EditorTarget::StartTime;
        case EditorRow::Start:
        case EditorRow::End: {
            const bool start = RowContent(kind, RowAt(kind, y)) == EditorRow::Start;
            const EditorTarget date = start ? EditorTarget::StartDate : EditorTarget::EndDate;
            const EditorTarget time = start ? EditorTarget::StartTime : EditorTarget::EndTime;
            if (!once) {
                return allDay ? EditorTarget::None : time;
            }
            if (allDay) {
                return date;
            }
            return x >= kDateColumnRight ? time : date;
        }
        case EditorRow::Recur:
            return EditorTarget::RecurList;
        case EditorRow::Reminder:
            if (x < kYesNoRight) {
                return EditorTarget::YesNoList;
            }
            return x < kAmountRight ? EditorTarget::AmountEdit : EditorTarget::UnitList;
        case EditorRow::Sound:
            if (x < kPlayLeft) {
                return EditorTarget::SoundList;
            }
            return x < kStopLeft ? EditorTarget::PlaySound : EditorTarget::StopSound;
        case EditorRow::Memo:
            return EditorTarget::Memo;
        case EditorRow::AllDay:
        case EditorRow::None:
            break;
    }
    return EditorTarget::None;
}

EditorFace BuildEditorFace(const EditorFaceState& state) {
    const ItemKind kind = state.kind;
    EditorFace face;
    face.lineColour = kind == Appointment ? kAppointmentLine : kLineGrey;
    AddLabels(state, face);

    auto simpleRow = [&](EditorRow content, const QString& text) {
        const int row = RowOf(kind, content);
        const DeviceRect rect = ValueRect(kind, row);
        face.texts.push_back({rect, text, kBlack});
        face.lines.push_back(Underline(rect, kValueRight + 5));
    };
    simpleRow(EditorRow::Subject, state.subject);
    if (kind == Appointment) {
        AddAppointmentTimes(state, EditorRow::Start, state.startDate, state.startTime, face);
        AddAppointmentTimes(state, EditorRow::End, state.endDate, state.endTime, face);
    } else {
        simpleRow(EditorRow::StartDate, DateText(state.startDate, u"yyyy.MM.dd (ddd)"));
        if (kind == Alarm) {
            simpleRow(EditorRow::StartTime, TimeText(state.startTime, u"hh':'mm':'ss tt"));
        }
    }
    simpleRow(EditorRow::Recur, state.recurText);

    if (const int row = RowOf(kind, EditorRow::Reminder); row >= 0) {
        const QColor amountColour = state.reminderOn ? kBlack : kGreyText;
        face.texts.push_back(
            {ValueRect(kind, row, kValueLeft, kYesNoRight), state.yesNoText, kBlack});
        face.texts.push_back(
            {ValueRect(kind, row, kAmountLeft, kAmountRight), state.amountText, amountColour});
        face.texts.push_back(
            {ValueRect(kind, row, kUnitLeft, kUnitRight), state.unitText, amountColour});
        face.lines.push_back(
            Underline(ValueRect(kind, row, kValueLeft, kUnitRight), kUnitRight + 5));
    }

    const int soundRow = RowOf(kind, EditorRow::Sound);
    const DeviceRect soundText = ValueRect(kind, soundRow, kValueLeft, kSoundTextRight);
    face.texts.push_back({soundText, state.soundText, kBlack});
    face.lines.push_back(Underline(soundText, kShortUnderlineRight));
    const DeviceRect half = state.soundChosen ? DeviceRect{0, 0, kIconSize, kIconSize}
                                              : DeviceRect{kIconSize, 0, 2 * kIconSize, kIconSize};
    const DeviceRect play = PlayIconPlace(kind);
    const DeviceRect stop = StopIconPlace(kind);
    face.icons.push_back({kPlayBitmap, QPoint(play.left, play.top), half});
    face.icons.push_back({kStopBitmap, QPoint(stop.left, stop.top), half});

    const DeviceRect memo =
        ValueRect(kind, RowOf(kind, EditorRow::Memo), kValueLeft, kSoundTextRight);
    face.texts.push_back({memo, QStringLiteral("Edit memo..."), kMemoBlue});
    face.lines.push_back(Underline(memo, kShortUnderlineRight));
    return face;
}

std::array<std::u16string, 9> RepeatChoiceTexts(const SystemTime& startDate) {
    const int w = startDate.dayOfWeek % 7;
    const int d = startDate.day;
    const int m = startDate.month >= 1 && startDate.month <= 12 ? startDate.month : 1;
    // The week of the month the day falls in: days 29 to 31 are in the "last" week.
    const std::u16string week(InstanceWords[static_cast<size_t>((d - 1) / 7 % 5 + 1)]);
    const std::u16string weekday(WeekdayShortNames[static_cast<size_t>(w)]);
    const std::u16string month(MonthShortNames[static_cast<size_t>(m)]);
    const std::u16string day = FromUtf8(std::to_string(d));
    return {
        std::u16string(RepeatChoiceNames[0]),
        std::u16string(RepeatChoiceNames[1]),
        u"Every " + std::u16string(WeekdayNames[static_cast<size_t>(w)]),
        std::u16string(RepeatChoiceNames[2]),
        u"Day " + day + u" of every month",
        u"The " + week + u" " + weekday + u" of every month",
        month + u" " + day + u" of every year",
        u"The " + week + u" " + weekday + u" of every " + month,
        std::u16string(RepeatChoiceNames[3]),
    };
}

ReminderAmount SplitReminderMinutes(int minutes) {
    constexpr int kMinutesPerDay = 1440;
    constexpr int kMinutesPerHour = 60;
    if (minutes == 0) {
        return {0, kUnitMinutes};
    }
    if (minutes % kMinutesPerDay == 0) {
        return {minutes / kMinutesPerDay, kUnitDays};
    }
    if (minutes % kMinutesPerHour == 0) {
        return {minutes / kMinutesPerHour, kUnitHours};
    }
    return {minutes, kUnitMinutes};
}

ReminderMinutesResult ReminderMinutes(std::u16string_view amountText, int unit) {
    constexpr int kMaxAmount = 9999;
    // The amount is read as an integer after blanks, as the dialog's own number fields are.
    const std::string text = ToUtf8(amountText);
    size_t first = text.find_first_not_of(" \t");
    size_t last = text.find_last_not_of(" \t");
    long long value = 0;
    bool number = first != std::string::npos;
    if (number) {
        const char* begin = text.data() + first;
        const char* end = text.data() + last + 1;
        if (*begin == '+') {
            ++begin;
        }
        const auto parsed = std::from_chars(begin, end, value);
        number = parsed.ec != std::errc::invalid_argument && parsed.ptr == end && begin != end;
        if (parsed.ec == std::errc::result_out_of_range) {
            value = kMaxAmount + 1;  // a number, far out of range
        }
    }
    if (!number) {
        return {std::nullopt, u"Please enter an integer."};
    }
    if (value < 0 || value > kMaxAmount) {
        return {std::nullopt, u"Please enter an integer between 0 and 9999."};
    }
    const int factor = unit == kUnitDays ? 1440 : unit == kUnitHours ? 60 : 1;
    return {static_cast<int>(value) * factor, {}};
}

SystemTime RoundedToHalfHour(const SystemTime& now) {
    SystemTime rounded = now;
    rounded.minute = now.minute < 30 ? 0 : 30;
    rounded.second = 0;
    rounded.milliseconds = 0;
    return rounded;
}

}  // namespace moru
