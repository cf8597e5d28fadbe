#include "view_adjustments.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "image_error.h"
#include "test_support.h"
#include "view_adjustments_internal.h"

namespace {

using Pixel = std::array<int, 3>;  // blue, green, red
constexpr Pixel kGrey = {FillByte, FillByte, FillByte};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

Pixel At(const TBitmap& b, int x, int y) {
    const uint8_t* p = b.ScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

TBitmap Row(const std::vector<Pixel>& pixels) {
    TBitmap b(static_cast<int32_t>(pixels.size()), 1);
    for (std::size_t x = 0; x < pixels.size(); ++x)
        for (int c = 0; c < 3; ++c) b.ScanLine(0)[3 * x + c] = static_cast<uint8_t>(pixels[x][c]);
    return b;
}

// Row padding must stay zero whatever a step does to the pixels (a QImage shows those bytes).
bool PaddingIsZero(const TBitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (std::size_t i = 3 * static_cast<std::size_t>(b.Width()); i < b.Stride(); ++i)
            if (b.ScanLine(y)[i] != 0) return false;
    return true;
}

// The turn written straight from its definition, one pixel at a time, as the reference.
TBitmap RotateReference(const TBitmap& s, double a, int cx, int cy) {
    const int w = s.Width(), h = s.Height();
    if (cx < 0) cx = w / 2, cy = h / 2;
    TBitmap t(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double dx = double(int64_t(x) - cx), dy = double(int64_t(y) - cy);
            const double u = dx * std::cos(a) - dy * std::sin(a);
            const double v = dx * std::sin(a) + dy * std::cos(a);
            const double sx = std::abs(u) < 4e9 ? double(cx) + std::trunc(u) : -1;
            const double sy = std::abs(v) < 4e9 ? double(cy) + std::trunc(v) : -1;
            uint8_t* d = t.ScanLine(y) + 3 * x;
            for (int c = 0; c < 3; ++c)
                d[c] = sx >= 0 && sx < w && sy >= 0 && sy < h
                           ? s.ScanLine(int(sy))[3 * int(sx) + c]
                           : FillByte;
        }
    return t;
}

}  // namespace

// Byte rules of the colour steps, including the factors outside the useful range: every result
// stays within 0..255, and a result that is no number becomes 0.
TEST(ViewAdjustments, ColourStepsMapBytesByTheirRules) {
    using Step = std::function<void(TBitmap&)>;
    struct Case {
        const char* name;
        Step step;
        std::vector<std::pair<int, int>> bytes;  // input, expected output
    };
    const Case cases[] = {
        {"gamma 2", [](TBitmap& b) { ApplyGamma(b, 2.0); }, {{0, 0}, {128, 64}, {255, 255}}},
        {"gamma 0.5", [](TBitmap& b) { ApplyGamma(b, 0.5); }, {{0, 0}, {64, 127}, {255, 255}}},
        {"gamma 0", [](TBitmap& b) { ApplyGamma(b, 0.0); }, {{0, 255}, {100, 255}}},
        {"gamma -1", [](TBitmap& b) { ApplyGamma(b, -1.0); }, {{0, 255}, {128, 255}, {255, 255}}},
        {"gamma NaN", [](TBitmap& b) { ApplyGamma(b, kNaN); }, {{0, 0}, {128, 0}, {255, 255}}},
        {"brightness 1.5", [](TBitmap& b) { ApplyBrightness(b, 1.5); },
         {{200, 255}, {100, 150}, {0, 0}}},
        {"brightness 0.5", [](TBitmap& b) { ApplyBrightness(b, 0.5); }, {{255, 127}, {3, 1}}},
        {"brightness -2", [](TBitmap& b) { ApplyBrightness(b, -2.0); }, {{0, 0}, {200, 0}}},
        {"brightness inf", [](TBitmap& b) { ApplyBrightness(b, kInf); }, {{0, 0}, {1, 255}}},
        {"contrast 2", [](TBitmap& b) { ApplyContrast(b, 2.0); },
         {{200, 255}, {127, 127}, {0, 0}, {130, 133}}},
        {"contrast 0.5", [](TBitmap& b) { ApplyContrast(b, 0.5); }, {{0, 63}, {255, 191}}},
        {"contrast -1", [](TBitmap& b) { ApplyContrast(b, -1.0); }, {{0, 254}, {255, 0}}},
        {"contrast inf", [](TBitmap& b) { ApplyContrast(b, kInf); },
         {{0, 0}, {127, 0}, {128, 255}}},
        {"inverse", InvertColors, {{0, 255}, {255, 0}, {100, 155}}},
    };
    // Widths 1 and 5 leave padding bytes in every row, which a step must not touch; width 4
    // has rows back to back. Both the vector and the plain table lookups give these bytes.
    for (const Case& c : cases)
        for (int width : {1, 4, 5, 23, 40})
        for (bool vector : {true, false}) {
            view_adjustments_detail::SetVectorTablesEnabled(vector);
            TBitmap b(width, static_cast<int32_t>(c.bytes.size()));
            for (std::size_t i = 0; i < c.bytes.size(); ++i)
                std::memset(b.ScanLine(int(i)), c.bytes[i].first, 3 * width);
            c.step(b);
            for (std::size_t i = 0; i < c.bytes.size(); ++i)
                for (int x = 0; x < width; ++x)
                    EXPECT_EQ(At(b, x, int(i)), Pixel({c.bytes[i].second, c.bytes[i].second,
                                                       c.bytes[i].second}))
                        << c.name << " of " << c.bytes[i].first << " at " << x;
            EXPECT_TRUE(PaddingIsZero(b)) << c.name;
            view_adjustments_detail::SetVectorTablesEnabled(true);
        }
}

// The vector lookups, the pair table (large pictures) and the plain loops give the same bytes,
// on rows with padding and with a tail shorter than a vector step.
TEST(ViewAdjustments, AllLookupPathsAgree) {
    const std::function<void(TBitmap&)> steps[] = {
        [](TBitmap& b) { ApplyGamma(b, 0.45); }, [](TBitmap& b) { ApplyBrightness(b, 1.3); },
        [](TBitmap& b) { ApplyContrast(b, -0.7); }, InvertColors, MakeGrayscale,
        [](TBitmap& b) { Colorize(b, 1.2, 0.8, 0.5); },
        [](TBitmap& b) { Colorize(b, kNaN, -1.0, 1e9); }};
    for (const auto& step : steps)
        for (const TBitmap& source : {NumberedPicture(37, 5), NumberedPicture(701, 500)}) {
            TBitmap vector = source, plain = source;
            step(vector);
            view_adjustments_detail::SetVectorTablesEnabled(false);
            step(plain);
            view_adjustments_detail::SetVectorTablesEnabled(true);
            EXPECT_TRUE(vector.SamePixels(plain)) << source.Width();
            EXPECT_TRUE(PaddingIsZero(vector) && PaddingIsZero(plain));
        }
}

TEST(ViewAdjustments, PixelStepsWorkOnTheSumOfTheThreeBytes) {
    struct Case {
        const char* name;
        std::function<void(TBitmap&)> step;
        Pixel in, out;
    };
    const Case cases[] = {
        {"grayscale", MakeGrayscale, {10, 20, 31}, {20, 20, 20}},
        {"grayscale white", MakeGrayscale, {255, 255, 255}, {255, 255, 255}},
        // d = 765 * 0.333 = 254.745
        {"colorize 1,1,1", [](TBitmap& b) { Colorize(b, 1, 1, 1); }, {255, 255, 255}, {254, 254, 254}},
        // d = 300 * 0.333 = 99.9: blue 0.6 d = 59.94, green 0.8 d = 79.92, red 99.9
        {"sepia", [](TBitmap& b) { Colorize(b, 1.0, 0.8, 0.6); }, {100, 100, 100}, {59, 79, 99}},
        {"colorize 2,-1,NaN", [](TBitmap& b) { Colorize(b, 2, -1, kNaN); }, {150, 0, 0}, {0, 0, 99}},
    };
    for (const Case& c : cases) {
        // Seven pixels, black between the test pixels (black stays black in every case): a
        // group of four and a tail of three, with a padding byte after them.
        const Pixel black = {0, 0, 0};
        TBitmap b = Row({c.in, black, c.in, c.in, black, c.in, c.in});
        c.step(b);
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(At(b, x, 0), x == 1 || x == 4 ? black : c.out) << c.name << " at " << x;
        EXPECT_TRUE(PaddingIsZero(b)) << c.name;
    }
}

TEST(ViewAdjustments, RotationTurnsAboutItsCentreAndKeepsTheSize) {
    const TBitmap source = NumberedPicture(9, 5);
    TBitmap turned, reference;
    // Only a negative column selects the centre, and then the row is replaced too.
    RotateAboutPoint(source, turned, 0.7, -1, 7);
    RotateAboutPoint(source, reference, 0.7, 4, 2);
    EXPECT_TRUE(turned.SamePixels(reference));

    // 90 degrees about the centre of 200 x 100: the picture stays 200 x 100, grey left and
    // right of the turned picture; what was below the centre moves to its right.
    const TBitmap wide = NumberedPicture(200, 100);
    RotateAboutPoint(wide, turned, 3.141592653589793 / 2, -1, 0);
    ASSERT_EQ(turned.Width(), 200);
    ASSERT_EQ(turned.Height(), 100);
    for (int y : {0, 50, 99}) {
        EXPECT_EQ(At(turned, 49, y), kGrey);
        EXPECT_EQ(At(turned, 150, y), kGrey);
        EXPECT_NE(At(turned, 50, y), kGrey);
        EXPECT_NE(At(turned, 149, y), kGrey);
    }
    // On the centre's row and column one of dx, dy is 0 and the turn is exact: three to the
    // right of the centre shows what was three below it, two below shows what was two left.
    EXPECT_EQ(At(turned, 103, 50), At(wide, 100, 53));
    EXPECT_EQ(At(turned, 100, 52), At(wide, 98, 50));
}

// The column tables and strips give exactly the bytes of the pixel-by-pixel definition, at any
// angle and for centres far outside the picture.
TEST(ViewAdjustments, RotationMatchesItsDefinition) {
    const TBitmap source = NumberedPicture(131, 70);  // wider than one strip, odd row length
    struct Case {
        double angle;
        int cx, cy;
    };
    const Case cases[] = {{0.5236, 10, 20},  {-0.7854, -1, 0},     {1.5708, 65, 35},
                          {3.141592653589793, -5, 99}, {17.45, 200, -40}, {2.0, INT_MAX, INT_MIN},
                          {-2.5, 0, INT_MAX},  {0.0, 3, INT_MIN}, {6.283185307179586, 0, INT_MIN}};
    for (const Case& c : cases) {
        TBitmap turned;
        RotateAboutPoint(source, turned, c.angle, c.cx, c.cy);
        EXPECT_TRUE(turned.SamePixels(RotateReference(source, c.angle, c.cx, c.cy)))
            << c.angle << " about " << c.cx << "," << c.cy;
        EXPECT_TRUE(PaddingIsZero(turned));
    }
}

TEST(ViewAdjustments, CropFillsWhatLiesOutsideWithGrey) {
    const TBitmap source = NumberedPicture(30, 25);
    TBitmap piece;
    CropWithFill(source, piece, -10, -10, 20, 20);
    ASSERT_EQ(piece.Width(), 20);
    ASSERT_EQ(piece.Height(), 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(At(piece, x, y), x < 10 || y < 10 ? kGrey : At(source, x - 10, y - 10))
                << x << "," << y;

    CropWithFill(source, piece, 25, 20, 10, 8);  // over the right and bottom edges
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(At(piece, x, y), x >= 5 || y >= 5 ? kGrey : At(source, 25 + x, 20 + y));

    for (auto [left, top] : {std::pair{30, 0}, {-7, 0}, {0, 25}, {0, -3}, {INT_MIN, INT_MAX}}) {
        CropWithFill(source, piece, left, top, 7, 3);
        ASSERT_EQ(piece.Width(), 7);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) EXPECT_EQ(At(piece, x, y), kGrey) << left << "," << top;
        EXPECT_TRUE(PaddingIsZero(piece));
    }
}

// All twelve steps on a 4 x 1 picture, each worked out by hand.
TEST(ViewAdjustments, ChainRunsEveryStepInItsOrder) {
    const Pixel p1 = {60, 130, 200}, p2 = {200, 100, 50}, p3 = {255, 255, 255};
    ViewSettings v;
    // Centre (2, 0): dy is 0 in the only row, so x reads column 4 - x: [grey, p3, p2, p1].
    v.rotateAngle = 180, v.rotateColumn = -1;
    // 6 x 2 from (-2, 0): row 0 [grey, grey, grey, p3, p2, p1], row 1 below the picture: grey.
    v.cropLeft = -2, v.cropTop = 0, v.cropWidth = 6, v.cropHeight = 2;
    // 4 x 2: columns j * 5 / 3 = 0, 1, 3, 5: row 0 [grey, grey, p3, p1], row 1 grey.
    v.resizeWidth = 4, v.resizeHeight = 2;
    // 8 x 3: columns j * 3 / 7 = 0, 0, 0, 1, 1, 2, 2, 3; rows i / 2 = 0, 0, 1.
    v.resampleWidth = 2.0, v.resampleHeight = 1.5;
    // Upside down and mirrored: row 0 grey; rows 1 and 2 [p1, p3, p3, grey x 5].
    v.upsideDown = 1, v.leftRight = 1;
    // Per byte, gamma 2 / brightness 1.5 / contrast 2 / inverse:
    //   grey 128 -> 64 -> 96 -> 65 -> 190
    //   p1 60, 130, 200 -> 14, 66, 156 -> 21, 99, 234 -> 0, 71, 255 -> 255, 184, 0
    //   p3 255 -> 255 -> 255 -> 255 -> 0
    v.gamma = 2.0, v.brightness = 1.5, v.contrast = 2.0, v.inverse = 1;
    // Grey values: 190; p1 439 / 3 = 146; p3 0. Colorize 1, 0.8, 0.6 with d = 3 * grey * 0.333:
    //   190: d = 189.81 -> 113, 151, 189;  146: d = 145.854 -> 87, 116, 145;  0 -> 0, 0, 0
    v.grayscale = 1;
    v.colorizeRed = 1.0, v.colorizeGreen = 0.8, v.colorizeBlue = 0.6;

    const TBitmap built = BuildView(Row({{1, 2, 3}, p1, p2, p3}), v);
    ASSERT_EQ(built.Width(), 8);
    ASSERT_EQ(built.Height(), 3);
    const Pixel g = {113, 151, 189}, a = {87, 116, 145}, b = {0, 0, 0};
    const std::vector<Pixel> expected[3] = {
        {g, g, g, g, g, g, g, g}, {a, b, b, g, g, g, g, g}, {a, b, b, g, g, g, g, g}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(At(built, x, y), expected[y][x]) << x << "," << y;
    EXPECT_TRUE(PaddingIsZero(built));
}

// Sizes a picture cannot have are refused with the step and the size named, before anything
// is allocated for them.
TEST(ViewAdjustments, UnusableSizesAreRefusedByName) {
    struct Case {
        std::function<void(ViewSettings&)> set;
        const char* message;
    };
    const Case cases[] = {
        {[](ViewSettings& v) { v.resizeWidth = 1, v.resizeHeight = 600; },
         "Resize to 1 x 600 pixels: a picture needs at least 2 x 2 pixels"},
        {[](ViewSettings& v) { v.resizeWidth = 100000, v.resizeHeight = 100000; },
         "Resize to 100000 x 100000 pixels: more than the 1000000000 pixels a picture may have"},
        {[](ViewSettings& v) { v.resampleWidth = 0.5; },
         "Resample by 0.5 and -1 to 5 x -10 pixels: a picture needs at least 2 x 2 pixels"},
        {[](ViewSettings& v) { v.resampleWidth = 0, v.resampleHeight = 1; },
         "Resample by 0 and 1 to 0 x 10 pixels: a picture needs at least 2 x 2 pixels"},
        {[](ViewSettings& v) { v.resampleWidth = kNaN, v.resampleHeight = 1; },
         "Resample by nan and 1 to nan x 10 pixels: a picture needs at least 2 x 2 pixels"},
        {[](ViewSettings& v) { v.resampleWidth = 1e300, v.resampleHeight = 1; },
         "Resample by 1e+300 and 1 to 1e+301 x 10 pixels: more than the 1000000000 pixels a "
         "picture may have"},
        {[](ViewSettings& v) { v.cropLeft = 10; },
         "Crop to -1 x -1 pixels: a picture needs at least 1 x 1 pixels"},
        // The switch compares exactly: -1.00001 is on.
        {[](ViewSettings& v) { v.resampleWidth = -1.00001, v.resampleHeight = 1; },
         "Resample by -1.00001 and 1 to -10 x 10 pixels: a picture needs at least 2 x 2 pixels"},
    };
    const TBitmap source = NumberedPicture(10, 10);
    for (const Case& c : cases) {
        ViewSettings v;
        c.set(v);
        try {
            BuildView(source, v);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const ImageError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}
