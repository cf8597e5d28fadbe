#include "file_correction.h"

#include <algorithm>
#include <utility>

#include "image_error.h"
#include "image_ops.h"
#include "jpeg_image.h"
#include "paths.h"
#include "text_io.h"

namespace {

constexpr int32_t kMinResample = 10;
constexpr int32_t kMaxResample = 10000;
constexpr int32_t kResampleFallback = 100;
constexpr int kOutputQuality = 100;

int32_t ResampleValue(const std::string& text) {
    int32_t value = 0;
    if (!TryStrToInt(text, value)) value = kResampleFallback;
    return std::clamp(value, kMinResample, kMaxResample);
}

}  // namespace

ProcessOptions OptionsFromFields(const ProcessFields& fields) {
    ProcessOptions options;
    if (!fields.cutX.empty() && !fields.cutY.empty() && !fields.cutWidth.empty() &&
        !fields.cutHeight.empty())
        options.cut = CutRect{StrToInt(fields.cutX), StrToInt(fields.cutY),
                              StrToInt(fields.cutWidth), StrToInt(fields.cutHeight)};
    if (!fields.resampleWidth.empty() && !fields.resampleHeight.empty())
        options.resample =
            PictureSize{ResampleValue(fields.resampleWidth), ResampleValue(fields.resampleHeight)};
    options.angle = fields.angle;
    options.flipVertical = fields.flipVertical;
    options.mirrorLeftRight = fields.mirrorLeftRight;
    return options;
}

void MapColors(TBitmap& picture, const ByteTables& tables) {
    const uint8_t* tb = tables.channel[kBlue].data();
    const uint8_t* tg = tables.channel[kGreen].data();
    const uint8_t* tr = tables.channel[kRed].data();
    const int32_t width = picture.Width();
    for (int32_t y = 0; y < picture.Height(); ++y) {
        uint8_t* p = picture.ScanLine(y);
        uint8_t* const end = p + 3 * static_cast<std::size_t>(width);
        for (; p != end; p += 3) {
            p[0] = tb[p[0]];
            p[1] = tg[p[1]];
            p[2] = tr[p[2]];
        }
    }
}

TBitmap& TransformMapped(TBitmap& picture, TBitmap& work, const ProcessOptions& options) {
    // Each step writes the other image and the roles swap; a step that would only copy is left
    // out, which gives the same pixels as copying.
    TBitmap* current = &picture;
    TBitmap* other = &work;
    auto next = [&] { std::swap(current, other); };
    if (options.cut) {
        const CutRect& c = *options.cut;
        const int64_t left = std::max<int64_t>(c.x, 0);
        const int64_t top = std::max<int64_t>(c.y, 0);
        const int64_t right = std::min<int64_t>(int64_t{c.x} + c.width - 1, current->Width() - 1);
        const int64_t bottom =
            std::min<int64_t>(int64_t{c.y} + c.height - 1, current->Height() - 1);
        if (left > right || top > bottom)
            throw ImageError("The cut rectangle (X " + std::to_string(c.x) + ", Y " +
                             std::to_string(c.y) + ", " + std::to_string(c.width) + " x " +
                             std::to_string(c.height) + ") lies outside the picture of " +
                             std::to_string(current->Width()) + " x " +
                             std::to_string(current->Height()) + ".");
        CropImage(*current, static_cast<int32_t>(left), static_cast<int32_t>(top),
                  static_cast<int32_t>(right), static_cast<int32_t>(bottom), *other);
        next();
    }
    if (options.resample) {
        other->SetSizeForOverwrite(options.resample->width, options.resample->height);
        ScaleNearest(*current, *other);
        next();
    }
    if (options.angle == 90 || options.angle == 180 || options.angle == 270) {
        RotateImage(*current, *other, options.angle);
        next();
    }
    if (options.flipVertical) {
        FlipVertical(*current, *other);
        next();
    }
    if (options.mirrorLeftRight) {
        MirrorHorizontal(*current, *other);
        next();
    }
    return *current;
}

// ---- the preview controls ------------------------------------------------------------------

PictureSize DisplayedSize(int32_t pw, int32_t ph, int32_t cw, int32_t ch) {
    if (pw <= cw && ph <= ch) return {pw, ph};
    if (pw <= 0 || ph <= 0 || cw <= 0 || ch <= 0) return {0, 0};
    const float aspect = static_cast<float>(pw) / static_cast<float>(ph);
    if (static_cast<double>(cw) / ch >= aspect)
        return {static_cast<int32_t>(ch * static_cast<double>(aspect)), ch};
    return {cw, static_cast<int32_t>(cw / static_cast<double>(aspect))};
}

