#include "stereo_composition.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "byte_blend.h"
#include "image_error.h"
#include "pixel_gather.h"
#include "shuffle_target.h"

namespace {

// Far beyond any picture (decoded pictures stay below 2^30 pixels), small enough that sums of two
// such values never leave int64.
constexpr double kCoordinateLimit = 4.0e15;

std::size_t HalfBytes(const StereoPair& pair) {
    if (pair.halfWidth <= 0 || pair.height <= 0) return 0;
    return static_cast<std::size_t>(pair.halfWidth) * static_cast<std::size_t>(pair.height) * 3;
}

// A half whose buffer does not have the declared size is treated as absent (all grey) rather
// than read out of bounds.
const uint8_t* HalfData(const StereoPair& pair, StereoHalf half) {
    const PackedPixels& pixels = half == StereoHalf::First ? pair.first : pair.second;
    if (HalfBytes(pair) == 0 || pixels.Width() != pair.halfWidth || pixels.Height() != pair.height)
        return nullptr;
    return pixels.Data();
}

inline void PutPixel(uint8_t* out, const uint8_t* row, int32_t offset) {
    if (offset >= 0) {
        CopyPixel(out, row + offset);
    } else {
        out[0] = kStereoGrey;
        out[1] = kStereoGrey;
        out[2] = kStereoGrey;
    }
}

// The source columns of one half for one frame.
struct ColumnTable {
    std::vector<int32_t> offsets;  // byte offset of the source pixel within a row, -1 outside
    // Source columns are a monotone function of display columns, so the display columns that
    // fall inside the half form one interval [begin, end); every other column is grey.
    int32_t begin = 0;
    int32_t end = 0;
    bool contiguous = false;  // inside, neighbouring display columns read neighbouring pixels
    int32_t maxOffset = -1;
    // Shuffle blocks covering the start of [begin, end) where it is not contiguous.
    GatherPlan blocks;
};

void BuildColumnTable(ColumnTable& table, int32_t width, double scale, double position,
                      int64_t shift, int64_t halfWidth) {
    table.offsets.resize(static_cast<std::size_t>(width));
    int32_t first = -1;
    int32_t last = -1;
    int32_t inside = 0;
    table.maxOffset = -1;
    for (int32_t x = 0; x < width; ++x) {
        const int64_t sx = TruncateTowardZero(static_cast<double>(x) * scale - position) + shift;
        if (sx >= 0 && sx < halfWidth) {
            const int32_t offset = static_cast<int32_t>(sx * 3);
            table.offsets[static_cast<std::size_t>(x)] = offset;
            if (first < 0) first = x;
            last = x;
            ++inside;
            if (offset > table.maxOffset) table.maxOffset = offset;
        } else {
            table.offsets[static_cast<std::size_t>(x)] = -1;
        }
    }
    // Should the columns inside not form one interval after all, the empty interval sends every
    // column through the careful per-pixel path, which is right for any table.
    if (inside == 0 || last - first + 1 != inside) {
        table.begin = table.end = 0;
        table.contiguous = false;
    } else {
        table.begin = first;
        table.end = last + 1;
        table.contiguous = true;
        for (int32_t x = table.begin + 1; x < table.end && table.contiguous; ++x)
            table.contiguous = table.offsets[static_cast<std::size_t>(x)] ==
                               table.offsets[static_cast<std::size_t>(x) - 1] + 3;
    }
    table.blocks.Clear();
    if (!table.contiguous) table.blocks.Build(table.offsets.data(), table.begin, table.end, width);
}

// One row of a half as a display row needs it.
struct SourceRow {
    const uint8_t* bytes = nullptr;  // nullptr: the display row lies outside the half
    bool wideReads = false;          // 4-byte loads at every table offset stay inside the array
    bool shuffleReads = false;       // so do the 16-byte loads of the shuffle blocks
};

SourceRow RowOf(const uint8_t* half, int64_t row, int64_t rows, std::size_t rowBytes,
                const ColumnTable& table) {
    SourceRow result;
    if (half == nullptr || row < 0 || row >= rows) return result;
    const std::size_t at = static_cast<std::size_t>(row) * rowBytes;
    const std::size_t total = rowBytes * static_cast<std::size_t>(rows);
    result.bytes = half + at;
    // Only the last row or so lacks the bytes after its last pixels.
    result.wideReads =
        table.maxOffset >= 0 && at + static_cast<std::size_t>(table.maxOffset) + 4 <= total;
    result.shuffleReads = table.blocks.MaxSource() >= 0 &&
                          at + static_cast<std::size_t>(table.blocks.MaxSource()) + 16 <= total;
    return result;
}

// A display row from one half.
void CopyHalfRow(uint8_t* out, int32_t width, const SourceRow& source, const ColumnTable& table) {
    if (source.bytes == nullptr) {
        std::memset(out, kStereoGrey, static_cast<std::size_t>(width) * 3);
        return;
    }
    const int32_t* offsets = table.offsets.data();
    for (int32_t x = 0; x < table.begin; ++x) PutPixel(out + 3 * x, source.bytes, offsets[x]);
    if (table.contiguous) {
        std::memcpy(out + 3 * table.begin, source.bytes + offsets[table.begin],
                    static_cast<std::size_t>(table.end - table.begin) * 3);
    } else {
        int32_t x = table.begin;
        if (source.shuffleReads && !table.blocks.Empty()) {
            GatherBlocks(out, source.bytes, table.blocks);
            x = table.blocks.End();
        }
        GatherPixels(out, source.bytes, offsets, x, table.end, source.wideReads ? table.end : x);
    }
    for (int32_t x = table.end; x < width; ++x) PutPixel(out + 3 * x, source.bytes, offsets[x]);
}

// 48 bytes are 16 whole pixels and three 16-byte vectors.
const BlendMask& MaskFor(StereoMode mode, int32_t firstColumn) {
    return mode == StereoMode::Anaglyph ? kBlendMasks.red : kBlendMasks.oddPixels[firstColumn & 1];
}

// The display columns where both halves are inside, [begin, end). There the secondary offset is
// the primary offset plus 3 * dx, so one set of shuffle blocks serves both halves.
struct JointColumns {
    int32_t begin = 0;
    int32_t end = 0;
    bool contiguous = false;
    int32_t secondaryShift = 0;  // 3 * dx in bytes
    GatherPlan blocks;           // loads counted in the primary row
};

void BuildJointColumns(JointColumns& joint, const ColumnTable& primary,
                       const ColumnTable& secondary, int32_t width) {
    joint.begin = std::max(primary.begin, secondary.begin);
    joint.end = std::min(primary.end, secondary.end);
    joint.blocks.Clear();
    if (joint.end <= joint.begin) {
        joint.begin = joint.end = 0;
        return;
    }
    joint.contiguous = primary.contiguous && secondary.contiguous;
    joint.secondaryShift = secondary.offsets[static_cast<std::size_t>(joint.begin)] -
                           primary.offsets[static_cast<std::size_t>(joint.begin)];
    if (!joint.contiguous)
        joint.blocks.Build(primary.offsets.data(), joint.begin, joint.end, width);
}

// The careful pixel of the two-half modes, right for any table entry and for rows outside a
// half (whose table is then all -1).
inline void TwoHalfPixel(uint8_t* out, int32_t x, StereoMode mode, const uint8_t* primaryRow,
                         int32_t p, const uint8_t* secondaryRow, int32_t q) {
    if (mode == StereoMode::Anaglyph) {
        if (q >= 0) {
            out[0] = secondaryRow[q];
            out[1] = secondaryRow[q + 1];
        } else {
            out[0] = kStereoGrey;
            out[1] = kStereoGrey;
        }
        out[2] = p >= 0 ? primaryRow[p + 2] : kStereoGrey;
    } else if (x & 1) {
        PutPixel(out, primaryRow, p);
    } else {
        PutPixel(out, secondaryRow, q);
    }
}

#ifdef LUMIVEX_X86_SHUFFLES
// Each block shuffles 16 bytes of either half the same way and takes the masked bytes from the
// primary half. The secondary bytes lie secondaryShift bytes after the primary ones.
LUMIVEX_SSSE3 void ShuffleTwoHalves(uint8_t* out, const uint8_t* primaryRow,
                                    const uint8_t* secondaryRow, int32_t secondaryShift,
                                    const GatherPlan& plan, StereoMode mode) {
    const __m128i red = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kBlendMasks.red));
    const __m128i odd[2] = {
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(kBlendMasks.oddPixels[0])),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(kBlendMasks.oddPixels[1]))};
    const bool anaglyph = mode == StereoMode::Anaglyph;
    for (const GatherBlock& block : plan.Blocks()) {
        const __m128i pick = _mm_load_si128(reinterpret_cast<const __m128i*>(block.pick));
        const __m128i p = _mm_shuffle_epi8(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(primaryRow + block.source)), pick);
        const __m128i q = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(
                                               secondaryRow + (block.source + secondaryShift))),
                                           pick);
        const __m128i mask = anaglyph ? red : odd[block.column & 1];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * block.column),
                         _mm_or_si128(_mm_and_si128(mask, p), _mm_andnot_si128(mask, q)));
    }
}
#endif

