#include "transform_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "test_support.h"

namespace {

bool IsWhite(const TBitmap& b, int x, int y) {
    const uint8_t* p = b.ScanLine(y) + 3 * x;
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

bool SamePixel(const TBitmap& a, int ax, int ay, const TBitmap& b, int bx, int by) {
    return std::memcmp(a.ScanLine(ay) + 3 * ax, b.ScanLine(by) + 3 * bx, 3) == 0;
}

// Checks out(x, y) == src(mapX(x), mapY(y)) where both lie inside, white elsewhere.
template <class MapX, class MapY>
void ExpectAxisMap(const TBitmap& src, const TBitmap& out, MapX mapX, MapY mapY) {
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) {
            const int sx = mapX(x), sy = mapY(y);
            if (sx >= 0 && sx < src.Width() && sy >= 0 && sy < src.Height())
                ASSERT_TRUE(SamePixel(out, x, y, src, sx, sy)) << x << "," << y;
            else
                ASSERT_TRUE(IsWhite(out, x, y)) << x << "," << y;
        }
}

}  // namespace

TEST(TransformImage, UnturnedFramesPlaceTheSourceCentreAtTheShiftedOutputCentre) {
    // Identity, centring with a white border, shifts in both directions, and a frame smaller
    // than the source (which crops around the centre).
    struct Case {
        int W, H, Wo, Ho, X0, Y0;
    } cases[] = {{17, 12, 17, 12, 0, 0}, {16, 11, 16, 11, 0, 0}, {7, 5, 20, 14, 0, 0},
                 {7, 5, 20, 14, 10, 0},  {7, 5, 20, 14, 0, 10},  {7, 5, 20, 14, -3, -4},
                 {30, 20, 9, 6, 2, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.W << "x" << c.H << " -> " << c.Wo << "x" << c.Ho
                                        << " shift " << c.X0 << "," << c.Y0);
        const TBitmap src = NumberedPicture(c.W, c.H);
        const TBitmap out = TransformImage(src, c.Wo, c.Ho, c.X0, c.Y0, 0, 1);
        ASSERT_EQ(out.Width(), c.Wo);
        ASSERT_EQ(out.Height(), c.Ho);
        ExpectAxisMap(src, out, [&](int x) { return x - c.Wo / 2 - c.X0 + c.W / 2; },
                      [&](int y) { return y - c.Ho / 2 - c.Y0 + c.H / 2; });
    }
    const TBitmap src = NumberedPicture(17, 12);
    EXPECT_TRUE(TransformImage(src, 17, 12, 0, 0, 0, 1).SamePixels(src));
}

TEST(TransformImage, ScaleTwoEnlargesTheCentralHalfAndScaleHalfShrinksWithABorder) {
    const int W = 40, H = 30;
    const TBitmap src = NumberedPicture(W, H);
    // Sample positions W/2 + u/2 truncate, i.e. round down (they are never negative here).
    const TBitmap twice = TransformImage(src, W, H, 0, 0, 0, 2);
    ExpectAxisMap(src, twice,
                  [&](int x) { return static_cast<int>(std::floor(W / 2 + (x - W / 2) / 2.0)); },
                  [&](int y) { return static_cast<int>(std::floor(H / 2 + (y - H / 2) / 2.0)); });
    const TBitmap half = TransformImage(src, W, H, 0, 0, 0, 0.5);
    ExpectAxisMap(src, half, [&](int x) { return W / 2 + 2 * (x - W / 2); },
                  [&](int y) { return H / 2 + 2 * (y - H / 2); });
    EXPECT_TRUE(IsWhite(half, 9, 7));
    EXPECT_FALSE(IsWhite(half, 10, 8));
}

