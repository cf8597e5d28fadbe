#pragma once
// What the copy operations (image_ops_*.cpp) share.
#include <cstddef>

#include "bitmap.h"

namespace image_ops_detail {

inline std::size_t RowBytes(const TBitmap& b) { return static_cast<std::size_t>(b.Width()) * 3; }

// Source and target must be distinct; a caller that passes one bitmap as both gets the result
// it would expect, computed from a copy.
template <typename Op>
bool RunOnCopyIfSame(const TBitmap& source, TBitmap& target, Op op) {
    if (&source != &target) return false;
    const TBitmap copy = source;
    op(copy, target);
    return true;
}

}  // namespace image_ops_detail
