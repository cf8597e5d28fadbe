// Batch correction of 6000 x 4000 JPEG files (read, decode, colour table, cut, resample, quarter
// turn, mirror, quality 100 encode, atomic write), per file, beside the same-run reference:
// libjpeg-turbo's decode and quality 100 encode of the same file, from and to memory, on one
// thread, and the same with the file reading and atomic writing the batch does. Times are wall
// clock; CPU time counts every thread of the process. The batch overlaps the next file's decode with this file's encode on a second thread.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "batch_inputs.h"
#include "file_correction.h"
#include "jpeg_image.h"
#include "memcpy_reference.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int kFiles = 3;

// A photograph-like picture: smooth light over the frame with fine grain, so the encoder meets
// the detail of a real photo rather than flat areas.
TBitmap PhotoLike() {
    TBitmap p(kWidth, kHeight);
    std::mt19937 random(5);
    for (int32_t y = 0; y < kHeight; ++y) {
        uint8_t* row = p.ScanLine(y);
        for (int32_t x = 0; x < kWidth; ++x) {
            const int grain = static_cast<int>(random() % 24);
            row[3 * x] = static_cast<uint8_t>((x * 200 / kWidth + grain) & 0xFF);
            row[3 * x + 1] = static_cast<uint8_t>((y * 180 / kHeight + grain) & 0xFF);
            row[3 * x + 2] = static_cast<uint8_t>(((x + y) * 150 / (kWidth + kHeight) + 60 + grain) & 0xFF);
        }
    }
    return p;
}

using Inputs = PictureFiles;

const Inputs& TheInputs() {
    static const Inputs inputs(PhotoLike(), kFiles);
    return inputs;
}

void BM_ReferenceDecodeEncode(benchmark::State& st) {
    const Inputs& in = TheInputs();
    TBitmap picture;
    for (auto _ : st) {
        DecodeJpegBytes(in.bytes.data(), in.bytes.size(), picture);
        TJPEGImage jpeg;
        jpeg.CompressionQuality = 100;
        jpeg.Assign(picture);
        benchmark::DoNotOptimize(jpeg.Bytes().data());
    }
}
BENCHMARK(BM_ReferenceDecodeEncode)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The reference with the file work the batch also does: reading the file, and writing the
// result through the atomic save.
void BM_ReferenceWithFiles(benchmark::State& st) {
    const Inputs& in = TheInputs();
    const std::string output = in.folder + "/reference_output.jpg";
    for (auto _ : st) {
        const TBitmap picture = LoadJpegFile(in.files[0]);
        SaveJpegFile(picture, output, 100);
    }
}
BENCHMARK(BM_ReferenceWithFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The colour mapping alone on a decoded file, beside a copy of as many bytes.
void BM_MemcpyPicture(benchmark::State& st) {
    RunMemcpyReference(st, TBitmap::StrideFor(kWidth) * kHeight);
}
BENCHMARK(BM_MemcpyPicture)->Unit(benchmark::kMillisecond);

void BM_MapColors(benchmark::State& st) {
    const Inputs& in = TheInputs();
    TBitmap picture;
    DecodeJpegBytes(in.bytes.data(), in.bytes.size(), picture);
    const ByteTables tables = WarmTables();
    for (auto _ : st) {
        MapColors(picture, tables);
        benchmark::DoNotOptimize(picture.Bits());
    }
}
BENCHMARK(BM_MapColors)->Unit(benchmark::kMillisecond);

// Per file: every iteration corrects kFiles files; the time shown is per file.
void BM_CorrectFiles(benchmark::State& st) {
    const Inputs& in = TheInputs();
    ProcessOptions options;
    if (st.range(0)) {
        options.cut = CutRect{100, 80, 5800, 3840};
        options.resample = PictureSize{5600, 3700};
        options.angle = 90;
        options.flipVertical = true;
        options.mirrorLeftRight = true;
    }
    const ByteTables tables = WarmTables();
    NoProgress progress;
    for (auto _ : st) {
        const BatchOutcome outcome = CorrectFiles(in.files, tables, options, progress);
        if (outcome.written != kFiles) st.SkipWithError("a file was not written");
    }
    st.SetItemsProcessed(st.iterations() * kFiles);
    st.counters["s_per_file"] = benchmark::Counter(
        static_cast<double>(st.iterations() * kFiles),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CorrectFiles)
    ->ArgName("full_chain")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
