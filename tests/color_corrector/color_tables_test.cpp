#include <gtest/gtest.h>

#include "color_tables.h"
#include "curve_chart.h"
#include "image_error.h"

namespace {

CurveArray Missing() {
    CurveArray curve;
    curve.fill(-1);
    return curve;
}

TEST(FillTableGaps, CompletesByStraightLinesRoundingTowardZero) {
    struct Case {
        std::vector<std::pair<int, int>> defined;
        std::vector<std::pair<int, int>> expected;
    };
    const Case cases[] = {
        {{}, {{0, 0}, {1, 1}, {128, 128}, {255, 255}}},
        {{{100, 50}}, {{0, 0}, {50, 25}, {100, 50}, {178, 153}, {255, 255}}},
        {{{0, 10}, {3, 0}}, {{1, 7}, {2, 4}}},   // falling: rounded up
        {{{0, 0}, {3, 10}}, {{1, 3}, {2, 6}}},   // rising: rounded down
        {{{0, 5}, {255, 7}, {10, 300}}, {{0, 5}, {5, 152}, {10, 300}, {255, 7}}},
    };
    for (const Case& c : cases) {
        CurveArray curve = Missing();
        for (auto [v, w] : c.defined) curve[v] = w;
        FillTableGaps(curve);
        for (auto [v, w] : c.expected) EXPECT_EQ(curve[v], w) << "entry " << v;
        for (auto [v, w] : c.defined) EXPECT_EQ(curve[v], w) << "defined entry " << v << " kept";
        for (int v = 0; v < kTableSize; ++v) EXPECT_NE(curve[v], -1);
    }
}

TEST(SmoothTable, AveragesInnerEntriesFromThePreviousPass) {
    CurveArray identity = IdentityCurve();
    SmoothTable(identity);
    EXPECT_EQ(identity, IdentityCurve());

    CurveArray spike{};
    spike[2] = 9;
    SmoothTable(spike);
    EXPECT_EQ(spike[1], 3);
    EXPECT_EQ(spike[2], 3);
    EXPECT_EQ(spike[3], 3);
    EXPECT_EQ(spike[4], 0);

    CurveArray ends = Missing();
    for (int v = 1; v < 255; ++v) ends[v] = 100;
    SmoothTable(ends);
    EXPECT_EQ(ends[0], 0);
    EXPECT_EQ(ends[255], 255);
    EXPECT_EQ(ends[1], 66);
    EXPECT_EQ(ends[254], 151);
}

TEST(ColorTableCommands, InterpolateAnEmptyTableGivesTheIdentity) {
    const ColorTable result = InterpolateTable(ColorTable());
    for (int c = 0; c < kChannelCount; ++c) EXPECT_EQ(result.Curve(c), IdentityCurve());
}

TEST(ColorTableCommands, SmoothNeedsRedZeroAndCountsEmptyCellsAsZero) {
    ColorTable result;
    result.Set(kGreen, 0, 5);
    ColorTable before = result;
    EXPECT_FALSE(SmoothResultTable(result));
    EXPECT_EQ(result, before);

    result.Set(kRed, 0, 0);
    result.Set(kRed, 2, 9);
    EXPECT_TRUE(SmoothResultTable(result));
    EXPECT_EQ(result.Value(kRed, 1), 3);
    EXPECT_EQ(result.Value(kRed, 3), 3);
    EXPECT_EQ(result.Value(kBlue, 100), 0);
    EXPECT_EQ(result.Value(kBlue, 255), 0);
}

TEST(ColorTableCommands, ClearManualTouchesOnlyTheSelectedChannels) {
    ColorTable manual, result;
    for (int c = 0; c < kChannelCount; ++c) {
        manual.Set(c, 10, 40);
        result.Set(c, 10, 77);
    }
    ClearManualChannels(/*Green*/ 1, manual, result);
    EXPECT_TRUE(manual.Has(kRed, 10));
    EXPECT_FALSE(manual.Has(kGreen, 10));
    EXPECT_TRUE(manual.Has(kBlue, 10));
    EXPECT_EQ(result.Curve(kGreen), IdentityCurve());
    EXPECT_EQ(result.CellText(kRed, 10), "77");
    EXPECT_EQ(result.CellText(kBlue, 11), "");

    ClearManualChannels(/*All*/ 3, manual, result);
    EXPECT_TRUE(manual.Empty());
    for (int c = 0; c < kChannelCount; ++c) EXPECT_EQ(result.Curve(c), IdentityCurve());
}

TEST(ColorTableCommands, ByteTablesTakeLowBitsAndRefuseEmptyCells) {
    ColorTable result;
    for (int c = 0; c < kChannelCount; ++c) result.SetCurve(c, IdentityCurve());
    result.Set(kBlue, 3, 258);
    EXPECT_EQ(MakeByteTables(result).channel[kBlue][3], 2);
    EXPECT_EQ(MakeByteTables(result).channel[kRed][200], 200);
    result.Erase(kGreen, 7);
    try {
        MakeByteTables(result);
        ADD_FAILURE() << "applied with an empty cell";
    } catch (const ConvertError& e) {  // which cell is missing, not just "''"
        EXPECT_EQ(std::string(e.what()),
                  "The Result table has no green value for input 7: complete it with "
                  "\"Interpolate\", the chart or \"Open\" first.");
    }
}

TEST(CurveChart, MouseReleasePicksValuesClampedToTheChart) {
    struct Case {
        int x, y, input, output;
    };
    const Case cases[] = {
        {150, 0, 128, 254}, {150, 313, 128, 0}, {0, 156, 0, 127},
        {299, 1, 255, 254}, {-40, 900, 0, 0},   {5000, -3, 255, 254},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChartInputValue(c.x, 300), c.input) << c.x;
        EXPECT_EQ(ChartOutputValue(c.y, 314), c.output) << c.y;
    }
    EXPECT_EQ(ChartInputValue(0, 1), 0);
    EXPECT_EQ(ChartOutputValue(0, 0), 0);
}

