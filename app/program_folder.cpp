#include "program_folder.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "paths.h"

std::string ProgramFolder;

// Set by the build from the install layout (bin -> share/doc/lumivex and share/lumivex/samples).
const char* const kInstalledGuide = LUMIVEX_INSTALLED_GUIDE;
const char* const kInstalledSamples = LUMIVEX_INSTALLED_SAMPLES;

std::string ExecutableFolder(const std::string& fallbackFolder, const char* selfLink) {
    // /proc/self/exe names the running program even when it was started through a link or
    // from another working folder.
    std::vector<char> buffer(4096);
    const ssize_t length = readlink(selfLink, buffer.data(), buffer.size() - 1);
    if (length <= 0) return fallbackFolder;
    const std::string path(buffer.data(), static_cast<std::size_t>(length));
    const std::string folder = ExtractFileDir(path);
    return folder.empty() ? fallbackFolder : folder;
}

namespace {

std::string FirstFolderHolding(const std::string& programFolder, const char* besideProgram,
                               const char* installed, const char* marker) {
    const std::string candidates[] = {JoinPath(programFolder, besideProgram),
                                      JoinPath(programFolder, installed)};
    for (const std::string& folder : candidates) {
        std::error_code error;
        if (std::filesystem::exists(JoinPath(folder, marker), error))
            return std::filesystem::path(folder).lexically_normal().string();
    }
    return candidates[0];
}

}  // namespace

std::string UserGuideFolder(const std::string& programFolder) {
    return FirstFolderHolding(programFolder, "docs", kInstalledGuide, "index.html");
}

std::string SamplesFolder(const std::string& programFolder) {
    return FirstFolderHolding(programFolder, "samples", kInstalledSamples, "stereo");
}
