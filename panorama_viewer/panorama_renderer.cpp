#include "panorama_renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "image_error.h"
#include "number_format.h"
#include "panorama_steering.h"

// The interpolation kernels are built twice, for the baseline and for AVX2, and the loader
// picks the one the processor runs (sixteen map entries per instruction instead of eight).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_ADDRESS__)
#define LUMIVEX_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define LUMIVEX_WIDE_VECTORS
#endif

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kInvTwoPi = 0.15915494309189535;
constexpr double kInvPi = 0.3183098861837907;

// Truncates toward zero into 0..limit-1; NaN and anything below 0 give 0.
int32_t ClampToIndex(double value, int32_t limit) {
    if (!(value >= 0.0)) return 0;
    if (value >= static_cast<double>(limit)) return limit - 1;
    return static_cast<int32_t>(value);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Panorama source

constexpr std::size_t kHugePage = std::size_t(2) << 20;

void PanoramaPixels::FreeBuffer::operator()(uint8_t* p) const { std::free(p); }

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
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    const std::size_t bytes = rowBytes * static_cast<std::size_t>(h) + 1;
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    auto outOfMemory = [&] {
        return ImageError(FormatText("Not enough memory for a panorama of %i x %i pixels",
                                 static_cast<int>(w), static_cast<int>(h)));
    };
    result.pixels_.reset(static_cast<uint8_t*>(std::aligned_alloc(kHugePage, rounded)));
    if (!result.pixels_) throw outOfMemory();
#ifdef MADV_HUGEPAGE
    madvise(result.pixels_.get(), rounded, MADV_HUGEPAGE);  // a hint; failure changes nothing
#endif
    try {
        result.rowOffsets_.resize(static_cast<std::size_t>(h));
    } catch (const std::bad_alloc&) {
        throw outOfMemory();
    }
    for (int32_t r = 0; r < h; ++r) {
        const std::size_t offset = rowBytes * static_cast<std::size_t>(r);
        result.rowOffsets_[static_cast<std::size_t>(r)] = offset;
        std::memcpy(result.pixels_.get() + offset, bitmap.ScanLine(r), rowBytes);
    }
    std::memset(result.pixels_.get() + bytes - 1, 0, rounded - bytes + 1);
    result.width_ = w;
    result.height_ = h;
    return result;
}

// ---------------------------------------------------------------------------------------------
// Geometry

RotationMatrix MakeRotationMatrix(double alphaDeg, double bettaDeg, double gammaDeg) {
    const double a = alphaDeg * 2.0 * kPi / 360.0;
    const double b = bettaDeg * 2.0 * kPi / 360.0;
    const double g = gammaDeg * 2.0 * kPi / 360.0;
    const double ca = std::cos(a), sa = std::sin(a);
    const double cb = std::cos(b), sb = std::sin(b);
    const double cg = std::cos(g), sg = std::sin(g);
    RotationMatrix r;
    r.m[0][0] = cb * ca;
    r.m[0][1] = -sg * sb * ca - cg * sa;
    r.m[0][2] = -cg * sb * ca + sg * sa;
    r.m[1][0] = cb * sa;
    r.m[1][1] = ca * cg - sg * sb * sa;
    r.m[1][2] = -cg * sb * sa - ca * sg;
    r.m[2][0] = sb;
    r.m[2][1] = sg * cb;
    r.m[2][2] = cg * cb;
    return r;
}

AngularExtent MakeAngularExtent(int mw, int mh, double fov) {
    const int d = std::max(mw, mh);
    AngularExtent e;
    e.thetaTop = 90.0 - mh * 45.0 / d * fov;
    e.thetaBottom = 90.0 + mh * 45.0 / d * fov;
    e.phiLeft = -45.0 * fov * mw / d;
    e.phiRight = 45.0 * fov * mw / d;
    return e;
}

double AzimuthOf(double x, double y) {
    if (x == 0.0) {
        // Along the Y axis (or straight up/down, where any azimuth is right).
        if (y > 0.0) return kPi / 2.0;
        if (y < 0.0) return 3.0 * kPi / 2.0;
        return 0.0;
    }
    const double d = std::atan(std::fabs(y / x));
    if (x >= 0.0 && y >= 0.0) return d;
    if (x >= 0.0 && y < 0.0) return 2.0 * kPi - d;
    if (x < 0.0 && y > 0.0) return kPi - d;
    return kPi + d;  // x < 0, y <= 0 (or NaN, which the clamp below turns into column 0)
}

