// The panorama frame for 8192 x 4096 and 16384 x 8192 sources shown in 1920 x 1080 and
// 3840 x 2160 views, in four directions at fov 1 and 4, drawn by one and by two threads.
// References in the same run:
//   - the memory floor: two threads each reading four bytes from each of half as many
//     consecutive 64-byte lines as the view has pixels (what a view costs when every pixel
//     needs its own cache line and the lines come in the best order);
//   - OpenCV's remap, nearest neighbour, on precomputed maps of the same pixels (fetch only;
//     built where OpenCV is installed, see scripts/install_bench_deps.sh);
//   - memcpy of the view's bytes.
// Also: loading a source into tiles against today's row copy, a few tile shapes against each
// other, and the load average. A table is printed at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "detailed_picture.h"
#include "frame_worker.h"
#include "jpeg_image.h"
#include "load_average.h"
#include "memcpy_reference.h"
#include "packed_pixels.h"
#include "panorama_renderer.h"
#include "panorama_stages.h"
#include "panorama_steering.h"
#include "picture_memory.h"

#ifdef LUMIVEX_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

struct Size {
    int w, h;
};
const Size kSources[] = {{8192, 4096}, {16384, 8192}};
const Size kViews[] = {{1920, 1080}, {3840, 2160}};

struct Direction {
    double alpha, betta, gamma;
};
// Straight ahead, a turned and tilted view, a rolled view looking down, and one near the
// zenith (where a view row spans the whole panorama).
const Direction kDirections[] = {{0, 0, 0}, {135, 30, 0}, {270, -60, 45}, {10, 85, 0}};
const char* const kDirectionNames[] = {"ahead", "turned", "rolled", "zenith"};

struct Source {
    std::unique_ptr<TBitmap> picture;  // kept for the load benchmark
    PanoramaPixels tiles;
    PackedPixels rows;  // the same pixels row by row, for remap
};

const Source& SourceFor(int index) {
    static std::map<int, Source> sources;
    auto it = sources.find(index);
    if (it != sources.end()) return it->second;
    Source& s = sources[index];
    s.picture = std::make_unique<TBitmap>(DetailedPicture(kSources[index].w, kSources[index].h));
    s.tiles = PanoramaPixels::FromBitmap(*s.picture);
#ifdef LUMIVEX_HAVE_OPENCV
    s.rows = PackedPixels::FromColumns(*s.picture, 0, s.picture->Width());
#endif
    return s;
}

PanoramaView ViewFor(int64_t dir, int64_t fov) {
    const Direction& d = kDirections[dir];
    PanoramaView v;
    v.alpha = d.alpha;
    v.betta = d.betta;
    v.gamma = d.gamma;
    v.fov = static_cast<double>(fov);
    return v;
}

// Source pixels between neighbouring view pixels at the middle of the view: the azimuth step of
// one view pixel times the source's pixels per degree. From 4 on, every view pixel needs a cache
// line of its own whatever the layout, and the memory sets the pace.
double Spacing(int src, int view, int fov) {
    const int mw = kViews[view].w + kGridStep;
    const int mh = kViews[view].h + kGridStep;
    const AngularExtent e = MakeAngularExtent(mw, mh, fov);
    return (e.phiRight - e.phiLeft) / (mw - 1) * kSources[src].w / 360.0;
}
constexpr double kMemoryLimitedSpacing = 4.0;
// Where the memory sets the pace, a frame may take this many times the memory floor.
constexpr double kFloorFactor = 1.5;

// Arguments: source, view, direction, fov (1 or 4), then extra values.
void Cells(benchmark::internal::Benchmark* b, const std::vector<int64_t>& extras,
           const char* extraName) {
    std::vector<std::string> names = {"src", "view", "dir", "fov"};
    if (extraName) names.push_back(extraName);
    b->ArgNames(names);
    for (int64_t src = 0; src < 2; ++src)
        for (int64_t view = 0; view < 2; ++view)
            for (int64_t fov : {1, 4})
                for (int64_t dir = 0; dir < 4; ++dir) {
                    if (extras.empty()) b->Args({src, view, dir, fov});
                    for (int64_t e : extras) b->Args({src, view, dir, fov, e});
                }
}

void FrameCells(benchmark::internal::Benchmark* b) { Cells(b, {1, 2}, "threads"); }

