#pragma once
// The panorama picture the viewer samples.
#include <cstddef>
#include <cstdint>

#include "bitmap.h"
#include "packed_pixels.h"

// The coordinate maps hold 16-bit values.
constexpr int32_t kMaxPanoramaSide = 65535;

// The panorama is stored in tiles of 2^shiftX x 2^shiftY pixels, each tile's pixels together
// (its rows back to back), the tiles of a tile row left to right, tile rows top to bottom. A
// turned or wide view walks the panorama across its rows: row by row, every view pixel would
// then need its own cache line and soon its own DRAM page, while a tile keeps the pixels around
// one place in a few neighbouring lines.
// 32 x 8 pixels (768 bytes, a tile row 96): of the shapes measured, the fastest over all views,
// level with 16 x 16 where the view is turned and less slow than it where the view looks
// straight ahead. Rows are faster only there, where the view rows follow the panorama's rows;
// the benchmark compares the shapes. Sides that are not a multiple of the tile are filled up.
struct PanoramaTileShape {
    int shiftX = 5;
    int shiftY = 3;
};

// Where the pixels of a tiled panorama lie, as plain numbers the fetch loops keep in registers.
struct PanoramaTiling {
    uint32_t shiftX = 0, shiftY = 0;
    uint32_t insideX = 0, insideY = 0;  // masks of the position inside a tile
    uint32_t tileBytes = 0;
    uint64_t tileRowBytes = 0;  // one row of tiles

    // Byte offset of pixel (column c, row r).
    uint64_t Offset(uint32_t c, uint32_t r) const {
        return static_cast<uint64_t>(r >> shiftY) * tileRowBytes +
               static_cast<uint64_t>(c >> shiftX) * tileBytes +
               (((r & insideY) << shiftX) + (c & insideX)) * 3u;
    }
};

// The panorama source: W x H pixels (blue, green, red) in tiles. The last tile row and column
// are filled up to whole tiles with zeros, which are never shown.
class PanoramaPixels {
public:
    PanoramaPixels() = default;
    // The one way a decoded picture becomes the renderer's source. Throws ImageError when the
    // picture is empty or a side exceeds kMaxPanoramaSide; nothing is kept then.
    // The tile shape is a parameter so the benchmark can weigh shapes against each other.
    static PanoramaPixels FromBitmap(const TBitmap& bitmap, PanoramaTileShape shape = {});

    int32_t W() const { return width_; }
    int32_t H() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Pixel (column c, row r), three bytes; a fourth byte is always readable after it.
    const uint8_t* Pixel(int32_t c, int32_t r) const {
        return pixels_.Data() +
               tiling_.Offset(static_cast<uint32_t>(c), static_cast<uint32_t>(r));
    }
    const uint8_t* Data() const { return pixels_.Data(); }
    const PanoramaTiling& Tiling() const { return tiling_; }
    // Bytes held, the spare tile pixels included.
    std::size_t Bytes() const { return pixels_.Bytes(); }

private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    PanoramaTiling tiling_;
    // Held as a packed picture with one row of tiles per row, which gives the spare byte after
    // the last pixel and huge pages for large panoramas: the tiles shorten the distances, and
    // huge pages keep the TLB from missing at most reads.
    PackedPixels pixels_;
};
