#include "panorama_steering.h"

#include <gtest/gtest.h>

namespace {

struct Steer {
    PanoramaView view;
    SteeringState s;
    KeyDownAction Down(SteerKey key, bool ctrl = false) { return SteerKeyDown(view, s, key, ctrl); }
    KeyUpAction Up(SteerKey key) { return SteerKeyUp(s, key); }
};

}  // namespace

TEST(PanoramaKeys, RepeatedArrowStepsGrowUpToTenAndRestartAfterRelease) {
    Steer st;
    for (int i = 0; i < 8; ++i) st.Down(SteerKey::Right);
    EXPECT_DOUBLE_EQ(st.view.alpha, 40.78125);
    EXPECT_DOUBLE_EQ(st.s.alphaStep, 10.0);
    EXPECT_EQ(st.Up(SteerKey::Right), KeyUpAction::None);
    st.Down(SteerKey::Right);
    EXPECT_DOUBLE_EQ(st.view.alpha, 41.78125);

    // Left walks the same sequence back.
    Steer left;
    left.view.alpha = 100;
    const double steps[] = {1, 1.5, 2.25, 3.375, 5.0625, 7.59375, 10, 10};
    double expected = 100;
    for (const double step : steps) {
        left.Down(SteerKey::Left);
        expected -= step;
        EXPECT_DOUBLE_EQ(left.view.alpha, expected);
    }
}

TEST(PanoramaKeys, EachKeyTurnsItsOwnAngleAndResetsTheOtherSteps) {
    Steer st;
    st.Down(SteerKey::Up);
    st.Down(SteerKey::Up);
    EXPECT_DOUBLE_EQ(st.view.betta, 2.5);
    st.Down(SteerKey::Right);
    EXPECT_DOUBLE_EQ(st.s.bettaStep, 1.0);  // Right reset the tilt step
    st.Down(SteerKey::Down);
    EXPECT_DOUBLE_EQ(st.view.betta, 1.5);
    EXPECT_DOUBLE_EQ(st.s.alphaStep, 1.0);

    // Roll: Ctrl+arrows and Page Up/Down.
    st.Down(SteerKey::Right, true);
    EXPECT_DOUBLE_EQ(st.view.gamma, 1.0);
    st.Down(SteerKey::PageDown);
    EXPECT_DOUBLE_EQ(st.view.gamma, 2.5);
    st.Down(SteerKey::PageUp);
    EXPECT_DOUBLE_EQ(st.view.gamma, 2.5 - 2.25);
    st.Down(SteerKey::Left, true);
    EXPECT_DOUBLE_EQ(st.view.gamma, 0.25 - 3.375 + 360.0);
    EXPECT_DOUBLE_EQ(st.view.alpha, 1.0);  // Ctrl kept yaw out of it

    // F1 asks for Qualify and keeps the steps; any other key resets them.
    EXPECT_EQ(st.Down(SteerKey::F1), KeyDownAction::Qualify);
    EXPECT_DOUBLE_EQ(st.s.gammaStep, 1.5 * 1.5 * 1.5 * 1.5);
    EXPECT_EQ(st.Down(SteerKey::Other), KeyDownAction::None);
    EXPECT_DOUBLE_EQ(st.s.gammaStep, 1.0);
}

TEST(PanoramaKeys, TiltClampsAndTurnsWrap) {
    Steer st;
    st.view.betta = 89.5;
    st.Down(SteerKey::Up);
    EXPECT_DOUBLE_EQ(st.view.betta, 90.0);
    st.view.betta = -89.5;
    st.Down(SteerKey::Down);
    EXPECT_DOUBLE_EQ(st.view.betta, -90.0);

    Steer wrap;
    wrap.view.alpha = 0.5;
    wrap.Down(SteerKey::Left);
    EXPECT_DOUBLE_EQ(wrap.view.alpha, 359.5);
    wrap.s.ResetSteps();
    wrap.Down(SteerKey::Right);
    wrap.Down(SteerKey::Right);
    EXPECT_DOUBLE_EQ(wrap.view.alpha, 2.0);  // 359.5 + 1 + 1.5 = 362 -> 2
    wrap.view.gamma = 359.0;
    wrap.Down(SteerKey::PageDown);
    wrap.Down(SteerKey::PageDown);
    EXPECT_DOUBLE_EQ(wrap.view.gamma, 1.5);
}

