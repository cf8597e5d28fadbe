#pragma once
#include <cstdint>

#include "bitmap.h"

// The six geometric copy operations. Each reads source and writes a distinct target; none
// changes channel order or values. Passing one bitmap as both still gives the expected result
// (the source is copied first). A target that already has the right size keeps its storage.

// The caller sizes target first. A one-row (one-column) target takes source row (column) 0;
// an empty source gives a black target.
void ScaleNearest(const TBitmap& source, TBitmap& target);
// Clockwise by 0, 90, 180 or 270 degrees; any other angle leaves target untouched.
void RotateImage(const TBitmap& source, TBitmap& target, int32_t angle);
// Inclusive rectangle; target becomes (right-left+1) x (bottom-top+1). Pixels outside the
// source are never read: they come out black. An empty or inverted rectangle gives an empty
// target; one too large to hold throws ImageError.
void CropImage(const TBitmap& source, int32_t left, int32_t top, int32_t right, int32_t bottom,
               TBitmap& target);
void FlipVertical(const TBitmap& source, TBitmap& target);
void MirrorHorizontal(const TBitmap& source, TBitmap& target);
void CopyImage(const TBitmap& source, TBitmap& target);
