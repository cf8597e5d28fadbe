#include "panorama_bands.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The interpolation kernels are built twice, for the baseline and for AVX2, and the loader
// picks the one the processor runs (sixteen map entries per instruction instead of eight).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_ADDRESS__)
#define LUMIVEX_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define LUMIVEX_WIDE_VECTORS
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

// The common case: no pair of the row crosses the seam.
LUMIVEX_WIDE_VECTORS void InterpolateSpansPlain(const uint16_t* __restrict a, const int16_t* __restrict k,
                           const int16_t* __restrict r, int count, int p,
                           uint16_t* __restrict out) {
    const int16_t p16 = static_cast<int16_t>(p);
    for (int x = 0; x < count; ++x)
        out[x] = static_cast<uint16_t>(a[x] + static_cast<uint16_t>(SpanStep(k[x], r[x], p16)));
}

LUMIVEX_WIDE_VECTORS void InterpolateSpans(const uint16_t* __restrict a, const int16_t* __restrict k,
                      const int16_t* __restrict r, const int16_t* __restrict hi,
                      const int16_t* __restrict lo, int count, int p, int32_t n,
                      uint16_t* __restrict out) {
    const int16_t p16 = static_cast<int16_t>(p);
    const uint16_t n16 = static_cast<uint16_t>(n);
    for (int x = 0; x < count; ++x) {
        const int16_t q = SpanStep(k[x], r[x], p16);
        uint16_t v = static_cast<uint16_t>(a[x] + static_cast<uint16_t>(q));
        v = static_cast<uint16_t>(v - (q >= hi[x] ? n16 : 0));
        v = static_cast<uint16_t>(v + (q < lo[x] ? n16 : 0));
        out[x] = v;
    }
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
          offsetsFit32(p.Bytes() < UINT32_MAX) {}
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
LUMIVEX_WIDE_VECTORS void SourceOffsets(const uint16_t* __restrict columns,
                                        const uint16_t* __restrict rows, int count,
                                        const PanoramaTiling& tiling, uint32_t lastColumn,
                                        uint32_t lastRow, uint32_t* __restrict out) {
    const uint32_t shiftX = tiling.shiftX, shiftY = tiling.shiftY;
    const uint32_t insideX = tiling.insideX, insideY = tiling.insideY;
    const uint32_t tileBytes = tiling.tileBytes;
    const uint32_t tileRowBytes = static_cast<uint32_t>(tiling.tileRowBytes);
    for (int x = 0; x < count; ++x) {
        const uint32_t c = std::min<uint32_t>(columns[x], lastColumn);
        const uint32_t r = std::min<uint32_t>(rows[x], lastRow);
        out[x] = (r >> shiftY) * tileRowBytes + (c >> shiftX) * tileBytes +
                 (((r & insideY) << shiftX) + (c & insideX)) * 3u;
    }
}

// As FetchStrip, from precomputed offsets.
template <int kStrip>
void FetchStripByOffsets(const uint32_t* const* offsIn, uint8_t* const* dstsIn, int w,
                         const uint8_t* src) {
    const uint32_t* offs[kStrip];
    uint8_t* dsts[kStrip];
    for (int k = 0; k < kStrip; ++k) {
        offs[k] = offsIn[k];
        dsts[k] = dstsIn[k];
    }
    constexpr int kAhead = 32;
    const int prefetchEnd = std::max(w - 1 - kAhead, 0);
    int x = 0;
    for (; x < prefetchEnd; ++x)
        for (int k = 0; k < kStrip; ++k) {
            __builtin_prefetch(src + offs[k][x + kAhead]);
            std::memcpy(dsts[k] + static_cast<std::size_t>(x) * 3, src + offs[k][x], 4);
        }
    for (; x < w - 1; ++x)
        for (int k = 0; k < kStrip; ++k)
            std::memcpy(dsts[k] + static_cast<std::size_t>(x) * 3, src + offs[k][x], 4);
    for (int k = 0; k < kStrip; ++k)
        std::memcpy(dsts[k] + static_cast<std::size_t>(w - 1) * 3, src + offs[k][w - 1], 3);
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
        for (int l = 0; l < colsN; ++l) {
            const double X = st * angles.cosPhi[l];
            const double Y = st * angles.sinPhi[l];
            const PanoramaCoord c = DirectionToPanorama(rot, X, Y, Z, W, H);
            const std::size_t at = base + static_cast<std::size_t>(l) * kGridStep;
            columns[at] = static_cast<uint16_t>(c.column);
            rows[at] = static_cast<uint16_t>(c.row);
        }
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
    for (int q = 0; q < rowCount; ++q)
        SourceOffsets(columns[q], rows[q], w, src.tiling, src.lastColumn, src.lastRow, offsets[q]);
    if (rowCount == kGridStep) {
        FetchStripByOffsets<kGridStep>(offsets, viewRows, w, src.pixels);
        return;
    }
    for (int q = 0; q < rowCount; ++q)
        FetchStripByOffsets<1>(offsets + q, viewRows + q, w, src.pixels);
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