void RenderFrames(benchmark::State& st, const PanoramaPixels& pano, int threads) {
    const Size& size = kViews[st.range(1)];
    PanoramaView view = ViewFor(st.range(2), st.range(3));
    TBitmap target(size.w, size.h);
    PanoramaRenderer renderer;
    renderer.SetThreads(threads);
    const SteeringState idle;
    double fetch = 0, nodes = 0, horizontal = 0, vertical = 0;
    for (auto _ : st) {
        view.RequestRender();
        const FrameResult r = renderer.Frame(view, idle, &pano, target);
        benchmark::DoNotOptimize(target.Bits());
        benchmark::ClobberMemory();
        fetch += static_cast<double>(r.timings.fetch);
        nodes += static_cast<double>(r.timings.nodes);
        horizontal += static_cast<double>(r.timings.horizontal);
        vertical += static_cast<double>(r.timings.vertical);
    }
    const double perFrameMs = static_cast<double>(st.iterations()) * 1000.0;
    st.counters["fetch_ms"] = fetch / perFrameMs;
    st.counters["nodes_ms"] = nodes / perFrameMs;
    st.counters["horizontal_ms"] = horizontal / perFrameMs;
    st.counters["vertical_ms"] = vertical / perFrameMs;
}

// The renderer's whole frame.
void BM_Frame(benchmark::State& st) {
    RenderFrames(st, SourceFor(static_cast<int>(st.range(0))).tiles,
                 static_cast<int>(st.range(4)));
}
BENCHMARK(BM_Frame)->Apply(FrameCells)->Unit(benchmark::kMillisecond);

// Tile shapes against each other, one thread, 1920 x 1080: every shape on the 8192 source, rows
// and the default on the 16384 one. Shape 0 is row by row (tiles one source row high and as wide
// as the source, whose widths are powers of two): the layout the renderer used before.
const PanoramaTileShape kShapes[] = {{0, 0}, {3, 3}, {4, 4}, {5, 3}, {6, 2}, {7, 2}};
const char* const kShapeNames[] = {"rows", "8x8", "16x16", "32x8", "64x4", "128x4"};
constexpr int kShapeCount = 6;

void BM_Shape(benchmark::State& st) {
    static std::map<std::pair<int64_t, int64_t>, PanoramaPixels> shaped;
    const int src = static_cast<int>(st.range(0));
    const int64_t shape = st.range(4);
    if (!shaped.count({src, shape})) {
        PanoramaTileShape s = kShapes[shape];
        if (shape == 0)
            while ((1 << s.shiftX) < kSources[src].w) ++s.shiftX;
        shaped[{src, shape}] = PanoramaPixels::FromBitmap(*SourceFor(src).picture, s);
    }
    RenderFrames(st, shaped[{src, shape}], 1);
}
BENCHMARK(BM_Shape)
    ->Apply([](benchmark::internal::Benchmark* b) {
        b->ArgNames({"src", "view", "dir", "fov", "shape"});
        for (int64_t src = 0; src < 2; ++src)
            for (int64_t fov : {1, 4})
                for (int64_t dir = 0; dir < 4; ++dir)
                    for (int64_t shape = 0; shape < kShapeCount; ++shape)
                        if (src == 0 || shape == 0 || shape == 2 || shape == 3 || shape == 4)
                            b->Args({src, 0, dir, fov, shape});
    })
    ->Unit(benchmark::kMillisecond);

