#include "panorama_geometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kInvTwoPi = 0.15915494309189535;
constexpr double kInvPi = 0.3183098861837907;

// Truncates toward zero into 0..limit-1; NaN and anything below 0 give 0.
int32_t ClampToIndex(double value, int32_t limit) {
    if (!(value >= 0.0)) return 0;
    if (value >= static_cast<double>(limit)) return limit - 1;
    return static_cast<int32_t>(value);
}

// A direction turned by a rotation: its x' and y', and the cosine of its angle from the zenith
// (clamped: rounding can push the ratio a hair past +-1, where acos has no value). The scalar
// and the vector node paths both take it from here, so they see the very same numbers.
struct Turned {
    double x, y, cosRho;
};
inline Turned Turn(const RotationMatrix& rot, double X, double Y, double Z) {
    const double x = rot.m[0][0] * X + rot.m[0][1] * Y + rot.m[0][2] * Z;
    const double y = rot.m[1][0] * X + rot.m[1][1] * Y + rot.m[1][2] * Z;
    const double z = rot.m[2][0] * X + rot.m[2][1] * Y + rot.m[2][2] * Z;
    const double cosine = z / std::sqrt(x * x + y * y + z * z);
    const double below = cosine > 1.0 ? 1.0 : cosine;
    return Turned{x, y, below < -1.0 ? -1.0 : below};
}

}  // namespace

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
    const Turned t = Turn(rot, X, Y, Z);
    const double rho = std::acos(t.cosRho);
    const double psi = AzimuthOf(t.x, t.y);
    PanoramaCoord c;
    c.column = ClampToIndex(std::floor(psi * kInvTwoPi * (W - 1)), W);
    c.row = ClampToIndex(std::trunc(rho * kInvPi * (H - 1)), H);
    return c;
}

#if LUMIVEX_HAVE_LIBMVEC
#include <immintrin.h>

// The C library's vector forms (libmvec): two lanes with SSE2, eight with AVX-512. They lie a
// few units in the last place from the true value, as the scalar forms do.
extern "C" __m128d _ZGVbN2v_acos(__m128d);
extern "C" __m128d _ZGVbN2v_atan(__m128d);
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define LUMIVEX_NODE_AVX512 1
extern "C" __m512d _ZGVeN8v_acos(__m512d);
extern "C" __m512d _ZGVeN8v_atan(__m512d);
#endif

// The two arithmetic stages are built for the baseline, AVX2 and AVX-512 (this file is built
// without fused multiply-adds, so every build rounds each step alike).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_ADDRESS__)
#define LUMIVEX_NODE_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define LUMIVEX_NODE_CLONES
#endif

