#pragma once
// Colour tables as 1D ".cube" lookup tables, the text format photo and video editors read:
// keywords (TITLE, LUT_1D_SIZE, DOMAIN_MIN, DOMAIN_MAX), then one "r g b" line per entry with
// values from 0.0 to 1.0. Plain C++, no Qt.
#include <string>

#include "color_tables.h"

// The entries a 1D table may have.
constexpr int kMinCubeSize = 2;
constexpr int kMaxCubeSize = 65536;

// A 256-entry table of the Result, each value v written as v / 255 with enough digits that
// reading it back gives v again. CR LF line ends. Throws ImageError when a cell is empty or
// holds a value outside 0..255, which a .cube cannot express.
std::string FormatCubeFile(const ColorTable& result, const std::string& title);
void SaveCubeFile(const std::string& path, const ColorTable& result, const std::string& title);

// Reads a 1D table of any size from kMinCubeSize to kMaxCubeSize into a full table: each of
// the 256 inputs is looked up across the table's domain by linear interpolation and rounded.
// Throws ImageError "line N: reason" on a 3D table, an unknown keyword, a value that is not a
// number or lies outside 0..1, a domain that is empty, and too few or too many entries.
ColorTable ParseCubeFile(const std::string& text);
