// The MPF index of MPO files and the stereo loader built on it: never a crash or sanitizer
// report; every listed picture lies inside the bytes, no more than the limit are listed, a
// parallax is a finite share of the width, and a pair that opens has two halves of one size.
#include <cmath>
#include <cstdint>

#include "fuzz_check.h"
#include "image_error.h"
#include "mpf_index.h"
#include "stereo_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    try {
        const std::vector<MpfPicture> pictures = ReadMpfIndex(data, size);
        FUZZ_CHECK(pictures.size() <= kMaxMpfPictures);
        for (const MpfPicture& p : pictures) {
            FUZZ_CHECK(p.offset <= size && p.size <= size - p.offset && p.size > 0);
            const MpfParallax parallax = ReadMpfParallax(data + p.offset, p.size);
            FUZZ_CHECK(!(parallax.percent && parallax.unusable));
            if (parallax.percent) FUZZ_CHECK(std::fabs(*parallax.percent) <= 100.0);
        }
    } catch (const ImageError&) {
    }
    try {
        const StereoFile file = ReadStereoBytes(data, size);
        FUZZ_CHECK(file.pair.first.Width() == file.pair.second.Width());
        FUZZ_CHECK(file.pair.first.Height() == file.pair.second.Height());
        if (file.parallaxX) FUZZ_CHECK(std::fabs(*file.parallaxX) <= file.pair.halfWidth + 1.0f);
    } catch (const ImageError&) {
    }
    return 0;
}
