#include "paths.h"

#include <sys/stat.h>

namespace {

bool HasDriveLetter(const std::string& path) {
    if (path.size() < 2 || path[1] != ':') return false;
    const char c = path[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Where the name part starts: after the last separator, else after a drive colon.
std::size_t NameStart(const std::string& path) {
    const std::size_t at = path.find_last_of("/\\");
    if (at != std::string::npos) return at + 1;
    return HasDriveLetter(path) ? 2 : 0;
}

// Length of the root that a folder keeps even when it ends with a separator: "/", "\", "C:\",
// or the bare drive "C:".
std::size_t RootLength(const std::string& path) {
    if (!path.empty() && IsPathSeparator(path[0])) return 1;
    if (HasDriveLetter(path)) return path.size() > 2 && IsPathSeparator(path[2]) ? 3 : 2;
    return 0;
}

bool Exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::string WithNativeSeparators(std::string path) {
    for (char& c : path)
        if (IsPathSeparator(c)) c = kPathSeparator;
    return path;
}

}  // namespace

bool IsPathSeparator(char c) { return c == '/' || c == '\\'; }

std::string ExtractFileDrive(const std::string& path) {
    if (HasDriveLetter(path)) return path.substr(0, 2);
    if (!path.empty() && path[0] == '/') return "/";
    return std::string();
}

std::string ExtractFilePath(const std::string& path) { return path.substr(0, NameStart(path)); }

std::string ExtractFileDir(const std::string& path) {
    return ExcludeTrailingSeparator(ExtractFilePath(path));
}

std::string ExtractFileName(const std::string& path) { return path.substr(NameStart(path)); }

std::string ExtractFileExt(const std::string& path) {
    const std::size_t start = NameStart(path);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < start) return std::string();
    return path.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    const std::size_t start = NameStart(path);
    const std::size_t dot = path.rfind('.');
    const std::size_t stem = dot == std::string::npos || dot < start ? path.size() : dot;
    return path.substr(0, stem) + ext;
}

std::string IncludeTrailingSeparator(const std::string& path) {
    if (path.empty() || path.back() == kPathSeparator) return path;
    return path + kPathSeparator;
}

std::string ExcludeTrailingSeparator(const std::string& path) {
    const std::size_t root = RootLength(path);
    std::size_t end = path.size();
    while (end > root && IsPathSeparator(path[end - 1])) --end;
    return path.substr(0, end);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return IncludeTrailingSeparator(folder) + name;
}

std::string ResolveUserFilePath(const std::string& written, const std::string& textFilePath) {
    if (written.empty()) return written;
    if (written[0] == '/') return written;
    const std::string folder = ExtractFilePath(textFilePath);
    const std::string nameHere = folder + ExtractFileName(written);
    if (HasDriveLetter(written)) return nameHere;
    if (written[0] == '\\') {
        if (written.size() > 1 && written[1] == '\\') return nameHere;  // \\server\share
        const std::string rooted = WithNativeSeparators(written);
        return Exists(rooted) ? rooted : nameHere;
    }
    return folder + WithNativeSeparators(written);
}