// One display row of the anaglyph or column interlace. scratch holds a display row.
void TwoHalfRow(uint8_t* out, int32_t width, StereoMode mode, const SourceRow& primary,
                const ColumnTable& primaryTable, const SourceRow& secondary,
                const ColumnTable& secondaryTable, const JointColumns& joint,
                std::size_t primaryBytesLeft, std::size_t secondaryBytesLeft, uint8_t* scratch) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (primary.bytes == nullptr || secondary.bytes == nullptr || joint.end <= joint.begin) {
        // Some half is missing in this row or shares no column with the other: compose each
        // half's row, then take the primary bytes.
        CopyHalfRow(out, width, secondary, secondaryTable);
        CopyHalfRow(scratch, width, primary, primaryTable);
        BlendBytes(out, out, scratch, rowBytes, MaskFor(mode, 0));
        return;
    }
    const uint8_t* pr = primary.bytes;
    const uint8_t* qr = secondary.bytes;
    const int32_t* p = primaryTable.offsets.data();
    const int32_t* q = secondaryTable.offsets.data();

    // Left to right, so that spare bytes of wide stores are overwritten by what follows.
    for (int32_t x = 0; x < joint.begin; ++x)
        TwoHalfPixel(out + 3 * x, x, mode, pr, p[x], qr, q[x]);
    if (joint.contiguous) {
        BlendBytes(out + 3 * joint.begin, qr + q[joint.begin], pr + p[joint.begin],
                   static_cast<std::size_t>(joint.end - joint.begin) * 3,
                   MaskFor(mode, joint.begin));
    } else {
        int32_t x = joint.begin;
#ifdef LUMIVEX_X86_SHUFFLES
        // The bytes left from each row's start to the end of its half bound the 16-byte loads.
        const int64_t lastLoad = joint.blocks.MaxSource() + 16;
        if (!joint.blocks.Empty() && lastLoad <= static_cast<int64_t>(primaryBytesLeft) &&
            lastLoad + joint.secondaryShift <= static_cast<int64_t>(secondaryBytesLeft)) {
            ShuffleTwoHalves(out, pr, qr, joint.secondaryShift, joint.blocks, mode);
            x = joint.blocks.End();
        }
#else
        (void)primaryBytesLeft;
        (void)secondaryBytesLeft;
#endif
        if (primary.wideReads && secondary.wideReads) {
            if (mode == StereoMode::Anaglyph) {
                auto mixed = [&](int32_t at) {
                    return (LoadPixelWide(qr + q[at]) & 0xFFFFu) | (uint32_t{pr[p[at] + 2]} << 16);
                };
                for (; x + 4 <= joint.end; x += 4)
                    StorePacked4(out + 3 * x, mixed(x), mixed(x + 1), mixed(x + 2), mixed(x + 3));
            } else {
                if ((x & 1) != 0 && x < joint.end) {
                    TwoHalfPixel(out + 3 * x, x, mode, pr, p[x], qr, q[x]);
                    ++x;
                }
                for (; x + 4 <= joint.end; x += 4)
                    StorePacked4(out + 3 * x, LoadPixelWide(qr + q[x]), LoadPixelWide(pr + p[x + 1]),
                                 LoadPixelWide(qr + q[x + 2]), LoadPixelWide(pr + p[x + 3]));
            }
        }
        for (; x < joint.end; ++x) TwoHalfPixel(out + 3 * x, x, mode, pr, p[x], qr, q[x]);
    }
    for (int32_t x = joint.end; x < width; ++x)
        TwoHalfPixel(out + 3 * x, x, mode, pr, p[x], qr, q[x]);
}

}  // namespace

