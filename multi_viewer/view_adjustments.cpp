#include "view_adjustments.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "cpu_features.h"
#include "image_error.h"
#include "image_ops.h"
#include "text_io.h"
#include "view_adjustments_internal.h"

namespace {

constexpr double kOneOver255 = 0.00392156862745098;
constexpr double kPi = 3.141592653589793;
constexpr double kOneOver180 = 0.005555555555555556;
constexpr int kSumCount = 3 * 255 + 1;  // B + G + R runs over 0 .. 765

using ByteTable = uint8_t[256];
constexpr uint8_t kGreyPixel[3] = {FillByte, FillByte, FillByte};

// trunc(v) kept within 0..255; a value that is not a number counts as 0.
uint8_t TruncToByte(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<uint8_t>(static_cast<int>(v));
}

inline std::size_t RowBytes(const TBitmap& b) { return static_cast<std::size_t>(b.Width()) * 3; }

// Calls run(pointer, bytes) on the pixel bytes of every row, or once for the whole picture when
// its rows lie back to back (then no row padding exists to be spared).
template <typename Run>
void ForEachPixelRun(TBitmap& image, Run run) {
    if (image.Empty()) return;
    const std::size_t rowBytes = RowBytes(image);
    if (image.Stride() == rowBytes) {
        run(image.ScanLine(0), rowBytes * static_cast<std::size_t>(image.Height()));
        return;
    }
    for (int32_t y = 0; y < image.Height(); ++y) run(image.ScanLine(y), rowBytes);
}

#if defined(__x86_64__)
// GCC 12's own AVX-512 headers trip its maybe-uninitialized check (their "undefined" vectors).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#define LUMIVEX_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))
LUMIVEX_VBMI inline __m512i LookUp64(__m512i v, __m512i t0, __m512i t1, __m512i t2, __m512i t3) {
    const __m512i low = _mm512_permutex2var_epi8(t0, v, t1);
    const __m512i high = _mm512_permutex2var_epi8(t2, v, t3);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
}

// 64 bytes per step: two 128-entry permutes (the index's bit 6 picks the half of each) and a
// blend by bit 7. Bound by memory, not by the table reads.
LUMIVEX_VBMI void LookUpVbmi(uint8_t* p, std::size_t bytes, const ByteTable& table) {
    const __m512i t0 = _mm512_loadu_si512(table), t1 = _mm512_loadu_si512(table + 64);
    const __m512i t2 = _mm512_loadu_si512(table + 128), t3 = _mm512_loadu_si512(table + 192);
    std::size_t i = 0;
    for (; i + 64 <= bytes; i += 64)
        _mm512_storeu_si512(p + i, LookUp64(_mm512_loadu_si512(p + i), t0, t1, t2, t3));
    if (i < bytes) {  // the last bytes of the run, without touching what follows it
        const __mmask64 live = (__mmask64(1) << (bytes - i)) - 1;
        _mm512_mask_storeu_epi8(p + i, live,
                                LookUp64(_mm512_maskz_loadu_epi8(live, p + i), t0, t1, t2, t3));
    }
}
// Grayscale and colorize sixteen pixels (48 bytes) at a time: byte permutes spread each
// pixel's blue, green and red into a 32-bit lane, the lanes are summed, the results computed in
// the lanes (the same integer and double operations as the plain loops), and a permute packs
// them back into 48 bytes. Each returns the number of pixels of the row it did.
struct PixelLanes {
    __m512i spread[3], pack;
};

LUMIVEX_VBMI PixelLanes MakePixelLanes() {
    alignas(64) uint8_t spread[3][64], pack[64];
    for (int k = 0; k < 64; ++k) {
        for (int c = 0; c < 3; ++c) spread[c][k] = static_cast<uint8_t>(k / 4 * 3 + c);
        pack[k] = static_cast<uint8_t>(k < 48 ? k / 3 * 4 + k % 3 : 0);
    }
    return {{_mm512_load_si512(spread[0]), _mm512_load_si512(spread[1]), _mm512_load_si512(spread[2])},
            _mm512_load_si512(pack)};
}

constexpr __mmask64 kPixelBytes = (__mmask64(1) << 48) - 1;

// The first 48 bytes of v to p, as two plain stores (a masked store is slow on some processors).
LUMIVEX_VBMI inline void Store48(uint8_t* p, __m512i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm512_castsi512_si256(v));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 32), _mm512_extracti32x4_epi32(v, 2));
}

