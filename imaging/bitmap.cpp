#include "bitmap.h"

#include <cstring>
#include <new>
#include <string>

#include "image_error.h"

void TBitmap::SetSize(int32_t width, int32_t height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    const std::size_t stride = StrideFor(width);
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    try {
        std::vector<uint8_t> fresh(bytes);
        data_.swap(fresh);
    } catch (const std::bad_alloc&) {
        throw ImageError("Not enough memory for a picture of " + std::to_string(width) + " x " +
                         std::to_string(height) + " pixels");
    }
    width_ = width;
    height_ = height;
    stride_ = stride;
}

bool TBitmap::SamePixels(const TBitmap& other) const {
    if (width_ != other.width_ || height_ != other.height_) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
    for (int32_t y = 0; y < height_; ++y)
        if (std::memcmp(ScanLine(y), other.ScanLine(y), rowBytes) != 0) return false;
    return true;
}
