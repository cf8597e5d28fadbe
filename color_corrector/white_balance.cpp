#include "white_balance.h"

#include <algorithm>

#include "text_io.h"

int NormaliseRadius(const std::string& text) {
    return std::clamp(LenientToInt(text), 0, kMaxRadius);
}

int NormaliseWhiteChannel(const std::string& text) {
    return std::clamp(LenientToInt(text), 1, 255);
}

RgbColor SampleWhite(const TBitmap& picture, int cx, int cy, int radius) {
    // Only the part of the square inside the picture is visited, so nothing outside is read
    // and the loop does no per-pixel bounds test.
    const int64_t left = std::max<int64_t>(int64_t{cx} - radius, 0);
    const int64_t right = std::min<int64_t>(int64_t{cx} + radius, int64_t{picture.Width()} - 1);
    const int64_t top = std::max<int64_t>(int64_t{cy} - radius, 0);
    const int64_t bottom = std::min<int64_t>(int64_t{cy} + radius, int64_t{picture.Height()} - 1);
    int64_t sum[3] = {0, 0, 0};
    int64_t count = 0;
    for (int64_t y = top; y <= bottom; ++y) {
        const uint8_t* row = picture.ScanLine(static_cast<int32_t>(y));
        for (int64_t x = left; x <= right; ++x) {
            const uint8_t* p = row + 3 * x;
            sum[0] += p[0];
            sum[1] += p[1];
            sum[2] += p[2];
            ++count;
        }
    }
    if (count == 0) return {};
    return {static_cast<int>(sum[2] / count), static_cast<int>(sum[1] / count),
            static_cast<int>(sum[0] / count)};
}

WhiteFactors WhiteBalanceFactors(float red, float green, float blue) {
    WhiteFactors k;
    k.mean = static_cast<float>((double{red} + double{green} + double{blue}) * (1.0 / 3.0));
    k.red = static_cast<float>(double{k.mean} / double{red});
    k.green = static_cast<float>(double{k.mean} / double{green});
    k.blue = static_cast<float>(double{k.mean} / double{blue});
    return k;
}

bool ApplyWhiteBalance(ColorTable& result, const RgbColor& white) {
    if (!result.Has(kRed, 0)) return false;
    const WhiteFactors k = WhiteBalanceFactors(static_cast<float>(white.red),
                                               static_cast<float>(white.green),
                                               static_cast<float>(white.blue));
    const float factor[kChannelCount] = {k.red, k.green, k.blue};
    for (int v = 0; v < kTableSize; ++v)
        for (int c = 0; c < kChannelCount; ++c) {
            const double scaled = static_cast<double>(result.Require(c, v)) * double{factor[c]};
            // Values from a file can be huge or negative: cap first, then truncate.
            const double capped = std::min(scaled, 255.0);
            result.Set(c, v, static_cast<int32_t>(std::max(capped, -2147483648.0)));
        }
    return true;
}
