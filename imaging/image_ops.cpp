#include "image_ops.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Pixel moves of four bytes: the fourth byte lands on the next pixel, which is written right
// after, so callers use them only where both the read and the write stay inside the row.
inline void Copy3(uint8_t* d, const uint8_t* s) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
}

inline void Copy4(uint8_t* d, const uint8_t* s) {
    uint32_t v;
    std::memcpy(&v, s, 4);
    std::memcpy(d, &v, 4);
}

inline std::size_t RowBytes(const TBitmap& b) { return static_cast<std::size_t>(b.Width()) * 3; }

// Source and target must be distinct; a caller that passes one bitmap as both gets the result
// it would expect, computed from a copy.
template <typename Op>
bool RunOnCopyIfSame(const TBitmap& source, TBitmap& target, Op op) {
    if (&source != &target) return false;
    const TBitmap copy = source;
    op(copy, target);
    return true;
}

// Target pixel x takes source pixel width-1-x. The first target pixel reads the last source
// pixel and the last target pixel is the last written, so both move three bytes; four-byte
// moves in between never leave either row.
void MirrorRow(const uint8_t* s, uint8_t* d, int32_t width) {
    if (width <= 0) return;
    const uint8_t* sp = s + static_cast<std::size_t>(width - 1) * 3;
    Copy3(d, sp);
    if (width == 1) return;
    d += 3;
    sp -= 3;
    for (int32_t x = 1; x < width - 1; ++x, d += 3, sp -= 3) Copy4(d, sp);
    Copy3(d, sp);
}

}  // namespace

void CopyImage(const TBitmap& source, TBitmap& target) {
    if (&source == &target) return;
    target.SetSizeForOverwrite(source.Width(), source.Height());
    const std::size_t rowBytes = RowBytes(source);
    for (int32_t y = 0; y < source.Height(); ++y)
        std::memcpy(target.ScanLine(y), source.ScanLine(y), rowBytes);
}

void FlipVertical(const TBitmap& source, TBitmap& target) {
    if (RunOnCopyIfSame(source, target, FlipVertical)) return;
    const int32_t h = source.Height();
    target.SetSizeForOverwrite(source.Width(), h);
    const std::size_t rowBytes = RowBytes(source);
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(target.ScanLine(y), source.ScanLine(h - 1 - y), rowBytes);
}

void MirrorHorizontal(const TBitmap& source, TBitmap& target) {
    if (RunOnCopyIfSame(source, target, MirrorHorizontal)) return;
    const int32_t w = source.Width();
    const int32_t h = source.Height();
    target.SetSizeForOverwrite(w, h);
    for (int32_t y = 0; y < h; ++y) MirrorRow(source.ScanLine(y), target.ScanLine(y), w);
}

void CropImage(const TBitmap& source, int32_t left, int32_t top, int32_t right, int32_t bottom,
               TBitmap& target) {
    if (&source == &target) {
        const TBitmap copy = source;
        CropImage(copy, left, top, right, bottom, target);
        return;
    }
    const int64_t width = static_cast<int64_t>(right) - left + 1;
    const int64_t height = static_cast<int64_t>(bottom) - top + 1;
    if (width <= 0 || height <= 0) {
        target.SetSize(0, 0);
        return;
    }
    const int32_t w = static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
    const int32_t h = static_cast<int32_t>(std::min<int64_t>(height, INT32_MAX));
    // The part of the rectangle that lies inside the source.
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t x1 = std::min<int64_t>(right, static_cast<int64_t>(source.Width()) - 1);
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t y1 = std::min<int64_t>(bottom, static_cast<int64_t>(source.Height()) - 1);
    const bool inside = x0 == left && x1 == right && y0 == top && y1 == bottom;
    if (inside) {
        target.SetSizeForOverwrite(w, h);
    } else {
        target.SetSize(w, h);  // black where the rectangle leaves the source
        if (x0 > x1 || y0 > y1) return;
    }
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0 + 1) * 3;
    const std::size_t srcOffset = static_cast<std::size_t>(x0) * 3;
    const std::size_t dstOffset = static_cast<std::size_t>(x0 - left) * 3;
    for (int64_t y = y0; y <= y1; ++y)
        std::memcpy(target.ScanLine(static_cast<int32_t>(y - top)) + dstOffset,
                    source.ScanLine(static_cast<int32_t>(y)) + srcOffset, bytes);
}

