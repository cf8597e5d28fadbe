#include "panorama_bands.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "cpu_features.h"

// The interpolation and offset kernels are built for the baseline, AVX2 and AVX-512, and the
// loader picks the widest the processor runs (sixteen map entries per instruction with AVX2,
// thirty-two with AVX-512, instead of eight).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_ADDRESS__)
#define LUMIVEX_WIDE_VECTORS __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#define LUMIVEX_GATHER 1
#include <immintrin.h>
#else
#define LUMIVEX_WIDE_VECTORS
#define LUMIVEX_GATHER 0
#endif

namespace {

// The interpolation rule in a form that runs eight or more entries per instruction: for a node
// pair (a, b) the walk delta (the seam rule's distance) is split as delta = 10*k + r with r of
// the same sign, so trunc(delta*p/10) = k*p + trunc(r*p/10) and everything fits 16 bits
// (|delta| <= 32767, |r*p| <= 81). trunc(x/10) for |x| <= 81 is (x*205 + (x<0 ? 2047 : 0)) >> 11.
// The wrap of the rule is a + q >= n exactly when q >= n - a and a + q < 0 exactly when
// q < -a; both limits are saturated to 16 bits, which is safe because |q| <= 29490.
// The exhaustive tests compare this with the rule for every distance.
// Returns whether any pair crosses the seam; without one no value can wrap.
LUMIVEX_WIDE_VECTORS bool PrepareSpans(const uint16_t* __restrict a,
                                        const uint16_t* __restrict b, int count, int32_t n,
                                        int16_t* __restrict k, int16_t* __restrict r,
                                        int16_t* __restrict hi, int16_t* __restrict lo) {
    // Written without branches so that it vectorises.
    const int32_t half = n / 2;
    int32_t seams = 0;
    for (int x = 0; x < count; ++x) {
        const int32_t ax = a[x];
        const int32_t diff = static_cast<int32_t>(b[x]) - ax;
        const int32_t shift = (diff > half ? -n : 0) + (diff < -half ? n : 0);  // the seam rule
        seams |= shift;
        const int32_t delta = diff + shift;
        const int32_t tens = delta / 10;
        k[x] = static_cast<int16_t>(tens);
        r[x] = static_cast<int16_t>(delta - tens * 10);
        const int32_t above = n - ax;
        hi[x] = static_cast<int16_t>(above < 32767 ? above : 32767);
        lo[x] = static_cast<int16_t>(-ax > -32768 ? -ax : -32768);
    }
    return seams != 0;
}

inline int16_t SpanStep(int16_t k, int16_t r, int16_t p) {
    const int16_t rp = static_cast<int16_t>(r * p);
    const int16_t t =
        static_cast<int16_t>(static_cast<int16_t>(rp * 205 + ((rp >> 15) & 2047)) >> 11);
    return static_cast<int16_t>(k * p + t);
}

// The value at offset p from a of one span; with kSeam, wrapped back into 0..n-1.
template <bool kSeam>
inline uint16_t SpanValue(uint16_t a, int16_t k, int16_t r, int16_t hi, int16_t lo, int16_t p,
                          uint16_t n) {
    const int16_t q = SpanStep(k, r, p);
    uint16_t v = static_cast<uint16_t>(a + static_cast<uint16_t>(q));
    if (kSeam) {
        v = static_cast<uint16_t>(v - (q >= hi ? n : 0));
        v = static_cast<uint16_t>(v + (q < lo ? n : 0));
    }
    return v;
}

// The common case: no pair of the row crosses the seam.
LUMIVEX_WIDE_VECTORS void InterpolateSpansPlain(const uint16_t* __restrict a, const int16_t* __restrict k,
                           const int16_t* __restrict r, int count, int p,
                           uint16_t* __restrict out) {
    const int16_t p16 = static_cast<int16_t>(p);
    for (int x = 0; x < count; ++x) out[x] = SpanValue<false>(a[x], k[x], r[x], 0, 0, p16, 0);
}

LUMIVEX_WIDE_VECTORS void InterpolateSpans(const uint16_t* __restrict a, const int16_t* __restrict k,
                      const int16_t* __restrict r, const int16_t* __restrict hi,
                      const int16_t* __restrict lo, int count, int p, int32_t n,
                      uint16_t* __restrict out) {
    const int16_t p16 = static_cast<int16_t>(p);
    const uint16_t n16 = static_cast<uint16_t>(n);
    for (int x = 0; x < count; ++x)
        out[x] = SpanValue<true>(a[x], k[x], r[x], hi[x], lo[x], p16, n16);
}

// Where a pixel lies in a tiled panorama whose byte offsets fit 32 bits, with the clamp of the
// fetch rule, as plain numbers the vector loops keep in registers. The offset is counted in
// pixels and tripled at the end, so that the tile terms are shifts; the rows of tiles are a
// shift too where a row holds a power of two tiles (as in every 2:1 panorama of a power-of-two
// width), else one multiplication.
struct OffsetRule {
    uint32_t shiftX, shiftY, shiftTile, insideX, insideY, tileRowPixels, shiftTileRow;
    uint32_t lastColumn, lastRow;
    bool tileRowIsShift;
    explicit OffsetRule(const PanoramaPixels& p)
        : shiftX(p.Tiling().shiftX),
          shiftY(p.Tiling().shiftY),
          shiftTile(p.Tiling().shiftX + p.Tiling().shiftY),
          insideX(p.Tiling().insideX),
          insideY(p.Tiling().insideY),
          tileRowPixels(static_cast<uint32_t>(p.Tiling().tileRowBytes / 3)),
          shiftTileRow(0),
          lastColumn(static_cast<uint32_t>(p.W() - 1)),
          lastRow(static_cast<uint32_t>(p.H() - 1)) {
        while (shiftTileRow < 31 && (uint32_t{1} << shiftTileRow) < tileRowPixels) ++shiftTileRow;
        tileRowIsShift = (uint32_t{1} << shiftTileRow) == tileRowPixels;
    }
    template <bool kTileRowIsShift>
    uint32_t Offset(uint32_t column, uint32_t row) const {
        const uint32_t c = std::min(column, lastColumn);
        const uint32_t r = std::min(row, lastRow);
        const uint32_t tileRow =
            kTileRowIsShift ? (r >> shiftY) << shiftTileRow : (r >> shiftY) * tileRowPixels;
        return (tileRow + ((c >> shiftX) << shiftTile) + ((r & insideY) << shiftX) +
                (c & insideX)) * 3u;
    }
};

// One span set of a band: the values of its top grid row and the split deltas to the bottom one.
struct Spans {
    const uint16_t* a;
    const int16_t *k, *r, *hi, *lo;
    uint16_t n;
};

// Row p of a band straight into byte offsets: the interpolated column and row of each entry go
// from registers into the offset, so neither map row is written and read back.
template <bool kSeamC, bool kSeamR, bool kTileRowIsShift>
LUMIVEX_WIDE_VECTORS void BandRowOffsets(const Spans& columns, const Spans& rows, int count,
                                         int p, const OffsetRule& rule,
                                         uint32_t* __restrict out) {
    const uint16_t* __restrict ac = columns.a;
    const int16_t* __restrict kc = columns.k;
    const int16_t* __restrict rc = columns.r;
    const int16_t* __restrict hic = columns.hi;
    const int16_t* __restrict loc = columns.lo;
    const uint16_t* __restrict ar = rows.a;
    const int16_t* __restrict kr = rows.k;
    const int16_t* __restrict rr = rows.r;
    const int16_t* __restrict hir = rows.hi;
    const int16_t* __restrict lor = rows.lo;
    const uint16_t nc = columns.n, nr = rows.n;
    const int16_t p16 = static_cast<int16_t>(p);
    const OffsetRule o = rule;
    for (int x = 0; x < count; ++x) {
        const uint16_t c = SpanValue<kSeamC>(ac[x], kc[x], rc[x], hic[x], loc[x], p16, nc);
        const uint16_t r = SpanValue<kSeamR>(ar[x], kr[x], rr[x], hir[x], lor[x], p16, nr);
        out[x] = o.Offset<kTileRowIsShift>(c, r);
    }
}

using BandRowPass = void (*)(const Spans&, const Spans&, int, int, const OffsetRule&, uint32_t*);

template <bool kTileRowIsShift>
BandRowPass PickBandRowPass(bool seamC, bool seamR) {
    if (seamC) return seamR ? BandRowOffsets<true, true, kTileRowIsShift>
                            : BandRowOffsets<true, false, kTileRowIsShift>;
    return seamR ? BandRowOffsets<false, true, kTileRowIsShift>
                 : BandRowOffsets<false, false, kTileRowIsShift>;
}

void SizeSpanScratch(NodeScratch& s, std::size_t count) {
    if (s.spanK.size() >= count) return;
    s.spanK.resize(count);
    s.spanR.resize(count);
    s.spanHi.resize(count);
    s.spanLo.resize(count);
}

struct FetchSource {
    const uint8_t* pixels;
    PanoramaTiling tiling;
    uint32_t lastColumn, lastRow;
    bool offsetsFit32;  // every pixel's byte offset fits 32 bits (panoramas below 4 GiB)
    explicit FetchSource(const PanoramaPixels& p)
        : pixels(p.Data()),
          tiling(p.Tiling()),
          lastColumn(static_cast<uint32_t>(p.W() - 1)),
          lastRow(static_cast<uint32_t>(p.H() - 1)),
          offsetsFit32(FetchesByOffsets(p)) {}
    const uint8_t* At(uint16_t column, uint16_t row) const {
        const uint32_t c = std::min<uint32_t>(column, lastColumn);
        const uint32_t r = std::min<uint32_t>(row, lastRow);
        return pixels + tiling.Offset(c, r);
    }
};

// kStrip view rows walked column by column: neighbouring view rows read neighbouring panorama
// rows, so a cache line fetched for one row is still at hand for the next ones. Row by row, a
// turned view touches a new panorama row (24 KiB apart in a wide panorama) at nearly every
// pixel and fetches the same lines again for the next row.
template <int kStrip>
void FetchStrip(const uint16_t* const* cmsIn, const uint16_t* const* rmsIn,
                uint8_t* const* dstsIn, int w, const FetchSource& source) {
    // Local copies: the stores below could alias anything reached through a pointer, which
    // would make the compiler reload every one of these per pixel.
    const FetchSource src = source;
    const uint16_t* cms[kStrip];
    const uint16_t* rms[kStrip];
    uint8_t* dsts[kStrip];
    for (int k = 0; k < kStrip; ++k) {
        cms[k] = cmsIn[k];
        rms[k] = rmsIn[k];
        dsts[k] = dstsIn[k];
    }
    // The maps name every source pixel in advance, so the line needed kAhead pixels later is
    // requested now; a turned or zoomed-out view otherwise waits for memory at most pixels.
    constexpr int kAhead = 16;
    const int prefetchEnd = std::max(w - 1 - kAhead, 0);
    // Four-byte moves: the fourth byte is overwritten by the next pixel of the row (the
    // panorama buffer has a spare byte after its last pixel); the row's last pixel moves three.
    int x = 0;
    for (; x < prefetchEnd; ++x)
        for (int k = 0; k < kStrip; ++k) {
            __builtin_prefetch(src.At(cms[k][x + kAhead], rms[k][x + kAhead]));
            std::memcpy(dsts[k] + static_cast<std::size_t>(x) * 3, src.At(cms[k][x], rms[k][x]),
                        4);
        }
    for (; x < w - 1; ++x)
        for (int k = 0; k < kStrip; ++k)
            std::memcpy(dsts[k] + static_cast<std::size_t>(x) * 3, src.At(cms[k][x], rms[k][x]),
                        4);
    for (int k = 0; k < kStrip; ++k)
        std::memcpy(dsts[k] + static_cast<std::size_t>(w - 1) * 3,
                    src.At(cms[k][w - 1], rms[k][w - 1]), 3);
}

// The byte offset of the pixel each map entry names, with the clamp of the fetch rule; done
// for a whole row at a time so that it vectorises, which leaves the fetch one load per pixel.
template <bool kTileRowIsShift>
LUMIVEX_WIDE_VECTORS void SourceOffsetsOf(const uint16_t* __restrict columns,
                                          const uint16_t* __restrict rows, int count,
                                          const OffsetRule& rule, uint32_t* __restrict out) {
    const OffsetRule o = rule;
    for (int x = 0; x < count; ++x) out[x] = o.Offset<kTileRowIsShift>(columns[x], rows[x]);
}

void SourceOffsets(const uint16_t* columns, const uint16_t* rows, int count,
                   const OffsetRule& rule, uint32_t* out) {
    if (rule.tileRowIsShift) SourceOffsetsOf<true>(columns, rows, count, rule, out);
    else SourceOffsetsOf<false>(columns, rows, count, rule, out);
}

// As FetchStrip, from precomputed offsets, columns [x0, x1) of a row whose last pixel is not
// among them (it moves three bytes, see FetchLastPixels); offsets are filled up to column valid,
// which bounds the prefetch.
template <int kStrip, int kLocality>
void FetchColumns(const uint32_t* const* offsIn, uint8_t* const* dstsIn, int x0, int x1,
                  int valid, const uint8_t* src) {
    const uint32_t* offs[kStrip];
    uint8_t* dsts[kStrip];
    for (int k = 0; k < kStrip; ++k) {
        offs[k] = offsIn[k];
        dsts[k] = dstsIn[k];
    }
    constexpr int kAhead = 32;
    const int prefetchEnd = std::max(std::min(x1, valid - kAhead), x0);
    int x = x0;
    for (; x < prefetchEnd; ++x)
        for (int k = 0; k < kStrip; ++k) {
            __builtin_prefetch(src + offs[k][x + kAhead], 0, kLocality);
            std::memcpy(dsts[k] + static_cast<std::size_t>(x) * 3, src + offs[k][x], 4);
        }
    for (; x < x1; ++x)
        for (int k = 0; k < kStrip; ++k)
            std::memcpy(dsts[k] + static_cast<std::size_t>(x) * 3, src + offs[k][x], 4);
}

// The last pixel of each of rowCount rows of w pixels: three bytes, as nothing follows it.
void FetchLastPixels(const uint32_t* const* offs, uint8_t* const* dsts, int rowCount, int w,
                     const uint8_t* src) {
    for (int k = 0; k < rowCount; ++k)
        std::memcpy(dsts[k] + static_cast<std::size_t>(w - 1) * 3, src + offs[k][w - 1], 3);
}

#if LUMIVEX_GATHER
// As FetchColumns with AVX-512, sixteen columns of a row at a time: one gather of the sixteen
// four-byte pixels, one byte shuffle down to their three bytes each, one store; the prefetches
// stay one per pixel. The gather's offsets are signed, so the panorama must stay below 2 GiB.
template <int kLocality>
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void FetchColumnsGathered(
    const uint32_t* const* offs, uint8_t* const* dsts, int rowCount, int x0, int x1, int valid,
    const uint8_t* src) {
    alignas(64) static const uint8_t kPack[64] = {
        0,  1,  2,  4,  5,  6,  8,  9,  10, 12, 13, 14, 16, 17, 18, 20, 21, 22, 24, 25, 26, 28,
        29, 30, 32, 33, 34, 36, 37, 38, 40, 41, 42, 44, 45, 46, 48, 49, 50, 52, 53, 54, 56, 57,
        58, 60, 61, 62};
    const __m512i pack = _mm512_load_si512(kPack);
    constexpr int kAhead = 32;
    for (int x = x0; x < x1; x += 16) {
        const int n = std::min(16, x1 - x);
        const __mmask16 lanes = static_cast<__mmask16>((1u << n) - 1);
        const __mmask64 bytes = (uint64_t{1} << (3 * n)) - 1;
        const int ahead = std::clamp(valid - (x + kAhead), 0, 16);
        for (int k = 0; k < rowCount; ++k) {
            const uint32_t* o = offs[k] + x;
            if (ahead == 16) {  // a constant count: unrolled
                for (int i = 0; i < 16; ++i) __builtin_prefetch(src + o[kAhead + i], 0, kLocality);
            } else {
                for (int i = 0; i < ahead; ++i)
                    __builtin_prefetch(src + o[kAhead + i], 0, kLocality);
            }
            const __m512i at = _mm512_maskz_loadu_epi32(lanes, o);
            const __m512i pixels =
                _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), lanes, at, src, 1);
            _mm512_mask_storeu_epi8(dsts[k] + static_cast<std::size_t>(x) * 3, bytes,
                                    _mm512_maskz_permutexvar_epi8(~__mmask64{0}, pack, pixels));
        }
    }
}
#endif

