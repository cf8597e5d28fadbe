#include "dialog_filter.h"

#include "paths.h"

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
    if (bare.empty() || ExtractFileName(path).empty()) return path;  // no name to complete
    return ExtractFileExt(path).empty() ? path + "." + bare : path;
}

namespace {
std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}
}  // namespace

int ChosenFilterIndex(const std::string& filter, const std::string& chosen) {
    const std::vector<std::string> full = QtNameFilters(filter);
    for (std::size_t i = 0; i < full.size(); ++i)
        if (full[i] == chosen) return static_cast<int>(i) + 1;
    // The caption alone: the name filter without its last " (patterns)" group.
    const std::string wanted = Trimmed(chosen);
    for (std::size_t i = 0; i < full.size(); ++i) {
        const std::size_t open = full[i].rfind(" (");
        if (open != std::string::npos && Trimmed(full[i].substr(0, open)) == wanted)
            return static_cast<int>(i) + 1;
    }
    return 0;
}
