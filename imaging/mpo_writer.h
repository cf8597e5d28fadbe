#pragma once
// Writing MPO files and XMP metadata: how the sample generator and the fuzz seed maker build
// the multi-picture and partial-panorama files the viewers read. No Qt.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gpano_xmp.h"

// Joins whole JPEG pictures (each starting with its start marker) into one MPO file of stereo
// views: an MPF index after the first picture's start marker, an attribute segment after each
// further picture's, with the Parallax value (percent of the width) for the second when given.
// Throws ImageError when a picture is not a JPEG or the file would exceed 4 GiB.
std::vector<uint8_t> JoinMpoPictures(const std::vector<std::vector<uint8_t>>& pictures,
                                     std::optional<double> secondParallaxPercent);

// The JPEG with an application segment (marker 0xE0..0xEF, data as given) inserted right after
// its start marker. Throws ImageError when the data does not fit one segment or the bytes are
// not a JPEG.
std::vector<uint8_t> InsertJpegSegment(const std::vector<uint8_t>& jpeg, uint8_t marker,
                                       const std::string& data);

// The JPEG with the XMP packet in its standard APP1 segment.
std::vector<uint8_t> InsertXmpPacket(const std::vector<uint8_t>& jpeg, const std::string& packet);

// An XMP packet holding the area's GPano properties (the optional ones when set) as attributes.
std::string GPanoXmpPacket(const GPanoArea& area);