std::atomic<bool> gatherAllowed{true};
std::atomic<bool> farLinesForced{false};

// Columns [x0, x1) of rowCount rows, ten at a time column by column when the band is whole,
// with the lines prefetched into the first-level cache (kLocality 3) or only the second (2).
// gather: the panorama is below 2 GiB, so the AVX-512 gather may serve where it runs.
template <int kLocality>
void FetchBandColumnsWith(const uint32_t* const* offsets, uint8_t* const* viewRows, int rowCount,
                          int x0, int x1, int valid, const uint8_t* src, bool gather) {
#if LUMIVEX_GATHER
    if (gather && RunsAvx512BytePermutes() && gatherAllowed.load(std::memory_order_relaxed)) {
        FetchColumnsGathered<kLocality>(offsets, viewRows, rowCount, x0, x1, valid, src);
        return;
    }
#else
    (void)gather;
#endif
    if (rowCount == kGridStep) {
        FetchColumns<kGridStep, kLocality>(offsets, viewRows, x0, x1, valid, src);
        return;
    }
    for (int q = 0; q < rowCount; ++q)
        FetchColumns<1, kLocality>(offsets + q, viewRows + q, x0, x1, valid, src);
}

// farApart: neighbouring view pixels lie so far apart in the panorama that each needs a line of
// its own (FarApart). Their lines are then prefetched into the second-level cache only, which
// keeps more of them on their way at once; where neighbours share lines, into the first.
void FetchBandColumns(const uint32_t* const* offsets, uint8_t* const* viewRows, int rowCount,
                      int x0, int x1, int valid, const uint8_t* src, bool gather,
                      bool farApart = false) {
    if (farApart)
        FetchBandColumnsWith<2>(offsets, viewRows, rowCount, x0, x1, valid, src, gather);
    else
        FetchBandColumnsWith<3>(offsets, viewRows, rowCount, x0, x1, valid, src, gather);
}