// The memory floor of a view of the given pixel count: two threads, one four-byte read from
// each of pixels consecutive 64-byte lines between them. Arguments: the view, then whether the
// lines come from memory (1) or are the same ones every time (0). A 1920x1080 view's lines
// (132 MB) fit this machine's last-level cache, so read again and again they measure the cache;
// from memory, every frame takes the next lines of a block several times the cache's size, as a
// frame of a source larger than the cache does.
void BM_MemoryFloor(benchmark::State& st) {
    const Size& size = kViews[st.range(0)];
    const bool fromMemory = st.range(1) != 0;
    const std::size_t lines = static_cast<std::size_t>(size.w) * size.h;
    std::size_t blockLines = lines;
    if (fromMemory) {
        const long cache = sysconf(_SC_LEVEL3_CACHE_SIZE);
        const std::size_t cacheLines = cache > 0 ? static_cast<std::size_t>(cache) / 64 : 0;
        blockLines = std::max(4 * cacheLines, 2 * lines) / lines * lines;
    }
    const std::size_t bytes = blockLines * 64;
    struct Block {
        void* p;
        std::size_t n;
        ~Block() { FreePictureBytes(p, n); }
    } block{AllocatePictureBytes(bytes), bytes};
    std::memset(block.p, 1, bytes);
    FrameWorker worker;
    uint32_t sums[2] = {0, 0};
    std::size_t window = 0;
    // The threads take runs of lines from one pool (the worker's share is dropped if it has not
    // started when the pool is empty); each run is 64 KiB of consecutive lines.
    constexpr std::size_t kRun = 1024;
    for (auto _ : st) {
        const uint8_t* base = static_cast<const uint8_t*>(block.p) + window * 64;
        window = window + lines < blockLines ? window + lines : 0;
        std::atomic<std::size_t> next{0};
        auto share = [&](int lane) {
            uint32_t sum = 0;
            for (;;) {
                const std::size_t first = next.fetch_add(kRun, std::memory_order_relaxed);
                if (first >= lines) break;
                const std::size_t last = std::min(lines, first + kRun);
                for (std::size_t i = first; i < last; ++i) {
                    uint32_t v;
                    std::memcpy(&v, base + i * 64, 4);
                    sum += v;
                }
            }
            sums[lane] += sum;
        };
        worker.RunShared(share);
        benchmark::DoNotOptimize(sums);
    }
}
BENCHMARK(BM_MemoryFloor)
    ->ArgNames({"view", "memory"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

#ifdef LUMIVEX_HAVE_OPENCV
// OpenCV's remap, nearest neighbour, one thread, on maps of exactly the frame's pixels.
void BM_RemapFetch(benchmark::State& st) {
    const Source& source = SourceFor(static_cast<int>(st.range(0)));
    const Size& size = kViews[st.range(1)];
    const PanoramaView view = ViewFor(st.range(2), st.range(3));
    const PanoramaPixels& pano = source.tiles;
    CoordinateMaps maps;
    maps.SetViewSize(size.w, size.h);
    NodeScratch scratch;
    ComputeGridNodes(maps, view, pano.W(), pano.H(), scratch);
    HorizontalPass(maps, pano.W(), pano.H(), scratch);
    VerticalPass(maps, pano.W(), pano.H(), scratch);
    cv::Mat map(size.h, size.w, CV_16SC2);
    for (int y = 0; y < size.h; ++y) {
        int16_t* m = map.ptr<int16_t>(y);
        for (int x = 0; x < size.w; ++x) {
            m[2 * x] = static_cast<int16_t>(std::min<int>(maps.Column(x, y), pano.W() - 1));
            m[2 * x + 1] = static_cast<int16_t>(std::min<int>(maps.Row(x, y), pano.H() - 1));
        }
    }
    const cv::Mat src(pano.H(), pano.W(), CV_8UC3, const_cast<uint8_t*>(source.rows.Data()),
                      source.rows.RowBytes());
    cv::Mat dst(size.h, size.w, CV_8UC3);
    cv::setNumThreads(1);
    for (auto _ : st) {
        cv::remap(src, dst, map, cv::noArray(), cv::INTER_NEAREST);
        benchmark::DoNotOptimize(dst.data);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RemapFetch)
    ->Apply([](benchmark::internal::Benchmark* b) { Cells(b, {}, nullptr); })
    ->Unit(benchmark::kMillisecond);
#endif

void BM_Memcpy(benchmark::State& st) {
    const Size& size = kViews[st.range(0)];
    RunMemcpyReference(st, static_cast<std::size_t>(size.w) * size.h * 3);
}
BENCHMARK(BM_Memcpy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Loading a source: into tiles (tiles 1) against the row copy the renderer used before
// (tiles 0), from a decoded picture (jpeg 0) or with the decoding of a quality-90 file that
// opening it costs (jpeg 1), for both sources. Reports the memory held against the picture's
// bytes.
void BM_Load(benchmark::State& st) {
    const TBitmap& picture = *SourceFor(static_cast<int>(st.range(0))).picture;
    static std::map<int64_t, TJPEGImage> files;
    const bool decode = st.range(2) != 0;
    if (decode && !files.count(st.range(0))) {
        files[st.range(0)].CompressionQuality = 90;
        files[st.range(0)].Assign(picture);
    }
    const double pictureBytes = static_cast<double>(picture.Width()) * picture.Height() * 3;
    double held = 0;
    TBitmap decoded;
    auto load = [&] {
        if (decode) files[st.range(0)].DecodeTo(decoded);
        const TBitmap& from = decode ? decoded : picture;
        if (st.range(1) == 0) {
            PackedPixels rows = PackedPixels::FromColumns(from, 0, from.Width());
            held = static_cast<double>(rows.Bytes());
            benchmark::DoNotOptimize(rows.Data());
        } else {
            PanoramaPixels tiles = PanoramaPixels::FromBitmap(from);
            held = static_cast<double>(tiles.Bytes());
            benchmark::DoNotOptimize(tiles.Data());
        }
    };
    load();  // untimed: whichever runs first would otherwise pay for the process's first pages
    for (auto _ : st) load();
    st.counters["memory_x"] = held / pictureBytes;
}
BENCHMARK(BM_Load)
    ->ArgNames({"src", "tiles", "jpeg"})
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}})
    // Most of a load is the kernel handing out fresh zeroed pages, whose cost swings from run
    // to run on a virtual machine; a few seconds of loads each keep one swing from deciding.
    ->MinTime(3.0)
    ->Unit(benchmark::kMillisecond);

class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            std::string name = run.benchmark_name();
            const std::size_t minTime = name.find("/min_time:");  // not part of the cell
            if (minTime != std::string::npos) name.erase(minTime);
            Entry& e = entries_[name];
            e.ms = run.GetAdjustedRealTime();
            e.cpuMs = run.GetAdjustedCPUTime();
            auto it = run.counters.find("memory_x");
            if (it != run.counters.end()) e.extra = it->second.value;
        }
    }
    double Ms(const std::string& name, bool cpu = false) const {
        auto it = entries_.find(name);
        return it == entries_.end() ? 0.0 : cpu ? it->second.cpuMs : it->second.ms;
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nms per frame; \"1 thr cpu\" is the processor time of the one-thread frame, "
                    "which other programs on the machine disturb less than the wall clock\n");
        std::printf("target: 2 thr at most %.1f x floor where neighbouring view pixels lie %.0f or "
                    "more source pixels apart (spacing), else at most 3 ms (1920x1080) or 10 ms "
                    "(3840x2160); floor: the lines from memory, cached: the same lines every "
                    "frame\n",
                    kFloorFactor, kMemoryLimitedSpacing);
        std::printf("%-7s %-9s %-7s %3s %7s %8s %9s %8s %8s %8s %8s %8s %8s %8s %-13s\n",
                    "source", "view", "dir", "fov", "spacing", "1 thr", "1 thr cpu", "2 thr",
                    "floor", "2thr/fl", "cached", "2thr/ca", "remap", "memcpy", "target");
        for (int src = 0; src < 2; ++src)
            for (int view = 0; view < 2; ++view)
                for (int fov : {1, 4})
                    for (int dir = 0; dir < 4; ++dir) {
                        const std::string cell = "src:" + std::to_string(src) +
                                                 "/view:" + std::to_string(view) +
                                                 "/dir:" + std::to_string(dir) +
                                                 "/fov:" + std::to_string(fov);
                        const double one = Ms("BM_Frame/" + cell + "/threads:1");
                        const double two = Ms("BM_Frame/" + cell + "/threads:2");
                        if (one == 0 && two == 0) continue;
                        const std::string floorName = "BM_MemoryFloor/view:" + std::to_string(view);
                        const double floor = Ms(floorName + "/memory:1");
                        const double cachedFloor = Ms(floorName + "/memory:0");
                        const double remap = Ms("BM_RemapFetch/" + cell);
                        const double copy = Ms("BM_Memcpy/" + std::to_string(view));
                        const double spacing = Spacing(src, view, fov);
                        const bool memoryLimited = spacing >= kMemoryLimitedSpacing;
                        const double target =
                            memoryLimited ? kFloorFactor * floor : view == 0 ? 3.0 : 10.0;
                        char remapText[16] = "   n/a";
                        if (remap > 0) std::snprintf(remapText, sizeof remapText, "%8.2f", remap);
                        const double oneCpu = Ms("BM_Frame/" + cell + "/threads:1", true);
                        char targetText[32];
                        std::snprintf(targetText, sizeof targetText, "%s %s",
                                      memoryLimited ? "1.5 x fl" : view == 0 ? "3 ms" : "10 ms",
                                      two > 0 && two <= target ? "met" : "MISSED");
                        std::printf("%-7d %4dx%-4d %-7s %3d %7.2f %8.2f %9.2f %8.2f %8.2f %8.2f "
                                    "%8.2f %8.2f %8s %8.3f %-13s\n",
                                    kSources[src].w, kViews[view].w, kViews[view].h,
                                    kDirectionNames[dir], fov, spacing, one, oneCpu, two, floor,
                                    floor > 0 ? two / floor : 0.0, cachedFloor,
                                    cachedFloor > 0 ? two / cachedFloor : 0.0, remapText, copy,
                                    targetText);
                    }
