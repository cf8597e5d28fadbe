#pragma once
// A view's picture as the viewer shows it: the view's image file decoded as JPEG (whatever its
// extension) and run through the adjustment chain.
#include <string>

#include "bitmap.h"
#include "jpeg_image.h"
#include "view_description.h"

// The file a view's picture came from and what its decode found.
struct ViewPictureSource {
    std::string path;
    JpegDecodeReport report;
};

// Throws ImageError when the view cannot be built: no "filename=" line, an image that is
// missing or not a JPEG, or a step refused by BuildView. The message starts with the view's
// number and name (View 2 "Detail": ...) and, for the image, names the resolved path first.
// A picture or step result above the memory budget throws MemoryBudgetError as it stands.
// source, when given, receives the resolved path and the decode's report.
TBitmap BuildViewPicture(const std::string& descriptionPath, int number, const std::string& name,
                         const ViewSettings& settings, ViewPictureSource* source = nullptr);
