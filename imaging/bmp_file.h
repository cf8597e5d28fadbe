#pragma once
#include <string>

#include "bitmap.h"

// Writes bitmap as an uncompressed 24-bit Windows BMP (bottom-up rows), replacing path safely
// (temporary file in the same folder, then renamed). Throws ImageError on failure.
void SaveBmpFile(const TBitmap& bitmap, const std::string& path);
