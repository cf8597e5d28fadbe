#include "picture_view.h"

#include <algorithm>
#include <cstdint>

#include "image_ops.h"

namespace {

int ValidZoom(int zoom) { return zoom >= 0 && zoom < kZoomCount ? zoom : kDefaultZoom; }
int ValidRotation(int rotation) { return rotation >= 0 && rotation < kRotationCount ? rotation : 0; }

// Coordinates may come from a points file, so any 32-bit value must map without overflow:
// the arithmetic runs in 64 bits and the results saturate to the int range.
int Saturate(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int64_t Scale(int64_t v, int zoom) {
    switch (zoom) {
        case 0: return v / 4;
        case 1: return v / 2;
        case 3: return v * 2;
        case 4: return v * 3;
        default: return v;
    }
}

int64_t Unscale(int64_t v, int zoom) {
    switch (zoom) {
        case 0: return v * 4;
        case 1: return v * 2;
        case 3: return v / 2;
        case 4: return v / 3;
        default: return v;
    }
}

}  // namespace

ViewSize ZoomedSize(int32_t width, int32_t height, int zoom) {
    zoom = ValidZoom(zoom);
    return {Saturate(Scale(width, zoom)), Saturate(Scale(height, zoom))};
}

ViewSize TurnedViewSize(int32_t width, int32_t height, int zoom, int rotation) {
    const ViewSize zoomed = ZoomedSize(width, height, zoom);
    if (ValidRotation(rotation) % 2 == 1) return {zoomed.height, zoomed.width};
    return zoomed;
}

void ImageToView(int& x, int& y, int viewW, int viewH, int zoom, int rotation) {
    zoom = ValidZoom(zoom);
    const int64_t sx = Scale(x, zoom);
    const int64_t sy = Scale(y, zoom);
    const int64_t right = static_cast<int64_t>(viewW) - 1;
    const int64_t bottom = static_cast<int64_t>(viewH) - 1;
    int64_t vx = sx, vy = sy;
    switch (ValidRotation(rotation)) {
        case 1: vx = right - sy; vy = sx; break;
        case 2: vx = right - sx; vy = bottom - sy; break;
        case 3: vx = sy; vy = bottom - sx; break;
        default: break;
    }
    x = Saturate(vx);
    y = Saturate(vy);
}

void ViewToImage(int& x, int& y, int viewW, int viewH, int zoom, int rotation) {
    zoom = ValidZoom(zoom);
    const int64_t vx = x;
    const int64_t vy = y;
    const int64_t right = static_cast<int64_t>(viewW) - 1;
    const int64_t bottom = static_cast<int64_t>(viewH) - 1;
    int64_t px = vx, py = vy;
    switch (ValidRotation(rotation)) {
        case 1: px = vy; py = right - vx; break;
        case 2: px = right - vx; py = bottom - vy; break;
        case 3: px = bottom - vy; py = vx; break;
        default: break;
    }
    x = Saturate(Unscale(px, zoom));
    y = Saturate(Unscale(py, zoom));
}

void RenderView(const TBitmap& picture, int zoom, int rotation, TBitmap& scratch, TBitmap& view) {
    const ViewSize zoomed = ZoomedSize(picture.Width(), picture.Height(), zoom);
    rotation = ValidRotation(rotation);
    if (rotation == 0) {
        view.SetSizeForOverwrite(zoomed.width, zoomed.height);
        ScaleNearest(picture, view);
        return;
    }
    scratch.SetSizeForOverwrite(zoomed.width, zoomed.height);
    ScaleNearest(picture, scratch);
    RotateImage(scratch, view, rotation * 90);
}
