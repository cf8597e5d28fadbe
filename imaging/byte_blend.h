#pragma once
// Mixing two rows of 24-bit pixels byte by byte: the anaglyph takes the red byte of each pixel
// from one picture and the rest from the other, the column interlace every other pixel. The
// mask repeats every 48 bytes (sixteen pixels), so the loop runs on whole vector registers.
#include <cstddef>
#include <cstdint>

using BlendMask = uint8_t[48];

// The masks counted from a pixel boundary.
struct BlendMasks {
    BlendMask red;           // the red byte of every pixel
    BlendMask oddPixels[2];  // odd columns, when the row starts at an even / odd column
    BlendMasks();
};
extern const BlendMasks kBlendMasks;

// out[j] := mask byte j set ? taken[j] : kept[j], over n bytes, the mask repeating every 48.
// kept may be out itself.
void BlendBytes(uint8_t* out, const uint8_t* kept, const uint8_t* __restrict taken, std::size_t n,
                const BlendMask& mask);
