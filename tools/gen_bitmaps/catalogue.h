#pragma once
// Every bitmap the program loads by number, with the size its users blit from it and the
// function that draws it. The screens copy fixed rectangles out of these images, so the size
// is part of the contract: the generator refuses to write an image that comes out otherwise.
#include <QImage>
#include <QSize>
#include <functional>
#include <vector>

namespace moru::art {

struct BitmapArt {
    int id;      // resource number; written as <id>.png
    QSize size;  // exact width and height
    std::function<QImage()> draw;
};

std::vector<BitmapArt> ScreenArt();  // tab bar, month grid pieces, today button
std::vector<BitmapArt> ClockArt();   // clock face, digital panel, face switch
std::vector<BitmapArt> ListArt();    // status and kind icons, list buttons, detail buttons
std::vector<BitmapArt> EditorArt();  // sound icons, recurrence tabs and days, memo toolbar

}  // namespace moru::art
