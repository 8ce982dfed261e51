#include "app/fonts.h"

#include <array>

#include "platform/qt/drawing.h"

namespace moru {
namespace {

enum FontIndex {
    kArial9Bold,
    kArial10Bold,
    kArial10,
    kComic13Bold,
    kComic100x25,
    kComic20x20,
    kCount
};

std::array<QFont, kCount>& Fonts() {
    static std::array<QFont, kCount> fonts;
    return fonts;
}

const QFont& Get(FontIndex index) {
    static const bool made = [] {
        if (Fonts()[kArial9Bold].pixelSize() <= 0) {
            CreateSharedFonts();
        }
        return true;
    }();
    (void)made;
    return Fonts()[index];
}

}  // namespace

void CreateSharedFonts(int dotsPerInch) {
    using gdi::LogicalFontHeight;
    using gdi::MakeFont;
    const QString arial = QStringLiteral("Arial");
    const QString comic = QStringLiteral("Comic Sans MS");
    auto& f = Fonts();
    f[kArial9Bold] = MakeFont(arial, 700, LogicalFontHeight(9, dotsPerInch));
    f[kArial10Bold] = MakeFont(arial, 700, LogicalFontHeight(10, dotsPerInch));
    f[kArial10] = MakeFont(arial, 400, LogicalFontHeight(10, dotsPerInch));
    f[kComic13Bold] = MakeFont(comic, 700, LogicalFontHeight(13, dotsPerInch));
    f[kComic100x25] = MakeFont(comic, 700, LogicalFontHeight(100, dotsPerInch),
                               LogicalFontHeight(25, dotsPerInch));
    f[kComic20x20] = MakeFont(comic, 700, LogicalFontHeight(20, dotsPerInch),
                              LogicalFontHeight(20, dotsPerInch));
}

const QFont& FontArial9Bold() {
    return Get(kArial9Bold);
}
const QFont& FontArial10Bold() {
    return Get(kArial10Bold);
}
const QFont& FontArial10() {
    return Get(kArial10);
}
const QFont& FontComic13Bold() {
    return Get(kComic13Bold);
}
const QFont& FontComic100x25Bold() {
    return Get(kComic100x25);
}
const QFont& FontComic20x20Bold() {
    return Get(kComic20x20);
}

}  // namespace moru
