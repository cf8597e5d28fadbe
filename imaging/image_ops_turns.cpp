// Turns, flips and mirrors.
#include <algorithm>
#include <cstring>
#include <utility>

#include "image_ops.h"
#include "image_ops_internal.h"
#include "pixel_gather.h"
#include "shuffle_target.h"

using image_ops_detail::RowBytes;
using image_ops_detail::RunOnCopyIfSame;

namespace {

// Target pixel x takes source pixel width-1-x. The first target pixel reads the last source
// pixel and the last target pixel is the last written, so both move three bytes; four-byte
// moves in between never leave either row.
void MirrorRow(const uint8_t* s, uint8_t* d, int32_t width) {
    if (width <= 0) return;
    const uint8_t* sp = s + static_cast<std::size_t>(width - 1) * 3;
    CopyPixel(d, sp);
    if (width == 1) return;
    d += 3;
    sp -= 3;
    for (int32_t x = 1; x < width - 1; ++x, d += 3, sp -= 3) CopyPixelWide(d, sp);
    CopyPixel(d, sp);
}

#ifdef LUMIVEX_X86_SHUFFLES
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
        CopyPixel(d + static_cast<std::size_t>(x) * 3, s + static_cast<std::size_t>(width - 1 - x) * 3);
}

// Target pixels x..x+4 from the right: the store starts one byte before pixel x, on pixel x-1,
// and the load runs one byte past the five source pixels. Safe while x >= 1.
LUMIVEX_SSSE3 void MirrorRowWritingBackward(const uint8_t* s, uint8_t* d, int32_t width) {
    const __m128i reverse = _mm_setr_epi8(-1, 12, 13, 14, 9, 10, 11, 6, 7, 8, 3, 4, 5, 0, 1, 2);
    int32_t x = width - 5;
    const int32_t steps = x >= 1 ? (x - 1) / 5 + 1 : 0;
    for (int32_t p = width - 1; p >= x + 5 && p >= 0; --p)
        CopyPixel(d + static_cast<std::size_t>(p) * 3, s + static_cast<std::size_t>(width - 1 - p) * 3);
    for (int32_t i = 0; i < steps; ++i, x -= 5) {
        const __m128i v = _mm_loadu_si128(
            reinterpret_cast<const __m128i*>(s + static_cast<std::size_t>(width - 5 - x) * 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + static_cast<std::size_t>(x) * 3 - 1),
                         _mm_shuffle_epi8(v, reverse));
    }
    for (int32_t p = std::min(x + 4, width - 1); p >= 0; --p)
        CopyPixel(d + static_cast<std::size_t>(p) * 3, s + static_cast<std::size_t>(width - 1 - p) * 3);
}
#endif

void MirrorRowAny(const uint8_t* s, uint8_t* d, int32_t width, bool forRotation) {
#ifdef LUMIVEX_X86_SHUFFLES
    if (ShufflesEnabled())
        return forRotation ? MirrorRowWritingForward(s, d, width)
                           : MirrorRowWritingBackward(s, d, width);
#else
    (void)forRotation;
#endif
    MirrorRow(s, d, width);
}

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
                    for (; x < fastEnd; ++x, d += 3, s += step) CopyPixelWide(d, s);
                for (; x < tx1; ++x, d += 3, s += step) CopyPixel(d, s);
            }
        }
    }
}

#ifdef LUMIVEX_X86_SHUFFLES
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
        CopyPixel(target.ScanLine(y) + static_cast<std::size_t>(x) * 3,
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
#ifdef LUMIVEX_X86_SHUFFLES
    if (ShufflesEnabled()) return RotateQuarterSsse3(source, target, clockwise);
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
