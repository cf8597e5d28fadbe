// The readers of what cameras add to JPEGs: the MPF index of MPO files and the GPano XMP
// properties of partial panoramas.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gpano_xmp.h"
#include "image_error.h"
#include "jpeg_image.h"
#include "mpf_index.h"
#include "mpo_writer.h"
#include "test_support.h"

namespace {

std::vector<uint8_t> Picture(int32_t width, int32_t height) {
    return EncodeJpeg(GradientPicture(width, height));
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, const MpfPicture& p) {
    return std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(p.offset),
                                bytes.begin() + static_cast<std::ptrdiff_t>(p.offset + p.size));
}

// ---------------------------------------------------------------------------------------------
// MPF index

TEST(MpfIndex, FindsEveryPictureInBothByteOrders) {
    const std::vector<std::vector<uint8_t>> pictures = {Picture(24, 16), Picture(24, 16),
                                                        Picture(8, 8)};
    const std::vector<uint8_t> files[] = {BuildTestMpo(pictures), JoinMpoPictures(pictures, 1.5)};
    for (const std::vector<uint8_t>& file : files) {
        const std::vector<MpfPicture> found = ReadMpfIndex(file.data(), file.size());
        ASSERT_EQ(found.size(), 3u);
        EXPECT_EQ(found[0].offset, 0u);
        EXPECT_EQ(found[2].offset + found[2].size, file.size());
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(found[i].type, kMpfTypeDisparity);
            // Every piece is a whole JPEG that decodes to its picture.
            TBitmap decoded, expected;
            const std::vector<uint8_t> piece = Slice(file, found[i]);
            DecodeJpegBytes(piece.data(), piece.size(), decoded);
            DecodeJpegBytes(pictures[i].data(), pictures[i].size(), expected);
            EXPECT_TRUE(decoded.SamePixels(expected)) << "picture " << i;
        }
    }
}

TEST(MpfIndex, AnOrdinaryJpegHasNone) {
    const std::vector<uint8_t> plain = Picture(8, 8);
    EXPECT_TRUE(ReadMpfIndex(plain.data(), plain.size()).empty());
    const std::vector<uint8_t> notJpeg = {'G', 'I', 'F', '8'};
    EXPECT_TRUE(ReadMpfIndex(notJpeg.data(), notJpeg.size()).empty());
}

TEST(MpfIndex, BrokenIndexesAreRefusedWithAReason) {
    const std::vector<uint8_t> good = BuildTestMpo({Picture(16, 8), Picture(16, 8)});
    const std::size_t second = kTestMpoEntriesAt + 16;
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> breakIt;
        const char* reason;
    };
    const Case cases[] = {
        {"offset beyond the file", [&](auto& b) { PutLittle32(b, second + 8, 0x7FFFFFF0); }, "beyond the end"},
        {"size beyond the file", [&](auto& b) { PutLittle32(b, second + 4, 0xFFFFFFFF); }, "beyond the end"},
        {"loops back to the start", [&](auto& b) { PutLittle32(b, second + 8, 0); }, "inside the first"},
        {"loops into the index", [&](auto& b) { PutLittle32(b, second + 8, 20); }, "inside the first"},
        {"empty picture", [&](auto& b) { PutLittle32(b, second + 4, 0); }, "is empty"},
        {"first not at the start", [&](auto& b) { PutLittle32(b, kTestMpoEntriesAt + 8, 4); }, "does not start"},
        {"thousands of pictures",
         [&](auto& b) {
             PutLittle32(b, kTestMpoListCountAt, 16 * 5000);
             PutLittle32(b, kTestMpoNumberAt, 5000);
         },
         "value lies outside"},
        {"count disagrees", [&](auto& b) { PutLittle32(b, kTestMpoNumberAt, 3); }, "does not match"},
        {"list outside the segment", [&](auto& b) { PutLittle32(b, kTestMpoListOffsetAt, 0xFFFFFF00); }, "outside"},
        {"directory overruns", [&](auto& b) { b[kTestMpoIfdCountAt] = 0xFF; }, "runs past"},
        {"directory elsewhere", [&](auto& b) { PutLittle32(b, kTestMpoTiffAt + 4, 0x10000); }, "outside"},
        {"unknown byte order", [&](auto& b) { b[kTestMpoTiffAt] = 'X'; }, "byte order"},
        {"list of odd length", [&](auto& b) { PutLittle32(b, kTestMpoListCountAt, 17); }, "wrong length"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        c.breakIt(bytes);
        try {
            ReadMpfIndex(bytes.data(), bytes.size());
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const ImageError& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << c.name << ": " << e.what();
        }
    }
    // More pictures than any camera writes, with a list that is really there.
    const std::vector<uint8_t> many =
        BuildTestMpo(std::vector<std::vector<uint8_t>>(kMaxMpfPictures + 1, Picture(8, 8)));
    EXPECT_THROW(ReadMpfIndex(many.data(), many.size()), ImageError);
    // Every cut of the index segment is refused or read as no index, never read past.
    for (std::size_t cut = 0; cut < kTestMpoEntriesAt + 32; ++cut) {
        std::vector<uint8_t> bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        try {
            EXPECT_TRUE(ReadMpfIndex(bytes.data(), bytes.size()).empty()) << cut;
        } catch (const ImageError&) {
        }
    }
}

