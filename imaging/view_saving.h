#pragma once
// Which file a saved view goes to, and in which format, from the name chosen in the save
// dialog and the dialog's filter index. Shared by the viewers that save the picture they show
// (filter "JPEG Image File (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp").
#include <string>

#include "bitmap.h"

enum class SaveFormat { Jpeg, Bmp };

struct SaveTarget {
    std::string path;
    SaveFormat format;
};

// ".bmp" (any letter case) saves a BMP, ".jpg" or ".jpeg" a JPEG, under the name as chosen.
// Any other extension, or none, keeps the name and appends ".jpg" (filter index 1, the JPEG
// filter) or ".bmp" (any other index).
SaveTarget ChooseSaveTarget(const std::string& chosenName, int filterIndex);

// The extension of the file name part of path, dot included, lowered ("" when there is none).
std::string LowerExtension(const std::string& path);

// Quality of JPEG files written by the viewer.
constexpr int kSavedViewJpegQuality = 80;

// Writes picture where ChooseSaveTarget sends it (JPEG at kSavedViewJpegQuality, or BMP),
// replacing any file there only once the new one is complete; returns the target. Throws
// ImageError naming the file.
SaveTarget SaveViewPicture(const TBitmap& picture, const std::string& chosenName, int filterIndex);
