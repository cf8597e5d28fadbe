// Partial panoramas: the cropped picture placed on the sphere renders as the same picture
// pasted into a full-size canvas by hand.
#include "partial_panorama.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "image_error.h"
#include "mpo_writer.h"
#include "panorama_geometry.h"
#include "jpeg_image.h"
#include "panorama_renderer.h"
#include "panorama_steering.h"
#include "test_support.h"

namespace {

TBitmap Noise(int32_t w, int32_t h) {
    TBitmap b(w, h);
    std::mt19937 rng(7);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t i = 0; i < w * 3; ++i) b.ScanLine(y)[i] = static_cast<uint8_t>(rng() | 1);
    return b;
}

GPanoReading Area(int64_t fw, int64_t fh, int64_t cw, int64_t ch, int64_t left, int64_t top) {
    GPanoArea a;
    a.fullWidth = fw;
    a.fullHeight = fh;
    a.croppedWidth = cw;
    a.croppedHeight = ch;
    a.left = left;
    a.top = top;
    GPanoReading r;
    r.area = a;
    return r;
}

// The reference: a black canvas with the crop copied in pixel by pixel.
TBitmap Pasted(const TBitmap& crop, int32_t fw, int32_t fh, int32_t left, int32_t top) {
    TBitmap canvas(fw, fh);
    for (int32_t y = 0; y < crop.Height(); ++y)
        for (int32_t x = 0; x < crop.Width(); ++x)
            for (int c = 0; c < 3; ++c)
                canvas.ScanLine(top + y)[3 * (left + x) + c] = crop.ScanLine(y)[3 * x + c];
    return canvas;
}

TBitmap Frame(const TBitmap& source, double alpha, double betta, double gamma, double fov) {
    const PanoramaPixels pano = PanoramaPixels::FromBitmap(source);
    PanoramaView view;
    view.alpha = alpha;
    view.betta = betta;
    view.gamma = gamma;
    view.fov = fov;
    PanoramaRenderer renderer;
    TBitmap target(64, 48);
    EXPECT_TRUE(renderer.Frame(view, SteeringState(), &pano, target).rendered);
    return target;
}

TEST(PartialPanorama, RendersAsThePictureThatIsPastedIntoAFullCanvas) {
    const TBitmap crop = Noise(60, 20);
    const PanoramaPicture placed = PlacePanorama(crop, Area(120, 60, 60, 20, 30, 10));
    const TBitmap expected = Pasted(crop, 120, 60, 30, 10);
    ASSERT_TRUE(placed.partial);
    ASSERT_TRUE(placed.picture.SamePixels(expected));
    const double views[][4] = {{180, 30, 0, 1.0}, {100, 45, 20, 0.5}, {250, 0, 350, 2.0}, {0, -90, 0, 1.0}};
    for (const auto& v : views)
        EXPECT_TRUE(Frame(placed.picture, v[0], v[1], v[2], v[3]).SamePixels(Frame(expected, v[0], v[1], v[2], v[3])))
            << v[0] << " " << v[1];
    // Straight down lies outside the covered rows: plain black.
    const TBitmap down = Frame(placed.picture, 0, -90, 0, 0.5);
    for (int32_t y = 0; y < down.Height(); ++y)
        for (int32_t i = 0; i < down.Width() * 3; ++i) ASSERT_EQ(down.ScanLine(y)[i], kUncoveredLevel);
    EXPECT_EQ(CoverageText(placed), "180 x 60 degrees");
}

// The direction straight ahead of a view, as a canvas pixel.
PanoramaCoord Ahead(const PanoramaPicture& p) {
    return DirectionToPanorama(MakeRotationMatrix(*p.startAlpha, *p.startBetta, 0.0), 1, 0, 0,
                               p.picture.Width(), p.picture.Height());
}