TEST(MpfIndex, ParallaxOfTheSecondPicture) {
    const std::vector<std::vector<uint8_t>> pair = {Picture(16, 8), Picture(16, 8)};
    struct Case {
        TestParallax parallax;
        bool usable;
        double percent;
    };
    const Case cases[] = {
        {{5, 2, 10}, true, 2.5},    {{-7, 4, 10}, true, -1.75}, {{1, 0, 10}, false, 0},
        {{101, 1, 10}, false, 0},   {{3, 1, 5}, false, 0},      {{-100, 1, 10}, true, -100},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> file = BuildTestMpo(pair, &c.parallax);
        const std::vector<MpfPicture> found = ReadMpfIndex(file.data(), file.size());
        ASSERT_EQ(found.size(), 2u);
        const MpfParallax p = ReadMpfParallax(file.data() + found[1].offset, found[1].size);
        EXPECT_EQ(p.unusable, !c.usable) << c.parallax.numerator << "/" << c.parallax.denominator;
        EXPECT_EQ(p.percent.has_value(), c.usable);
        if (p.percent) {
            EXPECT_DOUBLE_EQ(*p.percent, c.percent);
        }
    }
    const std::vector<uint8_t> without = BuildTestMpo(pair);
    const std::vector<MpfPicture> found = ReadMpfIndex(without.data(), without.size());
    const MpfParallax none = ReadMpfParallax(without.data() + found[1].offset, found[1].size);
    EXPECT_FALSE(none.percent.has_value() || none.unusable);
}

// ---------------------------------------------------------------------------------------------
// GPano XMP

std::string Packet(const std::string& description) {
    return "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>"
           "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
           "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>" +
           description + "</rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
}

const char kGPanoNs[] = "xmlns:GPano='http://ns.google.com/photos/1.0/panorama/'";

// The six required properties as attributes; extra text is added to the element.
std::string AttributePacket(const std::string& full, const std::string& crop, const std::string& at,
                            const std::string& extra = "") {
    const auto split = [](const std::string& pair, int which) {
        const std::size_t x = pair.find(' ');
        return which == 0 ? pair.substr(0, x) : pair.substr(x + 1);
    };
    return Packet(std::string("<rdf:Description ") + kGPanoNs + " GPano:FullPanoWidthPixels='" +
                  split(full, 0) + "' GPano:FullPanoHeightPixels='" + split(full, 1) +
                  "' GPano:CroppedAreaImageWidthPixels='" + split(crop, 0) +
                  "' GPano:CroppedAreaImageHeightPixels='" + split(crop, 1) +
                  "' GPano:CroppedAreaLeftPixels='" + split(at, 0) +
                  "' GPano:CroppedAreaTopPixels='" + split(at, 1) + "' " + extra + "/>");
}

