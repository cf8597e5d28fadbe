// A turntable of 36 frames of 6000 x 4000 shown on a 1920 x 1080 display (anaglyph, the mode
// that needs both frames). Steps are measured cold (no display picture kept: two frames decoded),
// warm (every display picture kept) and as the first whole turn from an empty cache, which
// decodes each frame once. References in the same run: libjpeg-turbo's decode of one frame and a
// copy of the display's bytes. LUMIVEX_BENCH_FRAMES sets another frame count.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame_cache.h"
#include "memcpy_reference.h"
#include "object_display.h"
#include "object_frames.h"
#include "object_rotation.h"

namespace {

constexpr int32_t kFrameWidth = 6000;
constexpr int32_t kFrameHeight = 4000;
constexpr int32_t kDisplayWidth = 1920;
constexpr int32_t kDisplayHeight = 1080;

int32_t FrameCount() {
    const char* count = std::getenv("LUMIVEX_BENCH_FRAMES");
    const int parsed = count ? std::atoi(count) : 0;
    return parsed > 0 && parsed <= kMaxFrames ? parsed : 36;
}

// Photograph-like frames: smooth shading with fine texture, turning a little from frame to
// frame, compressed at quality 90 (a few megabytes each, as a camera writes them).
const std::vector<ObjectFrame>& Frames() {
    static const std::vector<ObjectFrame> frames = [] {
        std::vector<ObjectFrame> made;
        TBitmap picture(kFrameWidth, kFrameHeight);
        const int32_t count = FrameCount();
        for (int32_t i = 0; i < count; ++i) {
            for (int32_t y = 0; y < kFrameHeight; ++y) {
                uint8_t* row = picture.ScanLine(y);
                for (int32_t x = 0; x < kFrameWidth; ++x) {
                    const int32_t turned = x + i * kFrameWidth / count;
                    const uint32_t noise = static_cast<uint32_t>(x * 2654435761u ^ y * 40503u) >> 28;
                    row[3 * x] = static_cast<uint8_t>((turned / 24 + y / 32) + noise);
                    row[3 * x + 1] = static_cast<uint8_t>(y / 16 + noise);
                    row[3 * x + 2] = static_cast<uint8_t>(turned / 16 - noise);
                }
            }
            ObjectFrame frame;
            frame.picture.CompressionQuality = 90;
            frame.picture.Assign(picture);
            frame.width = kFrameWidth;
            frame.height = kFrameHeight;
            made.push_back(std::move(frame));
        }
        return made;
    }();
    return frames;
}

void BM_DecodeOneFrame(benchmark::State& st) {
    const std::vector<ObjectFrame>& frames = Frames();
    TBitmap decoded;
    for (auto _ : st) {
        frames[0].picture.DecodeTo(decoded);
        benchmark::DoNotOptimize(decoded.Bits());
    }
    st.counters["jpeg_MB"] = static_cast<double>(frames[0].picture.Bytes().size()) / 1e6;
}
BENCHMARK(BM_DecodeOneFrame)->Unit(benchmark::kMillisecond);


// The step without a cache: decode both frames, compose pixel by pixel.
void BM_StepUncached(benchmark::State& st) {
    const std::vector<ObjectFrame>& frames = Frames();
    TBitmap first, second, display(kDisplayWidth, kDisplayHeight);
    int32_t current = 0;
    for (auto _ : st) {
        frames[static_cast<std::size_t>(current)].picture.DecodeTo(first);
        frames[static_cast<std::size_t>(RingStep(current, 1, static_cast<int32_t>(frames.size())))]
            .picture.DecodeTo(second);
        ComposeObjectViewDirect(ObjectViewMode::Anaglyph, false, first, second, display);
        benchmark::DoNotOptimize(display.Bits());
        current = RingStep(current, 1, static_cast<int32_t>(frames.size()));
    }
}
BENCHMARK(BM_StepUncached)->Unit(benchmark::kMillisecond);

// A step with nothing kept yet (after an open or a resize): both pictures are made.
void BM_StepCold(benchmark::State& st) {
    const std::vector<ObjectFrame>& frames = Frames();
    const int32_t count = static_cast<int32_t>(frames.size());
    FrameDisplayCache cache;
    TBitmap display(kDisplayWidth, kDisplayHeight);
    for (auto _ : st) {
        st.PauseTiming();
        cache.Reset(count, kDisplayWidth, kDisplayHeight);
        st.ResumeTiming();
        cache.Render(frames, 0, ObjectViewMode::Anaglyph, false, display);
        benchmark::DoNotOptimize(display.Bits());
    }
}
BENCHMARK(BM_StepCold)->Unit(benchmark::kMillisecond);

// The work of a warm anaglyph step, on a 1920 x 1080 and a 3840 x 2160 display: the two kept
// display pictures composed into the display, beside a copy of the display's bytes.
constexpr int32_t kDisplays[][2] = {{kDisplayWidth, kDisplayHeight}, {3840, 2160}};

void BM_WarmAnaglyph(benchmark::State& st) {
    const int32_t w = kDisplays[st.range(0)][0], h = kDisplays[st.range(0)][1];
    TBitmap first(w, h), second(w, h), display(w, h);
    for (int32_t y = 0; y < h; ++y) {
        std::memset(first.ScanLine(y), y & 0xFF, static_cast<std::size_t>(w) * 3);
        std::memset(second.ScanLine(y), ~y & 0xFF, static_cast<std::size_t>(w) * 3);
    }
    for (auto _ : st) {
        ComposeObjectView(ObjectViewMode::Anaglyph, false, first, second, display);
        benchmark::DoNotOptimize(display.Bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_WarmAnaglyph)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_CopyDisplay(benchmark::State& st) {
    RunMemcpyReference(st, static_cast<std::size_t>(kDisplays[st.range(0)][0]) *
                               kDisplays[st.range(0)][1] * 3);
}
BENCHMARK(BM_CopyDisplay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Steps once every display picture is kept.
void BM_StepWarm(benchmark::State& st) {
    const std::vector<ObjectFrame>& frames = Frames();
    const int32_t count = static_cast<int32_t>(frames.size());
    FrameDisplayCache cache;
    cache.Reset(count, kDisplayWidth, kDisplayHeight);
    while (cache.FillOne(frames, 0, 1)) {
    }
    TBitmap display(kDisplayWidth, kDisplayHeight);
    int32_t current = 0;
    for (auto _ : st) {
        cache.Render(frames, current, ObjectViewMode::Anaglyph, false, display);
        benchmark::DoNotOptimize(display.Bits());
        current = RingStep(current, 1, count);
    }
    st.counters["kept_MB"] = static_cast<double>(cache.BytesKept()) / 1e6;
}
BENCHMARK(BM_StepWarm)->Unit(benchmark::kMillisecond);

// One whole turn from an empty cache: every frame decoded once.
void BM_FirstTurn(benchmark::State& st) {
    const std::vector<ObjectFrame>& frames = Frames();
    const int32_t count = static_cast<int32_t>(frames.size());
    FrameDisplayCache cache;
    TBitmap display(kDisplayWidth, kDisplayHeight);
    for (auto _ : st) {
        cache.Reset(count, kDisplayWidth, kDisplayHeight);
        for (int32_t current = 0; current < count; ++current)
            cache.Render(frames, current, ObjectViewMode::Anaglyph, false, display);
        benchmark::DoNotOptimize(display.Bits());
    }
    st.counters["frames"] = count;
}
BENCHMARK(BM_FirstTurn)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