#ifndef LUMIVEX_HAVE_OPENCV
        std::printf("remap: OpenCV was not found when this benchmark was built "
                    "(scripts/install_bench_deps.sh installs it)\n");
#endif
        std::printf("\nshapes (1920x1080, 1 thread), processor ms (on a busy machine steadier "
                    "than the wall clock); rows is the layout before tiles\n%-18s", "source dir fov");
        for (const char* name : kShapeNames) std::printf(" %8s", name);
        std::printf("\n");
        for (int src = 0; src < 2; ++src)
            for (int fov : {1, 4})
                for (int dir = 0; dir < 4; ++dir) {
                    std::printf("%-6d %-7s %-4d", kSources[src].w, kDirectionNames[dir], fov);
                    for (int shape = 0; shape < kShapeCount; ++shape) {
                        const double ms =
                            Ms("BM_Shape/src:" + std::to_string(src) + "/view:0/dir:" +
                                   std::to_string(dir) + "/fov:" + std::to_string(fov) +
                                   "/shape:" + std::to_string(shape),
                               true);
                        if (ms > 0) std::printf(" %8.2f", ms);
                        else std::printf(" %8s", "-");
                    }
                    std::printf("\n");
                }
        // A tiled source may load at most 15 % slower and hold at most 10 % more than the row
        // copy it replaced.
        std::printf("\nload    source  decoded  rows ms  tiles ms  tiles/rows  (processor: rows ms  "
                    "tiles ms  tiles/rows)  memory tiles/rows  limits 1.15 (processor) / 1.10\n");
        for (int jpeg = 0; jpeg < 2; ++jpeg)
            for (int src = 0; src < 2; ++src) {
                const std::string a = "BM_Load/src:" + std::to_string(src);
                const std::string j = "/jpeg:" + std::to_string(jpeg);
                const double rows = Ms(a + "/tiles:0" + j), tiles = Ms(a + "/tiles:1" + j);
                const double rowsCpu = Ms(a + "/tiles:0" + j, true);
                const double tilesCpu = Ms(a + "/tiles:1" + j, true);
                if (rows == 0 || tiles == 0 || rowsCpu == 0) continue;
                const double rowsHeld = entries_.find(a + "/tiles:0" + j)->second.extra;
                const double tilesHeld = entries_.find(a + "/tiles:1" + j)->second.extra;
                const double memory = rowsHeld > 0 ? tilesHeld / rowsHeld : 0.0;
                std::printf("        %-7d %-7s %8.1f %9.1f %11.2f %18.1f %9.1f %11.2f %12.3f %17s\n",
                            kSources[src].w, jpeg ? "+ JPEG" : "no", rows, tiles, tiles / rows,
                            rowsCpu, tilesCpu, tilesCpu / rowsCpu, memory,
                            tilesCpu / rowsCpu <= 1.15 && memory <= 1.10 ? "met" : "MISSED");
            }
        PrintLoadAverage("at the end");
    }

private:
    struct Entry {
        double ms = 0;
        double cpuMs = 0;  // the calling thread's processor time: waits for other programs left out
        double extra = 0;
    };
    std::map<std::string, Entry> entries_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    PrintLoadAverage("at the start");
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
