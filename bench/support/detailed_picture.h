#pragma once
#include <cstdint>

#include "bitmap.h"

// A picture with detail everywhere, so no step meets long runs of equal bytes and fetches are
// not all the same bytes.
inline TBitmap DetailedPicture(int width, int height) {
    TBitmap picture(width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uint8_t>(x ^ y);
            row[3 * x + 1] = static_cast<uint8_t>((x >> 3) + (y >> 2));
            row[3 * x + 2] = static_cast<uint8_t>(x * 7 + y * 13);
        }
    }
    return picture;
}
