#include "panorama_renderer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>
#include <vector>

#include "image_error.h"
#include "panorama_stages.h"
#include "panorama_steering.h"

namespace {

// ---------------------------------------------------------------------------------------------
// A straightforward reference written from the rules, one view pixel at a time: the node
// values come from the trigonometry, the horizontal rule is applied on grid rows, the vertical
// rule between them, and the pixel is fetched with the clamp.

int RefInterp(int a, int b, int p, int n) {
    if (std::abs(b - a) > n / 2) {
        if (b < a) {
            int v = a + ((b + n - a) * p) / 10;
            return v >= n ? v - n : v;
        }
        int v = a + ((b - n - a) * p) / 10;
        return v < 0 ? v + n : v;
    }
    return a + ((b - a) * p) / 10;
}

struct RefNode {
    int c, r;
};

RefNode RefNodeValue(const PanoramaView& v, int i, int j, int mw, int mh, int W, int H) {
    const double a = v.alpha * 2 * kPi / 360, b = v.betta * 2 * kPi / 360,
                 g = v.gamma * 2 * kPi / 360;
    const int d = mw > mh ? mw : mh;
    const double thetaTop = 90 - mh * 45.0 / d * v.fov, thetaBottom = 90 + mh * 45.0 / d * v.fov;
    const double phiLeft = -45 * v.fov * mw / d, phiRight = 45 * v.fov * mw / d;
    const double theta = (thetaTop + (thetaBottom - thetaTop) * i / (mh - 1)) * kPi / 180;
    const double phi = (phiLeft + (phiRight - phiLeft) * j / (mw - 1)) * kPi / 180;
    const double X = std::sin(theta) * std::cos(phi), Y = std::sin(theta) * std::sin(phi),
                 Z = std::cos(theta);
    const double M[3][3] = {
        {std::cos(b) * std::cos(a),
         -std::sin(g) * std::sin(b) * std::cos(a) - std::cos(g) * std::sin(a),
         -std::cos(g) * std::sin(b) * std::cos(a) + std::sin(g) * std::sin(a)},
        {std::cos(b) * std::sin(a),
         std::cos(a) * std::cos(g) - std::sin(g) * std::sin(b) * std::sin(a),
         -std::cos(g) * std::sin(b) * std::sin(a) - std::cos(a) * std::sin(g)},
        {std::sin(b), std::sin(g) * std::cos(b), std::cos(g) * std::cos(b)}};
    const double x = M[0][0] * X + M[0][1] * Y + M[0][2] * Z;
    const double y = M[1][0] * X + M[1][1] * Y + M[1][2] * Z;
    const double z = M[2][0] * X + M[2][1] * Y + M[2][2] * Z;
    const double rho = std::acos(std::fmax(-1.0, std::fmin(1.0, z / std::sqrt(x * x + y * y + z * z))));
    double psi;
    if (x == 0) {
        psi = y > 0 ? kPi / 2 : (y < 0 ? 3 * kPi / 2 : 0);
    } else {
        const double D = std::atan(std::fabs(y / x));
        if (x >= 0 && y >= 0) psi = D;
        else if (x >= 0) psi = 2 * kPi - D;
        else if (y > 0) psi = kPi - D;
        else psi = kPi + D;
    }
    double c = std::floor(psi * 0.15915494309189535 * (W - 1));
    double r = std::trunc(rho * 0.3183098861837907 * (H - 1));
    c = c < 0 ? 0 : (c >= W ? W - 1 : c);
    r = r < 0 ? 0 : (r >= H ? H - 1 : r);
    return {static_cast<int>(c), static_cast<int>(r)};
}

// Value of both maps at map position (x, y).
RefNode RefMapValue(const PanoramaView& v, int x, int y, int mw, int mh, int W, int H) {
    auto onGridRow = [&](int i) -> RefNode {
        const int j0 = x / 10 * 10;
        const RefNode a = RefNodeValue(v, i, j0, mw, mh, W, H);
        if (x == j0) return a;
        const RefNode b = RefNodeValue(v, i, j0 + 10, mw, mh, W, H);
        return {RefInterp(a.c, b.c, x - j0, W), RefInterp(a.r, b.r, x - j0, H)};
    };
    const int i0 = y / 10 * 10;
    const RefNode a = onGridRow(i0);
    if (y == i0) return a;
    const RefNode b = onGridRow(i0 + 10);
    return {RefInterp(a.c, b.c, y - i0, W), RefInterp(a.r, b.r, y - i0, H)};
}

TBitmap RefRender(const PanoramaView& v, const TBitmap& pano, int w, int h) {
    TBitmap out(w, h);
    const int W = pano.Width(), H = pano.Height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const RefNode n = RefMapValue(v, x, y, w + 10, h + 10, W, H);
            std::memcpy(out.ScanLine(y) + x * 3, pano.ScanLine(n.r) + n.c * 3, 3);
        }
    return out;
}

