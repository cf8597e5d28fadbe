#include "frame_cache.h"

#include <cstring>
#include <utility>

#include "image_error.h"
#include "jpeg_image.h"
#include "object_rotation.h"

FrameDisplayCache::FrameDisplayCache(std::size_t byteBudget) : budget_(byteBudget) {}

void FrameDisplayCache::Reset(int32_t frameCount, int32_t width, int32_t height) {
    frameCount_ = frameCount > 0 ? frameCount : 0;
    width_ = width > 0 ? width : 0;
    height_ = height > 0 ? height : 0;
    keptCount_ = 0;
    kept_.clear();
    kept_.resize(static_cast<std::size_t>(frameCount_));
    has_.assign(static_cast<std::size_t>(frameCount_), false);
    damaged_.assign(static_cast<std::size_t>(frameCount_), false);
    spare_[0] = TBitmap();
    spare_[1] = TBitmap();
}

int32_t FrameDisplayCache::Capacity() const {
    const std::size_t bytes = TBitmap::StrideFor(width_) * static_cast<std::size_t>(height_);
    if (bytes == 0) return frameCount_;
    const std::size_t fit = budget_ / bytes;
    return fit < static_cast<std::size_t>(frameCount_) ? static_cast<int32_t>(fit) : frameCount_;
}

std::size_t FrameDisplayCache::BytesKept() const {
    return static_cast<std::size_t>(keptCount_) * TBitmap::StrideFor(width_) *
           static_cast<std::size_t>(height_);
}

bool FrameDisplayCache::Has(int32_t index) const {
    return index >= 0 && index < frameCount_ && has_[static_cast<std::size_t>(index)];
}

void FrameDisplayCache::Make(const ObjectFrame& frame, int32_t index, TBitmap& target) {
    try {
        const JpegDecodeReport report = frame.picture.DecodeTo(decoded_);
        if (!report.complete && !damaged_[static_cast<std::size_t>(index)]) {
            damaged_[static_cast<std::size_t>(index)] = true;
            reports_.push_back({frame.path, DamagedPictureReason(report)});
        }
    } catch (const ImageError& error) {
        // The header was sound when the sequence was loaded, so the decoder stopped inside the
        // pixel data; show what arrived. Should the picture not even have its size, all grey.
        if (decoded_.Width() != frame.width || decoded_.Height() != frame.height) {
            decoded_.SetSize(frame.width, frame.height);
            for (int32_t y = 0; y < decoded_.Height(); ++y)
                std::memset(decoded_.ScanLine(y), 128, static_cast<std::size_t>(frame.width) * 3);
        }
        if (!damaged_[static_cast<std::size_t>(index)]) {
            damaged_[static_cast<std::size_t>(index)] = true;
            reports_.push_back({frame.path, error.what()});
        }
    }
    target.SetSizeForOverwrite(width_, height_);
    SampleFrameToDisplay(decoded_, target);
}

const TBitmap& FrameDisplayCache::Picture(const std::vector<ObjectFrame>& frames, int32_t index,
                                          TBitmap& spare) {
    const std::size_t slot = static_cast<std::size_t>(index);
    if (has_[slot]) return kept_[slot];
    if (keptCount_ < Capacity()) {
        Make(frames[slot], index, kept_[slot]);
        has_[slot] = true;
        ++keptCount_;
        return kept_[slot];
    }
    Make(frames[slot], index, spare);
    return spare;
}

void FrameDisplayCache::Render(const std::vector<ObjectFrame>& frames, int32_t current,
                               ObjectViewMode mode, bool swap, TBitmap& display) {
    if (frameCount_ != static_cast<int32_t>(frames.size()) || current < 0 ||
        current >= frameCount_ || display.Width() != width_ || display.Height() != height_ ||
        width_ == 0 || height_ == 0)
        return;
    const TBitmap& first = Picture(frames, current, spare_[0]);
    if (mode == ObjectViewMode::Mono) {
        ComposeObjectView(mode, swap, first, first, display);
        return;
    }
    const TBitmap& second = Picture(frames, RingStep(current, 1, frameCount_), spare_[1]);
    ComposeObjectView(mode, swap, first, second, display);
}

bool FrameDisplayCache::FillOne(const std::vector<ObjectFrame>& frames, int32_t from,
                                int32_t direction) {
    if (frameCount_ != static_cast<int32_t>(frames.size()) || width_ == 0 || height_ == 0 ||
        keptCount_ >= Capacity())
        return false;
    int32_t index = from >= 0 && from < frameCount_ ? from : 0;
    for (int32_t n = 0; n < frameCount_; ++n, index = RingStep(index, direction < 0 ? -1 : 1,
                                                                frameCount_)) {
        if (has_[static_cast<std::size_t>(index)]) continue;
        TBitmap spare;
        Picture(frames, index, spare);
        return keptCount_ < Capacity();
    }
    return false;
}

std::vector<SkippedFrame> FrameDisplayCache::TakeDamageReports() {
    return std::exchange(reports_, {});
}
