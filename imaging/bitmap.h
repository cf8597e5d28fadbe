#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A 24-bit raster: rows top to bottom, three bytes per pixel in the order blue, green, red.
// Rows are padded to a multiple of 4 bytes so that a QImage (Format_BGR888) can show the very
// same bytes without a copy.
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int32_t width, int32_t height) { SetSize(width, height); }

    // Resizes to width x height; the contents are zeroed. 0 x 0 is valid. Negative sizes count
    // as 0. Throws ImageError when the memory cannot be had.
    void SetSize(int32_t width, int32_t height);

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Bytes from one row's start to the next row's start (a multiple of 4).
    std::size_t Stride() const { return stride_; }

    uint8_t* ScanLine(int32_t y) { return data_.data() + static_cast<std::size_t>(y) * stride_; }
    const uint8_t* ScanLine(int32_t y) const {
        return data_.data() + static_cast<std::size_t>(y) * stride_;
    }

    uint8_t* Bits() { return data_.data(); }
    const uint8_t* Bits() const { return data_.data(); }

    // Row padding bytes take part in equality, so compare pixels, not storage.
    bool SamePixels(const TBitmap& other) const;

    static std::size_t StrideFor(int32_t width) {
        return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
    }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::size_t stride_ = 0;
    std::vector<uint8_t> data_;
};
