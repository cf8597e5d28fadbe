#pragma once
#include <string>
#include <vector>

#include "color_tables.h"
#include "point_pairs.h"

// The two text files of the Color Corrector. Both are written with CR LF line ends through the
// atomic save (a failed write leaves an existing file as it was) and read with CR LF, LF or a
// lone CR.

// Points file: the reference picture's path, the sample picture's path, then one line per
// record with "X1", "Y1", "X2", "Y2" separated by tabs (empty cells as empty fields). A path
// holding a CR or LF would come back as two lines: it throws UnwritableValueError naming the
// path and the character, before anything is written (a TAB is kept: a path takes its whole
// line).
std::string FormatPointsFile(const std::string& referencePath, const std::string& samplePath,
                             const PointList& list);
void SavePointsFile(const std::string& path, const std::string& referencePath,
                    const std::string& samplePath, const PointList& list);

struct PointsFileContent {
    std::string referencePath, samplePath;  // the first two lines as written, any length
    std::vector<PointRecord> records;       // complete groups of four integers, in order
    // 0 when the records were read to the end; otherwise the line where a group that is not
    // four integers starts (reading stops there; the records before it are kept).
    int stoppedAtLine = 0;
};
PointsFileContent ParsePointsFile(const std::string& text);

// Colour table file: 256 lines of the Result table's red, green and blue texts, tab-separated.
std::string FormatColorTableFile(const ColorTable& result);
void SaveColorTableFile(const std::string& path, const ColorTable& result);

struct ColorTableFileContent {
    ColorTable result;  // rows 0..rowsRead-1 hold the file's values; the others are empty
    int rowsRead = 0;   // complete groups of three integers before the end or the first junk
};
ColorTableFileContent ParseColorTableFile(const std::string& text);
