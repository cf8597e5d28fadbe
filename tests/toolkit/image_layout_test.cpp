#include "image_layout.h"

#include <gtest/gtest.h>

namespace {
void ExpectRect(const PictureRectangle& r, int left, int top, int width, int height) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
}
}  // namespace

TEST(PlacePicture, PlainAndCentredKeepThePixelSize) {
    ExpectRect(PlacePicture(50, 30, 200, 100, false, false, false), 0, 0, 50, 30);
    ExpectRect(PlacePicture(50, 30, 200, 100, false, false, true), 75, 35, 50, 30);
    // Larger than the control and centred: negative offsets show the middle part.
    ExpectRect(PlacePicture(300, 100, 200, 100, false, false, true), -50, 0, 300, 100);
}

TEST(PlacePicture, StretchFillsProportionalFitsTheLongerSide) {
    ExpectRect(PlacePicture(50, 30, 200, 100, true, false, false), 0, 0, 200, 100);
    // Wide picture in a tall box: width first, height truncated.
    ExpectRect(PlacePicture(300, 200, 100, 100, true, true, false), 0, 0, 100, 66);
    // Wide picture in a wider box: height limits, width follows.
    ExpectRect(PlacePicture(300, 200, 400, 100, true, true, true), 125, 0, 150, 100);
    // Tall picture: height first.
    ExpectRect(PlacePicture(100, 400, 200, 200, true, true, true), 75, 0, 50, 200);
    // Square picture counts as tall: height first, then width check.
    ExpectRect(PlacePicture(10, 10, 30, 20, true, true, false), 0, 0, 20, 20);
}

TEST(PlacePicture, ProportionalAloneOnlyShrinks) {
    ExpectRect(PlacePicture(50, 30, 200, 100, false, true, false), 0, 0, 50, 30);
    ExpectRect(PlacePicture(400, 100, 200, 100, false, true, false), 0, 0, 200, 50);
}

TEST(PlacePicture, EmptyPictureOrControlNeverDividesByZero) {
    // Without an aspect ratio a stretched picture simply fills the control.
    ExpectRect(PlacePicture(0, 0, 200, 100, true, true, true), 0, 0, 200, 100);
    ExpectRect(PlacePicture(0, 0, 200, 100, false, false, true), 100, 50, 0, 0);
    ExpectRect(PlacePicture(0, 10, 200, 100, true, true, false), 0, 0, 200, 100);
    ExpectRect(PlacePicture(100, 50, 0, 0, true, true, true), 0, 0, 0, 0);
    ExpectRect(PlacePicture(100, 50, -5, -5, true, true, true), 0, 0, 0, 0);
}
