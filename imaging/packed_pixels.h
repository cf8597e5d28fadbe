#pragma once
// A 24-bit picture without row padding: rows back to back, three bytes per pixel (blue, green,
// red), then one spare zero byte, so that a four-byte read of any pixel stays inside the buffer.
// Renders that read pixels from computed places keep their sources in this form (the stereo
// halves, the panorama): a row is exactly 3 x width bytes, and the storage comes from the
// picture allocator (huge pages for large pictures).
#include <cstddef>
#include <cstdint>
#include <memory>

#include "bitmap.h"

class PackedPixels {
public:
    PackedPixels() = default;
    // width x height pixels (negative sizes count as 0) with unspecified pixel bytes. Throws
    // std::bad_alloc.
    PackedPixels(int32_t width, int32_t height);
    // Columns [left, left + width) of every row of bitmap, which must hold them. Throws
    // std::bad_alloc.
    static PackedPixels FromColumns(const TBitmap& bitmap, int32_t left, int32_t width);

    PackedPixels(const PackedPixels& other);
    PackedPixels& operator=(const PackedPixels& other);
    PackedPixels(PackedPixels&&) noexcept = default;
    PackedPixels& operator=(PackedPixels&&) noexcept = default;

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    std::size_t RowBytes() const { return static_cast<std::size_t>(width_) * 3; }
    // Bytes of all pixels, the spare byte not counted.
    std::size_t Bytes() const { return RowBytes() * static_cast<std::size_t>(height_); }

    uint8_t* Data() { return bytes_.get(); }
    const uint8_t* Data() const { return bytes_.get(); }
    uint8_t* Row(int32_t y) { return bytes_.get() + static_cast<std::size_t>(y) * RowBytes(); }
    const uint8_t* Row(int32_t y) const {
        return bytes_.get() + static_cast<std::size_t>(y) * RowBytes();
    }

private:
    struct Free {
        std::size_t bytes;
        void operator()(uint8_t* p) const noexcept { FreePictureBytes(p, bytes); }
    };
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::unique_ptr<uint8_t[], Free> bytes_;
};
