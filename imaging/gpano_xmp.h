#pragma once
// The GPano properties a panorama maker writes into a JPEG's XMP packet to say that the
// picture covers only part of the sphere. The packet is found by hand (a bounded walk over the
// header segments) and parsed with expat. No Qt.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct GPanoArea {
    int64_t fullWidth = 0, fullHeight = 0;        // the whole sphere, in pixels
    int64_t croppedWidth = 0, croppedHeight = 0;  // what the picture covers
    int64_t left = 0, top = 0;                    // where it lies in the whole
    std::optional<double> poseHeading;            // compass heading of the full picture's centre
    std::optional<double> initialHeading;         // where the first view looks
    std::optional<double> initialPitch;
};

// What the picture's metadata says about its place on the sphere.
struct GPanoReading {
    std::optional<GPanoArea> area;  // usable cropped-area properties
    // Why properties that were there cannot be used ("" when there were none or they are fine);
    // the picture then shows as if it had none.
    std::string ignoredReason;
};

// The XMP packet of the JPEG's standard XMP APP1 segment, or nothing. Only the header
// segments before the first scan are looked at; a segment is at most 64 KiB, which bounds the
// packet.
std::optional<std::string> ExtractXmpPacket(const uint8_t* bytes, std::size_t size);

// The GPano cropped-area properties of an XMP packet, checked against the picture's own size:
// every size positive, the crop inside the whole, the cropped size that of the picture.
// Properties may be attributes or elements. A packet that is not well-formed, holds a document
// type declaration, or gives a value that is not a number is ignored with a reason.
GPanoReading ParseGPanoXmp(const std::string& packet, int32_t pictureWidth, int32_t pictureHeight);

// Both steps on a JPEG's bytes.
GPanoReading ReadGPano(const uint8_t* bytes, std::size_t size, int32_t pictureWidth,
                       int32_t pictureHeight);
