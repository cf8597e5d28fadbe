#pragma once
#include <cmath>
#include <vector>

#include "bitmap.h"

// A tiny ray caster for the demo pictures: spheres, boxes turned about the vertical axis, a
// tiled ground plane at height 0, a sky with a sun, Lambert light with hard shadows and haze.
// Units are metres; y points up, z away from the viewer.

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Normalized(Vec3 a) { return a * (1.0 / std::sqrt(Dot(a, a))); }

// Linear colour, 0..1 per channel.
struct Colour {
    double r = 0, g = 0, b = 0;
};
inline Colour operator*(Colour c, double s) { return {c.r * s, c.g * s, c.b * s}; }
inline Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Colour Mix(Colour a, Colour b, double t) { return a * (1 - t) + b * t; }

struct Sphere {
    Vec3 centre;
    double radius;
    Colour colour;
};

// A box of half sizes `half` about `centre`, turned by `turn` radians about the vertical axis;
// each face has its own colour (order: -x, +x, -y, +y, -z, +z in the box's own frame).
struct Box {
    Vec3 centre;
    Vec3 half;
    Colour faces[6];
    double cosTurn = 1, sinTurn = 0;
    void Turn(double radians) {
        cosTurn = std::cos(radians);
        sinTurn = std::sin(radians);
    }
};

struct Scene {
    std::vector<Sphere> spheres;
    std::vector<Box> boxes;
    Colour groundA{0.35, 0.55, 0.25}, groundB{0.30, 0.48, 0.22};
    double tile = 1.0;  // side of the ground's checker squares
    Colour skyZenith{0.25, 0.45, 0.85}, skyHorizon{0.80, 0.87, 0.95};
    Vec3 sun = Normalized({-0.5, 0.8, -0.4});  // towards the light
    double hazeDistance = 80;                  // ground fades into the horizon colour

    Colour Trace(Vec3 origin, Vec3 dir) const;
    Colour Sky(Vec3 dir) const;

private:
    // Nearest hit along the ray beyond a small epsilon; false when the ray leaves the scene.
    bool Hit(Vec3 origin, Vec3 dir, double& t, Vec3& normal, Colour& albedo, bool objectsOnly) const;
};

// A pinhole camera looking along +z turned by yaw (about y) and pitch (about x).
struct Camera {
    Vec3 eye;
    double yaw = 0, pitch = 0;
    double focal = 1000;  // in pixels
};

// Maps an output pixel centre (x + 0.5, y + 0.5) to the camera's pixel plane: identity unless
// a picture is to look shifted, turned or scaled against the camera's own framing.
struct PixelMap {
    double xx = 1, xy = 0, x0 = 0;
    double yx = 0, yy = 1, y0 = 0;
};

// Renders the rectangle [left, right) x [top, bottom) of target (already sized).
void Render(const Scene& scene, const Camera& camera, TBitmap& target, int left, int top,
            int right, int bottom, const PixelMap& map = PixelMap());

// Gamma-encodes a linear colour into the blue, green, red bytes at p.
void PutPixel(uint8_t* p, Colour c);
