#include "packed_pixels.h"

#include <cstring>

PackedPixels::PackedPixels(int32_t width, int32_t height) {
    width_ = width > 0 && height > 0 ? width : 0;
    height_ = width > 0 && height > 0 ? height : 0;
    const std::size_t size = Bytes() + 1;
    bytes_ = std::unique_ptr<uint8_t[], Free>(static_cast<uint8_t*>(AllocatePictureBytes(size)),
                                              Free{size});
    bytes_[size - 1] = 0;
}

PackedPixels PackedPixels::FromColumns(const TBitmap& bitmap, int32_t left, int32_t width) {
    PackedPixels result(width, bitmap.Height());
    const std::size_t rowBytes = result.RowBytes();
    const std::size_t from = static_cast<std::size_t>(left) * 3;
    for (int32_t y = 0; y < result.height_; ++y)
        std::memcpy(result.Row(y), bitmap.ScanLine(y) + from, rowBytes);
    return result;
}

PackedPixels::PackedPixels(const PackedPixels& other) {
    if (!other.bytes_) return;  // a default-made buffer owns no storage
    *this = PackedPixels(other.width_, other.height_);
    std::memcpy(bytes_.get(), other.bytes_.get(), Bytes() + 1);
}

PackedPixels& PackedPixels::operator=(const PackedPixels& other) {
    if (this != &other) *this = PackedPixels(other);
    return *this;
}
