// Crop and copy.
#include <algorithm>
#include <climits>
#include <cstring>

#include "image_ops.h"
#include "image_ops_internal.h"

using image_ops_detail::RowBytes;

void CopyImage(const TBitmap& source, TBitmap& target) {
    if (&source == &target) return;
    target.SetSizeForOverwrite(source.Width(), source.Height());
    const std::size_t rowBytes = RowBytes(source);
    for (int32_t y = 0; y < source.Height(); ++y)
        std::memcpy(target.ScanLine(y), source.ScanLine(y), rowBytes);
}

void CropImage(const TBitmap& source, int32_t left, int32_t top, int32_t right, int32_t bottom,
               TBitmap& target) {
    if (&source == &target) {
        const TBitmap copy = source;
        CropImage(copy, left, top, right, bottom, target);
        return;
    }
    const int64_t width = static_cast<int64_t>(right) - left + 1;
    const int64_t height = static_cast<int64_t>(bottom) - top + 1;
    if (width <= 0 || height <= 0) {
        target.SetSize(0, 0);
        return;
    }
    const int32_t w = static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
    const int32_t h = static_cast<int32_t>(std::min<int64_t>(height, INT32_MAX));
    // The part of the rectangle that lies inside the source.
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t x1 = std::min<int64_t>(right, static_cast<int64_t>(source.Width()) - 1);
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t y1 = std::min<int64_t>(bottom, static_cast<int64_t>(source.Height()) - 1);
    const bool inside = x0 == left && x1 == right && y0 == top && y1 == bottom;
    if (inside) {
        target.SetSizeForOverwrite(w, h);
    } else {
        target.SetSize(w, h);  // black where the rectangle leaves the source
        if (x0 > x1 || y0 > y1) return;
    }
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0 + 1) * 3;
    const std::size_t srcOffset = static_cast<std::size_t>(x0) * 3;
    const std::size_t dstOffset = static_cast<std::size_t>(x0 - left) * 3;
    for (int64_t y = y0; y <= y1; ++y)
        std::memcpy(target.ScanLine(static_cast<int32_t>(y - top)) + dstOffset,
                    source.ScanLine(static_cast<int32_t>(y)) + srcOffset, bytes);
}
