#pragma once
#include <cstdint>

// The turntable's rotation tick: pressure from a held mouse button, a held arrow key or the
// automatic turn builds up in StepAccumulator until it exceeds 1000, then the shown frame moves
// one place round the ring.

struct RotationState {
    int32_t StepAccumulator = 0;
    int32_t CurrentFrame = 0;
    int32_t FrameCount = 0;
    bool DragActive = false;
    int32_t KeyDirection = 0;   // -1 left arrow held, +1 right arrow held, 0 none
    bool AutoRotate = false;    // the "Auto rotate" check mark
    bool InverseRotation = false;
};

// Where the pointer stands for one tick, in screen coordinates: its x and the horizontal extent
// of the window's outer frame.
struct PointerSpan {
    int32_t pointerX = 0;
    int32_t frameLeft = 0;
    int32_t frameWidth = 0;
};

// Step threshold: a step happens when |StepAccumulator| exceeds it.
constexpr int32_t kStepThreshold = 1000;

// The eleventh of the frame width the pointer is in, 0 to 10, or -1 when the pointer is outside
// the frame horizontally (or the frame has no width).
int32_t PointerZone(const PointerSpan& span);

// Pressure a held mouse button adds per tick in zone 0..10: 50 per zone away from the middle,
// negative to the left.
int32_t ZonePressure(int32_t zone);

// The frame index moved by delta round a ring of count frames: past the end comes frame 0,
// before frame 0 the last frame.
int32_t RingStep(int32_t current, int32_t delta, int32_t count);

// If the pressure exceeds the threshold, moves CurrentFrame one step (against the pressure with
// inverse rotation), wraps it round the ring and clears the pressure. true when it stepped.
bool StepTest(RotationState& state);

// One 10 ms tick for a loaded sequence: drag, then key, then automatic turn, each with its own
// step test. A drag or a held key switches AutoRotate off; a drag whose pointer is outside the
// window clears the pressure and ends the tick. pointer is read only while DragActive. Returns
// the number of steps taken (0 to 2); the caller draws when it is not 0.
int32_t RotationTick(RotationState& state, const PointerSpan& pointer);
