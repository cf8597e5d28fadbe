#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "pixel_gather.h"
#include "stereo_composition.h"
#include "stereo_view_commands.h"

namespace {

// A side-by-side picture whose every pixel tells where it came from: blue = column, green = row
// (both modulo 256), red = 10 for the left half and 200 for the right half of the file.
TBitmap MakeSideBySide(int32_t width, int32_t height) {
    TBitmap image(width, height);
    const int32_t half = width / 2;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = image.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            const bool right = x >= half;
            row[3 * x] = static_cast<uint8_t>((right ? x - half : x) & 0xFF);
            row[3 * x + 1] = static_cast<uint8_t>(y & 0xFF);
            row[3 * x + 2] = right ? 200 : 10;
        }
    }
    return image;
}

StereoColor Pixel(const TBitmap& bitmap, int32_t x, int32_t y) {
    const uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    return StereoColor{p[2], p[1], p[0]};
}

// Colour of half pixel (x, y) of a MakeSideBySide picture.
StereoColor FromLeft(int x, int y) {
    return StereoColor{10, static_cast<uint8_t>(y), static_cast<uint8_t>(x)};
}
StereoColor FromRight(int x, int y) {
    return StereoColor{200, static_cast<uint8_t>(y), static_cast<uint8_t>(x)};
}
const StereoColor kGrey{128, 128, 128};

StereoViewState View(float scale, StereoMode mode, bool swap = false) {
    StereoViewState state;
    state.scale = scale;
    state.mode = mode;
    state.swap = swap;
    return state;
}

TBitmap Render(const StereoPair& pair, const StereoViewState& state, int32_t width,
               int32_t height) {
    TBitmap display(width, height);
    RenderStereoView(pair, state, display);
    return display;
}

}  // namespace

TEST(SplitStereoPair, OddWidthDropsTheLastColumn) {
    const TBitmap image = MakeSideBySide(1001, 3);
    const StereoPair pair = SplitStereoPair(image);
    EXPECT_EQ(pair.halfWidth, 500);
    EXPECT_EQ(pair.height, 3);
    ASSERT_EQ(pair.first.Bytes(), 500u * 3 * 3);
    ASSERT_EQ(pair.second.Bytes(), 500u * 3 * 3);
    for (int32_t y = 0; y < 3; ++y) {
        EXPECT_EQ(SampleHalf(pair, StereoHalf::First, 0, y), FromLeft(0, y));
        EXPECT_EQ(SampleHalf(pair, StereoHalf::First, 499, y), FromLeft(499, y));
        EXPECT_EQ(SampleHalf(pair, StereoHalf::Second, 0, y), FromRight(0, y));
        // Source column 999 is the right half's 499; source column 1000 is nowhere.
        EXPECT_EQ(SampleHalf(pair, StereoHalf::Second, 499, y), FromRight(499, y));
        EXPECT_EQ(SampleHalf(pair, StereoHalf::Second, 500, y), kGrey);
    }
}

TEST(SplitStereoPair, PicturesTooNarrowForTwoHalvesGiveEmptyHalves) {
    for (int32_t width : {0, 1}) {
        const StereoPair pair = SplitStereoPair(MakeSideBySide(width, 4));
        EXPECT_EQ(pair.halfWidth, 0);
        EXPECT_TRUE(pair.first.Empty());
        EXPECT_EQ(SampleHalf(pair, StereoHalf::First, 0, 0), kGrey);
        const TBitmap display = Render(pair, View(1.0f, StereoMode::Anaglyph), 5, 3);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(Pixel(display, x, y), kGrey);
    }
}

TEST(SampleHalf, OutsideTheHalfIsMidGrey) {
    const StereoPair pair = SplitStereoPair(MakeSideBySide(8, 3));
    EXPECT_EQ(SampleHalf(pair, StereoHalf::First, 3, 2), FromLeft(3, 2));
    for (auto [x, y] : {std::pair<int64_t, int64_t>{-1, 0},
                        {0, -1},
                        {4, 0},
                        {0, 3},
                        {INT64_MAX / 2, 1},
                        {INT64_MIN / 2, 1}})
        EXPECT_EQ(SampleHalf(pair, StereoHalf::First, x, y), kGrey) << x << "," << y;
}

