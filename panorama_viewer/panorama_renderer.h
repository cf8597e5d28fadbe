#pragma once
// Equal-angle view of a full-sphere (equirectangular) panorama.
//
// Each view pixel gets a polar angle growing linearly down the view and an azimuth growing
// linearly across it; that direction is turned by the view rotation and looked up in the
// panorama. The trigonometry runs only on grid nodes 10 pixels apart; the panorama coordinates
// in between are interpolated in integers (seam aware), then every view pixel copies the one
// panorama pixel the maps name. No Qt here: the window only feeds state in and shows results.
//
// The parts: panorama_view.h (the state), panorama_source.h (the picture), panorama_geometry.h
// (directions and the interpolation rule), panorama_bands.h (the maps and their passes),
// panorama_status.h (the status texts).

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bitmap.h"
#include "panorama_bands.h"
#include "panorama_geometry.h"
#include "panorama_source.h"
#include "panorama_status.h"
#include "panorama_view.h"

struct SteeringState;

// Smooths the picture once: every inner pixel becomes (left + 6*centre + right + above +
// below) / 10 per channel, read from a copy; the outermost rows and columns stay. scratch is
// reused between calls.
void QualifyBitmap(TBitmap& view, std::vector<uint8_t>& scratch);

struct FrameResult {
    bool rendered = false;
    std::array<std::string, 5> panels;  // filled when rendered
    FrameTimings timings;
};

// What the frame tells its window while it runs.
struct FrameHooks {
    // Shows the new picture (called between fetch and the last timings).
    std::function<void()> repaint;
    // Writes a status panel: 0..2 before the picture is computed, 3 and 4 after.
    std::function<void(int panel, const std::string& text)> setPanel;
};

// Microsecond tick counter of the frame timings (fine enough to add up the per-band stages;
// the status bar shows milliseconds); replaceable so tests are deterministic.
using TickSource = std::function<int64_t()>;
int64_t SteadyMicroseconds();

// The renderer of the viewer window: one frame per timer tick, drawing only when a view
// parameter changed since the last frame.
class PanoramaRenderer {
public:
    explicit PanoramaRenderer(TickSource ticks = SteadyMicroseconds);

    // One tick: the held-button steering step, then (with a panorama, not re-entered, view
    // changed) render into target, which is the view bitmap of the window's size. panorama is
    // nullptr while none is held.
    FrameResult Frame(PanoramaView& view, const SteeringState& steering,
                      const PanoramaPixels* panorama, TBitmap& target,
                      const FrameHooks& hooks = {});

    // Smooths the picture on screen once.
    void Qualify(TBitmap& target);

    bool Busy() const { return busy_; }
    // Drops the reusable buffers (window closed).
    void ReleaseBuffers();

private:
    void RefreshViewRows(TBitmap& target);
    // The grid rows of the maps in full: the nodes, then the values between them along each row.
    void FillGridNodes(const PanoramaView& drawn, int32_t W, int32_t H);
    void InterpolateGridRows(int32_t W, int32_t H);
    // Band by band down the view: the nine rows between two grid rows, then the view rows of
    // the band. Adds the time of each to timings; returns the tick after the last band.
    int64_t FillBands(const PanoramaPixels& panorama, int64_t start, FrameTimings& timings);

    TickSource ticks_;
    bool busy_ = false;
    BandMaps maps_;
    NodeScratch scratch_;
    std::vector<uint8_t*> viewRows_;
    std::vector<uint8_t> qualifyScratch_;
};

// One frame of a fresh renderer at width x height for view (its prev values ignored), smoothed
// once when asked: the picture the viewer shows, and saves, for that view at that size.
void RenderPanoramaView(const PanoramaPixels& panorama, const PanoramaView& view, int32_t width,
                        int32_t height, bool smooth, TBitmap& target);
