#include "object_display.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "byte_blend.h"
#include "object_rotation.h"

namespace {

// Byte offsets of the source pixel of every display column.
std::vector<std::size_t> ColumnOffsets(int32_t sourceWidth, int32_t displayWidth) {
    std::vector<std::size_t> offsets(static_cast<std::size_t>(displayWidth));
    for (int32_t x = 0; x < displayWidth; ++x)
        offsets[static_cast<std::size_t>(x)] =
            static_cast<std::size_t>(static_cast<int64_t>(x) * sourceWidth / displayWidth) * 3;
    return offsets;
}

int32_t SourceRow(int32_t y, int32_t sourceHeight, int32_t displayHeight) {
    return static_cast<int32_t>(static_cast<int64_t>(y) * sourceHeight / displayHeight);
}

std::string Format(const char* format, int32_t a, int32_t b, int32_t c = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

bool SameSize(const TBitmap& a, const TBitmap& b) {
    return a.Width() == b.Width() && a.Height() == b.Height();
}

}  // namespace

DisplayFit FitDisplay(int32_t frameWidth, int32_t frameHeight, int32_t areaWidth,
                      int32_t areaHeight) {
    DisplayFit fit;
    if (frameWidth <= 0 || frameHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return fit;
    // The ratios are compared and applied in exact integer arithmetic: a single-precision
    // ratio such as 4/3 makes 800 / (4/3) come out as 599.99997, one pixel short of an exact fit.
    const int64_t fw = frameWidth, fh = frameHeight, aw = areaWidth, ah = areaHeight;
    if (fw * ah >= aw * fh) {
        fit.width = areaWidth;
        fit.height = static_cast<int32_t>(aw * fh / fw);
        fit.top = (areaHeight - fit.height) / 2;
    } else {
        fit.height = areaHeight;
        fit.width = static_cast<int32_t>(ah * fw / fh);
        fit.left = (areaWidth - fit.width) / 2;
    }
    return fit;
}

void SampleFrameToDisplay(const TBitmap& frame, TBitmap& display) {
    const int32_t width = display.Width();
    const int32_t height = display.Height();
    if (width <= 0 || height <= 0) return;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (frame.Empty()) {
        for (int32_t y = 0; y < height; ++y) std::memset(display.ScanLine(y), 0, rowBytes);
        return;
    }
    const std::vector<std::size_t> offsets = ColumnOffsets(frame.Width(), width);
    const std::size_t* column = offsets.data();
    int32_t previous = -1;
    for (int32_t y = 0; y < height; ++y) {
        const int32_t sy = SourceRow(y, frame.Height(), height);
        uint8_t* out = display.ScanLine(y);
        if (sy == previous) {  // enlarged: the row above already holds this source row
            std::memcpy(out, display.ScanLine(y - 1), rowBytes);
            continue;
        }
        previous = sy;
        const uint8_t* in = frame.ScanLine(sy);
        for (int32_t x = 0; x < width; ++x, out += 3) {
            const uint8_t* p = in + column[x];
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
        }
    }
}

void ComposeObjectView(ObjectViewMode mode, bool swap, const TBitmap& current,
                       const TBitmap& next, TBitmap& display) {
    const int32_t width = display.Width();
    const int32_t height = display.Height();
    if (width <= 0 || height <= 0 || !SameSize(current, display) || !SameSize(next, display))
        return;
    const TBitmap& a = swap ? next : current;
    const TBitmap& b = swap ? current : next;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = display.ScanLine(y);
        switch (mode) {
            case ObjectViewMode::Mono:
                std::memcpy(out, current.ScanLine(y), rowBytes);
                break;
            case ObjectViewMode::HorizontalInterlace:
                std::memcpy(out, ((y & 1) != 0 ? a : b).ScanLine(y), rowBytes);
                break;
            // One pass over both rows: a copy of one followed by a rewrite of a third of its
            // bytes reads and writes the display row twice.
            case ObjectViewMode::VerticalInterlace:
                BlendBytes(out, b.ScanLine(y), a.ScanLine(y), rowBytes, kBlendMasks.oddPixels[0]);
                break;
            case ObjectViewMode::Anaglyph:
                BlendBytes(out, a.ScanLine(y), b.ScanLine(y), rowBytes, kBlendMasks.red);
                break;
        }
    }
}

void ComposeObjectViewDirect(ObjectViewMode mode, bool swap, const TBitmap& current,
                             const TBitmap& next, TBitmap& display) {
    const int32_t width = display.Width();
    const int32_t height = display.Height();
    if (current.Empty() || next.Empty()) return;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = display.ScanLine(y);
        for (int32_t x = 0; x < width; ++x, out += 3) {
            auto pixel = [&](const TBitmap& frame) {
                const int32_t sx = static_cast<int32_t>(static_cast<int64_t>(x) * frame.Width() / width);
                const int32_t sy = SourceRow(y, frame.Height(), height);
                return frame.ScanLine(sy) + 3 * static_cast<std::size_t>(sx);
            };
            const uint8_t* first = pixel(current);
            const uint8_t* second = pixel(next);
            const uint8_t* a = swap ? second : first;
            const uint8_t* b = swap ? first : second;
            const uint8_t* source = first;
            switch (mode) {
                case ObjectViewMode::Mono:
                    break;
                case ObjectViewMode::HorizontalInterlace:
                    source = (y & 1) != 0 ? a : b;
                    break;
                case ObjectViewMode::VerticalInterlace:
                    source = (x & 1) != 0 ? a : b;
                    break;
                case ObjectViewMode::Anaglyph:
                    out[0] = a[0];
                    out[1] = a[1];
                    out[2] = b[2];
                    continue;
            }
            out[0] = source[0];
            out[1] = source[1];
            out[2] = source[2];
        }
    }
}

std::string FrameStatusText(ObjectViewMode mode, int32_t currentFrame, int32_t frameCount,
                            const std::string& language) {
    const bool english = language == "eng";
    if (mode == ObjectViewMode::Mono)
        return Format(english ? "Image %i from %i" : "Изображение %i из %i", currentFrame,
                      frameCount);
    return Format(english ? "Images %i,%i from %i" : "Изображения %i,%i из %i", currentFrame,
                  RingStep(currentFrame, 1, frameCount), frameCount);
}

std::string ResolutionText(int32_t frameWidth, int32_t frameHeight, const std::string& language) {
    return Format(language == "eng" ? "Resolution: %ix%i" : "Разрешение: %ix%i", frameWidth,
                  frameHeight);
}
