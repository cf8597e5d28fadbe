#include "jpeg_segments.h"

#include <cstring>

std::optional<JpegSegmentData> FindJpegSegment(const uint8_t* data, std::size_t size,
                                               uint8_t wanted, const char* signature,
                                               std::size_t signatureSize) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return std::nullopt;
    std::size_t at = 2;
    while (size - at >= 4) {
        if (data[at] != 0xFF) return std::nullopt;  // not a marker: the header is damaged
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // a fill byte before the marker
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return std::nullopt;  // the scan or the end
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {  // no length field
            at += 2;
            continue;
        }
        const std::size_t length = std::size_t{data[at + 2]} << 8 | data[at + 3];
        if (length < 2 || length > size - (at + 2)) return std::nullopt;
        const std::size_t payload = at + 4;
        const std::size_t payloadSize = length - 2;
        if (marker == wanted && payloadSize >= signatureSize &&
            std::memcmp(data + payload, signature, signatureSize) == 0)
            return JpegSegmentData{payload + signatureSize, payloadSize - signatureSize,
                                   payload + payloadSize};
        at = payload + payloadSize;
    }
    return std::nullopt;
}
