#pragma once
// The adjustment chain of a view: turning about a point, cutting out a rectangle, scaling,
// flipping and six colour steps, each exact to the byte. Geometric steps write a distinct
// target; colour steps change the picture in place. Every byte stays within 0..255 whatever
// the factors: a result above 255 becomes 255, below 0 becomes 0, and one that is not a number
// (a NaN factor, or 0 times an infinite one) becomes 0.
#include <cstdint>

#include "bitmap.h"
#include "view_description.h"

// What a geometric step puts where it has no source pixel: mid grey in all three bytes.
constexpr uint8_t FillByte = 128;

// Target: the source's size, turned counter-clockwise on screen by angle (radians) about
// (column, row); a negative column selects the centre (W / 2, H / 2) whatever the row. No
// interpolation: target pixel (x, y) copies source pixel (cx + trunc(dx c - dy s),
// cy + trunc(dx s + dy c)) with dx = x - cx, dy = y - cy, or is grey where that lies outside.
void RotateAboutPoint(const TBitmap& source, TBitmap& target, double angle, int32_t column,
                      int32_t row);

// Target: width x height, the piece of the source whose top-left corner is (left, top); the
// part outside the source is grey. A width or height below 1 gives an empty target.
void CropWithFill(const TBitmap& source, TBitmap& target, int32_t left, int32_t top,
                  int32_t width, int32_t height);

// Every byte b becomes trunc(pow(b * (1/255), exponent) * 255), through a 256-entry table.
void ApplyGamma(TBitmap& image, double exponent);
// Every byte b becomes trunc(b * factor), at most 255.
void ApplyBrightness(TBitmap& image, double factor);
// Every byte b becomes trunc((b - 127) * factor + 127), clamped to 0..255.
void ApplyContrast(TBitmap& image, double factor);
// Every byte b becomes 255 - b.
void InvertColors(TBitmap& image);
// All three bytes of a pixel become (B + G + R) / 3, rounded down.
void MakeGrayscale(TBitmap& image);
// With d = (B + G + R) * 0.333: blue trunc(blue * d), green trunc(green * d), red
// trunc(red * d), each at most 255.
void Colorize(TBitmap& image, double red, double green, double blue);

// The chain in its fixed order, each step only when the settings switch it on: rotate, crop,
// resize, resample, flip upside down, mirror left-right, gamma, brightness, contrast, inverse,
// grayscale, colorize. A crop without pixels, a resize or resample below 2 x 2 (including the
// zero, negative and not-a-number sizes a factor can give) or above TBitmap::kMaxPixels throws
// ImageError naming the step and the size before anything is allocated for it.
TBitmap BuildView(TBitmap picture, const ViewSettings& settings);
