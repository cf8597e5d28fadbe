// Rendering a full-HD display from a pair of 3000 x 2000 halves, every mode, at scale 1 and at
// the scale that fits the halves to the display width; and the same on a 3840 x 2160 display. References in the same run: memcpy of the
// display's bytes, and the one-pixel-at-a-time composition the fast render is checked against.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "memcpy_reference.h"
#include "stereo_composition.h"

namespace {

constexpr int32_t kDisplayWidth = 1920;
constexpr int32_t kDisplayHeight = 1080;
constexpr int32_t kHalfWidth = 3000;
constexpr int32_t kHalfHeight = 2000;
constexpr float kFittedScale = 3000.0f / 1920.0f;
constexpr int32_t kWideWidth = 3840;
constexpr int32_t kWideHeight = 2160;

const StereoPair& Pair() {
    static const StereoPair pair = [] {
        TBitmap source(2 * kHalfWidth, kHalfHeight);
        std::mt19937 random(7);
        for (int32_t y = 0; y < source.Height(); ++y) {
            uint8_t* row = source.ScanLine(y);
            for (int32_t i = 0; i < source.Width() * 3; ++i)
                row[i] = static_cast<uint8_t>(random());
        }
        return SplitStereoPair(source);
    }();
    return pair;
}

StereoViewState State(int64_t mode, int64_t fitted) {
    StereoViewState state;
    state.scale = fitted ? kFittedScale : 1.0f;
    state.mode = static_cast<StereoMode>(mode);
    state.parallaxX = 12.0f;  // a typical small parallax, so both halves are sampled
    state.parallaxY = -3.0f;
    return state;
}

void ModeArguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"mode", "fitted"});
    for (int64_t fitted : {0, 1})
        for (int64_t mode = 0; mode < 5; ++mode) b->Args({mode, fitted});
}

void BM_Memcpy(benchmark::State& st) {
    RunMemcpyReference(st, static_cast<std::size_t>(kDisplayWidth) * kDisplayHeight * 3);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

// A floor set by memory rather than by the render: for each display row, copy the whole source
// row(s) the frame reads (one half or both) into a scratch row.
void BM_ReadSourceRows(benchmark::State& st) {
    const StereoPair& pair = Pair();
    const int64_t halves = st.range(0);
    const float scale = st.range(1) ? kFittedScale : 1.0f;
    const std::size_t rowBytes = static_cast<std::size_t>(kHalfWidth) * 3;
    const std::size_t used =
        std::min(rowBytes, static_cast<std::size_t>(kDisplayWidth * scale + 1) * 3);
    std::vector<uint8_t> scratch(2 * rowBytes);
    for (auto _ : st) {
        for (int32_t y = 0; y < kDisplayHeight; ++y) {
            const std::size_t sy = static_cast<std::size_t>(static_cast<double>(y) * scale);
            std::memcpy(scratch.data(), pair.first.Data() + sy * rowBytes, used);
            if (halves == 2)
                std::memcpy(scratch.data() + rowBytes, pair.second.Data() + sy * rowBytes, used);
        }
        benchmark::DoNotOptimize(scratch.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ReadSourceRows)
    ->ArgNames({"halves", "fitted"})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond);

void RenderDisplays(benchmark::State& st, const StereoViewState& state, int32_t w, int32_t h) {
    const StereoPair& pair = Pair();
    TBitmap display(w, h);
    for (auto _ : st) {
        RenderStereoView(pair, state, display);
        benchmark::DoNotOptimize(display.Bits());
        benchmark::ClobberMemory();
    }
}

void BM_Render(benchmark::State& st) {
    RenderDisplays(st, State(st.range(0), st.range(1)), kDisplayWidth, kDisplayHeight);
}
BENCHMARK(BM_Render)->Apply(ModeArguments)->Unit(benchmark::kMillisecond);

void BM_RenderPerPixel(benchmark::State& st) {
    const StereoPair& pair = Pair();
    const StereoViewState state = State(st.range(0), st.range(1));
    TBitmap display(kDisplayWidth, kDisplayHeight);
    for (auto _ : st) {
        RenderStereoViewPerPixel(pair, state, display);
        benchmark::DoNotOptimize(display.Bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RenderPerPixel)->Apply(ModeArguments)->Unit(benchmark::kMillisecond);

// A 3840 x 2160 display: the halves at scale 1 (fitted 0) and fitted to its width (fitted 1).
void BM_Render4K(benchmark::State& st) {
    StereoViewState state = State(st.range(0), 0);
    if (st.range(1)) state.scale = static_cast<float>(kHalfWidth) / kWideWidth;
    RenderDisplays(st, state, kWideWidth, kWideHeight);
}
BENCHMARK(BM_Render4K)->Apply(ModeArguments)->Unit(benchmark::kMillisecond);

void BM_Memcpy4K(benchmark::State& st) {
    RunMemcpyReference(st, static_cast<std::size_t>(kWideWidth) * kWideHeight * 3);
}
BENCHMARK(BM_Memcpy4K)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
