#include "parameter_editing.h"

#include <cmath>
#include <cstdlib>

#include "number_format.h"
#include "text_io.h"

namespace {

constexpr int32_t kMinOutputSide = 100, kMaxOutputSide = 3000;
constexpr int32_t kMaxShift = 3000;
constexpr double kMaxRotate = 360, kMinScale = 0.1, kMaxScale = 10;
constexpr double kRadToDeg = 180 * 0.3183098861837907;

int32_t IntegerOr(const std::string& text, int32_t fallback) {
    int32_t value = 0;
    return TryStrToInt(text, value) ? value : fallback;
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : value > high ? high : value;
}

// The number a text starts with; NaN counts as no number (every limit check would let it by).
double NumberOr0(const std::string& text) {
    const double value = LenientToDouble(text);
    return std::isnan(value) ? 0.0 : value;
}

// A field read as a single-precision number, as the gestures do.
float FloatField(const std::string& text) { return static_cast<float>(NumberOr0(text)); }

// Truncation toward zero that saturates at the 32-bit range instead of overflowing.
int32_t TruncToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

std::string IntText(int32_t value) { return FormatText("%d", value); }
std::string GText(double value) { return FormatText("%g", value); }

std::string NormaliseSide(const std::string& text, int32_t fallback) {
    return IntText(Clamp(IntegerOr(text, fallback), kMinOutputSide, kMaxOutputSide));
}

std::string NormaliseDecimal(const std::string& text, double low, double high) {
    double value = NumberOr0(text);
    if (value < low) value = low;
    if (value > high) value = high;
    return GText(value);
}

// Shifts the integer of a field by a distance on screen, k screen pixels per output pixel.
std::string ShiftedBy(const std::string& text, float screenDistance, float k) {
    const float sum = static_cast<float>(ShiftOf(text)) + screenDistance / k;
    return IntText(TruncToInt(sum));
}

// Brings a turn beyond a full circle back into (0, 360] or [-360, 0). fmod is exact, so this
// equals subtracting 360 repeatedly, without looping for ever on huge values.
float WrapTurn(float r) {
    if (r > kMaxRotate) {
        r = static_cast<float>(std::fmod(r, kMaxRotate));
        if (r == 0) r = static_cast<float>(kMaxRotate);
    } else if (r < -kMaxRotate) {
        r = static_cast<float>(std::fmod(r, kMaxRotate));
        if (r == 0) r = static_cast<float>(-kMaxRotate);
    }
    return r;
}

// The turn that makes a drawn line level (nearly horizontal line) or upright (nearly vertical
// line); nothing for a line without horizontal extent. A vertical line is measured from the
// nearer end of the vertical, so a line leaning either way gives a small correction.
std::optional<double> LineCorrection(int32_t dx, int32_t dy) {
    if (dx == 0) return std::nullopt;
    const double angle = std::atan(static_cast<double>(dy) / dx);
    if (std::abs(dx) > std::abs(dy)) return angle * kRadToDeg;
    const double quarter = 2 * std::atan(1.0);
    return (angle > 0 ? angle - quarter : angle + quarter) * kRadToDeg;
}

}  // namespace

ParamFields FieldsOfRow(const ProjectRow& row) {
    ParamFields f;
    f.x0 = row.sx;
    f.y0 = row.sy;
    f.rotate = row.rotate;
    f.scale = row.scale;
    return f;
}

void WriteFieldsToRow(const ParamFields& fields, ProjectRow& row) {
    row.sx = fields.x0;
    row.sy = fields.y0;
    row.rotate = fields.rotate;
    row.scale = fields.scale;
}

int32_t OutputSideOf(const std::string& text) {
    return Clamp(IntegerOr(text, kMinOutputSide), kMinOutputSide, kMaxOutputSide);
}

int32_t ShiftOf(const std::string& text) { return IntegerOr(text, 0); }

double DecimalOf(const std::string& text) { return LenientToDouble(text); }

TransformValues TransformValuesOf(const std::string& widthText, const std::string& heightText,
                                  const ParamFields& fields) {
    TransformValues v;
    v.Wo = OutputSideOf(widthText);
    v.Ho = OutputSideOf(heightText);
    v.X0 = ShiftOf(fields.x0);
    v.Y0 = ShiftOf(fields.y0);
    v.Rotate = DecimalOf(fields.rotate);
    v.Scale = DecimalOf(fields.scale);
    return v;
}

std::string NormaliseOutputWidth(const std::string& text) { return NormaliseSide(text, 800); }
std::string NormaliseOutputHeight(const std::string& text) { return NormaliseSide(text, 600); }

std::string NormaliseShift(const std::string& text) {
    return IntText(Clamp(IntegerOr(text, 0), -kMaxShift, kMaxShift));
}

std::string NormaliseRotate(const std::string& text) {
    return NormaliseDecimal(text, -kMaxRotate, kMaxRotate);
}

std::string NormaliseScale(const std::string& text) {
    return NormaliseDecimal(text, kMinScale, kMaxScale);
}

const std::vector<OutputPreset>& OutputPresets() {
    static const std::vector<OutputPreset> presets = {
        {"320x240", 320, 240},   {"240x320", 240, 320},   {"640x480", 640, 480},
        {"480x640", 480, 640},   {"800x600", 800, 600},   {"600x800", 600, 800},
        {"1024x768", 1024, 768}, {"768x1024", 768, 1024}, {"1200x900", 1200, 900},
        {"900x1200", 900, 1200}, {"1600x1200", 1600, 1200}, {"1200x1600", 1200, 1600},
    };
    return presets;
}

int NextImage(int current, int count) { return current + 1 > count ? 1 : current + 1; }

int PreviousImage(int current, int count) { return current - 1 < 1 ? count : current - 1; }

