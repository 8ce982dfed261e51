#include "screens/list_drawing.h"

#include <QFontMetrics>

#include "platform/locale_format.h"
#include "platform/qt/drawing.h"
#include "resources/bitmaps.h"
#include "store/store_connection.h"

namespace moru {
namespace {

constexpr std::u16string_view kEllipsis = u"...";

// Bitmap 149: the images in the top half, their masks right below them.
constexpr int kStatusBitmap = 149;
constexpr int kBellColumn = 0;
constexpr int kArrowsColumn = 1;
constexpr int kAlarmColumn = 2;
constexpr int kHolidayColumn = 3;
constexpr int kAnniversaryColumn = 4;

// The date pictures and the device's buffers for them, terminator included.
constexpr std::u16string_view kOneOffPicture = u"yyyy.MM.dd(ddd)";
constexpr int kOneOffBufferChars = 16;
constexpr std::u16string_view kSeriesPicture = u"yyyy.MM.dd";
constexpr int kSeriesBufferChars = 12;

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The masks are a separate image so that one blit puts down the mask and one the image; cut
// once, at first use.
const QImage& StatusMasks() {
    static const QImage masks = [] {
        const QImage& strip = Bitmap(kStatusBitmap);
        const qreal ratio = strip.devicePixelRatio();
        const int size = static_cast<int>(kStatusIconSize * ratio);
        QImage cut = strip.copy(0, size, strip.width(), size);
        cut.setDevicePixelRatio(ratio);
        return cut;
    }();
    return masks;
}

void DrawIcon(QPainter& painter, int column, int x, int y) {
    const DeviceRect source =
        DeviceRect::FromSize(column * kStatusIconSize, 0, kStatusIconSize, kStatusIconSize);
    gdi::BlitMasked(painter, QPoint(x, y), StatusMasks(), Bitmap(kStatusBitmap), source);
}

std::u16string DateText(double date, std::u16string_view picture, int bufferChars) {
    const std::optional<SystemTime> time = VariantTimeToSystemTime(date);
    return time ? FormatDate(*time, picture, bufferChars) : std::u16string();
}

}  // namespace

std::u16string ShortenToWidth(const QFont& font, std::u16string_view text, int maxWidth) {
    const QFontMetrics metrics(font);
    const QString whole = ToQString(text);
    if (metrics.horizontalAdvance(whole) <= maxWidth) {
        return std::u16string(text);
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\0' || c == u'\r' || c == u'\n') {
            return std::u16string(text.substr(0, i));
        }
        // The first i characters reached the width while more remain: cut there.
        if (i > 0 && metrics.horizontalAdvance(whole.left(static_cast<qsizetype>(i))) >= maxWidth) {
            return std::u16string(text.substr(0, i)) + std::u16string(kEllipsis);
        }
    }
    return std::u16string(text);
}

void DrawStatusIcons(QPainter& painter, const AppointmentRecord& record, int x, int y,
                     KindIcons kindIcons) {
    if (record.reminderSet == 1) {
        DrawIcon(painter, kBellColumn, x, y);
        x -= kStatusIconStep;
    }
    if (record.recurring == 1) {
        DrawIcon(painter, kArrowsColumn, x, y);
        x -= kStatusIconStep;
    }
    if (kindIcons == KindIcons::Shown) {
        // An identifier in several lists shows every letter, one over the other.
        if (IsAlarm(record.oid)) {
            DrawIcon(painter, kAlarmColumn, x, y);
        }
        if (IsHoliday(record.oid)) {
            DrawIcon(painter, kHolidayColumn, x, y);
        }
        if (IsAnniversary(record.oid)) {
            DrawIcon(painter, kAnniversaryColumn, x, y);
        }
    }
}

bool FormatRangeDates(const AppointmentRecord& record, std::u16string& start, std::u16string* end) {
    start.clear();
    if (end) {
        end->clear();
    }
    const StoreConnection& connection = TheStoreConnection();
    if (!connection.application) {
        return false;
    }
    const auto item = connection.application->GetItemFromOid(record.oid);
    if (!item) {
        return false;
    }
    FormatRangeDates(*item, record, start, end);
    return true;
}

void FormatRangeDates(const poom::Appointment& item, const AppointmentRecord& record,
                      std::u16string& start, std::u16string* end) {
    if (record.recurrenceType == -1) {
        start = FormatDate(record.start, kOneOffPicture, kOneOffBufferChars);
        if (end) {
            *end = FormatDate(record.end, kOneOffPicture, kOneOffBufferChars);
        }
        return;
    }
    poom::Appointment appointment = item;  // a handle: the pattern is read through it
    const poom::RecurrencePattern pattern = appointment.GetRecurrencePattern();
    start = DateText(pattern.StartTime(), kSeriesPicture, kSeriesBufferChars);
    if (end && !pattern.NoEndDate()) {
        *end = DateText(pattern.PatternEndDate(), kSeriesPicture, kSeriesBufferChars);
    }
}

}  // namespace moru
