#pragma once
// The appointment editor's face as data: which row does what for each kind, where each
// editing control sits, what a tap at a point opens, and the painted rows (labels, values,
// underlines, the sound icons) computed from the editor's state. The editor paints this and
// hit-tests against it; tests call it directly.
//
// Geometry is in the 240-wide design's logical pixels. Rows are 26 pixels apart from the
// kind's first row top (15, or 10 for appointments, which have two more rows); a row number
// is (y - first row top) / 26 truncated toward zero, so a tap above the first row counts as
// the first row.
#include <QColor>
#include <QPoint>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "platform/datetime.h"
#include "platform/device_rect.h"
#include "store/appointment_record.h"

namespace moru {

// What a row of the editor holds.
enum class EditorRow {
    Subject,
    StartDate,
    StartTime,
    Start,
    End,
    AllDay,
    Recur,
    Reminder,
    Sound,
    Memo,
    None
};

// The editing controls and the painted pictures a tap can reach.
enum class EditorTarget {
    None,
    SubjectEdit,
    StartDate,
    StartTime,
    EndDate,
    EndTime,
    RecurList,
    YesNoList,
    AmountEdit,
    UnitList,
    SoundList,
    PlaySound,
    StopSound,
    Memo,
};

inline constexpr int kRowPitch = 26;
inline constexpr int kLabelColumnRight = 65;  // taps left of this are on the labels
inline constexpr int kRowCount = 8;           // the appointment layout's; the others have 6

int FirstRowTop(ItemKind kind);
int RowTop(ItemKind kind, int row);
// The row of a tap at y, truncated toward zero.
int RowAt(ItemKind kind, int y);
EditorRow RowContent(ItemKind kind, int row);
// The row that holds `content`, -1 when the kind has none.
int RowOf(ItemKind kind, EditorRow content);

// Where a control is placed for the kind. `once` matters only to an appointment's time
// pickers: a recurring appointment shows its times alone, across the whole value column.
DeviceRect ControlRect(ItemKind kind, EditorTarget control, bool once);
DeviceRect AllDayBoxRect();
DeviceRect PlayIconPlace(ItemKind kind);  // 16 x 16
DeviceRect StopIconPlace(ItemKind kind);

// What a pen down at (x, y) shows; None for the label column, rows without a control and
// the check box row (the box takes its own taps).
EditorTarget TargetAt(ItemKind kind, bool once, bool allDay, int x, int y);

// The editor's values as painted.
struct EditorFaceState {
    ItemKind kind = Appointment;
    QString subject;
    SystemTime startDate;  // the start date picker
    SystemTime startTime;  // the start time picker
    SystemTime endDate;
    SystemTime endTime;
    bool allDay = false;
    bool once = true;  // the Recur list is on "Once"
    QString recurText;
    QString yesNoText;
    bool reminderOn = false;  // "Yes" is chosen
    QString amountText;
    QString unitText;
    QString soundText;
    bool soundChosen = false;  // a sound, not "Sound off"
};

struct FaceText {
    DeviceRect rect;
    QString text;
    QColor colour;
};
struct FaceLine {
    QPoint from;
    QPoint to;  // left out, as the device's lines leave their last pixel
};
struct FaceIcon {
    int bitmap;  // 32 x 16: the left half for a chosen sound, the right (grey) half else
    QPoint at;
    DeviceRect source;  // the half drawn
};
struct EditorFace {
    QColor lineColour;
    std::vector<DeviceRect> whiteFills;  // an appointment's Start and End rows
    std::vector<FaceText> texts;         // labels first, then the values
    std::vector<FaceLine> lines;
    std::vector<FaceIcon> icons;
};

EditorFace BuildEditorFace(const EditorFaceState& state);

// The nine Recur entries for a start date: weekday, day and month fill the texts.
std::array<std::u16string, 9> RepeatChoiceTexts(const SystemTime& startDate);

// The reminder amount and unit (0 minutes, 1 hours, 2 days) a stored lead time opens with.
struct ReminderAmount {
    int amount = 0;
    int unit = 0;
};
inline constexpr int kUnitMinutes = 0;
inline constexpr int kUnitHours = 1;
inline constexpr int kUnitDays = 2;
ReminderAmount SplitReminderMinutes(int minutes);

// The lead time the amount field and unit give, or the message that refuses the amount (not a
// number, or outside 0..9999).
struct ReminderMinutesResult {
    std::optional<int> minutes;
    std::u16string message;
};
ReminderMinutesResult ReminderMinutes(std::u16string_view amountText, int unit);

// The time now with the minutes cut to the half hour below, seconds and milliseconds 0.
SystemTime RoundedToHalfHour(const SystemTime& now);

}  // namespace moru
