#include "image_ops.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "image_ops_internal.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LUMIVEX_X86_SIMD 1
#define LUMIVEX_SSSE3 __attribute__((target("ssse3")))
#endif

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

#ifdef LUMIVEX_X86_SIMD
const bool kHasSsse3 = __builtin_cpu_supports("ssse3");
bool useSimd = kHasSsse3;
#else
bool useSimd = false;
#endif

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

#ifdef LUMIVEX_X86_SIMD
// Both kernels move five pixels per step: sixteen bytes loaded, reversed pixel-wise by one
// shuffle, sixteen bytes stored, one of which lands on a neighbouring target pixel that a later
// step writes. Which way a kernel walks matters for speed only: memory is fastest when source
// and target are each walked in one direction throughout. A 180-degree turn reads the source
// rows bottom to top, so reading each row right to left makes one long descending stream
// (MirrorRowWritingForward); a mirror keeps the row order, so it reads each row left to right
// and writes right to left instead (MirrorRowWritingBackward).

// Target pixels x..x+4 from the left: the load starts one byte before the five source pixels
// and the spare byte lands on pixel x+5. Safe while x <= width - 6.
LUMIVEX_SSSE3 void MirrorRowWritingForward(const uint8_t* s, uint8_t* d, int32_t width) {
    const __m128i reverse = _mm_setr_epi8(13, 14, 15, 10, 11, 12, 7, 8, 9, 4, 5, 6, 1, 2, 3, -1);
    int32_t x = 0;
    for (; x + 6 <= width; x += 5) {
        const uint8_t* from = s + static_cast<std::size_t>(width - 5 - x) * 3 - 1;
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + static_cast<std::size_t>(x) * 3),
                         _mm_shuffle_epi8(v, reverse));
    }
    for (; x < width; ++x)
        Copy3(d + static_cast<std::size_t>(x) * 3, s + static_cast<std::size_t>(width - 1 - x) * 3);
}

// Target pixels x..x+4 from the right: the store starts one byte before pixel x, on pixel x-1,
// and the load runs one byte past the five source pixels. Safe while x >= 1.
LUMIVEX_SSSE3 void MirrorRowWritingBackward(const uint8_t* s, uint8_t* d, int32_t width) {
    const __m128i reverse = _mm_setr_epi8(-1, 12, 13, 14, 9, 10, 11, 6, 7, 8, 3, 4, 5, 0, 1, 2);
    int32_t x = width - 5;
    const int32_t steps = x >= 1 ? (x - 1) / 5 + 1 : 0;
    for (int32_t p = width - 1; p >= x + 5 && p >= 0; --p)
        Copy3(d + static_cast<std::size_t>(p) * 3, s + static_cast<std::size_t>(width - 1 - p) * 3);
    for (int32_t i = 0; i < steps; ++i, x -= 5) {
        const __m128i v = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(s + static_cast<std::size_t>(width - 5 - x) * 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + static_cast<std::size_t>(x) * 3 - 1),
                         _mm_shuffle_epi8(v, reverse));
    }
    for (int32_t p = std::min(x + 4, width - 1); p >= 0; --p)
        Copy3(d + static_cast<std::size_t>(p) * 3, s + static_cast<std::size_t>(width - 1 - p) * 3);
}
#endif

void MirrorRowAny(const uint8_t* s, uint8_t* d, int32_t width, bool forRotation) {
#ifdef LUMIVEX_X86_SIMD
    if (useSimd)
        return forRotation ? MirrorRowWritingForward(s, d, width)
                           : MirrorRowWritingBackward(s, d, width);
#else
    (void)forRotation;
#endif
    MirrorRow(s, d, width);
}

}  // namespace

