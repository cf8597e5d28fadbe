#include "curve_chart.h"

#include <algorithm>

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kLightGrid = 0xC8C8C8;
constexpr uint32_t kMajorGrid = 0x646464;
constexpr uint32_t kBlack = 0x000000;

int Truncate(double value) {
    // Far-off file values must not overflow the conversion.
    return static_cast<int>(std::clamp(value, -1e9, 1e9));
}

}  // namespace

ChartScale::ChartScale(int width, int height)
    : height_(height),
      sx_(static_cast<float>(width) * (1.0f / 255)),
      sy_(static_cast<float>(height) * (1.0f / 255)) {}

int ChartScale::X(int value) const { return Truncate(static_cast<double>(value) * sx_); }

int ChartScale::Y(int value) const {
    return Truncate(static_cast<double>(height_ - 1) - static_cast<double>(value) * sy_);
}

int ChartInputValue(int x, int width) {
    if (width <= 1) return 0;
    x = std::clamp(x, 0, width - 1);
    return static_cast<int>(static_cast<double>(x) * 255 / (width - 1) + 0.5);
}

int ChartOutputValue(int y, int height) {
    if (height <= 1) return 0;
    y = std::clamp(y, 0, height - 1);
    const int scaled = static_cast<int>(static_cast<int64_t>(y) * 255 / (height - 1));
    return static_cast<int>(255 - (scaled + 0.5));
}

int EditChartPoint(ChartButton button, int x, int y, int width, int height, int tabIndex,
                   ColorTable& manual, ColorTable& result) {
    const int input = ChartInputValue(x, width);
    const int output = ChartOutputValue(y, height);
    for (int c = 0; c < kChannelCount; ++c) {
        if (!ChannelSelected(tabIndex, c)) continue;
        if (button == ChartButton::Left)
            manual.Set(c, input, output);
        else if (button == ChartButton::Right)
            manual.Erase(c, input);
    }
    // Any release rebuilds Result, so a middle click shows what Manual alone makes of it.
    result = TableFromManual(manual);
    return button == ChartButton::Other ? -1 : input;
}

void DrawChart(const ColorTable& calculated, const ColorTable& manual, const ColorTable& result,
               int tabIndex, int chartWidth, int chartHeight, int stripWidth,
               ChartDrawing& drawing) {
    drawing.chart.clear();
    drawing.strips.clear();
    const int w = chartWidth;
    const int h = chartHeight;
    const ChartScale scale(w, h);
    auto& chart = drawing.chart;
    chart.push_back({ChartShape::FillRect, kWhite, 0, 0, w, h, {}});
    for (int v = 0; v <= 250; v += 5) {
        chart.push_back({ChartShape::Line, kLightGrid, scale.X(v), 0, scale.X(v), h - 1, {}});
        chart.push_back({ChartShape::Line, kLightGrid, 0, scale.Y(v), w - 1, scale.Y(v), {}});
    }
    for (int v = 0; v <= 240; v += 20) {
        const std::string label = std::to_string(v);
        chart.push_back({ChartShape::Line, kMajorGrid, scale.X(v), 0, scale.X(v), h - 1, {}});
        chart.push_back({ChartShape::Text, kMajorGrid,
                         Truncate(static_cast<double>(v) * scale.Sx() + 5), h - 15, 0, 0, label});
        chart.push_back({ChartShape::Line, kMajorGrid, 0, scale.Y(v), w - 1, scale.Y(v), {}});
        chart.push_back({ChartShape::Text, kMajorGrid, 5,
                         Truncate(static_cast<double>(h - 1) - v * scale.Sy() - 15), 0, 0, label});
    }
    chart.push_back({ChartShape::Line, kBlack, 0, h - 1, w - 1, 0, {}});

    const int p = stripWidth / 6;
    auto& strips = drawing.strips;
    for (int v = 0; v < kTableSize; ++v) {
        const int top = scale.Y(v + 1);
        const int bottom = scale.Y(v);
        for (int c = 0; c < kChannelCount; ++c) {
            const int left = 2 * p * c;
            strips.push_back({ChartShape::FillRect, ChannelColor(c, v), left, top, left + 2 * p,
                              bottom, {}});
            if (result.Has(c, v))
                strips.push_back({ChartShape::FillRect, ChannelColor(c, result.Value(c, v)),
                                  left + p, top, left + 2 * p, bottom, {}});
        }
        const int x = scale.X(v);
        for (int c = 0; c < kChannelCount; ++c) {
            if (!ChannelSelected(tabIndex, c)) continue;
            const uint32_t color = ChannelColor(c, 255);
            if (calculated.Has(c, v)) {
                const int y = scale.Y(calculated.Value(c, v));
                chart.push_back({ChartShape::FillRect, color, x - 2, y - 2, x + 2, y + 2, {}});
            }
            if (manual.Has(c, v)) {
                const int y = scale.Y(manual.Value(c, v));
                chart.push_back({ChartShape::FillEllipse, color, x - 3, y - 3, x + 3, y + 3, {}});
            }
            if (v > 0 && result.Has(c, v) && result.Has(c, v - 1))
                chart.push_back({ChartShape::Line, color, scale.X(v - 1),
                                 scale.Y(result.Value(c, v - 1)), x, scale.Y(result.Value(c, v)),
                                 {}});
        }
    }
}
