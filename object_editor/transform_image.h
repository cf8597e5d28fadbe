#pragma once
#include <cstdint>

#include "bitmap.h"

// The one resampling behind the preview and the batch run: the source is shifted, turned and
// scaled into a Wo x Ho frame; what falls outside the source is white.
//
// The source centre (W / 2, H / 2) lands at (Wo / 2 + X0, Ho / 2 + Y0). Rotate is in degrees,
// positive clockwise on screen; Scale is output pixels per source pixel. For output pixel
// (x, y), with u = x - Wo / 2 - X0 and v = y - Ho / 2 - Y0, the source position is
//   sx = W / 2 + (u C - v S) / Scale,  sy = H / 2 + (u S + v C) / Scale
// (S, C the sine and cosine of -Rotate), sampled by truncation. The bracket and its product
// with the reciprocal of Scale are formed in x87 extended precision and rounded to double, as
// the pictures made by earlier versions of the editor were: a quarter turn then lands on
// exactly the same pixels. Scale 0 or a value that is not a number gives a white frame.
//
// Negative sizes count as 0. output is resized (its storage reused when it fits).
void TransformImage(const TBitmap& source, int32_t Wo, int32_t Ho, int32_t X0, int32_t Y0,
                    double Rotate, double Scale, TBitmap& output);
TBitmap TransformImage(const TBitmap& source, int32_t Wo, int32_t Ho, int32_t X0, int32_t Y0,
                       double Rotate, double Scale);

// Black lines dividing the picture into 4 x 4 cells: columns W k / 4 and rows H k / 4 for
// k = 1, 2, 3, each line stopping one pixel short of the far edge.
void DrawGuideGrid(TBitmap& picture);
