#include "about_zone.h"

#include <climits>
#include <gtest/gtest.h>

TEST(AboutPictureNumber, EdgesBelongToTheZoneThatStartsThere) {
    const int L = 100, T = 50, W = 100, H = 100;
    // Columns: left edge L is the middle column; L + W is the right column.
    EXPECT_EQ(AboutPictureNumber(L - 1, T, L, T, W, H), 4);
    EXPECT_EQ(AboutPictureNumber(L, T, L, T, W, H), 5);
    EXPECT_EQ(AboutPictureNumber(L + W - 1, T + H - 1, L, T, W, H), 5);
    EXPECT_EQ(AboutPictureNumber(L + W, T, L, T, W, H), 6);
    // Rows likewise.
    EXPECT_EQ(AboutPictureNumber(L, T - 1, L, T, W, H), 2);
    EXPECT_EQ(AboutPictureNumber(L, T + H, L, T, W, H), 8);
    EXPECT_EQ(AboutPictureNumber(L, T + H - 1, L, T, W, H), 5);
}

TEST(AboutPictureNumber, AllNineZones) {
    const int L = 0, T = 0, W = 10, H = 10;
    const int xs[3] = {-5, 5, 15};
    const int ys[3] = {-5, 5, 15};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(AboutPictureNumber(xs[c], ys[r], L, T, W, H), 3 * r + c + 1);
}

TEST(AboutPictureNumber, FarAwayAndExtremeCoordinates) {
    EXPECT_EQ(AboutPictureNumber(100000, 100000, 10, 10, 100, 100), 9);
    EXPECT_EQ(AboutPictureNumber(-100000, -100000, 10, 10, 100, 100), 1);
    // A rectangle at the coordinate limit must not overflow into the wrong column.
    EXPECT_EQ(AboutPictureNumber(INT_MAX, INT_MAX, INT_MAX - 50, INT_MAX - 50, 100, 100), 5);
    EXPECT_EQ(AboutPictureNumber(INT_MIN, 0, 0, 0, 100, 100), 4);
}
