#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bitmap.h"
#include "object_display.h"
#include "object_frames.h"

// Display-size pictures of the frames, made once per display size. A frame's picture is its
// decode resampled to the display (SampleFrameToDisplay), so composing two kept pictures gives
// the very bytes that decoding both frames for every draw gives. Kept pictures are dropped when
// the display size changes or a new sequence is opened (Reset).
//
// Memory: at most ByteBudget() bytes of kept pictures, plus one decoded frame at full size and
// two display pictures for frames beyond the budget. When the whole sequence does not fit, the
// first pictures made are kept and the others are made again at every draw that needs them.
class FrameDisplayCache {
public:
    static constexpr std::size_t kDefaultBudget = std::size_t{1} << 30;  // 1 GiB

    explicit FrameDisplayCache(std::size_t byteBudget = kDefaultBudget);

    // Drops every kept picture and prepares for frameCount frames shown at width x height.
    void Reset(int32_t frameCount, int32_t width, int32_t height);
    bool Matches(int32_t frameCount, int32_t width, int32_t height) const {
        return frameCount == frameCount_ && width == width_ && height == height_;
    }

    // Composes the step showing frame current (and the next one round the ring) into display,
    // which must have the cache's size. Missing pictures are made, and kept while the budget
    // allows.
    void Render(const std::vector<ObjectFrame>& frames, int32_t current, ObjectViewMode mode,
                bool swap, TBitmap& display);

    // Makes one missing picture: the first one met going from `from` round the ring in
    // `direction` (+1 or -1). false when none is left to make (all kept, or the budget full).
    bool FillOne(const std::vector<ObjectFrame>& frames, int32_t from, int32_t direction);

    bool Has(int32_t index) const;
    int32_t KeptCount() const { return keptCount_; }
    std::size_t ByteBudget() const { return budget_; }
    std::size_t BytesKept() const;
    // How many pictures of the current size the budget holds.
    int32_t Capacity() const;

    // Frames whose pixel data broke off while decoding: shown as far as they decoded, the rest
    // grey. Each is reported once; TakeDamageReports hands over the ones not yet taken.
    std::vector<SkippedFrame> TakeDamageReports();

private:
    // The picture of frame index, kept or made into spare.
    const TBitmap& Picture(const std::vector<ObjectFrame>& frames, int32_t index, TBitmap& spare);
    void Make(const ObjectFrame& frame, int32_t index, TBitmap& target);

    std::size_t budget_;
    int32_t frameCount_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t keptCount_ = 0;
    std::vector<TBitmap> kept_;
    std::vector<bool> has_;
    std::vector<bool> damaged_;
    TBitmap decoded_;
    TBitmap spare_[2];
    std::vector<SkippedFrame> reports_;
};