LUMIVEX_VBMI inline __m512i PixelSums(const uint8_t* p, const PixelLanes& lanes) {
    const __m512i v = _mm512_maskz_loadu_epi8(kPixelBytes, p);
    const __m512i low = _mm512_set1_epi32(0xff);
    __m512i sum = _mm512_setzero_si512();
    for (const __m512i& spread : lanes.spread)
        sum = _mm512_add_epi32(sum, _mm512_and_si512(_mm512_permutexvar_epi8(spread, v), low));
    return sum;
}

LUMIVEX_VBMI int32_t GrayscaleVbmi(uint8_t* p, int32_t width) {
    const PixelLanes lanes = MakePixelLanes();
    int32_t x = 0;
    for (; x + 16 <= width; x += 16, p += 48) {
        // sum / 3 as (sum * 0xAAAB) >> 17, exact for every sum up to 765
        const __m512i grey = _mm512_srli_epi32(
            _mm512_mullo_epi32(PixelSums(p, lanes), _mm512_set1_epi32(0xAAAB)), 17);
        const __m512i out = _mm512_mullo_epi32(grey, _mm512_set1_epi32(0x010101));
        Store48(p, _mm512_permutexvar_epi8(lanes.pack, out));
    }
    return x;
}

// trunc(factor * d) kept within 0..255, NaN as 0: max_pd gives its second operand for a NaN.
LUMIVEX_VBMI inline __m256i ClampTrunc(__m512d factor, __m512d d) {
    const __m512d v = _mm512_max_pd(_mm512_mul_pd(factor, d), _mm512_setzero_pd());
    return _mm512_cvttpd_epi32(_mm512_min_pd(v, _mm512_set1_pd(255.0)));
}

LUMIVEX_VBMI inline __m512i ChannelBytes(__m512d dLow, __m512d dHigh, double factor) {
    const __m512d f = _mm512_set1_pd(factor);
    return _mm512_inserti64x4(_mm512_castsi256_si512(ClampTrunc(f, dLow)), ClampTrunc(f, dHigh), 1);
}

LUMIVEX_VBMI int32_t ColorizeVbmi(uint8_t* p, int32_t width, double red, double green, double blue) {
    const PixelLanes lanes = MakePixelLanes();
    const __m512d third = _mm512_set1_pd(0.333);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16, p += 48) {
        const __m512i sum = PixelSums(p, lanes);
        const __m512d dLow = _mm512_mul_pd(_mm512_cvtepi32_pd(_mm512_castsi512_si256(sum)), third);
        const __m512d dHigh =
            _mm512_mul_pd(_mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(sum, 1)), third);
        const __m512i out = _mm512_or_si512(
            ChannelBytes(dLow, dHigh, blue),
            _mm512_or_si512(_mm512_slli_epi32(ChannelBytes(dLow, dHigh, green), 8),
                            _mm512_slli_epi32(ChannelBytes(dLow, dHigh, red), 16)));
        Store48(p, _mm512_permutexvar_epi8(lanes.pack, out));
    }
    return x;
}

#pragma GCC diagnostic pop
const bool kHasVbmi = RunsAvx512BytePermutes();
#else
const bool kHasVbmi = false;
void LookUpVbmi(uint8_t*, std::size_t, const ByteTable&) {}
int32_t GrayscaleVbmi(uint8_t*, int32_t) { return 0; }
int32_t ColorizeVbmi(uint8_t*, int32_t, double, double, double) { return 0; }
#endif
bool useVbmi = kHasVbmi;

