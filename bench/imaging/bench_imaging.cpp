// Speed of the shared imaging code, each figure next to a reference timed alternately with it
// in the same iterations: memcpy of the target's bytes for the copy operations, libjpeg-turbo
// decoding the same stream into a plain RGB buffer for the JPEG decoder. The counter "ratio"
// divides the best time of the operation by the best time of its reference.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "bitmap.h"
#include "image_ops.h"
#include "jpeg_image.h"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// Smooth gradients with a little noise, like a photograph.
const TBitmap& PhotoLike() {
    static const TBitmap picture = [] {
        TBitmap p(kWidth, kHeight);
        std::mt19937 random(12345);
        for (int32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = p.ScanLine(y);
            for (int32_t x = 0; x < kWidth; ++x) {
                const int noise = static_cast<int>(random() % 9) - 4;
                auto clamp = [](int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
                row[3 * x] = clamp(60 + x * 150 / kWidth + noise);
                row[3 * x + 1] = clamp(200 - y * 120 / kHeight + (x / 300 % 2) * 20 + noise);
                row[3 * x + 2] = clamp(90 + ((x + y) % 1500) / 10 + noise);
            }
        }
        return p;
    }();
    return picture;
}

const std::vector<uint8_t>& PhotoJpeg() {
    static const std::vector<uint8_t> bytes = [] {
        TJPEGImage jpeg;
        jpeg.CompressionQuality = 90;
        jpeg.Assign(PhotoLike());
        return jpeg.Bytes();
    }();
    return bytes;
}

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// Times op and a memcpy of referenceBytes alternately in every iteration, so both see the same
// machine load; the ratio of the best times of each is reported as the counter "ratio"
// (and the ratio of the totals as "ratio_mean").
void CompareWithMemcpy(benchmark::State& state, std::size_t referenceBytes,
                       const std::function<void()>& op) {
    std::vector<uint8_t> from(referenceBytes, 1), to(referenceBytes, 2);
    op();  // sizes the target once; later calls reuse its storage
    std::memcpy(to.data(), from.data(), referenceBytes);
    double bestOp = 1e30, bestRef = 1e30, sumOp = 0, sumRef = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        std::memcpy(to.data(), from.data(), referenceBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        const auto t1 = Clock::now();
        op();
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        const double ref = Seconds(t0, t1), took = Seconds(t1, t2);
        state.SetIterationTime(took);
        bestOp = std::min(bestOp, took);
        bestRef = std::min(bestRef, ref);
        sumOp += took;
        sumRef += ref;
    }
    state.counters["memcpy_ms"] = bestRef * 1e3;
    state.counters["op_ms"] = bestOp * 1e3;
    state.counters["ratio"] = bestOp / bestRef;
    state.counters["ratio_mean"] = sumOp / sumRef;
}

std::size_t PictureBytes(int32_t w, int32_t h) { return TBitmap::StrideFor(w) * h; }

void BM_CopyImage(benchmark::State& s) {
    TBitmap t;
    CompareWithMemcpy(s, PictureBytes(kWidth, kHeight), [&] { CopyImage(PhotoLike(), t); });
}
void BM_FlipVertical(benchmark::State& s) {
    TBitmap t;
    CompareWithMemcpy(s, PictureBytes(kWidth, kHeight), [&] { FlipVertical(PhotoLike(), t); });
}
void BM_CropImage_5800x3800(benchmark::State& s) {
    TBitmap t;
    CompareWithMemcpy(s, PictureBytes(5800, 3800),
                      [&] { CropImage(PhotoLike(), 100, 100, 5899, 3899, t); });
}
void BM_MirrorHorizontal(benchmark::State& s) {
    TBitmap t;
    CompareWithMemcpy(s, PictureBytes(kWidth, kHeight), [&] { MirrorHorizontal(PhotoLike(), t); });
}
void BM_ScaleNearest_SameSize(benchmark::State& s) {
    TBitmap t(kWidth, kHeight);
    CompareWithMemcpy(s, PictureBytes(kWidth, kHeight), [&] { ScaleNearest(PhotoLike(), t); });
}
void BM_ScaleNearest_To5000x3500(benchmark::State& s) {
    TBitmap t(5000, 3500);
    CompareWithMemcpy(s, PictureBytes(5000, 3500), [&] { ScaleNearest(PhotoLike(), t); });
}
void BM_ScaleNearest_To7000x4500(benchmark::State& s) {
    TBitmap t(7000, 4500);
    CompareWithMemcpy(s, PictureBytes(7000, 4500), [&] { ScaleNearest(PhotoLike(), t); });
}
void BM_ScaleNearest_To1500x1000(benchmark::State& s) {
    TBitmap t(1500, 1000);
    CompareWithMemcpy(s, PictureBytes(1500, 1000), [&] { ScaleNearest(PhotoLike(), t); });
}
void BM_RotateImage_90(benchmark::State& s) {
    TBitmap t;
    CompareWithMemcpy(s, PictureBytes(kWidth, kHeight), [&] { RotateImage(PhotoLike(), t, 90); });
}
void BM_RotateImage_180(benchmark::State& s) {
    TBitmap t;
    CompareWithMemcpy(s, PictureBytes(kWidth, kHeight), [&] { RotateImage(PhotoLike(), t, 180); });
}
void BM_RotateImage_270(benchmark::State& s) {
    TBitmap t;
    CompareWithMemcpy(s, PictureBytes(kWidth, kHeight), [&] { RotateImage(PhotoLike(), t, 270); });
}

// The reference: libjpeg-turbo straight into a packed RGB buffer with default settings.
void LibjpegDecode(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& buffer) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const std::size_t rowBytes = static_cast<std::size_t>(cinfo.output_width) * 3;
    buffer.resize(rowBytes * cinfo.output_height);
    std::vector<JSAMPROW> rows(cinfo.output_height);
    for (JDIMENSION y = 0; y < cinfo.output_height; ++y) rows[y] = buffer.data() + y * rowBytes;
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, rows.data() + cinfo.output_scanline,
                            cinfo.output_height - cinfo.output_scanline);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

