#include "stereo_view_commands.h"

#include <cinttypes>
#include <cmath>

#include "number_format.h"

const float kZoomLadder[kZoomStepCount] = {0.1f,  0.15f, 0.25f, 0.33f, 0.5f,
                                           0.75f, 1.0f,  1.5f,  2.0f};

float ZoomInScale(float scale) {
    if (scale <= kZoomLadder[0]) return kZoomLadder[0];
    for (int i = kZoomStepCount - 1; i >= 0; --i)
        if (kZoomLadder[i] < scale) return kZoomLadder[i];
    return kZoomLadder[0];  // only reached by NaN
}

float ZoomOutScale(float scale) {
    if (scale >= kZoomLadder[kZoomStepCount - 1]) return kZoomLadder[kZoomStepCount - 1];
    for (int i = 0; i < kZoomStepCount; ++i)
        if (kZoomLadder[i] > scale) return kZoomLadder[i];
    return kZoomLadder[kZoomStepCount - 1];  // only reached by NaN
}

float FitScale(StereoFit fit, int32_t halfWidth, int32_t height, int32_t areaWidth,
               int32_t areaHeight, float previousScale) {
    const bool needWidth = fit != StereoFit::Height;
    const bool needHeight = fit != StereoFit::Width;
    const float fallback =
        (std::isfinite(previousScale) && previousScale > 0.0f) ? previousScale : 1.0f;
    if ((needWidth && areaWidth <= 0) || (needHeight && areaHeight <= 0)) return fallback;

    double quotient = 0.0;
    if (needWidth) quotient = static_cast<double>(halfWidth) / areaWidth;
    if (needHeight) {
        const double byHeight = static_cast<double>(height) / areaHeight;
        if (!needWidth || byHeight > quotient) quotient = byHeight;
    }
    const float scale = static_cast<float>(quotient);
    if (!(scale > 0.0f) || !std::isfinite(scale)) return fallback;
    return scale;
}

void ApplyDrag(StereoViewState& state, int32_t deltaX, int32_t deltaY, bool shift) {
    const double moveX = static_cast<double>(deltaX) * state.scale;
    const double moveY = static_cast<double>(deltaY) * state.scale;
    if (shift) {
        state.parallaxX = static_cast<float>(state.parallaxX - moveX);
        state.parallaxY = static_cast<float>(state.parallaxY - moveY);
    } else {
        state.positionX = static_cast<float>(state.positionX + moveX);
        state.positionY = static_cast<float>(state.positionY + moveY);
    }
}

int64_t ParallaxKeyStep(float scale) {
    const int64_t k = TruncateTowardZero(5.0 * static_cast<double>(scale));
    return k < 1 ? 1 : k;
}

void ApplyArrowKey(StereoViewState& state, ArrowKey key, bool shift) {
    if (shift) {
        const double k = static_cast<double>(ParallaxKeyStep(state.scale));
        switch (key) {
            case ArrowKey::Left:
                state.parallaxX = static_cast<float>(state.parallaxX + k);
                break;
            case ArrowKey::Right:
                state.parallaxX = static_cast<float>(state.parallaxX - k);
                break;
            case ArrowKey::Up:
                state.parallaxY = static_cast<float>(state.parallaxY + k);
                break;
            case ArrowKey::Down:
                state.parallaxY = static_cast<float>(state.parallaxY - k);
                break;
        }
        return;
    }
    const double step = 5.0 * static_cast<double>(state.scale);
    switch (key) {
        case ArrowKey::Left:
            state.positionX = static_cast<float>(state.positionX - step);
            break;
        case ArrowKey::Right:
            state.positionX = static_cast<float>(state.positionX + step);
            break;
        case ArrowKey::Up:
            state.positionY = static_cast<float>(state.positionY - step);
            break;
        case ArrowKey::Down:
            state.positionY = static_cast<float>(state.positionY + step);
            break;
    }
}

std::string PairSizeText(const StereoPair& pair) {
    return FormatText("%ix%i", static_cast<int>(pair.halfWidth), static_cast<int>(pair.height));
}

std::string ParallaxText(const StereoViewState& state) {
    return FormatText("Parallax (%" PRId64 ",%" PRId64 ")", ParallaxPixelsX(state),
                      ParallaxPixelsY(state));
}

std::string PositionText(const StereoViewState& state) {
    return FormatText("Position (%" PRId64 ",%" PRId64 ")", TruncateTowardZero(state.positionX),
                      TruncateTowardZero(state.positionY));
}

std::string ZoomText(float scale) { return FormatText("%4.1f%%", 100.0 / static_cast<double>(scale)); }
