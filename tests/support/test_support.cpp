#include "test_support.h"

#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <jpeglib.h>

#include "jpeg_image.h"

namespace {

void RemoveTree(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return;
    if (S_ISDIR(info.st_mode)) {
        ::chmod(path.c_str(), 0700);
        for (const std::string& name : FolderEntries(path)) RemoveTree(path + "/" + name);
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

}  // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/lumivex-imaging-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() { RemoveTree(path_); }

TestMount::TestMount(const std::string& sizeOption) : options_(sizeOption) {
    mounted_ = ::mount("lumivex-test", folder_.Path().c_str(), "tmpfs", 0, options_.c_str()) == 0;
}

TestMount::~TestMount() {
    if (mounted_) ::umount2(folder_.Path().c_str(), MNT_DETACH);
}

bool TestMount::SetReadOnly(bool readOnly) {
    return mounted_ && ::mount("lumivex-test", folder_.Path().c_str(), "tmpfs",
                               MS_REMOUNT | (readOnly ? MS_RDONLY : 0), options_.c_str()) == 0;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string FirstBytes(const std::string& path, std::size_t count) {
    return ReadText(path).substr(0, count);
}

void WriteText(const std::string& path, const std::string& text) {
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

bool FileExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    return names;
}

TBitmap NumberedPicture(int32_t width, int32_t height) {
    TBitmap picture(width, height);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 7 + y);
            row[3 * x + 1] = static_cast<uint8_t>(y * 5);
            row[3 * x + 2] = static_cast<uint8_t>(255 - x - y);
        }
    }
    return picture;
}

TBitmap GradientPicture(int32_t width, int32_t height) {
    TBitmap picture(width, height);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uint8_t>(40 + 160 * x / std::max(width - 1, 100));
            row[3 * x + 1] = static_cast<uint8_t>(200 - 150 * y / std::max(height - 1, 100));
            row[3 * x + 2] = static_cast<uint8_t>(60 + (x + y) * 120 / std::max(width + height, 200));
        }
    }
    return picture;
}

int MaxChannelDifference(const TBitmap& a, const TBitmap& b) {
    int worst = 0;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t i = 0; i < a.Width() * 3; ++i) {
            const int d = std::abs(int(a.ScanLine(y)[i]) - int(b.ScanLine(y)[i]));
            if (d > worst) worst = d;
        }
    return worst;
}

std::vector<uint8_t> WriteWithLibjpeg(const std::vector<uint8_t>& pixels, int width, int height,
                                      int components, J_COLOR_SPACE inSpace,
                                      const std::function<void(jpeg_compress_struct&)>& tune) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = inSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (tune) tune(cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data()) +
                       static_cast<size_t>(cinfo.next_scanline) * width * components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    return bytes;
}

std::vector<uint8_t> PackedBgr(const TBitmap& picture) {
    std::vector<uint8_t> packed;
    for (int32_t y = 0; y < picture.Height(); ++y)
        packed.insert(packed.end(), picture.ScanLine(y), picture.ScanLine(y) + picture.Width() * 3);
    return packed;
}

std::vector<uint8_t> FatallyDamagedJpeg(const TBitmap& picture) {
    std::vector<uint8_t> bytes = WriteWithLibjpeg(
        PackedBgr(picture), picture.Width(), picture.Height(), 3, JCS_EXT_BGR,
        [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); });
    // The Huffman table sent between the first and the second scan gets impossible counts.
    int scans = 0;
    for (std::size_t i = 0; i + 21 < bytes.size(); ++i) {
        if (bytes[i] != 0xFF) continue;
        if (bytes[i + 1] == 0xDA) ++scans;
        if (bytes[i + 1] == 0xC4 && scans >= 1) {
            for (std::size_t k = i + 5; k < i + 21; ++k) bytes[k] = 0xFF;
            break;
        }
    }
    return bytes;
}

std::vector<uint8_t> CutOffJpeg(const TBitmap& picture) {
    TJPEGImage jpeg;
    jpeg.CompressionQuality = 90;
    jpeg.Assign(picture);
    std::vector<uint8_t> bytes = jpeg.Bytes();
    for (std::size_t i = 0; i + 3 < bytes.size(); ++i) {
        if (bytes[i] != 0xFF || bytes[i + 1] != 0xDA) continue;
        const std::size_t data = i + 2 + (std::size_t{bytes[i + 2]} << 8 | bytes[i + 3]);
        bytes.resize(data + (bytes.size() - data) * 2 / 3);
        break;
    }
    return bytes;
}

