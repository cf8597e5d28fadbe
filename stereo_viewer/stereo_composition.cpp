#include "stereo_composition.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "image_error.h"

namespace {

// Far beyond any picture (decoded pictures stay below 2^30 pixels), small enough that sums of two
// such values never leave int64.
constexpr double kCoordinateLimit = 4.0e15;

std::size_t HalfBytes(const StereoPair& pair) {
    if (pair.halfWidth <= 0 || pair.height <= 0) return 0;
    return static_cast<std::size_t>(pair.halfWidth) * static_cast<std::size_t>(pair.height) * 3;
}

// A half whose array does not hold the declared size is treated as absent (all grey) rather than
// read out of bounds.
const uint8_t* HalfData(const StereoPair& pair, StereoHalf half) {
    const std::vector<uint8_t>& bytes = half == StereoHalf::First ? pair.first : pair.second;
    const std::size_t need = HalfBytes(pair);
    if (need == 0 || bytes.size() < need) return nullptr;
    return bytes.data();
}

inline void PutPixel(uint8_t* out, const uint8_t* row, std::ptrdiff_t offset) {
    if (offset >= 0) {
        out[0] = row[offset];
        out[1] = row[offset + 1];
        out[2] = row[offset + 2];
    } else {
        out[0] = kStereoGrey;
        out[1] = kStereoGrey;
        out[2] = kStereoGrey;
    }
}

void CopyRow(uint8_t* out, int32_t width, const uint8_t* row, const std::ptrdiff_t* columns) {
    for (int32_t x = 0; x < width; ++x, out += 3) PutPixel(out, row, columns[x]);
}

// Red from the primary half, green and blue from the secondary half.
void AnaglyphRow(uint8_t* out, int32_t width, const uint8_t* primaryRow,
                 const std::ptrdiff_t* primaryColumns, const uint8_t* secondaryRow,
                 const std::ptrdiff_t* secondaryColumns) {
    for (int32_t x = 0; x < width; ++x, out += 3) {
        const std::ptrdiff_t q = secondaryColumns[x];
        if (q >= 0) {
            out[0] = secondaryRow[q];
            out[1] = secondaryRow[q + 1];
        } else {
            out[0] = kStereoGrey;
            out[1] = kStereoGrey;
        }
        const std::ptrdiff_t p = primaryColumns[x];
        out[2] = p >= 0 ? primaryRow[p + 2] : kStereoGrey;
    }
}

// Even display columns from the secondary half, odd ones from the primary half.
void ColumnInterlaceRow(uint8_t* out, int32_t width, const uint8_t* primaryRow,
                        const std::ptrdiff_t* primaryColumns, const uint8_t* secondaryRow,
                        const std::ptrdiff_t* secondaryColumns) {
    int32_t x = 0;
    for (; x + 1 < width; x += 2, out += 6) {
        PutPixel(out, secondaryRow, secondaryColumns[x]);
        PutPixel(out + 3, primaryRow, primaryColumns[x + 1]);
    }
    if (x < width) PutPixel(out, secondaryRow, secondaryColumns[x]);
}

// Byte offsets of the source columns seen by each display column, -1 where the column falls
// outside the half.
void FillColumnTable(std::ptrdiff_t* table, int32_t width, double scale, double position,
                     int64_t shift, int64_t halfWidth) {
    for (int32_t x = 0; x < width; ++x) {
        const int64_t sx = TruncateTowardZero(static_cast<double>(x) * scale - position) + shift;
        table[x] = (sx >= 0 && sx < halfWidth) ? static_cast<std::ptrdiff_t>(sx * 3) : -1;
    }
}

}  // namespace

int64_t TruncateTowardZero(double value) {
    if (std::isnan(value)) return 0;
    if (value >= kCoordinateLimit) return static_cast<int64_t>(kCoordinateLimit);
    if (value <= -kCoordinateLimit) return -static_cast<int64_t>(kCoordinateLimit);
    return static_cast<int64_t>(value);  // the conversion truncates toward zero
}

