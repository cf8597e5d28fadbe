#include "transform_image.h"

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

// No turn (sine exactly 0): the source column depends on x alone and the source row on y
// alone, so both are looked up once and the rows become gathers through a column table.
void TransformAxisAligned(const TBitmap& source, const Frame& f, TBitmap& output) {
    std::vector<int32_t> columnOffset(static_cast<std::size_t>(f.Wo));
    for (int32_t x = 0; x < f.Wo; ++x) {
        const long double u = static_cast<long double>(int64_t{x} - f.cxo - f.X0);
        // v S is a zero, which leaves u C unchanged (up to the sign of a zero result).
        const int32_t sx = SampleIndex(f.cxs + FoldX(u * f.C, 0.0L, f.R), f.W);
        columnOffset[static_cast<std::size_t>(x)] = sx < 0 ? -1 : 3 * sx;
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
        const int32_t* offset = columnOffset.data();
        for (int32_t x = 0; x < f.Wo; ++x, dst += 3) {
            if (offset[x] < 0)
                PutWhite(dst);
            else
                PutPixel(dst, src + offset[x]);
        }
    }
}

void TransformTurned(const TBitmap& source, const Frame& f, TBitmap& output) {
    std::vector<long double> uC(static_cast<std::size_t>(f.Wo)), uS(uC.size());
    for (int32_t x = 0; x < f.Wo; ++x) {
        const long double u = static_cast<long double>(int64_t{x} - f.cxo - f.X0);
        uC[static_cast<std::size_t>(x)] = u * f.C;
        uS[static_cast<std::size_t>(x)] = u * f.S;
    }
    const uint8_t* bits = source.Bits();
    const std::size_t stride = source.Stride();
    const double cxs = f.cxs, cys = f.cys, W = f.W, H = f.H;
    const long double R = f.R;
    for (int32_t y = 0; y < f.Ho; ++y) {
        uint8_t* dst = output.ScanLine(y);
        const long double v = static_cast<long double>(int64_t{y} - f.cyo - f.Y0);
        const long double vS = v * f.S, vC = v * f.C;
        for (int32_t x = 0; x < f.Wo; ++x, dst += 3) {
            const double sx = cxs + FoldX(uC[static_cast<std::size_t>(x)], vS, R);
            const double sy = cys + FoldY(uS[static_cast<std::size_t>(x)], vC, R);
            if (sx >= 0 && sx < W && sy >= 0 && sy < H) {
                PutPixel(dst, bits + static_cast<std::size_t>(sy) * stride +
                                  3 * static_cast<std::size_t>(sx));
            } else {
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
    if (W < 2 || H < 2) return;
    for (int k = 1; k <= 3; ++k) {
        const int32_t column = static_cast<int32_t>(int64_t{W} * k / 4);
        for (int32_t y = 0; y < H - 1; ++y) std::memset(picture.ScanLine(y) + 3 * column, 0, 3);
        const int32_t row = static_cast<int32_t>(int64_t{H} * k / 4);
        std::memset(picture.ScanLine(row), 0, static_cast<std::size_t>(W - 1) * 3);
    }
}
