#include "view_adjustments.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "image_error.h"
#include "image_ops.h"
#include "text_io.h"

namespace {

constexpr double kOneOver255 = 0.00392156862745098;
constexpr double kPi = 3.141592653589793;
constexpr double kOneOver180 = 0.005555555555555556;
constexpr int kSumCount = 3 * 255 + 1;  // B + G + R runs over 0 .. 765

using ByteTable = uint8_t[256];

// trunc(v) kept within 0..255; a value that is not a number counts as 0.
uint8_t TruncToByte(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return static_cast<uint8_t>(static_cast<int>(v));
}

inline std::size_t RowBytes(const TBitmap& b) { return static_cast<std::size_t>(b.Width()) * 3; }

// Looks every pixel byte up in table; row padding is left alone (it stays zero). Eight bytes
// are read and written at a time, so the loop is bound by the table reads, not the stores.
void ApplyByteTable(TBitmap& image, const ByteTable& table) {
    if (image.Empty()) return;
    const std::size_t rowBytes = RowBytes(image);
    const bool packed = image.Stride() == rowBytes;  // rows back to back: one run
    const int32_t runs = packed ? 1 : image.Height();
    const std::size_t runBytes = packed ? rowBytes * static_cast<std::size_t>(image.Height()) : rowBytes;
    for (int32_t y = 0; y < runs; ++y) {
        uint8_t* p = image.ScanLine(y);
        std::size_t i = 0;
        for (; i + 8 <= runBytes; i += 8) {
            uint64_t v;
            std::memcpy(&v, p + i, 8);
            const uint64_t r = uint64_t(table[v & 0xff]) | uint64_t(table[(v >> 8) & 0xff]) << 8 |
                               uint64_t(table[(v >> 16) & 0xff]) << 16 |
                               uint64_t(table[(v >> 24) & 0xff]) << 24 |
                               uint64_t(table[(v >> 32) & 0xff]) << 32 |
                               uint64_t(table[(v >> 40) & 0xff]) << 40 |
                               uint64_t(table[(v >> 48) & 0xff]) << 48 |
                               uint64_t(table[v >> 56]) << 56;
            std::memcpy(p + i, &r, 8);
        }
        for (; i < runBytes; ++i) p[i] = table[p[i]];
    }
}

// Sets the three bytes of every pixel from the sum of its three bytes.
void ApplySumTables(TBitmap& image, const uint8_t* blue, const uint8_t* green, const uint8_t* red) {
    const int32_t w = image.Width();
    for (int32_t y = 0; y < image.Height(); ++y) {
        uint8_t* p = image.ScanLine(y);
        for (int32_t x = 0; x < w; ++x, p += 3) {
            const int sum = p[0] + p[1] + p[2];
            p[0] = blue[sum];
            p[1] = green[sum];
            p[2] = red[sum];
        }
    }
}

// The source coordinate centre + trunc(offset) when it lies in 0 .. limit-1. An inside
// coordinate needs |trunc(offset)| < 2^31 (the centre is 0 .. 2^31-1), so larger offsets, and
// NaN, are outside without being converted.
inline bool SourceCoordinate(double offset, int64_t centre, int64_t limit, int64_t& at) {
    if (!(offset > -2147483648.0 && offset < 2147483648.0)) return false;
    at = centre + static_cast<int64_t>(offset);
    return at >= 0 && at < limit;
}

std::string SizeText(double v) {
    if (std::isfinite(v) && std::fabs(v) < 1e18) return std::to_string(static_cast<long long>(v));
    return FormatText("%g", v);
}

// Refuses a step's size before anything is allocated for it.
void CheckStepSize(const std::string& step, double width, double height, int minimum) {
    const std::string size = SizeText(width) + " x " + SizeText(height) + " pixels";
    if (!(width >= minimum && height >= minimum))
        throw ImageError(step + " " + size + ": a picture needs at least " +
                         std::to_string(minimum) + " x " + std::to_string(minimum) + " pixels");
    if (width * height > static_cast<double>(TBitmap::kMaxPixels))
        throw ImageError(step + " " + size + ": more than the " +
                         std::to_string(TBitmap::kMaxPixels) + " pixels a picture may have");
}

}  // namespace

