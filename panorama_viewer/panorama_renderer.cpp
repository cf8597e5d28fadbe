#include "panorama_renderer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "panorama_steering.h"

void QualifyBitmap(TBitmap& view, std::vector<uint8_t>& scratch) {
    const int w = view.Width();
    const int h = view.Height();
    if (w < 3 || h < 3) return;  // no inner pixel
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    scratch.resize(rowBytes * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(scratch.data() + rowBytes * y, view.ScanLine(y), rowBytes);
    for (int y = 1; y < h - 1; ++y) {
        const uint8_t* above = scratch.data() + rowBytes * (y - 1);
        const uint8_t* centre = above + rowBytes;
        const uint8_t* below = centre + rowBytes;
        uint8_t* out = view.ScanLine(y);
        for (std::size_t i = 3; i < rowBytes - 3; ++i)
            out[i] = static_cast<uint8_t>(
                (centre[i - 3] + 6 * centre[i] + centre[i + 3] + above[i] + below[i]) / 10);
    }
}

int64_t SteadyMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

PanoramaRenderer::PanoramaRenderer(TickSource ticks) : ticks_(std::move(ticks)) {
    if (!ticks_) ticks_ = SteadyMicroseconds;
}

void PanoramaRenderer::RefreshViewRows(TBitmap& target) {
    const std::size_t h = static_cast<std::size_t>(target.Height());
    if (viewRows_.size() == h && (h == 0 || viewRows_[0] == target.ScanLine(0)) &&
        (h < 2 || viewRows_[1] == target.ScanLine(1)))
        return;
    viewRows_.resize(h);
    for (std::size_t y = 0; y < h; ++y) viewRows_[y] = target.ScanLine(static_cast<int32_t>(y));
}

namespace {

struct BusyGuard {
    bool& flag;
    explicit BusyGuard(bool& f) : flag(f) { flag = true; }
    ~BusyGuard() { flag = false; }
};

void ShowPanels(const FrameResult& result, int first, int last, const FrameHooks& hooks) {
    if (hooks.setPanel)
        for (int p = first; p <= last; ++p) hooks.setPanel(p, result.panels[p]);
}

}  // namespace

void PanoramaRenderer::FillGridNodes(const PanoramaView& drawn, int32_t W, int32_t H) {
    const int mw = maps_.MapWidth();
    ComputeNodes(maps_.GridColumns(0), maps_.GridRowValues(0), static_cast<std::size_t>(mw), mw,
                 maps_.MapHeight(), drawn, W, H, scratch_);
}

void PanoramaRenderer::InterpolateGridRows(int32_t W, int32_t H) {
    for (int k = 0; k < maps_.GridRows(); ++k) {
        HorizontalRow(maps_.GridColumns(k), maps_.MapWidth(), W, scratch_);
        HorizontalRow(maps_.GridRowValues(k), maps_.MapWidth(), H, scratch_);
    }
}

int64_t PanoramaRenderer::FillBands(const PanoramaPixels& panorama, int64_t start,
                                    FrameTimings& timings) {
    const int32_t W = panorama.W();
    const int32_t H = panorama.H();
    const int w = maps_.ViewWidth();
    const int h = maps_.ViewHeight();
    const int mw = maps_.MapWidth();
    uint16_t* bandColumns[kGridStep - 1];
    uint16_t* bandRows[kGridStep - 1];
    const uint16_t* cms[kGridStep];
    const uint16_t* rms[kGridStep];
    uint32_t* offsets[kGridStep];
    for (int p = 1; p < kGridStep; ++p) {
        bandColumns[p - 1] = maps_.BandColumns(p);
        bandRows[p - 1] = maps_.BandRowValues(p);
        cms[p] = bandColumns[p - 1];
        rms[p] = bandRows[p - 1];
    }
    for (int q = 0; q < kGridStep; ++q) offsets[q] = maps_.Offsets(q);
    int64_t mark = start;
    for (int k = 0; k * kGridStep < h; ++k) {
        // Grid row k + 1 exists: (k + 1) * 10 <= h + 9 < mh.
        VerticalBand(maps_.GridColumns(k), maps_.GridColumns(k + 1), bandColumns, mw, W, scratch_);
        VerticalBand(maps_.GridRowValues(k), maps_.GridRowValues(k + 1), bandRows, mw, H, scratch_);
        const int64_t afterVertical = ticks_();
        cms[0] = maps_.GridColumns(k);
        rms[0] = maps_.GridRowValues(k);
        const int rows = std::min(kGridStep, h - k * kGridStep);
        FetchBand(cms, rms, rows, w, panorama, offsets, viewRows_.data() + k * kGridStep);
        const int64_t afterFetch = ticks_();
        timings.vertical += afterVertical - mark;
        timings.fetch += afterFetch - afterVertical;
        mark = afterFetch;
    }
    return mark;
}

FrameResult PanoramaRenderer::Frame(PanoramaView& view, const SteeringState& steering,
                                    const PanoramaPixels* panorama, TBitmap& target,
                                    const FrameHooks& hooks) {
    FrameResult result;
    const int64_t t0 = ticks_();
    ArrowHeldStep(view, steering, target.Width() + kGridStep, target.Height() + kGridStep);
    if (panorama == nullptr || panorama->Empty() || busy_) return result;
    const int64_t t1 = ticks_();
    if (!view.NeedsRender()) return result;
    BusyGuard guard(busy_);

    // The values this frame draws; they become the prev values, even if a handler run during
    // the repaint changes the view (then the next tick draws that change).
    const PanoramaView drawn = view;
    maps_.SetViewSize(target.Width(), target.Height());
    RefreshViewRows(target);
    const int32_t W = panorama->W();
    const int32_t H = panorama->H();
    result.panels[0] = SizeText(W, H);
    result.panels[1] = AnglesText(view);
    result.panels[2] = FovText(view);
    ShowPanels(result, 0, 2, hooks);

    FillGridNodes(drawn, W, H);
    const int64_t t2 = ticks_();
    InterpolateGridRows(W, H);
    const int64_t t3 = ticks_();
    FrameTimings& timings = result.timings;
    const int64_t mark = FillBands(*panorama, t3, timings);
    if (hooks.repaint) hooks.repaint();
    const int64_t t6 = ticks_();

    view.prevBetta = drawn.betta;
    view.prevAlpha = drawn.alpha;
    view.prevGamma = drawn.gamma;
    view.prevFov = drawn.fov;
    const int64_t t7 = ticks_();

    result.rendered = true;
    timings.nodes = t2 - t1;
    timings.horizontal = t3 - t2;
    timings.repaint = t6 - mark;
    timings.total = t7 - t0;
    result.panels[3] = FpsText(timings.total / 1000);
    result.panels[4] = TimingsText(timings);
    ShowPanels(result, 3, 4, hooks);
    return result;
}

void PanoramaRenderer::Qualify(TBitmap& target) { QualifyBitmap(target, qualifyScratch_); }

void PanoramaRenderer::ReleaseBuffers() {
    maps_.Release();
    std::vector<uint8_t*>().swap(viewRows_);
    std::vector<uint8_t>().swap(qualifyScratch_);
    scratch_ = NodeScratch();
}

void RenderPanoramaView(const PanoramaPixels& panorama, const PanoramaView& view, int32_t width,
                        int32_t height, bool smooth, TBitmap& target) {
    PanoramaRenderer renderer([] { return int64_t{0}; });
    PanoramaView drawn = view;
    drawn.RequestRender();
    target.SetSize(width, height);
    renderer.Frame(drawn, SteeringState{}, &panorama, target);
    if (smooth) renderer.Qualify(target);
}
