#include "partial_panorama.h"

#include <cmath>
#include <cstring>

#include "file_error.h"
#include "jpeg_image.h"
#include "number_format.h"
#include "panorama_source.h"

namespace {

// Heading in 0..360.
double WrapDegrees(double value) {
    double wrapped = std::fmod(value, 360.0);
    if (wrapped < 0.0) wrapped += 360.0;
    return wrapped;
}

}  // namespace

PanoramaPicture PlacePanorama(TBitmap decoded, const GPanoReading& reading) {
    PanoramaPicture result;
    result.ignoredReason = reading.ignoredReason;
    if (!reading.area) {
        result.picture = std::move(decoded);
        return result;
    }
    const GPanoArea& a = *reading.area;
    if (a.croppedWidth == a.fullWidth && a.croppedHeight == a.fullHeight) {
        result.picture = std::move(decoded);  // the whole sphere: nothing to place
        return result;
    }
    if (a.fullWidth > kMaxPanoramaSide || a.fullHeight > kMaxPanoramaSide ||
        a.fullWidth * a.fullHeight > kMaxPartialCanvasPixels) {
        result.ignoredReason = "GPano full panorama size " + std::to_string(a.fullWidth) + " x " +
                               std::to_string(a.fullHeight) + " is too large";
        result.picture = std::move(decoded);
        return result;
    }

    TBitmap canvas;
    canvas.SetSizeForOverwrite(static_cast<int32_t>(a.fullWidth), static_cast<int32_t>(a.fullHeight));
    const std::size_t rowBytes = static_cast<std::size_t>(a.fullWidth) * 3;
    const std::size_t leftBytes = static_cast<std::size_t>(a.left) * 3;
    const std::size_t cropBytes = static_cast<std::size_t>(a.croppedWidth) * 3;
    for (int32_t y = 0; y < canvas.Height(); ++y) {
        uint8_t* row = canvas.ScanLine(y);
        const int64_t sourceY = y - a.top;
        if (sourceY < 0 || sourceY >= a.croppedHeight) {
            std::memset(row, kUncoveredLevel, rowBytes);
            continue;
        }
        std::memset(row, kUncoveredLevel, leftBytes);
        std::memcpy(row + leftBytes, decoded.ScanLine(static_cast<int32_t>(sourceY)), cropBytes);
        std::memset(row + leftBytes + cropBytes, kUncoveredLevel, rowBytes - leftBytes - cropBytes);
    }
    result.picture = std::move(canvas);
    result.partial = true;
    result.coveredWidthDegrees = 360.0 * static_cast<double>(a.croppedWidth) / a.fullWidth;
    result.coveredHeightDegrees = 180.0 * static_cast<double>(a.croppedHeight) / a.fullHeight;

    // Column c of the canvas is the renderer's heading 360 c / W; pitch 0 is the middle row.
    // Compass headings count from the full picture's centre, which lies at PoseHeading.
    if (a.initialHeading) {
        const double pose = a.poseHeading.value_or(0.0);
        result.startAlpha = WrapDegrees(*a.initialHeading - pose + 180.0);
    } else {
        const double centre = static_cast<double>(a.left) + a.croppedWidth / 2.0;
        result.startAlpha = WrapDegrees(360.0 * centre / a.fullWidth);
    }
    if (a.initialPitch) {
        result.startBetta = *a.initialPitch;
    } else {
        const double centre = static_cast<double>(a.top) + a.croppedHeight / 2.0;
        result.startBetta = 90.0 - 180.0 * centre / a.fullHeight;
    }
    return result;
}

PanoramaPicture LoadPanoramaPicture(const std::string& path) {
    return NamingFileInErrors(path, [&] {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(path);
        TBitmap decoded;
        const JpegDecodeReport report = jpeg.DecodeTo(decoded);
        const GPanoReading reading =
            ReadGPano(jpeg.Bytes().data(), jpeg.Bytes().size(), decoded.Width(), decoded.Height());
        PanoramaPicture placed = PlacePanorama(std::move(decoded), reading);
        placed.decodeReport = report;
        return placed;
    });
}

std::string CoverageText(const PanoramaPicture& picture) {
    return FormatText("%.0f x %.0f degrees", picture.coveredWidthDegrees,
                      picture.coveredHeightDegrees);
}