// Looks every pixel byte up in table; row padding is left alone (it stays zero). Where the
// processor has byte permutes, 64 bytes go at once. Elsewhere, on large pictures two bytes are
// looked up at once in a 65536-entry table of pairs (128 KiB, built in well under a
// millisecond), so the loop does four table reads per eight bytes.
void ApplyByteTable(TBitmap& image, const ByteTable& table) {
    if (useVbmi) {
        ForEachPixelRun(image, [&](uint8_t* p, std::size_t bytes) { LookUpVbmi(p, bytes, table); });
        return;
    }
    constexpr std::size_t kPairTableFrom = 1 << 20;  // pixel bytes that repay the pair table
    if (RowBytes(image) * static_cast<std::size_t>(image.Height()) < kPairTableFrom) {
        ForEachPixelRun(image, [&](uint8_t* p, std::size_t bytes) {
            for (std::size_t i = 0; i < bytes; ++i) p[i] = table[p[i]];
        });
        return;
    }
    std::vector<uint16_t> pairs(65536);
    for (int high = 0; high < 256; ++high)
        for (int low = 0; low < 256; ++low)
            pairs[high << 8 | low] = static_cast<uint16_t>(table[low] | table[high] << 8);
    const uint16_t* t = pairs.data();
    ForEachPixelRun(image, [&](uint8_t* p, std::size_t bytes) {
        std::size_t i = 0;
        for (; i + 8 <= bytes; i += 8) {
            uint64_t v;
            std::memcpy(&v, p + i, 8);
            const uint64_t r = uint64_t(t[v & 0xffff]) | uint64_t(t[(v >> 16) & 0xffff]) << 16 |
                               uint64_t(t[(v >> 32) & 0xffff]) << 32 | uint64_t(t[v >> 48]) << 48;
            std::memcpy(p + i, &r, 8);
        }
        for (; i < bytes; ++i) p[i] = table[p[i]];
    });
}

// Sets the three bytes of every pixel from the sum of its three bytes, through a table of the
// packed result (blue | green << 8 | red << 16) per sum. Four pixels are read and written as
// twelve bytes at a time; the loads never overlap an earlier store, which would stall them.
template <typename VectorStart>
void ApplySumTable(TBitmap& image, const uint32_t* packed, VectorStart vectorStart) {
    const int32_t w = image.Width();
    for (int32_t y = 0; y < image.Height(); ++y) {
        uint8_t* p = image.ScanLine(y);
        int32_t x = useVbmi ? vectorStart(p, w) : 0;
        p += static_cast<std::size_t>(x) * 3;
        for (; x + 4 <= w; x += 4, p += 12) {
            uint64_t lo;
            uint32_t hi;
            std::memcpy(&lo, p, 8);
            std::memcpy(&hi, p + 8, 4);
            const uint32_t o0 = packed[(lo & 0xff) + (lo >> 8 & 0xff) + (lo >> 16 & 0xff)];
            const uint32_t o1 = packed[(lo >> 24 & 0xff) + (lo >> 32 & 0xff) + (lo >> 40 & 0xff)];
            const uint32_t o2 = packed[(lo >> 48 & 0xff) + (lo >> 56) + (hi & 0xff)];
            const uint32_t o3 = packed[(hi >> 8 & 0xff) + (hi >> 16 & 0xff) + (hi >> 24)];
            lo = uint64_t(o0) | uint64_t(o1) << 24 | uint64_t(o2) << 48;
            hi = o2 >> 16 | o3 << 8;
            std::memcpy(p, &lo, 8);
            std::memcpy(p + 8, &hi, 4);
        }
        for (; x < w; ++x, p += 3) {
            const uint32_t out = packed[p[0] + p[1] + p[2]];
            p[0] = static_cast<uint8_t>(out);
            p[1] = static_cast<uint8_t>(out >> 8);
            p[2] = static_cast<uint8_t>(out >> 16);
        }
    }
}

uint32_t PackPixel(uint8_t blue, uint8_t green, uint8_t red) {
    return uint32_t(blue) | uint32_t(green) << 8 | uint32_t(red) << 16;
}

int32_t TileCount(int32_t size, int32_t tile) { return (size + tile - 1) / tile; }

std::string SizeText(double v) {
    if (std::isfinite(v) && std::fabs(v) < 1e18) return std::to_string(static_cast<long long>(v));
    return FormatText("%g", v);
}