void RotateAboutPoint(const TBitmap& source, TBitmap& target, double angle, int32_t column,
                      int32_t row) {
    if (&source == &target) {
        const TBitmap copy = source;
        RotateAboutPoint(copy, target, angle, column, row);
        return;
    }
    const int32_t w = source.Width();
    const int32_t h = source.Height();
    target.SetSizeForOverwrite(w, h);
    if (w == 0 || h == 0) return;
    int64_t cx = column, cy = row;
    if (column < 0) {
        cx = w / 2;
        cy = h / 2;
    }
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    // dx * c and dx * s once per column; per pixel only the row's terms are combined with them
    // (the same products, so the same bytes as computing each pixel afresh).
    std::vector<double> columnCos(static_cast<std::size_t>(w)), columnSin(static_cast<std::size_t>(w));
    for (int32_t x = 0; x < w; ++x) {
        const double dx = static_cast<double>(x - cx);
        columnCos[x] = dx * c;
        columnSin[x] = dx * s;
    }
    // Strips of target columns, each run over all rows: neighbouring target rows read
    // neighbouring source pixels, so a strip's source lines stay in the cache at any angle.
    constexpr int32_t kStrip = 64;
    for (int32_t x0 = 0; x0 < w; x0 += kStrip) {
        const int32_t x1 = std::min(w, x0 + kStrip);
        for (int32_t y = 0; y < h; ++y) {
            const double dy = static_cast<double>(y - cy);
            const double rowSin = dy * s;
            const double rowCos = dy * c;
            uint8_t* d = target.ScanLine(y) + static_cast<std::size_t>(x0) * 3;
            for (int32_t x = x0; x < x1; ++x, d += 3) {
                int64_t sx, sy;
                if (SourceCoordinate(columnCos[x] - rowSin, cx, w, sx) &&
                    SourceCoordinate(columnSin[x] + rowCos, cy, h, sy)) {
                    const uint8_t* p = source.ScanLine(static_cast<int32_t>(sy)) + sx * 3;
                    d[0] = p[0];
                    d[1] = p[1];
                    d[2] = p[2];
                } else {
                    d[0] = d[1] = d[2] = FillByte;
                }
            }
        }
    }
}

void CropWithFill(const TBitmap& source, TBitmap& target, int32_t left, int32_t top,
                  int32_t width, int32_t height) {
    if (&source == &target) {
        const TBitmap copy = source;
        CropWithFill(copy, target, left, top, width, height);
        return;
    }
    if (width < 1 || height < 1) {
        target.SetSize(0, 0);
        return;
    }
    target.SetSizeForOverwrite(width, height);
    const int64_t w = source.Width();
    const int64_t h = source.Height();
    // Source columns x0 .. x1-1 fall inside both the source and the rectangle.
    const int64_t x0 = std::clamp<int64_t>(left, 0, w);
    const int64_t x1 = std::clamp<int64_t>(int64_t(left) + width, 0, w);
    const std::size_t targetBytes = static_cast<std::size_t>(width) * 3;
    for (int32_t ty = 0; ty < height; ++ty) {
        uint8_t* d = target.ScanLine(ty);
        const int64_t y = int64_t(top) + ty;
        if (y < 0 || y >= h || x1 <= x0) {
            std::memset(d, FillByte, targetBytes);
            continue;
        }
        const std::size_t before = static_cast<std::size_t>(x0 - left) * 3;
        const std::size_t inside = static_cast<std::size_t>(x1 - x0) * 3;
        std::memset(d, FillByte, before);
        std::memcpy(d + before, source.ScanLine(static_cast<int32_t>(y)) + x0 * 3, inside);
        std::memset(d + before + inside, FillByte, targetBytes - before - inside);
    }
}