TBitmap RandomPicture(int w, int h, unsigned seed) {
    TBitmap b(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w * 3; ++i) b.ScanLine(y)[i] = static_cast<uint8_t>(rng());
    return b;
}

// Ticks that advance by a fixed amount on every read.
struct FakeTicks {
    int64_t now = 1000;
    int64_t step = 0;
    TickSource Source() {
        return [this] {
            const int64_t t = now;
            now += step;
            return t;
        };
    }
};

PanoramaView ViewAt(double alpha, double betta, double gamma, double fov) {
    PanoramaView v;
    v.alpha = alpha;
    v.betta = betta;
    v.gamma = gamma;
    v.fov = fov;
    return v;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Interpolation

TEST(PanoramaInterpolation, AcrossTheSeamTakesTheShortWayRound) {
    const int expected[9] = {997, 998, 998, 999, 999, 0, 0, 1, 1};
    for (int p = 1; p <= 9; ++p) EXPECT_EQ(InterpolateNodes(997, 2, p, 1000), expected[p - 1]);
    // And the other way round: from column 2 back over the seam to 997.
    const int back[9] = {2, 1, 1, 0, 0, 999, 999, 998, 998};
    for (int p = 1; p <= 9; ++p) EXPECT_EQ(InterpolateNodes(2, 997, p, 1000), back[p - 1]);
}

TEST(PanoramaInterpolation, DivisionTruncatesTowardZero) {
    const int expected[9] = {100, 99, 99, 98, 98, 97, 97, 96, 96};
    for (int p = 1; p <= 9; ++p) EXPECT_EQ(InterpolateNodes(100, 95, p, 4096), expected[p - 1]);
    const int up[9] = {95, 96, 96, 97, 97, 98, 98, 99, 99};
    for (int p = 1; p <= 9; ++p) EXPECT_EQ(InterpolateNodes(95, 100, p, 4096), up[p - 1]);
}

// The passes use a vectorisable form of the rule; every distance the maps can hold, for the
// largest panoramas (odd and even), must come out exactly as the rule says.
TEST(PanoramaInterpolation, VerticalPassMatchesTheRuleForEveryDistance) {
    NodeScratch scratch;
    for (const int n : {65535, 65534, 1000, 7}) {
        CoordinateMaps maps;
        maps.SetViewSize(n, 1);  // one band: map rows 0 and 10
        const int mw = maps.MapWidth();
        for (const int start : {0, n / 2, n - 1}) {
            for (int x = 0; x < mw; ++x) {
                maps.Columns()[x] = static_cast<uint16_t>(start);
                maps.Columns()[10 * mw + x] = static_cast<uint16_t>(x % n);
                maps.Rows()[x] = static_cast<uint16_t>(x % n);
                maps.Rows()[10 * mw + x] = static_cast<uint16_t>(start);
            }
            VerticalPass(maps, n, n, scratch);
            int mismatches = 0;
            for (int p = 1; p <= 9; ++p)
                for (int x = 0; x < mw; ++x) {
                    mismatches += maps.Column(x, p) != RefInterp(start, x % n, p, n);
                    mismatches += maps.Row(x, p) != RefInterp(x % n, start, p, n);
                }
            EXPECT_EQ(mismatches, 0) << "n=" << n << " start=" << start;
        }
    }
}

TEST(PanoramaInterpolation, HorizontalPassMatchesTheRuleOnRandomNodes) {
    std::mt19937 rng(7);
    NodeScratch scratch;
    for (const int n : {65535, 4096, 3, 1}) {
        CoordinateMaps maps;
        maps.SetViewSize(517, 33);
        const int mw = maps.MapWidth(), mh = maps.MapHeight();
        for (int i = 0; i < mh; i += 10)
            for (int j = 0; j < mw; j += 10) {
                maps.Columns()[i * mw + j] = static_cast<uint16_t>(rng() % n);
                maps.Rows()[i * mw + j] = static_cast<uint16_t>(rng() % n);
            }
        HorizontalPass(maps, n, n, scratch);
        int mismatches = 0;
        for (int i = 0; i < mh; i += 10)
            for (int j = 0; j + 10 < mw; j += 10)
                for (int p = 1; p <= 9; ++p) {
                    mismatches += maps.Column(j + p, i) !=
                                  RefInterp(maps.Column(j, i), maps.Column(j + 10, i), p, n);
                    mismatches +=
                        maps.Row(j + p, i) != RefInterp(maps.Row(j, i), maps.Row(j + 10, i), p, n);
                }
        EXPECT_EQ(mismatches, 0) << "n=" << n;
    }
}

// ---------------------------------------------------------------------------------------------
// Geometry

TEST(PanoramaGeometry, StraightAheadIsColumnZeroAndTheMiddleRow) {
    const RotationMatrix identity = MakeRotationMatrix(0, 0, 0);
    for (const int H : {1001, 4096, 201}) {
        const PanoramaCoord c = DirectionToPanorama(identity, 1, 0, 0, 2000, H);
        EXPECT_EQ(c.column, 0);
        EXPECT_EQ(c.row, (H - 1) / 2);
    }
    // The same through the node stage: a 191 x 191 view puts a node exactly at phi = 0 and
    // theta = 90 degrees (map position 100, 100).
    CoordinateMaps maps;
    maps.SetViewSize(191, 191);
    NodeScratch scratch;
    ComputeGridNodes(maps, PanoramaView(), 2000, 1001, scratch);
    EXPECT_EQ(maps.Column(100, 100), 0);
    EXPECT_EQ(maps.Row(100, 100), 500);
    // Columns grow to the right of the centre, rows grow downwards.
    EXPECT_GT(maps.Column(110, 100), 0);
    EXPECT_LT(maps.Column(110, 100), 1000);
    EXPECT_GT(maps.Row(100, 110), 500);
}

TEST(PanoramaGeometry, StraightUpIsRowZeroAndStraightDownTheLastRow) {
    EXPECT_EQ(DirectionToPanorama(MakeRotationMatrix(0, 90, 0), 1, 0, 0, 640, 320).row, 0);
    EXPECT_EQ(DirectionToPanorama(MakeRotationMatrix(0, 0, 0), 0, 0, 1, 640, 320).row, 0);
    EXPECT_EQ(DirectionToPanorama(MakeRotationMatrix(0, -90, 0), 1, 0, 0, 640, 320).row, 319);
    // Looking up, the centre node of the view lands on the top row.
    CoordinateMaps maps;
    maps.SetViewSize(191, 191);
    NodeScratch scratch;
    ComputeGridNodes(maps, ViewAt(0, 90, 0, 1.0), 640, 320, scratch);
    EXPECT_EQ(maps.Row(100, 100), 0);
}

TEST(PanoramaGeometry, AzimuthCoversTheCircleAndStaysInRangeOnTheAxes) {
    EXPECT_DOUBLE_EQ(AzimuthOf(1, 0), 0);
    EXPECT_DOUBLE_EQ(AzimuthOf(0, 1), kPi / 2);
    EXPECT_DOUBLE_EQ(AzimuthOf(-1, 0), kPi);
    EXPECT_DOUBLE_EQ(AzimuthOf(0, -1), 3 * kPi / 2);
    EXPECT_DOUBLE_EQ(AzimuthOf(0, 0), 0);
    EXPECT_DOUBLE_EQ(AzimuthOf(1, 1), kPi / 4);
    EXPECT_DOUBLE_EQ(AzimuthOf(-1, -1), 5 * kPi / 4);
    // Turning the view to alpha = 90 looks along +Y: a quarter of the way round the panorama.
    EXPECT_EQ(DirectionToPanorama(MakeRotationMatrix(90, 0, 0), 1, 0, 0, 1001, 11).column, 250);
    // Nothing escapes the panorama, whatever the direction.
    for (const double x : {0.0, -0.0, 1e-300, -1e-300})
        for (const double y : {0.0, -0.0, 1.0, -1.0, 1e-300}) {
            const PanoramaCoord c = DirectionToPanorama(MakeRotationMatrix(0, 0, 0), x, y, 0.3, 7, 5);
            EXPECT_GE(c.column, 0);
            EXPECT_LT(c.column, 7);
            EXPECT_GE(c.row, 0);
            EXPECT_LT(c.row, 5);
        }
}

// The grid nodes are computed a row at a time with vector forms of acos and atan; every node
// must still be the pixel DirectionToPanorama gives, on the axes, at the poles, at every zoom and
// for sources of any size.
TEST(PanoramaGeometry, ARowOfNodesGivesExactlyTheScalarPixels) {
    struct Size {
        int32_t W, H;
    };
    const Size sources[] = {{8192, 4096}, {16384, 8192}, {65535, 65535}, {7, 5}, {1001, 3}};
    std::vector<PanoramaView> views;
    for (const auto& a : std::vector<std::array<double, 3>>{
             {0, 0, 0}, {0, 90, 0}, {0, -90, 0}, {90, 0, 0}, {180, 0, 90}, {135, 30, 0},
             {270, -60, 45}, {10, 85, 0}, {359.9, 89.99, 0}}) {
        PanoramaView v;
        v.alpha = a[0];
        v.betta = a[1];
        v.gamma = a[2];
        views.push_back(v);
    }
    std::mt19937 random(24);
    std::uniform_real_distribution<double> turn(0, 360), tilt(-90, 90);
    for (int i = 0; i < 16; ++i) {
        PanoramaView v;
        v.alpha = turn(random);
        v.betta = tilt(random);
        v.gamma = turn(random);
        views.push_back(v);
    }
    const int mw = 1930, mh = 1090;
    NodeScratch angles;
    std::vector<uint16_t> columns(mw), rows(mw);
    long differing = 0, nodes = 0;
    for (const double fov : {0.1, 1.0, 4.0}) {
        PrepareNodeAngles(mw, mh, fov, angles);
        for (const PanoramaView& v : views) {
            const RotationMatrix rotation = MakeRotationMatrix(v.alpha, v.betta, v.gamma);
            for (const Size& s : sources)
                for (std::size_t k = 0; k < angles.sinTheta.size(); ++k) {
                    const int count = static_cast<int>(angles.cosPhi.size());
                    DirectionRowToPanorama(rotation, angles.sinTheta[k], angles.cosTheta[k],
                                           angles.cosPhi.data(), angles.sinPhi.data(), count, s.W,
                                           s.H, columns.data(), rows.data(), 1);
                    for (int l = 0; l < count; ++l, ++nodes) {
                        const PanoramaCoord c = DirectionToPanorama(
                            rotation, angles.sinTheta[k] * angles.cosPhi[l],
                            angles.sinTheta[k] * angles.sinPhi[l], angles.cosTheta[k], s.W, s.H);
                        differing += columns[l] != c.column || rows[l] != c.row;
                    }
                }
        }
    }
    EXPECT_EQ(differing, 0) << "of " << nodes << " nodes";
}

TEST(PanoramaGeometry, FovSetsTheSpanOfTheLongerSide) {
    const AngularExtent wide = MakeAngularExtent(810, 610, 4.0);
    EXPECT_DOUBLE_EQ(wide.phiRight - wide.phiLeft, 360.0);
    EXPECT_DOUBLE_EQ(wide.phiLeft, -180.0);
    EXPECT_DOUBLE_EQ(wide.thetaBottom - wide.thetaTop, 360.0 * 610 / 810);
    const AngularExtent narrow = MakeAngularExtent(810, 610, 0.1);
    EXPECT_NEAR(narrow.phiRight - narrow.phiLeft, 9.0, 1e-12);
    // A portrait view spans the angle vertically.
    const AngularExtent tall = MakeAngularExtent(210, 1010, 1.0);
    EXPECT_DOUBLE_EQ(tall.thetaTop, 45.0);
    EXPECT_DOUBLE_EQ(tall.thetaBottom, 135.0);
    EXPECT_DOUBLE_EQ(tall.phiRight - tall.phiLeft, 90.0 * 210 / 1010);
}

// ---------------------------------------------------------------------------------------------
// Whole frames against the reference

TEST(PanoramaFrame, MatchesThePerPixelReferenceByteForByte) {
    const TBitmap picture = RandomPicture(97, 53, 1);
    const PanoramaPixels pano = PanoramaPixels::FromBitmap(picture);
    const SteeringState idle;
    const PanoramaView views[] = {
        ViewAt(0, 0, 0, 1.0),     ViewAt(350, 45, 30, 1.0), ViewAt(180, -89, 200, 0.1),
        ViewAt(10, 90, 0, 4.0),   ViewAt(359.9, -90, 359, 2.25), ViewAt(-30, 12, -5, 1.5),
        ViewAt(720.5, 100, 0, 3.0)};
    const int sizes[][2] = {{37, 23}, {40, 30}, {1, 1}, {11, 58}, {64, 9}};
    for (const auto& size : sizes)
        for (const PanoramaView& start : views) {
            PanoramaView view = start;
            PanoramaRenderer renderer;
            TBitmap target(size[0], size[1]);
            ASSERT_TRUE(renderer.Frame(view, idle, &pano, target).rendered);
            const TBitmap expected = RefRender(start, picture, size[0], size[1]);
            EXPECT_TRUE(target.SamePixels(expected))
                << size[0] << "x" << size[1] << " alpha=" << start.alpha
                << " betta=" << start.betta << " gamma=" << start.gamma << " fov=" << start.fov;
        }
}

// The stage functions on full maps (the fetch through row offsets and clamps) give the same
// picture as the frame, which fetches band by band through byte offsets.
TEST(PanoramaFrame, StagesOnFullMapsGiveTheFramesPicture) {
    const TBitmap picture = RandomPicture(101, 47, 11);
    const PanoramaPixels pano = PanoramaPixels::FromBitmap(picture);
    for (const PanoramaView& view : {ViewAt(20, 30, 40, 1.0), ViewAt(300, -70, 0, 3.5)}) {
        const int w = 53, h = 37;
        PanoramaView copy = view;
        PanoramaRenderer renderer;
        TBitmap framed(w, h);
        renderer.Frame(copy, SteeringState(), &pano, framed);

        CoordinateMaps maps;
        maps.SetViewSize(w, h);
        NodeScratch scratch;
        ComputeGridNodes(maps, view, pano.W(), pano.H(), scratch);
        HorizontalPass(maps, pano.W(), pano.H(), scratch);
        VerticalPass(maps, pano.W(), pano.H(), scratch);
        TBitmap staged(w, h);
        std::vector<uint8_t*> rows;
        for (int y = 0; y < h; ++y) rows.push_back(staged.ScanLine(y));
        FetchPixels(maps, pano, rows.data());
        EXPECT_TRUE(staged.SamePixels(framed));
        EXPECT_TRUE(staged.SamePixels(RefRender(view, picture, w, h)));
    }
}

// Random views of sources in every tile shape against the reference: the 2:1 sources stand
// for 8192 x 4096 and 16384 x 8192 at a small scale, the odd one leaves part-filled tiles at
// its right and bottom edges (and rows of tiles that are no power of two); the shapes run from
// single pixels to tiles wider than the source. Every other view is wide enough to be fetched
// in several pieces of columns. Both fetch loops: the gathering one (where the processor runs
// it) and the portable one.
TEST(PanoramaTiles, RandomViewsOfEveryShapeMatchTheReference) {
    const int sources[][2] = {{64, 32}, {128, 64}, {75, 37}};
    const PanoramaTileShape shapes[] = {{}, {0, 0}, {3, 3}, {5, 2}, {2, 5}, {8, 1}};
    std::mt19937 rng(24);
    std::uniform_real_distribution<double> turn(0, 360), tilt(-90, 90), zoom(0.1, 4.0);
    struct FetchReset {
        ~FetchReset() {
            AllowGatheredFetch(true);
            ForceFarLinePrefetch(false);
        }
    } reset;
    // Both fetch loops, each with the prefetch of near and of far lines.
    for (const int fetch : {0, 1, 2, 3}) {
        const bool gather = fetch % 2 == 0, far = fetch >= 2;
        for (const auto& source : sources) {
            AllowGatheredFetch(gather);
            ForceFarLinePrefetch(far);
            const TBitmap picture = RandomPicture(source[0], source[1], 31);
            for (const PanoramaTileShape& shape : shapes) {
                const PanoramaPixels pano = PanoramaPixels::FromBitmap(picture, shape);
                for (int c = 0; c < source[0]; ++c)
                    for (int r = 0; r < source[1]; ++r)
                        ASSERT_EQ(
                            std::memcmp(pano.Pixel(c, r), picture.ScanLine(r) + 3 * c, 3), 0);
                for (int i = 0; i < 6; ++i) {
                    const PanoramaView start = ViewAt(turn(rng), tilt(rng), turn(rng), zoom(rng));
                    PanoramaView view = start;
                    PanoramaRenderer renderer;
                    const int width = i % 2 ? 290 : 33;
                    TBitmap target(width, 21);
                    ASSERT_TRUE(renderer.Frame(view, SteeringState(), &pano, target).rendered);
                    EXPECT_TRUE(target.SamePixels(RefRender(start, picture, width, 21)))
                        << source[0] << "x" << source[1] << " shape " << shape.shiftX << ","
                        << shape.shiftY << " alpha=" << start.alpha << " betta=" << start.betta
                        << " gamma=" << start.gamma << " fov=" << start.fov
                        << (gather ? "" : " (portable fetch)") << (far ? " (far lines)" : "");
                }
            }
        }
    }
}

// The second thread takes grid rows and bands of its own; the picture must not change, whether
// the bands split evenly or not and whether the view has one band or many.
TEST(PanoramaFrame, TwoThreadsDrawTheSameFrameAsOne) {
    const TBitmap picture = RandomPicture(96, 48, 5);
    const PanoramaPixels pano = PanoramaPixels::FromBitmap(picture);
    PanoramaRenderer one, two;
    one.SetThreads(1);
    two.SetThreads(2);
    EXPECT_EQ(two.Threads(), 2);
    // The large view keeps the calling thread busy long enough for the second to take part.
    const int sizes[][2] = {{97, 123}, {40, 11}, {64, 9}, {13, 250}, {800, 600}};
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> turn(0, 360), tilt(-90, 90), zoom(0.1, 4.0);
    for (const auto& size : sizes)
        for (int i = 0; i < 5; ++i) {
            const PanoramaView start = ViewAt(turn(rng), tilt(rng), turn(rng), zoom(rng));
            PanoramaView a = start, b = start;
            TBitmap byOne(size[0], size[1]), byTwo(size[0], size[1]);
            ASSERT_TRUE(one.Frame(a, SteeringState(), &pano, byOne).rendered);
            ASSERT_TRUE(two.Frame(b, SteeringState(), &pano, byTwo).rendered);
            EXPECT_TRUE(byTwo.SamePixels(byOne)) << size[0] << "x" << size[1];
        }
}

TEST(PanoramaFrame, ViewsTallerThan2048RowsAndReusedBuffersRenderCorrectly) {
    const TBitmap picture = RandomPicture(64, 32, 2);
    const PanoramaPixels pano = PanoramaPixels::FromBitmap(picture);
    PanoramaRenderer renderer;
    const SteeringState idle;
    PanoramaView view = ViewAt(30, 10, 5, 1.0);
    // Large, then small, then large again: buffers grow once and are reused. A window squeezed
    // to nothing gives empty views, which render as nothing.
    const int sizes[][2] = {{3, 2300}, {20, 10}, {5, 2100}, {0, 7}, {7, 0}, {0, 0}, {9, 9}};
    for (const auto& size : sizes) {
        TBitmap target(size[0], size[1]);
        view.RequestRender();
        ASSERT_TRUE(renderer.Frame(view, idle, &pano, target).rendered);
        EXPECT_EQ(target.Width(), size[0]);
        EXPECT_EQ(target.Height(), size[1]);
        if (target.Empty()) continue;  // nothing to compare (and no bytes to compare them by)
        EXPECT_TRUE(target.SamePixels(RefRender(view, picture, size[0], size[1])))
            << size[0] << "x" << size[1];
    }
}

TEST(PanoramaFrame, RendersOnceWhileTheViewStaysTheSame) {
    const PanoramaPixels pano = PanoramaPixels::FromBitmap(RandomPicture(50, 25, 3));
    FakeTicks ticks;
    PanoramaRenderer renderer(ticks.Source());
    const SteeringState idle;
    PanoramaView view;
    TBitmap target(30, 20);
    int repaints = 0, panelWrites = 0;
    FrameHooks hooks;
    hooks.repaint = [&] { ++repaints; };
    hooks.setPanel = [&](int, const std::string&) { ++panelWrites; };

    EXPECT_TRUE(renderer.Frame(view, idle, &pano, target, hooks).rendered);
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(panelWrites, 5);
    EXPECT_EQ(view.prevAlpha, view.alpha);
    EXPECT_EQ(view.prevFov, view.fov);

    target.ScanLine(5)[7] ^= 0xFF;  // a mark the next tick must not overwrite
    const uint8_t mark = target.ScanLine(5)[7];
    const FrameResult second = renderer.Frame(view, idle, &pano, target, hooks);
    EXPECT_FALSE(second.rendered);
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(panelWrites, 5);
    EXPECT_EQ(target.ScanLine(5)[7], mark);

    // Any change of an angle or of the zoom renders again; so does a forced request.
    view.gamma = 1e-9;
    EXPECT_TRUE(renderer.Frame(view, idle, &pano, target, hooks).rendered);
    view.fov = 1.5;
    EXPECT_TRUE(renderer.Frame(view, idle, &pano, target, hooks).rendered);
    view.RequestRender();
    EXPECT_TRUE(renderer.Frame(view, idle, &pano, target, hooks).rendered);
    EXPECT_EQ(repaints, 4);
    // A request works even when alpha is the value requests used to write (-1).
    view.alpha = -1.0;
    EXPECT_TRUE(renderer.Frame(view, idle, &pano, target, hooks).rendered);
    view.RequestRender();
    EXPECT_TRUE(renderer.Frame(view, idle, &pano, target, hooks).rendered);
    EXPECT_EQ(repaints, 6);
}

TEST(PanoramaFrame, StatusTextsAndStageTimings) {
    const PanoramaPixels pano = PanoramaPixels::FromBitmap(RandomPicture(123, 45, 4));
    FakeTicks ticks;
    ticks.step = 1000;  // every read of the counter advances one millisecond
    PanoramaRenderer renderer(ticks.Source());
    renderer.SetThreads(1);  // the stage sums below are those of one thread
    const SteeringState idle;
    PanoramaView view = ViewAt(12.4, -33.6, 359.5, 4.0 / 9.0);
    TBitmap target(20, 10);
    std::vector<std::pair<int, std::string>> writes;
    bool repainted = false;
    FrameHooks hooks;
    hooks.repaint = [&] {
        repainted = true;
        EXPECT_EQ(writes.size(), 3u);  // panels 0..2 are shown before the picture
    };
    hooks.setPanel = [&](int panel, const std::string& text) {
        writes.emplace_back(panel, text);
    };
    const FrameResult r = renderer.Frame(view, idle, &pano, target, hooks);
    ASSERT_TRUE(r.rendered);
    EXPECT_TRUE(repainted);
    ASSERT_EQ(writes.size(), 5u);
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(writes[p].first, p);
        EXPECT_EQ(writes[p].second, r.panels[p]);
    }
    EXPECT_EQ(r.panels[0], "123x45");
    EXPECT_EQ(r.panels[1], "alpha=12    betta=-34   gamma=360 ");
    EXPECT_EQ(r.panels[2], "FOV=40  ");
    // One band: reads before and after the frame, after the nodes, the horizontal pass, the
    // band's vertical pass and fetch, and the repaint -> 8 reads, 7 ms; each stage 1 ms.
    EXPECT_EQ(r.panels[3], "FPS=143 ");
    EXPECT_EQ(r.panels[4], "1 1 1 1 1");
    EXPECT_EQ(r.timings.total, 7000);

    // Three bands of rows: the vertical pass and the fetch add up over the bands.
    TBitmap taller(20, 30);
    view.RequestRender();
    const FrameResult bands = renderer.Frame(view, idle, &pano, taller);
    EXPECT_EQ(bands.panels[4], "1 1 3 3 1");
    EXPECT_EQ(bands.panels[3], "FPS=91  ");  // 12 reads, 11 ms
}