namespace {

// How far a pixel position from the vector forms may lie from DirectionToPanorama's before the
// floor of the two could differ. Both take the same cosine and tangent, and acos and atan
// differ by a few units in the last place (below 1e-15 relative), which moves a position of at
// most 65535 by about 1e-10; the margin is ten thousand times that. A node closer than this to
// a pixel border goes the scalar way.
constexpr double kMargin = 1e-6;
constexpr int kNodeChunk = 64;

struct NodeChunk {
    alignas(64) double x[kNodeChunk], y[kNodeChunk], cosRho[kNodeChunk], tangent[kNodeChunk];
    alignas(64) double rho[kNodeChunk], d[kNodeChunk];
    // The pixel, when settled is not 0.
    alignas(64) double column[kNodeChunk], row[kNodeChunk], settled[kNodeChunk];
};

// The turned directions as DirectionToPanorama turns them, and the tangent AzimuthOf takes.
LUMIVEX_NODE_CLONES void RotateNodes(const RotationMatrix& rotation, double st, double Z,
                                     const double* __restrict cosPhi,
                                     const double* __restrict sinPhi, int n, NodeChunk& c) {
    const RotationMatrix rot = rotation;
    for (int i = 0; i < n; ++i) {
        const Turned t = Turn(rot, st * cosPhi[i], st * sinPhi[i], Z);
        c.cosRho[i] = t.cosRho;
        c.tangent[i] = std::fabs(t.y / t.x);
        c.x[i] = t.x;
        c.y[i] = t.y;
    }
    for (int i = n; i < kNodeChunk; ++i) c.cosRho[i] = c.tangent[i] = 0.0;
}

#if LUMIVEX_NODE_AVX512
__attribute__((target("avx512f"))) void AnglesOf8(NodeChunk& c, int n) {
    for (int i = 0; i < n; i += 8) {
        _mm512_store_pd(c.rho + i, _ZGVeN8v_acos(_mm512_load_pd(c.cosRho + i)));
        _mm512_store_pd(c.d + i, _ZGVeN8v_atan(_mm512_load_pd(c.tangent + i)));
    }
}
#endif

void AnglesOf(NodeChunk& c, int n) {
#if LUMIVEX_NODE_AVX512
    static const bool wide = __builtin_cpu_supports("avx512f");
    if (wide) {
        AnglesOf8(c, n);
        return;
    }
#endif
    for (int i = 0; i < n; i += 2) {
        _mm_store_pd(c.rho + i, _ZGVbN2v_acos(_mm_load_pd(c.cosRho + i)));
        _mm_store_pd(c.d + i, _ZGVbN2v_atan(_mm_load_pd(c.tangent + i)));
    }
}

// The pixel of each node from its angles; settled says whether it is certainly the pixel
// DirectionToPanorama gives (the position is further than kMargin from a pixel border).
LUMIVEX_NODE_CLONES void PixelsOf(NodeChunk& chunk, int n, int32_t W, int32_t H) {
    const double* __restrict xs = chunk.x;
    const double* __restrict ys = chunk.y;
    const double* __restrict ds = chunk.d;
    const double* __restrict rhos = chunk.rho;
    double* __restrict columns = chunk.column;
    double* __restrict rows = chunk.row;
    double* __restrict settledOut = chunk.settled;
    const double toColumn = static_cast<double>(W - 1), toRow = static_cast<double>(H - 1);
    const double lastColumn = static_cast<double>(W - 1), lastRow = static_cast<double>(H - 1);
    // Written without branches so that it vectorises.
    for (int i = 0; i < n; ++i) {
        const double x = xs[i], y = ys[i];
        // AzimuthOf's quadrants: d, 2 pi - d, pi - d and pi + d, as base + sign * d, which
        // rounds exactly as they do.
        const double rightBase = y >= 0.0 ? 0.0 : 2.0 * kPi;
        const double base = x >= 0.0 ? rightBase : kPi;
        const double rightSign = y < 0.0 ? -1.0 : 1.0;
        const double leftSign = y > 0.0 ? -1.0 : 1.0;
        const double sign = x >= 0.0 ? rightSign : leftSign;
        const double psi = base + sign * ds[i];
        const double column = psi * kInvTwoPi * toColumn;
        const double row = rhos[i] * kInvPi * toRow;
        const double cf = std::floor(column), rf = std::floor(row);
        // Whether x is not 0 and neither floor changes within the margin: a product that is
        // exactly 0 otherwise.
        const double spread = (std::floor(column + kMargin) - std::floor(column - kMargin)) +
                              (std::floor(row + kMargin) - std::floor(row - kMargin));
        settledOut[i] = spread == 0.0 && x != 0.0 ? 1.0 : 0.0;
        // ClampToIndex (a position that is not settled, or NaN, is replaced by the caller).
        columns[i] = std::min(std::max(cf, 0.0), lastColumn);
        rows[i] = std::min(std::max(rf, 0.0), lastRow);
    }
}

}  // namespace

void DirectionRowToPanorama(const RotationMatrix& rot, double st, double Z, const double* cosPhi,
                            const double* sinPhi, int count, int32_t W, int32_t H,
                            uint16_t* columns, uint16_t* rows, std::size_t stride) {
    NodeChunk c;
    for (int first = 0; first < count; first += kNodeChunk) {
        const int n = std::min(kNodeChunk, count - first);
        RotateNodes(rot, st, Z, cosPhi + first, sinPhi + first, n, c);
        AnglesOf(c, n);
        PixelsOf(c, n, W, H);
        for (int i = 0; i < n; ++i) {
            const std::size_t at = static_cast<std::size_t>(first + i) * stride;
            if (c.settled[i] != 0.0) {
                columns[at] = static_cast<uint16_t>(c.column[i]);
                rows[at] = static_cast<uint16_t>(c.row[i]);
            } else {
                const PanoramaCoord p = DirectionToPanorama(rot, st * cosPhi[first + i],
                                                            st * sinPhi[first + i], Z, W, H);
                columns[at] = static_cast<uint16_t>(p.column);
                rows[at] = static_cast<uint16_t>(p.row);
            }
        }
    }
}
#else
void DirectionRowToPanorama(const RotationMatrix& rot, double st, double Z, const double* cosPhi,
                            const double* sinPhi, int count, int32_t W, int32_t H,
                            uint16_t* columns, uint16_t* rows, std::size_t stride) {
    for (int l = 0; l < count; ++l) {
        const PanoramaCoord c = DirectionToPanorama(rot, st * cosPhi[l], st * sinPhi[l], Z, W, H);
        columns[static_cast<std::size_t>(l) * stride] = static_cast<uint16_t>(c.column);
        rows[static_cast<std::size_t>(l) * stride] = static_cast<uint16_t>(c.row);
    }
}
#endif

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
