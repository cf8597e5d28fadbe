#pragma once
// Finding an application segment among the header segments of a JPEG held in memory, without
// decoding it: how the metadata readers reach what cameras store there. Every length is
// checked against the bytes at hand.
#include <cstddef>
#include <cstdint>
#include <optional>

struct JpegSegmentData {
    std::size_t start = 0;       // first byte after the signature
    std::size_t size = 0;        // bytes from there to the segment's end
    std::size_t segmentEnd = 0;  // first byte after the whole segment
};

// The first segment with this marker (0xE1 for APP1, ...) whose data starts with the
// signature's bytes, among the segments before the first scan. Nothing when the bytes do not
// start like a JPEG, the header is damaged before such a segment, or there is none.
std::optional<JpegSegmentData> FindJpegSegment(const uint8_t* bytes, std::size_t size,
                                               uint8_t marker, const char* signature,
                                               std::size_t signatureSize);
