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
