#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bitmap.h"
#include "color_tables.h"

// Pairs of points that show the same object in the reference and the sample picture, and the
// colour sampling that turns them into the Calculated colour table.

struct PointRecord {
    // Pixel column and row in the reference picture (x1, y1) and the sample picture (x2, y2).
    std::optional<int32_t> x1, y1, x2, y2;

    bool HasReference() const { return x1 && y1; }
    bool HasSample() const { return x2 && y2; }
    bool Complete() const { return HasReference() && HasSample(); }
    bool operator==(const PointRecord& other) const {
        return x1 == other.x1 && y1 == other.y1 && x2 == other.x2 && y2 == other.y2;
    }
};

// The point list. It always holds at least one record, so its grid keeps a fixed header row
// above an ordinary one. Records are numbered from 1 as the grid rows show them.
class PointList {
public:
    PointList() { Reset(1); }

    // count empty records (the window starts with four, a load leaves one).
    void Reset(int count = 1);
    void Assign(std::vector<PointRecord> records);  // an empty list keeps one empty record

    int Count() const { return static_cast<int>(records_.size()); }
    const PointRecord& Record(int number) const { return records_[number - 1]; }
    const std::vector<PointRecord>& Records() const { return records_; }

    // A click on the reference view: a new record when the last one is complete, then its
    // reference point. Returns the number of the record written.
    int SetReferencePoint(int x, int y);
    // A click on the sample view: the sample point of the last record, whatever it holds.
    int SetSamplePoint(int x, int y);
    // Removes records first..last (clamped to the list); the ones below move up.
    void DeleteRecords(int first, int last);
    // Reference and sample points change places in every record.
    void SwapSides();

private:
    std::vector<PointRecord> records_;
};

// The 9 sampling offsets: the point itself, then its eight neighbours clockwise from the
// top-left one.
struct PixelOffset {
    int dx, dy;
};
extern const std::array<PixelOffset, 9> kNeighbourhood;

enum class ExportStatus { Done, TableEmpty };

// "Export colors ": for every channel and every sample value, the mean (rounded down) of the
// reference values seen at the marked points; values never seen stay empty. With
// useNeighbourhood each point contributes its 9 pixels, otherwise 1. A pixel outside its
// picture reads as 255 in every channel. The list counts as empty (TableEmpty, calculated
// untouched) when its first record lacks "X1" or "X2". An unfinished last record (a reference
// point whose sample point was not clicked yet) is left out; any other incomplete record
// throws ConvertError as converting its empty cell would.
ExportStatus ExportColors(const TBitmap& reference, const TBitmap& sample, const PointList& list,
                          bool useNeighbourhood, ColorTable& calculated);

// Where the crosses of one side stand in a view: every record whose two cells of that side
// hold values, mapped with ImageToView.
struct ViewMarker {
    int x, y;
    int number;  // the record's number, written beside the cross
};
enum class PictureSide { Reference, Sample };
std::vector<ViewMarker> ViewMarkers(const PointList& list, PictureSide side, int viewW, int viewH,
                                    int zoom, int rotation);
