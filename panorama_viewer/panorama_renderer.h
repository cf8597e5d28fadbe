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
// panorama_status.h (the status texts), frame_worker.h (the second thread of a frame).

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bitmap.h"
#include "frame_worker.h"
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

// The threads a frame uses by default: two where the processor runs two at once, else one.
int DefaultFrameThreads();

// The renderer of the viewer window: one frame per timer tick, drawing only when a view
// parameter changed since the last frame.
class PanoramaRenderer {
public:
    explicit PanoramaRenderer(TickSource ticks = SteadyMicroseconds);

    // One or two threads per frame (other counts are clamped); the picture is the same. With
    // two, each thread takes the next grid rows and then the next band while any is left, and
    // the stage timings are those of the calling thread, its waits for the other counted in
    // the horizontal pass and the fetch.
    void SetThreads(int threads);
    int Threads() const { return threads_; }

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
    // What each thread of a frame fills for itself.
    struct Lane {
        BandRows band;
        NodeScratch scratch;
    };

    void RefreshViewRows(TBitmap& target);
    // The grid rows of the maps in full: the nodes, then the values between them along each
    // row. Adds the time of each to timings; returns the tick after the last.
    int64_t FillGrid(const PanoramaView& drawn, int32_t W, int32_t H, int64_t start,
                     FrameTimings& timings);
    // The values between the nodes of grid rows [first, last).
    void InterpolateGridRows(Lane& lane, int first, int last, int32_t W, int32_t H);
    // Band by band down the view: the nine rows between two grid rows, then the view rows of
    // the band. Adds the time of each to timings; returns the tick after the last band.
    int64_t FillBands(const PanoramaPixels& panorama, int64_t start, FrameTimings& timings);
    // Takes bands until none is left, lane 0 from the top down and lane 1 from the bottom up
    // (left counts the bands nobody has taken); times them when timings is given.
    void RunBands(int lane, const PanoramaPixels& panorama, std::atomic<int>& left,
                  FrameTimings* timings, int64_t& mark);

    // Grid rows a thread takes at a time when two share the grid.
    static constexpr int kGridRowsPerTake = 4;

    TickSource ticks_;
    bool busy_ = false;
    int threads_ = 1;
    BandMaps maps_;
    Lane lanes_[2];
    FrameWorker worker_;
    std::vector<uint8_t*> viewRows_;
    std::vector<uint8_t> qualifyScratch_;
};

// One frame of a fresh renderer at width x height for view (its prev values ignored), smoothed
// once when asked: the picture the viewer shows, and saves, for that view at that size.
void RenderPanoramaView(const PanoramaPixels& panorama, const PanoramaView& view, int32_t width,
                        int32_t height, bool smooth, TBitmap& target);
