#include "panorama_source.h"

#include <new>

#include "image_error.h"
#include "number_format.h"

PanoramaPixels PanoramaPixels::FromBitmap(const TBitmap& bitmap) {
    const int32_t w = bitmap.Width();
    const int32_t h = bitmap.Height();
    if (w <= 0 || h <= 0) throw ImageError("The picture is empty");
    if (w > kMaxPanoramaSide || h > kMaxPanoramaSide)
        throw ImageError(FormatText("The panorama is too large: %i x %i pixels (at most %i pixels "
                                "on each side can be shown)",
                                static_cast<int>(w), static_cast<int>(h),
                                static_cast<int>(kMaxPanoramaSide)));
    PanoramaPixels result;
    try {
        result.pixels_ = PackedPixels::FromColumns(bitmap, 0, w);
        result.rowOffsets_.resize(static_cast<std::size_t>(h));
    } catch (const std::bad_alloc&) {
        throw ImageError(FormatText("Not enough memory for a panorama of %i x %i pixels",
                                    static_cast<int>(w), static_cast<int>(h)));
    }
    for (int32_t r = 0; r < h; ++r)
        result.rowOffsets_[static_cast<std::size_t>(r)] = result.pixels_.RowBytes() * static_cast<std::size_t>(r);
    result.width_ = w;
    result.height_ = h;
    return result;
}
