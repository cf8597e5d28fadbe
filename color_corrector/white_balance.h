#pragma once
#include <cstdint>
#include <string>

#include "bitmap.h"
#include "color_tables.h"

// White balance: the average colour of a clicked area becomes the white colour, and the Result
// table is scaled per channel so that this colour would come out neutral.

constexpr int kMaxRadius = 10;

// The fields of the "White balance" page read their numbers the lenient way (atoi): the radius
// is kept to 0..kMaxRadius, a channel of the white colour to 1..255 (never 0, so the scale
// factors are always defined).
int NormaliseRadius(const std::string& text);
int NormaliseWhiteChannel(const std::string& text);

struct RgbColor {
    int red = 0, green = 0, blue = 0;
};

// The mean colour (rounded down) of the pixels of the square of half size radius around
// (cx, cy) that lie inside the picture; black when none does.
RgbColor SampleWhite(const TBitmap& picture, int cx, int cy, int radius);

// The per-channel factors that make white neutral: mean / channel, in single precision, as
// the table scaling uses them.
struct WhiteFactors {
    float mean = 0, red = 0, green = 0, blue = 0;
};
WhiteFactors WhiteBalanceFactors(float red, float green, float blue);

// Scales every Result value by its channel's factor, truncating toward zero and capping at 255.
// False, with nothing changed, when the red cell of value 0 is empty (the table counts as
// empty). A missing cell met later throws ConvertError; cells rewritten before it keep their
// new values.
bool ApplyWhiteBalance(ColorTable& result, const RgbColor& white);
