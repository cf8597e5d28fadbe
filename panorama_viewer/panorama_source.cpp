#include "panorama_source.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "image_error.h"
#include "number_format.h"

namespace {

constexpr std::size_t kDefaultTileRowBytes = std::size_t(3) << PanoramaTileShape().shiftX;

// One row of whole tiles, each written front to back: row k of every tile comes from rows[k]
// (nullptr past the picture's last row, which gives zeros). rowBytes: the bytes of a tile row.
template <std::size_t kRowBytes>
void CopyWholeTiles(const uint8_t* const* rows, int rowCount, int32_t tiles, uint8_t* out,
                    std::size_t rowBytes = kRowBytes) {
    const std::size_t n = kRowBytes ? kRowBytes : rowBytes;
    for (int32_t k = 0; k < tiles; ++k) {
        const std::size_t from = static_cast<std::size_t>(k) * n;
        for (int r = 0; r < rowCount; ++r, out += n) {
            if (rows[r] != nullptr) std::memcpy(out, rows[r] + from, n);
            else std::memset(out, 0, n);
        }
    }
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
    uint8_t* const base = result.pixels_.Data();
    const int32_t wholeTiles = static_cast<int32_t>(static_cast<uint32_t>(w) >> t.shiftX);
    const std::size_t restBytes = static_cast<std::size_t>(static_cast<uint32_t>(w) & t.insideX) * 3;
    const int tileRows = 1 << t.shiftY;
    std::vector<const uint8_t*> rows(static_cast<std::size_t>(tileRows));
    // Tile after tile, each written front to back: the writes stream, and the reads come from
    // as many picture rows as a tile has.
    for (int32_t ty = 0; ty < tilesDown; ++ty) {
        for (int r = 0; r < tileRows; ++r) {
            const int32_t y = (ty << t.shiftY) + r;
            rows[static_cast<std::size_t>(r)] = y < h ? bitmap.ScanLine(y) : nullptr;
        }
        uint8_t* out = base + static_cast<std::size_t>(ty) * t.tileRowBytes;
        if (tileRowPitch == kDefaultTileRowBytes)  // a constant size: vector moves, no call
            CopyWholeTiles<kDefaultTileRowBytes>(rows.data(), tileRows, wholeTiles, out);
        else
            CopyWholeTiles<0>(rows.data(), tileRows, wholeTiles, out, tileRowPitch);
        if (restBytes == 0) continue;
        // The last tile is part picture, part zeros.
        out += static_cast<std::size_t>(t.tileBytes) * static_cast<std::size_t>(wholeTiles);
        const std::size_t from = tileRowPitch * static_cast<std::size_t>(wholeTiles);
        for (int r = 0; r < tileRows; ++r, out += tileRowPitch) {
            const uint8_t* in = rows[static_cast<std::size_t>(r)];
            const std::size_t copied = in != nullptr ? restBytes : 0;
            if (copied != 0) std::memcpy(out, in + from, copied);
            std::memset(out + copied, 0, tileRowPitch - copied);
        }
    }
    result.width_ = w;
    result.height_ = h;
    return result;
}