namespace image_ops_detail {
bool SimdAvailable() {
#ifdef LUMIVEX_X86_SIMD
    return kHasSsse3;
#else
    return false;
#endif
}
void SetSimdEnabled(bool enabled) { useSimd = enabled && SimdAvailable(); }
}  // namespace image_ops_detail

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
    for (int32_t y = 0; y < h; ++y) MirrorRowAny(source.ScanLine(y), target.ScanLine(y), w, false);
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

namespace {

#ifdef LUMIVEX_X86_SIMD
// A run of up to five target pixels whose source pixels lie within sixteen bytes: one load,
// one shuffle and one store per run.
struct ScaleRun {
    uint32_t source;  // byte offset in the source row of the sixteen bytes loaded
    uint32_t target;  // byte offset in the target row of the sixteen bytes stored
};

// Builds the runs for one row layout; returns the first target column left to move pixel by
// pixel (the loads and stores of a run must stay inside the rows).
int32_t PlanScaleRuns(const std::vector<uint32_t>& offsets, std::size_t sourceRowBytes,
                      std::size_t targetRowBytes, std::vector<ScaleRun>& runs,
                      std::vector<uint8_t>& masks) {
    const int32_t wt = static_cast<int32_t>(offsets.size());
    int32_t j = 0;
    while (j < wt) {
        const uint32_t first = offsets[j];
        const std::size_t at = static_cast<std::size_t>(j) * 3;
        if (first + 16 > sourceRowBytes || at + 16 > targetRowBytes) break;
        int32_t n = 1;
        while (n < 5 && j + n < wt && offsets[j + n] + 3 <= first + 16) ++n;
        uint8_t mask[16];
        std::memset(mask, 0x80, sizeof mask);
        for (int32_t k = 0; k < n; ++k)
            for (int c = 0; c < 3; ++c) mask[3 * k + c] = static_cast<uint8_t>(offsets[j + k] - first + c);
        runs.push_back({first, static_cast<uint32_t>(at)});
        masks.insert(masks.end(), mask, mask + 16);
        j += n;
    }
    return j;
}

LUMIVEX_SSSE3 void ScaleRowSsse3(const uint8_t* s, uint8_t* d, const ScaleRun* runs,
                                 std::size_t count, const uint8_t* masks) {
    for (std::size_t i = 0; i < count; ++i, masks += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + runs[i].source));
        const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + runs[i].target), _mm_shuffle_epi8(v, m));
    }
}
#endif

}  // namespace

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
    int32_t tailStart = 0;
#ifdef LUMIVEX_X86_SIMD
    std::vector<ScaleRun> runs;
    std::vector<uint8_t> masks;
    if (useSimd && !sameColumns)
        tailStart = PlanScaleRuns(offsets, RowBytes(source), targetRowBytes, runs, masks);
#endif

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
        int32_t j = 0;
#ifdef LUMIVEX_X86_SIMD
        if (tailStart > 0) {
            ScaleRowSsse3(s, d, runs.data(), runs.size(), masks.data());
            j = tailStart;
        }
#endif
        const uint32_t* off = offsets.data();
        uint8_t* dp = d + static_cast<std::size_t>(j) * 3;
        for (; j < fast; ++j, dp += 3) Copy4(dp, s + off[j]);
        for (; j < wt; ++j, dp += 3) Copy3(dp, s + off[j]);
    }
}

namespace {

constexpr int32_t kTile = 32;

// Quarter turns walk the target in square tiles so that the source rows a tile reads stay in
// the cache while the tile is written.
void RotateQuarterScalar(const TBitmap& source, TBitmap& target, bool clockwise) {
    const int32_t w = source.Width();
    const int32_t h = source.Height();
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

#ifdef LUMIVEX_X86_SIMD
// Four pixels (twelve bytes) widened to four 32-bit lanes, and back. Loads and stores move
// exactly twelve bytes, so no block ever touches a byte outside its rows.
LUMIVEX_SSSE3 inline __m128i LoadFour(const uint8_t* s) {
    const __m128i widen = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    int32_t tail;
    std::memcpy(&tail, s + 8, 4);
    const __m128i v = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s)),
                                         _mm_cvtsi32_si128(tail));
    return _mm_shuffle_epi8(v, widen);
}

