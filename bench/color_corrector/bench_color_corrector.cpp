// What the Color Corrector does per frame and per point: the visible 1000 x 700 part of the
// view of a 2000 x 1500 picture at every zoom and turn, the curve chart's drawing list, and
// colour-pair sampling of many points. References in the same run: memcpy of the viewport's
// bytes (the floor of any render that writes them), memcpy of a chart surface's bytes, memcpy
// of as many bytes as the sampling reads.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "curve_chart.h"
#include "memcpy_reference.h"
#include "picture_view.h"
#include "point_pairs.h"

namespace {

constexpr int32_t kWidth = 2000;
constexpr int32_t kHeight = 1500;
constexpr int kChartWidth = 800;
constexpr int kChartHeight = 450;

const TBitmap& Picture() {
    static const TBitmap picture = [] {
        TBitmap p(kWidth, kHeight);
        std::mt19937 random(11);
        for (int32_t y = 0; y < p.Height(); ++y) {
            uint8_t* row = p.ScanLine(y);
            for (int32_t i = 0; i < p.Width() * 3; ++i) row[i] = static_cast<uint8_t>(random());
        }
        return p;
    }();
    return picture;
}

// A viewport of 1000 x 700 in the middle of the view.
constexpr int kViewportWidth = 1000;
constexpr int kViewportHeight = 700;

void ViewArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"zoom", "turn"});
    for (int64_t zoom = 0; zoom < kZoomCount; ++zoom)
        for (int64_t turn = 0; turn < kRotationCount; ++turn) b->Args({zoom, turn});
}

void BM_MemcpyViewport(benchmark::State& st) {
    RunMemcpyReference(st, TBitmap::StrideFor(kViewportWidth) * kViewportHeight);
}
BENCHMARK(BM_MemcpyViewport)->Unit(benchmark::kMicrosecond);

void BM_RenderViewPart(benchmark::State& st) {
    const int zoom = static_cast<int>(st.range(0));
    const int turn = static_cast<int>(st.range(1));
    const ViewSize view = TurnedViewSize(kWidth, kHeight, zoom, turn);
    const ViewPart wanted{std::max(view.width - kViewportWidth, 0) / 2,
                          std::max(view.height - kViewportHeight, 0) / 2, kViewportWidth,
                          kViewportHeight};
    TBitmap part;
    for (auto _ : st) {
        RenderViewPart(Picture(), zoom, turn, wanted, part);
        benchmark::DoNotOptimize(part.Bits());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * part.Stride() * part.Height()));
}
BENCHMARK(BM_RenderViewPart)->Apply(ViewArguments)->Unit(benchmark::kMicrosecond);

void BM_MemcpyChart(benchmark::State& st) {
    RunMemcpyReference(st, static_cast<std::size_t>(kChartWidth) * kChartHeight * 4);
}
BENCHMARK(BM_MemcpyChart)->Unit(benchmark::kMicrosecond);

// The chart with all three channels, every table full: the largest drawing list.
void BM_DrawChart(benchmark::State& st) {
    ColorTable calculated, manual, result;
    for (int c = 0; c < kChannelCount; ++c) {
        calculated.SetCurve(c, IdentityCurve());
        manual.SetCurve(c, IdentityCurve());
        result.SetCurve(c, IdentityCurve());
    }
    ChartDrawing drawing;
    for (auto _ : st) {
        DrawChart(calculated, manual, result, 3, kChartWidth, kChartHeight, 60, drawing);
        benchmark::DoNotOptimize(drawing.chart.data());
    }
    st.counters["shapes"] = static_cast<double>(drawing.chart.size() + drawing.strips.size());
}
BENCHMARK(BM_DrawChart)->Unit(benchmark::kMicrosecond);

// 10000 point pairs, 9 pixels each side: about the bytes of 180000 pixels read at random.
void BM_MemcpySampledBytes(benchmark::State& st) { RunMemcpyReference(st, 10000 * 9 * 2 * 3); }
BENCHMARK(BM_MemcpySampledBytes)->Unit(benchmark::kMicrosecond);

void BM_ExportColors(benchmark::State& st) {
    PointList list;
    std::mt19937 random(5);
    for (int i = 0; i < 10000; ++i) {
        list.SetReferencePoint(static_cast<int>(random() % kWidth), static_cast<int>(random() % kHeight));
        list.SetSamplePoint(static_cast<int>(random() % kWidth), static_cast<int>(random() % kHeight));
    }
    ColorTable calculated;
    for (auto _ : st) {
        ExportColors(Picture(), Picture(), list, true, calculated);
        benchmark::DoNotOptimize(&calculated);
    }
}
BENCHMARK(BM_ExportColors)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
