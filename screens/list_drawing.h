#pragma once
// The three small routines that the category lists, the period agenda and the detail dialog
// draw their rows with, written once so that all of them cut, mark and date an item alike:
//   ShortenToWidth    a text cut to fit a width (at its first line break, or with "...");
//   DrawStatusIcons   the bell, the arrows and the kind letters from bitmap 149;
//   FormatRangeDates  the dates an item runs over, as the rows print them.
#include <QFont>
#include <QPainter>
#include <string>
#include <string_view>

#include "platform/poom/poom.h"
#include "store/appointment_record.h"

namespace moru {

// The text as it fits in `maxWidth` pixels of `font`: unchanged when the whole of it fits
// (line breaks included); otherwise cut at the first carriage return or line feed, when one
// comes before the width is reached, or cut where the width is reached and followed by "...".
std::u16string ShortenToWidth(const QFont& font, std::u16string_view text, int maxWidth);

// Bitmap 149 holds eight 12 x 12 icons in its top half and their masks in the bottom half.
inline constexpr int kStatusIconSize = 12;
inline constexpr int kStatusIconStep = 13;  // the next icon to the left

enum class KindIcons { Hidden, Shown };

// Draws, right to left from x: the bell when a reminder is set, the arrows when the item
// repeats, and (when asked) the letter of each kind list that holds the item's identifier, all
// at the same place. White pixels of the masks leave the row's background.
void DrawStatusIcons(QPainter& painter, const AppointmentRecord& record, int x, int y,
                     KindIcons kindIcons);

// The dates of a row: for a one-off item its start (and end) as "yyyy.MM.dd(ddd)"; for a
// series the first day of its pattern and, when it ends, its last day as "yyyy.MM.dd". A text
// that would not fit the device's buffer is empty. Reads the appointment from the store by
// identifier: false (both texts empty) when it cannot be read. `end` may be null.
bool FormatRangeDates(const AppointmentRecord& record, std::u16string& start, std::u16string* end);
// The same from the record's appointment already fetched by its identifier.
void FormatRangeDates(const poom::Appointment& item, const AppointmentRecord& record,
                      std::u16string& start, std::u16string* end);

}  // namespace moru