LUMIVEX_SSSE3 inline void StoreFour(uint8_t* d, __m128i v) {
    const __m128i narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    v = _mm_shuffle_epi8(v, narrow);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), v);
    const int32_t tail = _mm_cvtsi128_si32(_mm_srli_si128(v, 8));
    std::memcpy(d + 8, &tail, 4);
}

constexpr int32_t kTileRows = 64;     // target rows per tile
constexpr int32_t kTileColumns = 256;  // target columns per tile

// Sixteen-byte forms of LoadFour and StoreFour: the load reads four bytes past the four
// pixels, the store writes four bytes (zeros) past them. Callers use them only where those
// bytes lie inside the row and, for the store, belong to a pixel written later.
LUMIVEX_SSSE3 inline __m128i LoadFourWide(const uint8_t* s) {
    const __m128i widen = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), widen);
}

LUMIVEX_SSSE3 inline void StoreFourWide(uint8_t* d, __m128i v) {
    const __m128i narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_shuffle_epi8(v, narrow));
}

// One 4 x 4 block: four source rows rowStep apart, four pixels each, become four target rows
// of four pixels. A clockwise turn puts the first source column into the first target row; a
// counter-clockwise turn into the last.
template <bool kClockwise, bool kWideLoad, bool kWideStore>
LUMIVEX_SSSE3 inline void RotateBlock(const uint8_t* s, std::ptrdiff_t rowStep, uint8_t* d,
                                      std::size_t targetStride) {
    const auto load = [](const uint8_t* p) { return kWideLoad ? LoadFourWide(p) : LoadFour(p); };
    const __m128i r0 = load(s), r1 = load(s + rowStep), r2 = load(s + 2 * rowStep),
                  r3 = load(s + 3 * rowStep);
    const __m128i a = _mm_unpacklo_epi32(r0, r1), b = _mm_unpacklo_epi32(r2, r3);
    const __m128i c = _mm_unpackhi_epi32(r0, r1), e = _mm_unpackhi_epi32(r2, r3);
    const __m128i column0 = _mm_unpacklo_epi64(a, b), column1 = _mm_unpackhi_epi64(a, b);
    const __m128i column2 = _mm_unpacklo_epi64(c, e), column3 = _mm_unpackhi_epi64(c, e);
    const auto store = [](uint8_t* p, __m128i v) {
        if (kWideStore) {
            StoreFourWide(p, v);
        } else {
            StoreFour(p, v);
        }
    };
    uint8_t* row0 = d;
    uint8_t* row1 = d + targetStride;
    uint8_t* row2 = d + 2 * targetStride;
    uint8_t* row3 = d + 3 * targetStride;
    if (!kClockwise) std::swap(row0, row3), std::swap(row1, row2);
    store(row0, column0);
    store(row1, column1);
    store(row2, column2);
    store(row3, column3);
}

// A run of blocks along four target rows. Every store but the row's very last may spill onto
// the next block, which is written afterwards.
template <bool kClockwise, bool kWideLoad>
LUMIVEX_SSSE3 void RotateBlockRun(const uint8_t* s, std::ptrdiff_t rowStep, uint8_t* d,
                                  std::size_t targetStride, int32_t blocks, bool endsRow) {
    const int32_t wide = endsRow ? blocks - 1 : blocks;
    for (int32_t i = 0; i < wide; ++i, d += 12, s += 4 * rowStep)
        RotateBlock<kClockwise, kWideLoad, true>(s, rowStep, d, targetStride);
    if (wide < blocks) RotateBlock<kClockwise, kWideLoad, false>(s, rowStep, d, targetStride);
}