TEST(PanoramaFrame, FpsTextCoversFramesFasterThanTheCounter) {
    EXPECT_EQ(FpsText(0), "FPS=>1000");
    EXPECT_EQ(FpsText(-3), "FPS=>1000");  // a counter that went backwards is no rate either
    EXPECT_EQ(FpsText(1), "FPS=1000");
    EXPECT_EQ(FpsText(3), "FPS=333 ");
    EXPECT_EQ(FpsText(2000), "FPS=0   ");
    FakeTicks ticks;  // a counter that never moves
    PanoramaRenderer renderer(ticks.Source());
    const PanoramaPixels pano = PanoramaPixels::FromBitmap(RandomPicture(8, 4, 5));
    PanoramaView view;
    TBitmap target(4, 4);
    const FrameResult r = renderer.Frame(view, SteeringState(), &pano, target);
    EXPECT_EQ(r.panels[3], "FPS=>1000");
    EXPECT_EQ(r.panels[4], "0 0 0 0 0");
}

TEST(PanoramaFrame, WithoutPanoramaOrWhileBusyOnlyTheSteeringStepRuns) {
    PanoramaRenderer renderer;
    SteeringState held;
    SteerMouseDown(held, 10, 10, true);
    PanoramaView view;
    SteerMouseMove(view, held, 60, 10, 100, 80);  // Arrow mode, 50 pixels right of the press
    TBitmap target(100, 80);
    const TBitmap blank = target;
    EXPECT_FALSE(renderer.Frame(view, held, nullptr, target).rendered);
    EXPECT_DOUBLE_EQ(view.alpha, 360.0 - 50 * 20.0 / 110);
    EXPECT_TRUE(target.SamePixels(blank));

    // A repaint that lets the next tick in: that tick steers but does not render.
    const PanoramaPixels pano = PanoramaPixels::FromBitmap(RandomPicture(50, 25, 10));
    FrameResult inner;
    bool busyInside = false;
    double alphaBefore = 0, alphaAfter = 0;
    FrameHooks hooks;
    hooks.repaint = [&] {
        busyInside = renderer.Busy();
        alphaBefore = view.alpha;
        inner = renderer.Frame(view, held, &pano, target);
        alphaAfter = view.alpha;
    };
    EXPECT_TRUE(renderer.Frame(view, held, &pano, target, hooks).rendered);
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(inner.rendered);
    EXPECT_NEAR(alphaBefore - alphaAfter, 50 * 20.0 / 110, 1e-9);
    EXPECT_FALSE(renderer.Busy());
    // The turn made during the repaint is not taken as drawn: the next tick draws it.
    EXPECT_EQ(view.prevAlpha, alphaBefore);
    EXPECT_TRUE(view.NeedsRender());

    // A repaint that throws leaves the renderer ready for the next tick.
    hooks.repaint = [] { throw std::runtime_error("repaint failed"); };
    view.RequestRender();
    EXPECT_THROW(renderer.Frame(view, held, &pano, target, hooks), std::runtime_error);
    EXPECT_FALSE(renderer.Busy());
    EXPECT_TRUE(renderer.Frame(view, held, &pano, target).rendered);
}

