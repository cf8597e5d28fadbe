#include "bmp_file.h"

#include <cstring>
#include <vector>

#include "atomic_file.h"
#include "image_error.h"

namespace {

void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v) {
    PutLe16(p, v & 0xFFFF);
    PutLe16(p + 2, v >> 16);
}

}  // namespace

std::vector<uint8_t> BmpFileBytes(const TBitmap& bitmap) {
    const int32_t width = bitmap.Width();
    const int32_t height = bitmap.Height();
    const uint64_t rowSize = TBitmap::StrideFor(width);  // BMP rows are padded to 4 bytes too
    const uint64_t imageSize = rowSize * static_cast<uint64_t>(height);
    constexpr uint32_t kHeaderSize = 54;
    if (imageSize + kHeaderSize > 0xFFFFFFFFull)
        throw ImageError("Picture of " + std::to_string(width) + " x " + std::to_string(height) +
                         " pixels is too large for a BMP file");

    std::vector<uint8_t> bytes(static_cast<std::size_t>(imageSize + kHeaderSize), 0);
    uint8_t* const header = bytes.data();
    header[0] = 'B';
    header[1] = 'M';
    PutLe32(header + 2, static_cast<uint32_t>(imageSize + kHeaderSize));
    PutLe32(header + 10, kHeaderSize);                   // offset of the pixel data
    PutLe32(header + 14, 40);                            // BITMAPINFOHEADER
    PutLe32(header + 18, static_cast<uint32_t>(width));
    PutLe32(header + 22, static_cast<uint32_t>(height));  // positive: rows bottom-up
    PutLe16(header + 26, 1);                             // planes
    PutLe16(header + 28, 24);                            // bits per pixel
    PutLe32(header + 30, 0);                             // no compression
    PutLe32(header + 34, static_cast<uint32_t>(imageSize));
    PutLe32(header + 38, 2835);                          // 72 dots per inch
    PutLe32(header + 42, 2835);

    // Rows are copied without their padding, which stays zero.
    const std::size_t pixelBytes = static_cast<std::size_t>(width) * 3;
    uint8_t* row = bytes.data() + kHeaderSize;
    for (int32_t y = height - 1; y >= 0; --y, row += rowSize)
        std::memcpy(row, bitmap.ScanLine(y), pixelBytes);
    return bytes;
}

void SaveBmpFile(const TBitmap& bitmap, const std::string& path) {
    const std::vector<uint8_t> bytes = BmpFileBytes(bitmap);
    WriteFileAtomically(path, bytes.data(), bytes.size());
}