TEST(PanoramaKeys, KeypadZoomsWithinItsLimits) {
    Steer st;
    for (int i = 0; i < 3; ++i) st.Down(SteerKey::KeypadMinus);
    EXPECT_DOUBLE_EQ(st.view.fov, 3.375);
    st.Down(SteerKey::KeypadMinus);
    EXPECT_DOUBLE_EQ(st.view.fov, 4.0);
    st.Down(SteerKey::KeypadDivide);
    EXPECT_DOUBLE_EQ(st.view.fov, 1.0);
    st.Down(SteerKey::KeypadPlus);
    EXPECT_DOUBLE_EQ(st.view.fov, 0.6666666666666666);
    for (int i = 0; i < 10; ++i) st.Down(SteerKey::KeypadPlus);
    EXPECT_DOUBLE_EQ(st.view.fov, 0.1);
    // The zoom keys are "other keys" for the steps.
    st.Down(SteerKey::Right);
    st.Down(SteerKey::KeypadMinus);
    EXPECT_DOUBLE_EQ(st.s.alphaStep, 1.0);
}

TEST(PanoramaKeys, ReleaseResetsStepsAndSpaceBackspaceWalkTheFolder) {
    Steer st;
    st.Down(SteerKey::Up);
    st.Down(SteerKey::Up);
    EXPECT_EQ(st.Up(SteerKey::Space), KeyUpAction::Next);
    EXPECT_DOUBLE_EQ(st.s.bettaStep, 1.0);
    EXPECT_EQ(st.Up(SteerKey::Backspace), KeyUpAction::Previous);
    EXPECT_EQ(st.Up(SteerKey::Other), KeyUpAction::None);
}

TEST(PanoramaWheel, TowardsTheUserZoomsOutAwayZoomsIn) {
    PanoramaView view;
    SteerWheel(view, -120);
    EXPECT_DOUBLE_EQ(view.fov, 1.5);
    SteerWheel(view, 120);
    EXPECT_DOUBLE_EQ(view.fov, 1.5 * 0.6666666666666666);
    SteerWheel(view, 0);
    EXPECT_DOUBLE_EQ(view.fov, 1.5 * 0.6666666666666666);
    for (int i = 0; i < 10; ++i) SteerWheel(view, -1);
    EXPECT_DOUBLE_EQ(view.fov, 4.0);
    for (int i = 0; i < 20; ++i) SteerWheel(view, 1);
    EXPECT_DOUBLE_EQ(view.fov, 0.1);
}

TEST(PanoramaMouse, CrossMapsTheViewToTheWholeSphere) {
    PanoramaView view;
    SteeringState s;
    s.mouseMode = MouseMode::Cross;
    SteerMouseDown(s, 5, 5, true);
    SteerMouseMove(view, s, 0, 240, 640, 480);
    EXPECT_DOUBLE_EQ(view.alpha, 0.0);
    EXPECT_DOUBLE_EQ(view.betta, 0.0);
    EXPECT_EQ(view.prevAlpha, view.alpha - 1);
    EXPECT_EQ(s.pressX, 0);
    EXPECT_EQ(s.pressY, 240);
    SteerMouseMove(view, s, 323, 0, 640, 480);  // half of 640 + 6
    EXPECT_DOUBLE_EQ(view.alpha, 180.0);
    EXPECT_DOUBLE_EQ(view.betta, 90.0);
    // Beyond the view the values are taken as they come.
    SteerMouseMove(view, s, -646, 960, 640, 480);
    EXPECT_DOUBLE_EQ(view.alpha, -360.0);
    EXPECT_DOUBLE_EQ(view.betta, -270.0);
    // Without the button nothing moves.
    SteerMouseUp(s);
    SteerMouseMove(view, s, 100, 100, 640, 480);
    EXPECT_DOUBLE_EQ(view.alpha, -360.0);
}

