#include "picture_view.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>


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

namespace {

// Source index of every zoomed index, as ScaleNearest picks it.
int32_t NearestIndex(int64_t zoomedIndex, int32_t size, int32_t zoomedSize) {
    return zoomedSize <= 1 ? 0 : static_cast<int32_t>(zoomedIndex * (size - 1) / (zoomedSize - 1));
}

}  // namespace

ViewPart RenderViewPart(const TBitmap& picture, int zoom, int rotation, ViewPart wanted,
                        TBitmap& part) {
    rotation = ValidRotation(rotation);
    const int32_t w = picture.Width(), h = picture.Height();
    const ViewSize zoomed = ZoomedSize(w, h, zoom);
    const ViewSize view = TurnedViewSize(w, h, zoom, rotation);
    ViewPart clip;
    clip.left = std::clamp(wanted.left, 0, view.width);
    clip.top = std::clamp(wanted.top, 0, view.height);
    clip.width = std::clamp<int64_t>(static_cast<int64_t>(wanted.left) + wanted.width, clip.left, view.width) - clip.left;
    clip.height = std::clamp<int64_t>(static_cast<int64_t>(wanted.top) + wanted.height, clip.top, view.height) - clip.top;
    if (clip.width == 0 || clip.height == 0) clip.width = clip.height = 0;
    part.SetSizeForOverwrite(clip.width, clip.height);
    if (part.Empty()) return clip;

    // A view column walks along one zoomed axis, a view row along the other: for 0 and 180
    // degrees columns follow picture columns, for 90 and 270 they follow picture rows.
    const bool turned = rotation % 2 == 1;
    const bool reverseColumns = rotation == 1 || rotation == 2;  // view x runs against the axis
    const bool reverseRows = rotation == 2 || rotation == 3;
    const int32_t acrossSize = turned ? h : w, acrossZoomed = turned ? zoomed.height : zoomed.width;
    const int32_t alongSize = turned ? w : h, alongZoomed = turned ? zoomed.width : zoomed.height;
    // Per view column: the source index across (a picture column, or a row when turned).
    std::vector<int32_t> across(static_cast<std::size_t>(clip.width));
    for (int32_t i = 0; i < clip.width; ++i) {
        const int64_t vx = static_cast<int64_t>(clip.left) + i;
        across[i] = NearestIndex(reverseColumns ? acrossZoomed - 1 - vx : vx, acrossSize, acrossZoomed);
    }
    // Pixels move as one 4-byte word (the fourth byte is overwritten by the next pixel) except
    // the row's last one and any whose source is the picture's very last pixel, which move as
    // three bytes so nothing is read or written past the end.
    const uint8_t* const last = picture.ScanLine(h - 1) + 3 * static_cast<std::size_t>(w - 1);
    auto movePixels = [&](uint8_t* out, const uint8_t* base, std::size_t step) {
        for (int32_t i = 0; i + 1 < clip.width; ++i, out += 3) {
            const uint8_t* p = base + step * static_cast<std::size_t>(across[i]);
            if (p != last) {
                std::memcpy(out, p, 4);
            } else {
                std::memcpy(out, p, 3);
            }
        }
        std::memcpy(out, base + step * static_cast<std::size_t>(across[clip.width - 1]), 3);
    };
    const bool sameColumns = !turned && zoomed.width == w && !reverseColumns;
    int32_t previousAlong = -1;
    for (int32_t j = 0; j < clip.height; ++j) {
        const int64_t vy = static_cast<int64_t>(clip.top) + j;
        const int32_t along = NearestIndex(reverseRows ? alongZoomed - 1 - vy : vy, alongSize, alongZoomed);
        uint8_t* out = part.ScanLine(j);
        if (j > 0 && along == previousAlong) {  // zoomed in: the row above again
            std::memcpy(out, part.ScanLine(j - 1), 3 * static_cast<std::size_t>(clip.width));
            continue;
        }
        previousAlong = along;
        if (sameColumns) {  // 100% without a turn: the row's own bytes
            std::memcpy(out, picture.ScanLine(along) + 3 * static_cast<std::size_t>(clip.left),
                        3 * static_cast<std::size_t>(clip.width));
        } else if (!turned) {
            movePixels(out, picture.ScanLine(along), 3);
        } else {
            movePixels(out, picture.Bits() + 3 * static_cast<std::size_t>(along), picture.Stride());
        }
    }
    return clip;
}
