#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

// The colour mapping of the Color Corrector: for each channel a table of 256 output values
// indexed by the input value. Three tables of this shape hold the stages of its making
// (Calculated from point pairs, Manual from the chart, Result applied to pictures). A cell
// holds a value or nothing; values read from a file are kept as they are (any 32-bit value).

enum ColorChannel : int { kRed = 0, kGreen = 1, kBlue = 2 };
constexpr int kChannelCount = 3;
constexpr int kTableSize = 256;

// A channel as a plain array, -1 standing for a missing value; the form the curve operations
// work on.
using CurveArray = std::array<int32_t, kTableSize>;

class ColorTable {
public:
    bool Has(int channel, int value) const { return cells_[channel][value].has_value(); }
    // The cell's value; call only when Has().
    int32_t Value(int channel, int value) const { return *cells_[channel][value]; }
    void Set(int channel, int value, int32_t output) { cells_[channel][value] = output; }
    void Erase(int channel, int value) { cells_[channel][value].reset(); }
    void EraseChannel(int channel);
    void EraseAll();
    bool Empty() const;  // no cell holds a value

    // The cell as grid text: decimal, or empty.
    std::string CellText(int channel, int value) const;
    // The value for places that need one (the Result table applied to pictures): a missing
    // cell throws ConvertError naming its channel and input value, where converting its empty
    // text would only say "''".
    int32_t Require(int channel, int value) const;

    // The channel with -1 for missing cells; and back, every entry becoming a value.
    CurveArray Curve(int channel) const;
    void SetCurve(int channel, const CurveArray& curve);

    bool operator==(const ColorTable& other) const { return cells_ == other.cells_; }

private:
    std::array<std::array<std::optional<int32_t>, kTableSize>, kChannelCount> cells_{};
};

// Every missing (-1) entry becomes the value on the straight line between its defined
// neighbours, in integer arithmetic rounding toward zero; a missing first entry counts as 0,
// a missing last one as 255. Defined entries never change.
void FillTableGaps(CurveArray& curve);
// One pass of a 3-point moving average over entries 1..254 (from the values before the pass,
// rounding toward zero); missing ends become 0 and 255 first.
void SmoothTable(CurveArray& curve);

CurveArray IdentityCurve();

// Which channels a chart tab selects: tabs 0, 1, 2 one channel each, tab 3 ("All") all three.
bool ChannelSelected(int tabIndex, int channel);

// "Interpolate": every channel of calculated completed by FillTableGaps and smoothed fifteen
// times. An empty table gives the identity.
ColorTable InterpolateTable(const ColorTable& calculated);
// The Result after a chart edit: every channel of manual completed by FillTableGaps alone.
ColorTable TableFromManual(const ColorTable& manual);
// "Clear manual": the selected channels lose their Manual points and become the identity in
// result.
void ClearManualChannels(int tabIndex, ColorTable& manual, ColorTable& result);
// "Smooth": one smoothing pass over every channel (a missing cell counts as 0). False, with
// nothing changed, when the red cell of value 0 is missing (the table counts as empty).
bool SmoothResultTable(ColorTable& result);

// The three byte tables a picture is mapped with: entry v of a channel is the low 8 bits of
// the Result value of input v. A missing cell throws ConvertError naming it (see Require).
struct ByteTables {
    std::array<std::array<uint8_t, kTableSize>, kChannelCount> channel;
};
ByteTables MakeByteTables(const ColorTable& result);

// Colour of a channel at an intensity, packed as 0xRRGGBB (the swatches and the chart).
uint32_t ChannelColor(int channel, int intensity);
