// One 1920 x 1080 view of an 8192 x 4096 panorama per frame, single-threaded, at several view
// directions and at fov 1.0 and 4.0. BM_Frame runs the renderer's frame and reports each
// stage's share as a counter (milliseconds per frame). References in the same run: a straightforward renderer that does the
// trigonometry for every pixel, and memcpy of the view's 1920 * 1080 * 3 bytes. A table of
// ratios is printed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "detailed_picture.h"
#include "memcpy_reference.h"
#include "panorama_renderer.h"
#include "panorama_stages.h"
#include "panorama_steering.h"

namespace {

constexpr int kViewWidth = 1920;
constexpr int kViewHeight = 1080;
constexpr int kPanoWidth = 8192;
constexpr int kPanoHeight = 4096;

// A synthetic panorama with detail everywhere.
const PanoramaPixels& Panorama() {
    static const PanoramaPixels pano =
        PanoramaPixels::FromBitmap(DetailedPicture(kPanoWidth, kPanoHeight));
    return pano;
}

struct Direction {
    double alpha, betta, gamma;
};
// Straight ahead, a turned and tilted view, a rolled view looking down, and one near the
// zenith (where the columns spread over the whole panorama).
const Direction kDirections[] = {{0, 0, 0}, {135, 30, 0}, {270, -60, 45}, {10, 85, 0}};

PanoramaView ViewFor(const benchmark::State& st) {
    const Direction& d = kDirections[st.range(0)];
    PanoramaView v;
    v.alpha = d.alpha;
    v.betta = d.betta;
    v.gamma = d.gamma;
    v.fov = st.range(1) == 1 ? 1.0 : 4.0;
    return v;
}

void Arguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"dir", "fov"});
    for (int64_t fov : {1, 4})
        for (int64_t dir = 0; dir < 4; ++dir) b->Args({dir, fov});
}


// The renderer's frame: nodes, horizontal pass, then band by band the vertical pass and the
// fetch. Stage counters are the renderer's own timings (steady clock, microseconds).
void BM_Frame(benchmark::State& st) {
    const PanoramaPixels& pano = Panorama();
    PanoramaView view = ViewFor(st);
    TBitmap target(kViewWidth, kViewHeight);
    PanoramaRenderer renderer;
    const SteeringState idle;
    double nodes = 0, horizontal = 0, vertical = 0, fetch = 0;
    for (auto _ : st) {
        view.RequestRender();
        const FrameResult r = renderer.Frame(view, idle, &pano, target);
        benchmark::DoNotOptimize(target.Bits());
        benchmark::ClobberMemory();
        nodes += r.timings.nodes;
        horizontal += r.timings.horizontal;
        vertical += r.timings.vertical;
        fetch += r.timings.fetch;
    }
    const double n = static_cast<double>(st.iterations()) * 1000.0;  // microseconds -> ms
    st.counters["nodes_ms"] = nodes / n;
    st.counters["hpass_ms"] = horizontal / n;
    st.counters["vpass_ms"] = vertical / n;
    st.counters["fetch_ms"] = fetch / n;
}
BENCHMARK(BM_Frame)->Apply(Arguments)->Unit(benchmark::kMillisecond);

