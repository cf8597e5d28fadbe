#pragma once
#include <string>
#include <vector>

// File dialog filters are written as "Description|pattern;pattern|Description|pattern", the
// form the windows use. Qt wants "Description (pattern pattern);;...". Kept free of Qt so the
// conversion is tested on its own.
struct FilterEntry {
    std::string description;
    std::string patterns;  // as written, ';' separated
};

// Splits the '|' list into (description, patterns) pairs; a trailing description without
// patterns gets "*". Empty text gives no entries.
std::vector<FilterEntry> ParseDialogFilter(const std::string& filter);

// One Qt name filter per entry: "Description (p1 P1 p2 P2)", each pattern followed by its
// all-lower and all-upper twins so that dialogs matching case-sensitively still find
// "IMG_0001.JPG" under "*.jpg". The description is kept as written, even when it already
// lists the patterns, because Qt reads the last parenthesis group.
std::vector<std::string> QtNameFilters(const std::string& filter);

// path with "." + ext appended when its file name has no extension of its own (a leading dot,
// as in ".profile", is no extension). ext may be given with or without its dot; an empty ext
// leaves path unchanged.
std::string AddDefaultExt(const std::string& path, const std::string& ext);