int64_t TruncateTowardZero(double value) {
    if (std::isnan(value)) return 0;
    if (value >= kCoordinateLimit) return static_cast<int64_t>(kCoordinateLimit);
    if (value <= -kCoordinateLimit) return -static_cast<int64_t>(kCoordinateLimit);
    return static_cast<int64_t>(value);  // the conversion truncates toward zero
}

StereoPair SplitStereoPair(const TBitmap& image) {
    StereoPair pair;
    const int32_t halfWidth = image.Width() / 2;
    const int32_t height = image.Height();
    if (halfWidth <= 0 || height <= 0) {
        pair.halfWidth = halfWidth > 0 ? halfWidth : 0;
        pair.height = height > 0 ? height : 0;
        return pair;
    }
    try {
        pair.first = PackedPixels::FromColumns(image, 0, halfWidth);
        pair.second = PackedPixels::FromColumns(image, halfWidth, halfWidth);
    } catch (const std::bad_alloc&) {
        throw ImageError("Not enough memory for a stereo pair of " + std::to_string(halfWidth) +
                         " x " + std::to_string(height) + " pixels");
    }
    pair.halfWidth = halfWidth;
    pair.height = height;
    return pair;
}

StereoColor SampleHalf(const StereoPair& pair, StereoHalf half, int64_t x, int64_t y) {
    const uint8_t* data = HalfData(pair, half);
    if (data == nullptr || x < 0 || y < 0 || x >= pair.halfWidth || y >= pair.height)
        return StereoColor{kStereoGrey, kStereoGrey, kStereoGrey};
    const uint8_t* p =
        data + (static_cast<std::size_t>(y) * static_cast<std::size_t>(pair.halfWidth) +
                static_cast<std::size_t>(x)) *
                   3;
    return StereoColor{p[2], p[1], p[0]};
}