TEST(TransformImage, QuarterTurnsFollowTheScreen) {
    // Rotate 90 shows what stood above the source centre to the right of it, Rotate -90 to the
    // left, Rotate 180 below. (The sine or cosine of such a turn is a few 1e-17, not 0: the
    // points are chosen where that tiny term lifts a sample above its pixel edge, not below.)
    const int N = 41, c = N / 2;
    const TBitmap src = NumberedPicture(N, N);
    const TBitmap right = TransformImage(src, N, N, 0, 0, 90, 1);
    const TBitmap left = TransformImage(src, N, N, 0, 0, -90, 1);
    const TBitmap down = TransformImage(src, N, N, 0, 0, 180, 1);
    for (int d : {1, 7, 20})
        for (int e : {1, 5, 19}) {
            EXPECT_TRUE(SamePixel(right, c + d, c + e, src, c + e, c - d)) << d << "," << e;
            EXPECT_TRUE(SamePixel(left, c + d, c + e, src, c - e, c + d)) << d << "," << e;
            EXPECT_TRUE(SamePixel(down, c - d, c + e, src, c + d, c - e)) << d << "," << e;
        }
}

TEST(TransformImage, SamplesOnTheFarEdgeAreWhiteAndJustInsideTakeTheLastPixel) {
    // Output 4 wide, source 2 wide, scale 2: u = -2..1 sample 1 + u/2 = 0, 0.5, 1, 1.5.
    // With X0 = 1 the positions move half a source pixel left, with X0 = -1 right: the last
    // column then samples exactly 2.0 = W, which is outside.
    const TBitmap src = NumberedPicture(2, 2);
    const TBitmap left = TransformImage(src, 4, 4, -1, 0, 0, 2);
    EXPECT_TRUE(SamePixel(left, 2, 2, src, 1, 1));  // 1.5 takes column 1
    EXPECT_TRUE(IsWhite(left, 3, 2));               // 2.0 is white
    const TBitmap up = TransformImage(src, 4, 4, 0, -1, 0, 2);
    EXPECT_TRUE(SamePixel(up, 2, 2, src, 1, 1));
    EXPECT_TRUE(IsWhite(up, 2, 3));
    const TBitmap right = TransformImage(src, 4, 4, 1, 0, 0, 2);
    EXPECT_TRUE(IsWhite(right, 0, 2));  // -0.5 is white
}

TEST(TransformImage, TheReciprocalOfTheScaleIsFormedInExtendedPrecision) {
    // 0.7 is stored a little below 0.7, so 21 / 0.7 is a little above 30: in an 80-wide frame
    // column 19 (u = -21) of a 64-wide source samples 32 - 30.000...02, source column 1. With
    // the reciprocal rounded to double first the product rounds to exactly 30 (column 2).
    const TBitmap src = NumberedPicture(64, 48);
    const TBitmap out = TransformImage(src, 80, 60, 0, 0, 0, 0.7);
    EXPECT_TRUE(SamePixel(out, 19, 30, src, 1, 24));
}

TEST(TransformImage, DegenerateValuesGiveWhiteFramesNotFaults) {
    const TBitmap src = NumberedPicture(8, 6);
    for (double scale : {0.0, -0.0, std::nan("")}) {
        const TBitmap out = TransformImage(src, 10, 10, 0, 0, 30, scale);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) ASSERT_TRUE(IsWhite(out, x, y));
    }
    EXPECT_TRUE(IsWhite(TransformImage(src, 5, 5, 0, 0, std::nan(""), 1), 2, 2));
    EXPECT_TRUE(IsWhite(TransformImage(TBitmap(), 5, 5, 0, 0, 0, 1), 2, 2));
    EXPECT_TRUE(TransformImage(src, -5, 5, 0, 0, 0, 1).Empty());
    // Shifts at the ends of the integer range do not overflow.
    EXPECT_TRUE(IsWhite(TransformImage(src, 5, 5, INT32_MIN, INT32_MAX, 45, 1), 0, 0));
}

TEST(DrawGuideGrid, DividesTheFrameIntoFourByFourCells) {
    TBitmap frame = TransformImage(TBitmap(), 800, 600, 0, 0, 0, 1);
    DrawGuideGrid(frame);
    auto black = [&](int x, int y) {
        const uint8_t* p = frame.ScanLine(y) + 3 * x;
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    };
    int blackInRow10 = 0, blackInColumn10 = 0;
    for (int x = 0; x < 800; ++x) blackInRow10 += black(x, 10);
    for (int y = 0; y < 600; ++y) blackInColumn10 += black(10, y);
    EXPECT_EQ(blackInRow10, 3);
    EXPECT_EQ(blackInColumn10, 3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_TRUE(black(200 * k, 0) && black(200 * k, 598) && !black(200 * k, 599));
        EXPECT_TRUE(black(0, 150 * k) && black(798, 150 * k) && !black(799, 150 * k));
    }
}