// The same stages run one after the other on full-size maps (as the tests use them): shows
// what computing and fetching band by band saves.
void BM_SeparateStages(benchmark::State& st) {
    const PanoramaPixels& pano = Panorama();
    const PanoramaView view = ViewFor(st);
    TBitmap target(kViewWidth, kViewHeight);
    std::vector<uint8_t*> rows(kViewHeight);
    for (int y = 0; y < kViewHeight; ++y) rows[y] = target.ScanLine(y);
    CoordinateMaps maps;
    maps.SetViewSize(kViewWidth, kViewHeight);
    NodeScratch scratch;
    for (auto _ : st) {
        ComputeGridNodes(maps, view, pano.W(), pano.H(), scratch);
        HorizontalPass(maps, pano.W(), pano.H(), scratch);
        VerticalPass(maps, pano.W(), pano.H(), scratch);
        FetchPixels(maps, pano, rows.data());
        benchmark::DoNotOptimize(target.Bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SeparateStages)->Apply(Arguments)->Unit(benchmark::kMillisecond);

// The straightforward way: every view pixel gets its own direction, rotation, acos and atan.
void PerPixelTrigRender(const PanoramaView& v, const PanoramaPixels& pano, TBitmap& target) {
    constexpr double pi = 3.141592653589793;
    const int w = target.Width(), h = target.Height();
    const int mw = w + 10, mh = h + 10;
    const RotationMatrix rot = MakeRotationMatrix(v.alpha, v.betta, v.gamma);
    const AngularExtent e = MakeAngularExtent(mw, mh, v.fov);
    const int W = pano.W(), H = pano.H();
    for (int y = 0; y < h; ++y) {
        uint8_t* out = target.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            const double theta = (e.thetaTop + (e.thetaBottom - e.thetaTop) * y / (mh - 1)) * pi / 180;
            const double phi = (e.phiLeft + (e.phiRight - e.phiLeft) * x / (mw - 1)) * pi / 180;
            const PanoramaCoord c =
                DirectionToPanorama(rot, std::sin(theta) * std::cos(phi),
                                    std::sin(theta) * std::sin(phi), std::cos(theta), W, H);
            std::memcpy(out + 3 * x, pano.Pixel(c.column, c.row), 3);
        }
    }
}

void BM_PerPixelTrig(benchmark::State& st) {
    const PanoramaPixels& pano = Panorama();
    const PanoramaView view = ViewFor(st);
    TBitmap target(kViewWidth, kViewHeight);
    for (auto _ : st) {
        PerPixelTrigRender(view, pano, target);
        benchmark::DoNotOptimize(target.Bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PerPixelTrig)->Apply(Arguments)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& st) {
    RunMemcpyReference(st, static_cast<std::size_t>(kViewWidth) * kViewHeight * 3);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

// Prints, after the usual table, each frame's time against the references of the same run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            Entry e;
            e.ms = run.GetAdjustedRealTime();  // in the benchmark's unit: milliseconds
            for (const char* key : {"nodes_ms", "hpass_ms", "vpass_ms", "fetch_ms"}) {
                auto it = run.counters.find(key);
                e.stages.push_back(it == run.counters.end() ? 0.0 : it->second.value);
            }
            entries_[run.benchmark_name()] = e;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto memcpyIt = entries_.find("BM_Memcpy");
        const double memcpyMs = memcpyIt == entries_.end() ? 0.0 : memcpyIt->second.ms;
        std::printf("\n%-22s %8s %7s %7s %7s %7s %9s %9s %9s %8s\n", "view (dir/fov)", "frame",
                    "nodes", "hpass", "vpass", "fetch", "separate", "trig/pix", "x faster",
                    "x memcpy");
        for (const auto& [name, e] : entries_) {
            if (name.rfind("BM_Frame/", 0) != 0) continue;
            const std::string args = name.substr(std::string("BM_Frame/").size());
            const auto trig = entries_.find("BM_PerPixelTrig/" + args);
            const double trigMs = trig == entries_.end() ? 0.0 : trig->second.ms;
            const auto separate = entries_.find("BM_SeparateStages/" + args);
            const double separateMs = separate == entries_.end() ? 0.0 : separate->second.ms;
            std::printf("%-22s %8.3f %7.3f %7.3f %7.3f %7.3f %9.3f %9.1f %9.1f %8.2f\n",
                        args.c_str(), e.ms, e.stages[0], e.stages[1], e.stages[2], e.stages[3],
                        separateMs, trigMs,
                        e.ms > 0 ? trigMs / e.ms : 0.0, memcpyMs > 0 ? e.ms / memcpyMs : 0.0);
        }
        std::printf("memcpy of %d x %d x 3 bytes: %.3f ms\n", kViewWidth, kViewHeight, memcpyMs);
    }

private:
    struct Entry {
        double ms = 0;
        std::vector<double> stages;
    };
    std::map<std::string, Entry> entries_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