TEST(ComposeStereoPixel, ModesTakeTheirSamplesFromTheRightHalves) {
    const StereoPair pair = SplitStereoPair(MakeSideBySide(40, 10));
    const StereoColor p = FromLeft(3, 4);
    const StereoColor q = FromRight(5, 6);  // shifted by the parallax (2, 2)
    auto compose = [&](StereoMode mode, int column, int row, bool swap = false) {
        return ComposeStereoPixel(pair, 3, 4, swap, mode, 2, 2, column, row);
    };
    EXPECT_EQ(compose(StereoMode::Left, 0, 0), p);
    EXPECT_EQ(compose(StereoMode::Right, 0, 0), q);
    EXPECT_EQ(compose(StereoMode::Anaglyph, 1, 1), (StereoColor{p.red, q.green, q.blue}));
    EXPECT_EQ(compose(StereoMode::HorizontalInterlace, 1, 0), p);
    EXPECT_EQ(compose(StereoMode::HorizontalInterlace, 0, 1), q);
    EXPECT_EQ(compose(StereoMode::VerticalInterlace, 1, 0), p);
    EXPECT_EQ(compose(StereoMode::VerticalInterlace, 0, 1), q);
    // Swapped, the primary half is the file's right half, the secondary its left half.
    EXPECT_EQ(compose(StereoMode::Left, 0, 0, true), FromRight(3, 4));
    EXPECT_EQ(compose(StereoMode::Right, 0, 0, true), FromLeft(5, 6));
    EXPECT_EQ(compose(StereoMode::Anaglyph, 0, 0, true).red, 200);
}

TEST(RenderStereoView, LeftAtScaleOneShowsTheHalfFromTheCornerWithGreyBeyond) {
    const StereoPair pair = SplitStereoPair(MakeSideBySide(20, 6));  // halves 10 x 6
    const TBitmap display = Render(pair, View(1.0f, StereoMode::Left), 13, 8);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 13; ++x)
            EXPECT_EQ(Pixel(display, x, y), (x < 10 && y < 6) ? FromLeft(x, y) : kGrey)
                << x << "," << y;
}

TEST(RenderStereoView, AnaglyphParallaxShiftsGreenAndBlueOnly) {
    const StereoPair pair = SplitStereoPair(MakeSideBySide(64, 4));  // halves 32 x 4
    StereoViewState state = View(1.0f, StereoMode::Anaglyph);
    state.parallaxX = 10.0f;
    const TBitmap display = Render(pair, state, 32, 4);
    for (int32_t x = 0; x < 32; ++x) {
        const StereoColor c = Pixel(display, x, 2);
        EXPECT_EQ(c.red, 10) << x;
        if (x + 10 < 32) {
            EXPECT_EQ(c.blue, x + 10) << x;
            EXPECT_EQ(c.green, 2) << x;
        } else {
            EXPECT_EQ(c.blue, 128) << x;
            EXPECT_EQ(c.green, 128) << x;
        }
    }
}

TEST(RenderStereoView, ParallaxTruncatesTowardZero) {
    const StereoPair pair = SplitStereoPair(MakeSideBySide(64, 16));
    StereoViewState state = View(1.0f, StereoMode::Right);
    state.parallaxX = 2.9f;
    state.parallaxY = -2.9f;
    EXPECT_EQ(ParallaxText(state), "Parallax (2,-2)");
    const TBitmap display = Render(pair, state, 8, 8);
    EXPECT_EQ(Pixel(display, 3, 5), FromRight(5, 3));
    EXPECT_EQ(Pixel(display, 3, 1), kGrey);  // source row -1
    state.parallaxX = -0.99f;
    state.parallaxY = 0.99f;
    EXPECT_EQ(ParallaxText(state), "Parallax (0,0)");
}

