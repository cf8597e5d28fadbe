// Nearest-neighbour scaling.
#include <cstring>
#include <vector>

#include "image_ops.h"
#include "image_ops_internal.h"
#include "pixel_gather.h"

using image_ops_detail::RowBytes;
using image_ops_detail::RunOnCopyIfSame;

void ScaleNearest(const TBitmap& source, TBitmap& target) {
    if (RunOnCopyIfSame(source, target, ScaleNearest)) return;
    const int32_t w = source.Width();
    const int32_t h = source.Height();
    const int32_t wt = target.Width();
    const int32_t ht = target.Height();
    const std::size_t targetRowBytes = RowBytes(target);
    if (wt == 0 || ht == 0) return;
    if (w == 0 || h == 0) {  // nothing to sample: black
        for (int32_t i = 0; i < ht; ++i) std::memset(target.ScanLine(i), 0, targetRowBytes);
        return;
    }
    // Source byte offset of every target column. Products are formed in 64 bits so that large
    // pictures cannot overflow; a one-column target samples column 0.
    std::vector<uint32_t> offsets(static_cast<std::size_t>(wt));
    for (int32_t j = 0; j < wt; ++j)
        offsets[j] = wt == 1 ? 0
                             : static_cast<uint32_t>(static_cast<int64_t>(j) * (w - 1) / (wt - 1) * 3);
    const bool sameColumns = wt == w;  // the formula then maps every column to itself
    // Columns whose source pixel is not the last one may be read four bytes at a time; the
    // mapping grows with j, so they form a prefix.
    int32_t wideEnd = 0;
    const uint32_t lastOffset = static_cast<uint32_t>(w - 1) * 3;
    while (wideEnd < wt && offsets[wideEnd] < lastOffset) ++wideEnd;
    GatherPlan plan;
    if (!sameColumns) plan.Build(offsets.data(), 0, wt, wt, RowBytes(source));

    int64_t previous = -1;
    for (int32_t i = 0; i < ht; ++i) {
        const int64_t sy = ht == 1 ? 0 : static_cast<int64_t>(i) * (h - 1) / (ht - 1);
        uint8_t* d = target.ScanLine(i);
        if (sy == previous) {
            std::memcpy(d, target.ScanLine(i - 1), targetRowBytes);
            continue;
        }
        previous = sy;
        const uint8_t* s = source.ScanLine(static_cast<int32_t>(sy));
        if (sameColumns) {
            std::memcpy(d, s, targetRowBytes);
            continue;
        }
        if (!plan.Empty()) GatherBlocks(d, s, plan);
        GatherPixels(d, s, offsets.data(), plan.End(), wt, wideEnd);
    }
}