// Whether the view pixels along a map row each need a cache line of their own that is far
// away: neighbouring pixels lie kFarApart or more panorama pixels apart on average (a line
// holds 21 pixels of a tile row) and a row or more apart vertically (so they leave the tile row
// whose line they could share), in a panorama too large to stay in the last-level cache. The
// grid nodes of the row tell: w entries, n columns round.
constexpr double kFarApart = 4.0;
bool FarApart(const uint16_t* columns, const uint16_t* rows, int w, int32_t n,
              std::size_t panoramaBytes) {
    static const long cache = sysconf(_SC_LEVEL3_CACHE_SIZE);
    if (cache > 0 && panoramaBytes <= static_cast<std::size_t>(cache) / 2) return false;
    double distance = 0.0, down = 0.0;
    int pairs = 0;
    for (int x = 0; x + kGridStep < w; x += kGridStep, ++pairs) {
        const int across = std::abs(columns[x + kGridStep] - columns[x]);
        const int dc = std::min(across, n - across);  // the short way round the seam
        const int dr = std::abs(rows[x + kGridStep] - rows[x]);
        distance += std::sqrt(static_cast<double>(dc) * dc + static_cast<double>(dr) * dr);
        down += dr;
    }
    return pairs > 0 && distance >= kFarApart * kGridStep * pairs && down >= kGridStep * pairs;
}

