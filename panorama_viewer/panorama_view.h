#pragma once
// What the panorama viewer shows: the view state that the steering changes and the renderer
// draws.
#include <limits>

// The view state: three angles in degrees and the zoom factor, with the values of the last
// rendered frame. Setting prevAlpha to anything but alpha makes the next frame render.
struct PanoramaView {
    double alpha = 0.0;  // yaw, 0..360
    double betta = 0.0;  // pitch, -90..90, positive looks up
    double gamma = 0.0;  // roll, 0..360
    double fov = 1.0;    // the longer side of the map spans 90 * fov degrees, 0.1..4.0
    double prevAlpha = -1.0;
    double prevBetta = -1.0;
    double prevGamma = -1.0;
    double prevFov = 1.0;

    // Exact comparisons: any change at all asks for a new frame.
    bool NeedsRender() const {
        return !(alpha == prevAlpha && betta == prevBetta && fov == prevFov &&
                 gamma == prevGamma);
    }
    // Makes the next frame render. Not a number equals nothing, so this holds whatever alpha
    // is (the Cross mouse mode can set alpha to exactly -1, the customary marker).
    void RequestRender() { prevAlpha = std::numeric_limits<double>::quiet_NaN(); }
};
