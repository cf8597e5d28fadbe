#include "picture_memory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

}  // namespace

void* AllocatePictureBytes(std::size_t bytes) {
    if (bytes < 2 * kHugePage) {
        void* block = std::malloc(bytes ? bytes : 1);
        if (!block) throw std::bad_alloc();
        return block;
    }
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    if (rounded < bytes) throw std::bad_alloc();
    void* block = std::aligned_alloc(kHugePage, rounded);
    if (!block) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    (void)::madvise(block, rounded, MADV_HUGEPAGE);  // a hint: refused, the block works as is
#endif
    return block;
}

void FreePictureBytes(void* block, std::size_t) noexcept { std::free(block); }
