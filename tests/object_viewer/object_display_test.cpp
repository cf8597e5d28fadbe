#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "frame_cache.h"
#include "jpeg_image.h"
#include "object_display.h"
#include "test_support.h"

namespace {

const ObjectViewMode kModes[] = {ObjectViewMode::Mono, ObjectViewMode::Anaglyph,
                                 ObjectViewMode::HorizontalInterlace,
                                 ObjectViewMode::VerticalInterlace};

TEST(ObjectDisplay, FitKeepsTheFrameShapeAndCentresTheRest) {
    const struct {
        int32_t fw, fh, aw, ah;
        DisplayFit fit;
    } cases[] = {
        {6000, 4000, 807, 600, {0, 31, 807, 538}},  // frame wider: full width, centred
        {4000, 6000, 807, 600, {203, 0, 400, 600}},  // taller frame: full height, centred
        {800, 600, 800, 600, {0, 0, 800, 600}},     // exact fit, no pixel lost to rounding
        {1000, 1, 640, 480, {0, 240, 640, 0}},      // thinner than a display row: nothing shown
        {100, 100, 301, 100, {100, 0, 100, 100}},   // odd leftover: the extra pixel on the right
        {0, 10, 800, 600, {0, 0, 0, 0}},
        {10, 10, 800, 0, {0, 0, 0, 0}},
    };
    auto tie = [](const DisplayFit& f) { return std::make_tuple(f.left, f.top, f.width, f.height); };
    for (const auto& c : cases)
        EXPECT_EQ(tie(FitDisplay(c.fw, c.fh, c.aw, c.ah)), tie(c.fit))
            << c.fw << "x" << c.fh << " in " << c.aw << "x" << c.ah;
}

std::vector<int> PixelAt(const TBitmap& picture, int32_t x, int32_t y) {
    const uint8_t* p = picture.ScanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

TEST(ObjectDisplay, ModesTakeTheirBytesFromTheRightFrame) {
    const TBitmap current = SolidPicture(2, 2, 10, 20, 30);
    const TBitmap next = SolidPicture(2, 2, 40, 50, 60);
    using P = std::vector<int>;
    const P c{10, 20, 30}, n{40, 50, 60};
    const struct {
        ObjectViewMode mode;
        bool swap;
        P at00, at10, at01;  // display pixels (0,0), (1,0), (0,1)
    } cases[] = {
        {ObjectViewMode::Mono, false, c, c, c},
        {ObjectViewMode::Mono, true, c, c, c},
        {ObjectViewMode::Anaglyph, false, {10, 20, 60}, {10, 20, 60}, {10, 20, 60}},
        {ObjectViewMode::Anaglyph, true, {40, 50, 30}, {40, 50, 30}, {40, 50, 30}},
        {ObjectViewMode::HorizontalInterlace, false, n, n, c},
        {ObjectViewMode::HorizontalInterlace, true, c, c, n},
        {ObjectViewMode::VerticalInterlace, false, n, c, n},
        {ObjectViewMode::VerticalInterlace, true, c, n, c},
    };
    for (const auto& k : cases) {
        TBitmap fast(2, 2), direct(2, 2);
        ComposeObjectView(k.mode, k.swap, current, next, fast);
        ComposeObjectViewDirect(k.mode, k.swap, current, next, direct);
        for (const TBitmap* shown : {&fast, &direct}) {
            EXPECT_EQ(PixelAt(*shown, 0, 0), k.at00) << static_cast<int>(k.mode) << k.swap;
            EXPECT_EQ(PixelAt(*shown, 1, 0), k.at10) << static_cast<int>(k.mode) << k.swap;
            EXPECT_EQ(PixelAt(*shown, 0, 1), k.at01) << static_cast<int>(k.mode) << k.swap;
        }
    }
}

TEST(ObjectDisplay, SampledThenComposedEqualsThePixelByPixelPicture) {
    const struct {
        int32_t w1, h1, w2, h2, dw, dh;
    } sizes[] = {
        {37, 23, 37, 23, 11, 7},   // shrunk by an uneven ratio
        {5, 3, 5, 3, 17, 13},      // enlarged: repeated rows and columns
        {40, 30, 13, 50, 21, 16},  // a next frame of another size: sampled within its own bounds
        {9, 9, 9, 9, 1, 1},
        {60, 40, 60, 40, 37, 5},   // rows of several 16-pixel runs and a rest
    };
    for (const auto& s : sizes)
        for (const ObjectViewMode mode : kModes)
            for (const bool swap : {false, true}) {
                const TBitmap f1 = NumberedPicture(s.w1, s.h1);
                const TBitmap f2 = GradientPicture(s.w2, s.h2);
                TBitmap d1(s.dw, s.dh), d2(s.dw, s.dh), fast(s.dw, s.dh), direct(s.dw, s.dh);
                SampleFrameToDisplay(f1, d1);
                SampleFrameToDisplay(f2, d2);
                ComposeObjectView(mode, swap, d1, d2, fast);
                ComposeObjectViewDirect(mode, swap, f1, f2, direct);
                EXPECT_TRUE(fast.SamePixels(direct))
                    << s.w1 << "x" << s.h1 << " to " << s.dw << "x" << s.dh << " mode "
                    << static_cast<int>(mode) << " swap " << swap;
            }
}

TEST(ObjectDisplay, StatusTextsFollowTheLanguageAnyOtherValueBeingRussian) {
    const struct {
        ObjectViewMode mode;
        int32_t current, count;
        const char* language;
        const char* frame;
    } cases[] = {
        {ObjectViewMode::Mono, 3, 36, "eng", "Image 3 from 36"},
        {ObjectViewMode::Mono, 3, 36, "rus", "Изображение 3 из 36"},
        {ObjectViewMode::Mono, 3, 36, "deu", "Изображение 3 из 36"},
        {ObjectViewMode::Anaglyph, 35, 36, "eng", "Images 35,0 from 36"},
        {ObjectViewMode::VerticalInterlace, 0, 1, "eng", "Images 0,0 from 1"},
        {ObjectViewMode::HorizontalInterlace, 4, 9, "", "Изображения 4,5 из 9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FrameStatusText(c.mode, c.current, c.count, c.language), c.frame);
    EXPECT_EQ(ResolutionText(6000, 4000, "eng"), "Resolution: 6000x4000");
    EXPECT_EQ(ResolutionText(6000, 4000, "Eng"), "Разрешение: 6000x4000");
}

// Frames whose pictures the cache makes: small JPEGs of the sizes given.
std::vector<ObjectFrame> Frames(const std::vector<std::pair<int32_t, int32_t>>& sizes) {
    std::vector<ObjectFrame> frames;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        ObjectFrame frame;
        frame.path = "frame" + std::to_string(i) + ".jpg";
        TBitmap picture = NumberedPicture(sizes[i].first, sizes[i].second);
        picture.ScanLine(0)[0] = static_cast<uint8_t>(40 * i);  // frames differ
        frame.picture.CompressionQuality = 95;
        frame.picture.Assign(picture);
        frame.width = sizes[i].first;
        frame.height = sizes[i].second;
        frames.push_back(std::move(frame));
    }
    return frames;
}

TBitmap Uncached(const std::vector<ObjectFrame>& frames, int32_t current, ObjectViewMode mode,
                 bool swap, int32_t width, int32_t height) {
    TBitmap first, second, display(width, height);
    frames[static_cast<std::size_t>(current)].picture.DecodeTo(first);
    frames[(static_cast<std::size_t>(current) + 1) % frames.size()].picture.DecodeTo(second);
    ComposeObjectViewDirect(mode, swap, first, second, display);
    return display;
}

TEST(FrameDisplayCache, CachedStepsEqualDecodingBothFramesEveryTime) {
    const std::vector<ObjectFrame> frames = Frames({{30, 20}, {30, 20}, {24, 26}, {30, 20}});
    const TBitmap picture = NumberedPicture(1, 1);
    const std::size_t frameBytes = TBitmap::StrideFor(13) * 9;
    for (const std::size_t budget : {std::size_t{1} << 20, frameBytes * 2, std::size_t{0}}) {
        FrameDisplayCache cache(budget);
        cache.Reset(4, 13, 9);
        TBitmap display(13, 9);
        // Two turns in every mode: the first fills the cache, the second reads it.
        for (int turn = 0; turn < 2; ++turn)
            for (const ObjectViewMode mode : kModes)
                for (int32_t current = 0; current < 4; ++current) {
                    cache.Render(frames, current, mode, turn == 1, display);
                    EXPECT_TRUE(display.SamePixels(Uncached(frames, current, mode, turn == 1, 13, 9)))
                        << "budget " << budget << " frame " << current;
                }
        EXPECT_EQ(cache.KeptCount(), budget == 0 ? 0 : budget == frameBytes * 2 ? 2 : 4);
        EXPECT_LE(cache.BytesKept(), budget);
    }
}

TEST(FrameDisplayCache, IdleFillingMakesEachMissingPictureOnceInPlayOrder) {
    const std::vector<ObjectFrame> frames = Frames({{8, 8}, {8, 8}, {8, 8}, {8, 8}, {8, 8}});
    FrameDisplayCache cache(TBitmap::StrideFor(4) * 4 * 3);  // room for three
    cache.Reset(5, 4, 4);
    EXPECT_TRUE(cache.FillOne(frames, 3, -1));
    EXPECT_TRUE(cache.Has(3));
    EXPECT_TRUE(cache.FillOne(frames, 3, -1));
    EXPECT_TRUE(cache.Has(2));
    EXPECT_FALSE(cache.FillOne(frames, 3, -1));  // the third fills the budget
    EXPECT_TRUE(cache.Has(1));
    EXPECT_FALSE(cache.Has(0));
    EXPECT_FALSE(cache.FillOne(frames, 0, 1));
    cache.Reset(5, 4, 4);  // a new size or sequence drops everything
    EXPECT_EQ(cache.KeptCount(), 0);
    EXPECT_FALSE(cache.Has(3));
}

TEST(FrameDisplayCache, FrameBrokenInsideItsPixelsShowsWhatDecodedAndIsReportedOnce) {
    std::vector<ObjectFrame> frames = Frames({{64, 64}, {64, 64}});
    frames[1].picture.LoadFromBytes(FatallyDamagedJpeg(NumberedPicture(64, 64)));
    FrameDisplayCache cache;
    cache.Reset(2, 16, 16);
    TBitmap display(16, 16);
    cache.Render(frames, 1, ObjectViewMode::Mono, false, display);
    EXPECT_EQ(display.ScanLine(15)[45], 128) << "the part never decoded is grey";
    cache.Render(frames, 0, ObjectViewMode::Anaglyph, false, display);
    const std::vector<SkippedFrame> reports = cache.TakeDamageReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].path, "frame1.jpg");
    EXPECT_EQ(reports[0].reason, "Bogus Huffman table definition");
    EXPECT_TRUE(cache.TakeDamageReports().empty());
}

}  // namespace
