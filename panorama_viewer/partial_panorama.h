#pragma once
// Panoramas that cover only part of the sphere: a cropped equirectangular picture whose GPano
// metadata says where it lies in the whole. The picture is pasted into a canvas of the whole
// size, so the renderer sees an ordinary full panorama and costs what a full one costs.
// Plain C++, no Qt.
#include <cstdint>
#include <optional>
#include <string>

#include "bitmap.h"
#include "gpano_xmp.h"
#include "jpeg_image.h"

// The largest canvas made for a partial panorama (about 384 MB of pixels); a claim of a
// larger whole is ignored.
constexpr int64_t kMaxPartialCanvasPixels = int64_t{128} * 1024 * 1024;

// The directions the canvas leaves uncovered show as this colour (black).
constexpr uint8_t kUncoveredLevel = 0;

struct PanoramaPicture {
    TBitmap picture;       // what the renderer samples: the canvas, or the decoded picture as is
    bool partial = false;  // the picture was placed into a larger canvas
    double coveredWidthDegrees = 360.0, coveredHeightDegrees = 180.0;
    // Where the first view looks (heading 0..360 as the renderer's alpha, pitch as its betta);
    // nothing for a full panorama, which opens looking where it always did.
    std::optional<double> startAlpha, startBetta;
    std::string ignoredReason;  // metadata that was there but unusable, and why
    JpegDecodeReport decodeReport;  // whether the file's picture data arrived whole
};

// Places decoded at its place on the sphere when reading holds a usable area that is smaller
// than the whole; otherwise hands decoded on unchanged. A whole beyond kMaxPartialCanvasPixels,
// or with a side beyond the renderer's limit, is ignored with a reason. Throws ImageError when
// the canvas cannot be allocated.
PanoramaPicture PlacePanorama(TBitmap decoded, const GPanoReading& reading);

// Reads and decodes the file and places it; errors name the file.
PanoramaPicture LoadPanoramaPicture(const std::string& path);

// "180 x 90 degrees": how much of the sphere a partial panorama covers.
std::string CoverageText(const PanoramaPicture& picture);
