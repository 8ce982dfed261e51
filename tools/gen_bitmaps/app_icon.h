#pragma once
// The program's icon for the desktop's menus and task bars: a calendar page with a blue
// header band and binder rings over a grid of days, some of them marked in the item-kind
// colours of the month screen, and a small clock at its lower right. The same drawing serves
// every size; the smallest leave out the details that would only blur.
#include <QImage>
#include <vector>

namespace moru::art {

// The sizes the icon theme folders use (hicolor/<n>x<n>/apps).
inline const std::vector<int> kAppIconSizes = {16, 22, 24, 32, 48, 64, 128, 256};

// The icon at `size` x `size` pixels, on a transparent background.
QImage AppIcon(int size);

}  // namespace moru::art
