#pragma once
#include <cstdint>
#include <string>

#include "bitmap.h"

// The picture of one step: where it stands in the image area, how a frame is sampled to it,
// how the current and the next frame combine in the four modes, and the status texts.

enum class ObjectViewMode { Mono, Anaglyph, HorizontalInterlace, VerticalInterlace };

// The display rectangle inside the image area.
struct DisplayFit {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Fits a frame of frameWidth x frameHeight into an area of areaWidth x areaHeight, keeping the
// frame's aspect ratio: the full width, centred vertically, when the frame is at least as wide
// as the area, else the full height centred horizontally. Sizes truncate toward zero. Empty
// frames or areas give an empty rectangle.
DisplayFit FitDisplay(int32_t frameWidth, int32_t frameHeight, int32_t areaWidth,
                      int32_t areaHeight);

// Resamples frame (nearest neighbour, no filtering) to display's current size: display pixel
// (x, y) takes frame pixel (x * W / Wd, y * H / Hd) with W x H the frame's own size, so no
// read falls outside a frame of any size.
void SampleFrameToDisplay(const TBitmap& frame, TBitmap& display);

// Combines the display-size pictures of the current and the next frame (both of display's size)
// into display. With swap the next frame plays the current frame's part and the other way
// round, except in Mono, which always shows current. Odd rows (columns) of the interlaces
// and the blue and green bytes of the anaglyph come from the current frame, the rest from the
// next frame.
void ComposeObjectView(ObjectViewMode mode, bool swap, const TBitmap& current,
                       const TBitmap& next, TBitmap& display);

// The straightforward picture from the two decoded frames, pixel by pixel: the yardstick that
// SampleFrameToDisplay followed by ComposeObjectView must match byte for byte.
void ComposeObjectViewDirect(ObjectViewMode mode, bool swap, const TBitmap& current,
                             const TBitmap& next, TBitmap& display);

// Status panel 0 and 1. English when language is exactly "eng", Russian for any other value.
// Frame numbers are 0-based; the stereo modes name the current and the next frame.
std::string FrameStatusText(ObjectViewMode mode, int32_t currentFrame, int32_t frameCount,
                            const std::string& language);
std::string ResolutionText(int32_t frameWidth, int32_t frameHeight, const std::string& language);
