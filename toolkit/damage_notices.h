#pragma once
#include <set>
#include <string>

#include "jpeg_image.h"

// Tells the user in a message box that a picture's data was damaged and it is shown only in
// part ("path: reason"), once per file however often the window decodes that file again.
//
//   JpegDecodeReport report;
//   TBitmap picture = LoadJpegFile(path, &report);
//   ... show picture ...
//   damageNotices_.Tell(path, report);
class TDamageNotices {
public:
    void Tell(const std::string& path, const JpegDecodeReport& report);

private:
    std::set<std::string> told_;
};