// freshOutput: both sides get new memory for every picture (a viewer opening files);
// otherwise both decode into the memory of the previous picture (frames of one size).
void CompareDecode(benchmark::State& state, bool freshOutput) {
    const std::vector<uint8_t>& bytes = PhotoJpeg();
    std::vector<uint8_t> buffer;
    TBitmap picture;
    double bestOurs = 1e30, bestRef = 1e30, sumOurs = 0, sumRef = 0;
    for (auto _ : state) {
        if (freshOutput) std::vector<uint8_t>().swap(buffer);
        const auto t0 = Clock::now();
        LibjpegDecode(bytes, buffer);
        benchmark::DoNotOptimize(buffer.data());
        const auto t1 = Clock::now();
        if (freshOutput) picture = TBitmap();
        const auto t2 = Clock::now();
        DecodeJpegBytes(bytes.data(), bytes.size(), picture);
        benchmark::DoNotOptimize(picture.Bits());
        const auto t3 = Clock::now();
        const double ref = Seconds(t0, t1), ours = Seconds(t2, t3);
        state.SetIterationTime(ours);
        bestOurs = std::min(bestOurs, ours);
        bestRef = std::min(bestRef, ref);
        sumOurs += ours;
        sumRef += ref;
    }
    state.counters["libjpeg_ms"] = bestRef * 1e3;
    state.counters["ours_ms"] = bestOurs * 1e3;
    state.counters["ratio"] = bestOurs / bestRef;
    state.counters["ratio_mean"] = sumOurs / sumRef;
}

void BM_DecodeToTBitmap_ReusedOutput(benchmark::State& s) { CompareDecode(s, false); }
void BM_DecodeToTBitmap_FreshOutput(benchmark::State& s) { CompareDecode(s, true); }

void BM_EncodeFromTBitmap_Q90(benchmark::State& state) {
    for (auto _ : state) {
        TJPEGImage jpeg;
        jpeg.CompressionQuality = 90;
        jpeg.Assign(PhotoLike());
        benchmark::DoNotOptimize(jpeg.Bytes().data());
    }
}

}  // namespace

#define COMPARED(name) BENCHMARK(name)->UseManualTime()->Unit(benchmark::kMillisecond)
COMPARED(BM_CopyImage)->Iterations(40);
COMPARED(BM_FlipVertical)->Iterations(40);
COMPARED(BM_CropImage_5800x3800)->Iterations(40);
COMPARED(BM_MirrorHorizontal)->Iterations(40);
COMPARED(BM_ScaleNearest_SameSize)->Iterations(40);
COMPARED(BM_ScaleNearest_To5000x3500)->Iterations(40);
COMPARED(BM_ScaleNearest_To7000x4500)->Iterations(40);
COMPARED(BM_ScaleNearest_To1500x1000)->Iterations(100);
COMPARED(BM_RotateImage_90)->Iterations(30);
COMPARED(BM_RotateImage_180)->Iterations(30);
COMPARED(BM_RotateImage_270)->Iterations(30);
COMPARED(BM_DecodeToTBitmap_ReusedOutput)->Iterations(8);
COMPARED(BM_DecodeToTBitmap_FreshOutput)->Iterations(8);
BENCHMARK(BM_EncodeFromTBitmap_Q90)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf("JPEG stream: %zu bytes, %d x %d, quality 90\n", PhotoJpeg().size(), kWidth, kHeight);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
