#include "panorama_renderer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
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

int DefaultFrameThreads() { return std::thread::hardware_concurrency() >= 2 ? 2 : 1; }

PanoramaRenderer::PanoramaRenderer(TickSource ticks)
    : ticks_(std::move(ticks)), threads_(DefaultFrameThreads()) {
    if (!ticks_) ticks_ = SteadyMicroseconds;
}

void PanoramaRenderer::SetThreads(int threads) { threads_ = std::clamp(threads, 1, 2); }

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

void PanoramaRenderer::InterpolateGridRows(Lane& lane, int first, int last, int32_t W,
                                           int32_t H) {
    for (int k = first; k < last; ++k) {
        HorizontalRow(maps_.GridColumns(k), maps_.MapWidth(), W, lane.scratch);
        HorizontalRow(maps_.GridRowValues(k), maps_.MapWidth(), H, lane.scratch);
    }
}

int64_t PanoramaRenderer::FillGrid(const PanoramaView& drawn, int32_t W, int32_t H,
                                   int64_t start, FrameTimings& timings) {
    const int mw = maps_.MapWidth();
    const int rows = maps_.GridRows();
    NodeScratch& angles = lanes_[0].scratch;
    PrepareNodeAngles(mw, maps_.MapHeight(), drawn.fov, angles);
    const RotationMatrix rotation = MakeRotationMatrix(drawn.alpha, drawn.betta, drawn.gamma);
    // Every buffer of both threads is sized here, so the worker's share allocates nothing.
    for (Lane& lane : lanes_) {
        ReserveSpanScratch(lane.scratch, mw);
        lane.band.SetMapWidth(mw);
    }
    // Alone, the thread takes every grid row at once; shared, a few at a time, nodes then the
    // horizontal pass, so whichever thread is free takes the next ones.
    const bool shared = threads_ >= 2 && rows >= 2 * kGridRowsPerTake;
    const int take = shared ? kGridRowsPerTake : rows;
    std::atomic<int> next{0};
    int64_t mark = start;
    auto share = [&](int lane) {
        for (;;) {
            const int first = next.fetch_add(take, std::memory_order_relaxed);
            if (first >= rows) break;
            const int last = std::min(rows, first + take);
            ComputeNodeRows(maps_.GridColumns(0), maps_.GridRowValues(0),
                            static_cast<std::size_t>(mw), mw, first, last, rotation, W, H, angles);
            int64_t tick = lane == 0 ? ticks_() : 0;
            if (lane == 0) timings.nodes += tick - mark;
            InterpolateGridRows(lanes_[lane], first, last, W, H);
            if (lane == 0) {
                mark = tick;
                tick = ticks_();
                timings.horizontal += tick - mark;
                mark = tick;
            }
        }
    };
    if (!shared) {
        share(0);
        return mark;
    }
    worker_.RunShared(share);
    const int64_t afterWait = ticks_();
    timings.horizontal += afterWait - mark;
    return afterWait;
}

void PanoramaRenderer::RunBands(int laneIndex, const PanoramaPixels& panorama,
                                std::atomic<int>& left, FrameTimings* timings, int64_t& mark) {
    Lane& lane = lanes_[laneIndex];
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
        bandColumns[p - 1] = lane.band.BandColumns(p);
        bandRows[p - 1] = lane.band.BandRowValues(p);
        cms[p] = bandColumns[p - 1];
        rms[p] = bandRows[p - 1];
    }
    for (int q = 0; q < kGridStep; ++q) offsets[q] = lane.band.Offsets(q);
    const bool byOffsets = FetchesByOffsets(panorama);
    // Each thread walks its own end of the view, so the panorama lines a band shares with the
    // band before it are still in that core's cache; bands taken in turns would share them
    // only through the slower last-level cache.
    const int bands = (h + kGridStep - 1) / kGridStep;
    for (int taken = 0;; ++taken) {
        if (left.fetch_sub(1, std::memory_order_relaxed) <= 0) break;
        const int k = laneIndex == 0 ? taken : bands - 1 - taken;
        const int rows = std::min(kGridStep, h - k * kGridStep);
        uint8_t* const* viewRows = viewRows_.data() + k * kGridStep;
        // Grid row k + 1 exists: (k + 1) * 10 <= h + 9 < mh.
        int64_t afterVertical = 0;
        if (byOffsets) {
            PrepareBand(maps_.GridColumns(k), maps_.GridColumns(k + 1), maps_.GridRowValues(k),
                        maps_.GridRowValues(k + 1), w, panorama, lane.scratch);
            if (timings) afterVertical = ticks_();
            FetchPreparedBand(maps_.GridColumns(k), maps_.GridRowValues(k), rows, w, panorama,
                              lane.scratch, offsets, viewRows);
        } else {
            VerticalBand(maps_.GridColumns(k), maps_.GridColumns(k + 1), bandColumns, mw, W,
                         lane.scratch);
            VerticalBand(maps_.GridRowValues(k), maps_.GridRowValues(k + 1), bandRows, mw, H,
                         lane.scratch);
            if (timings) afterVertical = ticks_();
            cms[0] = maps_.GridColumns(k);
            rms[0] = maps_.GridRowValues(k);
            FetchBand(cms, rms, rows, w, panorama, offsets, viewRows);
        }
        if (timings) {
            const int64_t afterFetch = ticks_();
            timings->vertical += afterVertical - mark;
            timings->fetch += afterFetch - afterVertical;
            mark = afterFetch;
        }
    }
}

int64_t PanoramaRenderer::FillBands(const PanoramaPixels& panorama, int64_t start,
                                    FrameTimings& timings) {
    std::atomic<int> left{(maps_.ViewHeight() + kGridStep - 1) / kGridStep};
    int64_t mark = start;
    if (threads_ < 2 || maps_.ViewHeight() <= kGridStep) {
        RunBands(0, panorama, left, &timings, mark);
        return mark;
    }
    // Bands are taken one at a time by whichever thread is free, so a view whose lower half
    // costs more than its upper half still keeps both threads busy to the end.
    int64_t unused = 0;
    auto share = [&](int lane) {
        RunBands(lane, panorama, left, lane == 0 ? &timings : nullptr, lane == 0 ? mark : unused);
    };
    worker_.RunShared(share);
    const int64_t afterWait = ticks_();
    timings.fetch += afterWait - mark;
    return afterWait;
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

    FrameTimings& timings = result.timings;
    const int64_t t3 = FillGrid(drawn, W, H, t1, timings);
    const int64_t mark = FillBands(*panorama, t3, timings);
    if (hooks.repaint) hooks.repaint();
    const int64_t t6 = ticks_();

    view.prevBetta = drawn.betta;
    view.prevAlpha = drawn.alpha;
    view.prevGamma = drawn.gamma;
    view.prevFov = drawn.fov;
    const int64_t t7 = ticks_();

    result.rendered = true;
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
    for (Lane& lane : lanes_) lane = Lane();
    std::vector<uint8_t*>().swap(viewRows_);
    std::vector<uint8_t>().swap(qualifyScratch_);
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
