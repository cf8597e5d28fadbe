#include "object_rotation.h"

int32_t PointerZone(const PointerSpan& span) {
    if (span.frameWidth <= 0) return -1;
    const int64_t offset = static_cast<int64_t>(span.pointerX) - span.frameLeft;
    if (offset < 0 || offset >= span.frameWidth) return -1;
    return static_cast<int32_t>(11 * offset / span.frameWidth);
}

int32_t ZonePressure(int32_t zone) { return 50 * (zone - 5); }

int32_t RingStep(int32_t current, int32_t delta, int32_t count) {
    const int64_t next = static_cast<int64_t>(current) + delta;
    if (next >= count) return 0;
    if (next < 0) return count > 0 ? count - 1 : 0;
    return static_cast<int32_t>(next);
}

bool StepTest(RotationState& state) {
    if (state.StepAccumulator <= kStepThreshold && state.StepAccumulator >= -kStepThreshold)
        return false;
    const int32_t direction = state.InverseRotation ? -1 : 1;
    state.CurrentFrame =
        RingStep(state.CurrentFrame, direction * state.StepAccumulator / kStepThreshold,
                 state.FrameCount);
    state.StepAccumulator = 0;
    return true;
}

int32_t RotationTick(RotationState& state, const PointerSpan& pointer) {
    int32_t steps = 0;
    if (state.DragActive) {
        state.AutoRotate = false;
        const int32_t zone = PointerZone(pointer);
        if (zone < 0) {
            state.StepAccumulator = 0;
            return steps;
        }
        state.StepAccumulator += ZonePressure(zone);
        steps += StepTest(state);
    }
    if (state.KeyDirection != 0) {
        state.AutoRotate = false;
        state.StepAccumulator += 200 * state.KeyDirection;
        steps += StepTest(state);
    }
    if (state.AutoRotate) {
        state.StepAccumulator += 200;
        steps += StepTest(state);
    }
    return steps;
}
