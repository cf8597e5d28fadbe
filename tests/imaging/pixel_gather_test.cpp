#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "packed_pixels.h"
#include "pixel_gather.h"
#include "test_support.h"

namespace {

// Gathers one row the plain way: target pixel x is the source pixel at offsets[x].
std::vector<uint8_t> Reference(const std::vector<uint8_t>& row, const std::vector<int32_t>& offsets) {
    std::vector<uint8_t> out(offsets.size() * 3);
    for (std::size_t x = 0; x < offsets.size(); ++x)
        for (int c = 0; c < 3; ++c) out[3 * x + c] = row[offsets[x] + c];
    return out;
}

// The shuffle blocks followed by the pixel moves, as the copy operations and the stereo render
// run them, against the plain gather: rising, repeating, falling and jumping offsets, rows
// narrower and wider than a block, with and without four-byte reads.
TEST(GatherPlan, BlocksAndPixelMovesGiveTheReferenceBytes) {
    std::mt19937 random(99);
    std::vector<uint8_t> row(3 * 400 + 1);
    for (uint8_t& b : row) b = static_cast<uint8_t>(random());
    const int sourcePixels = 400;
    for (int width : {1, 4, 5, 6, 17, 64, 333}) {
        for (int pattern = 0; pattern < 4; ++pattern) {
            std::vector<int32_t> offsets(static_cast<std::size_t>(width));
            for (int x = 0; x < width; ++x) {
                const int column = pattern == 0   ? x
                                   : pattern == 1 ? x * 2 / 3
                                   : pattern == 2 ? width - 1 - x
                                                  : static_cast<int>(random() % sourcePixels);
                offsets[x] = 3 * column;
            }
            const std::vector<uint8_t> expected = Reference(row, offsets);
            for (bool shuffles : {true, false}) {
                SetShufflesEnabled(shuffles);
                GatherPlan plan;
                plan.Build(offsets.data(), 0, width, width, row.size() - 1);
                EXPECT_TRUE(shuffles || plan.Empty());
                EXPECT_LE(plan.MaxSource() + 16, static_cast<int64_t>(row.size()));
                for (bool wide : {true, false}) {
                    std::vector<uint8_t> out(expected.size(), 0xEE);
                    if (!plan.Empty()) GatherBlocks(out.data(), row.data(), plan);
                    GatherPixels(out.data(), row.data(), offsets.data(), plan.End(), width,
                                 wide ? width : 0);
                    EXPECT_EQ(out, expected) << "width " << width << " pattern " << pattern
                                             << " shuffles " << shuffles << " wide " << wide;
                }
            }
            SetShufflesEnabled(true);
        }
    }
}

TEST(PackedPixels, ColumnsOfABitmapWithoutRowPadding) {
    const TBitmap picture = NumberedPicture(7, 5);  // rows padded to 24 bytes
    const PackedPixels left = PackedPixels::FromColumns(picture, 0, 3);
    const PackedPixels right = PackedPixels::FromColumns(picture, 3, 4);
    ASSERT_EQ(left.RowBytes(), 9u);
    ASSERT_EQ(right.Bytes(), 4u * 5 * 3);
    for (int32_t y = 0; y < 5; ++y) {
        EXPECT_EQ(std::memcmp(left.Row(y), picture.ScanLine(y), 9), 0) << y;
        EXPECT_EQ(std::memcmp(right.Row(y), picture.ScanLine(y) + 9, 12), 0) << y;
    }
    EXPECT_EQ(right.Data()[right.Bytes()], 0);  // the spare byte after the last pixel
    const PackedPixels copy = right;
    EXPECT_EQ(std::memcmp(copy.Data(), right.Data(), right.Bytes() + 1), 0);
    EXPECT_NE(copy.Data(), right.Data());
    EXPECT_TRUE(PackedPixels(PackedPixels()).Empty());
    EXPECT_TRUE(PackedPixels(-3, 4).Empty());
}

}  // namespace
