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

namespace {

std::string WithCase(std::string text, bool upper) {
    for (char& ch : text) {
        if (upper && ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if (!upper && ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    return text;
}

}  // namespace

std::vector<std::string> QtNameFilters(const std::string& filter) {
    std::vector<std::string> result;
    for (const FilterEntry& entry : ParseDialogFilter(filter)) {
        std::string written;   // the patterns as given, to name an entry without description
        std::string patterns;  // the same, each followed by its all-lower and all-upper twins
        std::vector<std::string> seen;
        auto add = [&](const std::string& pattern) {
            for (const std::string& s : seen)
                if (s == pattern) return;
            seen.push_back(pattern);
            if (!patterns.empty()) patterns += ' ';
            patterns += pattern;
        };
        std::string word;
        auto flush = [&]() {
            if (word.empty()) return;
            if (!written.empty()) written += ' ';
            written += word;
            // Some desktop dialogs (GTK's) match patterns case-sensitively; the desktop these
            // filters come from never did, and cameras write "IMG_0001.JPG".
            add(word);
            add(WithCase(word, false));
            add(WithCase(word, true));
            word.clear();
        };
        for (char ch : entry.patterns) {
            if (ch == ';' || ch == ' ' || ch == ',') flush();
            else word += ch;
        }
        flush();
        if (patterns.empty()) patterns = written = "*";
        std::string description = entry.description.empty() ? written : entry.description;
        result.push_back(description + " (" + patterns + ")");
    }
    return result;
}

std::string AddDefaultExt(const std::string& path, const std::string& ext) {
    const std::string bare = !ext.empty() && ext[0] == '.' ? ext.substr(1) : ext;
    if (bare.empty()) return path;
    const std::size_t nameStart = path.find_last_of("/\\");
    const std::string name = path.substr(nameStart == std::string::npos ? 0 : nameStart + 1);
    if (name.empty()) return path;  // a folder, not a file name
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) return path;
    return path + "." + bare;
}
