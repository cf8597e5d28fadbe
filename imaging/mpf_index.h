#pragma once
// The MPF index of a multi-picture JPEG (the MPO files of 3D cameras): an APP2 segment of the
// first picture that lists where every picture of the file lies, and, in the APP2 segment of
// each further picture, that picture's attributes. Every offset and count is checked against
// the bytes at hand; nothing is read outside them. No Qt.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// More pictures than any camera writes in one file; an index claiming more is refused.
constexpr std::size_t kMaxMpfPictures = 64;

// MP entry type codes (the low 24 bits of the entry's attribute word).
constexpr uint32_t kMpfTypeLargeThumbnailVga = 0x010001;
constexpr uint32_t kMpfTypeLargeThumbnailHd = 0x010002;
constexpr uint32_t kMpfTypeDisparity = 0x020002;

struct MpfPicture {
    uint32_t type = 0;        // the entry's type code
    std::size_t offset = 0;   // where the picture's bytes start in the file
    std::size_t size = 0;     // how many bytes it has
};

// The pictures of the file in index order; empty when the first picture has no MPF segment
// (an ordinary JPEG). Throws ImageError, with a reason fit for the user, when there is an MPF
// segment but its index is broken: offsets or counts beyond the segment or the file, a picture
// that starts inside the first one's header, no pictures or more than kMaxMpfPictures.
std::vector<MpfPicture> ReadMpfIndex(const uint8_t* bytes, std::size_t size);

// What the MP attributes of one picture (its own bytes) say about parallax.
struct MpfParallax {
    std::optional<double> percent;  // the value, when the attributes hold a usable one
    bool unusable = false;          // a Parallax tag was there but could not be read
};
// Reads the Parallax attribute (tag 0xB211, signed rational, a percentage of the picture
// width) from the MPF segment at the head of picture. Never throws: a picture without
// attributes gives neither a value nor unusable.
MpfParallax ReadMpfParallax(const uint8_t* picture, std::size_t size);
