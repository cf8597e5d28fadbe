#include "color_tables.h"

#include "image_error.h"
#include "text_io.h"

void ColorTable::EraseChannel(int channel) {
    for (auto& cell : cells_[channel]) cell.reset();
}

void ColorTable::EraseAll() {
    for (int c = 0; c < kChannelCount; ++c) EraseChannel(c);
}

bool ColorTable::Empty() const {
    for (const auto& column : cells_)
        for (const auto& cell : column)
            if (cell) return false;
    return true;
}

std::string ColorTable::CellText(int channel, int value) const {
    const auto& cell = cells_[channel][value];
    return cell ? std::to_string(*cell) : std::string();
}

int32_t ColorTable::Require(int channel, int value) const {
    const auto& cell = cells_[channel][value];
    if (!cell) {
        static const char* const names[kChannelCount] = {"red", "green", "blue"};
        throw ConvertError("The Result table has no " + std::string(names[channel]) +
                           " value for input " + std::to_string(value) +
                           ": complete it with \"Interpolate\", the chart or \"Open\" first.");
    }
    return *cell;
}

CurveArray ColorTable::Curve(int channel) const {
    CurveArray curve;
    for (int v = 0; v < kTableSize; ++v) curve[v] = cells_[channel][v].value_or(-1);
    return curve;
}

void ColorTable::SetCurve(int channel, const CurveArray& curve) {
    for (int v = 0; v < kTableSize; ++v) cells_[channel][v] = curve[v];
}

namespace {

void FillEnds(CurveArray& curve) {
    if (curve[0] == -1) curve[0] = 0;
    if (curve[kTableSize - 1] == -1) curve[kTableSize - 1] = 255;
}

}  // namespace

void FillTableGaps(CurveArray& curve) {
    FillEnds(curve);
    int gap = 0;
    for (int j = 0; j < kTableSize; ++j) {
        if (curve[j] == -1) {
            ++gap;
            continue;
        }
        if (gap > 0) {
            const int p = j - gap - 1;
            // 64-bit: file values may be anywhere in the 32-bit range.
            const int64_t from = curve[p];
            const int64_t rise = static_cast<int64_t>(curve[j]) - from;
            for (int k = p + 1; k < j; ++k)
                curve[k] = static_cast<int32_t>(from + (k - p) * rise / (j - p));
            gap = 0;
        }
    }
}

void SmoothTable(CurveArray& curve) {
    FillEnds(curve);
    int64_t before = curve[0];
    int64_t here = curve[1];
    for (int i = 1; i < kTableSize - 1; ++i) {
        const int64_t after = curve[i + 1];
        curve[i] = static_cast<int32_t>((before + here + after) / 3);
        before = here;
        here = after;
    }
}

CurveArray IdentityCurve() {
    CurveArray curve;
    for (int v = 0; v < kTableSize; ++v) curve[v] = v;
    return curve;
}

bool ChannelSelected(int tabIndex, int channel) {
    return tabIndex == channel || tabIndex == 3;
}

ColorTable InterpolateTable(const ColorTable& calculated) {
    ColorTable result;
    for (int c = 0; c < kChannelCount; ++c) {
        CurveArray curve = calculated.Curve(c);
        FillTableGaps(curve);
        for (int pass = 0; pass < 15; ++pass) SmoothTable(curve);
        result.SetCurve(c, curve);
    }
    return result;
}

ColorTable TableFromManual(const ColorTable& manual) {
    ColorTable result;
    for (int c = 0; c < kChannelCount; ++c) {
        CurveArray curve = manual.Curve(c);
        FillTableGaps(curve);
        result.SetCurve(c, curve);
    }
    return result;
}

void ClearManualChannels(int tabIndex, ColorTable& manual, ColorTable& result) {
    for (int c = 0; c < kChannelCount; ++c) {
        if (!ChannelSelected(tabIndex, c)) continue;
        manual.EraseChannel(c);
        result.SetCurve(c, IdentityCurve());
    }
}

bool SmoothResultTable(ColorTable& result) {
    if (!result.Has(kRed, 0)) return false;
    for (int c = 0; c < kChannelCount; ++c) {
        CurveArray curve;
        for (int v = 0; v < kTableSize; ++v) curve[v] = result.Has(c, v) ? result.Value(c, v) : 0;
        SmoothTable(curve);
        result.SetCurve(c, curve);
    }
    return true;
}

ByteTables MakeByteTables(const ColorTable& result) {
    ByteTables tables;
    for (int c = 0; c < kChannelCount; ++c)
        for (int v = 0; v < kTableSize; ++v)
            tables.channel[c][v] = static_cast<uint8_t>(result.Require(c, v) & 0xFF);
    return tables;
}

uint32_t ChannelColor(int channel, int intensity) {
    const uint32_t level = static_cast<uint32_t>(intensity) & 0xFF;
    return level << (16 - 8 * channel);
}
