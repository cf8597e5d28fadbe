#pragma once
// The view description file: named views, each an image file and the settings of the
// adjustment chain. The file is read whole into lines; views are found and read from those
// lines, never from the disk again.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One view's settings, at their defaults until a line of the view sets them. Each step of the
// chain runs when its switch field differs from its default (see BuildView).
struct ViewSettings {
    std::string fileName;  // "filename=": the rest of the line, verbatim
    bool hasFileName = false;

    int32_t rotateAngle = 0;  // "rotate=%i,%i,%i": degrees, centre column, centre row
    int32_t rotateColumn = 0;
    int32_t rotateRow = 0;

    int32_t cropLeft = -1;  // "crop=%i,%i,%i,%i": left, top, width, height
    int32_t cropTop = -1;
    int32_t cropWidth = -1;
    int32_t cropHeight = -1;

    int32_t resizeWidth = -1;  // "resize=%i,%i"
    int32_t resizeHeight = -1;

    double resampleWidth = -1.0;  // "resample=%lf,%lf": factors
    double resampleHeight = -1.0;

    int32_t upsideDown = 0;  // "mirror=%i,%i": upside-down flag, left-right flag
    int32_t leftRight = 0;

    double gamma = 1.0;       // "gamma=%lf"
    double brightness = 1.0;  // "brightness=%lf"
    double contrast = 0.0;    // "contrast=%lf"
    int32_t inverse = 0;      // "inverse=%i"
    int32_t grayscale = 0;    // "grayscale=%i"

    double colorizeRed = -1.0;  // "colorize=%lf,%lf,%lf": red, green, blue factors
    double colorizeGreen = 0.0;
    double colorizeBlue = 0.0;
};

// The file's text as lines: CR LF, LF and a lone CR each end a line. Lines of any length are
// kept whole (a long path stays one value; nothing of a line turns into a line of its own).
std::vector<std::string> SplitDescriptionLines(const std::string& text);

// Why a file's text gives no view, for the message under "Open file before!": it is empty,
// binary, or has no "viewname=" line. english false gives the Russian text.
std::string NoViewsReason(const std::string& text, bool english);

// The view names in file order: the rest of every line that starts with "viewname=".
std::vector<std::string> ListViews(const std::vector<std::string>& lines);

// The settings of view number (1-based), read the way scanf reads each value: blanks before a
// number are skipped, commas must follow the numbers directly, reading stops at the first field
// that does not match and the later fields keep what they held. A key given twice applies
// field by field on top of the earlier line. Empty when there is no such view.
std::optional<ViewSettings> ReadView(const std::vector<std::string>& lines, int number);

// The image file a view's "filename=" value names, given the description file's path. A value
// starting with '/' is complete and used as it stands. Any other value names a file beside the
// description by its name and extension alone: a folder part in it is dropped ("pics\a.jpg"
// and "a.jpg" both name a.jpg there), and so is a drive letter or a '\' root written on another
// desktop ("D:\pictures\side.jpg" and "\x\side.jpg" name side.jpg beside the description),
// which is where a user who copied the description with its pictures has them. "" stays "".
std::string ResolveImagePath(const std::string& descriptionPath, const std::string& fileValue);