// Up to kGridStep rows of one band, for panoramas whose byte offsets need more than 32 bits.
void FetchBandByCoordinates(const uint16_t* const* cms, const uint16_t* const* rms, uint8_t* const* dsts,
               int rows, int w, const FetchSource& src) {
    if (w <= 0) return;
    if (rows == kGridStep) {
        FetchStrip<kGridStep>(cms, rms, dsts, w, src);
        return;
    }
    for (int k = 0; k < rows; ++k) FetchStrip<1>(cms + k, rms + k, dsts + k, w, src);
}

}  // namespace

void PrepareNodeAngles(int mw, int mh, double fov, NodeScratch& scratch) {
    const AngularExtent e = MakeAngularExtent(mw, mh, fov);
    // theta depends on the row only and phi on the column only: their sines and cosines are
    // computed once per grid row and once per grid column.
    const int rowsN = (mh + kGridStep - 1) / kGridStep;
    const int colsN = (mw + kGridStep - 1) / kGridStep;
    scratch.sinTheta.resize(static_cast<std::size_t>(rowsN));
    scratch.cosTheta.resize(static_cast<std::size_t>(rowsN));
    scratch.sinPhi.resize(static_cast<std::size_t>(colsN));
    scratch.cosPhi.resize(static_cast<std::size_t>(colsN));
    for (int k = 0; k < rowsN; ++k) {
        const int i = k * kGridStep;
        const double theta =
            (e.thetaTop + (e.thetaBottom - e.thetaTop) * i / (mh - 1)) * kPi / 180.0;
        scratch.sinTheta[k] = std::sin(theta);
        scratch.cosTheta[k] = std::cos(theta);
    }
    for (int k = 0; k < colsN; ++k) {
        const int j = k * kGridStep;
        const double phi = (e.phiLeft + (e.phiRight - e.phiLeft) * j / (mw - 1)) * kPi / 180.0;
        scratch.sinPhi[k] = std::sin(phi);
        scratch.cosPhi[k] = std::cos(phi);
    }
}

