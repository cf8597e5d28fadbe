#include "settings_file.h"

#include "text_io.h"

namespace {
constexpr std::size_t kLineBufferSize = 200;  // at most 199 characters per piece
constexpr char kLanguageKey[] = "LANG=";
constexpr std::size_t kLanguageKeyLength = sizeof(kLanguageKey) - 1;
}  // namespace

std::string SettingsFilePath(const std::string& programFolder) {
    return programFolder + "/" + kSettingsFileName;
}

bool ApplySettingsFile(const std::string& path, std::string& language) {
    std::string text;
    if (!ReadTextFile(path, text)) return false;
    LineReader reader(std::move(text));
    std::string line;
    while (reader.ReadLine(kLineBufferSize, line)) {
        if (line.compare(0, kLanguageKeyLength, kLanguageKey) == 0)
            language = line.substr(kLanguageKeyLength);
    }
    return true;
}
