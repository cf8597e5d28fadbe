#include "transform_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kWhite = 255;

// Source column (row) of a sample position, or -1 outside [0, limit). NaN is outside.
inline int32_t SampleIndex(double position, int32_t limit) {
    return (position >= 0 && position < limit) ? static_cast<int32_t>(position) : -1;
}

inline void PutPixel(uint8_t* dst, const uint8_t* src) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
}

inline void PutWhite(uint8_t* dst) { dst[0] = dst[1] = dst[2] = kWhite; }

struct Frame {
    int32_t W, H, cxs, cys;  // source size and centre
    int32_t Wo, Ho, cxo, cyo, X0, Y0;
    double S, C;
    long double R;  // 1 / Scale in extended precision
};

// The exact source position of one output pixel, in the rounding order the pictures were
// always made in (see the header).
inline double FoldX(long double uC, long double vS, long double R) {
    return static_cast<double>((uC - vS) * R);
}
inline double FoldY(long double uS, long double vC, long double R) {
    return static_cast<double>((uS + vC) * R);
}

// A run of output columns that is either white or copies consecutive source pixels.
struct ColumnRun {
    int32_t x, count, offset;  // offset: byte of the first source pixel, -1 for white
};

// No turn (sine exactly 0): the source column depends on x alone and the source row on y
// alone, so both are looked up once; each row is then a few copies of whole runs (one run for
// a frame at scale 1).
void TransformAxisAligned(const TBitmap& source, const Frame& f, TBitmap& output) {
    std::vector<ColumnRun> runs;
    for (int32_t x = 0; x < f.Wo; ++x) {
        const long double u = static_cast<long double>(int64_t{x} - f.cxo - f.X0);
        // v S is a zero, which leaves u C unchanged (up to the sign of a zero result).
        const int32_t sx = SampleIndex(f.cxs + FoldX(u * f.C, 0.0L, f.R), f.W);
        const int32_t offset = sx < 0 ? -1 : 3 * sx;
        ColumnRun* last = runs.empty() ? nullptr : &runs.back();
        if (last && (offset < 0 ? last->offset < 0 : last->offset + 3 * last->count == offset))
            ++last->count;
        else
            runs.push_back({x, 1, offset});
    }
    for (int32_t y = 0; y < f.Ho; ++y) {
        uint8_t* dst = output.ScanLine(y);
        const long double v = static_cast<long double>(int64_t{y} - f.cyo - f.Y0);
        const int32_t sy = SampleIndex(f.cys + FoldY(0.0L, v * f.C, f.R), f.H);
        if (sy < 0) {
            std::memset(dst, kWhite, static_cast<std::size_t>(f.Wo) * 3);
            continue;
        }
        const uint8_t* src = source.ScanLine(sy);
        for (const ColumnRun& run : runs) {
            uint8_t* to = dst + 3 * static_cast<std::size_t>(run.x);
            const std::size_t bytes = 3 * static_cast<std::size_t>(run.count);
            if (run.offset < 0)
                std::memset(to, kWhite, bytes);
            else if (run.count == 1)
                PutPixel(to, src + run.offset);
            else
                std::memcpy(to, src + run.offset, bytes);
        }
    }
}

// The exact source position of one output pixel in the x87 rounding order (see the header),
// from the products u C, u S, v S and v C.
inline bool ExactSample(const Frame& f, long double uC, long double uS, long double vS,
                        long double vC, int32_t& sx, int32_t& sy) {
    const double x = f.cxs + FoldX(uC, vS, f.R);
    const double y = f.cys + FoldY(uS, vC, f.R);
    if (!(x >= 0 && x < f.W && y >= 0 && y < f.H)) return false;
    sx = static_cast<int32_t>(x);
    sy = static_cast<int32_t>(y);
    return true;
}

// A sample position's pixel: -1 before the source, limit after it (NaN counts as before).
// Monotone in the position.
inline int32_t Classify(double position, int32_t limit) {
    return position >= 0 ? (position < limit ? static_cast<int32_t>(position) : limit) : -1;
}

// Fills out[(i - origin) * step] for i in [a, b] with value(i), given va = value(a) and
// vb = value(b), for a value that is monotone in i: wherever both ends agree, everything
// between does too.
template <class Value>
void FillMonotone(int32_t a, int32_t b, int32_t va, int32_t vb, const Value& value,
                  int32_t* out, int32_t origin, std::ptrdiff_t step) {
    if (va == vb) {
        for (int32_t i = a; i <= b; ++i) out[(i - origin) * step] = va;
        return;
    }
    out[(a - origin) * step] = va;
    out[(b - origin) * step] = vb;
    if (b - a <= 1) return;
    const int32_t m = a + (b - a) / 2;
    const int32_t vm = value(m);
    FillMonotone(a, m, va, vm, value, out, origin, step);
    FillMonotone(m, b, vm, vb, value, out, origin, step);
}