std::optional<ParamFields> ParamHistory::Pop() {
    if (snapshots_.empty()) return std::nullopt;
    ParamFields last = std::move(snapshots_.back());
    snapshots_.pop_back();
    return last;
}

void PreviewGestures::Press(MouseButton button, Modifiers mods, ViewPoint at) {
    if (button == MouseButton::Left) {
        if (mods.ctrl)
            scalePress_ = at;
        else if (mods.shift)
            rotatePress_ = at;
        else if (!mods.alt)
            movePress_ = at;
    } else if (button == MouseButton::Right && mods.shift) {
        linePress_ = at;
    }
    ignoreMouseUp_ = false;
}

GestureOutcome PreviewGestures::Release(MouseButton button, Modifiers mods, ViewPoint at,
                                        const ParamFields& fields, int32_t viewWidth,
                                        int32_t viewHeight, const std::string& outputWidthText,
                                        bool hasImages) {
    GestureOutcome out;
    if (ignoreMouseUp_ || !hasImages) return out;
    out.preview = true;
    // Screen pixels per output pixel.
    const float k = static_cast<float>(static_cast<double>(viewWidth) / OutputSideOf(outputWidthText));
    ParamFields next = fields;

    if (button == MouseButton::Left) {
        if (mods.ctrl) {
            const int32_t dx = at.x - scalePress_.x, dy = at.y - scalePress_.y;
            float s = FloatField(fields.scale);
            s = static_cast<float>(s + (std::abs(dx) > std::abs(dy) ? dx * 0.001 : dy * 0.0001));
            if (s < kMinScale) s = static_cast<float>(kMinScale);
            if (s > kMaxScale) s = static_cast<float>(kMaxScale);
            next.scale = GText(s);
        } else if (mods.shift) {
            const int32_t dx = at.x - rotatePress_.x, dy = at.y - rotatePress_.y;
            float r = FloatField(fields.rotate);
            if (!std::isfinite(r)) r = 0;  // no turn to wrap
            r = static_cast<float>(r + (std::abs(dx) > std::abs(dy) ? dx * 0.1 : dy * 0.01));
            next.rotate = FormatText("%6.1f", static_cast<double>(WrapTurn(r)));
        } else if (mods.alt || k <= 0) {
            return out;
        } else {
            next.x0 = ShiftedBy(fields.x0, static_cast<float>(at.x - movePress_.x), k);
            next.y0 = ShiftedBy(fields.y0, static_cast<float>(at.y - movePress_.y), k);
        }
    } else if (button == MouseButton::Middle) {
        if (mods.ctrl) referencePoint_ = at;
        return out;
    } else {
        if (mods.alt) return out;
        if (mods.ctrl) {
            // Vertical distances from the centre line: a reference or a click on the line
            // itself carries no distance, so the scale stays.
            const int32_t c = viewHeight / 2;
            if (at.y == c || referencePoint_.y == c) return out;
            float s = FloatField(fields.scale);
            s = s * static_cast<float>(referencePoint_.y - c) / static_cast<float>(at.y - c);
            next.scale = GText(s);
        } else if (mods.shift) {
            const auto correction = LineCorrection(linePress_.x - at.x, linePress_.y - at.y);
            if (!correction) return out;
            next.rotate = GText(static_cast<float>(FloatField(fields.rotate) - *correction));
        } else {
            if (k <= 0) return out;
            next.x0 = ShiftedBy(fields.x0, static_cast<float>(viewWidth / 2 - at.x), k);
            next.y0 = ShiftedBy(fields.y0, static_cast<float>(viewHeight / 2 - at.y), k);
        }
    }
    out.fields = next;
    return out;
}

BoxSize PreviewBoxSize(int32_t aw, int32_t ah, const std::string& widthText,
                       const std::string& heightText) {
    BoxSize box;
    if (aw <= 0 || ah <= 0) return box;
    const int32_t ow = OutputSideOf(widthText), oh = OutputSideOf(heightText);
    if (static_cast<double>(ow) / oh >= static_cast<double>(aw) / ah) {
        box.width = aw;
        box.height = static_cast<int32_t>(int64_t{oh} * aw / ow);
    } else {
        box.width = static_cast<int32_t>(int64_t{ow} * ah / oh);
        box.height = ah;
    }
    return box;
}

std::string ControlsHelpText() {
    const std::string rule(94, '=');
    const std::string tabs(7, '\t');
    const std::string lines[] = {
        rule,
        tabs + "Move image",
        rule,
        "1 way: Press Left mouse button and move mouse.",
        "2 way: Click right mouse button on image. This point will be center of the result "
        "image.",
        "3 way: Enter appropriate values in the text fields named \"X0\" and \"Y0\".",
        "",
        rule,
        tabs + "Rotate image",
        rule,
        "1 way: Hold Shift button with Left mouse button and move mouse. Vertical shift more "
        "precisely but horizontal more quickly.",
        "2 way: Point cursor to begin of vertical or horizontal line. Hold Shift button with "
        "Right mouse button and point cursor to the end of vertical or horizontal line.",
        "3 way: Enter appropriate value in the text field named \"Rotate\".",
        "",
        rule,
        tabs + "Resize image",
        rule,
        "1 way: Hold Ctrl button with Left mouse button and move mouse. Vertical shift more "
        "precisely but horizontal more quickly.",
        "2 way: Center first picture and select control point. Difference between center of "
        "result image and control point is reference for all next images. ",
        std::string(12, ' ') +
            "For select control point at first picture use Ctrl + Middle mouse button. For "
            "apply reference size at next images use Ctrl + Right mouse button.",
        "3 way: Enter appropriate value in the text field named \"Scale\".",
    };
    std::string text;
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    return text;
}
