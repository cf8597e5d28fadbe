// The settings file reader on arbitrary file contents, against the same reading done with the
// C library's fgets into a 200-byte buffer (after turning each lone CR into LF, the one line
// end fgets does not know): the language it picks must agree.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "settings_file.h"

namespace {

std::string folder;

void RemoveFolder() {
    std::remove(SettingsFilePath(folder).c_str());
    ::rmdir(folder.c_str());
}

std::string ExpectedLanguage(std::string text, const std::string& start) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) text[i] = '\n';
    std::string language = start;
    if (text.empty()) return language;
    std::FILE* file = fmemopen(text.data(), text.size(), "r");
    FUZZ_CHECK(file != nullptr);
    char buffer[200];
    long before = std::ftell(file);
    while (std::fgets(buffer, sizeof buffer, file)) {
        const long after = std::ftell(file);
        std::string piece(buffer, static_cast<std::size_t>(after - before));
        before = after;
        while (piece.size() > 1 && (piece.back() == '\r' || piece.back() == '\n')) piece.pop_back();
        if (piece.compare(0, 5, "LANG=") == 0) language = piece.substr(5);
    }
    std::fclose(file);
    return language;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = MakeFuzzFolder();
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string path = SettingsFilePath(folder);
    // A fresh file each time: rewriting one in place makes ext4 flush it to disk on close.
    std::remove(path.c_str());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(text.data(), 1, text.size(), file) == text.size());
    FUZZ_CHECK(std::fclose(file) == 0);

    const std::string start = "(unchanged)";
    std::string language = start;
    FUZZ_CHECK(ApplySettingsFile(path, language));
    FUZZ_CHECK(language == ExpectedLanguage(text, start));
    return 0;
}
