// Opening MPO stereo pairs: the same pair as the side-by-side JPEG made of the two pictures.
#include "stereo_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_error.h"
#include "jpeg_image.h"
#include "mpf_index.h"
#include "test_support.h"

namespace {

TBitmap Decoded(const std::vector<uint8_t>& jpeg) {
    TBitmap bitmap;
    DecodeJpegBytes(jpeg.data(), jpeg.size(), bitmap);
    return bitmap;
}

// The side-by-side picture of two decoded views, built pixel by pixel.
TBitmap SideBySide(const TBitmap& left, const TBitmap& right) {
    TBitmap joined(left.Width() * 2, left.Height());
    for (int32_t y = 0; y < left.Height(); ++y)
        for (int32_t x = 0; x < left.Width() * 2; ++x) {
            const TBitmap& from = x < left.Width() ? left : right;
            for (int c = 0; c < 3; ++c)
                joined.ScanLine(y)[3 * x + c] = from.ScanLine(y)[3 * (x % left.Width()) + c];
        }
    return joined;
}

TBitmap Render(const StereoPair& pair, StereoMode mode, float parallax) {
    StereoViewState state;
    state.scale = 0.75f;
    state.mode = mode;
    state.parallaxX = parallax;
    TBitmap display(40, 30);
    RenderStereoView(pair, state, display);
    return display;
}

TEST(StereoFile, AnMpoPairShowsAsTheSideBySidePictureOfItsTwoPictures) {
    const std::vector<uint8_t> left = EncodeJpeg(NumberedPicture(37, 21));
    const std::vector<uint8_t> right = EncodeJpeg(GradientPicture(37, 21));
    const std::vector<uint8_t> mpo = BuildTestMpo({left, right, EncodeJpeg(NumberedPicture(5, 5))});
    const StereoFile file = ReadStereoBytes(mpo.data(), mpo.size());
    const StereoPair expected = SplitStereoPair(SideBySide(Decoded(left), Decoded(right)));

    EXPECT_TRUE(file.multiPicture);
    EXPECT_TRUE(file.ignoredMetadata.empty());
    ASSERT_EQ(file.pair.halfWidth, 37);
    ASSERT_EQ(file.pair.height, 21);
    for (StereoMode mode : {StereoMode::Left, StereoMode::Right, StereoMode::Anaglyph,
                            StereoMode::HorizontalInterlace, StereoMode::VerticalInterlace})
        for (float parallax : {0.0f, 3.0f, -7.5f})
            EXPECT_TRUE(Render(file.pair, mode, parallax).SamePixels(Render(expected, mode, parallax)))
                << static_cast<int>(mode) << " " << parallax;
}

TEST(StereoFile, OrdinaryJpegsAndPreviewsOnlyFilesSplitAsBefore) {
    const std::vector<uint8_t> wide = EncodeJpeg(NumberedPicture(40, 10));
    const StereoPair expected = SplitStereoPair(Decoded(wide));
    // A camera JPEG whose index lists its own large preview is still one picture.
    const std::vector<uint8_t> withPreview = BuildTestMpo(
        {wide, EncodeJpeg(NumberedPicture(8, 2))}, nullptr, {0x20000000, kMpfTypeLargeThumbnailVga});
    for (const std::vector<uint8_t>& bytes : {wide, withPreview}) {
        const StereoFile file = ReadStereoBytes(bytes.data(), bytes.size());
        EXPECT_FALSE(file.multiPicture);
        EXPECT_EQ(file.pair.halfWidth, 20);
        EXPECT_TRUE(Render(file.pair, StereoMode::Anaglyph, 2).SamePixels(Render(expected, StereoMode::Anaglyph, 2)));
    }
}

TEST(StereoFile, TheCamerasParallaxIsAShareOfThePictureWidth) {
    const std::vector<uint8_t> view = EncodeJpeg(GradientPicture(40, 8));
    struct Case {
        TestParallax parallax;
        std::optional<float> pixels;
        bool ignored;
    };
    const Case cases[] = {
        {{25, 10}, 1.0f, false},   // 2.5 % of 40 is exactly 1
        {{-125, 10}, -5.0f, false},
        {{31, 10}, 1.0f, false},   // 1.24 rounds to 1
        {{38, 10}, 2.0f, false},   // 1.52 rounds to 2
        {{1, 0}, std::nullopt, true},
        {{250, 1}, std::nullopt, true},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> mpo = BuildTestMpo({view, view}, &c.parallax);
        const StereoFile file = ReadStereoBytes(mpo.data(), mpo.size());
        EXPECT_EQ(file.parallaxX, c.pixels) << c.parallax.numerator << "/" << c.parallax.denominator;
        EXPECT_EQ(!file.ignoredMetadata.empty(), c.ignored);
    }
}

TEST(StereoFile, BadPairsAreRefusedOrOpenWithoutTheirIndex) {
    const std::vector<uint8_t> left = EncodeJpeg(GradientPicture(24, 12));
    const std::vector<uint8_t> right = EncodeJpeg(NumberedPicture(24, 12));
    const std::vector<uint8_t> good = BuildTestMpo({left, right});
    const std::size_t secondSize = kTestMpoEntriesAt + 16 + 4;

    std::vector<uint8_t> truncated(good.begin(), good.end() - static_cast<std::ptrdiff_t>(right.size() / 3));
    PutLittle32(truncated, secondSize, static_cast<uint32_t>(right.size() - right.size() / 3 + 16 + 4));
    std::vector<uint8_t> notJpeg = good;
    notJpeg[ReadMpfIndex(good.data(), good.size())[1].offset + 1] = 0x00;  // its start marker
    std::vector<uint8_t> noScan = BuildTestMpo({left, std::vector<uint8_t>(right.begin(), right.begin() + 200)});
    const std::vector<uint8_t> otherSize = BuildTestMpo({left, EncodeJpeg(GradientPicture(24, 13))});

    struct Refusal {
        const char* name;
        const std::vector<uint8_t>* bytes;
        const char* reason;
    };
    const Refusal refusals[] = {
        {"second picture cut short", &truncated, "second picture of the pair is damaged"},
        {"second picture not a JPEG", &notJpeg, "second picture of the pair is damaged"},
        {"second picture without pixels", &noScan, "second picture of the pair is damaged"},
        {"pictures of two sizes", &otherSize, "differ in size (24 x 12 and 24 x 13)"},
    };
    for (const Refusal& r : refusals) {
        try {
            ReadStereoBytes(r.bytes->data(), r.bytes->size());
            ADD_FAILURE() << r.name << ": opened";
        } catch (const ImageError& e) {
            EXPECT_NE(std::string(e.what()).find(r.reason), std::string::npos) << r.name << ": " << e.what();
        }
    }

    // A broken index is metadata that is merely wrong: the file opens as a side-by-side JPEG.
    std::vector<uint8_t> brokenIndex = good;
    PutLittle32(brokenIndex, kTestMpoNumberAt, 4000);
    const StereoFile file = ReadStereoBytes(brokenIndex.data(), brokenIndex.size());
    EXPECT_FALSE(file.multiPicture);
    EXPECT_EQ(file.pair.halfWidth, 12);
    EXPECT_NE(file.ignoredMetadata.find("MPF index"), std::string::npos);
}

}  // namespace