StereoPair SplitStereoPair(const TBitmap& image) {
    StereoPair pair;
    const int32_t halfWidth = image.Width() / 2;
    const int32_t height = image.Height();
    if (halfWidth <= 0 || height <= 0) {
        pair.halfWidth = halfWidth > 0 ? halfWidth : 0;
        pair.height = height > 0 ? height : 0;
        return pair;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(halfWidth) * 3;
    const std::size_t total = rowBytes * static_cast<std::size_t>(height);
    try {
        pair.first.resize(total);
        pair.second.resize(total);
    } catch (const std::bad_alloc&) {
        throw ImageError("Not enough memory for a stereo pair of " + std::to_string(halfWidth) +
                         " x " + std::to_string(height) + " pixels");
    }
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = image.ScanLine(y);
        const std::size_t at = rowBytes * static_cast<std::size_t>(y);
        std::memcpy(pair.first.data() + at, row, rowBytes);
        std::memcpy(pair.second.data() + at, row + rowBytes, rowBytes);
    }
    pair.halfWidth = halfWidth;
    pair.height = height;
    return pair;
}

StereoColor SampleHalf(const StereoPair& pair, StereoHalf half, int64_t x, int64_t y) {
    const uint8_t* data = HalfData(pair, half);
    if (data == nullptr || x < 0 || y < 0 || x >= pair.halfWidth || y >= pair.height)
        return StereoColor{kStereoGrey, kStereoGrey, kStereoGrey};
    const uint8_t* p = data + (static_cast<std::size_t>(y) * static_cast<std::size_t>(pair.halfWidth) +
                               static_cast<std::size_t>(x)) * 3;
    return StereoColor{p[2], p[1], p[0]};
}

StereoColor ComposeStereoPixel(const StereoPair& pair, int64_t sx, int64_t sy, bool swap,
                               StereoMode mode, int64_t dx, int64_t dy, int columnParity,
                               int rowParity) {
    const StereoHalf primary = swap ? StereoHalf::Second : StereoHalf::First;
    const StereoHalf secondary = swap ? StereoHalf::First : StereoHalf::Second;
    switch (mode) {
        case StereoMode::Left:
            return SampleHalf(pair, primary, sx, sy);
        case StereoMode::Right:
            return SampleHalf(pair, secondary, sx + dx, sy + dy);
        case StereoMode::Anaglyph: {
            const StereoColor p = SampleHalf(pair, primary, sx, sy);
            const StereoColor q = SampleHalf(pair, secondary, sx + dx, sy + dy);
            return StereoColor{p.red, q.green, q.blue};
        }
        case StereoMode::HorizontalInterlace:
            return rowParity == 0 ? SampleHalf(pair, primary, sx, sy)
                                  : SampleHalf(pair, secondary, sx + dx, sy + dy);
        case StereoMode::VerticalInterlace:
            return columnParity == 1 ? SampleHalf(pair, primary, sx, sy)
                                     : SampleHalf(pair, secondary, sx + dx, sy + dy);
    }
    return StereoColor{kStereoGrey, kStereoGrey, kStereoGrey};
}

int64_t ParallaxPixelsX(const StereoViewState& state) { return TruncateTowardZero(state.parallaxX); }
int64_t ParallaxPixelsY(const StereoViewState& state) { return TruncateTowardZero(state.parallaxY); }