void ScaleNearest(const TBitmap& source, TBitmap& target) {
    if (RunOnCopyIfSame(source, target, ScaleNearest)) return;
    const int32_t w = source.Width();
    const int32_t h = source.Height();
    const int32_t wt = target.Width();
    const int32_t ht = target.Height();
    const std::size_t targetRowBytes = RowBytes(target);
    if (wt == 0 || ht == 0) return;
    if (w == 0 || h == 0) {  // nothing to sample: black
        for (int32_t i = 0; i < ht; ++i) std::memset(target.ScanLine(i), 0, targetRowBytes);
        return;
    }
    // Source byte offset of every target column. Products are formed in 64 bits so that large
    // pictures cannot overflow; a one-column target samples column 0.
    std::vector<uint32_t> offsets(static_cast<std::size_t>(wt));
    for (int32_t j = 0; j < wt; ++j)
        offsets[j] = wt == 1 ? 0
                             : static_cast<uint32_t>(static_cast<int64_t>(j) * (w - 1) / (wt - 1) * 3);
    const bool sameColumns = wt == w;  // the formula then maps every column to itself
    // Columns whose source pixel is not the last one may be moved with four-byte reads; the
    // mapping grows with j, so they form a prefix. The last target column is always moved with
    // three bytes so nothing spills past the row.
    int32_t fast = 0;
    const uint32_t lastOffset = static_cast<uint32_t>(w - 1) * 3;
    while (fast < wt - 1 && offsets[fast] < lastOffset) ++fast;

    int64_t previous = -1;
    for (int32_t i = 0; i < ht; ++i) {
        const int64_t sy = ht == 1 ? 0 : static_cast<int64_t>(i) * (h - 1) / (ht - 1);
        uint8_t* d = target.ScanLine(i);
        if (sy == previous) {
            std::memcpy(d, target.ScanLine(i - 1), targetRowBytes);
            continue;
        }
        previous = sy;
        const uint8_t* s = source.ScanLine(static_cast<int32_t>(sy));
        if (sameColumns) {
            std::memcpy(d, s, targetRowBytes);
            continue;
        }
        const uint32_t* off = offsets.data();
        int32_t j = 0;
        for (; j < fast; ++j, d += 3) Copy4(d, s + off[j]);
        for (; j < wt; ++j, d += 3) Copy3(d, s + off[j]);
    }
}

namespace {

constexpr int32_t kTile = 32;

// Quarter turns walk the target in square tiles so that the source rows a tile reads stay in
// the cache while the tile is written.
void RotateQuarter(const TBitmap& source, TBitmap& target, bool clockwise) {
    const int32_t w = source.Width();
    const int32_t h = source.Height();
    target.SetSizeForOverwrite(h, w);
    if (w == 0 || h == 0) return;
    const int32_t wt = h;
    const int32_t ht = w;
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(source.Stride());
    const uint8_t* base = source.Bits();
    for (int32_t ty0 = 0; ty0 < ht; ty0 += kTile) {
        const int32_t ty1 = std::min(ty0 + kTile, ht);
        for (int32_t tx0 = 0; tx0 < wt; tx0 += kTile) {
            const int32_t tx1 = std::min(tx0 + kTile, wt);
            // Four-byte moves stop before the target's last column.
            const int32_t fastEnd = std::min(tx1, wt - 1);
            for (int32_t y = ty0; y < ty1; ++y) {
                uint8_t* d = target.ScanLine(y) + static_cast<std::size_t>(tx0) * 3;
                // Clockwise: dst(x, y) = src(y, h-1-x), walking source rows upwards.
                // Counter-clockwise (270): dst(x, y) = src(w-1-y, x), walking downwards.
                const int32_t column = clockwise ? y : w - 1 - y;
                const std::ptrdiff_t step = clockwise ? -stride : stride;
                const uint8_t* s = base + (clockwise ? (h - 1 - tx0) : tx0) * stride + column * 3;
                int32_t x = tx0;
                if (column < w - 1)  // reading four bytes stays inside the source row
                    for (; x < fastEnd; ++x, d += 3, s += step) Copy4(d, s);
                for (; x < tx1; ++x, d += 3, s += step) Copy3(d, s);
            }
        }
    }
}

void Rotate180(const TBitmap& source, TBitmap& target) {
    const int32_t w = source.Width();
    const int32_t h = source.Height();
    target.SetSizeForOverwrite(w, h);
    for (int32_t y = 0; y < h; ++y)
        MirrorRow(source.ScanLine(h - 1 - y), target.ScanLine(y), w);
}

}  // namespace

void RotateImage(const TBitmap& source, TBitmap& target, int32_t angle) {
    if (angle != 0 && angle != 90 && angle != 180 && angle != 270) return;
    if (&source == &target) {
        const TBitmap copy = source;
        RotateImage(copy, target, angle);
        return;
    }
    switch (angle) {
        case 0:
            CopyImage(source, target);
            break;
        case 90:
            RotateQuarter(source, target, true);
            break;
        case 180:
            Rotate180(source, target);
            break;
        case 270:
            RotateQuarter(source, target, false);
            break;
    }
}
