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

// One Qt name filter per entry: "Description (p1 p2)". The description is kept as written,
// even when it already lists the patterns, because Qt reads the last parenthesis group.
std::vector<std::string> QtNameFilters(const std::string& filter);
