#pragma once
// Steering of the panorama view by keys, wheel and mouse: pure functions on the view state and
// the steering state. The window maps its events to these calls; the renderer picks the
// change up on its next tick.

#include "panorama_view.h"

enum class MouseMode { Arrow, Hand, Cross };

struct SteeringState {
    static constexpr double kStepBase = 1.0;  // value the key steps return to
    static constexpr double kMaxStep = 10.0;

    double alphaStep = kStepBase;
    double bettaStep = kStepBase;
    double gammaStep = kStepBase;
    MouseMode mouseMode = MouseMode::Arrow;
    bool buttonHeld = false;
    int pressX = 0, pressY = 0;  // press point (Arrow) or last pointer position (Hand, Cross)
    int dragX = 0, dragY = 0;    // Arrow: pointer offset from the press point

    void ResetSteps() { alphaStep = bettaStep = gammaStep = kStepBase; }
};

// Keys the steering knows; everything else is Other.
enum class SteerKey {
    Left, Right, Up, Down, PageUp, PageDown, F1,
    KeypadMinus, KeypadPlus, KeypadDivide,
    Space, Backspace, Other
};

enum class KeyDownAction { None, Qualify };
enum class KeyUpAction { None, Next, Previous };

// A key went down (auto-repeats included) while a panorama is held. Returns Qualify for F1.
KeyDownAction SteerKeyDown(PanoramaView& view, SteeringState& steering, SteerKey key, bool ctrl);

// A key came up: the steps go back to their base; Space asks for Next, Backspace for Previous.
KeyUpAction SteerKeyUp(SteeringState& steering, SteerKey key);

// Wheel: a negative amount (towards the user) zooms out by 1.5 up to fov 4.0, a positive one
// zooms in by 2/3 down to 0.1.
void SteerWheel(PanoramaView& view, int wheelAmount);

// Mouse on the view. Only the left button starts steering; any button up ends it.
void SteerMouseDown(SteeringState& steering, int x, int y, bool leftButton);
void SteerMouseUp(SteeringState& steering);
// viewWidth, viewHeight: the view control's size. The window's outer size is taken as the one
// its resize rule implies (view + 16 wide, view + 45 high), so Hand and Cross map
// viewWidth + 6 pixels to the full circle and viewHeight pixels to half a circle.
void SteerMouseMove(PanoramaView& view, SteeringState& steering, int x, int y, int viewWidth,
                    int viewHeight);

// Arrow mode with the button held: turns the view on every tick at a speed proportional to the
// pointer's distance from the press point. mw, mh: view size + 10.
void ArrowHeldStep(PanoramaView& view, const SteeringState& steering, int mw, int mh);
