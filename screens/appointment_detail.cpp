#include "screens/appointment_detail.h"

#include <QPainter>
#include <cmath>

#include "app/fonts.h"
#include "platform/locale_format.h"
#include "platform/qt/drawing.h"
#include "platform/qt/ink_note.h"
#include "resources/bitmaps.h"
#include "screens/list_drawing.h"
#include "store/describe_recurrence.h"
#include "store/memo_files.h"
#include "store/store_connection.h"

namespace moru {
namespace {

// The face, in logical pixels.
constexpr QSize kFaceSize{240, 267};
constexpr QPoint kModifyImageAt{216, 16};  // bitmap 213, two 20 x 20 looks side by side
constexpr QPoint kDeleteImageAt{216, 39};  // bitmap 212
constexpr int kImageSize = 20;
constexpr int kPressedSourceX = 20;
// Pen areas, both edges inside, and what is redrawn when a look changes.
constexpr DeviceRect kModifyHit{217, 17, 235, 35};
constexpr DeviceRect kDeleteHit{217, 40, 235, 58};
constexpr DeviceRect kModifyRedraw{216, 16, 236, 36};
constexpr DeviceRect kDeleteRedraw{216, 39, 236, 59};
// Text rows, all from x 5 to 215: the subject in bold, then three in the regular face.
constexpr std::array<DeviceRect, 4> kRows{{
    {5, 0, 215, 20},
    {5, 25, 215, 39},
    {5, 39, 215, 53},
    {5, 53, 215, 67},
}};
constexpr int kSubjectWidth = 190;
// The note fills the width from y 75 down to 24 pixels above the bottom.
constexpr int kInkTop = 75;
constexpr int kInkBottomGap = 24;

constexpr int kModifyBitmap = 213;
constexpr int kDeleteBitmap = 212;
constexpr int kDateChars = 64;  // the date buffers, terminator included
constexpr int kTimeChars = 40;
// Added to the length in hours before truncating: half a second, so that a length the
// day-count arithmetic lands just under a whole hour still counts as that hour.
constexpr double kHourRounding = 5.787037037037037e-6;

QString Q(const std::u16string& text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

std::u16string Printf(std::u16string_view format, std::initializer_list<std::u16string> args) {
    std::u16string out;
    auto arg = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's' &&
            arg != args.end()) {
            out += *arg++;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

std::u16string Decimal(int value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string DateText(double date, std::u16string_view picture) {
    const std::optional<SystemTime> time = VariantTimeToSystemTime(date);
    return time ? FormatDate(*time, picture, kDateChars) : std::u16string();
}

// Whole hours from start to end, both taken without their seconds.
int LengthInHours(const AppointmentRecord& record) {
    SystemTime start = record.start;
    SystemTime end = record.end;
    start.second = end.second = 0;
    start.milliseconds = end.milliseconds = 0;
    const std::optional<double> s = SystemTimeToVariantTime(start);
    const std::optional<double> e = SystemTimeToVariantTime(end);
    if (!s || !e) {
        return 0;
    }
    return static_cast<int>((*e - *s) * 24.0 + kHourRounding);
}

}  // namespace

AppointmentDetail::AppointmentDetail(QWidget* parent)
    : PixelDialog(kFaceSize, "AppointmentDetail", parent) {
    setWindowTitle(QStringLiteral("Memo"));
}

AppointmentDetail::~AppointmentDetail() = default;

int AppointmentDetail::Exec() {
    Prepare();
    return exec();
}

void AppointmentDetail::Prepare() {
    if (prepared_) {
        return;
    }
    prepared_ = true;
    const StoreConnection& connection = TheStoreConnection();
    if (!connection.application) {
        return;
    }
    Result<poom::Appointment> found = connection.application->GetItemFromOid(record.oid);
    if (!found) {
        return;  // gone from the store: the subject still shows, the dates stay empty
    }
    poom::Appointment& appointment = *found;
    if (record.recurrenceType == -1) {
        startText_ = FormatDate(record.start, u"yyyy.MM.dd(ddd)", kDateChars);
        endText_ = FormatDate(record.end, u"yyyy.MM.dd(ddd)", kDateChars);
    } else {
        const poom::RecurrencePattern pattern = appointment.GetRecurrencePattern();
        startText_ = DateText(pattern.StartTime(), u"yyyy.MM.dd");
        endText_ = pattern.NoEndDate() ? std::u16string()
                                       : DateText(pattern.PatternEndDate(), u"yyyy.MM.dd");
    }
    SharedMemoBuffer.Empty();
    Result<std::vector<uint8_t>> ink = appointment.GetBodyInk();
    if (ink) {
        SharedMemoBuffer.Assign(*ink);
    }
    CreateInkNote();
    Invalidate();
}

void AppointmentDetail::CreateInkNote() {
    ink_ = new InkNote(this, InkNote::Access::ReadOnly);
    ink_->SetDisplayScale(scale());
    PlaceControl(ink_, {0, kInkTop, kFaceSize.width(), kFaceSize.height() - kInkBottomGap});
    ink_->LoadContent(SharedMemoBuffer.bytes());
    ink_->SetInputMode(InkNote::kTypingMode);
    ink_->SetZoom(100);
    ink_->SetCaretShown(1);
    ink_->SetPenWidth(0);
    ink_->show();
}

AppointmentDetail::Layout AppointmentDetail::LayoutFor(const AppointmentRecord& record,
                                                       const std::u16string& startText,
                                                       const std::u16string& endText,
                                                       const Buttons& buttons) {
    Layout layout;
    layout.modifySourceX = buttons.modHover && buttons.modPressed ? kPressedSourceX : 0;
    layout.deleteSourceX = buttons.delHover && buttons.delPressed ? kPressedSourceX : 0;
    layout.rows[0] = ShortenToWidth(FontArial10Bold(), record.subject, kSubjectWidth);
    const std::u16string t1 = FormatTime(record.start, u"tt h':'mm", kTimeChars);
    const std::u16string t2 = FormatTime(record.end, u"tt h':'mm", kTimeChars);
    if (record.recurrenceType == -1 && record.allDay == 0) {
        layout.rows[1] = Printf(u"%s,%s", {startText, t1});
        if (startText != endText || t1 != t2) {
            layout.rows[2] = Printf(u"~ %s,%s", {endText, t2});
        }
    } else if (record.recurrenceType == -1) {
        layout.rows[1] =
            startText == endText ? startText : Printf(u"%s ~ %s", {startText, endText});
        layout.rows[2] = u"All Day Event";
    } else {
        layout.rows[1] = DescribeRecurrence(record);
        layout.rows[2] = endText.empty() ? Printf(u"from %s", {startText})
                                         : Printf(u"from %s until %s", {startText, endText});
        const int hours = LengthInHours(record);
        if (record.allDay == 1) {
            layout.rows[3] = u"All Day Event";
        } else if (hours == 0) {
            layout.rows[3] = Printf(u"at %s", {t1});
        } else {
            layout.rows[3] = Printf(u"at %s for ", {t1}) + Decimal(hours) + u" hour(s)";
        }
    }
    return layout;
}

void AppointmentDetail::Paint(QPainter& painter) {
    const Layout layout = LayoutFor(record, startText_, endText_, buttons_);
    gdi::FillRect(painter, {0, 0, kFaceSize.width(), kFaceSize.height()}, Qt::white);
    gdi::Blit(painter, kModifyImageAt, Bitmap(kModifyBitmap),
              DeviceRect::FromSize(layout.modifySourceX, 0, kImageSize, kImageSize));
    gdi::Blit(painter, kDeleteImageAt, Bitmap(kDeleteBitmap),
              DeviceRect::FromSize(layout.deleteSourceX, 0, kImageSize, kImageSize));
    constexpr unsigned kRowFlags =
        gdi::DT_LEFT | gdi::DT_VCENTER | gdi::DT_SINGLELINE | gdi::DT_NOPREFIX;
    for (size_t i = 0; i < layout.rows.size(); ++i) {
        if (!layout.rows[i].empty()) {
            gdi::DrawText(painter, Q(layout.rows[i]), kRows[i], kRowFlags,
                          i == 0 ? FontArial10Bold() : FontArial10(), Qt::black);
        }
    }
}

// A button fires only when the pen goes down and comes up on the same image; sliding off
// shows the normal look again, sliding back the pressed one.
void AppointmentDetail::PenDown(int x, int y) {
    if (kModifyHit.ContainsInclusive(x, y)) {
        buttons_.modHover = buttons_.modPressed = true;
        Invalidate(kModifyRedraw);
    } else if (kDeleteHit.ContainsInclusive(x, y)) {
        buttons_.delHover = buttons_.delPressed = true;
        Invalidate(kDeleteRedraw);
    } else {
        buttons_ = {};
    }
}

void AppointmentDetail::PenMove(int x, int y) {
    if (!buttons_.modPressed && !buttons_.delPressed) {
        return;
    }
    buttons_.modHover = kModifyHit.ContainsInclusive(x, y);
    buttons_.delHover = kDeleteHit.ContainsInclusive(x, y);
    Invalidate(buttons_.modPressed ? kModifyRedraw : kDeleteRedraw);
}

void AppointmentDetail::PenUp(int x, int y) {
    const Buttons was = buttons_;
    buttons_ = {};
    if (was.modPressed) {
        Invalidate(kModifyRedraw);  // back to the normal look, whatever happens next
    }
    if (was.delPressed) {
        Invalidate(kDeleteRedraw);
    }
    if (kModifyHit.ContainsInclusive(x, y) && was.modPressed) {
        done(kModifyResult);
    } else if (kDeleteHit.ContainsInclusive(x, y) && was.delPressed) {
        done(kDeleteResult);
    }
}

}  // namespace moru
