#include "stereo_file.h"

#include <cmath>
#include <new>
#include <vector>

#include "file_error.h"
#include "image_error.h"
#include "jpeg_image.h"
#include "mpf_index.h"

namespace {

bool IsPreview(const MpfPicture& p) {
    return p.type == kMpfTypeLargeThumbnailVga || p.type == kMpfTypeLargeThumbnailHd;
}

// A picture of the pair must decode whole: a grey lower part would show as a depth error.
TBitmap DecodeWhole(const uint8_t* bytes, const MpfPicture& picture, const char* which) {
    TBitmap bitmap;
    try {
        const JpegDecodeReport report = DecodeJpegBytes(bytes + picture.offset, picture.size, bitmap);
        if (!report.complete) throw ImageError("its data ends early");
    } catch (const ImageError& e) {
        throw ImageError(std::string("the ") + which + " picture of the pair is damaged: " + e.what());
    }
    return bitmap;
}

}  // namespace

StereoFile ReadStereoBytes(const uint8_t* bytes, std::size_t size) {
    StereoFile file;
    std::vector<MpfPicture> pictures;
    try {
        pictures = ReadMpfIndex(bytes, size);
    } catch (const ImageError& e) {
        file.ignoredMetadata = e.what();
    }
    std::vector<MpfPicture> views;
    for (const MpfPicture& p : pictures)
        if (!IsPreview(p) && views.size() < 2) views.push_back(p);

    if (views.size() < 2) {
        TBitmap whole;
        file.report = DecodeJpegBytes(bytes, size, whole);
        file.pair = SplitStereoPair(whole);
        return file;
    }

    const TBitmap first = DecodeWhole(bytes, views[0], "first");
    const TBitmap second = DecodeWhole(bytes, views[1], "second");
    if (first.Width() != second.Width() || first.Height() != second.Height())
        throw ImageError("the pictures of the pair differ in size (" + std::to_string(first.Width()) +
                         " x " + std::to_string(first.Height()) + " and " +
                         std::to_string(second.Width()) + " x " + std::to_string(second.Height()) +
                         ")");
    try {
        file.pair.first = PackedPixels::FromColumns(first, 0, first.Width());
        file.pair.second = PackedPixels::FromColumns(second, 0, second.Width());
    } catch (const std::bad_alloc&) {
        throw ImageError("Not enough memory for a stereo pair of " + std::to_string(first.Width()) +
                         " x " + std::to_string(first.Height()) + " pixels");
    }
    file.pair.halfWidth = first.Width();
    file.pair.height = first.Height();
    file.multiPicture = true;

    const MpfParallax parallax = ReadMpfParallax(bytes + views[1].offset, views[1].size);
    if (parallax.unusable) file.ignoredMetadata = "the Parallax value of the MPF attributes is unusable";
    if (parallax.percent)
        file.parallaxX = static_cast<float>(std::lround(*parallax.percent * first.Width() / 100.0));
    return file;
}

StereoFile LoadStereoFile(const std::string& path) {
    return NamingFileInErrors(path, [&] {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(path);
        return ReadStereoBytes(jpeg.Bytes().data(), jpeg.Bytes().size());
    });
}
