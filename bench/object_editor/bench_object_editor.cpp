// TransformImage of a 6000 x 4000 picture into a 1600 x 1200 and a 6000 x 4000 frame, unturned
// (the column-table path) and turned by 2.5 and 90 degrees (the per-pixel path), each timed
// beside a memcpy of the output's bytes in the same iteration. Then the batch run per file
// (decode, transform, encode at quality 100, write) beside libjpeg-turbo's decode and encode of
// the same file. The machine is shared, so the ratios are taken from CPU time (the calling
// thread's for the transform, the whole process's for the run, whose decoding of the next file
// runs on a second thread); wall-clock ratios are reported beside them. Counters: best
// milliseconds of each and their ratios.
#include <benchmark/benchmark.h>

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "batch_run.h"
#include "jpeg_image.h"
#include "transform_image.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

double CpuSeconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Best times of a measured step and of its reference, in CPU and in wall-clock seconds.
struct Best {
    double oursCpu = 1e9, refCpu = 1e9, oursWall = 1e9, refWall = 1e9;
    void Add(double ref, double ours, double refW, double oursW) {
        refCpu = std::min(refCpu, ref);
        oursCpu = std::min(oursCpu, ours);
        refWall = std::min(refWall, refW);
        oursWall = std::min(oursWall, oursW);
    }
    void Report(benchmark::State& state, const char* refName, const char* oursName) const {
        state.counters[refName] = refCpu * 1e3;
        state.counters[oursName] = oursCpu * 1e3;
        state.counters["ratio"] = oursCpu / refCpu;
        state.counters["ratio_wall"] = oursWall / refWall;
    }
};

// Photo-like detail: smooth gradients with some texture, so JPEG work is realistic.
TBitmap Picture(int w, int h) {
    TBitmap picture(w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<uint8_t>((x * 255) / w + ((x ^ y) & 7));
            row[3 * x + 1] = static_cast<uint8_t>((y * 255) / h + ((x * y) >> 11 & 15));
            row[3 * x + 2] = static_cast<uint8_t>(((x + y) * 127) / (w + h) + 60);
        }
    }
    return picture;
}

const TBitmap& Source() {
    static const TBitmap source = Picture(6000, 4000);
    return source;
}

void BM_TransformImage(benchmark::State& state) {
    const int Wo = static_cast<int>(state.range(0)), Ho = static_cast<int>(state.range(1));
    const double rotate = static_cast<double>(state.range(2)) / 10;
    const std::size_t bytes = static_cast<std::size_t>(Wo) * Ho * 3;
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    TBitmap output;
    TransformImage(Source(), Wo, Ho, 0, 0, rotate, 1.1, output);  // storage in place
    Best best;
    for (auto _ : state) {
        const double c0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const auto t0 = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        const double c1 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const auto t1 = Clock::now();
        TransformImage(Source(), Wo, Ho, 25, -40, rotate, 1.1, output);
        benchmark::DoNotOptimize(output.Bits());
        const double c2 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        const auto t2 = Clock::now();
        state.SetIterationTime(Seconds(t1, t2));
        best.Add(c1 - c0, c2 - c1, Seconds(t0, t1), Seconds(t1, t2));
    }
    best.Report(state, "memcpy_ms", "ours_ms");
}

// A folder of kFiles JPEG pictures of the given size, removed at exit.
struct RunFolder {
    static constexpr int kFiles = 4;
    std::string folder;
    std::vector<ProjectRow> rows;
    RunFolder(int w, int h) {
        char pattern[] = "/tmp/lumivex-bench-oe-XXXXXX";
        folder = ::mkdtemp(pattern);
        const TBitmap picture = Picture(w, h);
        for (int i = 0; i < kFiles; ++i) {
            const std::string path = folder + "/p" + std::to_string(i) + ".jpg";
            SaveJpegFile(picture, path, 92);
            rows.push_back({path, "12", "-7", "2.5", "1.1"});
        }
    }
    ~RunFolder() {
        for (const ProjectRow& row : rows) {
            std::remove(ResultPathFor(row.path).c_str());
            std::remove(row.path.c_str());
            std::remove((row.path + ".ref.jpg").c_str());
        }
        ::rmdir((folder + "/result").c_str());
        ::rmdir(folder.c_str());
    }
};

// range: source width, height, output width, height.
void BM_RunPerFile(benchmark::State& state) {
    RunFolder files(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const int Wo = static_cast<int>(state.range(2)), Ho = static_cast<int>(state.range(3));
    Best best;
    const double n = RunFolder::kFiles;
    for (auto _ : state) {
        const double c0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto t0 = Clock::now();
        for (const ProjectRow& row : files.rows)
            SaveJpegFile(LoadJpegFile(row.path), row.path + ".ref.jpg", 100);
        const double c1 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto t1 = Clock::now();
        NoProgress progress;
        const RunReport report = RunProject(files.rows, Wo, Ho, progress);
        const double c2 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const auto t2 = Clock::now();
        if (report.written != RunFolder::kFiles) state.SkipWithError("run failed");
        state.SetIterationTime(Seconds(t1, t2) / n);
        best.Add((c1 - c0) / n, (c2 - c1) / n, Seconds(t0, t1) / n, Seconds(t1, t2) / n);
    }
    best.Report(state, "decode_encode_ms", "run_ms");
}

}  // namespace

BENCHMARK(BM_TransformImage)
    ->ArgNames({"Wo", "Ho", "rot10"})
    ->Args({1600, 1200, 0})
    ->Args({1600, 1200, 25})
    ->Args({1600, 1200, 900})
    ->Args({6000, 4000, 0})
    ->Args({6000, 4000, 25})
    ->Args({6000, 4000, 900})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_RunPerFile)
    ->ArgNames({"W", "H", "Wo", "Ho"})
    ->Args({3000, 2000, 3000, 2000})
    ->Args({6000, 4000, 1600, 1200})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_MAIN();