TEST(RenderStereoView, PanningRightStretchesSourceColumnZeroByTruncation) {
    const StereoPair pair = SplitStereoPair(MakeSideBySide(40, 4));
    StereoViewState state = View(0.5f, StereoMode::Left);
    state.positionX = 1.0f;  // source x = trunc(x / 2 - 1)
    const TBitmap display = Render(pair, state, 8, 1);
    EXPECT_EQ(Pixel(display, 0, 0), kGrey);
    for (int32_t x = 1; x <= 3; ++x) EXPECT_EQ(Pixel(display, x, 0), FromLeft(0, 0)) << x;
    EXPECT_EQ(Pixel(display, 4, 0), FromLeft(1, 0));
    EXPECT_EQ(Pixel(display, 5, 0), FromLeft(1, 0));
    EXPECT_EQ(Pixel(display, 6, 0), FromLeft(2, 0));
}

TEST(RenderStereoView, InterlacePatternsFollowTheScreenNotThePicture) {
    const StereoPair pair = SplitStereoPair(MakeSideBySide(40, 20));
    for (float panY : {0.0f, 1.0f}) {
        StereoViewState rows = View(1.0f, StereoMode::HorizontalInterlace);
        rows.positionY = panY;
        const TBitmap display = Render(pair, rows, 6, 6);
        for (int32_t y = 2; y < 6; ++y)
            EXPECT_EQ(Pixel(display, 2, y).red, (y % 2 == 0) ? 10 : 200) << panY << " " << y;
    }
    for (float panX : {0.0f, 1.0f}) {
        StereoViewState columns = View(1.0f, StereoMode::VerticalInterlace);
        columns.positionX = panX;
        const TBitmap display = Render(pair, columns, 7, 2);
        for (int32_t x = 2; x < 7; ++x)
            EXPECT_EQ(Pixel(display, x, 1).red, (x % 2 == 1) ? 10 : 200) << panX << " " << x;
    }
}

TEST(RenderStereoView, SwapWithRightShowsTheLeftHalfShiftedByTheParallax) {
    const StereoPair pair = SplitStereoPair(MakeSideBySide(40, 10));
    StereoViewState state = View(1.0f, StereoMode::Right, true);
    state.parallaxX = 3.0f;
    state.parallaxY = 1.0f;
    const TBitmap display = Render(pair, state, 5, 5);
    EXPECT_EQ(Pixel(display, 0, 0), FromLeft(3, 1));
    EXPECT_EQ(Pixel(display, 4, 4), FromLeft(7, 5));
}

TEST(RenderStereoView, ZeroSizedDisplayIsLeftAlone) {
    const StereoPair pair = SplitStereoPair(MakeSideBySide(40, 10));
    TBitmap display;
    RenderStereoView(pair, View(1.0f, StereoMode::Anaglyph), display);
    EXPECT_TRUE(display.Empty());
    RenderStereoViewPerPixel(pair, View(1.0f, StereoMode::Anaglyph), display);
    EXPECT_TRUE(display.Empty());
}

// The fast render must give exactly the bytes of the one-pixel-at-a-time composition, with
// the byte shuffles and with the plain pixel moves that processors without them run.
class RenderStereoViewPaths : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { SetShufflesEnabled(GetParam()); }
    void TearDown() override { SetShufflesEnabled(true); }
};
INSTANTIATE_TEST_SUITE_P(ShufflesOnAndOff, RenderStereoViewPaths, ::testing::Bool());