TBitmap SolidPicture(int32_t width, int32_t height, uint8_t blue, uint8_t green, uint8_t red) {
    TBitmap picture(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = picture.ScanLine(y) + 3 * x;
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
    return picture;
}

namespace {

void Little16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8 & 0xFF));
}
void Little32(std::vector<uint8_t>& out, uint32_t v) {
    Little16(out, v & 0xFFFF);
    Little16(out, v >> 16);
}
void Entry(std::vector<uint8_t>& out, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    Little16(out, tag);
    Little16(out, type);
    Little32(out, count);
    Little32(out, value);
}

// SOI, then an APP2 "MPF" segment holding tiff, then the picture after its own SOI.
std::vector<uint8_t> WithMpfSegment(const std::vector<uint8_t>& picture, const std::vector<uint8_t>& tiff) {
    std::vector<uint8_t> out = {0xFF, 0xD8, 0xFF, 0xE2};
    const std::size_t length = 2 + 4 + tiff.size();
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length & 0xFF));
    for (char c : std::string("MPF\0", 4)) out.push_back(static_cast<uint8_t>(c));
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), picture.begin() + 2, picture.end());
    return out;
}

}  // namespace

void PutLittle32(std::vector<uint8_t>& bytes, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(value >> (8 * i) & 0xFF);
}

std::vector<uint8_t> BuildTestMpo(const std::vector<std::vector<uint8_t>>& pictures,
                                  const TestParallax* parallax, const std::vector<uint32_t>& types) {
    std::vector<std::vector<uint8_t>> rest;
    for (std::size_t i = 1; i < pictures.size(); ++i) {
        std::vector<uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
        const bool withParallax = i == 1 && parallax != nullptr;
        Little16(tiff, withParallax ? 2 : 1);
        Entry(tiff, 0xB101, 4, 1, static_cast<uint32_t>(i + 1));
        if (withParallax) Entry(tiff, 0xB211, parallax->type, 1, 8 + 2 + 2 * 12 + 4);
        Little32(tiff, 0);
        if (withParallax) {
            Little32(tiff, static_cast<uint32_t>(parallax->numerator));
            Little32(tiff, static_cast<uint32_t>(parallax->denominator));
        }
        rest.push_back(WithMpfSegment(pictures[i], tiff));
    }
    const uint32_t count = static_cast<uint32_t>(pictures.size());
    std::vector<uint8_t> tiff = {'I', 'I', 42, 0, 8, 0, 0, 0};
    Little16(tiff, 3);
    Entry(tiff, 0xB000, 7, 4, 0x30303130);  // "0100"
    Entry(tiff, 0xB001, 4, 1, count);
    Entry(tiff, 0xB002, 7, 16 * count, 50);
    Little32(tiff, 0);
    const std::size_t firstSize = pictures[0].size() + 4 + 4 + tiff.size() + 16 * count;
    std::size_t at = firstSize;
    for (uint32_t i = 0; i < count; ++i) {
        Little32(tiff, i < types.size() ? types[i] : 0x020002);
        Little32(tiff, static_cast<uint32_t>(i == 0 ? firstSize : rest[i - 1].size()));
        Little32(tiff, i == 0 ? 0 : static_cast<uint32_t>(at - kTestMpoTiffAt));
        Little32(tiff, 0);
        if (i > 0) at += rest[i - 1].size();
    }
    std::vector<uint8_t> out = WithMpfSegment(pictures[0], tiff);
    for (const auto& part : rest) out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::vector<uint8_t> EncodeJpeg(const TBitmap& picture) { return EncodeJpeg(picture, 100); }

int WriteWholeAndCutOffJpeg(const std::string& whole, const std::string& cut) {
    TJPEGImage jpeg;
    jpeg.CompressionQuality = 90;
    jpeg.Assign(GradientPicture(64, 128));
    jpeg.SaveToFile(whole);
    std::vector<uint8_t> bytes = jpeg.Bytes();
    for (size_t i = 0; i + 3 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            const size_t data = i + 2 + (bytes[i + 2] << 8 | bytes[i + 3]);
            bytes.resize(data + (bytes.size() - data) / 2);
            break;
        }
    WriteBytes(cut, bytes);
    TBitmap picture;
    const JpegDecodeReport report = DecodeJpegBytes(bytes.data(), bytes.size(), picture);
    if (report.complete || report.rowsRead >= picture.Height())
        throw std::logic_error("the cut-off JPEG decodes whole");
    return report.rowsRead;
}
