#pragma once
// Reading a stereo photograph from a file: a side-by-side JPEG, or an MPO file whose MPF index
// lists the two pictures of the pair. Plain C++, no Qt.
#include <optional>
#include <string>

#include "jpeg_image.h"
#include "stereo_composition.h"

struct StereoFile {
    StereoPair pair;
    bool multiPicture = false;  // the pair came from the two pictures of an MPO file
    // The starting horizontal parallax the camera stored, in source pixels (rounded).
    std::optional<float> parallaxX;
    // Metadata the viewer could not use (a broken MPF index, an unreadable parallax), with the
    // reason; the pair opens as it would without it. Empty when there was none.
    std::string ignoredMetadata;
    // How the picture of a side-by-side file decoded (a batch refuses one that ended early; the
    // two pictures of an MPO file are refused when either does).
    JpegDecodeReport report;
};

// Decodes the bytes of a file into a pair. A JPEG without an MPF index, or whose index lists
// fewer than two pictures other than previews, is split into its halves as before. Otherwise
// the first two pictures are the halves, exactly as a side-by-side JPEG made of them would
// give. A broken index is ignored (the file opens as a side-by-side JPEG). Throws ImageError
// (without the file's name) when a picture does not decode or the second is cut short, and
// when the pictures of the pair differ in size.
StereoFile ReadStereoBytes(const uint8_t* bytes, std::size_t size);

// Reads the file and calls ReadStereoBytes; errors name the file first.
StereoFile LoadStereoFile(const std::string& path);
