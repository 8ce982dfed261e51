#pragma once
// The program's bitmaps, by resource number (139 tab bar, 145 clock face, ...), drawn by
// tools/gen_bitmaps into resources/bitmaps/N.png and compiled into the program.
#include <QImage>

namespace moru {

// Loaded once, on first use; a null image when the program has no bitmap of that number.
const QImage& Bitmap(int id);

}  // namespace moru
