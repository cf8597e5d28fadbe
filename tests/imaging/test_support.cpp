#include "test_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

void RemoveTree(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return;
    if (S_ISDIR(info.st_mode)) {
        ::chmod(path.c_str(), 0700);
        for (const std::string& name : FolderEntries(path)) RemoveTree(path + "/" + name);
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

}  // namespace

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/lumivex-imaging-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool FileExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    return names;
}

TBitmap NumberedPicture(int32_t width, int32_t height) {
    TBitmap picture(width, height);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 7 + y);
            row[3 * x + 1] = static_cast<uint8_t>(y * 5);
            row[3 * x + 2] = static_cast<uint8_t>(255 - x - y);
        }
    }
    return picture;
}

TBitmap GradientPicture(int32_t width, int32_t height) {
    TBitmap picture(width, height);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int32_t x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uint8_t>(40 + 160 * x / std::max(width - 1, 100));
            row[3 * x + 1] = static_cast<uint8_t>(200 - 150 * y / std::max(height - 1, 100));
            row[3 * x + 2] = static_cast<uint8_t>(60 + (x + y) * 120 / std::max(width + height, 200));
        }
    }
    return picture;
}

int MaxChannelDifference(const TBitmap& a, const TBitmap& b) {
    int worst = 0;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t i = 0; i < a.Width() * 3; ++i) {
            const int d = std::abs(int(a.ScanLine(y)[i]) - int(b.ScanLine(y)[i]));
            if (d > worst) worst = d;
        }
    return worst;
}
