#include "mpf_index.h"

#include <cmath>
#include <cstring>
#include <string>

#include "image_error.h"
#include "jpeg_segments.h"

namespace {

// A view of bytes whose every read is checked; a read past the end fails.
class Bytes {
public:
    Bytes(const uint8_t* data, std::size_t size, bool bigEndian = true)
        : data_(data), size_(size), bigEndian_(bigEndian) {}

    std::size_t Size() const { return size_; }
    bool Has(std::size_t at, std::size_t count) const {
        return at <= size_ && count <= size_ - at;
    }
    uint16_t U16(std::size_t at) const {
        const uint8_t* p = data_ + at;
        return bigEndian_ ? static_cast<uint16_t>(p[0] << 8 | p[1])
                          : static_cast<uint16_t>(p[1] << 8 | p[0]);
    }
    uint32_t U32(std::size_t at) const {
        const uint8_t* p = data_ + at;
        return bigEndian_ ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                          : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
    }
    const uint8_t* At(std::size_t at) const { return data_ + at; }

private:
    const uint8_t* data_;
    std::size_t size_;
    bool bigEndian_;
};

// The TIFF structure of the picture's MPF segment, if it has one.
std::optional<JpegSegmentData> FindMpfBlock(const uint8_t* data, std::size_t size) {
    return FindJpegSegment(data, size, 0xE2, "MPF", 4);  // the signature includes its NUL
}

constexpr uint16_t kTagNumberOfImages = 0xB001;
constexpr uint16_t kTagMpEntry = 0xB002;
constexpr uint16_t kTagParallax = 0xB211;
constexpr uint16_t kTypeLong = 4;
constexpr uint16_t kTypeUndefined = 7;
constexpr uint16_t kTypeSignedRational = 10;

struct IfdEntry {
    uint16_t type = 0;
    uint32_t count = 0;
    std::size_t valueAt = 0;  // where the value lies in the TIFF block (checked)
};

std::size_t TypeSize(uint16_t type) {
    switch (type) {
        case 1: case 2: case 6: case 7: return 1;
        case 3: case 8: return 2;
        case 4: case 9: case 11: return 4;
        case 5: case 10: case 12: return 8;
        default: return 0;
    }
}

// The TIFF header of an MPF block and the byte order it declares; throws on a bad header.
Bytes OpenTiff(const uint8_t* block, std::size_t size, std::size_t& firstIfd) {
    if (size < 8) throw ImageError("MPF index: the header is cut short");
    bool bigEndian;
    if (block[0] == 'M' && block[1] == 'M') bigEndian = true;
    else if (block[0] == 'I' && block[1] == 'I') bigEndian = false;
    else throw ImageError("MPF index: unknown byte order");
    const Bytes tiff(block, size, bigEndian);
    if (tiff.U16(2) != 42) throw ImageError("MPF index: the header is not a TIFF header");
    firstIfd = tiff.U32(4);
    return tiff;
}

// Looks the tag up in the IFD at ifd; throws when the IFD or the tag's value lies outside the
// block, so a caller can trust valueAt.
std::optional<IfdEntry> FindTag(const Bytes& tiff, std::size_t ifd, uint16_t tag) {
    if (!tiff.Has(ifd, 2)) throw ImageError("MPF index: a directory lies outside the segment");
    const std::size_t count = tiff.U16(ifd);
    if (!tiff.Has(ifd + 2, count * 12)) throw ImageError("MPF index: a directory runs past the segment");
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = ifd + 2 + i * 12;
        if (tiff.U16(at) != tag) continue;
        IfdEntry entry;
        entry.type = tiff.U16(at + 2);
        entry.count = tiff.U32(at + 4);
        const std::size_t unit = TypeSize(entry.type);
        if (unit == 0) throw ImageError("MPF index: a tag has an unknown type");
        const uint64_t bytes = uint64_t{unit} * entry.count;
        entry.valueAt = bytes <= 4 ? at + 8 : tiff.U32(at + 8);
        if (bytes > tiff.Size() || !tiff.Has(entry.valueAt, static_cast<std::size_t>(bytes)))
            throw ImageError("MPF index: a value lies outside the segment");
        return entry;
    }
    return std::nullopt;
}

}  // namespace

std::vector<MpfPicture> ReadMpfIndex(const uint8_t* data, std::size_t size) {
    const std::optional<JpegSegmentData> block = FindMpfBlock(data, size);
    if (!block) return {};
    std::size_t ifd = 0;
    const Bytes tiff = OpenTiff(data + block->start, block->size, ifd);

    const std::optional<IfdEntry> entries = FindTag(tiff, ifd, kTagMpEntry);
    if (!entries || entries->type != kTypeUndefined)
        throw ImageError("MPF index: the list of pictures is missing");
    if (entries->count % 16 != 0 || entries->count == 0)
        throw ImageError("MPF index: the list of pictures has a wrong length");
    const std::size_t pictures = entries->count / 16;
    if (pictures > kMaxMpfPictures)
        throw ImageError("MPF index: claims " + std::to_string(pictures) + " pictures");
    if (const std::optional<IfdEntry> number = FindTag(tiff, ifd, kTagNumberOfImages)) {
        if (number->type != kTypeLong || number->count != 1 || tiff.U32(number->valueAt) != pictures)
            throw ImageError("MPF index: the number of pictures does not match the list");
    }

    std::vector<MpfPicture> result;
    result.reserve(pictures);
    for (std::size_t i = 0; i < pictures; ++i) {
        const std::size_t at = entries->valueAt + i * 16;
        MpfPicture picture;
        picture.type = tiff.U32(at) & 0x00FFFFFF;
        picture.size = tiff.U32(at + 4);
        const std::size_t offset = tiff.U32(at + 8);
        const std::string which = "picture " + std::to_string(i + 1);
        // The first picture is the file's start; the others count from the TIFF header and
        // must lie after the index, so no entry can lead back into the first picture's header.
        if (i == 0) {
            if (offset != 0) throw ImageError("MPF index: the first picture does not start the file");
        } else {
            picture.offset = block->start + offset;
            if (offset == 0 || picture.offset < block->segmentEnd)
                throw ImageError("MPF index: " + which + " starts inside the first picture's header");
        }
        if (picture.size == 0) throw ImageError("MPF index: " + which + " is empty");
        if (picture.offset > size || picture.size > size - picture.offset)
            throw ImageError("MPF index: " + which + " lies beyond the end of the file");
        result.push_back(picture);
    }
    return result;
}

MpfParallax ReadMpfParallax(const uint8_t* picture, std::size_t size) {
    MpfParallax result;
    const std::optional<JpegSegmentData> block = FindMpfBlock(picture, size);
    if (!block) return result;
    try {
        std::size_t ifd = 0;
        const Bytes tiff = OpenTiff(picture + block->start, block->size, ifd);
        const std::optional<IfdEntry> tag = FindTag(tiff, ifd, kTagParallax);
        if (!tag) return result;
        if (tag->type != kTypeSignedRational || tag->count != 1) {
            result.unusable = true;
            return result;
        }
        const auto numerator = static_cast<int32_t>(tiff.U32(tag->valueAt));
        const auto denominator = static_cast<int32_t>(tiff.U32(tag->valueAt + 4));
        const double value = denominator == 0 ? NAN : double(numerator) / double(denominator);
        // A shift beyond the whole picture width is not a parallax.
        if (!std::isfinite(value) || std::fabs(value) > 100.0) result.unusable = true;
        else result.percent = value;
    } catch (const ImageError&) {
        result.unusable = true;
    }
    return result;
}