void ComputeNodeRows(uint16_t* columns, uint16_t* rows, std::size_t rowPitch, int mw, int first,
                     int last, const RotationMatrix& rot, int32_t W, int32_t H,
                     const NodeScratch& angles) {
    const int colsN = (mw + kGridStep - 1) / kGridStep;
    for (int k = first; k < last; ++k) {
        const double st = angles.sinTheta[k];
        const double Z = angles.cosTheta[k];
        const std::size_t base = static_cast<std::size_t>(k) * rowPitch;
        DirectionRowToPanorama(rot, st, Z, angles.cosPhi.data(), angles.sinPhi.data(), colsN, W,
                               H, columns + base, rows + base, kGridStep);
    }
}

void ComputeNodes(uint16_t* columns, uint16_t* rows, std::size_t rowPitch, int mw, int mh,
                  const PanoramaView& view, int32_t W, int32_t H, NodeScratch& scratch) {
    PrepareNodeAngles(mw, mh, view.fov, scratch);
    ComputeNodeRows(columns, rows, rowPitch, mw, 0, (mh + kGridStep - 1) / kGridStep,
                    MakeRotationMatrix(view.alpha, view.betta, view.gamma), W, H, scratch);
}

void ReserveSpanScratch(NodeScratch& s, int mw) {
    const std::size_t entries = static_cast<std::size_t>(std::max(mw, 0));
    SizeSpanScratch(s, entries);
    s.rowK.resize(std::max(s.rowK.size(), entries));
    s.rowR.resize(std::max(s.rowR.size(), entries));
    s.rowHi.resize(std::max(s.rowHi.size(), entries));
    s.rowLo.resize(std::max(s.rowLo.size(), entries));
    s.spanA.reserve(entries / kGridStep + 1);
    s.spanOut.reserve(entries);
}

