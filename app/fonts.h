#pragma once
// The shared fonts, made once by the main view's constructor and never changed. Heights come
// from points at the screen's 96 dots per inch: 10 pt is 13 pixels, 100 pt is 133.
#include <QFont>

namespace moru {

void CreateSharedFonts(int dotsPerInch = 96);

const QFont& FontArial9Bold();
const QFont& FontArial10Bold();
const QFont& FontArial10();
const QFont& FontComic13Bold();
const QFont& FontComic100x25Bold();
const QFont& FontComic20x20Bold();

}  // namespace moru