void RenderStereoView(const StereoPair& pair, const StereoViewState& state, TBitmap& display) {
    const int32_t width = display.Width();
    const int32_t height = display.Height();
    if (width <= 0 || height <= 0) return;

    const double scale = state.scale;
    const double positionX = state.positionX;
    const double positionY = state.positionY;
    const int64_t dx = ParallaxPixelsX(state);
    const int64_t dy = ParallaxPixelsY(state);

    const uint8_t* primary = HalfData(pair, state.swap ? StereoHalf::Second : StereoHalf::First);
    const uint8_t* secondary = HalfData(pair, state.swap ? StereoHalf::First : StereoHalf::Second);
    // An absent half is all grey: a zero size makes every table entry -1 and every row outside.
    const int64_t primaryWidth = primary ? pair.halfWidth : 0;
    const int64_t primaryHeight = primary ? pair.height : 0;
    const int64_t secondaryWidth = secondary ? pair.halfWidth : 0;
    const int64_t secondaryHeight = secondary ? pair.height : 0;
    const std::size_t sourceRowBytes =
        static_cast<std::size_t>(pair.halfWidth > 0 ? pair.halfWidth : 0) * 3;

    // Primary columns, secondary columns, and an all-grey table for rows outside a half.
    std::vector<std::ptrdiff_t> tables(static_cast<std::size_t>(width) * 3);
    std::ptrdiff_t* primaryColumns = tables.data();
    std::ptrdiff_t* secondaryColumns = primaryColumns + width;
    std::ptrdiff_t* greyColumns = secondaryColumns + width;
    FillColumnTable(primaryColumns, width, scale, positionX, 0, primaryWidth);
    FillColumnTable(secondaryColumns, width, scale, positionX, dx, secondaryWidth);
    for (int32_t x = 0; x < width; ++x) greyColumns[x] = -1;

    // Stands in for a row outside a half; with greyColumns it is never read.
    static const uint8_t kNoRow[3] = {kStereoGrey, kStereoGrey, kStereoGrey};

    for (int32_t y = 0; y < height; ++y) {
        const int64_t sy = TruncateTowardZero(static_cast<double>(y) * scale - positionY);
        const int64_t ty = sy + dy;
        const bool primaryInside = sy >= 0 && sy < primaryHeight;
        const bool secondaryInside = ty >= 0 && ty < secondaryHeight;
        const uint8_t* primaryRow =
            primaryInside ? primary + static_cast<std::size_t>(sy) * sourceRowBytes : kNoRow;
        const std::ptrdiff_t* primaryTable = primaryInside ? primaryColumns : greyColumns;
        const uint8_t* secondaryRow =
            secondaryInside ? secondary + static_cast<std::size_t>(ty) * sourceRowBytes : kNoRow;
        const std::ptrdiff_t* secondaryTable = secondaryInside ? secondaryColumns : greyColumns;
        uint8_t* out = display.ScanLine(y);

        switch (state.mode) {
            case StereoMode::Left:
                CopyRow(out, width, primaryRow, primaryTable);
                break;
            case StereoMode::Right:
                CopyRow(out, width, secondaryRow, secondaryTable);
                break;
            case StereoMode::Anaglyph:
                AnaglyphRow(out, width, primaryRow, primaryTable, secondaryRow, secondaryTable);
                break;
            case StereoMode::HorizontalInterlace:
                if ((y & 1) == 0)
                    CopyRow(out, width, primaryRow, primaryTable);
                else
                    CopyRow(out, width, secondaryRow, secondaryTable);
                break;
            case StereoMode::VerticalInterlace:
                ColumnInterlaceRow(out, width, primaryRow, primaryTable, secondaryRow,
                                   secondaryTable);
                break;
            default:
                std::memset(out, kStereoGrey, static_cast<std::size_t>(width) * 3);
                break;
        }
    }
}

void RenderStereoViewPerPixel(const StereoPair& pair, const StereoViewState& state,
                              TBitmap& display) {
    const int32_t width = display.Width();
    const int32_t height = display.Height();
    const int64_t dx = ParallaxPixelsX(state);
    const int64_t dy = ParallaxPixelsY(state);
    for (int32_t y = 0; y < height; ++y) {
        const int64_t sy =
            TruncateTowardZero(static_cast<double>(y) * state.scale - state.positionY);
        uint8_t* out = display.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            const int64_t sx =
                TruncateTowardZero(static_cast<double>(x) * state.scale - state.positionX);
            const StereoColor c =
                ComposeStereoPixel(pair, sx, sy, state.swap, state.mode, dx, dy, x % 2, y % 2);
            out[3 * x] = c.blue;
            out[3 * x + 1] = c.green;
            out[3 * x + 2] = c.red;
        }
    }
}