TEST(PartialPanorama, TheFirstViewLooksAtTheCoveredCentreOrTheInitialView) {
    const TBitmap crop = Noise(60, 20);
    const PanoramaPicture centred = PlacePanorama(crop, Area(120, 60, 60, 20, 50, 4));
    ASSERT_TRUE(centred.startAlpha && centred.startBetta);
    EXPECT_DOUBLE_EQ(*centred.startAlpha, 240.0);
    EXPECT_DOUBLE_EQ(*centred.startBetta, 48.0);
    const PanoramaCoord c = Ahead(centred);
    EXPECT_NEAR(c.column, 80, 1);
    EXPECT_NEAR(c.row, 14, 1);

    // Compass headings count from the full picture's centre, which points at PoseHeading.
    GPanoReading hinted = Area(120, 60, 60, 20, 50, 4);
    hinted.area->initialHeading = 100.0;
    hinted.area->poseHeading = 10.0;
    hinted.area->initialPitch = -20.0;
    const PanoramaPicture turned = PlacePanorama(crop, hinted);
    EXPECT_DOUBLE_EQ(*turned.startAlpha, 270.0);
    EXPECT_DOUBLE_EQ(*turned.startBetta, -20.0);
    hinted.area->initialHeading = -170.0;
    hinted.area->poseHeading.reset();
    EXPECT_DOUBLE_EQ(*PlacePanorama(crop, hinted).startAlpha, 10.0);
}

TEST(PartialPanorama, FullOrPlainPicturesAndLyingSizesStayAsDecoded) {
    const TBitmap picture = Noise(80, 40);
    struct Case {
        const char* name;
        GPanoReading reading;
        const char* reason;
    };
    GPanoReading ignored;
    ignored.ignoredReason = "XMP is not well-formed";
    const Case cases[] = {
        {"no metadata", GPanoReading(), ""},
        {"the whole sphere", Area(80, 40, 80, 40, 0, 0), ""},
        {"metadata ignored by the reader", ignored, "not well-formed"},
        {"side beyond the renderer", Area(70000, 40, 80, 40, 0, 0), "too large"},
        {"gigapixels", Area(60000, 30000, 80, 40, 0, 0), "too large"},
    };
    for (const Case& c : cases) {
        const PanoramaPicture p = PlacePanorama(picture, c.reading);
        EXPECT_FALSE(p.partial) << c.name;
        EXPECT_FALSE(p.startAlpha || p.startBetta) << c.name;
        EXPECT_TRUE(p.picture.SamePixels(picture)) << c.name;
        EXPECT_NE(p.ignoredReason.find(c.reason), std::string::npos) << c.name;
        EXPECT_EQ(p.ignoredReason.empty(), std::string(c.reason).empty()) << c.name;
    }
}

TEST(PartialPanorama, AFileWithGPanoPropertiesOpensPlaced) {
    TempFolder folder;
    const TBitmap crop = GradientPicture(64, 16);
    const std::string packet =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/"
        "22-rdf-syntax-ns#'><rdf:Description xmlns:GPano='http://ns.google.com/photos/1.0/panorama/'"
        " GPano:FullPanoWidthPixels='128' GPano:FullPanoHeightPixels='64'"
        " GPano:CroppedAreaImageWidthPixels='64' GPano:CroppedAreaImageHeightPixels='16'"
        " GPano:CroppedAreaLeftPixels='32' GPano:CroppedAreaTopPixels='24'/></rdf:RDF></x:xmpmeta>";
    const std::vector<uint8_t> jpeg = EncodeJpeg(crop);
    WriteBytes(folder.File("partial.jpg"), InsertXmpPacket(jpeg, packet));
    const PanoramaPicture p = LoadPanoramaPicture(folder.File("partial.jpg"));
    EXPECT_TRUE(p.partial);
    EXPECT_EQ(CoverageText(p), "180 x 45 degrees");
    TBitmap decoded;
    DecodeJpegBytes(jpeg.data(), jpeg.size(), decoded);
    EXPECT_TRUE(p.picture.SamePixels(Pasted(decoded, 128, 64, 32, 24)));
    // A crop that disagrees with the picture opens the picture as a full panorama.
    WriteBytes(folder.File("lying.jpg"), InsertXmpPacket(EncodeJpeg(GradientPicture(60, 16)), packet));
    const PanoramaPicture lying = LoadPanoramaPicture(folder.File("lying.jpg"));
    EXPECT_FALSE(lying.partial);
    EXPECT_EQ(lying.picture.Width(), 60);
    EXPECT_NE(lying.ignoredReason.find("differs"), std::string::npos);
    EXPECT_THROW(LoadPanoramaPicture(folder.File("missing.jpg")), ImageError);
}

}  // namespace
