// The object viewer's frames from arbitrary bytes: the header size the loader trusts agrees
// with what the decoder delivers, and a step drawn through the display-size frame cache is
// byte for byte the picture of decoding both frames and composing them directly, whatever the
// frames hold (damaged, greyscale, CMYK, of two different sizes).
//
// The whole input is frame 0, so picture seeds work as they are; its last three bytes also
// choose the display size, the mode and the swap, and where frame 1 (a prefix of the input, or
// the same bytes) is cut.
#include <cstdint>
#include <cstring>
#include <vector>

#include "frame_cache.h"
#include "fuzz_check.h"
#include "image_error.h"
#include "jpeg_image.h"
#include "object_display.h"
#include "object_frames.h"

namespace {

// Frames above this many pixels are left out: they only slow the run down.
constexpr uint64_t kPixelLimit = 1u << 20;

// The loader's view of one stream, and its decode (grey where the pixel data broke off).
bool LoadFrame(const uint8_t* data, std::size_t size, ObjectFrame& frame, TBitmap& decoded) {
    JpegSize header;
    bool headerRead = true;
    try {
        header = JpegHeaderSize(data, size);
    } catch (const ImageError&) {
        headerRead = false;
    }
    if (headerRead && static_cast<uint64_t>(header.width) * header.height > kPixelLimit)
        return false;
    try {
        DecodeJpegBytes(data, size, decoded);
    } catch (const ImageError&) {
        if (!headerRead) return false;
        // Refused as damaged before the target changed, or broken inside the pixel data with
        // the picture left at its header's size.
        if (decoded.Empty()) return false;
        FUZZ_CHECK(decoded.Width() == header.width && decoded.Height() == header.height);
    }
    // A stream the loader skips for its header never decodes.
    FUZZ_CHECK(headerRead);
    FUZZ_CHECK(decoded.Width() == header.width && decoded.Height() == header.height);
    frame.picture.LoadFromBytes(std::vector<uint8_t>(data, data + size));
    frame.width = header.width;
    frame.height = header.height;
    return header.width > 0 && header.height > 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const uint8_t* tail = data + size - 3;
    const int32_t width = 1 + tail[0] % 48;
    const int32_t height = 1 + tail[1] % 48;
    const ObjectViewMode mode = static_cast<ObjectViewMode>(tail[2] & 3);
    const bool swap = (tail[2] & 4) != 0;
    const std::size_t cut = (tail[2] >> 3) == 0 ? size : size * (tail[2] >> 3) / 32;

    std::vector<ObjectFrame> frames(2);
    std::vector<TBitmap> decoded(2);
    if (!LoadFrame(data, size, frames[0], decoded[0])) return 0;
    const bool second = LoadFrame(data, cut, frames[1], decoded[1]);
    if (!second) {
        frames.pop_back();
        decoded.pop_back();
    }
    const int32_t count = static_cast<int32_t>(frames.size());

    FrameDisplayCache cache(TBitmap::StrideFor(width) * height);  // room for one picture
    cache.Reset(count, width, height);
    TBitmap display(width, height), direct(width, height);
    for (int32_t current = 0; current < count; ++current) {
        cache.Render(frames, current, mode, swap, display);
        const TBitmap& next = decoded[static_cast<std::size_t>((current + 1) % count)];
        ComposeObjectViewDirect(mode, swap, decoded[static_cast<std::size_t>(current)], next,
                                direct);
        FUZZ_CHECK(display.SamePixels(direct));
    }
    FUZZ_CHECK(cache.KeptCount() == 1);
    FUZZ_CHECK(cache.TakeDamageReports().size() <= frames.size());
    return 0;
}