StereoColor ComposeStereoPixel(const StereoPair& pair, int64_t sx, int64_t sy, bool swap,
                               StereoMode mode, int64_t dx, int64_t dy, int columnParity,
                               int rowParity) {
    const StereoHalf primary = swap ? StereoHalf::Second : StereoHalf::First;
    const StereoHalf secondary = swap ? StereoHalf::First : StereoHalf::Second;
    switch (mode) {
        case StereoMode::Left:
            return SampleHalf(pair, primary, sx, sy);
        case StereoMode::Right:
            return SampleHalf(pair, secondary, sx + dx, sy + dy);
        case StereoMode::Anaglyph: {
            const StereoColor p = SampleHalf(pair, primary, sx, sy);
            const StereoColor q = SampleHalf(pair, secondary, sx + dx, sy + dy);
            return StereoColor{p.red, q.green, q.blue};
        }
        case StereoMode::HorizontalInterlace:
            return rowParity == 0 ? SampleHalf(pair, primary, sx, sy)
                                  : SampleHalf(pair, secondary, sx + dx, sy + dy);
        case StereoMode::VerticalInterlace:
            return columnParity == 1 ? SampleHalf(pair, primary, sx, sy)
                                     : SampleHalf(pair, secondary, sx + dx, sy + dy);
    }
    return StereoColor{kStereoGrey, kStereoGrey, kStereoGrey};
}

int64_t ParallaxPixelsX(const StereoViewState& state) {
    return TruncateTowardZero(state.parallaxX);
}
int64_t ParallaxPixelsY(const StereoViewState& state) {
    return TruncateTowardZero(state.parallaxY);
}