void ApplyGamma(TBitmap& image, double exponent) {
    ByteTable table;
    for (int i = 0; i < 256; ++i) table[i] = TruncToByte(std::pow(i * kOneOver255, exponent) * 255);
    ApplyByteTable(image, table);
}

void ApplyBrightness(TBitmap& image, double factor) {
    ByteTable table;
    for (int i = 0; i < 256; ++i) table[i] = TruncToByte(i * factor);
    ApplyByteTable(image, table);
}

void ApplyContrast(TBitmap& image, double factor) {
    ByteTable table;
    for (int i = 0; i < 256; ++i) table[i] = TruncToByte((i - 127) * factor + 127);
    ApplyByteTable(image, table);
}

void InvertColors(TBitmap& image) {
    const std::size_t rowBytes = RowBytes(image);
    for (int32_t y = 0; y < image.Height(); ++y) {
        uint8_t* p = image.ScanLine(y);
        for (std::size_t i = 0; i < rowBytes; ++i) p[i] = static_cast<uint8_t>(~p[i]);
    }
}

void MakeGrayscale(TBitmap& image) {
    uint8_t grey[kSumCount];
    for (int sum = 0; sum < kSumCount; ++sum) grey[sum] = static_cast<uint8_t>(sum / 3);
    ApplySumTables(image, grey, grey, grey);
}

void Colorize(TBitmap& image, double red, double green, double blue) {
    uint8_t b[kSumCount], g[kSumCount], r[kSumCount];
    for (int sum = 0; sum < kSumCount; ++sum) {
        const double d = sum * 0.333;
        b[sum] = TruncToByte(blue * d);
        g[sum] = TruncToByte(green * d);
        r[sum] = TruncToByte(red * d);
    }
    ApplySumTables(image, b, g, r);
}

TBitmap BuildView(TBitmap picture, const ViewSettings& v) {
    TBitmap scratch;
    // A geometric step leaves its result in the scratch picture, which becomes the current one.
    auto takeScratch = [&] { std::swap(picture, scratch); };
    auto scaleTo = [&](const std::string& step, double width, double height) {
        CheckStepSize(step, width, height, 2);
        scratch.SetSizeForOverwrite(static_cast<int32_t>(width), static_cast<int32_t>(height));
        ScaleNearest(picture, scratch);
        takeScratch();
    };

    if (v.rotateAngle != 0) {
        RotateAboutPoint(picture, scratch, v.rotateAngle * kPi * kOneOver180, v.rotateColumn,
                         v.rotateRow);
        takeScratch();
    }
    if (v.cropLeft != -1) {
        CheckStepSize("Crop to", v.cropWidth, v.cropHeight, 1);
        CropWithFill(picture, scratch, v.cropLeft, v.cropTop, v.cropWidth, v.cropHeight);
        takeScratch();
    }
    if (v.resizeWidth != -1) scaleTo("Resize to", v.resizeWidth, v.resizeHeight);
    if (v.resampleWidth != -1.0) {
        scaleTo(FormatText("Resample by %g and %g to", v.resampleWidth, v.resampleHeight),
                std::trunc(picture.Width() * v.resampleWidth),
                std::trunc(picture.Height() * v.resampleHeight));
    }
    if (v.upsideDown != 0) {
        FlipVertical(picture, scratch);
        takeScratch();
    }
    if (v.leftRight != 0) {
        MirrorHorizontal(picture, scratch);
        takeScratch();
    }
    if (v.gamma != 1.0) ApplyGamma(picture, v.gamma);
    if (v.brightness != 1.0) ApplyBrightness(picture, v.brightness);
    if (v.contrast != 0.0) ApplyContrast(picture, v.contrast);
    if (v.inverse != 0) InvertColors(picture);
    if (v.grayscale != 0) MakeGrayscale(picture);
    if (v.colorizeRed != -1.0) Colorize(picture, v.colorizeRed, v.colorizeGreen, v.colorizeBlue);
    return picture;
}
