#include "folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "paths.h"

namespace {

// Names are compared code point by code point after folding letter case: ASCII, Latin-1 and
// Cyrillic letters, the scripts this program's users name their files in. Bytes that are not
// valid UTF-8 stand for themselves (mapped out of the way of real code points), so any name
// still has a well-defined key.
char32_t FoldCase(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;  // Latin-1 capitals
    if (c >= 0x410 && c <= 0x42F) return c + 32;              // Cyrillic А..Я
    if (c >= 0x400 && c <= 0x40F) return c + 80;              // Cyrillic Ѐ..Џ, Ё among them
    return c;
}

std::u32string FoldedKey(std::string_view text) {
    std::u32string key;
    key.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool valid = extra >= 0 && i + extra < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            key.push_back(0x110000 + b);  // a stray byte
            ++i;
            continue;
        }
        key.push_back(FoldCase(c));
        i += static_cast<std::size_t>(extra) + 1;
    }
    return key;
}

// '*' matches any run of characters (also none), '?' exactly one; letter case is ignored.
// A '*' of the mask is a wildcard even where the name holds a '*' too, so it is looked at
// before the literal comparison: taking it as a literal would lose the place to backtrack to.
bool MatchesMask(const std::u32string& name, const std::u32string& mask) {
    std::size_t n = 0, m = 0;
    std::size_t starMask = std::u32string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == U'*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
            ++n;
            ++m;
        } else if (starMask != std::u32string::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == U'*') ++m;
    return m == mask.size();
}

struct Entry {
    std::u32string key;
    std::string name;
    bool folder;
};

constexpr int kMaxDepth = 64;

// Appends the matching files of folder to result, in name order; descends into matching
// sub-folders when depth allows (a negative depth limit lists the folder's own files only).
// false when the folder cannot be opened.
bool ListInto(const std::string& folder, const std::u32string& mask, int depth, int maxDepth,
              std::vector<std::pair<dev_t, ino_t>>& ancestors, std::vector<std::string>& result) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return false;
    std::vector<Entry> entries;
    while (const dirent* found = ::readdir(dir)) {
        const std::string name = found->d_name;
        if (name == "." || name == "..") continue;
        std::u32string key = FoldedKey(name);
        if (!MatchesMask(key, mask)) continue;
        // Symbolic links count as what they point to; anything that is neither a folder nor
        // a regular file (dangling links, pipes, devices) is left out, since opening it could
        // fail or block.
        struct stat info;
        if (::stat(JoinPath(folder, name).c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode)) {
            entries.push_back({std::move(key), name, true});
        } else if (S_ISREG(info.st_mode)) {
            entries.push_back({std::move(key), name, false});
        }
    }
    ::closedir(dir);
    // Directory order is arbitrary on Linux: sort as a file manager does, letter case aside,
    // the exact name breaking ties so the order is total.
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.key != b.key) return a.key < b.key;
        return a.name < b.name;
    });
    for (const Entry& entry : entries) {
        const std::string path = JoinPath(folder, entry.name);
        if (!entry.folder) {
            result.push_back(path);
            continue;
        }
        if (depth >= maxDepth) continue;
        // A folder reached again through a link to one of its parents is not walked twice.
        struct stat info;
        if (::stat(path.c_str(), &info) != 0) continue;
        const std::pair<dev_t, ino_t> id{info.st_dev, info.st_ino};
        if (std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end()) continue;
        ancestors.push_back(id);
        ListInto(path, mask, depth + 1, maxDepth, ancestors, result);
        ancestors.pop_back();
    }
    return true;
}

}  // namespace

std::string ListFolderFiles(const std::string& folder, const std::string& mask) {
    std::string result;
    std::vector<std::pair<dev_t, ino_t>> ancestors;
    struct stat info;
    if (::stat(folder.empty() ? "." : folder.c_str(), &info) == 0)
        ancestors.push_back({info.st_dev, info.st_ino});
    std::vector<std::string> files;
    ListInto(folder, FoldedKey(mask), 0, kMaxDepth, ancestors, files);
    for (const std::string& file : files) {
        result += file;
        result += "\r\n";
    }
    return result;
}

bool ListOwnFolderFiles(const std::string& folder, const std::string& mask,
                        std::vector<std::string>& files) {
    files.clear();
    std::vector<std::pair<dev_t, ino_t>> ancestors;
    return ListInto(folder, FoldedKey(mask), 0, -1, ancestors, files);
}

std::string PickNeighbourFile(const std::string& listing, const std::string& current, int step) {
    // Lines end with CR LF; text after the last CR LF is not a line. No limit on the count.
    std::vector<std::string_view> lines;
    const std::string_view text(listing);
    std::size_t start = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string_view::npos;
         at = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] != current) continue;
        const int64_t target = static_cast<int64_t>(i) + step;
        if (target < 0 || target >= static_cast<int64_t>(lines.size())) return std::string();
        return std::string(lines[static_cast<std::size_t>(target)]);
    }
    return std::string();
}

std::string PickNeighbourInFolder(const std::string& current, const std::string& mask,
                                  int step) {
    return PickNeighbourFile(ListFolderFiles(ExtractFileDir(current), mask), current, step);
}
