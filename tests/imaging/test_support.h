#pragma once
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bitmap.h"

// A temporary folder removed with everything in it when the test ends.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
std::vector<std::string> FolderEntries(const std::string& folder);

// A picture whose pixel (x, y) holds blue = x * 7 + y, green = y * 5, red = 255 - x - y (all
// modulo 256): every pixel differs from its neighbours, so misplaced pixels show.
TBitmap NumberedPicture(int32_t width, int32_t height);
// Smooth colour gradients (at most two levels per pixel), friendly to lossy compression.
TBitmap GradientPicture(int32_t width, int32_t height);
// Largest difference of any channel of any pixel; both pictures must have the same size.
int MaxChannelDifference(const TBitmap& a, const TBitmap& b);