// Tiny frames too: every line is drawn as far as it fits, so a frame one pixel wide still gets
// its column-0 line down to row H - 2.
TEST(DrawGuideGrid, DrawsTheLinesThatFitOnTinyFrames) {
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 6}, {6, 1}, {2, 2}, {1, 2}, {7, 5}};
    for (const auto& [W, H] : sizes) {
        TBitmap frame = TransformImage(TBitmap(), W, H, 0, 0, 0, 1);
        DrawGuideGrid(frame);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                bool expected = false;
                for (int k = 1; k <= 3; ++k)
                    expected = expected || (x == W * k / 4 && y <= H - 2) ||
                               (y == H * k / 4 && x <= W - 2);
                const uint8_t* p = frame.ScanLine(y) + 3 * x;
                EXPECT_EQ(p[0] == 0 && p[1] == 0 && p[2] == 0, expected)
                    << W << "x" << H << " at " << x << "," << y;
            }
    }
}

namespace {

// The rule written out per pixel, without tables or estimates.
TBitmap PlainTransform(const TBitmap& src, int Wo, int Ho, int X0, int Y0, double rot, double sc) {
    TBitmap out(Wo, Ho);
    const double t = rot * (-6.283185307179586) * 0.002777777777777778;
    const double S = std::sin(t), C = std::cos(t);
    const long double R = 1.0L / static_cast<long double>(sc);
    for (int y = 0; y < Ho; ++y)
        for (int x = 0; x < Wo; ++x) {
            const long double u = (x - Wo / 2) - X0, v = (y - Ho / 2) - Y0;
            const double sx = src.Width() / 2 + static_cast<double>((u * C - v * S) * R);
            const double sy = src.Height() / 2 + static_cast<double>((u * S + v * C) * R);
            uint8_t* d = out.ScanLine(y) + 3 * x;
            if (sx >= 0 && sx < src.Width() && sy >= 0 && sy < src.Height())
                std::memcpy(d, src.ScanLine(static_cast<int>(sy)) + 3 * static_cast<int>(sx), 3);
            else
                std::memset(d, 255, 3);
        }
    return out;
}

}  // namespace

TEST(TransformImage, EqualsThePlainPerPixelRuleAtAnyTurnScaleAndShift) {
    const TBitmap src = NumberedPicture(61, 47);
    const double turns[] = {0, 90, -90, 180, 270, 2.5, -17.3, 45, 135, 359.9, 1e-12};
    const double scales[] = {1, 0.7, 1.1, 2, 0.1, 10, 3.3};
    int shift = 0;
    for (const int Wo : {53, 150})  // one partial tile of columns; two whole tiles and a part
        for (double rot : turns)
            for (double sc : scales) {
                shift = (shift * 7 + 5) % 23;
                const int X0 = shift - 11, Y0 = 9 - shift, Ho = 66;
                SCOPED_TRACE(testing::Message() << Wo << " " << rot << " " << sc << " " << X0
                                                << "," << Y0);
                EXPECT_TRUE(TransformImage(src, Wo, Ho, X0, Y0, rot, sc)
                                .SamePixels(PlainTransform(src, Wo, Ho, X0, Y0, rot, sc)));
            }
}

// A source without row padding (width a multiple of 4) ends with its last pixel's last byte,
// so rows that copy several bytes at once must stop short of it; the frame's own padding stays
// zero whatever the rows copy.
TEST(TransformImage, TurnedRowsCopyNothingPastTheirPixels) {
    const TBitmap src = NumberedPicture(64, 48);
    ASSERT_EQ(src.Stride(), 3u * 64);
    for (double rot : {2.5, -3.0, 30.0, 179.0})
        for (int X0 : {0, 3}) {
            SCOPED_TRACE(testing::Message() << rot << " " << X0);
            const TBitmap frame = TransformImage(src, 61, 50, X0, -X0, rot, 1);
            EXPECT_TRUE(frame.SamePixels(PlainTransform(src, 61, 50, X0, -X0, rot, 1)));
            for (int32_t y = 0; y < frame.Height(); ++y)
                EXPECT_EQ(frame.ScanLine(y)[183], 0) << "row " << y;
        }
}