TEST_P(RenderStereoViewPaths, HalvesShorterThanDeclaredReadAsGrey) {
    StereoPair pair = SplitStereoPair(MakeSideBySide(8, 3));
    pair.second = PackedPixels(1, 1);
    EXPECT_EQ(SampleHalf(pair, StereoHalf::Second, 0, 0), kGrey);
    EXPECT_EQ(SampleHalf(pair, StereoHalf::First, 0, 0), FromLeft(0, 0));
    // The fast render agrees with the per-pixel yardstick about the broken half.
    TBitmap fast(9, 5), slow(9, 5);
    RenderStereoView(pair, View(1.0f, StereoMode::Anaglyph), fast);
    RenderStereoViewPerPixel(pair, View(1.0f, StereoMode::Anaglyph), slow);
    EXPECT_TRUE(fast.SamePixels(slow));
}

TEST_P(RenderStereoViewPaths, MatchesThePerPixelCompositionByteForByte) {
    std::mt19937 random(1234);
    TBitmap source(2 * 37 + 1, 29);
    for (int32_t y = 0; y < source.Height(); ++y)
        for (int32_t i = 0; i < source.Width() * 3; ++i)
            source.ScanLine(y)[i] = static_cast<uint8_t>(random());
    const StereoPair pair = SplitStereoPair(source);

    const float scales[] = {0.1f, 0.33f, 1.0f, 1.5625f, 2.0f, 3.7f};
    // Whole-pixel positions at scale 1 read runs of neighbouring pixels; fractional ones repeat
    // source column 0, so both the run and the gather paths are covered.
    const float positions[][2] = {{0.0f, 0.0f},   {3.0f, 2.0f},   {-7.0f, -1.0f},
                                  {5.5f, -3.25f}, {-12.7f, 7.9f}, {-0.6f, 0.6f}};
    const float parallaxes[][2] = {
        {0.0f, 0.0f}, {10.0f, 0.0f}, {-4.8f, 2.2f}, {0.9f, -7.5f}, {-3.1f, -1.9f}};
    const int32_t sizes[][2] = {{41, 33}, {20, 1}, {1, 17}};
    int compared = 0;
    for (int mode = 0; mode < 5; ++mode)
        for (bool swap : {false, true})
            for (float scale : scales)
                for (const auto& position : positions)
                    for (const auto& parallax : parallaxes)
                        for (const auto& size : sizes) {
                            StereoViewState state =
                                View(scale, static_cast<StereoMode>(mode), swap);
                            state.positionX = position[0];
                            state.positionY = position[1];
                            state.parallaxX = parallax[0];
                            state.parallaxY = parallax[1];
                            TBitmap fast(size[0], size[1]), slow(size[0], size[1]);
                            RenderStereoView(pair, state, fast);
                            RenderStereoViewPerPixel(pair, state, slow);
                            ASSERT_TRUE(fast.SamePixels(slow))
                                << "mode " << mode << " swap " << swap << " scale " << scale
                                << " position " << position[0] << "," << position[1] << " parallax "
                                << parallax[0] << "," << parallax[1] << " size " << size[0] << "x"
                                << size[1];
                            ++compared;
                        }
    EXPECT_EQ(compared, 5 * 2 * 6 * 6 * 5 * 3);
}

TEST_P(RenderStereoViewPaths, AbsurdViewValuesStayInBoundsAndAgree) {
    const StereoPair pair = SplitStereoPair(MakeSideBySide(30, 10));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {1e30f, -1e30f, 3e9f, -3e9f, nan, inf, -inf};
    for (float v : values)
        for (int mode = 0; mode < 5; ++mode) {
            StereoViewState state = View(1.0f, static_cast<StereoMode>(mode));
            state.positionX = v;
            state.parallaxY = -v;
            TBitmap fast(9, 7), slow(9, 7);
            RenderStereoView(pair, state, fast);
            RenderStereoViewPerPixel(pair, state, slow);
            EXPECT_TRUE(fast.SamePixels(slow)) << v << " mode " << mode;
            state.scale = v;
            RenderStereoView(pair, state, fast);
            RenderStereoViewPerPixel(pair, state, slow);
            EXPECT_TRUE(fast.SamePixels(slow)) << "scale " << v << " mode " << mode;
        }
}
