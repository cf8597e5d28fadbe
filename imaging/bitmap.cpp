#include "bitmap.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "image_error.h"
#include "memory_budget.h"

namespace {

[[noreturn]] void ThrowTooLarge(int32_t width, int32_t height, const char* why) {
    throw ImageError(std::string(why) + " for a picture of " + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels");
}

}  // namespace

void TBitmap::Allocate(int32_t width, int32_t height, bool zeroed) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (static_cast<int64_t>(width) * height > kMaxPixels)
        ThrowTooLarge(width, height, "Size limit of one gigapixel exceeded");
    const std::size_t stride = StrideFor(width);
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    CheckPictureMemory(bytes);
    try {
        if (bytes <= data_.capacity() && bytes >= data_.capacity() / 2) {
            data_.resize(bytes);  // keeps the storage, leaves new bytes uninitialised
        } else {
            decltype(data_) fresh;
            fresh.resize(bytes);
            data_.swap(fresh);
        }
    } catch (const std::bad_alloc&) {
        ThrowTooLarge(width, height, "Not enough memory");
    } catch (const std::length_error&) {
        ThrowTooLarge(width, height, "Not enough memory");
    }
    width_ = width;
    height_ = height;
    stride_ = stride;
    if (zeroed) {
        if (bytes) std::memset(data_.data(), 0, bytes);
    } else {
        const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
        const std::size_t pad = stride - rowBytes;
        if (pad)
            for (int32_t y = 0; y < height; ++y) std::memset(ScanLine(y) + rowBytes, 0, pad);
    }
}

void TBitmap::SetSize(int32_t width, int32_t height) { Allocate(width, height, true); }

void TBitmap::SetSizeForOverwrite(int32_t width, int32_t height) {
    Allocate(width, height, false);
}

bool TBitmap::SamePixels(const TBitmap& other) const {
    if (width_ != other.width_ || height_ != other.height_) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
    if (rowBytes == 0) return true;  // a 0 x H bitmap owns no storage to compare
    for (int32_t y = 0; y < height_; ++y)
        if (std::memcmp(ScanLine(y), other.ScanLine(y), rowBytes) != 0) return false;
    return true;
}
