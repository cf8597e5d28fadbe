#pragma once
// The geometry of the equal-angle view: the rotation of the view, the angles its map spans, the
// panorama pixel of a direction, and the seam-aware interpolation between grid nodes.
#include <cstddef>
#include <cstdint>

// Grid nodes lie this many view pixels apart; the trigonometry runs only on them.
constexpr int kGridStep = 10;

constexpr double kPi = 3.141592653589793;

// M = Rz(alpha) * Ry(-betta) * Rx(gamma); rows give x', y', z'.
struct RotationMatrix {
    double m[3][3];
};
RotationMatrix MakeRotationMatrix(double alphaDeg, double bettaDeg, double gammaDeg);

// Angles in degrees covered by the map from its first to its last row / column.
struct AngularExtent {
    double thetaTop, thetaBottom, phiLeft, phiRight;
};
AngularExtent MakeAngularExtent(int mw, int mh, double fov);

struct PanoramaCoord {
    int32_t column;
    int32_t row;
};

// Azimuth of the rotated direction in 0..2*pi (x' = 0 gives pi/2 or 3*pi/2 by the sign of y',
// and 0 straight up or down).
double AzimuthOf(double x, double y);
// The panorama pixel for the direction (X, Y, Z) turned by rotation, clamped into the panorama.
PanoramaCoord DirectionToPanorama(const RotationMatrix& rotation, double X, double Y, double Z,
                                  int32_t W, int32_t H);

// DirectionToPanorama of the directions (st * cosPhi[l], st * sinPhi[l], Z), l = 0..count-1,
// into columns[l * stride] and rows[l * stride]: the same pixels, several times faster where
// the C library has vector forms of acos and atan.
void DirectionRowToPanorama(const RotationMatrix& rotation, double st, double Z,
                            const double* cosPhi, const double* sinPhi, int count, int32_t W,
                            int32_t H, uint16_t* columns, uint16_t* rows, std::size_t stride);

// The seam-aware interpolation rule between node values a and b of a map with n entries round
// (n = W for columns, H for rows), at offset p (1..9) from a. 32-bit, truncating division.
int32_t InterpolateNodes(int32_t a, int32_t b, int32_t p, int32_t n);
