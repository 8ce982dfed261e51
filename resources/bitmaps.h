#pragma once
// The program's bitmaps, by resource number (139 tab bar, 145 clock face, ...), drawn by
// tools/gen_bitmaps into resources/bitmaps/N.png and compiled into the program.
#include <QImage>

namespace moru {

// Loaded once, on first use; a null image when the program has no bitmap of that number.
// The image is the one drawn for the window's current scale (at that device pixel ratio, so
// it covers the same logical pixels and the drawing helpers blit it sharp); Bitmap(id, 1) is
// always the screens' own pixels.
const QImage& Bitmap(int id);
const QImage& Bitmap(int id, int ratio);

}  // namespace moru
