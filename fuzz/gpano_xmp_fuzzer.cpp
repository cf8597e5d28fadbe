// The XMP packet of a JPEG and its GPano cropped-area properties, parsed with expat: never a
// crash or sanitizer report; a usable area lies inside the whole, matches the picture's size,
// and places into a canvas whose covered part is the picture. The first byte picks whether
// the rest is a JPEG file or a packet on its own (so the parser gets text directly).
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "gpano_xmp.h"
#include "partial_panorama.h"

namespace {

void CheckPlacement(const GPanoArea& a) {
    // Canvases of every size are made the same way; small ones keep the runs fast.
    if (a.fullWidth * a.fullHeight > (1 << 16)) return;
    TBitmap picture(static_cast<int32_t>(a.croppedWidth), static_cast<int32_t>(a.croppedHeight));
    for (int32_t y = 0; y < picture.Height(); ++y)
        std::memset(picture.ScanLine(y), 0x5A, static_cast<std::size_t>(picture.Width()) * 3);
    GPanoReading reading;
    reading.area = a;
    const PanoramaPicture placed = PlacePanorama(picture, reading);
    FUZZ_CHECK(placed.picture.Width() == a.fullWidth && placed.picture.Height() == a.fullHeight);
    const uint8_t* corner = placed.picture.ScanLine(static_cast<int32_t>(a.top)) + a.left * 3;
    FUZZ_CHECK(corner[0] == 0x5A);
    if (placed.startAlpha) FUZZ_CHECK(*placed.startAlpha >= 0.0 && *placed.startAlpha < 360.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzReader in(data, size);
    const bool packetOnly = in.Flag();
    const int32_t width = static_cast<int32_t>(in.Below(300));
    const int32_t height = static_cast<int32_t>(in.Below(300));
    GPanoReading reading;
    if (packetOnly) {
        const std::string packet(reinterpret_cast<const char*>(in.Rest()), in.RestSize());
        reading = ParseGPanoXmp(packet, width, height);
    } else {
        const std::optional<std::string> packet = ExtractXmpPacket(in.Rest(), in.RestSize());
        if (packet) FUZZ_CHECK(packet->size() < 65536);
        reading = ReadGPano(in.Rest(), in.RestSize(), width, height);
    }
    if (!reading.area) return 0;
    FUZZ_CHECK(reading.ignoredReason.empty());
    const GPanoArea& a = *reading.area;
    FUZZ_CHECK(a.croppedWidth == width && a.croppedHeight == height);
    FUZZ_CHECK(a.left >= 0 && a.top >= 0 && a.left + a.croppedWidth <= a.fullWidth &&
               a.top + a.croppedHeight <= a.fullHeight);
    if (a.initialPitch) FUZZ_CHECK(*a.initialPitch >= -90.0 && *a.initialPitch <= 90.0);
    CheckPlacement(a);
    return 0;
}
