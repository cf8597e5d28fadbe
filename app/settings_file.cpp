#include "settings_file.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr int kLineBufferSize = 200;  // at most 199 characters per read
constexpr char kLanguageKey[] = "LANG=";
constexpr std::size_t kLanguageKeyLength = sizeof(kLanguageKey) - 1;
}  // namespace

std::string SettingsFilePath(const std::string& programFolder) {
    return programFolder + "/" + kSettingsFileName;
}

std::string TrimLineEnd(const std::string& line) {
    std::size_t length = line.size();
    while (length > 1 && (line[length - 1] == '\r' || line[length - 1] == '\n')) --length;
    return line.substr(0, length);
}

bool ApplySettingsFile(const std::string& path, std::string& language) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file) return false;
    char buffer[kLineBufferSize];
    while (std::fgets(buffer, kLineBufferSize, file)) {
        // A NUL byte inside a line ends that piece, as it ends any C text.
        const std::string piece = TrimLineEnd(std::string(buffer, std::strlen(buffer)));
        if (piece.compare(0, kLanguageKeyLength, kLanguageKey) == 0)
            language = piece.substr(kLanguageKeyLength);
    }
    std::fclose(file);
    return true;
}
