#pragma once
#include <cstdint>

#include "bitmap.h"

// The zoomable, turnable views of the reference and sample pictures: zoom index 0..4 stands
// for 25%, 50%, 100%, 200%, 300%; rotation index 0..3 for clockwise turns of 0, 90, 180 and
// 270 degrees.

constexpr int kZoomCount = 5;
constexpr int kRotationCount = 4;
constexpr int kDefaultZoom = 2;  // 100%

struct ViewSize {
    int32_t width = 0, height = 0;
};

// The picture size at a zoom (integer division); and the view, whose width and height are
// exchanged for the quarter turns.
ViewSize ZoomedSize(int32_t width, int32_t height, int zoom);
ViewSize TurnedViewSize(int32_t width, int32_t height, int zoom, int rotation);

// A picture pixel -> its place in the view, and a view position -> the picture pixel shown
// there, both in place; viewW and viewH are the view's size. Out-of-range zoom or rotation
// indices count as 100% and 0 degrees.
void ImageToView(int& x, int& y, int viewW, int viewH, int zoom, int rotation);
void ViewToImage(int& x, int& y, int viewW, int viewH, int zoom, int rotation);

// Builds a part of the view of picture at zoom and rotation: the view is the picture scaled to
// the zoomed size (nearest pixel, as ScaleNearest picks it) and turned clockwise (as
// RotateImage turns it). The part is width x height pixels at (left, top), clipped to the view;
// part becomes that size. A window shows a view through a scrolled viewport, so only the
// visible part is ever built; a picture at 300% never needs its full zoomed copy.
struct ViewPart {
    int32_t left = 0, top = 0, width = 0, height = 0;
};
ViewPart RenderViewPart(const TBitmap& picture, int zoom, int rotation, ViewPart wanted,
                        TBitmap& part);
