#include "white_balance.h"

#include <gtest/gtest.h>

#include "image_error.h"
#include "test_support.h"

namespace {

TEST(WhiteBalanceFields, RadiusAndChannelsKeepToTheirRanges) {
    const struct {
        const char* text;
        int radius;
        int channel;
    } cases[] = {{"4", 4, 4},     {"25", 10, 25},  {"-3", 0, 1},   {"0", 0, 1},
                 {"300", 10, 255}, {"", 0, 1},      {" 7px", 7, 7}, {"abc", 0, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(NormaliseRadius(c.text), c.radius) << c.text;
        EXPECT_EQ(NormaliseWhiteChannel(c.text), c.channel) << c.text;
    }
}

TEST(WhiteBalanceSampling, TheSquareIsCutToThePicture) {
    // Pixels (0..4, 0..4) are 100 in red, everything else 0: at the corner with radius 4 the
    // 25 pixels inside the picture alone average to 100; one pixel further right takes 30.
    TBitmap picture = SolidPicture(20, 20, 0, 0, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) picture.ScanLine(y)[3 * x + 2] = 100;
    picture.ScanLine(7)[3 * 9] = 77;
    EXPECT_EQ(SampleWhite(picture, 0, 0, 4).red, 100);
    EXPECT_EQ(SampleWhite(picture, 1, 0, 4).red, 100 * 25 / 30);
    EXPECT_EQ(SampleWhite(picture, 9, 7, 0).blue, 77);  // radius 0: the pixel itself
    EXPECT_EQ(SampleWhite(picture, 30, 30, 4).red, 0);   // wholly outside: nothing to average
}

TEST(WhiteBalanceTable, FactorsAreSinglePrecisionAndScaleTheResult) {
    const WhiteFactors k = WhiteBalanceFactors(200, 100, 100);
    EXPECT_EQ(double{k.mean}, 133.33332824707031);
    EXPECT_EQ(double{k.red}, 0.66666662693023682);
    EXPECT_EQ(double{k.green}, 1.3333332538604736);
    EXPECT_EQ(k.blue, k.green);

    ColorTable result;
    for (int v = 0; v < kTableSize; ++v)
        for (int c = 0; c < kChannelCount; ++c) result.Set(c, v, v);
    result.Set(kRed, 10, 255);
    result.Set(kGreen, 10, 150);
    result.Set(kGreen, 11, 200);
    result.Set(kBlue, 12, -40);  // a file may hold any value: no lower bound
    ASSERT_TRUE(ApplyWhiteBalance(result, {200, 100, 100}));
    EXPECT_EQ(result.Value(kRed, 10), 169);
    EXPECT_EQ(result.Value(kGreen, 10), 199);
    EXPECT_EQ(result.Value(kGreen, 11), 255);
    EXPECT_EQ(result.Value(kBlue, 12), -53);

    ColorTable neutral;
    for (int v = 0; v < kTableSize; ++v)
        for (int c = 0; c < kChannelCount; ++c) neutral.Set(c, v, (v * 7 + c) % 256);
    const ColorTable before = neutral;
    ASSERT_TRUE(ApplyWhiteBalance(neutral, {255, 255, 255}));
    EXPECT_EQ(neutral, before);
}

TEST(WhiteBalanceTable, EmptyOrHoledTables) {
    ColorTable empty;
    empty.Set(kGreen, 0, 5);  // only the red cell of value 0 decides emptiness
    EXPECT_FALSE(ApplyWhiteBalance(empty, {200, 100, 100}));
    EXPECT_EQ(empty.Value(kGreen, 0), 5);

    ColorTable holed;
    for (int v = 0; v < 10; ++v)
        for (int c = 0; c < kChannelCount; ++c) holed.Set(c, v, 100);
    EXPECT_THROW(ApplyWhiteBalance(holed, {200, 100, 100}), ConvertError);
    EXPECT_EQ(holed.Value(kRed, 9), 66);  // rewritten before the missing cell stays rewritten

    ColorTable huge;
    for (int v = 0; v < kTableSize; ++v)
        for (int c = 0; c < kChannelCount; ++c) huge.Set(c, v, v % 2 ? INT32_MIN : INT32_MAX);
    ASSERT_TRUE(ApplyWhiteBalance(huge, {1, 255, 255}));
    EXPECT_EQ(huge.Value(kRed, 1), INT32_MIN);  // scaled far below the 32-bit range
    EXPECT_EQ(huge.Value(kRed, 0), 255);
}

}  // namespace
