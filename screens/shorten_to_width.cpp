#include "screens/shorten_to_width.h"

#include <QFontMetrics>
#include <QString>

namespace moru {
namespace {

int WidthOf(const QFontMetrics& metrics, std::u16string_view text) {
    return metrics.horizontalAdvance(
        QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size())));
}

}  // namespace

std::u16string ShortenToWidth(const QFont& font, std::u16string_view text, int maxWidth) {
    const QFontMetrics metrics(font);
    if (WidthOf(metrics, text) <= maxWidth) {
        return std::u16string(text);
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\0' || text[i] == u'\r' || text[i] == u'\n') {
            return std::u16string(text.substr(0, i));
        }
        // The first i characters already reach the maximum while more remain: cut there.
        if (WidthOf(metrics, text.substr(0, i)) >= maxWidth) {
            return std::u16string(text.substr(0, i)) + u"...";
        }
    }
    return std::u16string(text);
}

}  // namespace moru
