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

// Builds the view of picture at zoom and rotation: scaled to the zoomed size (nearest pixel)
// and turned. scratch is a work image kept by the caller so repeated renders reuse storage.
void RenderView(const TBitmap& picture, int zoom, int rotation, TBitmap& scratch, TBitmap& view);
