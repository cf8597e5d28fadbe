#pragma once
#include <cstdint>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "bitmap.h"
#include "progress.h"

// A temporary folder removed with everything in it when the test ends.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A small tmpfs mounted on a temporary folder for the test's life, for faults only a real file
// system gives (a full disk, a read-only one). Mounting needs the right to (root, and a
// container that allows it): Mounted() says whether it worked, so a test can skip without it.
class TestMount {
public:
    explicit TestMount(const std::string& sizeOption);  // "size=64k"
    ~TestMount();
    bool Mounted() const { return mounted_; }
    std::string File(const std::string& name) const { return folder_.File(name); }
    // Remounts read-only (or back), keeping what is there.
    bool SetReadOnly(bool readOnly);

private:
    TempFolder folder_;
    std::string options_;
    bool mounted_ = false;
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
// A file's bytes as text ("" when it cannot be read), and its first count bytes (or fewer).
std::string ReadText(const std::string& path);
std::string FirstBytes(const std::string& path, std::size_t count);
// Writes exactly the bytes of text.
void WriteText(const std::string& path, const std::string& text);
std::vector<std::string> FolderEntries(const std::string& folder);

// A picture whose pixel (x, y) holds blue = x * 7 + y, green = y * 5, red = 255 - x - y (all
// modulo 256): every pixel differs from its neighbours, so misplaced pixels show.
TBitmap NumberedPicture(int32_t width, int32_t height);
// Smooth colour gradients (at most two levels per pixel), friendly to lossy compression.
TBitmap GradientPicture(int32_t width, int32_t height);
// Largest difference of any channel of any pixel; both pictures must have the same size.
int MaxChannelDifference(const TBitmap& a, const TBitmap& b);

// Writes a JPEG with libjpeg directly, so the decoder meets streams our own encoder never
// makes. pixels holds width x height x components bytes in in_color_space order; tune may
// change the compressor's settings (progression, sampling) before it starts.
std::vector<uint8_t> WriteWithLibjpeg(const std::vector<uint8_t>& pixels, int width, int height,
                                      int components, J_COLOR_SPACE inSpace,
                                      const std::function<void(jpeg_compress_struct&)>& tune);
// The picture's bytes without row padding.
std::vector<uint8_t> PackedBgr(const TBitmap& picture);
// A progressive JPEG of picture whose header is sound but whose Huffman table after the first
// scan is broken beyond repair: decoding stops inside the pixel data with "Bogus Huffman table
// definition".
std::vector<uint8_t> FatallyDamagedJpeg(const TBitmap& picture);
// A baseline JPEG of picture whose data ends after two thirds of its scan: it decodes, in part.
std::vector<uint8_t> CutOffJpeg(const TBitmap& picture);
// Every pixel the same colour.
TBitmap SolidPicture(int32_t width, int32_t height, uint8_t blue, uint8_t green, uint8_t red);

// An MPO file written by hand, in little-endian ("II") byte order, independently of the
// program's own writer: the pictures (whole JPEGs) one after the other, an MPF index right
// after the first one's start marker, and for the second an attribute segment holding the
// Parallax as numerator / denominator when given. Types give each entry's type code (stereo
// views when empty). The layout is fixed so tests can break single fields:
constexpr std::size_t kTestMpoTiffAt = 10;         // the index's TIFF header
constexpr std::size_t kTestMpoIfdCountAt = 18;     // its directory's entry count
constexpr std::size_t kTestMpoNumberAt = 40;       // the NumberOfImages value
constexpr std::size_t kTestMpoListCountAt = 48;    // the byte count of the picture list
constexpr std::size_t kTestMpoListOffsetAt = 52;   // where the list lies (from the TIFF header)
constexpr std::size_t kTestMpoEntriesAt = 60;      // entry i: type, size, offset at +16 i
struct TestParallax {
    int32_t numerator = 0, denominator = 1;
    uint16_t type = 10;  // signed rational
};
std::vector<uint8_t> BuildTestMpo(const std::vector<std::vector<uint8_t>>& pictures,
                                  const TestParallax* parallax = nullptr,
                                  const std::vector<uint32_t>& types = {});
void PutLittle32(std::vector<uint8_t>& bytes, std::size_t at, uint32_t value);
// A picture encoded at quality 100 into memory.
std::vector<uint8_t> EncodeJpeg(const TBitmap& picture);
// Counts a batch's steps and asks it to stop once cancelAfter of them are done.
class StepRecorder : public Progress {
public:
    void Start(int total) override { this->total = total; }
    void Step() override { ++steps; }
    bool Cancelled() override { return steps >= cancelAfter; }
    int total = -1, steps = 0, cancelAfter = 1 << 30;
};
// Writes a 64 x 128 JPEG to whole and the same cut off half-way through its pixel data to cut
// (it decodes with its top rows and the rest grey); returns how many rows the cut one holds.
int WriteWholeAndCutOffJpeg(const std::string& whole, const std::string& cut);
