#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "bitmap.h"

// Writes bitmap as an uncompressed 24-bit Windows BMP (bottom-up rows), replacing path safely
// (temporary file in the same folder, then renamed). Throws ImageError on failure.
void SaveBmpFile(const TBitmap& bitmap, const std::string& path);

// The bytes SaveBmpFile writes. Throws ImageError for a picture too large for the format.
std::vector<uint8_t> BmpFileBytes(const TBitmap& bitmap);
