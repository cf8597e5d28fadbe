#include "file_correction.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "cpu_features.h"
#include "image_error.h"
#include "image_ops.h"
#include "jpeg_image.h"
#include "paths.h"
#include "text_io.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

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

namespace {

// bytes bytes of blue, green, red pixels through their channels' tables.
void MapRowPlain(uint8_t* p, std::size_t bytes, const ByteTables& tables) {
    const uint8_t* tb = tables.channel[kBlue].data();
    const uint8_t* tg = tables.channel[kGreen].data();
    const uint8_t* tr = tables.channel[kRed].data();
    for (uint8_t* const end = p + bytes; p != end; p += 3) {
        p[0] = tb[p[0]];
        p[1] = tg[p[1]];
        p[2] = tr[p[2]];
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define LUMIVEX_BYTE_PERMUTES 1
#define LUMIVEX_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// Processors with byte permutes across 64-byte registers look a byte up in a whole 256-entry
// table in three instructions, 64 bytes at a time, some fifteen times faster than one load
// per byte. Each register holds all three channels, so it is looked up in each table and the
// results merged by the byte's place in its pixel.
struct ChannelTables {
    __m512i part[4];  // entries 0-63, 64-127, 128-191, 192-255
};

LUMIVEX_VBMI inline __m512i LookUp(__m512i v, const ChannelTables& t) {
    const __m512i low = _mm512_permutex2var_epi8(t.part[0], v, t.part[1]);
    const __m512i high = _mm512_permutex2var_epi8(t.part[2], v, t.part[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), low, high);
}

// Bytes i of a register whose first byte is channel `phase` of its pixel (0 blue) that are
// channel c: (phase + i) % 3 == c.
constexpr __mmask64 ChannelBytes(int phase, int c) {
    __mmask64 mask = 0;
    for (int i = 0; i < 64; ++i)
        if ((phase + i) % 3 == c) mask |= __mmask64{1} << i;
    return mask;
}

LUMIVEX_VBMI void MapRowVbmi(uint8_t* p, std::size_t bytes, const ByteTables& tables) {
    ChannelTables t[3];  // blue, green, red: the order of the bytes
    const int channels[3] = {kBlue, kGreen, kRed};
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 4; ++k)
            t[c].part[k] = _mm512_loadu_si512(tables.channel[channels[c]].data() + 64 * k);
    static constexpr __mmask64 green[3] = {ChannelBytes(0, 1), ChannelBytes(1, 1),
                                           ChannelBytes(2, 1)};
    static constexpr __mmask64 red[3] = {ChannelBytes(0, 2), ChannelBytes(1, 2),
                                         ChannelBytes(2, 2)};
    // Register j of the row starts at byte 64 j, which is channel j % 3 of its pixel.
    for (std::size_t at = 0, j = 0; at < bytes; at += 64, j = j == 2 ? 0 : j + 1) {
        const std::size_t left = bytes - at;
        const __mmask64 take = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
        const __m512i v = _mm512_maskz_loadu_epi8(take, p + at);
        __m512i out = _mm512_mask_blend_epi8(green[j], LookUp(v, t[0]), LookUp(v, t[1]));
        out = _mm512_mask_blend_epi8(red[j], out, LookUp(v, t[2]));
        _mm512_mask_storeu_epi8(p + at, take, out);
    }
}

#endif

}  // namespace

void MapColorRows(TBitmap& picture, const ByteTables& tables, int32_t first, int32_t end) {
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(picture.Width());
#ifdef LUMIVEX_BYTE_PERMUTES
    if (RunsAvx512BytePermutes()) {
        for (int32_t y = first; y < end; ++y) MapRowVbmi(picture.ScanLine(y), rowBytes, tables);
        return;
    }
#endif
    for (int32_t y = first; y < end; ++y) MapRowPlain(picture.ScanLine(y), rowBytes, tables);
}

void MapColors(TBitmap& picture, const ByteTables& tables) {
    MapColorRows(picture, tables, 0, picture.Height());
}

bool ChangesGeometry(const ProcessOptions& options) {
    return options.cut || options.resample || options.angle == 90 || options.angle == 180 ||
           options.angle == 270 || options.flipVertical || options.mirrorLeftRight;
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
        // Mapped as the rows arrive, while they are still in the cache, rather than in a second
        // pass over the whole picture.
        DecodeWholeJpeg(bytes, picture, [&tables](TBitmap& target, int32_t first, int32_t end) {
            MapColorRows(target, tables, first, end);
        });
    };
    steps.process = [&options](std::size_t, TBitmap& picture, TBitmap& work) -> const TBitmap& {
        return TransformMapped(picture, work, options);
    };
    // With nothing to cut, resample, turn or mirror, each row is mapped on its own, and files
    // go through a band of rows at a time.
    if (!ChangesGeometry(options))
        steps.rows = [&tables](TBitmap& band, int32_t first, int32_t end) {
            MapColorRows(band, tables, first, end);
        };
    return steps;
}