void HorizontalRow(uint16_t* row, int mw, int32_t n, NodeScratch& s) {
    const int pairs = (mw - 1) / kGridStep;  // node pairs (j, j+10) with j < mw - 10
    if (pairs <= 0) return;
    SizeSpanScratch(s, static_cast<std::size_t>(pairs));
    s.spanA.resize(static_cast<std::size_t>(pairs) + 1);
    s.spanOut.resize(static_cast<std::size_t>(pairs) * kGridStep);
    for (int l = 0; l <= pairs; ++l) s.spanA[l] = row[l * kGridStep];
    const bool seam = PrepareSpans(s.spanA.data(), s.spanA.data() + 1, pairs, n, s.spanK.data(),
                                   s.spanR.data(), s.spanHi.data(), s.spanLo.data());
    for (int p = 1; p < kGridStep; ++p) {
        uint16_t* out = s.spanOut.data() + p * pairs;
        if (seam)
            InterpolateSpans(s.spanA.data(), s.spanK.data(), s.spanR.data(), s.spanHi.data(),
                             s.spanLo.data(), pairs, p, n, out);
        else
            InterpolateSpansPlain(s.spanA.data(), s.spanK.data(), s.spanR.data(), pairs, p, out);
    }
    for (int l = 0; l < pairs; ++l) {
        uint16_t* cell = row + l * kGridStep;
        for (int p = 1; p < kGridStep; ++p) cell[p] = s.spanOut[p * pairs + l];
    }
}