std::optional<PicturePoint> ControlToPicturePixel(int32_t x, int32_t y, int32_t pw, int32_t ph,
                                                  int32_t cw, int32_t ch) {
    const PictureSize shown = DisplayedSize(pw, ph, cw, ch);
    if (shown.width <= 0 || shown.height <= 0) return std::nullopt;
    return PicturePoint{static_cast<int32_t>(int64_t{x} * pw / shown.width),
                        static_cast<int32_t>(int64_t{y} * ph / shown.height)};
}

std::optional<CutRect> CutFromDrag(PicturePoint start, PicturePoint end, int32_t pw, int32_t ph) {
    const int32_t x1 = std::min(start.x, end.x), x2 = std::max(start.x, end.x);
    const int32_t y1 = std::min(start.y, end.y), y2 = std::max(start.y, end.y);
    if (x2 - x1 < 1 || y2 - y1 < 1 || x1 < 0 || y1 < 0 || x2 >= pw || y2 >= ph)
        return std::nullopt;
    return CutRect{x1, y1, x2 - x1 + 1, y2 - y1 + 1};
}

void ValidateCutField(CutField field, ProcessFields& fields, int32_t pw, int32_t ph) {
    const bool horizontal = field == CutField::X || field == CutField::Width;
    std::string& start = horizontal ? fields.cutX : fields.cutY;
    std::string& size = horizontal ? fields.cutWidth : fields.cutHeight;
    const int32_t extent = horizontal ? pw : ph;
    const bool sizeField = field == CutField::Width || field == CutField::Height;
    int64_t s = LenientToInt(start);
    int64_t n = LenientToInt(size);
    if (!sizeField) {
        s = std::max<int64_t>(s, 0);
        if (extent > 0) s = std::min<int64_t>(s, extent - 1);
        start = std::to_string(s);
        // Only a size that pushes past the picture is touched; an empty one stays empty.
        if (extent > 0 && s + n >= extent) size = std::to_string(extent - s);
    } else {
        if (n <= 0) n = 1;
        if (extent > 0 && s >= 0 && s < extent && s + n >= extent) n = extent - s;
        size = std::to_string(n);
    }
}

std::string ValidateResampleField(const std::string& text) {
    return std::to_string(ResampleValue(text));
}

const std::vector<ResamplePreset>& ResamplePresets() {
    static const std::vector<ResamplePreset> presets = {
        {"no resampling", "", ""}, {"320x240", "320", "240"},     {"240x320", "240", "320"},
        {"640x480", "640", "480"}, {"480x640", "480", "640"},     {"800x600", "800", "600"},
        {"600x800", "600", "800"}, {"1280x960", "1280", "960"},   {"960x1280", "960", "1280"},
        {"1920x1080", "1920", "1080"}, {"1080x1920", "1080", "1920"}};
    return presets;
}

// ---- the batch -----------------------------------------------------------------------------

std::string CorrectedPath(const std::string& source) {
    return JoinPath(JoinPath(ExtractFilePath(source), "corrected"), ExtractFileName(source));
}

BatchOutcome CorrectFiles(const std::vector<std::string>& files, const ByteTables& tables,
                          const ProcessOptions& options, Progress& progress, int workers) {
    std::vector<BatchFile> batch;
    for (const std::string& file : files) batch.push_back(CorrectionFile(file));
    const BatchSummary summary =
        RunBatch(batch, CorrectionSteps(tables, options),
                 BatchSettings{workers, false, {}, "the pictures being corrected"}, progress);
    BatchOutcome outcome;
    outcome.written = summary.written;
    outcome.cancelled = summary.cancelled;
    for (const BatchResult& r : summary.results)
        if (r.status == BatchStatus::Failed) outcome.failures.push_back({files[r.index], r.reason});
    return outcome;
}

BatchFile CorrectionFile(const std::string& source, const std::string& outputFolder) {
    const std::string output = outputFolder.empty()
                                   ? CorrectedPath(source)
                                   : JoinPath(outputFolder, ExtractFileName(source));
    return {source, output, OutputFormat::Jpeg, kOutputQuality};
}

BatchSteps CorrectionSteps(const ByteTables& tables, const ProcessOptions& options) {
    BatchSteps steps;
    steps.decode = [&tables](std::size_t, const std::vector<uint8_t>& bytes, TBitmap& picture) {
        DecodeWholeJpeg(bytes, picture);
        MapColors(picture, tables);
    };
    steps.process = [&options](std::size_t, TBitmap& picture, TBitmap& work) -> const TBitmap& {
        return TransformMapped(picture, work, options);
    };
    return steps;
}
