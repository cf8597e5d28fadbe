// JPEG decoding from bytes: never a crash or sanitizer report, and the loader's promises hold.
// A failure leaves the target as it was, or (pixel data broken after a valid header) sized
// to the picture; a success gives the picture's own size, and the same pixels whatever
// storage the target held before. Transcoding a band of rows at a time gives the bytes of the
// whole decode encoded again, and refuses what the whole decode finds damaged or refuses.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "image_error.h"
#include "jpeg_image.h"

namespace {

void Fill(TBitmap& bitmap, uint8_t value) {
    for (int32_t y = 0; y < bitmap.Height(); ++y)
        std::memset(bitmap.ScanLine(y), value, static_cast<std::size_t>(bitmap.Width()) * 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    uint32_t width = 0, height = 0;
    const bool header = ReadJpegSize(data, size, width, height);

    TBitmap target(5, 3);
    Fill(target, 0x5A);
    const TBitmap before = target;
    JpegDecodeReport report;
    TBitmap band;
    EncodedBytes transcoded;
    try {
        report = DecodeJpegBytes(data, size, target);
    } catch (const ImageError& error) {
        bool refused = false;
        try {
            TranscodeJpeg(data, size, 90, nullptr, band, transcoded);
        } catch (const ImageError&) {
            refused = true;
        }
        FUZZ_CHECK(refused);
        FUZZ_CHECK(error.what()[0] != '\0');
        if (!target.SamePixels(before) || target.Width() != 5 || target.Height() != 3)
            FUZZ_CHECK(header && static_cast<uint32_t>(target.Width()) == width &&
                       static_cast<uint32_t>(target.Height()) == height);
        return 0;
    }
    FUZZ_CHECK(header);
    FUZZ_CHECK(static_cast<uint32_t>(target.Width()) == width &&
               static_cast<uint32_t>(target.Height()) == height);

    // Storage reuse: a bitmap that held other bytes must come out the same.
    if (static_cast<uint64_t>(width) * height <= 128 * 128) {
        TBitmap reused(128, 128);
        Fill(reused, 0xFF);
        DecodeJpegBytes(data, size, reused);
        FUZZ_CHECK(reused.SamePixels(target));

        bool refused = false;
        try {
            TranscodeJpeg(data, size, 90, nullptr, band, transcoded);
        } catch (const ImageError&) {
            refused = true;
        }
        FUZZ_CHECK(refused == !DamagedSourceReason(report, target.Height()).empty());
        if (!refused)
            FUZZ_CHECK(std::vector<uint8_t>(transcoded.begin(), transcoded.end()) ==
                       EncodeJpeg(target, 90));
    }
    return 0;
}