void VerticalBand(const uint16_t* top, const uint16_t* bottom, uint16_t* const* out, int mw,
                  int32_t n, NodeScratch& s) {
    SizeSpanScratch(s, static_cast<std::size_t>(mw));
    const bool seam = PrepareSpans(top, bottom, mw, n, s.spanK.data(), s.spanR.data(),
                                   s.spanHi.data(), s.spanLo.data());
    for (int p = 1; p < kGridStep; ++p) {
        if (seam)
            InterpolateSpans(top, s.spanK.data(), s.spanR.data(), s.spanHi.data(),
                             s.spanLo.data(), mw, p, n, out[p - 1]);
        else
            InterpolateSpansPlain(top, s.spanK.data(), s.spanR.data(), mw, p, out[p - 1]);
    }
}

void FetchBand(const uint16_t* const* columns, const uint16_t* const* rows, int rowCount, int w,
               const PanoramaPixels& panorama, uint32_t* const* offsets, uint8_t* const* viewRows) {
    if (w <= 0 || rowCount <= 0 || panorama.Empty()) return;
    const FetchSource src(panorama);
    if (!src.offsetsFit32) {
        FetchBandByCoordinates(columns, rows, viewRows, rowCount, w, src);
        return;
    }
    const OffsetRule rule(panorama);
    for (int q = 0; q < rowCount; ++q) SourceOffsets(columns[q], rows[q], w, rule, offsets[q]);
    FetchBandColumns(offsets, viewRows, rowCount, 0, w - 1, w, src.pixels,
                     panorama.Bytes() <= INT32_MAX);
    FetchLastPixels(offsets, viewRows, rowCount, w, src.pixels);
}

void AllowGatheredFetch(bool allow) { gatherAllowed.store(allow, std::memory_order_relaxed); }

void ForceFarLinePrefetch(bool force) { farLinesForced.store(force, std::memory_order_relaxed); }

bool FetchesByOffsets(const PanoramaPixels& panorama) { return panorama.Bytes() < UINT32_MAX; }

void PrepareBand(const uint16_t* topColumns, const uint16_t* bottomColumns,
                 const uint16_t* topRows, const uint16_t* bottomRows, int w,
                 const PanoramaPixels& panorama, NodeScratch& s) {
    if (w <= 0 || panorama.Empty()) return;
    const std::size_t count = static_cast<std::size_t>(w);
    SizeSpanScratch(s, count);
    if (s.rowK.size() < count) {
        s.rowK.resize(count);
        s.rowR.resize(count);
        s.rowHi.resize(count);
        s.rowLo.resize(count);
    }
    s.columnSeam = PrepareSpans(topColumns, bottomColumns, w, panorama.W(), s.spanK.data(),
                                s.spanR.data(), s.spanHi.data(), s.spanLo.data());
    s.rowSeam = PrepareSpans(topRows, bottomRows, w, panorama.H(), s.rowK.data(), s.rowR.data(),
                             s.rowHi.data(), s.rowLo.data());
    s.farApart = farLinesForced.load(std::memory_order_relaxed) ||
                 FarApart(topColumns, topRows, w, panorama.W(), panorama.Bytes());
}

