#pragma once
// The panorama picture the viewer samples.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "bitmap.h"
#include "packed_pixels.h"

// The coordinate maps hold 16-bit values.
constexpr int32_t kMaxPanoramaSide = 65535;

// The panorama source: W x H pixels, rows packed back to back (blue, green, red).
class PanoramaPixels {
public:
    PanoramaPixels() = default;
    // Copies the rows of a decoded picture into a packed buffer. Throws ImageError when the
    // picture is empty or a side exceeds kMaxPanoramaSide; nothing is kept then.
    static PanoramaPixels FromBitmap(const TBitmap& bitmap);

    int32_t W() const { return width_; }
    int32_t H() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Pixel (column c, row r), three bytes.
    const uint8_t* Pixel(int32_t c, int32_t r) const {
        return pixels_.Data() + rowOffsets_[static_cast<std::size_t>(r)] +
               static_cast<std::size_t>(c) * 3;
    }
    const uint8_t* Data() const { return pixels_.Data(); }
    // Byte offset of each row's first pixel.
    const std::vector<std::size_t>& RowOffsets() const { return rowOffsets_; }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    // The spare byte after the last pixel lets the fetch read four bytes of any pixel. Large
    // panoramas lie on huge pages: a turned view reads pixels from many rows per view row, and
    // with 4 KiB pages nearly every read would miss the TLB.
    PackedPixels pixels_;
    std::vector<std::size_t> rowOffsets_;
};