TEST(CurveChart, EditingRebuildsResultFromManualInEveryChannel) {
    ColorTable manual, result;
    EXPECT_EQ(EditChartPoint(ChartButton::Left, 150, 0, 300, 314, /*Red*/ 0, manual, result), 128);
    EXPECT_EQ(manual.CellText(kRed, 128), "254");
    EXPECT_FALSE(manual.Has(kGreen, 128));
    EXPECT_EQ(result.Curve(kGreen), IdentityCurve());

    EditChartPoint(ChartButton::Left, 150, 156, 300, 314, /*All*/ 3, manual, result);
    for (int c = 0; c < kChannelCount; ++c) {
        CurveArray line = Missing();
        line[128] = manual.Value(c, 128);
        FillTableGaps(line);
        EXPECT_EQ(result.Curve(c), line);
    }
    EditChartPoint(ChartButton::Right, 150, 20, 300, 314, /*Blue*/ 2, manual, result);
    EXPECT_FALSE(manual.Has(kBlue, 128));
    EXPECT_EQ(result.Curve(kBlue), IdentityCurve());

    const ColorTable before = manual;
    EXPECT_EQ(EditChartPoint(ChartButton::Other, 10, 10, 300, 314, 3, manual, result), -1);
    EXPECT_EQ(manual, before);
}

TEST(CurveChart, ScaleAndDrawingFollowTheTables) {
    const ChartScale scale(300, 314);
    EXPECT_EQ(scale.X(0), 0);
    EXPECT_EQ(scale.X(255), 300);
    EXPECT_EQ(scale.Y(0), 313);
    EXPECT_EQ(scale.Y(255), -1);

    ColorTable calculated, manual, result;
    calculated.Set(kRed, 100, 90);
    manual.Set(kGreen, 50, 60);
    result.SetCurve(kBlue, IdentityCurve());
    auto count = [](const std::vector<ChartShape>& shapes, ChartShape::Kind kind, uint32_t color) {
        int n = 0;
        for (const ChartShape& s : shapes) n += s.kind == kind && s.color == color;
        return n;
    };
    ChartDrawing all, redOnly;
    DrawChart(calculated, manual, result, 3, 300, 314, 60, all);
    DrawChart(calculated, manual, result, 0, 300, 314, 60, redOnly);
    EXPECT_EQ(count(all.chart, ChartShape::FillRect, 0xFF0000), 1);
    EXPECT_EQ(count(all.chart, ChartShape::FillEllipse, 0x00FF00), 1);
    EXPECT_EQ(count(all.chart, ChartShape::Line, 0x0000FF), 255);
    EXPECT_EQ(count(redOnly.chart, ChartShape::FillEllipse, 0x00FF00), 0);
    EXPECT_EQ(count(redOnly.chart, ChartShape::Line, 0x0000FF), 0);
    // Every value has its three input strips; only blue has output halves.
    EXPECT_EQ(all.strips.size(), 256u * 4);
    EXPECT_EQ(all.strips, redOnly.strips);
}

}  // namespace
