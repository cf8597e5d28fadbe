#include "picture_memory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kPage = 4096;

// Blocks below smallBelow come from the ordinary heap; larger ones are rounded up to and
// aligned on alignment.
void* AllocateBlock(std::size_t bytes, std::size_t smallBelow, std::size_t alignment) {
    if (bytes < smallBelow) {
        void* block = std::malloc(bytes ? bytes : 1);
        if (!block) throw std::bad_alloc();
        return block;
    }
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    if (rounded < bytes) throw std::bad_alloc();
    void* block = std::aligned_alloc(alignment, rounded);
    if (!block) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    // A hint: refused, the block works as is.
    if (alignment == kHugePage) (void)::madvise(block, rounded, MADV_HUGEPAGE);
#endif
    return block;
}

}  // namespace

void* AllocatePictureBytes(std::size_t bytes, PageUse use) {
    if (use == PageUse::Stream) return AllocateBlock(bytes, 16 * kPage, kPage);
    return AllocateBlock(bytes, 2 * kHugePage, kHugePage);
}

void FreePictureBytes(void* block, std::size_t) noexcept { std::free(block); }
