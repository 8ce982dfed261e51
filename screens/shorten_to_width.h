#pragma once
// Cutting a line of text to a width in pixels, as the lists and the detail dialog show a
// subject: a text that fits is kept whole (line breaks included); a wider one is cut at its
// first line break without dots, or else at the first character count whose width reaches
// the maximum, followed by "...".
#include <QFont>
#include <string>
#include <string_view>

namespace moru {

// `font` is the one the text will be drawn with.
std::u16string ShortenToWidth(const QFont& font, std::u16string_view text, int maxWidth);

}  // namespace moru
