// What the Color Corrector does per frame and per point: the view of a 2000 x 1500 picture at
// every zoom and turn, the curve chart's drawing list, and colour-pair sampling of many
// points. References in the same run: memcpy of the view's bytes (the floor of any render that
// writes them), memcpy of a chart surface's bytes.
#include <benchmark/benchmark.h>

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

std::size_t ViewBytes(int zoom) {
    const ViewSize size = ZoomedSize(kWidth, kHeight, zoom);
    return TBitmap::StrideFor(size.width) * static_cast<std::size_t>(size.height);
}

void ViewArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"zoom", "turn"});
    for (int64_t zoom = 0; zoom < kZoomCount; ++zoom)
        for (int64_t turn = 0; turn < kRotationCount; ++turn) b->Args({zoom, turn});
}

void BM_MemcpyView(benchmark::State& st) { RunMemcpyReference(st, ViewBytes(static_cast<int>(st.range(0)))); }
BENCHMARK(BM_MemcpyView)->ArgName("zoom")->DenseRange(0, kZoomCount - 1)->Unit(benchmark::kMillisecond);

void BM_RenderView(benchmark::State& st) {
    TBitmap scratch, view;
    const int zoom = static_cast<int>(st.range(0));
    for (auto _ : st) {
        RenderView(Picture(), zoom, static_cast<int>(st.range(1)), scratch, view);
        benchmark::DoNotOptimize(view.Bits());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * ViewBytes(zoom)));
}
BENCHMARK(BM_RenderView)->Apply(ViewArguments)->Unit(benchmark::kMillisecond);

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
