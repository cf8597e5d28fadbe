#include "dialog_filter.h"

std::vector<FilterEntry> ParseDialogFilter(const std::string& filter) {
    std::vector<std::string> parts;
    std::string current;
    for (char ch : filter) {
        if (ch == '|') {
            parts.push_back(current);
            current.clear();
        } else {
            current += ch;
        }
    }
    if (!current.empty() || !parts.empty()) parts.push_back(current);
    std::vector<FilterEntry> entries;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        FilterEntry entry;
        entry.description = parts[i];
        entry.patterns = i + 1 < parts.size() ? parts[i + 1] : std::string("*");
        if (entry.patterns.empty()) entry.patterns = "*";
        if (entry.description.empty() && i + 1 >= parts.size()) continue;  // trailing '|'
        entries.push_back(entry);
    }
    return entries;
}

std::vector<std::string> QtNameFilters(const std::string& filter) {
    std::vector<std::string> result;
    for (const FilterEntry& entry : ParseDialogFilter(filter)) {
        std::string patterns;
        std::string word;
        auto flush = [&]() {
            if (word.empty()) return;
            if (!patterns.empty()) patterns += ' ';
            patterns += word;
            word.clear();
        };
        for (char ch : entry.patterns) {
            if (ch == ';' || ch == ' ' || ch == ',') flush();
            else word += ch;
        }
        flush();
        if (patterns.empty()) patterns = "*";
        std::string description = entry.description.empty() ? patterns : entry.description;
        result.push_back(description + " (" + patterns + ")");
    }
    return result;
}
