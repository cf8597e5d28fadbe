#include "source_files.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <system_error>

namespace {

std::optional<std::pair<uint64_t, uint64_t>> IdOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return std::make_pair(static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino));
}

std::string Resolved(const std::string& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) absolute = path;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal().string() : resolved.string();
}

}  // namespace

SourceFiles::SourceFiles(const std::vector<std::string>& sources) {
    for (const std::string& source : sources) {
        if (source.empty()) continue;
        if (const auto id = IdOf(source)) ids_.insert(*id);
        resolved_.insert(Resolved(source));
    }
}

bool SourceFiles::Contains(const std::string& path) const {
    if (const auto id = IdOf(path); id && ids_.count(*id)) return true;
    return resolved_.count(Resolved(path)) != 0;
}
