#pragma once
#include <cstdint>
#include <string>

#include "stereo_composition.h"

// The view commands of the stereo viewer as plain functions on StereoViewState: the zoom ladder,
// the three fits, panning and parallax by mouse drag and arrow keys, and the status texts.

// Zoom steps in source pixels per display pixel, from 1000 % down to 50 %.
constexpr int kZoomStepCount = 9;
extern const float kZoomLadder[kZoomStepCount];

// The largest step strictly below scale; 0.1 at or below the first step.
float ZoomInScale(float scale);
// The smallest step strictly above scale; 2.0 at or above the last step.
float ZoomOutScale(float scale);

enum class StereoFit { Width, Height, Window };

// The scale that fits one half (halfWidth x height) into an image area of areaWidth x
// areaHeight: halfWidth / areaWidth, height / areaHeight, or the larger of both for the window.
// An area without pixels cannot be fitted and an empty half gives no usable quotient; then the
// previous scale stays, or 1.0 when there was none yet, so the scale never becomes zero.
float FitScale(StereoFit fit, int32_t halfWidth, int32_t height, int32_t areaWidth,
               int32_t areaHeight, float previousScale);

// A mouse move of (deltaX, deltaY) display pixels with the left button held: without Shift the
// picture follows the mouse (position), with Shift the secondary half does (parallax).
void ApplyDrag(StereoViewState& state, int32_t deltaX, int32_t deltaY, bool shift);

enum class ArrowKey { Left, Right, Up, Down };

// Source pixels a parallax key moves: 5 display pixels truncated toward zero, at least 1.
int64_t ParallaxKeyStep(float scale);

// An arrow key: pans by 5 display pixels, or with Shift moves the secondary half in the arrow's
// direction by ParallaxKeyStep.
void ApplyArrowKey(StereoViewState& state, ArrowKey key, bool shift);

// Status texts.
std::string PairSizeText(const StereoPair& pair);        // "1024x768"
std::string ParallaxText(const StereoViewState& state);  // "Parallax (2,-2)"
std::string PositionText(const StereoViewState& state);  // "Position (10,0)"
std::string ZoomText(float scale);                       // "303.0%"
