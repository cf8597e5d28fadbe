#pragma once
#include <QImage>

#include "bitmap.h"

// A QImage over the bitmap's own bytes (Format_BGR888, the bitmap's stride); no copy. Valid
// while the bitmap keeps its size; an empty bitmap gives a null image.
QImage WrapBitmap(const TBitmap& bitmap);

// A deep copy, for places that keep the picture beyond the bitmap's life (the clipboard).
QImage BitmapToImage(const TBitmap& bitmap);

// The other way: any QImage converted to a 24-bit bitmap (blue, green, red bytes).
TBitmap ImageToBitmap(const QImage& image);