namespace {

// What every row of one frame shares: the halves as the mode uses them and their column tables.
struct StereoFrame {
    StereoMode mode = StereoMode::Left;
    int32_t width = 0;
    int64_t dy = 0;
    const uint8_t* primary = nullptr;
    const uint8_t* secondary = nullptr;
    std::size_t rowBytes = 0;   // of a half
    int64_t rows = 0;           // of a half
    std::size_t halfBytes = 0;
    ColumnTable primaryColumns, secondaryColumns;
    JointColumns joint;
    std::vector<uint8_t> scratch;  // a display row, for the two-half modes
};

void PrepareFrame(StereoFrame& frame, const StereoPair& pair, const StereoViewState& state,
                  int32_t width) {
    frame.mode = state.mode;
    frame.width = width;
    frame.dy = ParallaxPixelsY(state);
    frame.primary = HalfData(pair, state.swap ? StereoHalf::Second : StereoHalf::First);
    frame.secondary = HalfData(pair, state.swap ? StereoHalf::First : StereoHalf::Second);
    frame.rowBytes = static_cast<std::size_t>(pair.halfWidth > 0 ? pair.halfWidth : 0) * 3;
    frame.rows = pair.height;
    frame.halfBytes = frame.rowBytes * static_cast<std::size_t>(frame.rows > 0 ? frame.rows : 0);
    // An absent half is all grey: no column and no row falls inside it.
    if (frame.mode != StereoMode::Right)
        BuildColumnTable(frame.primaryColumns, width, state.scale, state.positionX, 0,
                         frame.primary ? pair.halfWidth : 0);
    if (frame.mode != StereoMode::Left)
        BuildColumnTable(frame.secondaryColumns, width, state.scale, state.positionX,
                         ParallaxPixelsX(state), frame.secondary ? pair.halfWidth : 0);
    if (frame.mode == StereoMode::Anaglyph || frame.mode == StereoMode::VerticalInterlace) {
        BuildJointColumns(frame.joint, frame.primaryColumns, frame.secondaryColumns, width);
        frame.scratch.resize(static_cast<std::size_t>(width) * 3);
    }
}

// Display row y, whose source row is sy.
void RenderRow(StereoFrame& frame, int32_t y, int64_t sy, uint8_t* out) {
    const int32_t width = frame.width;
    auto primaryRow = [&] {
        return RowOf(frame.primary, sy, frame.rows, frame.rowBytes, frame.primaryColumns);
    };
    auto secondaryRow = [&] {
        return RowOf(frame.secondary, sy + frame.dy, frame.rows, frame.rowBytes,
                     frame.secondaryColumns);
    };
    switch (frame.mode) {
        case StereoMode::Left:
            CopyHalfRow(out, width, primaryRow(), frame.primaryColumns);
            break;
        case StereoMode::Right:
            CopyHalfRow(out, width, secondaryRow(), frame.secondaryColumns);
            break;
        case StereoMode::HorizontalInterlace:
            if ((y & 1) == 0)
                CopyHalfRow(out, width, primaryRow(), frame.primaryColumns);
            else
                CopyHalfRow(out, width, secondaryRow(), frame.secondaryColumns);
            break;
        case StereoMode::Anaglyph:
        case StereoMode::VerticalInterlace: {
            const SourceRow primary = primaryRow();
            const SourceRow secondary = secondaryRow();
            const std::size_t primaryLeft =
                primary.bytes ? frame.halfBytes - static_cast<std::size_t>(sy) * frame.rowBytes : 0;
            const std::size_t secondaryLeft =
                secondary.bytes
                    ? frame.halfBytes - static_cast<std::size_t>(sy + frame.dy) * frame.rowBytes
                    : 0;
            TwoHalfRow(out, width, frame.mode, primary, frame.primaryColumns, secondary,
                       frame.secondaryColumns, frame.joint, primaryLeft, secondaryLeft,
                       frame.scratch.data());
            break;
        }
        default:
            std::memset(out, kStereoGrey, static_cast<std::size_t>(width) * 3);
            break;
    }
}

}  // namespace

void RenderStereoView(const StereoPair& pair, const StereoViewState& state, TBitmap& display) {
    const int32_t width = display.Width();
    const int32_t height = display.Height();
    if (width <= 0 || height <= 0) return;
    // Byte offsets within a source row are held as 32-bit values; rows too wide for that (beyond
    // any decodable picture) take the slow path.
    if (pair.halfWidth > INT32_MAX / 3) {
        RenderStereoViewPerPixel(pair, state, display);
        return;
    }
    StereoFrame frame;
    PrepareFrame(frame, pair, state, width);

    // Zoomed in, neighbouring display rows read the same source row; such a row is a copy of
    // the one above it (of the one two above with row interlace, whose rows alternate halves).
    const int32_t repeatDistance = state.mode == StereoMode::HorizontalInterlace ? 2 : 1;
    std::vector<int64_t> sourceRows(static_cast<std::size_t>(height));
    const std::size_t displayRowBytes = static_cast<std::size_t>(width) * 3;
    const double scale = state.scale;
    const double positionY = state.positionY;
    for (int32_t y = 0; y < height; ++y) {
        const int64_t sy = TruncateTowardZero(static_cast<double>(y) * scale - positionY);
        sourceRows[static_cast<std::size_t>(y)] = sy;
        uint8_t* out = display.ScanLine(y);
        if (y >= repeatDistance && sourceRows[static_cast<std::size_t>(y - repeatDistance)] == sy)
            std::memcpy(out, display.ScanLine(y - repeatDistance), displayRowBytes);
        else
            RenderRow(frame, y, sy, out);
    }
}

void RenderStereoViewPerPixel(const StereoPair& pair, const StereoViewState& state,
                              TBitmap& display) {
    const int32_t width = display.Width();
    const int32_t height = display.Height();
    const int64_t dx = ParallaxPixelsX(state);
    const int64_t dy = ParallaxPixelsY(state);
    for (int32_t y = 0; y < height; ++y) {
        const int64_t sy =
            TruncateTowardZero(static_cast<double>(y) * state.scale - state.positionY);
        uint8_t* out = display.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            const int64_t sx =
                TruncateTowardZero(static_cast<double>(x) * state.scale - state.positionX);
            const StereoColor c =
                ComposeStereoPixel(pair, sx, sy, state.swap, state.mode, dx, dy, x % 2, y % 2);
            out[3 * x] = c.blue;
            out[3 * x + 1] = c.green;
            out[3 * x + 2] = c.red;
        }
    }
}