// Turned frames. Extended arithmetic per pixel is slow, so positions are first estimated in
// 32.32 fixed point, stepped along each row of a tile from a double estimate at the tile's
// left edge. The estimate stays within about 1e-8 of the exact value (the double estimate is
// good to a few units of 2^-50 of the reach, each step adds at most 2^-33), far less than
// kNear = 2^-20 of a pixel: wherever it lies farther than kNear from a whole number, both
// truncate alike and fall on the same side of the source's edges. Only positions within kNear
// of a whole number are computed exactly (nearly none for a general angle; most for a quarter
// turn). Beyond a reach of 2^30 pixels (absurd scales) every position is computed exactly.
void TransformTurned(const TBitmap& source, const Frame& f, TBitmap& output) {
    const double Rd = static_cast<double>(f.R);
    const double spread = (std::abs(f.C) + std::abs(f.S)) * std::abs(Rd);
    const double reach = (double(f.Wo) + std::abs(double(f.X0)) + double(f.Ho) +
                          std::abs(double(f.Y0))) * spread + f.W + f.H;
    const bool estimate = reach < 1073741824.0;  // false for infinite or NaN terms too
    constexpr double kOne = 4294967296.0;        // 1.0 in 32.32 fixed point
    constexpr uint32_t kNear = 1u << 12;         // 2^-20 of a pixel
    const int64_t stepX = estimate ? std::llround(f.C * Rd * kOne) : 0;
    const int64_t stepY = estimate ? std::llround(f.S * Rd * kOne) : 0;

    std::vector<double> ax(static_cast<std::size_t>(f.Wo)), ay(ax.size());
    std::vector<long double> uC(ax.size()), uS(ax.size());
    for (int32_t x = 0; x < f.Wo; ++x) {
        const int64_t ui = int64_t{x} - f.cxo - f.X0;
        const double u = static_cast<double>(ui);
        ax[static_cast<std::size_t>(x)] = u * f.C * Rd;
        ay[static_cast<std::size_t>(x)] = u * f.S * Rd;
        uC[static_cast<std::size_t>(x)] = static_cast<long double>(ui) * f.C;
        uS[static_cast<std::size_t>(x)] = static_cast<long double>(ui) * f.S;
    }
    // Per-row terms.
    std::vector<double> bx(static_cast<std::size_t>(f.Ho)), by(bx.size());
    std::vector<long double> vS(bx.size()), vC(bx.size());
    for (int32_t y = 0; y < f.Ho; ++y) {
        const int64_t vi = int64_t{y} - f.cyo - f.Y0;
        const double v = static_cast<double>(vi);
        bx[static_cast<std::size_t>(y)] = f.cxs - v * f.S * Rd;
        by[static_cast<std::size_t>(y)] = f.cys + v * f.C * Rd;
        vS[static_cast<std::size_t>(y)] = static_cast<long double>(vi) * f.S;
        vC[static_cast<std::size_t>(y)] = static_cast<long double>(vi) * f.C;
    }
    const uint8_t* bits = source.Bits();
    const std::size_t stride = source.Stride();
    const uint64_t W = static_cast<uint64_t>(f.W), H = static_cast<uint64_t>(f.H);
    // A turned row walks across many source rows; square tiles keep the source lines that a
    // tile reads in the cache while all of its rows use them.
    constexpr int32_t kTile = 64;

    // Near a quarter or half turn nearly every position lies a hair off a whole number, so the
    // estimate helps nowhere. But then one coordinate hardly changes along a tile's rows and
    // the other hardly along its columns, and each, computed exactly, is monotone along its
    // line (every rounding step is): exact values at the two ends of a line that agree hold
    // for the whole line, and where they differ, halving finds the change.
    const double drift = std::min(std::abs(f.C), std::abs(f.S)) * std::abs(Rd);
    const bool nearQuarter = estimate && drift * kTile < 0.5;
    const bool xAlongRows = std::abs(f.C) < std::abs(f.S);  // sx depends on the row then
    std::vector<int32_t> tileX(kTile * kTile), tileY(kTile * kTile);
    auto exactX = [&](int32_t x, int32_t y) {
        return Classify(f.cxs + FoldX(uC[static_cast<std::size_t>(x)],
                                      vS[static_cast<std::size_t>(y)], f.R), f.W);
    };
    auto exactY = [&](int32_t x, int32_t y) {
        return Classify(f.cys + FoldY(uS[static_cast<std::size_t>(x)],
                                      vC[static_cast<std::size_t>(y)], f.R), f.H);
    };
    // Fills tile (tx, ty) .. (xEnd, yEnd) with coordinate along rows (x varies) or columns.
    auto fillTile = [&](auto exact, bool alongRows, int32_t tx, int32_t ty, int32_t xEnd,
                        int32_t yEnd, std::vector<int32_t>& tile) {
        if (alongRows) {
            for (int32_t y = ty; y < yEnd; ++y) {
                auto value = [&](int32_t x) { return exact(x, y); };
                int32_t* row = tile.data() + (y - ty) * kTile;
                FillMonotone(tx, xEnd - 1, value(tx), value(xEnd - 1), value, row, tx, 1);
            }
        } else {
            for (int32_t x = tx; x < xEnd; ++x) {
                auto value = [&](int32_t y) { return exact(x, y); };
                int32_t* column = tile.data() + (x - tx);
                FillMonotone(ty, yEnd - 1, value(ty), value(yEnd - 1), value, column, ty, kTile);
            }
        }
    };
    auto QuarterTile = [&](int32_t tx, int32_t ty, int32_t xEnd, int32_t yEnd) {
        fillTile(exactX, xAlongRows, tx, ty, xEnd, yEnd, tileX);
        fillTile(exactY, !xAlongRows, tx, ty, xEnd, yEnd, tileY);
        for (int32_t y = ty; y < yEnd; ++y) {
            uint8_t* dst = output.ScanLine(y) + 3 * static_cast<std::size_t>(tx);
            const int32_t* ix = tileX.data() + (y - ty) * kTile;
            const int32_t* iy = tileY.data() + (y - ty) * kTile;
            for (int32_t i = 0; i < xEnd - tx; ++i, dst += 3) {
                if (static_cast<uint64_t>(ix[i]) < W && static_cast<uint64_t>(iy[i]) < H)
                    PutPixel(dst, bits + static_cast<std::size_t>(iy[i]) * stride +
                                      3 * static_cast<std::size_t>(ix[i]));
                else
                    PutWhite(dst);
            }
        }
    };
    // The estimates along a row of a tile are linear in x, so their floors at the two ends
    // bound all the others: when both ends lie inside the source, every estimated sample of the
    // row does, and none needs testing. Such a row, reading nothing beyond the last source row,
    // also copies each pixel but its last with one four-byte move (the fourth byte is the next
    // pixel's, written right after).
    const std::size_t sourceBytes = stride * static_cast<std::size_t>(f.H);
    auto InsideSpan = [&](int64_t px, int64_t py, int32_t n) {
        const int64_t fx0 = px >> 32, fy0 = py >> 32;
        const int64_t fx1 = (px + (n - 1) * stepX) >> 32, fy1 = (py + (n - 1) * stepY) >> 32;
        if (static_cast<uint64_t>(fx0) >= W || static_cast<uint64_t>(fx1) >= W ||
            static_cast<uint64_t>(fy0) >= H || static_cast<uint64_t>(fy1) >= H)
            return false;
        return static_cast<std::size_t>(std::max(fy0, fy1)) * stride +
                   3 * static_cast<std::size_t>(std::max(fx0, fx1)) + 4 <= sourceBytes;
    };
    auto RunInside = [&](uint8_t* dst, int64_t px, int64_t py, int32_t tx, int32_t xEnd,
                         std::size_t yi) {
        auto sample = [&](int32_t x, int64_t sx, int64_t sy, uint8_t* to, bool wide) {
            const bool nearEdge =
                static_cast<uint32_t>(static_cast<uint32_t>(sx) + kNear) <= 2 * kNear ||
                static_cast<uint32_t>(static_cast<uint32_t>(sy) + kNear) <= 2 * kNear;
            if (__builtin_expect(!nearEdge, 1)) {
                const uint8_t* from = bits + static_cast<std::size_t>(sy >> 32) * stride +
                                      3 * static_cast<std::size_t>(sx >> 32);
                if (wide)
                    std::memcpy(to, from, 4);
                else
                    PutPixel(to, from);
                return;
            }
            const std::size_t xi = static_cast<std::size_t>(x);
            int32_t ix = 0, iy = 0;
            if (ExactSample(f, uC[xi], uS[xi], vS[yi], vC[yi], ix, iy))
                PutPixel(to, bits + static_cast<std::size_t>(iy) * stride +
                                 3 * static_cast<std::size_t>(ix));
            else
                PutWhite(to);
        };
        const int32_t last = xEnd - 1;
        for (int32_t x = tx; x < last; ++x, dst += 3, px += stepX, py += stepY)
            sample(x, px, py, dst, true);
        sample(last, px, py, dst, false);
    };
    for (int32_t ty = 0; ty < f.Ho; ty += kTile)
        for (int32_t tx = 0; tx < f.Wo; tx += kTile) {
            const int32_t yEnd = std::min(f.Ho, ty + kTile), xEnd = std::min(f.Wo, tx + kTile);
            const std::size_t txi = static_cast<std::size_t>(tx);
            if (nearQuarter) {
                QuarterTile(tx, ty, xEnd, yEnd);
                continue;
            }
            for (int32_t y = ty; y < yEnd; ++y) {
                const std::size_t yi = static_cast<std::size_t>(y);
                uint8_t* dst = output.ScanLine(y) + 3 * txi;
                int64_t px = estimate ? std::llround((bx[yi] + ax[txi]) * kOne) : 0;
                int64_t py = estimate ? std::llround((by[yi] + ay[txi]) * kOne) : 0;
                if (estimate && InsideSpan(px, py, xEnd - tx)) {
                    RunInside(dst, px, py, tx, xEnd, yi);
                    continue;
                }
                for (int32_t x = tx; x < xEnd; ++x, dst += 3, px += stepX, py += stepY) {
                    int32_t ix = 0, iy = 0;
                    bool inside;
                    const bool nearEdge = static_cast<uint32_t>(static_cast<uint32_t>(px) + kNear) <= 2 * kNear ||
                                          static_cast<uint32_t>(static_cast<uint32_t>(py) + kNear) <= 2 * kNear;
                    if (estimate && !nearEdge) {
                        const int64_t fx = px >> 32, fy = py >> 32;  // floors
                        inside = static_cast<uint64_t>(fx) < W && static_cast<uint64_t>(fy) < H;
                        ix = static_cast<int32_t>(fx);
                        iy = static_cast<int32_t>(fy);
                    } else {
                        const std::size_t xi = static_cast<std::size_t>(x);
                        inside = ExactSample(f, uC[xi], uS[xi], vS[yi], vC[yi], ix, iy);
                    }
                    if (inside)
                        PutPixel(dst, bits + static_cast<std::size_t>(iy) * stride +
                                          3 * static_cast<std::size_t>(ix));
                    else
                        PutWhite(dst);
                }
            }
        }
}

}  // namespace

