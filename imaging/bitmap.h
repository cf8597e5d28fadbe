#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "picture_memory.h"


// Allocator whose value-less construction leaves bytes uninitialised, so that a bitmap about to
// be overwritten completely is not cleared first.
template <typename T, PageUse kUse = PageUse::Picture>
struct DefaultInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U, kUse>;
    };
    DefaultInitAllocator() = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U, kUse>&) noexcept {}
    T* allocate(std::size_t n) {
        return static_cast<T*>(AllocatePictureBytes(n * sizeof(T), kUse));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreePictureBytes(p, n * sizeof(T)); }
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// A 24-bit raster: rows top to bottom, three bytes per pixel in the order blue, green, red.
// Rows are padded to a multiple of 4 bytes so that a QImage (Format_BGR888) can show the very
// same bytes without a copy. Padding bytes are always zero.
class TBitmap {
public:
    // Largest picture a bitmap may hold (one gigapixel, about 3 GB).
    static constexpr int64_t kMaxPixels = 1000000000;

    TBitmap() = default;
    TBitmap(int32_t width, int32_t height) { SetSize(width, height); }

    // Resizes to width x height; the contents are zeroed. 0 x 0 is valid. Negative sizes count
    // as 0. Throws ImageError naming the size when the picture is larger than kMaxPixels or
    // the memory cannot be had, and MemoryBudgetError when it needs more than the picture
    // memory budget allows the calling thread (memory_budget.h).
    void SetSize(int32_t width, int32_t height);

    // Like SetSize, but for a caller that is about to write the first 3 x width bytes of every
    // row: pixel bytes are left unspecified (the storage is reused when it fits), only the row
    // padding is zeroed.
    void SetSizeForOverwrite(int32_t width, int32_t height);

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Bytes from one row's start to the next row's start (a multiple of 4).
    std::size_t Stride() const { return stride_; }

    uint8_t* ScanLine(int32_t y) { return data_.data() + static_cast<std::size_t>(y) * stride_; }
    const uint8_t* ScanLine(int32_t y) const {
        return data_.data() + static_cast<std::size_t>(y) * stride_;
    }

    uint8_t* Bits() { return data_.data(); }
    const uint8_t* Bits() const { return data_.data(); }

    // Row padding bytes take part in equality, so compare pixels, not storage.
    bool SamePixels(const TBitmap& other) const;

    static std::size_t StrideFor(int32_t width) {
        return (static_cast<std::size_t>(width) * 3 + 3) & ~static_cast<std::size_t>(3);
    }

private:
    void Allocate(int32_t width, int32_t height, bool zeroed);

    int32_t width_ = 0;
    int32_t height_ = 0;
    std::size_t stride_ = 0;
    std::vector<uint8_t, DefaultInitAllocator<uint8_t>> data_;
};
