#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch_pipeline.h"
#include "bitmap.h"
#include "color_tables.h"
#include "progress.h"

// Correction of picture files: the colour mapping, an optional cut, resampling, a quarter turn
// and two mirrors, run alike for the preview of one file and for the batch that writes every
// listed file into the folder "corrected" beside it.

struct CutRect {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool operator==(const CutRect& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

struct PictureSize {
    int32_t width = 0, height = 0;
};

struct ProcessOptions {
    std::optional<CutRect> cut;
    std::optional<PictureSize> resample;
    int32_t angle = 0;           // clockwise quarter turn: 0, 90, 180 or 270
    bool flipVertical = false;   // "Mirror" "horizontally": upside down
    bool mirrorLeftRight = false;  // "Mirror" "vertically"
};

// The texts of the "Process" fields. The cut counts only when all four cut fields hold text,
// the resample size only when both of its fields do.
struct ProcessFields {
    std::string cutX, cutY, cutWidth, cutHeight;
    std::string resampleWidth, resampleHeight;
    int32_t angle = 0;
    bool flipVertical = false;
    bool mirrorLeftRight = false;
};
// Cut values convert strictly (ConvertError naming a text that is not a whole number); a
// resample size is kept to the range leaving its field would give it.
ProcessOptions OptionsFromFields(const ProcessFields& fields);

// Every byte of the picture through its channel's table, in place.
void MapColors(TBitmap& picture, const ByteTables& tables);
// The same for rows [first, end) alone.
void MapColorRows(TBitmap& picture, const ByteTables& tables, int32_t first, int32_t end);

// The chain after the colour mapping, on picture (already mapped) with work as the second
// image; both are reused and changed. Returns the one of the two that holds the result. A cut
// reaching past the picture is clipped to it; one that misses it throws ImageError.
TBitmap& TransformMapped(TBitmap& picture, TBitmap& work, const ProcessOptions& options);
// Whether options do anything after the mapping; without, a picture's rows are independent.
bool ChangesGeometry(const ProcessOptions& options);

// ---- the preview controls ------------------------------------------------------------------

// Where a picture of pw x ph is shown in a control of cw x ch from its top-left corner: its
// own size when it fits, else shrunk to the control keeping its aspect ratio.
PictureSize DisplayedSize(int32_t pw, int32_t ph, int32_t cw, int32_t ch);
// The picture pixel under control point (x, y); nothing while no picture is shown.
struct PicturePoint {
    int32_t x = 0, y = 0;
};
std::optional<PicturePoint> ControlToPicturePixel(int32_t x, int32_t y, int32_t pw, int32_t ph,
                                                  int32_t cw, int32_t ch);
// The cut a mouse drag selects, in either direction; nothing (the cut fields emptied) for a
// drag narrower or lower than two pixels or one leaving the picture.
std::optional<CutRect> CutFromDrag(PicturePoint start, PicturePoint end, int32_t pw, int32_t ph);

// Leaving a cut field: its value (and the width or height it pushes past the picture) is made
// to fit a picture of pw x ph; a text that is not a number counts as 0. With no picture shown
// only the sign rules apply (left and top at least 0, sizes at least 1).
enum class CutField { X, Y, Width, Height };
void ValidateCutField(CutField field, ProcessFields& fields, int32_t pw, int32_t ph);
// Leaving a resample field: a whole number kept to 10..10000; other text gives "100".
std::string ValidateResampleField(const std::string& text);

// The "Resample" presets: the item text and the two sizes it puts into the fields (empty for
// "no resampling").
struct ResamplePreset {
    const char* item;
    const char* width;
    const char* height;
};
const std::vector<ResamplePreset>& ResamplePresets();

// ---- the batch -----------------------------------------------------------------------------

// The file a corrected copy of source is written to: the folder "corrected" beside it, under
// the source's own name and extension.
std::string CorrectedPath(const std::string& source);

struct BatchFailure {
    std::string path;
    std::string reason;
};
struct BatchOutcome {
    int written = 0;
    std::vector<BatchFailure> failures;
    bool cancelled = false;
};

// Decodes every file, runs the chain with the byte tables and writes the result as a quality
// 100 JPEG through the atomic save into CorrectedPath (creating that folder when needed,
// replacing an earlier corrected copy). A file that fails (decode, a stream that ended early
// and was decoded only in part, folder, write, or an output that would replace one of the
// listed sources) is skipped and reported; the others go on. One Progress step per file; a
// cancel starts no further file. Runs on the batch pipeline with
// the given number of workers; the files written are the same as one after another.
BatchOutcome CorrectFiles(const std::vector<std::string>& files, const ByteTables& tables,
                          const ProcessOptions& options, Progress& progress, int workers = 1);

// One file of the batch: its corrected copy goes to CorrectedPath, or under its own name into
// outputFolder when one is given.
BatchFile CorrectionFile(const std::string& source, const std::string& outputFolder = "");

// The pipeline steps of the correction: decode and colour mapping, then the chain. tables and
// options are referenced, not copied: they must outlive the batch.
BatchSteps CorrectionSteps(const ByteTables& tables, const ProcessOptions& options);
