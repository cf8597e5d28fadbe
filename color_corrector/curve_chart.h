#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "color_tables.h"

// The curve chart of the colour tables: where a value pair is drawn, which value pair a mouse
// release picks, and the complete drawing of the chart and its colour strips as a list of
// shapes that a window replays on its drawing surface.

// Value pair -> chart position. The scale factors are held in single precision.
class ChartScale {
public:
    ChartScale(int width, int height);
    int X(int value) const;  // trunc(value * sx)
    int Y(int value) const;  // trunc((H-1) - value * sy)
    float Sx() const { return sx_; }
    float Sy() const { return sy_; }

private:
    int height_;
    float sx_, sy_;
};

// Chart position -> value pair. A release outside the chart counts as the nearest point on its
// edge, so the values always lie in 0..255; a chart one pixel wide or high gives 0.
int ChartInputValue(int x, int width);    // trunc(X * 255 / (W-1) + 0.5)
int ChartOutputValue(int y, int height);  // Y' = Y*255 / (H-1); trunc(255 - (Y' + 0.5))

// A mouse release on the chart: the left button sets the Manual point of the selected
// channels, the right one removes it, other buttons change no point; Result is then rebuilt
// from Manual in every channel, whatever the button. Returns the input value edited, or -1 when
// no point was touched (other buttons).
enum class ChartButton { Left, Right, Other };
int EditChartPoint(ChartButton button, int x, int y, int width, int height, int tabIndex,
                   ColorTable& manual, ColorTable& result);

// A drawing step. Rectangles are [left, right) x [top, bottom); lines join both end points;
// ellipses fill the box [left, right) x [top, bottom); texts stand with their top-left corner
// at (left, top).
struct ChartShape {
    enum Kind : uint8_t { FillRect, Line, FillEllipse, Text } kind;
    uint32_t color;  // 0xRRGGBB: pen or brush
    int left, top, right, bottom;
    std::string text;
    bool operator==(const ChartShape& o) const {
        return kind == o.kind && color == o.color && left == o.left && top == o.top &&
               right == o.right && bottom == o.bottom && text == o.text;
    }
};

struct ChartDrawing {
    std::vector<ChartShape> chart;   // the chart surface
    std::vector<ChartShape> strips;  // the colour strips beside it
};

// The complete chart (grid, identity line, Calculated squares, Manual circles, Result lines of
// the channels that tabIndex shows) and the input/output strips of the Result table.
void DrawChart(const ColorTable& calculated, const ColorTable& manual, const ColorTable& result,
               int tabIndex, int chartWidth, int chartHeight, int stripWidth,
               ChartDrawing& drawing);
