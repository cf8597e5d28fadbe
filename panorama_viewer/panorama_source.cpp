#include "panorama_source.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "image_error.h"
#include "number_format.h"

namespace {

constexpr std::size_t kDefaultTileRowBytes = std::size_t(3) << PanoramaTileShape().shiftX;

// One picture row into `tiles` tiles: rowBytes bytes each, tileBytes apart.
template <std::size_t kRowBytes>
void CopyTileRows(const uint8_t* in, uint8_t* out, int32_t tiles, uint32_t tileBytes,
                  std::size_t rowBytes = kRowBytes) {
    for (int32_t k = 0; k < tiles; ++k) {
        std::memcpy(out, in, kRowBytes ? kRowBytes : rowBytes);
        in += kRowBytes ? kRowBytes : rowBytes;
        out += tileBytes;
    }
}

void CopyTileRows(const uint8_t* in, uint8_t* out, int32_t tiles, uint32_t tileBytes,
                  std::size_t rowBytes) {
    CopyTileRows<0>(in, out, tiles, tileBytes, rowBytes);
}

}  // namespace

PanoramaPixels PanoramaPixels::FromBitmap(const TBitmap& bitmap, PanoramaTileShape shape) {
    const int32_t w = bitmap.Width();
    const int32_t h = bitmap.Height();
    if (w <= 0 || h <= 0) throw ImageError("The picture is empty");
    if (w > kMaxPanoramaSide || h > kMaxPanoramaSide)
        throw ImageError(FormatText("The panorama is too large: %i x %i pixels (at most %i pixels "
                                "on each side can be shown)",
                                static_cast<int>(w), static_cast<int>(h),
                                static_cast<int>(kMaxPanoramaSide)));
    PanoramaPixels result;
    PanoramaTiling& t = result.tiling_;
    t.shiftX = static_cast<uint32_t>(std::clamp(shape.shiftX, 0, 16));
    t.shiftY = static_cast<uint32_t>(std::clamp(shape.shiftY, 0, 16));
    t.insideX = (1u << t.shiftX) - 1;
    t.insideY = (1u << t.shiftY) - 1;
    const int32_t tilesAcross = static_cast<int32_t>((static_cast<uint32_t>(w) + t.insideX) >> t.shiftX);
    const int32_t tilesDown = static_cast<int32_t>((static_cast<uint32_t>(h) + t.insideY) >> t.shiftY);
    const std::size_t tileRowPitch = std::size_t(3) << t.shiftX;  // bytes of a row in a tile
    t.tileBytes = static_cast<uint32_t>(tileRowPitch << t.shiftY);
    try {
        result.pixels_ = PackedPixels(tilesAcross << (t.shiftX + t.shiftY), tilesDown);
    } catch (const std::bad_alloc&) {
        throw ImageError(FormatText("Not enough memory for a panorama of %i x %i pixels",
                                    static_cast<int>(w), static_cast<int>(h)));
    }
    t.tileRowBytes = result.pixels_.RowBytes();
    const int32_t wholeTiles = static_cast<int32_t>(static_cast<uint32_t>(w) >> t.shiftX);
    const std::size_t restBytes = static_cast<std::size_t>(static_cast<uint32_t>(w) & t.insideX) * 3;
    uint8_t* const base = result.pixels_.Data();
    // Row by row of the picture: each row lands as one row in every tile across, so the reads
    // stream and the writes stay within one row of tiles.
    for (int32_t r = 0; r < h; ++r) {
        const uint8_t* in = bitmap.ScanLine(r);
        uint8_t* out = base + t.Offset(0, static_cast<uint32_t>(r));
        if (tileRowPitch == kDefaultTileRowBytes) {
            // A constant size: the copy becomes a few vector moves instead of a library call.
            CopyTileRows<kDefaultTileRowBytes>(in, out, wholeTiles, t.tileBytes);
        } else {
            CopyTileRows(in, out, wholeTiles, t.tileBytes, tileRowPitch);
        }
        in += tileRowPitch * static_cast<std::size_t>(wholeTiles);
        out += static_cast<std::size_t>(t.tileBytes) * static_cast<std::size_t>(wholeTiles);
        if (restBytes != 0) {
            std::memcpy(out, in, restBytes);
            std::memset(out + restBytes, 0, tileRowPitch - restBytes);
        }
    }
    // The spare rows of the last tile row hold zeros, so no byte of the source is undefined.
    for (uint32_t r = static_cast<uint32_t>(h); r < (static_cast<uint32_t>(tilesDown) << t.shiftY); ++r)
        for (int32_t k = 0; k < tilesAcross; ++k)
            std::memset(base + t.Offset(static_cast<uint32_t>(k) << t.shiftX, r), 0, tileRowPitch);
    result.width_ = w;
    result.height_ = h;
    return result;
}