// Quarter turns in 4 x 4 pixel blocks: four source rows give four lanes each, one 4 x 4
// transpose of 32-bit lanes turns them into four target rows. Blocks are walked in tiles so
// the source rows a tile reads stay in the cache. Rows and columns beyond the last whole
// block move pixel by pixel.
LUMIVEX_SSSE3 void RotateQuarterSsse3(const TBitmap& source, TBitmap& target, bool clockwise) {
    const int32_t w = source.Width();
    const int32_t h = source.Height();
    const int32_t wt = h;
    const int32_t ht = w;
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(source.Stride());
    const std::size_t targetStride = target.Stride();
    const uint8_t* base = source.Bits();
    const int32_t fullRows = ht - ht % 4;
    const int32_t fullColumns = wt - wt % 4;
    for (int32_t ty0 = 0; ty0 < fullRows; ty0 += kTileRows) {
        const int32_t ty1 = std::min(ty0 + kTileRows, fullRows);
        for (int32_t tx0 = 0; tx0 < fullColumns; tx0 += kTileColumns) {
            const int32_t tx1 = std::min(tx0 + kTileColumns, fullColumns);
            const int32_t blocks = (tx1 - tx0) / 4;
            const bool endsRow = tx1 == wt;  // a spill would leave the row
            for (int32_t y = ty0; y < ty1; y += 4) {
                uint8_t* d = target.ScanLine(y) + static_cast<std::size_t>(tx0) * 3;
                if (clockwise) {
                    // dst(x + j, y + i) = src(y + i, h - 1 - x - j); sixteen-byte loads at
                    // source column y stay in the row while y <= w - 6.
                    const uint8_t* s = base + (h - 1 - tx0) * stride + y * 3;
                    if (y + 6 <= w)
                        RotateBlockRun<true, true>(s, -stride, d, targetStride, blocks, endsRow);
                    else
                        RotateBlockRun<true, false>(s, -stride, d, targetStride, blocks, endsRow);
                } else {
                    // dst(x + j, y + i) = src(w - 1 - y - i, x + j): source columns
                    // w-4-y .. w-1-y end up in target rows y+3 .. y.
                    const uint8_t* s = base + tx0 * stride + (w - 4 - y) * 3;
                    if (y >= 2)
                        RotateBlockRun<false, true>(s, stride, d, targetStride, blocks, endsRow);
                    else
                        RotateBlockRun<false, false>(s, stride, d, targetStride, blocks, endsRow);
                }
            }
        }
    }
    // The strips that whole blocks do not cover.
    auto pixel = [&](int32_t x, int32_t y) {
        const int32_t sx = clockwise ? y : w - 1 - y;
        const int32_t sy = clockwise ? h - 1 - x : x;
        Copy3(target.ScanLine(y) + static_cast<std::size_t>(x) * 3,
              base + sy * stride + static_cast<std::ptrdiff_t>(sx) * 3);
    };
    for (int32_t y = 0; y < fullRows; ++y)
        for (int32_t x = fullColumns; x < wt; ++x) pixel(x, y);
    for (int32_t y = fullRows; y < ht; ++y)
        for (int32_t x = 0; x < wt; ++x) pixel(x, y);
}
#endif

void RotateQuarter(const TBitmap& source, TBitmap& target, bool clockwise) {
    target.SetSizeForOverwrite(source.Height(), source.Width());
    if (source.Width() == 0 || source.Height() == 0) return;
#ifdef LUMIVEX_X86_SIMD
    if (useSimd) return RotateQuarterSsse3(source, target, clockwise);
#endif
    RotateQuarterScalar(source, target, clockwise);
}

void Rotate180(const TBitmap& source, TBitmap& target) {
    const int32_t w = source.Width();
    const int32_t h = source.Height();
    target.SetSizeForOverwrite(w, h);
    for (int32_t y = 0; y < h; ++y)
        MirrorRowAny(source.ScanLine(h - 1 - y), target.ScanLine(y), w, true);
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