TEST(PanoramaMouse, HandDragsThePictureWithThePointer) {
    PanoramaView view;
    view.alpha = 10;
    view.fov = 2.0;
    SteeringState s;
    s.mouseMode = MouseMode::Hand;
    SteerMouseDown(s, 100, 100, true);
    SteerMouseMove(view, s, 110, 90, 394, 300);
    EXPECT_DOUBLE_EQ(view.alpha, 10 - 10 * 90.0 / 400 * 2.0);
    EXPECT_DOUBLE_EQ(view.betta, -10 * 90.0 / 300 * 2.0);
    EXPECT_EQ(s.pressX, 110);
    EXPECT_EQ(s.pressY, 90);
    SteerMouseMove(view, s, 110, 90, 394, 300);  // no motion, no turn
    EXPECT_DOUBLE_EQ(view.alpha, 10 - 10 * 90.0 / 400 * 2.0);
    // Dragging right past zero wraps; dragging far down clamps the tilt.
    SteerMouseMove(view, s, 160, 2000, 394, 300);
    EXPECT_DOUBLE_EQ(view.alpha, 10 - 60 * 90.0 / 400 * 2.0 + 360.0);
    EXPECT_DOUBLE_EQ(view.betta, 90.0);
    // A view squeezed to nothing does not divide by zero.
    SteerMouseMove(view, s, 160, 2100, 0, 0);
    EXPECT_DOUBLE_EQ(view.betta, 90.0);
}

TEST(PanoramaMouse, ArrowTurnsOnEveryTickWhileHeld) {
    PanoramaView view;
    view.alpha = 100;
    SteeringState s;
    const int mw = 330, mh = 250;
    SteerMouseDown(s, 50, 60, true);
    ArrowHeldStep(view, s, mw, mh);
    EXPECT_DOUBLE_EQ(view.alpha, 100.0);  // held without moving: no turn
    EXPECT_DOUBLE_EQ(view.prevAlpha, 99.0);

    SteerMouseMove(view, s, 100, 60, 320, 240);
    EXPECT_EQ(s.dragX, 50);
    EXPECT_EQ(s.pressX, 50);  // the press point stays
    EXPECT_DOUBLE_EQ(view.alpha, 100.0);  // the move itself does not turn
    for (int tick = 1; tick <= 3; ++tick) {
        ArrowHeldStep(view, s, mw, mh);
        EXPECT_DOUBLE_EQ(view.alpha, 100.0 - tick * (50 * 20.0 / mw));
    }
    SteerMouseMove(view, s, 50, 160, 320, 240);  // back over the press point, 100 below
    ArrowHeldStep(view, s, mw, mh);
    EXPECT_DOUBLE_EQ(view.betta, 100 * 5.0 / mh);

    SteerMouseUp(s);
    const double alpha = view.alpha;
    ArrowHeldStep(view, s, mw, mh);
    EXPECT_DOUBLE_EQ(view.alpha, alpha);

    // A new press starts without a drag; the right button does not press.
    SteerMouseDown(s, 0, 0, false);
    EXPECT_FALSE(s.buttonHeld);
    SteerMouseDown(s, 7, 8, true);
    EXPECT_EQ(s.dragX, 0);
    EXPECT_EQ(s.dragY, 0);
    // Other modes do not turn on the tick.
    s.mouseMode = MouseMode::Hand;
    s.dragX = 40;
    ArrowHeldStep(view, s, mw, mh);
    EXPECT_DOUBLE_EQ(view.alpha, alpha);
}