TEST(PanoramaFrame, OddValuesNeverLeaveThePanorama) {
    const TBitmap picture = RandomPicture(9, 5, 6);
    const PanoramaPixels pano = PanoramaPixels::FromBitmap(picture);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const PanoramaView odd[] = {ViewAt(nan, 0, 0, 1), ViewAt(0, inf, 0, 1), ViewAt(0, 0, 0, nan),
                                ViewAt(1e300, -1e300, 1e300, 1e300), ViewAt(0, 0, 0, 0),
                                ViewAt(0, 0, 0, -4)};
    for (PanoramaView view : odd) {
        PanoramaRenderer renderer;
        TBitmap target(25, 17);
        renderer.Frame(view, SteeringState(), &pano, target);
        // Every view pixel is one of the panorama's pixels.
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 25; ++x) {
                bool found = false;
                for (int r = 0; r < 5 && !found; ++r)
                    for (int c = 0; c < 9 && !found; ++c)
                        found = std::memcmp(target.ScanLine(y) + 3 * x, picture.ScanLine(r) + 3 * c,
                                            3) == 0;
                ASSERT_TRUE(found) << x << "," << y;
            }
    }
}

// ---------------------------------------------------------------------------------------------
// Qualify and the panorama source

TEST(PanoramaQualify, SmoothsInnerPixelsFromACopy) {
    TBitmap view(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int i = 0; i < 12; ++i) view.ScanLine(y)[i] = static_cast<uint8_t>(10 * y + i * 7);
    const TBitmap before = view;
    std::vector<uint8_t> scratch;
    QualifyBitmap(view, scratch);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            for (int ch = 0; ch < 3; ++ch) {
                auto at = [&](int xx, int yy) { return before.ScanLine(yy)[xx * 3 + ch]; };
                const int expected =
                    (y == 0 || y == 2 || x == 0 || x == 3)
                        ? at(x, y)
                        : (at(x - 1, y) + 6 * at(x, y) + at(x + 1, y) + at(x, y - 1) +
                           at(x, y + 1)) / 10;
                EXPECT_EQ(view.ScanLine(y)[x * 3 + ch], expected) << x << "," << y << "," << ch;
            }
    // Saturated pixels stay at 255 (the sum of weights is 10).
    TBitmap white(5, 5);
    for (int y = 0; y < 5; ++y) std::memset(white.ScanLine(y), 255, 15);
    QualifyBitmap(white, scratch);
    EXPECT_EQ(white.ScanLine(2)[7], 255);
}

TEST(PanoramaQualify, ViewsWithoutInnerPixelsStayAsTheyAre) {
    for (const auto& size : {std::pair<int, int>{40, 2}, {2, 40}, {1, 1}, {0, 0}}) {
        TBitmap view = RandomPicture(size.first, size.second, 8);
        const TBitmap before = view;
        PanoramaRenderer renderer;
        renderer.Qualify(view);
        EXPECT_TRUE(view.SamePixels(before)) << size.first << "x" << size.second;
    }
}

TEST(PanoramaSource, RefusesWhatTheMapsCannotHold) {
    try {
        PanoramaPixels::FromBitmap(TBitmap(65536, 1));
        ADD_FAILURE() << "a panorama 65536 pixels wide was accepted";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("65536 x 1"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("65535"), std::string::npos) << e.what();
    }
    EXPECT_THROW(PanoramaPixels::FromBitmap(TBitmap(1, 65536)), ImageError);
    EXPECT_THROW(PanoramaPixels::FromBitmap(TBitmap()), ImageError);
    EXPECT_NO_THROW(PanoramaPixels::FromBitmap(TBitmap(65535, 1)));
}
