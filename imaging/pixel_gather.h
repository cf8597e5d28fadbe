#pragma once
// Moving 24-bit pixels (three bytes: blue, green, red) from computed places of a source row to
// consecutive places of a target row: the inner loop of the nearest-neighbour scaling, the
// turns and mirrors, and the stereo render.
//
// Where the processor has SSSE3, up to five target pixels whose source bytes lie within sixteen
// bytes are gathered by one load, one byte shuffle and one store. The processor is asked once;
// SetShufflesEnabled(false) runs the plain pixel moves everywhere (tests compare both paths).
#include <cstdint>
#include <cstring>
#include <vector>

// Whether the processor runs SSSE3 byte shuffles (asked once).
bool ShufflesAvailable();
// Whether the fast paths use them: available and not switched off.
bool ShufflesEnabled();
// Switches the shuffle paths on or off for the whole program; on has no effect where they are
// not available.
void SetShufflesEnabled(bool enabled);

inline uint32_t LoadPixelWide(const uint8_t* s) {
    uint32_t v;
    std::memcpy(&v, s, 4);
    return v;
}

inline void CopyPixel(uint8_t* d, const uint8_t* s) {
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
}

// Moves four bytes: the fourth lands on the next target pixel, which the caller writes after,
// and is read from the next source byte, which must exist.
inline void CopyPixelWide(uint8_t* d, const uint8_t* s) {
    const uint32_t v = LoadPixelWide(s);
    std::memcpy(d, &v, 4);
}

// Four pixels given as the low three bytes of a, b, c, d, stored as exactly twelve bytes.
inline void StorePacked4(uint8_t* out, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    const uint32_t w0 = (a & 0xFFFFFFu) | (b << 24);
    const uint32_t w1 = ((b >> 8) & 0xFFFFu) | (c << 16);
    const uint32_t w2 = ((c >> 16) & 0xFFu) | (d << 8);
    std::memcpy(out, &w0, 4);
    std::memcpy(out + 4, &w1, 4);
    std::memcpy(out + 8, &w2, 4);
}

// Target columns [begin, end) of out take the source pixels at the byte offsets
// offsets[begin..end) of row. Columns before wideEnd are read four bytes at a time (the byte
// after each of their source pixels must exist); the target gets exactly its pixels' bytes.
void GatherPixels(uint8_t* out, const uint8_t* row, const int32_t* offsets, int32_t begin,
                  int32_t end, int32_t wideEnd);
void GatherPixels(uint8_t* out, const uint8_t* row, const uint32_t* offsets, int32_t begin,
                  int32_t end, int32_t wideEnd);

// Up to five neighbouring target pixels whose source bytes lie within sixteen bytes.
struct GatherBlock {
    int32_t column = 0;  // first target column
    uint32_t source = 0;  // byte offset of the sixteen source bytes loaded
    alignas(16) uint8_t pick[16] = {};  // source byte of each target byte; 0x80 gives zero
};

// The shuffle blocks of one row layout, planned once per frame or picture and run on every row.
class GatherPlan {
public:
    // Blocks for target columns [begin, end) of a row of targetWidth pixels, whose source
    // offsets there are all valid. Every block stores sixteen bytes, so blocks stop where a
    // store would pass the target row, or where a load would pass sourceLimit bytes from the
    // row start. Nothing is planned while shuffles are disabled.
    template <typename Offset>
    void Build(const Offset* offsets, int32_t begin, int32_t end, int32_t targetWidth,
               uint64_t sourceLimit = UINT64_MAX);
    void Clear();

    const std::vector<GatherBlock>& Blocks() const { return blocks_; }
    bool Empty() const { return blocks_.empty(); }
    // The first column the blocks leave to the pixel moves (begin when there is no block).
    int32_t End() const { return end_; }
    // The largest load offset of any block (-1 when there is none); a row may run the blocks
    // when MaxSource() + 16 bytes from its start are readable.
    int64_t MaxSource() const { return maxSource_; }

private:
    std::vector<GatherBlock> blocks_;
    int32_t end_ = 0;
    int64_t maxSource_ = -1;
};

// Runs the blocks of plan on one row (shuffles must be enabled, and the loads readable). The
// spare bytes of each sixteen-byte store land on columns that a later block, or the caller's
// pixel moves from plan.End() on, write afterwards.
void GatherBlocks(uint8_t* out, const uint8_t* row, const GatherPlan& plan);