PanoramaCoord DirectionToPanorama(const RotationMatrix& rot, double X, double Y, double Z,
                                  int32_t W, int32_t H) {
    const double xr = rot.m[0][0] * X + rot.m[0][1] * Y + rot.m[0][2] * Z;
    const double yr = rot.m[1][0] * X + rot.m[1][1] * Y + rot.m[1][2] * Z;
    const double zr = rot.m[2][0] * X + rot.m[2][1] * Y + rot.m[2][2] * Z;
    double cosRho = zr / std::sqrt(xr * xr + yr * yr + zr * zr);
    // Rounding can push the ratio a hair past +-1, where acos has no value.
    if (cosRho > 1.0) cosRho = 1.0;
    if (cosRho < -1.0) cosRho = -1.0;
    const double rho = std::acos(cosRho);
    const double psi = AzimuthOf(xr, yr);
    PanoramaCoord c;
    c.column = ClampToIndex(std::floor(psi * kInvTwoPi * (W - 1)), W);
    c.row = ClampToIndex(std::trunc(rho * kInvPi * (H - 1)), H);
    return c;
}

int32_t InterpolateNodes(int32_t a, int32_t b, int32_t p, int32_t n) {
    const int32_t diff = b - a;
    if ((diff < 0 ? -diff : diff) > n / 2) {
        if (b < a) {
            int32_t v = a + ((b + n - a) * p) / 10;
            if (v >= n) v -= n;
            return v;
        }
        int32_t v = a + ((b - n - a) * p) / 10;
        if (v < 0) v += n;
        return v;
    }
    return a + ((b - a) * p) / 10;
}

// ---------------------------------------------------------------------------------------------
// Maps

void CoordinateMaps::SetViewSize(int w, int h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    const std::size_t entries =
        static_cast<std::size_t>(w + kGridStep) * static_cast<std::size_t>(h + kGridStep);
    // Grow only; a smaller view reuses the front of the buffers. Every displayed entry is
    // written by the passes, so what a buffer held before does not matter.
    if (columns_.size() < entries) {
        std::vector<uint16_t> columns(entries), rows(entries);
        columns_.swap(columns);
        rows_.swap(rows);
    }
    w_ = w;
    h_ = h;
    mw_ = w + kGridStep;
    mh_ = h + kGridStep;
}

void CoordinateMaps::Release() {
    std::vector<uint16_t>().swap(columns_);
    std::vector<uint16_t>().swap(rows_);
    w_ = h_ = 0;
    mw_ = mh_ = kGridStep;
}

// ---------------------------------------------------------------------------------------------
// Kernels shared by the stage functions (full maps) and the frame (grid rows plus one band)

