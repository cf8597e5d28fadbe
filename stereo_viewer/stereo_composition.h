#pragma once
#include <cstdint>
#include <vector>

#include "bitmap.h"
#include "packed_pixels.h"

// Composition of a side-by-side stereo photograph into one display picture.
//
// The file's left half holds one eye's view, its right half the other's. The halves are kept as
// packed 24-bit buffers (blue, green, red; no row padding), and every display pixel is composed
// from a sample of the primary half at the plain source position and/or a sample of the
// secondary half at the source position shifted by the parallax. Positions outside a half read
// as mid-grey, which shows as grey borders when the picture is panned or shifted.

enum class StereoMode : int {
    Left = 0,
    Right = 1,
    Anaglyph = 2,
    HorizontalInterlace = 3,
    VerticalInterlace = 4,
};

// The two halves of one opened image.
struct StereoPair {
    int32_t halfWidth = 0;
    int32_t height = 0;
    PackedPixels first;   // left half of the file: halfWidth x height
    PackedPixels second;  // right half of the file
};

// The display parameters. Scale is source pixels per display pixel; position and parallax are in
// source pixels. All five are single precision, as the zoom ladder and the status texts expect.
struct StereoViewState {
    float scale = 0.0f;
    float positionX = 0.0f;
    float positionY = 0.0f;
    float parallaxX = 0.0f;
    float parallaxY = 0.0f;
    StereoMode mode = StereoMode::Anaglyph;
    bool swap = false;
};

struct StereoColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const StereoColor& o) const {
        return red == o.red && green == o.green && blue == o.blue;
    }
    bool operator!=(const StereoColor& o) const { return !(*this == o); }
};

// What every position outside a half shows.
constexpr uint8_t kStereoGrey = 128;

enum class StereoHalf { First, Second };

// Converts a floating-point value to an integer by truncation toward zero. Values beyond the
// reach of any picture are clamped (and NaN gives 0), so no pan or parallax, however large,
// can overflow the source coordinate arithmetic.
int64_t TruncateTowardZero(double value);

// Splits a decoded image of width W and height H into halves of W / 2 (toward zero) columns; an
// odd last column is dropped. Throws ImageError when the halves cannot be allocated.
StereoPair SplitStereoPair(const TBitmap& image);

// The stored pixel of the half at (x, y), or mid-grey outside it.
StereoColor SampleHalf(const StereoPair& pair, StereoHalf half, int64_t x, int64_t y);

// One display pixel. (sx, sy) is the source position, (dx, dy) the integer parallax, and the
// parities those of the display column and row, so interlace patterns stay fixed on the screen.
StereoColor ComposeStereoPixel(const StereoPair& pair, int64_t sx, int64_t sy, bool swap,
                               StereoMode mode, int64_t dx, int64_t dy, int columnParity,
                               int rowParity);

// Integer parallax as used by the render and shown in the status bar.
int64_t ParallaxPixelsX(const StereoViewState& state);
int64_t ParallaxPixelsY(const StereoViewState& state);

// Fills the whole display picture (at its current size) from the pair and the view state.
// Per-column source offsets are computed once per frame, rows are reached through pointers and
// each mode has a loop of its own. A display of zero size is left alone.
void RenderStereoView(const StereoPair& pair, const StereoViewState& state, TBitmap& display);

// The same picture built one ComposeStereoPixel call at a time. Slow; it is the yardstick the
// fast render is checked and measured against.
void RenderStereoViewPerPixel(const StereoPair& pair, const StereoViewState& state,
                              TBitmap& display);
