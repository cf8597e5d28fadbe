#pragma once
#include <cstddef>

// The one allocator of picture storage (bitmaps and packed pixel buffers). Large blocks are
// aligned to 2 MiB and offered to the kernel for huge pages, which turns thousands of page
// faults per fresh picture (and TLB misses where a render or a quarter turn reads many rows at
// once) into a few. Small blocks come from the ordinary heap. Throws std::bad_alloc.
//
// Stream blocks (encoded files, written once front to back and read once) take no huge pages:
// a sequential pass gains nothing from them, and on virtual machines that hand freed memory
// back to their host, a fresh huge page is one the host must find and clear again, which cost a
// batch more processor time than its colour work. They are aligned to 4096 bytes instead, so
// that a write straight to disk (AtomicFileWriter::WriteUncached) can take them.
enum class PageUse { Picture, Stream };
void* AllocatePictureBytes(std::size_t bytes, PageUse use = PageUse::Picture);
void FreePictureBytes(void* block, std::size_t bytes) noexcept;
