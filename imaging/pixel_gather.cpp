#include "pixel_gather.h"

#include <algorithm>

#include "shuffle_target.h"

namespace {

#ifdef LUMIVEX_X86_SHUFFLES
const bool kShufflesAvailable = __builtin_cpu_supports("ssse3");
#else
const bool kShufflesAvailable = false;
#endif
bool shufflesEnabled = kShufflesAvailable;

template <typename Offset>
void Gather(uint8_t* out, const uint8_t* row, const Offset* offsets, int32_t begin, int32_t end,
            int32_t wideEnd) {
    int32_t x = begin;
    const int32_t wide = std::min(wideEnd, end);
    for (; x + 4 <= wide; x += 4)
        StorePacked4(out + 3 * static_cast<std::size_t>(x), LoadPixelWide(row + offsets[x]),
                     LoadPixelWide(row + offsets[x + 1]), LoadPixelWide(row + offsets[x + 2]),
                     LoadPixelWide(row + offsets[x + 3]));
    for (; x < end; ++x) CopyPixel(out + 3 * static_cast<std::size_t>(x), row + offsets[x]);
}

}  // namespace

bool ShufflesAvailable() { return kShufflesAvailable; }
bool ShufflesEnabled() { return shufflesEnabled; }
void SetShufflesEnabled(bool enabled) { shufflesEnabled = enabled && kShufflesAvailable; }

void GatherPixels(uint8_t* out, const uint8_t* row, const int32_t* offsets, int32_t begin,
                  int32_t end, int32_t wideEnd) {
    Gather(out, row, offsets, begin, end, wideEnd);
}

void GatherPixels(uint8_t* out, const uint8_t* row, const uint32_t* offsets, int32_t begin,
                  int32_t end, int32_t wideEnd) {
    Gather(out, row, offsets, begin, end, wideEnd);
}

void GatherPlan::Clear() {
    blocks_.clear();
    end_ = 0;
    maxSource_ = -1;
}

template <typename Offset>
void GatherPlan::Build(const Offset* offsets, int32_t begin, int32_t end, int32_t targetWidth,
                       uint64_t sourceLimit) {
    Clear();
    end_ = begin;
    if (!shufflesEnabled) return;
    int32_t x = begin;
    while (x < end && 3 * static_cast<uint64_t>(x) + 16 <= 3 * static_cast<uint64_t>(targetWidth) &&
           static_cast<uint64_t>(offsets[x]) + 16 <= sourceLimit) {
        GatherBlock block;
        block.column = x;
        block.source = static_cast<uint32_t>(offsets[x]);
        const uint64_t first = block.source;
        int32_t n = 0;
        while (n < 5 && x + n < end && static_cast<uint64_t>(offsets[x + n]) >= first &&
               static_cast<uint64_t>(offsets[x + n]) + 3 - first <= 16) {
            for (int c = 0; c < 3; ++c)
                block.pick[3 * n + c] = static_cast<uint8_t>(offsets[x + n] - first + c);
            ++n;
        }
        for (int i = 3 * n; i < 16; ++i) block.pick[i] = 0x80;  // zero; overwritten later
        maxSource_ = std::max<int64_t>(maxSource_, block.source);
        blocks_.push_back(block);
        x += n;
    }
    end_ = x;
}

template void GatherPlan::Build(const int32_t*, int32_t, int32_t, int32_t, uint64_t);
template void GatherPlan::Build(const uint32_t*, int32_t, int32_t, int32_t, uint64_t);

#ifdef LUMIVEX_X86_SHUFFLES
LUMIVEX_SSSE3 void GatherBlocks(uint8_t* out, const uint8_t* row, const GatherPlan& plan) {
    for (const GatherBlock& block : plan.Blocks()) {
        const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + block.source));
        const __m128i pick = _mm_load_si128(reinterpret_cast<const __m128i*>(block.pick));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * static_cast<std::size_t>(block.column)),
                         _mm_shuffle_epi8(source, pick));
    }
}
#else
void GatherBlocks(uint8_t*, const uint8_t*, const GatherPlan&) {}
#endif
