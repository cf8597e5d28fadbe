#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "object_project.h"

// The working surface of the Object Editor without its window: reading and normalising the
// fields, the output size presets, stepping between images, the undo history and the mouse
// gestures on the preview.

// The texts of the four parameter fields X0, Y0, Rotate and Scale.
struct ParamFields {
    std::string x0 = "0";
    std::string y0 = "0";
    std::string rotate = "0";
    std::string scale = "1";

    bool operator==(const ParamFields& other) const {
        return x0 == other.x0 && y0 == other.y0 && rotate == other.rotate &&
               scale == other.scale;
    }
};

ParamFields FieldsOfRow(const ProjectRow& row);
void WriteFieldsToRow(const ParamFields& fields, ProjectRow& row);

// --- Reading the texts where they are used (preview, run, gestures, layout) ---

// Output width or height: an integer, 100 when the text is not one, held to 100 .. 3000 (the
// range the fields allow, so a text typed but not yet confirmed cannot ask for a frame of
// gigapixels).
int32_t OutputSideOf(const std::string& text);
// X0 or Y0: an integer, 0 when the text is not one.
int32_t ShiftOf(const std::string& text);
// Rotate or Scale: the number the text starts with, 0 when there is none.
double DecimalOf(const std::string& text);

struct TransformValues {
    int32_t Wo = 100, Ho = 100, X0 = 0, Y0 = 0;
    double Rotate = 0, Scale = 0;
};
TransformValues TransformValuesOf(const std::string& widthText, const std::string& heightText,
                                  const ParamFields& fields);

// --- Field exits: the value written back when a field loses the focus ---
std::string NormaliseOutputWidth(const std::string& text);   // default 800, 100 .. 3000
std::string NormaliseOutputHeight(const std::string& text);  // default 600, 100 .. 3000
std::string NormaliseShift(const std::string& text);         // default 0, -3000 .. 3000
std::string NormaliseRotate(const std::string& text);        // default 0, -360 .. 360, "%g"
std::string NormaliseScale(const std::string& text);         // default 0, 0.1 .. 10, "%g"

// --- Output size presets of the combo box ---
struct OutputPreset {
    const char* caption;
    int32_t width, height;
};
const std::vector<OutputPreset>& OutputPresets();
constexpr int kDefaultPresetIndex = 4;  // "800x600"

// --- Stepping through count images (numbered 1 .. count) ---
int NextImage(int current, int count);      // after the last comes the first
int PreviousImage(int current, int count);  // before the first comes the last

// --- Undo history: snapshots of the fields, newest last ---
class ParamHistory {
public:
    void Push(const ParamFields& fields) { snapshots_.push_back(fields); }
    // The newest snapshot, removed from the history; nothing when it is empty.
    std::optional<ParamFields> Pop();
    void Clear() { snapshots_.clear(); }
    std::size_t Depth() const { return snapshots_.size(); }

private:
    std::vector<ParamFields> snapshots_;
};

// --- Mouse gestures on the preview ---
enum class MouseButton { Left, Middle, Right };

struct Modifiers {
    bool shift = false, ctrl = false, alt = false;
};

struct ViewPoint {
    int32_t x = 0, y = 0;
};

// What a release on the preview asks of the window.
struct GestureOutcome {
    bool preview = false;             // redraw the preview
    std::optional<ParamFields> fields; // new field texts: push the old ones, then show these
};

// The press points of the gestures and the reference point of "scale to reference". They keep
// their values until the next press of their kind; the reference serves every later image.
class PreviewGestures {
public:
    void Press(MouseButton button, Modifiers mods, ViewPoint at);
    // viewWidth x viewHeight is the preview's size on screen, outputWidthText the text of the
    // output width field, hasImages whether the project holds an image.
    GestureOutcome Release(MouseButton button, Modifiers mods, ViewPoint at,
                           const ParamFields& fields, int32_t viewWidth, int32_t viewHeight,
                           const std::string& outputWidthText, bool hasImages);

    // Until the next press, a release changes nothing (set after a dialog closed over the
    // preview, whose release must not count as a gesture).
    void IgnoreNextRelease() { ignoreMouseUp_ = true; }
    ViewPoint Reference() const { return referencePoint_; }

private:
    ViewPoint movePress_, scalePress_, rotatePress_, linePress_, referencePoint_;
    bool ignoreMouseUp_ = false;
};

// --- Layout ---
struct BoxSize {
    int32_t width = 0, height = 0;
};
// The preview box inside an area of aw x ah for an output of the given texts: as large as fits
// with the output's aspect ratio.
BoxSize PreviewBoxSize(int32_t aw, int32_t ah, const std::string& widthText,
                       const std::string& heightText);

// The help text of the "Controls" page, lines joined by '\n'.
std::string ControlsHelpText();
