#pragma once
#include <cstddef>

// The one allocator of picture storage (bitmaps and packed pixel buffers). Large blocks are
// aligned to 2 MiB and offered to the kernel for huge pages, which turns thousands of page
// faults per fresh picture (and TLB misses where a render or a quarter turn reads many rows at
// once) into a few. Small blocks come from the ordinary heap. Throws std::bad_alloc.
void* AllocatePictureBytes(std::size_t bytes);
void FreePictureBytes(void* block, std::size_t bytes) noexcept;