TEST(GPanoXmp, AttributesAndElementsGiveTheSameArea) {
    const std::string attributes =
        AttributePacket("400 200", "200 100", "50 40",
                        "GPano:InitialViewHeadingDegrees='30' GPano:PoseHeadingDegrees='-10.5'");
    const std::string elements = Packet(
        std::string("<rdf:Description ") + kGPanoNs +
        "><GPano:FullPanoWidthPixels>400</GPano:FullPanoWidthPixels>"
        "<GPano:FullPanoHeightPixels> 200 </GPano:FullPanoHeightPixels>"
        "<GPano:CroppedAreaImageWidthPixels>200</GPano:CroppedAreaImageWidthPixels>"
        "<GPano:CroppedAreaImageHeightPixels>100</GPano:CroppedAreaImageHeightPixels>"
        "<GPano:CroppedAreaLeftPixels>50</GPano:CroppedAreaLeftPixels>"
        "<GPano:CroppedAreaTopPixels>40</GPano:CroppedAreaTopPixels>"
        "<GPano:InitialViewHeadingDegrees>30</GPano:InitialViewHeadingDegrees>"
        "<GPano:PoseHeadingDegrees>-10.5</GPano:PoseHeadingDegrees></rdf:Description>");
    for (const std::string& packet : {attributes, elements}) {
        // Through a real JPEG's APP1 segment, as a camera writes it.
        const std::vector<uint8_t> jpeg = InsertXmpPacket(Picture(8, 8), packet);
        const GPanoReading r = ReadGPano(jpeg.data(), jpeg.size(), 200, 100);
        ASSERT_TRUE(r.area.has_value()) << r.ignoredReason;
        EXPECT_EQ(r.area->fullWidth, 400);
        EXPECT_EQ(r.area->fullHeight, 200);
        EXPECT_EQ(r.area->left, 50);
        EXPECT_EQ(r.area->top, 40);
        EXPECT_EQ(r.area->initialHeading, 30.0);
        EXPECT_EQ(r.area->poseHeading, -10.5);
        EXPECT_FALSE(r.area->initialPitch.has_value());
    }
    // Without GPano properties, or without XMP at all, there is nothing to say.
    const std::vector<uint8_t> plain = Picture(8, 8);
    EXPECT_FALSE(ReadGPano(plain.data(), plain.size(), 8, 8).area.has_value());
    const GPanoReading other = ParseGPanoXmp(Packet("<rdf:Description/>"), 8, 8);
    EXPECT_TRUE(!other.area && other.ignoredReason.empty());
}

TEST(GPanoXmp, WrongPropertiesAreIgnoredWithAReason) {
    const std::string billionLaughs =
        "<?xml version='1.0'?><!DOCTYPE x [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;"
        "&a;&a;&a;&a;&a;'>]><x>&b;</x>";
    struct Case {
        const char* name;
        std::string packet;
        const char* reason;
    };
    const Case cases[] = {
        {"negative", AttributePacket("400 200", "200 100", "-5 40"), "negative"},
        {"zero", AttributePacket("0 200", "200 100", "0 0"), "positive"},
        {"crop wider than the whole", AttributePacket("400 200", "200 100", "250 40"), "outside"},
        {"crop taller than the whole", AttributePacket("400 90", "200 100", "0 0"), "outside"},
        {"differs from the picture", AttributePacket("400 200", "199 100", "0 0"), "differs"},
        {"not a number", AttributePacket("400 two", "200 100", "0 0"), "not a whole number"},
        {"fraction", AttributePacket("400.5 200", "200 100", "0 0"), "not a whole number"},
        {"not a number at all", AttributePacket("nan 200", "200 100", "0 0"), "not a whole number"},
        {"missing", Packet(std::string("<rdf:Description ") + kGPanoNs +
                           " GPano:FullPanoWidthPixels='400'/>"), "missing"},
        {"not well-formed", Packet(std::string("<rdf:Description ") + kGPanoNs + " GPano:Full"), "well-formed"},
        {"document type", billionLaughs, "document type"},
    };
    for (const Case& c : cases) {
        const GPanoReading r = ParseGPanoXmp(c.packet, 200, 100);
        EXPECT_FALSE(r.area.has_value()) << c.name;
        EXPECT_NE(r.ignoredReason.find(c.reason), std::string::npos) << c.name << ": " << r.ignoredReason;
    }
    // View hints that are not usable angles are left out; the area stays.
    const GPanoReading hints = ParseGPanoXmp(
        AttributePacket("400 200", "200 100", "0 0",
                        "GPano:InitialViewPitchDegrees='95' GPano:InitialViewHeadingDegrees='east'"),
        200, 100);
    ASSERT_TRUE(hints.area.has_value());
    EXPECT_FALSE(hints.area->initialPitch || hints.area->initialHeading);
}

TEST(GPanoXmp, ThePacketIsTakenOnlyFromAWholeSegment) {
    const std::string packet = AttributePacket("400 200", "200 100", "0 0");
    const std::vector<uint8_t> jpeg = InsertXmpPacket(Picture(8, 8), packet);
    EXPECT_EQ(ExtractXmpPacket(jpeg.data(), jpeg.size()), packet);
    // A segment whose length runs past the file (a huge claim) yields nothing.
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + 40);
    EXPECT_FALSE(ExtractXmpPacket(cut.data(), cut.size()).has_value());
    // The largest packet one segment holds is read whole.
    const std::string big = Packet(std::string(65000, ' '));
    const std::vector<uint8_t> full = InsertXmpPacket(Picture(8, 8), big);
    EXPECT_EQ(ExtractXmpPacket(full.data(), full.size()), big);
    EXPECT_THROW(InsertXmpPacket(Picture(8, 8), std::string(70000, ' ')), ImageError);
}

}  // namespace