void FetchPreparedBand(const uint16_t* topColumns, const uint16_t* topRows, int rowCount, int w,
                       const PanoramaPixels& panorama, const NodeScratch& s,
                       uint32_t* const* offsets, uint8_t* const* viewRows) {
    if (w <= 0 || rowCount <= 0 || panorama.Empty()) return;
    const OffsetRule rule(panorama);
    const BandRowPass pass = rule.tileRowIsShift ? PickBandRowPass<true>(s.columnSeam, s.rowSeam)
                                                 : PickBandRowPass<false>(s.columnSeam, s.rowSeam);
    const uint16_t W = static_cast<uint16_t>(panorama.W()), H = static_cast<uint16_t>(panorama.H());
    // Offsets of columns [x0, x1) of every row of the band.
    auto offsetsOf = [&](int x0, int x1) {
        SourceOffsets(topColumns + x0, topRows + x0, x1 - x0, rule, offsets[0] + x0);
        const Spans columns{topColumns + x0, s.spanK.data() + x0, s.spanR.data() + x0,
                            s.spanHi.data() + x0, s.spanLo.data() + x0, W};
        const Spans rows{topRows + x0, s.rowK.data() + x0, s.rowR.data() + x0,
                         s.rowHi.data() + x0, s.rowLo.data() + x0, H};
        for (int p = 1; p < rowCount; ++p) pass(columns, rows, x1 - x0, p, rule, offsets[p] + x0);
    };
    // The offsets of the next chunk of columns are computed while the loads of this one are on
    // their way, so the arithmetic fills time the fetch spends waiting for memory.
    constexpr int kChunk = 128;
    const uint8_t* const src = panorama.Data();
    const bool gather = panorama.Bytes() <= INT32_MAX;
    int ready = std::min(kChunk, w);
    offsetsOf(0, ready);
    for (int x0 = 0; x0 < w;) {
        const int x1 = ready;
        ready = std::min(x1 + kChunk, w);
        if (ready > x1) offsetsOf(x1, ready);
        FetchBandColumns(offsets, viewRows, rowCount, x0, std::min(x1, w - 1), ready, src,
                         gather, s.farApart);
        x0 = x1;
    }
    FetchLastPixels(offsets, viewRows, rowCount, w, src);
}

// ---------------------------------------------------------------------------------------------
// The frame's maps: the grid rows in full, and the nine rows between two of them for one band
// at a time, so the interpolated rows are fetched while they are still in the cache.

void MapSize::SetSizes(int w, int h) {
    w_ = std::max(w, 0);
    h_ = std::max(h, 0);
    mw_ = w_ + kGridStep;
    mh_ = h_ + kGridStep;
}

void BandMaps::SetViewSize(int w, int h) {
    SetSizes(w, h);
    gridRows_ = (mh_ + kGridStep - 1) / kGridStep;
    const std::size_t grid = static_cast<std::size_t>(gridRows_) * static_cast<std::size_t>(mw_);
    if (gridColumns_.size() < grid) {
        std::vector<uint16_t> c(grid), r(grid);
        gridColumns_.swap(c);
        gridRowValues_.swap(r);
    }
}

void BandMaps::Release() { *this = BandMaps(); }

void BandRows::SetMapWidth(int mw) {
    mw_ = mw;
    const std::size_t band = static_cast<std::size_t>(kGridStep - 1) * static_cast<std::size_t>(mw);
    if (bandColumns_.size() < band) {
        std::vector<uint16_t> c(band), r(band);
        bandColumns_.swap(c);
        bandRowValues_.swap(r);
    }
    const std::size_t offsets = static_cast<std::size_t>(kGridStep) * static_cast<std::size_t>(mw);
    if (offsets_.size() < offsets) std::vector<uint32_t>(offsets).swap(offsets_);
}