// Refuses a step's size before anything is allocated for it.
void CheckStepSize(const std::string& step, double width, double height, int minimum) {
    const std::string size = SizeText(width) + " x " + SizeText(height) + " pixels";
    if (!(width >= minimum && height >= minimum))
        throw ImageError(step + " " + size + ": a picture needs at least " +
                         std::to_string(minimum) + " x " + std::to_string(minimum) + " pixels");
    if (width * height > static_cast<double>(TBitmap::kMaxPixels))
        throw ImageError(step + " " + size + ": more than the " +
                         std::to_string(TBitmap::kMaxPixels) + " pixels a picture may have");
}

}  // namespace

namespace view_adjustments_detail {
bool VectorTablesAvailable() { return kHasVbmi; }
void SetVectorTablesEnabled(bool enabled) { useVbmi = enabled && kHasVbmi; }
}  // namespace view_adjustments_detail

namespace {

// The turn pixel by pixel in 64-bit arithmetic, for a centre row above the picture (negative),
// where the row offsets that reach the picture lie beyond the 32-bit range the fast path uses.
void RotateWithFarCentre(const TBitmap& source, TBitmap& target, double c, double s, int64_t cx,
                         int64_t cy) {
    const int32_t w = source.Width(), h = source.Height();
    constexpr double kFar = 4611686018427387904.0;  // 2^62: beyond it nothing lands inside
    auto coordinate = [](double offset, int64_t centre, int64_t limit, int64_t& at) {
        if (!(offset > -kFar && offset < kFar)) return false;
        at = centre + static_cast<int64_t>(offset);
        return at >= 0 && at < limit;
    };
    for (int32_t y = 0; y < h; ++y) {
        const double dy = static_cast<double>(y - cy);
        uint8_t* d = target.ScanLine(y);
        for (int32_t x = 0; x < w; ++x, d += 3) {
            const double dx = static_cast<double>(x - cx);
            int64_t sx, sy;
            const uint8_t* p =
                coordinate(dx * c - dy * s, cx, w, sx) && coordinate(dx * s + dy * c, cy, h, sy)
                    ? source.ScanLine(static_cast<int32_t>(sy)) + sx * 3
                    : kGreyPixel;
            std::memcpy(d, p, 3);
        }
    }
}

}  // namespace

void RotateAboutPoint(const TBitmap& source, TBitmap& target, double angle, int32_t column,
                      int32_t row) {
    if (&source == &target) {
        const TBitmap copy = source;
        RotateAboutPoint(copy, target, angle, column, row);
        return;
    }
    const int32_t w = source.Width();
    const int32_t h = source.Height();
    target.SetSizeForOverwrite(w, h);
    if (w == 0 || h == 0) return;
    int64_t cx = column, cy = row;
    if (column < 0) {
        cx = w / 2;
        cy = h / 2;
    }
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    if (!std::isfinite(c) || !std::isfinite(s)) {  // no angle at all: nothing maps
        for (int32_t y = 0; y < h; ++y) std::memset(target.ScanLine(y), FillByte, RowBytes(target));
        return;
    }
    if (cy < 0) return RotateWithFarCentre(source, target, c, s, cx, cy);
    // The target is done in tiles of kStrip x kStrip pixels: neighbouring target rows read
    // neighbouring source pixels, so a tile's source and target lines stay in the cache at any
    // angle. dx * c and dx * s are formed once per column (the columns are padded to whole
    // strips); per pixel only the row's terms are combined with them, the same products and
    // sums as computing each pixel afresh, so the same bytes.
    constexpr int32_t kStrip = 64;
    const std::size_t paddedWidth = (static_cast<std::size_t>(w) + kStrip - 1) / kStrip * kStrip;
    std::vector<double> columnCos(paddedWidth), columnSin(paddedWidth);
    for (std::size_t x = 0; x < paddedWidth; ++x) {
        const double dx = static_cast<double>(static_cast<int64_t>(x) - cx);
        columnCos[x] = dx * c;
        columnSin[x] = dx * s;
    }
    // trunc of an offset clamped to the int32 range: inside the range it is the exact trunc;
    // at either end centre + offset lands outside the picture, as the true offset does
    // (here both centre coordinates are 0 .. 2^31-1 and a side is at most 2^31-1).
    [[maybe_unused]] auto truncClamped = [](double offset) {
        offset = offset < -2147483648.0 ? -2147483648.0 : offset;
        offset = offset > 2147483647.0 ? 2147483647.0 : offset;
        return static_cast<int32_t>(offset);
    };
    const uint8_t* sourceBits = source.Bits();
    const std::size_t stride = source.Stride();
    int32_t offsetX[kStrip], offsetY[kStrip];
    for (int32_t tile = 0; tile < TileCount(w, kStrip) * TileCount(h, kStrip); ++tile) {
        const int32_t x0 = tile % TileCount(w, kStrip) * kStrip;
        const int32_t y0 = tile / TileCount(w, kStrip) * kStrip;
        const int32_t count = std::min(kStrip, w - x0);
        const double* cosRun = columnCos.data() + x0;
        const double* sinRun = columnSin.data() + x0;
        for (int32_t y = y0; y < std::min(h, y0 + kStrip); ++y) {
            const double dy = static_cast<double>(y - cy);
            const double rowSin = dy * s;
            const double rowCos = dy * c;
#ifdef __SSE2__
            // Two columns per instruction; cvttpd2dq is the same trunc as the scalar cast.
            const __m128d low = _mm_set1_pd(-2147483648.0), high = _mm_set1_pd(2147483647.0);
            const __m128d rs = _mm_set1_pd(rowSin), rc = _mm_set1_pd(rowCos);
            for (int32_t i = 0; i < kStrip; i += 2) {
                const __m128d u = _mm_sub_pd(_mm_loadu_pd(cosRun + i), rs);
                const __m128d v = _mm_add_pd(_mm_loadu_pd(sinRun + i), rc);
                _mm_storel_epi64(reinterpret_cast<__m128i*>(offsetX + i),
                                 _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(u, low), high)));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(offsetY + i),
                                 _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(v, low), high)));
            }
