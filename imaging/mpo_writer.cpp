#include "mpo_writer.h"

#include <cmath>
#include <limits>

#include "image_error.h"
#include "number_format.h"

namespace {

// Big-endian ("MM") TIFF fields.
void Put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v >> 8 & 0xFF);
    out += static_cast<char>(v & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, v >> 16);
    Put16(out, v & 0xFFFF);
}
void PutEntry(std::string& out, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    Put16(out, tag);
    Put16(out, type);
    Put32(out, count);
    Put32(out, value);
}

constexpr uint32_t kRepresentativeFlag = 0x20000000;
constexpr uint32_t kDisparityType = 0x020002;
constexpr uint32_t kVersion0100 = 0x30313030;  // "0100"
constexpr std::size_t kMpfHeaderBytes = 4 + 4;  // marker and length, then "MPF\0"
const std::string kMpfSignature("MPF\0", 4);

// The MPF data of the first picture for pictures of the given sizes (segment included).
std::string IndexData(const std::vector<std::size_t>& sizes) {
    const uint32_t count = static_cast<uint32_t>(sizes.size());
    const uint32_t listAt = 8 + 2 + 3 * 12 + 4;
    std::string tiff = "MM";
    Put16(tiff, 42);
    Put32(tiff, 8);
    Put16(tiff, 3);
    PutEntry(tiff, 0xB000, 7, 4, kVersion0100);
    PutEntry(tiff, 0xB001, 4, 1, count);
    PutEntry(tiff, 0xB002, 7, 16 * count, listAt);
    Put32(tiff, 0);
    // Offsets count from the TIFF header: after the start marker and the segment's header.
    const uint64_t tiffInFile = 2 + kMpfHeaderBytes;
    uint64_t at = 0;
    for (uint32_t i = 0; i < count; ++i) {
        Put32(tiff, (i == 0 ? kRepresentativeFlag : 0) | kDisparityType);
        Put32(tiff, static_cast<uint32_t>(sizes[i]));
        Put32(tiff, i == 0 ? 0 : static_cast<uint32_t>(at - tiffInFile));
        Put16(tiff, 0);
        Put16(tiff, 0);
        at += sizes[i];
    }
    return kMpfSignature + tiff;
}

std::string AttributeData(uint32_t individual, std::optional<double> parallax) {
    const uint16_t entries = parallax ? 3 : 2;
    std::string tiff = "MM";
    Put16(tiff, 42);
    Put32(tiff, 8);
    Put16(tiff, entries);
    PutEntry(tiff, 0xB000, 7, 4, kVersion0100);
    PutEntry(tiff, 0xB101, 4, 1, individual);
    if (parallax) PutEntry(tiff, 0xB211, 10, 1, 8 + 2 + entries * 12 + 4);
    Put32(tiff, 0);
    if (parallax) {
        Put32(tiff, static_cast<uint32_t>(static_cast<int32_t>(std::lround(*parallax * 1000))));
        Put32(tiff, 1000);
    }
    return kMpfSignature + tiff;
}

}  // namespace

std::vector<uint8_t> InsertJpegSegment(const std::vector<uint8_t>& jpeg, uint8_t marker,
                                       const std::string& data) {
    if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) throw ImageError("Not a JPEG file");
    if (data.size() > 0xFFFF - 2) throw ImageError("Segment data too long");
    std::vector<uint8_t> out;
    out.reserve(jpeg.size() + data.size() + 4);
    for (const uint8_t b : {uint8_t{0xFF}, uint8_t{0xD8}, uint8_t{0xFF}, marker}) out.push_back(b);
    const std::size_t length = data.size() + 2;
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length & 0xFF));
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

std::vector<uint8_t> InsertXmpPacket(const std::vector<uint8_t>& jpeg, const std::string& packet) {
    return InsertJpegSegment(jpeg, 0xE1, std::string("http://ns.adobe.com/xap/1.0/", 29) + packet);
}

std::vector<uint8_t> JoinMpoPictures(const std::vector<std::vector<uint8_t>>& pictures,
                                     std::optional<double> secondParallaxPercent) {
    std::vector<std::vector<uint8_t>> parts;
    for (std::size_t i = 1; i < pictures.size(); ++i)
        parts.push_back(InsertJpegSegment(
            pictures[i], 0xE2,
            AttributeData(static_cast<uint32_t>(i + 1), i == 1 ? secondParallaxPercent : std::nullopt)));
    std::vector<std::size_t> sizes;
    // The index's own size does not depend on the offsets, so the first picture's size is known
    // before they are.
    const std::size_t indexBytes = IndexData(std::vector<std::size_t>(pictures.size(), 0)).size() + 4;
    if (pictures.empty()) throw ImageError("No pictures");
    sizes.push_back(pictures[0].size() + indexBytes);
    uint64_t total = sizes[0];
    for (const auto& part : parts) {
        sizes.push_back(part.size());
        total += part.size();
    }
    if (total > std::numeric_limits<uint32_t>::max()) throw ImageError("MPO file too large");
    std::vector<uint8_t> out = InsertJpegSegment(pictures[0], 0xE2, IndexData(sizes));
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::string GPanoXmpPacket(const GPanoArea& area) {
    std::string properties;
    const auto add = [&](const char* name, const std::string& value) {
        properties += std::string("\n    GPano:") + name + "=\"" + value + "\"";
    };
    add("ProjectionType", "equirectangular");
    add("FullPanoWidthPixels", std::to_string(area.fullWidth));
    add("FullPanoHeightPixels", std::to_string(area.fullHeight));
    add("CroppedAreaImageWidthPixels", std::to_string(area.croppedWidth));
    add("CroppedAreaImageHeightPixels", std::to_string(area.croppedHeight));
    add("CroppedAreaLeftPixels", std::to_string(area.left));
    add("CroppedAreaTopPixels", std::to_string(area.top));
    if (area.poseHeading) add("PoseHeadingDegrees", FormatText("%.1f", *area.poseHeading));
    if (area.initialHeading) add("InitialViewHeadingDegrees", FormatText("%.1f", *area.initialHeading));
    if (area.initialPitch) add("InitialViewPitchDegrees", FormatText("%.1f", *area.initialPitch));
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
           " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           "  <rdf:Description rdf:about=\"\"\n"
           "    xmlns:GPano=\"http://ns.google.com/photos/1.0/panorama/\"" +
           properties + "/>\n </rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
}
