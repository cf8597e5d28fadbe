#include "raycast.h"

#include <algorithm>

namespace {

constexpr double kEpsilon = 1e-6;
constexpr double kFar = 1e30;

bool HitSphere(const Sphere& s, Vec3 o, Vec3 d, double& t) {
    const Vec3 oc = o - s.centre;
    const double b = Dot(oc, d);
    const double disc = b * b - (Dot(oc, oc) - s.radius * s.radius);
    if (disc < 0) return false;
    const double root = std::sqrt(disc);
    t = -b - root;
    if (t <= kEpsilon) t = -b + root;
    return t > kEpsilon;
}

// Slab test in the box's own frame; face is the index into Box::faces.
bool HitBox(const Box& box, Vec3 o, Vec3 d, double& t, int& face) {
    const double c = box.cosTurn, s = box.sinTurn;
    const Vec3 lo = o - box.centre;
    const double p[3] = {c * lo.x - s * lo.z, lo.y, s * lo.x + c * lo.z};
    const double v[3] = {c * d.x - s * d.z, d.y, s * d.x + c * d.z};
    const double h[3] = {box.half.x, box.half.y, box.half.z};
    double tNear = -kFar, tFar = kFar;
    int nearFace = 0, farFace = 0;
    for (int a = 0; a < 3; ++a) {
        if (std::fabs(v[a]) < 1e-12) {
            if (p[a] < -h[a] || p[a] > h[a]) return false;
            continue;
        }
        double t1 = (-h[a] - p[a]) / v[a], t2 = (h[a] - p[a]) / v[a];
        int f1 = 2 * a, f2 = 2 * a + 1;
        if (t1 > t2) {
            std::swap(t1, t2);
            std::swap(f1, f2);
        }
        if (t1 > tNear) tNear = t1, nearFace = f1;
        if (t2 < tFar) tFar = t2, farFace = f2;
        if (tNear > tFar) return false;
    }
    if (tFar <= kEpsilon) return false;
    t = tNear > kEpsilon ? tNear : tFar;
    face = tNear > kEpsilon ? nearFace : farFace;
    return true;
}

Vec3 BoxNormal(const Box& box, int face) {
    const double c = box.cosTurn, s = box.sinTurn;
    const double sign = (face & 1) ? 1.0 : -1.0;
    switch (face / 2) {
        case 0: return {c * sign, 0, -s * sign};
        case 1: return {0, sign, 0};
        default: return {s * sign, 0, c * sign};
    }
}

double Smooth(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

}  // namespace

bool Scene::Hit(Vec3 o, Vec3 d, double& best, Vec3& normal, Colour& albedo,
                bool objectsOnly) const {
    best = kFar;
    double t;
    for (const Sphere& s : spheres)
        if (HitSphere(s, o, d, t) && t < best) {
            best = t;
            normal = Normalized(o + d * t - s.centre);
            albedo = s.colour;
        }
    int face;
    for (const Box& b : boxes)
        if (HitBox(b, o, d, t, face) && t < best) {
            best = t;
            normal = BoxNormal(b, face);
            albedo = b.faces[face];
        }
    if (!objectsOnly && d.y < -1e-9) {
        t = -o.y / d.y;
        if (t > kEpsilon && t < best) {
            best = t;
            normal = {0, 1, 0};
            const Vec3 p = o + d * t;
            const bool odd = (static_cast<long>(std::floor(p.x / tile)) +
                              static_cast<long>(std::floor(p.z / tile))) & 1;
            albedo = odd ? groundA : groundB;
        }
    }
    return best < kFar;
}

Colour Scene::Sky(Vec3 d) const {
    Colour c = Mix(skyHorizon, skyZenith, Smooth(0.0, 0.6, d.y));
    const double toSun = Dot(d, sun);
    c = c + Colour{1.0, 0.9, 0.7} * (std::pow(std::max(toSun, 0.0), 200) * 0.8);
    if (d.y < 0) c = Mix(c, groundA * 0.6, Smooth(0.0, -0.2, d.y));
    return c;
}

Colour Scene::Trace(Vec3 o, Vec3 d) const {
    double t;
    Vec3 n;
    Colour albedo;
    if (!Hit(o, d, t, n, albedo, false)) return Sky(d);
    const Vec3 p = o + d * t;
    double light = std::max(Dot(n, sun), 0.0);
    if (light > 0) {
        double ts;
        Vec3 ns;
        Colour as;
        if (Hit(p + n * 1e-4, sun, ts, ns, as, true)) light = 0;
    }
    // Sky light from above plus the sun; a little bounce keeps shadows from going black.
    const double ambient = 0.30 + 0.12 * n.y;
    Colour c = albedo * (ambient + 0.85 * light);
    if (n.y > 0.99 && p.y < 1e-3) c = Mix(c, skyHorizon, 1 - std::exp(-t / hazeDistance));
    return c;
}


void PutPixel(uint8_t* p, Colour c) {
    // Display gamma 2.2 through a table over finely quantised linear values: pow per channel
    // would dominate the drawing of the larger pictures.
    constexpr int kSteps = 16384;
    static const std::vector<uint8_t> encoded = [] {
        std::vector<uint8_t> table(kSteps + 1);
        for (int i = 0; i <= kSteps; ++i)
            table[i] = static_cast<uint8_t>(std::pow(static_cast<double>(i) / kSteps, 1 / 2.2) * 255 + 0.5);
        return table;
    }();
    auto encode = [](double v) {
        return encoded[static_cast<std::size_t>(std::clamp(v, 0.0, 1.0) * kSteps + 0.5)];
    };
    p[0] = encode(c.b);
    p[1] = encode(c.g);
    p[2] = encode(c.r);
}

void Render(const Scene& scene, const Camera& camera, TBitmap& target, int left, int top,
            int right, int bottom, const PixelMap& m) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, target.Width());
    bottom = std::min(bottom, target.Height());
    // The camera's axes in the world: right, up and forward after pitch, then yaw.
    const double cp = std::cos(camera.pitch), sp = std::sin(camera.pitch);
    const double cy = std::cos(camera.yaw), sy = std::sin(camera.yaw);
    auto world = [&](Vec3 d) {
        d = {d.x, cp * d.y + sp * d.z, -sp * d.y + cp * d.z};
        return Vec3{cy * d.x + sy * d.z, d.y, -sy * d.x + cy * d.z};
    };
    const Vec3 across = world({1, 0, 0}), up = world({0, 1, 0}), forward = world({0, 0, 1});
    const double halfW = target.Width() * 0.5, halfH = target.Height() * 0.5;
    for (int y = top; y < bottom; ++y) {
        uint8_t* row = target.ScanLine(y);
        for (int x = left; x < right; ++x) {
            const double cx = x + 0.5, cy = y + 0.5;
            const double px = m.xx * cx + m.xy * cy + m.x0, py = m.yx * cx + m.yy * cy + m.y0;
            const Vec3 d = across * (px - halfW) + up * (halfH - py) + forward * camera.focal;
            PutPixel(row + 3 * x, scene.Trace(camera.eye, Normalized(d)));
        }
    }
}