#else
            for (int32_t i = 0; i < kStrip; ++i) {
                offsetX[i] = truncClamped(cosRun[i] - rowSin);
                offsetY[i] = truncClamped(sinRun[i] + rowCos);
            }
#endif
            uint8_t* d = target.ScanLine(y) + static_cast<std::size_t>(x0) * 3;
            for (int32_t i = 0; i < count; ++i, d += 3) {
                const int64_t sx = cx + offsetX[i];
                const int64_t sy = cy + offsetY[i];
                const bool inside = static_cast<uint64_t>(sx) < static_cast<uint64_t>(w) &&
                                    static_cast<uint64_t>(sy) < static_cast<uint64_t>(h);
                const uint8_t* p = inside ? sourceBits + static_cast<std::size_t>(sy) * stride +
                                                static_cast<std::size_t>(sx) * 3
                                          : kGreyPixel;
                d[0] = p[0];
                d[1] = p[1];
                d[2] = p[2];
            }
        }
    }
}

void CropWithFill(const TBitmap& source, TBitmap& target, int32_t left, int32_t top,
                  int32_t width, int32_t height) {
    if (&source == &target) {
        const TBitmap copy = source;
        CropWithFill(copy, target, left, top, width, height);
        return;
    }
    if (width < 1 || height < 1) {
        target.SetSize(0, 0);
        return;
    }
    target.SetSizeForOverwrite(width, height);
    const int64_t w = source.Width();
    const int64_t h = source.Height();
    // Source columns x0 .. x1-1 fall inside both the source and the rectangle.
    const int64_t x0 = std::clamp<int64_t>(left, 0, w);
    const int64_t x1 = std::clamp<int64_t>(int64_t(left) + width, 0, w);
    const std::size_t targetBytes = static_cast<std::size_t>(width) * 3;
    for (int32_t ty = 0; ty < height; ++ty) {
        uint8_t* d = target.ScanLine(ty);
        const int64_t y = int64_t(top) + ty;
        if (y < 0 || y >= h || x1 <= x0) {
            std::memset(d, FillByte, targetBytes);
            continue;
        }
        const std::size_t before = static_cast<std::size_t>(x0 - left) * 3;
        const std::size_t inside = static_cast<std::size_t>(x1 - x0) * 3;
        std::memset(d, FillByte, before);
        std::memcpy(d + before, source.ScanLine(static_cast<int32_t>(y)) + x0 * 3, inside);
        std::memset(d + before + inside, FillByte, targetBytes - before - inside);
    }
}

