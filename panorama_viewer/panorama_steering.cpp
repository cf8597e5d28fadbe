#include "panorama_steering.h"

namespace {

constexpr double kFovMin = 0.1;
constexpr double kFovMax = 4.0;
constexpr double kZoomIn = 0.6666666666666666;

void ClampBetta(PanoramaView& view) {
    if (view.betta > 90.0) view.betta = 90.0;
    if (view.betta < -90.0) view.betta = -90.0;
}

// One turn back into range is enough: steps never exceed 10 degrees.
void WrapAlpha(PanoramaView& view) {
    if (view.alpha < 0.0) view.alpha += 360.0;
    if (view.alpha > 360.0) view.alpha -= 360.0;
}

void WrapGamma(PanoramaView& view) {
    if (view.gamma > 360.0) view.gamma -= 360.0;
    if (view.gamma < 0.0) view.gamma += 360.0;
}

// Steps one angle and grows its step; the other two go back to their base.
void StepAngle(double& angle, double& step, double sign, double& other1, double& other2) {
    angle += sign * step;
    step *= 1.5;
    other1 = SteeringState::kStepBase;
    other2 = SteeringState::kStepBase;
}

// A zero-sized view must not divide by zero; one pixel is the smallest meaningful span.
double AtLeastOne(int pixels) { return pixels < 1 ? 1.0 : static_cast<double>(pixels); }

}  // namespace

KeyDownAction SteerKeyDown(PanoramaView& view, SteeringState& s, SteerKey key, bool ctrl) {
    KeyDownAction action = KeyDownAction::None;
    switch (key) {
        case SteerKey::Left:
            if (ctrl)
                StepAngle(view.gamma, s.gammaStep, -1.0, s.alphaStep, s.bettaStep);
            else
                StepAngle(view.alpha, s.alphaStep, -1.0, s.bettaStep, s.gammaStep);
            break;
        case SteerKey::Right:
            if (ctrl)
                StepAngle(view.gamma, s.gammaStep, +1.0, s.alphaStep, s.bettaStep);
            else
                StepAngle(view.alpha, s.alphaStep, +1.0, s.bettaStep, s.gammaStep);
            break;
        case SteerKey::Up:
            StepAngle(view.betta, s.bettaStep, +1.0, s.alphaStep, s.gammaStep);
            break;
        case SteerKey::Down:
            StepAngle(view.betta, s.bettaStep, -1.0, s.alphaStep, s.gammaStep);
            break;
        case SteerKey::PageUp:
            StepAngle(view.gamma, s.gammaStep, -1.0, s.alphaStep, s.bettaStep);
            break;
        case SteerKey::PageDown:
            StepAngle(view.gamma, s.gammaStep, +1.0, s.alphaStep, s.bettaStep);
            break;
        case SteerKey::F1:
            action = KeyDownAction::Qualify;
            break;
        default:
            s.ResetSteps();
            break;
    }

    if (key == SteerKey::KeypadMinus) {
        view.fov *= 1.5;
        if (view.fov > kFovMax) view.fov = kFovMax;
    }
    if (key == SteerKey::KeypadPlus) {
        view.fov = view.fov * 1.0 * kZoomIn;
        if (view.fov < kFovMin) view.fov = kFovMin;
    }
    if (key == SteerKey::KeypadDivide) view.fov = 1.0;

    if (s.alphaStep > SteeringState::kMaxStep) s.alphaStep = SteeringState::kMaxStep;
    if (s.bettaStep > SteeringState::kMaxStep) s.bettaStep = SteeringState::kMaxStep;
    if (s.gammaStep > SteeringState::kMaxStep) s.gammaStep = SteeringState::kMaxStep;
    WrapGamma(view);
    if (view.alpha > 360.0) view.alpha -= 360.0;
    if (view.alpha < 0.0) view.alpha += 360.0;
    ClampBetta(view);
    return action;
}

KeyUpAction SteerKeyUp(SteeringState& steering, SteerKey key) {
    steering.ResetSteps();
    if (key == SteerKey::Space) return KeyUpAction::Next;
    if (key == SteerKey::Backspace) return KeyUpAction::Previous;
    return KeyUpAction::None;
}

void SteerWheel(PanoramaView& view, int wheelAmount) {
    if (wheelAmount < 0) {
        view.fov *= 1.5;
        if (view.fov > kFovMax) view.fov = kFovMax;
    } else if (wheelAmount > 0) {
        view.fov *= kZoomIn;
        if (view.fov < kFovMin) view.fov = kFovMin;
    }
}

void SteerMouseDown(SteeringState& steering, int x, int y, bool leftButton) {
    if (!leftButton) return;
    steering.pressX = x;
    steering.pressY = y;
    steering.dragX = 0;
    steering.dragY = 0;
    steering.buttonHeld = true;
}

void SteerMouseUp(SteeringState& steering) { steering.buttonHeld = false; }

void SteerMouseMove(PanoramaView& view, SteeringState& s, int x, int y, int viewWidth,
                    int viewHeight) {
    if (!s.buttonHeld) return;
    // Outer width - 10 and outer height - 45 of a window whose view fills its client area.
    const double spanX = AtLeastOne(viewWidth + 6);
    const double spanY = AtLeastOne(viewHeight);
    switch (s.mouseMode) {
        case MouseMode::Arrow:
            s.dragX = x - s.pressX;
            s.dragY = y - s.pressY;
            break;
        case MouseMode::Hand:
            view.alpha -= (x - s.pressX) * 90.0 / spanX * view.fov;
            view.betta += (y - s.pressY) * 90.0 / spanY * view.fov;
            ClampBetta(view);
            WrapAlpha(view);
            view.prevAlpha = view.alpha - 1.0;
            s.pressX = x;
            s.pressY = y;
            break;
        case MouseMode::Cross:
            view.alpha = x * 360.0 / spanX;
            view.betta = 90.0 - y * 180.0 / spanY;
            view.prevAlpha = view.alpha - 1.0;
            s.pressX = x;
            s.pressY = y;
            break;
    }
}

void ArrowHeldStep(PanoramaView& view, const SteeringState& s, int mw, int mh) {
    if (!s.buttonHeld || s.mouseMode != MouseMode::Arrow) return;
    view.alpha -= s.dragX * 20.0 / AtLeastOne(mw) * view.fov;
    view.betta += s.dragY * 5.0 / AtLeastOne(mh) * view.fov;
    ClampBetta(view);
    WrapAlpha(view);
    view.prevAlpha = view.alpha - 1.0;
}
