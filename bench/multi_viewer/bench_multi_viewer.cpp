// The adjustment chain on a 6000 x 4000 picture: each of the twelve steps on its own (with the
// settings of the full chain below), the whole BuildView, and, in the same run, a memcpy of the
// picture's 6000 * 4000 * 3 bytes. A table of each step's time as a multiple of that copy is
// printed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "image_ops.h"
#include "detailed_picture.h"
#include "memcpy_reference.h"
#include "view_adjustments.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

const TBitmap& Picture() {
    static const TBitmap picture = DetailedPicture(kWidth, kHeight);
    return picture;
}

// Every step switched on, the picture staying near its size.
ViewSettings FullChain() {
    ViewSettings v;
    v.rotateAngle = 30, v.rotateColumn = -1;
    v.cropLeft = 50, v.cropTop = 40, v.cropWidth = 5900, v.cropHeight = 3920;
    v.resizeWidth = 6000, v.resizeHeight = 4000;
    v.resampleWidth = 0.999, v.resampleHeight = 0.999;
    v.upsideDown = 1, v.leftRight = 1;
    v.gamma = 0.8, v.brightness = 1.1, v.contrast = 1.2, v.inverse = 1, v.grayscale = 1;
    v.colorizeRed = 1.0, v.colorizeGreen = 0.8, v.colorizeBlue = 0.6;
    return v;
}

struct Step {
    const char* name;
    std::function<void(const TBitmap& source, TBitmap& scratch)> run;
    bool inPlace;  // a colour step: changes scratch (a copy of the picture) itself
};

const std::vector<Step>& Steps() {
    static const std::vector<Step> steps = {
        {"rotate 30", [](const TBitmap& s, TBitmap& t) { RotateAboutPoint(s, t, 0.5235987755982988, -1, 0); }, false},
        {"rotate 90", [](const TBitmap& s, TBitmap& t) { RotateAboutPoint(s, t, 1.5707963267948966, -1, 0); }, false},
        {"crop", [](const TBitmap& s, TBitmap& t) { CropWithFill(s, t, 50, 40, 5900, 3920); }, false},
        {"resize 5900x3920->6000x4000",
         [](const TBitmap& s, TBitmap& t) {
             static TBitmap cropped = [&] {
                 TBitmap c;
                 CropWithFill(s, c, 50, 40, 5900, 3920);
                 return c;
             }();
             t.SetSizeForOverwrite(6000, 4000);
             ScaleNearest(cropped, t);
         },
         false},
        {"resample 0.999",
         [](const TBitmap& s, TBitmap& t) {
             t.SetSizeForOverwrite(5994, 3996);
             ScaleNearest(s, t);
         },
         false},
        {"flip", [](const TBitmap& s, TBitmap& t) { FlipVertical(s, t); }, false},
        {"mirror", [](const TBitmap& s, TBitmap& t) { MirrorHorizontal(s, t); }, false},
        {"gamma", [](const TBitmap&, TBitmap& t) { ApplyGamma(t, 0.8); }, true},
        {"brightness", [](const TBitmap&, TBitmap& t) { ApplyBrightness(t, 1.1); }, true},
        {"contrast", [](const TBitmap&, TBitmap& t) { ApplyContrast(t, 1.2); }, true},
        {"inverse", [](const TBitmap&, TBitmap& t) { InvertColors(t); }, true},
        {"grayscale", [](const TBitmap&, TBitmap& t) { MakeGrayscale(t); }, true},
        {"colorize", [](const TBitmap&, TBitmap& t) { Colorize(t, 1.0, 0.8, 0.6); }, true},
    };
    return steps;
}

void BM_Step(benchmark::State& st) {
    const Step& step = Steps()[static_cast<std::size_t>(st.range(0))];
    st.SetLabel(step.name);
    TBitmap scratch;
    if (step.inPlace) CopyImage(Picture(), scratch);
    for (auto _ : st) {
        step.run(Picture(), scratch);
        benchmark::DoNotOptimize(scratch.Bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Step)->DenseRange(0, 12)->Unit(benchmark::kMillisecond);

// The whole chain, as a view is shown: the decoded picture is handed over, so its copy is part
// of the measured time only as the input the chain owns.
void BM_BuildView(benchmark::State& st) {
    const ViewSettings settings = FullChain();
    for (auto _ : st) {
        st.PauseTiming();
        TBitmap input;
        CopyImage(Picture(), input);
        st.ResumeTiming();
        TBitmap built = BuildView(std::move(input), settings);
        benchmark::DoNotOptimize(built.Bits());
    }
}
BENCHMARK(BM_BuildView)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& st) {
    RunMemcpyReference(st, static_cast<std::size_t>(kWidth) * kHeight * 3);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            std::string name = run.benchmark_name();
            name = name.substr(0, name.find("/min_time"));  // the same key at any --benchmark_min_time
            ms_[name] = {run.GetAdjustedRealTime(), run.report_label};
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double memcpyMs = ms_.count("BM_Memcpy") ? ms_["BM_Memcpy"].first : 0.0;
        std::printf("\n%-30s %9s %9s\n", "step (6000 x 4000)", "ms", "x memcpy");
        for (std::size_t i = 0; i < Steps().size(); ++i) {
            const auto it = ms_.find("BM_Step/" + std::to_string(i));
            if (it == ms_.end()) continue;
            std::printf("%-30s %9.2f %9.2f\n", it->second.second.c_str(), it->second.first,
                        memcpyMs > 0 ? it->second.first / memcpyMs : 0.0);
        }
        if (ms_.count("BM_BuildView"))
            std::printf("%-30s %9.2f %9.2f\n", "BuildView, all twelve", ms_["BM_BuildView"].first,
                        memcpyMs > 0 ? ms_["BM_BuildView"].first / memcpyMs : 0.0);
        std::printf("memcpy of %d x %d x 3 bytes: %.2f ms\n", kWidth, kHeight, memcpyMs);
    }

private:
    std::map<std::string, std::pair<double, std::string>> ms_;
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