namespace {

// Writes the node values of every grid row k and grid column l at
// columns/rows[k * rowPitch + l * kGridStep].
void ComputeNodes(uint16_t* columns, uint16_t* rows, std::size_t rowPitch, int mw, int mh,
                  const PanoramaView& view, int32_t W, int32_t H, NodeScratch& scratch) {
    const RotationMatrix rot = MakeRotationMatrix(view.alpha, view.betta, view.gamma);
    const AngularExtent e = MakeAngularExtent(mw, mh, view.fov);

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
    for (int k = 0; k < rowsN; ++k) {
        const double st = scratch.sinTheta[k];
        const double Z = scratch.cosTheta[k];
        const std::size_t base = static_cast<std::size_t>(k) * rowPitch;
        for (int l = 0; l < colsN; ++l) {
            const double X = st * scratch.cosPhi[l];
            const double Y = st * scratch.sinPhi[l];
            const PanoramaCoord c = DirectionToPanorama(rot, X, Y, Z, W, H);
            const std::size_t at = base + static_cast<std::size_t>(l) * kGridStep;
            columns[at] = static_cast<uint16_t>(c.column);
            rows[at] = static_cast<uint16_t>(c.row);
        }
    }
}

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

// Fills the nine values between each pair of nodes of one grid row.
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

// Fills the nine rows between two grid rows: out[p - 1] receives row p.
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

struct FetchSource {
    const uint8_t* pixels;
    const std::size_t* rowOffsets;
    uint32_t lastColumn, lastRow;
    uint32_t rowBytes;
    bool offsetsFit32;  // every pixel's byte offset fits 32 bits (panoramas below 4 GiB)
    explicit FetchSource(const PanoramaPixels& p)
        : pixels(p.Data()),
          rowOffsets(p.RowOffsets().data()),
          lastColumn(static_cast<uint32_t>(p.W() - 1)),
          lastRow(static_cast<uint32_t>(p.H() - 1)),
          rowBytes(static_cast<uint32_t>(p.W()) * 3u),
          offsetsFit32(static_cast<uint64_t>(p.W()) * static_cast<uint64_t>(p.H()) * 3u <
                       UINT32_MAX) {}
    const uint8_t* At(uint16_t column, uint16_t row) const {
        const uint32_t c = std::min<uint32_t>(column, lastColumn);
        const uint32_t r = std::min<uint32_t>(row, lastRow);
        return pixels + rowOffsets[r] + c * 3u;
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
                                        uint32_t rowBytes, uint32_t lastColumn, uint32_t lastRow,
                                        uint32_t* __restrict out) {
    for (int x = 0; x < count; ++x) {
        const uint32_t c = std::min<uint32_t>(columns[x], lastColumn);
        const uint32_t r = std::min<uint32_t>(rows[x], lastRow);
        out[x] = r * rowBytes + c * 3u;
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

// Up to kGridStep rows of one band.
void FetchBand(const uint16_t* const* cms, const uint16_t* const* rms, uint8_t* const* dsts,
               int rows, int w, const FetchSource& src) {
    if (w <= 0) return;
    if (rows == kGridStep) {
        FetchStrip<kGridStep>(cms, rms, dsts, w, src);
        return;
    }
    for (int k = 0; k < rows; ++k) FetchStrip<1>(cms + k, rms + k, dsts + k, w, src);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Stages on full maps

void ComputeGridNodes(CoordinateMaps& maps, const PanoramaView& view, int32_t W, int32_t H,
                      NodeScratch& scratch) {
    ComputeNodes(maps.Columns(), maps.Rows(),
                 static_cast<std::size_t>(kGridStep) * static_cast<std::size_t>(maps.MapWidth()),
                 maps.MapWidth(), maps.MapHeight(), view, W, H, scratch);
}

void HorizontalPass(CoordinateMaps& maps, int32_t W, int32_t H, NodeScratch& scratch) {
    const int mw = maps.MapWidth();
    for (int i = 0; i < maps.MapHeight(); i += kGridStep) {
        const std::size_t at = static_cast<std::size_t>(i) * static_cast<std::size_t>(mw);
        HorizontalRow(maps.Columns() + at, mw, W, scratch);
        HorizontalRow(maps.Rows() + at, mw, H, scratch);
    }
}

void VerticalPass(CoordinateMaps& maps, int32_t W, int32_t H, NodeScratch& scratch) {
    const int mw = maps.MapWidth();
    for (int i = 0; i < maps.MapHeight() - kGridStep; i += kGridStep) {
        uint16_t* cols[kGridStep - 1];
        uint16_t* rows[kGridStep - 1];
        for (int p = 1; p < kGridStep; ++p) {
            const std::size_t at = static_cast<std::size_t>(i + p) * static_cast<std::size_t>(mw);
            cols[p - 1] = maps.Columns() + at;
            rows[p - 1] = maps.Rows() + at;
        }
        const std::size_t top = static_cast<std::size_t>(i) * static_cast<std::size_t>(mw);
        const std::size_t bottom = top + static_cast<std::size_t>(kGridStep) * mw;
        VerticalBand(maps.Columns() + top, maps.Columns() + bottom, cols, mw, W, scratch);
        VerticalBand(maps.Rows() + top, maps.Rows() + bottom, rows, mw, H, scratch);
    }
}

void FetchPixels(const CoordinateMaps& maps, const PanoramaPixels& panorama,
                 uint8_t* const* viewRows) {
    if (panorama.Empty()) return;
    const FetchSource src(panorama);
    const int h = maps.ViewHeight();
    const std::size_t mw = static_cast<std::size_t>(maps.MapWidth());
    const uint16_t* cms[kGridStep];
    const uint16_t* rms[kGridStep];
    for (int y = 0; y < h; y += kGridStep) {
        const int n = std::min(kGridStep, h - y);
        for (int k = 0; k < n; ++k) {
            cms[k] = maps.Columns() + static_cast<std::size_t>(y + k) * mw;
            rms[k] = maps.Rows() + static_cast<std::size_t>(y + k) * mw;
        }
        FetchBand(cms, rms, viewRows + y, n, maps.ViewWidth(), src);
    }
}

// ---------------------------------------------------------------------------------------------
// The frame's maps: the grid rows in full, and the nine rows between two of them for one band
// at a time, so the interpolated rows are fetched while they are still in the cache.

void BandMaps::SetViewSize(int w, int h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    w_ = w;
    h_ = h;
    mw_ = w + kGridStep;
    mh_ = h + kGridStep;
    gridRows_ = (mh_ + kGridStep - 1) / kGridStep;
    const std::size_t grid = static_cast<std::size_t>(gridRows_) * static_cast<std::size_t>(mw_);
    const std::size_t band = static_cast<std::size_t>(kGridStep - 1) * static_cast<std::size_t>(mw_);
    if (gridColumns_.size() < grid) {
        std::vector<uint16_t> c(grid), r(grid);
        gridColumns_.swap(c);
        gridRowValues_.swap(r);
    }
    if (bandColumns_.size() < band) {
        std::vector<uint16_t> c(band), r(band);
        bandColumns_.swap(c);
        bandRowValues_.swap(r);
    }
    const std::size_t offsets = static_cast<std::size_t>(kGridStep) * static_cast<std::size_t>(mw_);
    if (offsets_.size() < offsets) std::vector<uint32_t>(offsets).swap(offsets_);
}

void BandMaps::Release() { *this = BandMaps(); }

void QualifyBitmap(TBitmap& view, std::vector<uint8_t>& scratch) {
    const int w = view.Width();
    const int h = view.Height();
    if (w < 3 || h < 3) return;  // no inner pixel
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    scratch.resize(rowBytes * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(scratch.data() + rowBytes * y, view.ScanLine(y), rowBytes);
    for (int y = 1; y < h - 1; ++y) {
        const uint8_t* above = scratch.data() + rowBytes * (y - 1);
        const uint8_t* centre = above + rowBytes;
        const uint8_t* below = centre + rowBytes;
        uint8_t* out = view.ScanLine(y);
        for (std::size_t i = 3; i < rowBytes - 3; ++i)
            out[i] = static_cast<uint8_t>(
                (centre[i - 3] + 6 * centre[i] + centre[i + 3] + above[i] + below[i]) / 10);
    }
}

// ---------------------------------------------------------------------------------------------
// Status texts

int64_t SteadyMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string SizeText(int32_t W, int32_t H) {
    return FormatText("%ix%i", static_cast<int>(W), static_cast<int>(H));
}

std::string AnglesText(const PanoramaView& v) {
    return FormatText("alpha=%-4.0f  betta=%-4.0f  gamma=%-4.0f", v.alpha, v.betta, v.gamma);
}

std::string FovText(const PanoramaView& v) { return FormatText("FOV=%-4.0f", 90.0 * v.fov); }

std::string FpsText(int64_t elapsedMs) {
    // A frame shorter than the tick counter's resolution has no measurable rate; all that is
    // known is that it ran faster than one frame per millisecond.
    if (elapsedMs <= 0) return "FPS=>1000";
    return FormatText("FPS=%-4.0f", 1000.0 / static_cast<double>(elapsedMs));
}

std::string TimingsText(const FrameTimings& t) {
    auto ms = [](int64_t us) { return static_cast<int>(us / 1000); };
    return FormatText("%i %i %i %i %i", ms(t.nodes), ms(t.horizontal), ms(t.vertical), ms(t.fetch),
                  ms(t.repaint));
}

// ---------------------------------------------------------------------------------------------
// Renderer

PanoramaRenderer::PanoramaRenderer(TickSource ticks) : ticks_(std::move(ticks)) {
    if (!ticks_) ticks_ = SteadyMicroseconds;
}

void PanoramaRenderer::RefreshViewRows(TBitmap& target) {
    const std::size_t h = static_cast<std::size_t>(target.Height());
    if (viewRows_.size() == h && (h == 0 || viewRows_[0] == target.ScanLine(0)) &&
        (h < 2 || viewRows_[1] == target.ScanLine(1)))
        return;
    viewRows_.resize(h);
    for (std::size_t y = 0; y < h; ++y) viewRows_[y] = target.ScanLine(static_cast<int32_t>(y));
}

FrameResult PanoramaRenderer::Frame(PanoramaView& view, const SteeringState& steering,
                                    const PanoramaPixels* panorama, TBitmap& target,
                                    const FrameHooks& hooks) {
    FrameResult result;
    const int64_t t0 = ticks_();
    ArrowHeldStep(view, steering, target.Width() + kGridStep, target.Height() + kGridStep);
    if (panorama == nullptr || panorama->Empty() || busy_) return result;
    const int64_t t1 = ticks_();
    if (!view.NeedsRender()) return result;

    struct BusyGuard {
        bool& flag;
        explicit BusyGuard(bool& f) : flag(f) { flag = true; }
        ~BusyGuard() { flag = false; }
    } guard(busy_);

    // The values this frame draws; they become the prev values, even if a handler run during
    // the repaint changes the view (then the next tick draws that change).
    const PanoramaView drawn = view;
    maps_.SetViewSize(target.Width(), target.Height());
    RefreshViewRows(target);
    const int32_t W = panorama->W();
    const int32_t H = panorama->H();

    result.panels[0] = SizeText(W, H);
    result.panels[1] = AnglesText(view);
    result.panels[2] = FovText(view);
    if (hooks.setPanel)
        for (int p = 0; p < 3; ++p) hooks.setPanel(p, result.panels[p]);

    const int w = maps_.ViewWidth();
    const int h = maps_.ViewHeight();
    const int mw = maps_.MapWidth();
    ComputeNodes(maps_.GridColumns(0), maps_.GridRowValues(0), static_cast<std::size_t>(mw), mw,
                 maps_.MapHeight(), drawn, W, H, scratch_);
    const int64_t t2 = ticks_();
    for (int k = 0; k < maps_.GridRows(); ++k) {
        HorizontalRow(maps_.GridColumns(k), mw, W, scratch_);
        HorizontalRow(maps_.GridRowValues(k), mw, H, scratch_);
    }
    const int64_t t3 = ticks_();

    const FetchSource src(*panorama);
    uint16_t* bandColumns[kGridStep - 1];
    uint16_t* bandRows[kGridStep - 1];
    const uint16_t* cms[kGridStep];
    const uint16_t* rms[kGridStep];
    for (int p = 1; p < kGridStep; ++p) {
        bandColumns[p - 1] = maps_.BandColumns(p);
        bandRows[p - 1] = maps_.BandRowValues(p);
        cms[p] = bandColumns[p - 1];
        rms[p] = bandRows[p - 1];
    }
    int64_t mark = t3, vertical = 0, fetch = 0;
    for (int k = 0; k * kGridStep < h; ++k) {
        // Grid row k + 1 exists: (k + 1) * 10 <= h + 9 < mh.
        VerticalBand(maps_.GridColumns(k), maps_.GridColumns(k + 1), bandColumns, mw, W, scratch_);
        VerticalBand(maps_.GridRowValues(k), maps_.GridRowValues(k + 1), bandRows, mw, H, scratch_);
        const int64_t afterVertical = ticks_();
        cms[0] = maps_.GridColumns(k);
        rms[0] = maps_.GridRowValues(k);
        const int rows = std::min(kGridStep, h - k * kGridStep);
        uint8_t* const* dsts = viewRows_.data() + k * kGridStep;
        if (src.offsetsFit32 && w > 0) {
            const uint32_t* offsets[kGridStep];
            for (int q = 0; q < rows; ++q) {
                SourceOffsets(cms[q], rms[q], w, src.rowBytes, src.lastColumn, src.lastRow,
                              maps_.Offsets(q));
                offsets[q] = maps_.Offsets(q);
            }
            if (rows == kGridStep)
                FetchStripByOffsets<kGridStep>(offsets, dsts, w, src.pixels);
            else
                for (int q = 0; q < rows; ++q)
                    FetchStripByOffsets<1>(offsets + q, dsts + q, w, src.pixels);
        } else {
            FetchBand(cms, rms, dsts, rows, w, src);
        }
        const int64_t afterFetch = ticks_();
        vertical += afterVertical - mark;
        fetch += afterFetch - afterVertical;
        mark = afterFetch;
    }
    if (hooks.repaint) hooks.repaint();
    const int64_t t6 = ticks_();

    view.prevBetta = drawn.betta;
    view.prevAlpha = drawn.alpha;
    view.prevGamma = drawn.gamma;
    view.prevFov = drawn.fov;
    const int64_t t7 = ticks_();

    result.rendered = true;
    result.timings.nodes = t2 - t1;
    result.timings.horizontal = t3 - t2;
    result.timings.vertical = vertical;
    result.timings.fetch = fetch;
    result.timings.repaint = t6 - mark;
    result.timings.total = t7 - t0;
    result.panels[3] = FpsText(result.timings.total / 1000);
    result.panels[4] = TimingsText(result.timings);
    if (hooks.setPanel)
        for (int p = 3; p < 5; ++p) hooks.setPanel(p, result.panels[p]);
    return result;
}

void PanoramaRenderer::Qualify(TBitmap& target) { QualifyBitmap(target, qualifyScratch_); }

void PanoramaRenderer::ReleaseBuffers() {
    maps_.Release();
    std::vector<uint8_t*>().swap(viewRows_);
    std::vector<uint8_t>().swap(qualifyScratch_);
    scratch_ = NodeScratch();
}
