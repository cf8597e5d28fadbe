#include <gtest/gtest.h>

#include "object_rotation.h"

namespace {

// Ticks until the first frame step, or -1 when none comes within limit ticks.
int TicksToStep(RotationState& state, const PointerSpan& pointer, int limit = 200) {
    for (int tick = 1; tick <= limit; ++tick)
        if (RotationTick(state, pointer) > 0) return tick;
    return -1;
}

RotationState Loaded(int32_t frames, int32_t current) {
    RotationState state;
    state.FrameCount = frames;
    state.CurrentFrame = current;
    return state;
}

TEST(ObjectRotation, DragPaceFollowsTheElevenZonesOfTheWindowWidth) {
    // A window 1100 pixels wide at screen x 300: zone k spans [300 + 100k, 400 + 100k).
    const struct {
        int32_t pointerX;
        bool inverse;
        int ticks;       // to the first step
        int32_t frame;   // after it, from frame 5 of 10
    } cases[] = {
        {300, false, 5, 4},    // left edge, zone 0: fastest backwards
        {799, false, 21, 4},   // zone 4, next to the middle
        {800, false, -1, 5},   // zone 5: still
        {899, false, -1, 5},
        {900, false, 21, 6},   // zone 6
        {1399, false, 5, 6},   // rightmost pixel, zone 10
        {1399, true, 5, 4},    // ... backwards with inverse rotation
        {300, true, 5, 6},
    };
    for (const auto& c : cases) {
        RotationState state = Loaded(10, 5);
        state.DragActive = true;
        state.AutoRotate = true;
        state.InverseRotation = c.inverse;
        EXPECT_EQ(TicksToStep(state, {c.pointerX, 300, 1100}), c.ticks) << c.pointerX;
        EXPECT_EQ(state.CurrentFrame, c.frame) << c.pointerX;
        EXPECT_FALSE(state.AutoRotate) << "a drag switches the automatic turn off";
    }
}

TEST(ObjectRotation, PointerLeavingTheWindowSidewaysClearsThePressure) {
    RotationState state = Loaded(10, 0);
    state.DragActive = true;
    const PointerSpan inside{1399, 300, 1100};
    for (int i = 0; i < 4; ++i) RotationTick(state, inside);
    EXPECT_EQ(state.StepAccumulator, 1000);
    for (const int32_t outside : {1400, 299}) {
        state.StepAccumulator = 1000;
        state.KeyDirection = 1;  // skipped: the tick ends at the drag
        EXPECT_EQ(RotationTick(state, {outside, 300, 1100}), 0);
        EXPECT_EQ(state.StepAccumulator, 0);
    }
    EXPECT_EQ(PointerZone({5, 0, 0}), -1);  // a frame without width holds no pointer
}

TEST(ObjectRotation, KeysAndAutomaticTurnStepEverySixTicks) {
    const struct {
        int32_t key;
        bool autoRotate;
        bool inverse;
        int32_t frame;
        bool autoAfter;
    } cases[] = {
        {+1, false, false, 1, false}, {-1, false, false, 3, false}, {+1, true, false, 1, false},
        {0, true, false, 1, true},    {0, true, true, 3, true},     {-1, false, true, 1, false},
    };
    for (const auto& c : cases) {
        RotationState state = Loaded(4, 0);
        state.KeyDirection = c.key;
        state.AutoRotate = c.autoRotate;
        state.InverseRotation = c.inverse;
        EXPECT_EQ(TicksToStep(state, {}), 6) << c.key << c.autoRotate << c.inverse;
        EXPECT_EQ(state.CurrentFrame, c.frame);  // a step back from frame 0 reaches frame 3
        EXPECT_EQ(state.AutoRotate, c.autoAfter);
        EXPECT_EQ(state.StepAccumulator, 0);
    }
    RotationState idle = Loaded(4, 2);
    EXPECT_EQ(TicksToStep(idle, {}), -1);
}

TEST(ObjectRotation, TheSequenceIsARing) {
    const struct {
        int32_t count, current, delta, expected;
    } cases[] = {
        {36, 35, 1, 0}, {36, 0, -1, 35}, {36, 7, 1, 8}, {36, 7, -1, 6}, {1, 0, 1, 0}, {1, 0, -1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RingStep(c.current, c.delta, c.count), c.expected) << c.count << "," << c.current;

    RotationState one = Loaded(1, 0);
    one.AutoRotate = true;
    EXPECT_EQ(TicksToStep(one, {}), 6);
    EXPECT_EQ(one.CurrentFrame, 0);
}

}  // namespace
