#include "byte_blend.h"

BlendMasks::BlendMasks() {
    for (int j = 0; j < 48; ++j) {
        red[j] = j % 3 == 2 ? 0xFF : 0;
        oddPixels[0][j] = (j / 3) % 2 == 1 ? 0xFF : 0;
        oddPixels[1][j] = (j / 3) % 2 == 0 ? 0xFF : 0;
    }
}

const BlendMasks kBlendMasks;

void BlendBytes(uint8_t* out, const uint8_t* kept, const uint8_t* __restrict taken, std::size_t n,
                const BlendMask& mask) {
    std::size_t j = 0;
    for (; j + 48 <= n; j += 48)
        for (int i = 0; i < 48; ++i)
            out[j + i] = static_cast<uint8_t>((kept[j + i] & ~mask[i]) | (taken[j + i] & mask[i]));
    for (int i = 0; j < n; ++j, ++i)
        out[j] = static_cast<uint8_t>((kept[j] & ~mask[i]) | (taken[j] & mask[i]));
}