void TransformImage(const TBitmap& source, int32_t Wo, int32_t Ho, int32_t X0, int32_t Y0,
                    double Rotate, double Scale, TBitmap& output) {
    output.SetSizeForOverwrite(Wo, Ho);
    if (output.Empty()) return;

    Frame f;
    f.W = source.Width();
    f.H = source.Height();
    f.cxs = f.W / 2;
    f.cys = f.H / 2;
    f.Wo = output.Width();
    f.Ho = output.Height();
    f.cxo = f.Wo / 2;
    f.cyo = f.Ho / 2;
    f.X0 = X0;
    f.Y0 = Y0;
    const double theta = Rotate * (-6.283185307179586) * 0.002777777777777778;
    f.S = std::sin(theta);
    f.C = std::cos(theta);
    f.R = 1.0L / static_cast<long double>(Scale);

    if (f.S == 0)
        TransformAxisAligned(source, f, output);
    else
        TransformTurned(source, f, output);
}

TBitmap TransformImage(const TBitmap& source, int32_t Wo, int32_t Ho, int32_t X0, int32_t Y0,
                       double Rotate, double Scale) {
    TBitmap output;
    TransformImage(source, Wo, Ho, X0, Y0, Rotate, Scale, output);
    return output;
}

void DrawGuideGrid(TBitmap& picture) {
    const int32_t W = picture.Width(), H = picture.Height();
    // On a frame one pixel wide or high the lines along that side have no length, but the
    // others still fit.
    if (W < 1 || H < 1) return;
    for (int k = 1; k <= 3; ++k) {
        const int32_t column = static_cast<int32_t>(int64_t{W} * k / 4);
        for (int32_t y = 0; y < H - 1; ++y) std::memset(picture.ScanLine(y) + 3 * column, 0, 3);
        const int32_t row = static_cast<int32_t>(int64_t{H} * k / 4);
        std::memset(picture.ScanLine(row), 0, static_cast<std::size_t>(W - 1) * 3);
    }
}