void ApplyGamma(TBitmap& image, double exponent) {
    ByteTable table;
    for (int i = 0; i < 256; ++i) table[i] = TruncToByte(std::pow(i * kOneOver255, exponent) * 255);
    ApplyByteTable(image, table);
}

void ApplyBrightness(TBitmap& image, double factor) {
    ByteTable table;
    for (int i = 0; i < 256; ++i) table[i] = TruncToByte(i * factor);
    ApplyByteTable(image, table);
}

void ApplyContrast(TBitmap& image, double factor) {
    ByteTable table;
    for (int i = 0; i < 256; ++i) table[i] = TruncToByte((i - 127) * factor + 127);
    ApplyByteTable(image, table);
}

// 255 - b is b with every bit flipped: eight bytes at a time.
void InvertColors(TBitmap& image) {
    ForEachPixelRun(image, [](uint8_t* p, std::size_t bytes) {
        std::size_t i = 0;
        for (; i + 8 <= bytes; i += 8) {
            uint64_t v;
            std::memcpy(&v, p + i, 8);
            v = ~v;
            std::memcpy(p + i, &v, 8);
        }
        for (; i < bytes; ++i) p[i] = static_cast<uint8_t>(~p[i]);
    });
}

void MakeGrayscale(TBitmap& image) {
    uint32_t packed[kSumCount];
    for (int sum = 0; sum < kSumCount; ++sum) {
        const uint8_t grey = static_cast<uint8_t>(sum / 3);
        packed[sum] = PackPixel(grey, grey, grey);
    }
    ApplySumTable(image, packed, GrayscaleVbmi);
}

void Colorize(TBitmap& image, double red, double green, double blue) {
    uint32_t packed[kSumCount];
    for (int sum = 0; sum < kSumCount; ++sum) {
        const double d = sum * 0.333;
        packed[sum] = PackPixel(TruncToByte(blue * d), TruncToByte(green * d), TruncToByte(red * d));
    }
    ApplySumTable(image, packed, [&](uint8_t* p, int32_t w) {
        return ColorizeVbmi(p, w, red, green, blue);
    });
}

TBitmap BuildView(TBitmap picture, const ViewSettings& v) {
    TBitmap scratch;
    // A geometric step leaves its result in the scratch picture, which becomes the current one.
    auto takeScratch = [&] { std::swap(picture, scratch); };
    auto scaleTo = [&](const std::string& step, double width, double height) {
        CheckStepSize(step, width, height, 2);
        scratch.SetSizeForOverwrite(static_cast<int32_t>(width), static_cast<int32_t>(height));
        ScaleNearest(picture, scratch);
        takeScratch();
    };

    if (v.rotateAngle != 0) {
        RotateAboutPoint(picture, scratch, v.rotateAngle * kPi * kOneOver180, v.rotateColumn,
                         v.rotateRow);
        takeScratch();
    }
    if (v.cropLeft != -1) {
        CheckStepSize("Crop to", v.cropWidth, v.cropHeight, 1);
        CropWithFill(picture, scratch, v.cropLeft, v.cropTop, v.cropWidth, v.cropHeight);
        takeScratch();
    }
    if (v.resizeWidth != -1) scaleTo("Resize to", v.resizeWidth, v.resizeHeight);
    if (v.resampleWidth != -1.0) {
        scaleTo(FormatText("Resample by %g and %g to", v.resampleWidth, v.resampleHeight),
                std::trunc(picture.Width() * v.resampleWidth),
                std::trunc(picture.Height() * v.resampleHeight));
    }
    if (v.upsideDown != 0) {
        FlipVertical(picture, scratch);
        takeScratch();
    }
    if (v.leftRight != 0) {
        MirrorHorizontal(picture, scratch);
        takeScratch();
    }
    if (v.gamma != 1.0) ApplyGamma(picture, v.gamma);
    if (v.brightness != 1.0) ApplyBrightness(picture, v.brightness);
    if (v.contrast != 0.0) ApplyContrast(picture, v.contrast);
    if (v.inverse != 0) InvertColors(picture);
    if (v.grayscale != 0) MakeGrayscale(picture);
    if (v.colorizeRed != -1.0) Colorize(picture, v.colorizeRed, v.colorizeGreen, v.colorizeBlue);
    return picture;
}
